#pragma once

#include <QLocale>
#include <QString>

namespace qb {

enum class NumberStatus { Ok, NotANumber, OutOfRange };

struct WholeNumber {
    NumberStatus status = NumberStatus::NotANumber;
    qint64 value = 0;
};

// Text typed for a number: an optional sign, digits and the locale's decimal separator; a
// fraction is rounded half to even. The result must lie in [min, max].
WholeNumber parseWholeNumber(const QString& text, qint64 min, qint64 max,
                             const QLocale& locale = QLocale::system());

// The 16-bit entry both windows use.
WholeNumber parseNumber16(const QString& text, const QLocale& locale = QLocale::system());

}  // namespace qb
