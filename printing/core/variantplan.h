#pragma once

#include "printing/core/printtypes.h"

#include <QList>
#include <QString>

#include <random>

namespace qb {
class Recordset;
}

namespace printing {

// The one source of chance in a print. std::mt19937_64's sequence is fixed by the standard, and
// the bounded draws and the shuffle are written out here, since std::shuffle and the standard
// distributions may differ between standard libraries: the same seed gives the same variants on
// every build.
class Shuffler {
public:
    explicit Shuffler(quint64 seed) : engine_(seed) {}

    // A number in [0, n), n > 0, without modulo bias.
    quint64 below(quint64 n);

    // Fisher–Yates over the whole list.
    template <class T>
    void shuffle(QList<T>& items) {
        for (qsizetype i = items.size() - 1; i > 0; --i)
            items.swapItemsAt(i, qsizetype(below(quint64(i) + 1)));
    }

private:
    std::mt19937_64 engine_;
};

// Whether an option speaks of the others ("все перечисленные", "ни один из перечисленных",
// "оба варианта"…): it keeps its printed place when the options are shuffled.
bool speaksOfOthers(const QString& option);

// Reads what the choices need from the recordset (the ids; the texts of the drawn questions only)
// and makes the variants. `basePath` is the base's file: pictures lie beside it.
// Throws qb::Error when the base cannot be read.
PrintSet planPrint(qb::Recordset& questions, const QString& basePath, const PrintChoices& choices);

}  // namespace printing
