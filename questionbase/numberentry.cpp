#include "questionbase/numberentry.h"

#include <cmath>

namespace qb {

namespace {

// Only sign, digits and one decimal separator count as a number: QLocale alone would also take
// group separators and exponents, which a teacher never means in a field of one digit.
bool isPlainNumber(const QString& text, QChar decimalPoint) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    bool digits = false;
    bool separator = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            digits = true;
        } else if (c == decimalPoint && !separator) {
            separator = true;
        } else {
            return false;
        }
    }
    return digits;
}

}  // namespace

WholeNumber parseWholeNumber(const QString& text, qint64 min, qint64 max, const QLocale& locale) {
    WholeNumber result;
    const QString decimal = locale.decimalPoint();
    const QChar decimalPoint = decimal.isEmpty() ? QChar(u'.') : decimal.front();
    if (!isPlainNumber(text, decimalPoint))
        return result;

    QString canonical = text;
    canonical.replace(decimalPoint, u'.');
    bool ok = false;
    const double number = QLocale::c().toDouble(canonical, &ok);
    // The text has the form of a number, so a value too large for a double is out of range.
    if (!ok || !std::isfinite(number)) {
        result.status = NumberStatus::OutOfRange;
        return result;
    }
    // Rounds half to even in the default floating-point environment.
    const double rounded = std::nearbyint(number);
    if (rounded < static_cast<double>(min) || rounded > static_cast<double>(max)) {
        result.status = NumberStatus::OutOfRange;
        return result;
    }
    result.status = NumberStatus::Ok;
    result.value = static_cast<qint64>(rounded);
    return result;
}

WholeNumber parseNumber16(const QString& text, const QLocale& locale) {
    return parseWholeNumber(text, -32768, 32767, locale);
}

}  // namespace qb
