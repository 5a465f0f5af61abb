#include "exchange/source.h"
#include "exchange/writers.h"

namespace exchange {

namespace {

// The exporter's text: "* " or "  " before each field, a line of two spaces after each
// question. A line without either continues the field above it, since the exporter writes a
// line break inside a field as it stands. Each question is handed on at its closing line.
class ExporterLines {
public:
    explicit ExporterLines(SourceSink& sink) : sink_(sink) {}

    void line(QStringView line) {
        const qsizetype i = lines_++;
        if (line == QLatin1String("  ")) {
            if (firstLine_ >= 0)
                close();
            return;
        }
        if (firstLine_ < 0)
            firstLine_ = i;
        const bool mark = line.startsWith(QLatin1String("* "));
        const bool field = mark || line.startsWith(QLatin1String("  "));
        if (field || fields_.isEmpty()) {
            fields_ << (field ? line.mid(2) : line).toString();
            marked_ << mark;
        } else {
            fields_.last() += QStringLiteral("\r\n");
            fields_.last() += line;
        }
    }

    void finish() {
        if (firstLine_ >= 0)
            sink_.refuse(Refusal{where(), QStringLiteral("вопрос не закончен строкой из двух "
                                                         "пробелов")});
        sink_.finish(SourceKind::ExporterText, {});
    }

private:
    QString where() const { return QStringLiteral("строка %1").arg(firstLine_ + 1); }

    void close() {
        ++offered_;
        const qsizetype right = marked_.indexOf(true, 1);
        if (fields_.size() < 2)
            sink_.refuse(Refusal{where(), QStringLiteral("нет вариантов ответа")});
        else if (right < 0)
            sink_.refuse(Refusal{
                where(), QStringLiteral("верный ответ не отмечен звёздочкой (выгрузите текст с "
                                        "«Помечать верный вариант ответа»)")});
        else if (marked_.indexOf(true, right + 1) >= 0)
            sink_.refuse(Refusal{where(), QStringLiteral("несколько верных ответов")});
        else {
            Question question;
            question.name = QStringLiteral("Вопрос %1").arg(offered_);
            question.text = fields_.first();
            question.options = fields_.mid(1);
            question.correct = right - 1;
            sink_.take(SourceQuestion{std::move(question), where(), {}});
        }
        fields_.clear();
        marked_.clear();
        firstLine_ = -1;
    }

    SourceSink& sink_;
    QStringList fields_;
    QList<bool> marked_;
    qsizetype firstLine_ = -1;
    qsizetype lines_ = 0;
    int offered_ = 0;
};

}  // namespace

Source readExporterText(const QString& text) {
    Source source;
    detail::Collected collected(source);
    ExporterLines lines(collected);
    // The break that ends the last line opens no line of its own.
    QStringView rest(text);
    if (rest.endsWith(QLatin1String("\r\n")))
        rest.chop(2);
    else if (rest.endsWith(u'\n') || rest.endsWith(u'\r'))
        rest.chop(1);
    if (!text.isEmpty())
        detail::eachLine(rest, [&](QStringView line) { lines.line(line); });
    lines.finish();
    return source;
}

void readExporterText(QIODevice& device, bool utf8, SourceSink& sink) {
    ExporterLines lines(sink);
    detail::readLines(device, utf8, sink, [&](QStringView line) { lines.line(line); });
    lines.finish();
}

}  // namespace exchange
