#include "grading/core/gradebook.h"
