#include "printing/core/variantplan.h"

#include "exporter/core/wordexport.h"
#include "questionbase/columns.h"
#include "questionbase/recordset.h"

#include <QFileInfo>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <array>
#include <functional>
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
    QStringList words;
    QString word;
    for (QChar c : text) {
        if (c.isLetterOrNumber()) {
            word += c == u'ё' || c == u'Ё' ? QChar(u'е') : c.toLower();
        } else if (!word.isEmpty()) {
            words << word;
            word.clear();
        }
    }
    if (!word.isEmpty())
        words << word;
    return words;
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

// Where the columns a question needs stand in a row of `test`.
struct Columns {
    explicit Columns(qb::Recordset& questions)
        : question(questions.field(columns::kQuestion).position()),
          picture(questions.field(columns::kPicture).position()),
          correct(questions.field(columns::kCorrect).position()) {
        for (int i = 0; i < kOptionCount; ++i)
            options[size_t(i)] = questions.field(columns::option(i)).position();
    }
    int question;
    std::array<int, kOptionCount> options{};
    int picture;
    int correct;
};

// A row's value in a column, from a walk's row view or from the recordset's current row.
using ValueAt = std::function<QVariant(int column)>;

QString textOf(const ValueAt& value, int column) {
    const QVariant v = value(column);
    return v.isNull() ? QString() : v.toString();
}

bool blank(const QString& text) {
    return text.trimmed().isEmpty();
}

Reading readQuestion(const ValueAt& value, const Columns& at, const QString& basePath,
                     qint64 position, qint64 id) {
    Reading reading;
    const auto remark = [&](const QString& reason) {
        reading.remarks << QStringLiteral("Вопрос № %1: %2").arg(position).arg(reason);
    };

    PrintQuestion question;
    question.id = id;
    question.position = position;
    question.text = textOf(value, at.question);
    int filled = 0;
    for (int i = 0; i < kOptionCount; ++i) {
        const QString option = textOf(value, at.options[size_t(i)]);
        if (!blank(option)) {
            question.options[size_t(i)] = option;
            ++filled;
        }
    }
    bool numbered = false;
    question.correct = value(at.correct).toInt(&numbered);

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

    const QString stored = textOf(value, at.picture);
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
        : questions_(questions), columns_(questions), basePath_(basePath) {}

    // Whether the question at `position` can be printed.
    bool printable(qint64 position) {
        auto known = read_.constFind(position);
        if (known != read_.constEnd())
            return known->has_value();
        const std::optional<qint64> id = questions_.idAt(position);
        if (!id)
            return keep(position, {});
        questions_.moveTo(position);
        return keep(position,
                    readQuestion([this](int column) { return questions_.field(column).value(); },
                                 columns_, basePath_, position, *id));
    }

    // Every question in one pass over the table: a walk reads far faster than as many jumps.
    void readAll() {
        qint64 position = 0;
        questions_.forEachRow([&](const qb::RowView& row) {
            ++position;
            if (!read_.contains(position))
                keep(position, readQuestion([&row](int column) { return row.value(column); },
                                            columns_, basePath_, position, row.id()));
        });
    }

    // Reads the positions not read yet from the last to the first: the store reads a row met
    // backwards alone, while a step forwards makes it read a long run ahead for a walk, which a
    // scattered draw would throw away.
    void readBackwards(QList<qint64> positions) {
        std::sort(positions.begin(), positions.end(), std::greater<>());
        for (qint64 position : positions)
            printable(position);
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
    bool keep(qint64 position, Reading reading) {
        if (!reading.remarks.isEmpty())
            remarks_.insert(position, reading.remarks);
        return read_.insert(position, std::move(reading.question))->has_value();
    }

    qb::Recordset& questions_;
    Columns columns_;
    QString basePath_;
    QHash<qint64, std::optional<PrintQuestion>> read_;
    QMap<qint64, QStringList> remarks_;
};

// The positions of every printable question, in the base's order.
QList<qint64> takeAll(QuestionReader& reader, qint64 total) {
    reader.readAll();
    QList<qint64> taken;
    for (qint64 position = 1; position <= total; ++position)
        if (reader.printable(position))
            taken << position;
    return taken;
}

// Up to `wanted` printable positions at random, in the base's order. A partial Fisher–Yates
// over 1 … total: only the positions it reaches are read, so a small draw from a large base
// costs a few rows. It draws as many as are still wanted, reads them, and draws again for the
// unprintable ones it met; the reading order spends no chance, so the seed alone fixes the draw.
QList<qint64> draw(QuestionReader& reader, qint64 total, qint64 wanted, Shuffler& chance) {
    QHash<qint64, qint64> moved;  // the slots the swaps have touched; the rest hold themselves
    const auto slot = [&](qint64 i) { return moved.value(i, i); };
    QList<qint64> taken;
    qint64 next = 1;
    while (taken.size() < wanted && next <= total) {
        QList<qint64> batch;
        for (; next <= total && taken.size() + batch.size() < wanted; ++next) {
            const qint64 j = next + qint64(chance.below(quint64(total - next + 1)));
            batch << slot(j);
            moved.insert(j, slot(next));
        }
        reader.readBackwards(batch);
        for (qint64 position : batch)
            if (reader.printable(position))
                taken << position;
    }
    std::sort(taken.begin(), taken.end());
    return taken;
}

// The options of a question that keep their place, one bit each (bit 0 for option 1).
using Pinned = quint8;

Pinned pinnedOptions(const PrintQuestion& question) {
    Pinned pinned = 0;
    for (int i = 0; i < kOptionCount; ++i)
        if (!question.options[size_t(i)].isEmpty() && speaksOfOthers(question.options[size_t(i)]))
            pinned |= Pinned(1u << i);
    return pinned;
}

// The filled options in the base's order, the free ones shuffled around the pinned ones.
QList<int> optionOrder(const PrintQuestion& question, bool shuffle, Pinned pinned,
                       Shuffler& chance) {
    QList<int> filled;
    for (int i = 0; i < kOptionCount; ++i)
        if (!question.options[size_t(i)].isEmpty())
            filled << i + 1;
    if (!shuffle)
        return filled;
    const auto isPinned = [&](int number) { return (pinned >> (number - 1)) & 1u; };
    QList<int> free;
    for (int number : filled)
        if (!isPinned(number))
            free << number;
    chance.shuffle(free);
    QList<int> order;
    qsizetype next = 0;
    for (int number : filled)
        order << (isPinned(number) ? number : free[next++]);
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
        if (v == 0 || (choices.drawForEachVariant && !everyQuestion))
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
    QList<Pinned> pinned;
    if (choices.shuffleOptions)
        for (const PrintQuestion& question : set.questions)
            pinned << pinnedOptions(question);
    for (int v = 0; v < variantCount; ++v) {
        Variant variant;
        variant.number = v + 1;
        for (qint64 position : placed.at(v)) {
            VariantQuestion question;
            question.question = indexOfPosition.value(position);
            question.optionOrder =
                optionOrder(set.questions.at(question.question), choices.shuffleOptions,
                            pinned.value(question.question), chance);
            variant.questions << question;
        }
        set.variants << variant;
    }
    return set;
}

}  // namespace printing
