#include "exchange/source.h"
#include "exchange/writers.h"

#include <QRegularExpression>

namespace exchange {

namespace {

// Aiken, a line at a time: each question is handed on at its ANSWER line, so a large file is
// never held whole.
class AikenLines {
public:
    explicit AikenLines(SourceSink& sink) : sink_(sink) {}

    void line(QStringView raw) {
        static const QRegularExpression option(QStringLiteral("^([A-Z])[).][ \\t]*(.*)$"));
        static const QRegularExpression answer(QStringLiteral("^ANSWER:[ \\t]*([A-Z])?"));
        const qsizetype i = lines_++;
        const QString line = raw.trimmed().toString();
        if (line.isEmpty()) {
            // A question cut short by an empty line has lost its answer line.
            if (!options_.isEmpty()) {
                refuse(QStringLiteral("нет строки ANSWER"));
                reset();
            }
            return;
        }
        if (firstLine_ < 0)
            firstLine_ = i;
        if (const auto match = answer.match(line); match.hasMatch()) {
            const QString letter = match.captured(1);
            const qsizetype index = letter.isEmpty() ? -1 : letters_.indexOf(letter);
            if (questionLines_.isEmpty() || options_.isEmpty()) {
                refuse(QStringLiteral("нет вопроса или вариантов"));
            } else if (index < 0) {
                refuse(QStringLiteral("нет верного ответа"));
            } else {
                Question question;
                question.name = QStringLiteral("Вопрос %1").arg(++offered_);
                question.text = questionLines_.join(QStringLiteral("\r\n"));
                question.options = options_;
                question.correct = index;
                sink_.take(SourceQuestion{std::move(question), where(), {}});
            }
            reset();
            return;
        }
        if (const auto match = option.match(line); match.hasMatch() && !questionLines_.isEmpty()) {
            letters_ += match.captured(1);
            options_ << match.captured(2).trimmed();
            return;
        }
        if (!options_.isEmpty()) {
            // Text after the options that is neither one nor the answer line.
            refuse(QStringLiteral("нет строки ANSWER"));
            reset();
            firstLine_ = i;
        }
        questionLines_ << line;
    }

    void finish() {
        if (firstLine_ >= 0)
            refuse(QStringLiteral("нет строки ANSWER"));
        reset();
        sink_.finish(SourceKind::Aiken, {});
    }

private:
    QString where() const { return QStringLiteral("строка %1").arg(firstLine_ + 1); }
    void refuse(const QString& reason) {
        ++offered_;
        sink_.refuse(Refusal{where(), reason});
    }
    void reset() {
        questionLines_.clear();
        options_.clear();
        letters_.clear();
        firstLine_ = -1;
    }

    SourceSink& sink_;
    QStringList questionLines_;
    QStringList options_;
    QString letters_;
    qsizetype firstLine_ = -1;
    qsizetype lines_ = 0;
    int offered_ = 0;
};

}  // namespace

Source readAiken(const QString& text) {
    Source source;
    detail::Collected collected(source);
    AikenLines lines(collected);
    detail::eachLine(text, [&](QStringView line) { lines.line(line); });
    lines.finish();
    return source;
}

void readAiken(QIODevice& device, bool utf8, SourceSink& sink) {
    AikenLines lines(sink);
    detail::readLines(device, utf8, sink, [&](QStringView line) { lines.line(line); });
    lines.finish();
}

}  // namespace exchange
