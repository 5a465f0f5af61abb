#include "exchange/writers.h"

#include <QRegularExpression>

namespace exchange::detail {

namespace {

constexpr char16_t kFirstLetter = u'A';

// A question line that a reader would take for an option, for the answer line, or skip as too
// short to be a question.
bool misread(const QString& line) {
    static const QRegularExpression option(QStringLiteral("^[A-Z][).][ \\t]"));
    const QString trimmed = line.trimmed();
    return trimmed.size() < 2 || option.match(trimmed).hasMatch() ||
           trimmed.startsWith(QLatin1String("ANSWER:"));
}

class AikenWriter final : public Writer {
public:
    bool carriesPictures() const override { return false; }

    void begin(QByteArray&, const Header&) override {}

    Written add(QByteArray& out, const Question& question) override {
        Written written;
        // Each text is one line in Aiken.
        const auto line = [&written](const QString& text) {
            const QStringList parts = lines(writable(text, false, &written));
            if (parts.size() > 1)
                written.changes |= Change::LinesJoined;
            return parts.join(u' ');
        };
        QString text = line(question.text);
        if (misread(text))
            return {true, {}};
        text += u'\n';
        for (qsizetype i = 0; i < question.options.size(); ++i)
            text += QChar(char16_t(kFirstLetter + i)) + QStringLiteral(". ") +
                    line(question.options.at(i)) + u'\n';
        text += QStringLiteral("ANSWER: ") + QChar(char16_t(kFirstLetter + question.correct)) +
                QStringLiteral("\n\n");
        out += text.toUtf8();
        return written;
    }

    void end(QByteArray&) override {}
};

}  // namespace

std::unique_ptr<Writer> aikenWriter() {
    return std::make_unique<AikenWriter>();
}

}  // namespace exchange::detail
