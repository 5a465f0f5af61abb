#include "grading/ui/reviewdialog.h"
