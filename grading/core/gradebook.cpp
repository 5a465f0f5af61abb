#include "grading/core/gradebook.h"

#include <QHash>

#include <stdexcept>
#include <utility>

namespace grading {

namespace {

constexpr int kLowestListNumber = 1;
constexpr int kHighestListNumber = 99;

// A row read as one Filled bubble and the rest Empty is taken as it is; anything else is asked,
// and this says why.
struct RowRead {
    Answer answer;
    QString doubt;  // empty when the row is taken as read
};

RowRead readRow(const QList<Bubble>& row) {
    int filled = 0;
    int doubtful = 0;
    int chosen = -1;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (row[i].mark == Mark::Filled) {
            ++filled;
            chosen = int(i);
        } else if (row[i].mark == Mark::Doubtful) {
            ++doubtful;
        }
    }
    if (filled > 1)
        return {{}, QStringLiteral("две отметки")};
    if (doubtful > 0)
        return {{}, QStringLiteral("неясная отметка")};
    if (filled == 0)
        return {{}, QStringLiteral("нет отметки")};
    return {chosen, {}};
}

// Each place must hold exactly one Filled bubble and nothing doubtful; "00" is no number on a
// class list, so it is asked like a number not read.
std::optional<int> readListNumber(const FormRead& form) {
    int number = 0;
    for (const auto& place : form.listNumber) {
        int digit = -1;
        for (int d = 0; d < kDigits; ++d) {
            const Mark mark = place[size_t(d)].mark;
            if (mark == Mark::Doubtful || (mark == Mark::Filled && digit >= 0))
                return std::nullopt;
            if (mark == Mark::Filled)
                digit = d;
        }
        if (digit < 0)
            return std::nullopt;
        number = number * kDigits + digit;
    }
    if (number < kLowestListNumber || number > kHighestListNumber)
        return std::nullopt;
    return number;
}

// A code that does not fit the rows read (another count of rows, a row with another count of
// bubbles than options printed) would grade the wrong bubbles: it is as good as unread.
bool codeFits(const FormRead& form) {
    if (!form.code || form.code->questions.size() != form.answers.size())
        return false;
    for (qsizetype i = 0; i < form.answers.size(); ++i)
        if (form.code->questions[i].order.size() != form.answers[i].size())
            return false;
    return true;
}

}  // namespace

struct Gradebook::Sheet {
    FormRead form;
    bool codeRead = false;
    std::optional<int> readNumber;  // none: the number is asked
    QList<RowRead> rows;
    QMap<int, Answer> decidedRows;
    std::optional<std::optional<int>> decidedNumber;
    bool skipped = false;
    QString name;
};

Gradebook::Gradebook() = default;
Gradebook::~Gradebook() = default;
Gradebook::Gradebook(const Gradebook&) = default;
Gradebook& Gradebook::operator=(const Gradebook&) = default;
Gradebook::Gradebook(Gradebook&&) noexcept = default;
Gradebook& Gradebook::operator=(Gradebook&&) noexcept = default;

int Gradebook::add(FormRead form) {
    Sheet sheet;
    sheet.codeRead = codeFits(form);
    if (sheet.codeRead) {
        sheet.readNumber = readListNumber(form);
        sheet.rows.reserve(form.answers.size());
        for (const QList<Bubble>& row : form.answers)
            sheet.rows << readRow(row);
    }
    sheet.form = std::move(form);
    sheets_.push_back(std::move(sheet));
    return int(sheets_.size()) - 1;
}

int Gradebook::sheetCount() const {
    return int(sheets_.size());
}

const Gradebook::Sheet& Gradebook::at(int sheet) const {
    if (sheet < 0 || sheet >= sheetCount())
        throw std::out_of_range("no such sheet in the gradebook");
    return sheets_[size_t(sheet)];
}

Gradebook::Sheet& Gradebook::at(int sheet) {
    return const_cast<Sheet&>(std::as_const(*this).at(sheet));
}

const FormRead& Gradebook::form(int sheet) const {
    return at(sheet).form;
}

// A number on two sheets that count is asked on both; a sheet without a code never counts.
QHash<int, int> Gradebook::numberUse() const {
    QHash<int, int> use;
    for (int sheet = 0; sheet < sheetCount(); ++sheet) {
        if (sheets_[size_t(sheet)].skipped || !sheets_[size_t(sheet)].codeRead)
            continue;
        const std::optional<std::optional<int>> number = listNumber(sheet);
        if (number && *number)
            ++use[**number];
    }
    return use;
}

