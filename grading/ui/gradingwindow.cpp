#include "grading/ui/gradingwindow.h"
