#include "printing/core/printpages.h"