QList<ReviewItem> Gradebook::doubts(int sheet) const {
    return doubtsOf(sheet, numberUse());
}

QList<ReviewItem> Gradebook::doubtsOf(int index, const QHash<int, int>& numberUse) const {
    const Sheet& sheet = at(index);
    QList<ReviewItem> items;
    if (!sheet.codeRead) {
        items << ReviewItem{index, Doubt::Code, -1, QStringLiteral("Код бланка не прочитан")};
        return items;
    }
    const std::optional<std::optional<int>> number = listNumber(index);
    if (!sheet.skipped && number && *number && numberUse.value(**number) > 1) {
        items << ReviewItem{index, Doubt::ListNumberTwice, -1,
                            QStringLiteral("№ по списку %1 — ещё на одном листе").arg(**number)};
    } else if (!sheet.readNumber) {
        items << ReviewItem{index, Doubt::ListNumber, -1,
                            QStringLiteral("№ по списку не прочитан")};
    } else if (sheet.decidedNumber) {
        // Read well but changed by the teacher: a number met twice was settled here.
        items << ReviewItem{
            index, Doubt::ListNumber, -1,
            QStringLiteral("№ по списку %1 — ещё на одном листе").arg(*sheet.readNumber)};
    }
    for (qsizetype row = 0; row < sheet.rows.size(); ++row) {
        if (!sheet.rows[row].doubt.isEmpty())
            items << ReviewItem{
                index, Doubt::Row, int(row),
                QStringLiteral("Вопрос %1: %2").arg(row + 1).arg(sheet.rows[row].doubt)};
    }
    return items;
}

QList<ReviewItem> Gradebook::undecided() const {
    const QHash<int, int> use = numberUse();
    QList<ReviewItem> open;
    for (int index = 0; index < sheetCount(); ++index) {
        const Sheet& sheet = sheets_[size_t(index)];
        if (sheet.skipped)
            continue;
        for (const ReviewItem& item : doubtsOf(index, use)) {
            const bool decided = (item.doubt == Doubt::ListNumber && sheet.decidedNumber) ||
                                 (item.doubt == Doubt::Row && sheet.decidedRows.contains(item.row));
            if (!decided)
                open << item;
        }
    }
    return open;
}

void Gradebook::decideRow(int sheet, int row, Answer answer) {
    Sheet& s = at(sheet);
    if (row < 0 || row >= s.form.answers.size())
        throw std::out_of_range("no such row on the sheet");
    if (answer && (*answer < 0 || *answer >= s.form.answers[row].size()))
        throw std::out_of_range("no such option in the row");
    s.decidedRows.insert(row, answer);
}

void Gradebook::decideListNumber(int sheet, std::optional<int> number) {
    Sheet& s = at(sheet);
    if (number && (*number < kLowestListNumber || *number > kHighestListNumber))
        throw std::out_of_range("a list number is 1 … 99");
    s.decidedNumber = number;
}

void Gradebook::skip(int sheet, bool skipped) {
    at(sheet).skipped = skipped;
}

bool Gradebook::isSkipped(int sheet) const {
    return at(sheet).skipped;
}

void Gradebook::setName(int sheet, const QString& name) {
    at(sheet).name = name.trimmed();
}

std::optional<Answer> Gradebook::answer(int sheet, int row) const {
    const Sheet& s = at(sheet);
    if (!s.codeRead || row < 0 || row >= s.rows.size())
        return std::nullopt;
    const auto decided = s.decidedRows.constFind(row);
    if (decided != s.decidedRows.cend())
        return *decided;
    if (s.rows[row].doubt.isEmpty())
        return s.rows[row].answer;
    return std::nullopt;
}

std::optional<std::optional<int>> Gradebook::listNumber(int sheet) const {
    const Sheet& s = at(sheet);
    if (s.decidedNumber)
        return s.decidedNumber;
    if (s.readNumber)
        return std::optional<int>(s.readNumber);
    return std::nullopt;
}

QString Gradebook::typedName(int sheet) const {
    return at(sheet).name;
}

}  // namespace grading
