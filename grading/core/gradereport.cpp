// The results of a grading: each sheet against the keys the base holds now, and the item
// analysis by each question's place in the base.

#include "grading/core/gradebook.h"

#include "questionbase/recordset.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cmath>

namespace grading {

namespace {

// A percent computed as right × 100 / counted lands a hair below its threshold in binary only
// through rounding; a tolerance far under one answer in ten thousand keeps 85 % a 5.
constexpr double kPercentTolerance = 1e-9;
// The share of students in each of the upper and lower groups of the discrimination index.
constexpr double kExtremeGroup = 0.27;

// How a remark names a sheet: the file, the page, the half of the page, and the number when
// one is known, so the teacher can find the paper.
QString sheetLabel(const Gradebook& book, int sheet) {
    const FormRead& form = book.form(sheet);
    QString label =
        QStringLiteral("«%1», стр. %2").arg(QFileInfo(form.file).fileName()).arg(form.page + 1);
    if (form.form == 1)
        label += QStringLiteral(", нижний бланк");
    const std::optional<std::optional<int>> number = book.listNumber(sheet);
    if (number && *number)
        label += QStringLiteral(" (№ %1)").arg(**number);
    return label;
}

QString joined(const QStringList& parts) {
    return parts.join(QStringLiteral(", "));
}

// The keys and the positions of the base as it is now, each looked up once however many
// sheets name it.
class BaseNow {
public:
    explicit BaseNow(qb::Recordset& questions) : questions_(questions) {}

    const QList<printing::KeyEntry>& key(const printing::SheetCode& code) {
        const QByteArray text = printing::encodeSheetCode(code);
        auto known = keys_.constFind(text);
        if (known == keys_.cend())
            known = keys_.insert(text, printing::keyFromBase(code, questions_));
        return *known;
    }

    std::optional<int> position(qint64 id) {
        auto known = positions_.constFind(id);
        if (known == positions_.cend()) {
            const std::optional<qint64> position = questions_.positionOf(id);
            known = positions_.insert(
                id, position ? std::optional<int>(int(*position)) : std::optional<int>());
        }
        return *known;
    }

private:
    qb::Recordset& questions_;
    QHash<QByteArray, QList<printing::KeyEntry>> keys_;
    QHash<qint64, std::optional<int>> positions_;
};

// What one graded sheet adds to the item analysis: per base position, whether it counted and
// was right.
struct Counted {
    QHash<int, bool> right;  // position → answered right; only the questions that count
};

void addDiscrimination(QList<ItemStats>& items, const QList<StudentResult>& students,
                       const QList<Counted>& counted) {
    const qsizetype n = students.size();
    if (n == 0)
        return;
    QList<qsizetype> order(n);
    for (qsizetype i = 0; i < n; ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return students[a].percent > students[b].percent;
    });
    const qsizetype group = std::max<qsizetype>(1, qRound(kExtremeGroup * double(n)));
    const auto share = [&](int position, qsizetype from, qsizetype to) -> std::optional<double> {
        int asked = 0;
        int right = 0;
        for (qsizetype i = from; i < to; ++i) {
            const auto found = counted[order[i]].right.constFind(position);
            if (found == counted[order[i]].right.cend())
                continue;
            ++asked;
            right += *found ? 1 : 0;
        }
        if (asked == 0)
            return std::nullopt;
        return double(right) / asked;
    };
    for (ItemStats& item : items) {
        const std::optional<double> upper = share(item.position, 0, group);
        const std::optional<double> lower = share(item.position, n - group, n);
        if (upper && lower)
            item.discrimination = *upper - *lower;
    }
}

}  // namespace

int schoolMark(double percent, const Thresholds& thresholds) {
    const double p = percent + kPercentTolerance;
    if (p >= thresholds.five)
        return 5;
    if (p >= thresholds.four)
        return 4;
    if (p >= thresholds.three)
        return 3;
    return 2;
}

