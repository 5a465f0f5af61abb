#include "exchange/source.h"
#include "exchange/writers.h"

#include <QRegularExpression>

#include <variant>

namespace exchange {

namespace {

// Escaped characters stand in the private use area while the markup is taken apart.
constexpr char16_t kEscapedBase = 0xE000;
const QString kEscapable = QStringLiteral(":#={}~n\\");

QString hideEscapes(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype index =
            text[i] == u'\\' && i + 1 < text.size() ? kEscapable.indexOf(text[i + 1]) : -1;
        if (index < 0) {
            out += text[i];
            continue;
        }
        out += QChar(char16_t(kEscapedBase + index));
        ++i;
    }
    return out;
}

QString showEscapes(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (unit < kEscapedBase || unit >= kEscapedBase + kEscapable.size())
            continue;
        const QChar original = kEscapable[unit - kEscapedBase];
        if (original == u'n')
            text.replace(i++, 1, QStringLiteral("\r\n"));
        else
            text[i] = original;
    }
    return text;
}

// How a GIFT text is written. Without a tag it is Moodle's own format: HTML in which each line
// break of the text is one too; "[html]" is HTML as it stands.
enum class GiftFormat { Plain, Html, Moodle };

// A text as GIFT writes it: an optional format first ("[plain]…"), otherwise the one it
// inherits.
struct GiftText {
    QString text;  // plain, with CR LF line breaks
    QString html;  // the markup it was read from; empty for plain and markdown
};

std::optional<GiftFormat> statedFormat(const QString& text) {
    static const QRegularExpression format(
        QStringLiteral("^\\s*\\[(html|moodle|plain|markdown)\\]"));
    const auto match = format.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString name = match.captured(1);
    return name == QLatin1String("html")     ? GiftFormat::Html
           : name == QLatin1String("moodle") ? GiftFormat::Moodle
                                             : GiftFormat::Plain;
}

GiftText textOf(QString text, GiftFormat inherited) {
    text = text.trimmed();
    const GiftFormat format = statedFormat(text).value_or(inherited);
    if (statedFormat(text))
        text = text.mid(text.indexOf(u']') + 1);
    // A line break of the file inside a text is one of the text.
    text = showEscapes(detail::lines(text.trimmed()).join(QStringLiteral("\r\n")));
    if (format == GiftFormat::Plain)
        return {trimmedText(text), {}};
    if (format == GiftFormat::Moodle)
        text.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    return {trimmedText(plainTextOfHtml(text)), text};
}

struct Taken {
    Question question;
    QStringList remarks;
};

