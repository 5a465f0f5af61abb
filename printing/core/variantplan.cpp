#include "printing/core/variantplan.h"

#include "exporter/core/wordexport.h"
#include "questionbase/columns.h"
#include "questionbase/recordset.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <limits>
#include <optional>

namespace printing {

namespace columns = qb::columns;

quint64 Shuffler::below(quint64 n) {
    // 2^64 mod n values at the bottom of the engine's range would make the smaller remainders
    // likelier; drawing again past them leaves a range that is a whole multiple of n.
    const quint64 skip = (quint64(0) - n) % n;
    for (;;) {
        const quint64 r = engine_();
        if (r >= skip)
            return r % n;
    }
}

namespace {

// Word by word, lower case with ё as е; a word ending in "*" is a stem, any ending passes,
// the others must be the whole word. A phrase matches anywhere in the option, so "Верны все
// перечисленные ответы" is as much a reference to the others as "все перечисленные".
const char* const kReferencePhrases[] = {
    "вс* перечисл*",
    "вс* вышеперечисл*",
    "вс* выше перечисл*",
    "вс* из перечисл*",
    "вс* вышеуказанн*",
    "вс* указанн* выше",
    "ни од* из перечисл*",
    "ни од* из вышеперечисл*",
    "ни од* из вариант*",
    "ни од* из ответ*",
    "ни од* не верен",
    "ни од* не верн*",
    "никак* из перечисл*",
    "ничего из перечисл*",
    "ничего из вышеперечисл*",
    "ни то ни другое",
    "и то и другое",
    "вс* ответ* верн*",
    "вс* ответ* неверн*",
    "вс* ответ* правильн*",
    "вс* ответ* неправильн*",
    "вс* вариант* верн*",
    "вс* вариант* неверн*",
    "вс* вариант* правильн*",
    "вс* вариант* неправильн*",
    "нет верн* ответ*",
    "нет правильн* ответ*",
    "нет верн* вариант*",
    "нет правильн* вариант*",
    "оба вариант*",
    "оба ответ*",
    "оба верн*",
    "оба правильн*",
    "обе верн*",
    "all of the above",
    "all the above",
    "none of the above",
    "both of the above",
    "neither of the above",
    "all of these",
    "none of these",
    "both of these",
    "all answers are correct",
    "no correct answer",
};

QStringList wordsOf(const QString& text) {
    static const QRegularExpression separators(QStringLiteral("[^\\w]+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QString folded = text.toLower();
    folded.replace(QChar(u'ё'), QChar(u'е'));
    return folded.split(separators, Qt::SkipEmptyParts);
}

bool wordMatches(const QString& word, const QString& pattern) {
    if (pattern.endsWith(QLatin1Char('*')))
        return word.startsWith(QStringView(pattern).chopped(1));
    return word == pattern;
}

bool containsPhrase(const QStringList& words, const QStringList& phrase) {
    for (qsizetype start = 0; start + phrase.size() <= words.size(); ++start) {
        bool all = true;
        for (qsizetype i = 0; i < phrase.size() && all; ++i)
            all = wordMatches(words.at(start + i), phrase.at(i));
        if (all)
            return true;
    }
    return false;
}

// What reading one position gave: the question, or why the teacher will not see it.
struct Reading {
    std::optional<PrintQuestion> question;
    QStringList remarks;
};

QString textOf(qb::Recordset& questions, const QString& column) {
    const QVariant value = questions.field(column).value();
    return value.isNull() ? QString() : value.toString();
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

Reading readQuestion(qb::Recordset& questions, const QString& basePath, qint64 position,
                     qint64 id) {
    Reading reading;
    if (!questions.moveToRow(id))
        return reading;
    const auto remark = [&](const QString& reason) {
        reading.remarks << QStringLiteral("Вопрос № %1: %2").arg(position).arg(reason);
    };

    PrintQuestion question;
    question.id = id;
    question.position = position;
    question.text = textOf(questions, columns::kQuestion);
    int filled = 0;
    for (int i = 0; i < kOptionCount; ++i) {
        const QString option = textOf(questions, columns::option(i));
        if (!blank(option)) {
            question.options[size_t(i)] = option;
            ++filled;
        }
    }
    bool numbered = false;
    question.correct = questions.field(columns::kCorrect).value().toInt(&numbered);

    if (blank(question.text)) {
        remark(QStringLiteral("нет текста вопроса"));
        return reading;
    }
    if (filled < 2) {
        remark(QStringLiteral("меньше двух вариантов ответа"));
        return reading;
    }
    if (!numbered || question.correct < 1 || question.correct > kOptionCount) {
        remark(QStringLiteral("не указан верный ответ"));
        return reading;
    }
    if (question.options[size_t(question.correct - 1)].isEmpty()) {
        remark(QStringLiteral("верный ответ — пустой вариант"));
        return reading;
    }

    const QString stored = textOf(questions, columns::kPicture);
    if (!blank(stored)) {
        const QString path = exporter::picturePath(basePath, stored.trimmed());
        if (QFileInfo(path).isFile())
            question.picture = path;
        else
            remark(QStringLiteral("нет файла картинки «%1»").arg(stored.trimmed()));
    }
    reading.question = std::move(question);
    return reading;
}

// Reads each position at most once, however many draws come to it.
class QuestionReader {
public:
    QuestionReader(qb::Recordset& questions, const QString& basePath)
        : questions_(questions), basePath_(basePath) {}

    // Whether the question at `position` can be printed.
    bool printable(qint64 position) {
        auto known = read_.constFind(position);
        if (known == read_.constEnd()) {
            const std::optional<qint64> id = questions_.idAt(position);
            Reading reading;
            if (id)
                reading = readQuestion(questions_, basePath_, position, *id);
            if (!reading.remarks.isEmpty())
                remarks_.insert(position, reading.remarks);
            known = read_.insert(position, std::move(reading.question));
        }
        return known->has_value();
    }

    // Every printable question read, in the base's order, and each one's index in that list.
    QList<PrintQuestion> questions(QHash<qint64, int>& indexOfPosition) const {
        QList<qint64> positions = read_.keys();
        std::sort(positions.begin(), positions.end());
        QList<PrintQuestion> list;
        for (qint64 position : positions) {
            const std::optional<PrintQuestion>& question = read_.value(position);
            if (!question)
                continue;
            indexOfPosition.insert(position, int(list.size()));
            list << *question;
        }
        return list;
    }

    QStringList remarks() const {
        QStringList all;
        for (const QStringList& some : remarks_)
            all << some;
        return all;
    }

private:
    qb::Recordset& questions_;
    QString basePath_;
    QHash<qint64, std::optional<PrintQuestion>> read_;
    QMap<qint64, QStringList> remarks_;
};

// The positions of every printable question, in the base's order.
QList<qint64> takeAll(QuestionReader& reader, qint64 total) {
    QList<qint64> taken;
    for (qint64 position = 1; position <= total; ++position)
        if (reader.printable(position))
            taken << position;
    return taken;
}

// Up to `wanted` printable positions at random, in the base's order. A partial Fisher–Yates
// over 1 … total: only the positions it reaches are read, so a small draw from a large base
// costs a few rows, and the unprintable ones it meets are passed over.
QList<qint64> draw(QuestionReader& reader, qint64 total, qint64 wanted, Shuffler& chance) {
    QHash<qint64, qint64> moved;  // the slots the swaps have touched; the rest hold themselves
    const auto slot = [&](qint64 i) { return moved.value(i, i); };
    QList<qint64> taken;
    for (qint64 i = 1; i <= total && taken.size() < wanted; ++i) {
        const qint64 j = i + qint64(chance.below(quint64(total - i + 1)));
        const qint64 position = slot(j);
        moved.insert(j, slot(i));
        if (reader.printable(position))
            taken << position;
    }
    std::sort(taken.begin(), taken.end());
    return taken;
}

// The filled options in the base's order, the free ones shuffled around those that speak of
// the others.
QList<int> optionOrder(const PrintQuestion& question, bool shuffle, Shuffler& chance) {
    QList<int> filled;
    for (int i = 0; i < kOptionCount; ++i)
        if (!question.options[size_t(i)].isEmpty())
            filled << i + 1;
    if (!shuffle)
        return filled;
    QList<int> free;
    for (int number : filled)
        if (!speaksOfOthers(question.options[size_t(number - 1)]))
            free << number;
    chance.shuffle(free);
    QList<int> order;
    qsizetype next = 0;
    for (int number : filled)
        order << (speaksOfOthers(question.options[size_t(number - 1)]) ? number : free[next++]);
    return order;
}

}  // namespace

bool speaksOfOthers(const QString& option) {
    static const QList<QStringList> phrases = [] {
        QList<QStringList> list;
        for (const char* phrase : kReferencePhrases)
            list << QString::fromUtf8(phrase).split(QLatin1Char(' '));
        return list;
    }();
    const QStringList words = wordsOf(option);
    return std::any_of(phrases.cbegin(), phrases.cend(),
                       [&](const QStringList& phrase) { return containsPhrase(words, phrase); });
}

PrintSet planPrint(qb::Recordset& questions, const QString& basePath, const PrintChoices& choices) {
    while (!questions.learnPositions(4096)) {
    }
    const qint64 total = questions.positionCount();
    const int variantCount = std::clamp(choices.variants, 1, PrintChoices::kMaxVariants);
    const bool everyQuestion =
        choices.questionsPerVariant <= 0 || choices.questionsPerVariant >= total;

    Shuffler chance(choices.seed);
    QuestionReader reader(questions, basePath);
    // Each variant's positions, drawn (and shuffled) in the one order the seed is spent in.
    QList<QList<qint64>> placed;
    QList<qint64> drawn;
    for (int v = 0; v < variantCount; ++v) {
        if (v == 0 || choices.drawForEachVariant)
            drawn = everyQuestion ? takeAll(reader, total)
                                  : draw(reader, total, choices.questionsPerVariant, chance);
        QList<qint64> order = drawn;
        if (choices.shuffleQuestions)
            chance.shuffle(order);
        placed << order;
    }

    PrintSet set;
    set.title = choices.title;
    QHash<qint64, int> indexOfPosition;
    set.questions = reader.questions(indexOfPosition);
    set.remarks = reader.remarks();
    for (int v = 0; v < variantCount; ++v) {
        Variant variant;
        variant.number = v + 1;
        for (qint64 position : placed.at(v)) {
            VariantQuestion question;
            question.question = indexOfPosition.value(position);
            question.optionOrder =
                optionOrder(set.questions.at(question.question), choices.shuffleOptions, chance);
            variant.questions << question;
        }
        set.variants << variant;
    }
    return set;
}

}  // namespace printing
