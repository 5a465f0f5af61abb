#include "exporter/ui/opword.h"

namespace exporter {

// Replaced by the Word export; until it lands the button does nothing.
void opword(WordExportContext&) {}

}  // namespace exporter