// The question of one block, or why it is not one the base can hold.
std::variant<Taken, QString> readBlock(QString text) {
    QString name;
    if (text.startsWith(QLatin1String("::"))) {
        const qsizetype end = text.indexOf(QLatin1String("::"), 2);
        if (end >= 0) {
            name = showEscapes(text.mid(2, end - 2)).trimmed();
            text = text.mid(end + 2).trimmed();
        }
    }
    const qsizetype open = text.indexOf(u'{');
    const qsizetype close = text.indexOf(u'}');
    if (open < 0 && close < 0)
        return QStringLiteral("это описание, а не вопрос");
    if (open < 0 || close < open)
        return QStringLiteral("непарные фигурные скобки");
    QString answers = text.mid(open + 1, close - open - 1).trimmed();
    // As Moodle reads it: answers before the end leave a blank in the text.
    const QString after = text.mid(close + 1);
    QString questionText =
        text.left(open) + (after.trimmed().isEmpty() ? QString() : QStringLiteral("_____") + after);
    const qsizetype feedback = answers.lastIndexOf(QLatin1String("####"));
    if (feedback >= 0)
        answers = answers.left(feedback).trimmed();

    if (answers.isEmpty())
        return QStringLiteral("вопрос без вариантов (эссе)");
    if (answers.startsWith(u'#'))
        return QStringLiteral("числовой вопрос, а не выбор ответа");
    if (!answers.contains(u'~')) {
        if (answers.contains(u'=') && answers.contains(QLatin1String("->")))
            return QStringLiteral("вопрос на соответствие, а не выбор ответа");
        const QString truth = answers.section(u'#', 0, 0).trimmed();
        if (truth == QLatin1String("T") || truth == QLatin1String("TRUE") ||
            truth == QLatin1String("F") || truth == QLatin1String("FALSE"))
            return QStringLiteral("вопрос «верно или неверно», а не выбор ответа");
        return QStringLiteral("вопрос с кратким ответом, а не выбор ответа");
    }

    static const QRegularExpression weight(QStringLiteral("^%-*[0-9]{1,2}\\.?[0-9]*%"));
    Question question;
    question.name = name;
    // Answers without a format of their own take the question's.
    const GiftFormat textFormat = statedFormat(questionText).value_or(GiftFormat::Moodle);
    const GiftText read = textOf(questionText, GiftFormat::Moodle);
    question.text = read.text;
    QStringList problems;
    if (!read.html.isEmpty())
        question.picture = pictureOfHtml(read.html, {}, problems);
    answers.replace(u'=', QStringLiteral("~="));
    QStringList parts = answers.split(u'~');
    if (!parts.isEmpty() && parts.first().trimmed().isEmpty())
        parts.removeFirst();
    int right = 0;
    int partly = 0;
    QList<QList<HtmlMedia>> optionMedia;
    for (QString answer : parts) {
        answer = answer.trimmed();
        double fraction = 0;
        if (answer.startsWith(u'=')) {
            fraction = 1;
            answer = answer.mid(1);
        } else if (const auto match = weight.match(answer); match.hasMatch()) {
            // The weight is everything between the two signs, "%-33.3%" or "%100%".
            fraction = answer.mid(1, match.capturedLength() - 2).toDouble() / 100;
            answer = answer.mid(match.capturedLength());
        }
        // Feedback after '#' is the platform's, not the question's.
        answer = answer.section(u'#', 0, 0);
        if (fraction >= 1) {
            question.correct = question.options.size();
            ++right;
        } else if (fraction > 0) {
            ++partly;
        }
        const GiftText option = textOf(answer, textFormat);
        question.options << option.text;
        optionMedia << mediaOfHtml(option.html);
    }
    if (right > 1 || (right == 0 && partly > 1))
        return QStringLiteral("несколько верных ответов");
    if (right == 0)
        return QStringLiteral("нет верного ответа");
    if (partly > 0)
        problems << QStringLiteral(
            "частичные баллы не сохранены: верным остался ответ с полным баллом");
    if (const auto reason =
            optionMediaRefusal(optionMedia, question.options, question.correct, problems))
        return *reason;
    return Taken{std::move(question), problems};
}

// Blocks of lines between empty lines, each a question handed on as soon as it ends.
class GiftBlocks {
public:
    explicit GiftBlocks(SourceSink& sink) : sink_(sink) {}

    void line(QStringView line) {
        const qsizetype number = lines_++;
        if (line.trimmed().isEmpty()) {
            finish();
            return;
        }
        if (block_.isEmpty())
            firstLine_ = number;
        block_ << line.toString();
    }

    void finish() {
        // Comment lines go; the rest is one question.
        QStringList kept;
        for (const QString& line : std::as_const(block_)) {
            if (!line.trimmed().startsWith(QLatin1String("//")))
                kept << line;
            else if (kept.isEmpty())
                ++firstLine_;  // a report points at the question, not at the comment above it
        }
        block_.clear();
        const QString joined = hideEscapes(kept.join(u'\n').trimmed());
        if (joined.isEmpty() || joined.startsWith(QLatin1String("$CATEGORY:")))
            return;
        const QString where = QStringLiteral("строка %1").arg(firstLine_ + 1);
        ++questions_;
        auto read = readBlock(joined);
        if (auto* reason = std::get_if<QString>(&read)) {
            sink_.refuse(Refusal{where, *reason});
            return;
        }
        Taken taken = std::get<Taken>(std::move(read));
        if (taken.question.name.isEmpty())
            taken.question.name = QStringLiteral("Вопрос %1").arg(questions_);
        sink_.take(SourceQuestion{std::move(taken.question), where, taken.remarks});
    }

private:
    SourceSink& sink_;
    QStringList block_;
    qsizetype firstLine_ = 0;
    qsizetype lines_ = 0;
    int questions_ = 0;
};

}  // namespace

Source readGift(const QString& text) {
    Source source;
    detail::Collected collected(source);
    // Line by line over the text itself: a copy of every line would double a large file.
    GiftBlocks blocks(collected);
    detail::eachLine(text, [&](QStringView line) { blocks.line(line); });
    blocks.finish();
    collected.finish(SourceKind::Gift, {});
    return source;
}

void readGift(QIODevice& device, bool utf8, SourceSink& sink) {
    GiftBlocks blocks(sink);
    detail::readLines(device, utf8, sink, [&](QStringView line) { blocks.line(line); });
    blocks.finish();
    sink.finish(SourceKind::Gift, {});
}

}  // namespace exchange
