#include "printing/core/answersheet.h"
