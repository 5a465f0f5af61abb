#include "printing/core/printtypes.h"

namespace printing {

QString optionLetter(int index) {
    static const QString letters = QStringLiteral("АБВГД");
    if (index < 0 || index >= letters.size())
        return QString();
    return letters.mid(index, 1);
}

QString correctLetter(const PrintQuestion& question, const VariantQuestion& placed) {
    return optionLetter(int(placed.optionOrder.indexOf(question.correct)));
}

}  // namespace printing
