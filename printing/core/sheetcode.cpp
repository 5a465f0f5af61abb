#include "printing/core/sheetcode.h"

#include "questionbase/columns.h"
#include "questionbase/recordset.h"

#include <array>

namespace printing {

// Q1:<variant>:<question>+<question>+…:<check>
// A question is two characters for its option order, then its `номер` in base 36. The check is
// the CRC-16 of everything before the last ":", in base 36, four characters.
namespace {

constexpr char kMagic = 'Q';
const QByteArray kVersion = QByteArrayLiteral("1");
constexpr int kCheckLength = 4;
constexpr int kOrderLength = 2;
constexpr int kMaxIdLength = 12;  // 36^12 still fits a qint64
constexpr qsizetype kMaxLength = 4096;

// An option order is an arrangement of k different options out of five. Numbered by its length
// first, then as a mixed-radix number of each option's place among the ones left, every order
// fits in two base-36 characters (325 of them against 1296).
constexpr std::array<int, kOptionCount + 2> kOrdersShorter = {0, 0, 5, 25, 85, 205, 325};

std::optional<int> orderNumber(const QList<int>& order) {
    const qsizetype k = order.size();
    if (k < 1 || k > kOptionCount)
        return std::nullopt;
    QList<int> left = {1, 2, 3, 4, 5};
    int rank = 0;
    for (qsizetype i = 0; i < k; ++i) {
        const qsizetype place = left.indexOf(order.at(i));
        if (place < 0)
            return std::nullopt;
        rank = rank * int(left.size()) + int(place);
        left.removeAt(place);
    }
    return kOrdersShorter[size_t(k)] + rank;
}

std::optional<QList<int>> orderOf(int number) {
    if (number < 0 || number >= kOrdersShorter.back())
        return std::nullopt;
    int k = 1;
    while (number >= kOrdersShorter[size_t(k + 1)])
        ++k;
    int rank = number - kOrdersShorter[size_t(k)];
    QList<int> places(k);
    for (int i = k - 1; i >= 0; --i) {
        const int radix = kOptionCount - i;
        places[i] = rank % radix;
        rank /= radix;
    }
    QList<int> left = {1, 2, 3, 4, 5};
    QList<int> order;
    for (int place : places)
        order << left.takeAt(place);
    return order;
}

QByteArray base36(qint64 value, int width = 0) {
    QByteArray text = QByteArray::number(value, 36).toUpper();
    if (text.size() < width)
        text.prepend(QByteArray(width - text.size(), '0'));
    return text;
}

quint16 crc16(QByteArrayView bytes) {
    quint16 crc = 0xFFFF;
    for (char byte : bytes) {
        crc ^= quint16(quint8(byte)) << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

// Everything the check covers; empty when the code cannot be written (no id, or an order that
// is not one of distinct options 1 … 5).
QByteArray body(const SheetCode& code) {
    if (code.variant < 1 || code.variant > PrintChoices::kMaxVariants)
        return {};
    QByteArray text = kMagic + kVersion + ':' + QByteArray::number(code.variant) + ':';
    for (qsizetype i = 0; i < code.questions.size(); ++i) {
        const SheetCode::Question& question = code.questions.at(i);
        const std::optional<int> order = orderNumber(question.order);
        if (!order || question.id <= 0)
            return {};
        if (i > 0)
            text += '+';
        text += base36(*order, kOrderLength) + base36(question.id);
    }
    return text;
}

QByteArray checkOf(QByteArrayView body) {
    return base36(crc16(body), kCheckLength);
}

bool inAlphabet(QByteArrayView text) {
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == ':' || c == '+'))
            return false;
    return true;
}

std::optional<SheetCode::Question> questionOf(QByteArrayView text) {
    if (text.size() <= kOrderLength || text.size() > kOrderLength + kMaxIdLength)
        return std::nullopt;
    bool ok = false;
    const int number = text.first(kOrderLength).toInt(&ok, 36);
    const std::optional<QList<int>> order = ok ? orderOf(number) : std::nullopt;
    const qint64 id = text.sliced(kOrderLength).toLongLong(&ok, 36);
    if (!order || !ok || id <= 0)
        return std::nullopt;
    return SheetCode::Question{id, *order};
}

}  // namespace

SheetCode sheetCodeFor(const PrintSet& set, const Variant& variant) {
    SheetCode code;
    code.variant = variant.number;
    for (const VariantQuestion& placed : variant.questions)
        code.questions << SheetCode::Question{set.questions.at(placed.question).id,
                                              placed.optionOrder};
    return code;
}

QByteArray encodeSheetCode(const SheetCode& code) {
    const QByteArray text = body(code);
    if (text.isEmpty())
        return {};
    return text + ':' + checkOf(text);
}

std::optional<SheetCode> decodeSheetCode(QByteArrayView text) {
    if (text.size() > kMaxLength || !inAlphabet(text) || !text.startsWith(kMagic))
        return std::nullopt;
    const qsizetype versionEnd = text.indexOf(':');
    if (versionEnd < 0 || text.sliced(1, versionEnd - 1) != kVersion)
        return std::nullopt;
    const qsizetype checkStart = text.lastIndexOf(':');
    const QByteArrayView covered = text.first(checkStart);
    if (text.sliced(checkStart + 1) != checkOf(covered))
        return std::nullopt;

    const QList<QByteArray> parts = covered.toByteArray().split(':');
    if (parts.size() != 3)
        return std::nullopt;
    SheetCode code;
    bool ok = false;
    code.variant = parts.at(1).toInt(&ok);
    if (!ok)
        return std::nullopt;
    if (!parts.at(2).isEmpty()) {
        for (const QByteArray& part : parts.at(2).split('+')) {
            const std::optional<SheetCode::Question> question = questionOf(part);
            if (!question)
                return std::nullopt;
            code.questions << *question;
        }
    }
    // One code, one text: leading zeros and the like are not ours even when the check holds.
    if (encodeSheetCode(code) != text)
        return std::nullopt;
    return code;
}

QString sheetCheck(const SheetCode& code) {
    const QByteArray text = body(code);
    return text.isEmpty() ? QString() : QString::fromLatin1(checkOf(text));
}

QList<KeyEntry> keyFromBase(const SheetCode& code, qb::Recordset& questions) {
    QList<KeyEntry> key;
    for (const SheetCode::Question& question : code.questions) {
        KeyEntry entry;
        entry.id = question.id;
        if (!questions.moveToRow(question.id)) {
            entry.missing = true;
        } else {
            bool numbered = false;
            const int correct = questions.field(qb::columns::kCorrect).value().toInt(&numbered);
            const qsizetype place = numbered ? question.order.indexOf(correct) : -1;
            if (place >= 0)
                entry.printed = int(place);
        }
        key << entry;
    }
    return key;
}

}  // namespace printing
