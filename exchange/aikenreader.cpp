#include "exchange/source.h"
#include "exchange/writers.h"

#include <QRegularExpression>

namespace exchange {

Source readAiken(const QString& text) {
    static const QRegularExpression option(QStringLiteral("^([A-Z])[).][ \\t]*(.*)$"));
    static const QRegularExpression answer(QStringLiteral("^ANSWER:[ \\t]*([A-Z])?"));
    Source source;
    source.kind = SourceKind::Aiken;
    const QStringList lines = detail::lines(text);

    QStringList questionLines;
    QStringList options;
    QString letters;
    qsizetype firstLine = -1;
    const auto reset = [&] {
        questionLines.clear();
        options.clear();
        letters.clear();
        firstLine = -1;
    };
    const auto where = [&] { return QStringLiteral("строка %1").arg(firstLine + 1); };

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty()) {
            // A question cut short by an empty line has lost its answer line.
            if (!options.isEmpty()) {
                source.refused << Refusal{where(), QStringLiteral("нет строки ANSWER")};
                reset();
            }
            continue;
        }
        if (firstLine < 0)
            firstLine = i;
        if (const auto match = answer.match(line); match.hasMatch()) {
            const QString letter = match.captured(1);
            const qsizetype index = letter.isEmpty() ? -1 : letters.indexOf(letter);
            if (questionLines.isEmpty() || options.isEmpty())
                source.refused << Refusal{where(), QStringLiteral("нет вопроса или вариантов")};
            else if (index < 0)
                source.refused << Refusal{where(), QStringLiteral("нет верного ответа")};
            else {
                Question question;
                question.name = QStringLiteral("Вопрос %1")
                                    .arg(source.questions.size() + source.refused.size() + 1);
                question.text = questionLines.join(QStringLiteral("\r\n"));
                question.options = options;
                question.correct = index;
                source.questions << SourceQuestion{std::move(question), where(), {}};
            }
            reset();
            continue;
        }
        if (const auto match = option.match(line); match.hasMatch() && !questionLines.isEmpty()) {
            letters += match.captured(1);
            options << match.captured(2).trimmed();
            continue;
        }
        if (!options.isEmpty()) {
            // Text after the options that is neither one nor the answer line.
            source.refused << Refusal{where(), QStringLiteral("нет строки ANSWER")};
            reset();
            firstLine = i;
        }
        questionLines << line;
    }
    if (firstLine >= 0)
        source.refused << Refusal{where(), QStringLiteral("нет строки ANSWER")};
    return source;
}

}  // namespace exchange
