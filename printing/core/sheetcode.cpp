#include "printing/core/sheetcode.h"
