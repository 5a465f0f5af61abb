#include "grading/core/pagesource.h"
