#include "fuzz/fuzzinput.h"
#include "questionbase/numberentry.h"

#include <QLocale>

#include <cstdlib>

// Every accepted number lies in the 16-bit range, and writing it back in the same locale
// reads as the same number.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    static const QLocale locales[] = {QLocale(QLocale::Russian, QLocale::Russia), QLocale::c(),
                                      QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany)};
    const QLocale& locale = locales[data[0] % 4];
    const QString input = fuzz::text(data + 1, size - 1);
    const qb::WholeNumber number = qb::parseNumber16(input, locale);
    switch (number.status) {
        case qb::NumberStatus::Ok: {
            if (number.value < -32768 || number.value > 32767)
                std::abort();
            const qb::WholeNumber again = qb::parseNumber16(QString::number(number.value), locale);
            if (again.status != qb::NumberStatus::Ok || again.value != number.value)
                std::abort();
            break;
        }
        case qb::NumberStatus::OutOfRange:
        case qb::NumberStatus::NotANumber:
            if (number.value != 0)
                std::abort();
            break;
    }
    return 0;
}
