#include "printing/core/variantplan.h"
