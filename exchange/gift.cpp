#include "exchange/writers.h"

#include <QRegularExpression>

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
QString oneLine(QString text) {
    replaceUnwritable(text, false);
    return lines(text).join(u' ');
}

// An option that a reader would take for something else gets a prefix that says what it is:
// a wrong option opening with a weight such as "%50%" gets the weight 0, and one opening with
// "[" gets the plain format, which would otherwise read "[html]" as a format.
QString guardedOption(const QString& escaped, bool right) {
    static const QRegularExpression weight(QStringLiteral("^%-*[0-9]{1,2}\\.?[0-9]*%"));
    const QString trimmed = escaped.trimmed();
    QString guard;
    if (!right && weight.match(trimmed).hasMatch())
        guard = QStringLiteral("%0%");
    if (trimmed.startsWith(u'['))
        guard += QStringLiteral("[plain]");
    return guard + escaped;
}

class GiftWriter final : public Writer {
public:
    bool carriesPictures() const override { return false; }

    void begin(QByteArray& out, const Header& header) override {
        const QString title = oneLine(header.title);
        QString text = QStringLiteral("// Вопросы базы «%1»\n").arg(title);
        if (!header.description.isEmpty()) {
            QString description = header.description;
            replaceUnwritable(description, false);
            for (const QString& line : lines(description))
                text += QStringLiteral("// ") + line + u'\n';
        }
        text += QStringLiteral("\n$CATEGORY: $course$/top/") + title + QStringLiteral("\n\n");
        out += text.toUtf8();
    }

    Written add(QByteArray& out, const Question& question) override {
        Written written;
        const auto escape = [&written](QString text) {
            if (replaceUnwritable(text, false))
                written.changes |= Change::CharactersReplaced;
            return escapeGift(text);
        };
        // Plain text: shown exactly as written, where Moodle's own default would read markup.
        QString text = QStringLiteral("::") + escape(question.name) + QStringLiteral("::[plain]") +
                       escape(question.text) + u'{';
        for (qsizetype i = 0; i < question.options.size(); ++i) {
            const bool right = i == question.correct;
            if (i > 0)
                text += u' ';
            text += (right ? u'=' : u'~') + guardedOption(escape(question.options.at(i)), right);
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
