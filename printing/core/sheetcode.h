#pragma once

#include "printing/core/printtypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace qb {
class Recordset;
}

namespace printing {

// What an answer sheet's machine-readable code says: the variant, and its questions by `номер`
// in printed order, each with its option order. The keys are not in it: grading takes them from
// the base as it is then.
struct SheetCode {
    struct Question {
        qint64 id = 0;
        QList<int> order;  // the base's option numbers in printed order
        bool operator==(const Question&) const = default;
    };
    int variant = 1;
    QList<Question> questions;
    bool operator==(const SheetCode&) const = default;
};

SheetCode sheetCodeFor(const PrintSet& set, const Variant& variant);

// The code's text: short, versioned, and only of characters a QR code packs tightly (its
// alphanumeric mode). It ends with the check sheetCheck() prints. Empty for a code no sheet can
// carry: an id below 1, or an order that is not distinct options 1 … 5.
QByteArray encodeSheetCode(const SheetCode& code);
// Nothing for a text that is not a code of ours, of an unknown version, or fails its check.
std::optional<SheetCode> decodeSheetCode(QByteArrayView text);
// A short check of the code, printed beside "Вариант K" so a person can match a sheet to it.
QString sheetCheck(const SheetCode& code);

// The right answer of each coded question as the base holds it now.
struct KeyEntry {
    qint64 id = 0;
    bool missing = false;        // the base no longer has the question
    std::optional<int> printed;  // 0-based printed place of the right option; none when
                                 // `верный` now names an option that was not printed
};
// Throws qb::Error when the base cannot be read.
QList<KeyEntry> keyFromBase(const SheetCode& code, qb::Recordset& questions);

}  // namespace printing
