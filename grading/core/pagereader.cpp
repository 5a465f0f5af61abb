#include "grading/core/sheetread.h"
