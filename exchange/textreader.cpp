#include "exchange/source.h"
#include "exchange/writers.h"

namespace exchange {

// The exporter's text: "* " or "  " before each field, a line of two spaces after each
// question. A line without either continues the field above it, since the exporter writes a
// line break inside a field as it stands.
Source readExporterText(const QString& text) {
    Source source;
    source.kind = SourceKind::ExporterText;
    QStringList lines = detail::lines(text);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();

    QStringList fields;
    QList<bool> marked;
    qsizetype firstLine = -1;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line == QLatin1String("  ")) {
            if (firstLine < 0)
                continue;
            const QString where = QStringLiteral("строка %1").arg(firstLine + 1);
            const qsizetype right = marked.indexOf(true, 1);
            if (fields.size() < 2)
                source.refused << Refusal{where, QStringLiteral("нет вариантов ответа")};
            else if (right < 0)
                source.refused << Refusal{
                    where, QStringLiteral("верный ответ не отмечен звёздочкой (выгрузите текст с "
                                          "«Помечать верный вариант ответа»)")};
            else if (marked.indexOf(true, right + 1) >= 0)
                source.refused << Refusal{where, QStringLiteral("несколько верных ответов")};
            else {
                Question question;
                question.name = QStringLiteral("Вопрос %1")
                                    .arg(source.questions.size() + source.refused.size() + 1);
                question.text = fields.first();
                question.options = fields.mid(1);
                question.correct = right - 1;
                source.questions << SourceQuestion{std::move(question), where, {}};
            }
            fields.clear();
            marked.clear();
            firstLine = -1;
            continue;
        }
        if (firstLine < 0)
            firstLine = i;
        const bool mark = line.startsWith(QLatin1String("* "));
        if (mark || line.startsWith(QLatin1String("  ")) || fields.isEmpty()) {
            fields << (mark || line.startsWith(QLatin1String("  ")) ? line.mid(2) : line);
            marked << mark;
        } else {
            fields.last() += QStringLiteral("\r\n") + line;
        }
    }
    if (firstLine >= 0)
        source.refused << Refusal{QStringLiteral("строка %1").arg(firstLine + 1),
                                  QStringLiteral("вопрос не закончен строкой из двух пробелов")};
    return source;
}

}  // namespace exchange
