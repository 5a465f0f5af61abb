#include "exchange/writers.h"

namespace exchange::detail {

namespace {

// Every character GIFT gives a meaning to is written after a backslash, and a line break as
// "\n": a question then stays on one line, as the format's blocks need.
QString escapeGift(QStringView text) {
    QString escaped;
    escaped.reserve(text.size() + 8);
    const QStringList parts = lines(text);
    for (qsizetype line = 0; line < parts.size(); ++line) {
        if (line > 0)
            escaped += QStringLiteral("\\n");
        for (const QChar c : parts.at(line)) {
            if (c == u'\\' || c == u'~' || c == u'=' || c == u'#' || c == u'{' || c == u'}' ||
                c == u':')
                escaped += u'\\';
            escaped += c;
        }
    }
    return escaped;
}

// One line of the text with each line break a space: for the header's comments and category.
QString oneLine(const QString& text) {
    return lines(writable(text, false)).join(u' ');
}

// An option opening with "%" would be read as a weight ("%50%"), one opening with "[" as a text
// format ("[html]"); stating the plain format first makes either read as written.
QString guardedOption(const QString& escaped) {
    const QString trimmed = escaped.trimmed();
    if (trimmed.startsWith(u'%') || trimmed.startsWith(u'['))
        return QStringLiteral("[plain]") + escaped;
    return escaped;
}

class GiftWriter final : public Writer {
public:
    bool carriesPictures() const override { return false; }

    void begin(QByteArray& out, const Header& header) override {
        const QString title = oneLine(header.title);
        QString text = QStringLiteral("// Вопросы базы «%1»\n").arg(title);
        if (!header.description.isEmpty()) {
            for (const QString& line : lines(writable(header.description, false)))
                text += QStringLiteral("// ") + line + u'\n';
        }
        text += QStringLiteral("\n$CATEGORY: $course$/top/") + title + QStringLiteral("\n\n");
        out += text.toUtf8();
    }

    Written add(QByteArray& out, const Question& question) override {
        Written written;
        const auto escape = [&written](const QString& text) {
            return escapeGift(writable(text, false, &written));
        };
        // Plain text: shown exactly as written, where Moodle's own default would read markup.
        QString text = QStringLiteral("::") + escape(question.name) + QStringLiteral("::[plain]") +
                       escape(question.text) + u'{';
        for (qsizetype i = 0; i < question.options.size(); ++i) {
            if (i > 0)
                text += u' ';
            text += (i == question.correct ? u'=' : u'~') +
                    guardedOption(escape(question.options.at(i)));
        }
        text += QStringLiteral("}\n\n");
        out += text.toUtf8();
        return written;
    }

    void end(QByteArray&) override {}
};

}  // namespace

std::unique_ptr<Writer> giftWriter() {
    return std::make_unique<GiftWriter>();
}

}  // namespace exchange::detail