GradeReport grade(const Gradebook& book, qb::Recordset& questions, const Thresholds& thresholds,
                  const ClassList& classList) {
    GradeReport report;
    BaseNow base(questions);
    report.baseQuestions = int(questions.positionCount());
    report.items.reserve(report.baseQuestions);
    for (int position = 1; position <= report.baseQuestions; ++position) {
        ItemStats item;
        item.position = position;
        report.items << item;
    }

    // Each sheet with a place left undecided, and whether it is its code.
    QHash<int, bool> undecidedSheets;
    for (const ReviewItem& item : book.undecided())
        undecidedSheets[item.sheet] |= item.doubt == Doubt::Code;

    QList<Counted> counted;
    for (int sheet = 0; sheet < book.sheetCount(); ++sheet) {
        if (book.isSkipped(sheet))
            continue;
        if (undecidedSheets.contains(sheet)) {
            report.remarks << QStringLiteral("%1: %2 — лист не оценён")
                                  .arg(sheetLabel(book, sheet),
                                       undecidedSheets.value(sheet)
                                           ? QStringLiteral("код бланка не прочитан")
                                           : QStringLiteral("решены не все спорные места"));
            continue;
        }
        const FormRead& form = book.form(sheet);
        const printing::SheetCode& code = *form.code;
        const QList<printing::KeyEntry>& key = base.key(code);

        StudentResult student;
        student.sheet = sheet;
        student.listNumber = book.listNumber(sheet).value_or(std::nullopt);
        student.name = book.typedName(sheet);
        if (student.name.isEmpty() && student.listNumber)
            student.name = classList.value(*student.listNumber);
        student.variant = code.variant;
        student.chosen.resize(report.baseQuestions);

        Counted marks;
        QStringList gone;
        QStringList unprinted;
        for (int row = 0; row < code.questions.size(); ++row) {
            const printing::KeyEntry& entry = key.at(row);
            const std::optional<int> position =
                entry.missing ? std::nullopt : base.position(entry.id);
            if (!position || *position > report.baseQuestions) {
                gone << QString::number(row + 1);
                continue;
            }
            const Answer answer = book.answer(sheet, row).value_or(std::nullopt);
            const QList<int>& order = code.questions[row].order;
            const std::optional<int> option = answer && *answer < order.size()
                                                  ? std::optional<int>(order[*answer])
                                                  : std::nullopt;
            student.chosen[*position - 1] = option;
            if (!entry.printed) {
                unprinted << QStringLiteral("%1 (№ %2 в базе)").arg(row + 1).arg(*position);
                continue;
            }
            const bool right = answer == entry.printed;
            ++student.counted;
            student.right += right ? 1 : 0;
            marks.right.insert(*position, right);

            ItemStats& item = report.items[*position - 1];
            ++item.asked;
            item.right += right ? 1 : 0;
            if (option && *option >= 1 && *option <= int(item.chosen.size()))
                ++item.chosen[size_t(*option - 1)];
            else
                ++item.unanswered;
        }
        if (!gone.isEmpty())
            report.remarks << (gone.size() == 1
                                   ? QStringLiteral("%1: вопроса %2 больше нет в базе — он не "
                                                    "считается")
                                   : QStringLiteral("%1: вопросов %2 больше нет в базе — они не "
                                                    "считаются"))
                                  .arg(sheetLabel(book, sheet), joined(gone));
        if (!unprinted.isEmpty())
            report.remarks << (unprinted.size() == 1
                                   ? QStringLiteral("%1: верный ответ вопроса %2 по базе — "
                                                    "вариант, которого на листе нет; вопрос не "
                                                    "считается")
                                   : QStringLiteral("%1: верные ответы вопросов %2 по базе — "
                                                    "варианты, которых на листе нет; вопросы не "
                                                    "считаются"))
                                  .arg(sheetLabel(book, sheet), joined(unprinted));

        student.percent = student.counted > 0 ? 100.0 * student.right / student.counted : 0.0;
        student.mark = schoolMark(student.percent, thresholds);
        report.students << student;
        counted << marks;
    }

    for (ItemStats& item : report.items)
        if (item.asked > 0)
            item.difficulty = double(item.right) / item.asked;
    addDiscrimination(report.items, report.students, counted);
    return report;
}

}  // namespace grading
