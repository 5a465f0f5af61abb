#include "exchange/writers.h"

#include <QUrl>

namespace exchange::detail {

namespace {

// Moodle keeps a picture in the question's own file area and links it by this prefix.
const QString kFileLink = QStringLiteral("@@PLUGINFILE@@/");

QString escapeXml(QString text) {
    text.replace(u'&', QStringLiteral("&amp;"));
    text.replace(u'<', QStringLiteral("&lt;"));
    text.replace(u'>', QStringLiteral("&gt;"));
    text.replace(u'"', QStringLiteral("&quot;"));
    return text;
}

// Plain text as HTML showing the same: markup characters escaped, each line break a <br>.
// Escaped, the text can never close the CDATA section it is written in.
QString htmlOf(QStringView text) {
    return lines(text)
        .replaceInStrings(QStringLiteral("&"), QStringLiteral("&amp;"))
        .replaceInStrings(QStringLiteral("<"), QStringLiteral("&lt;"))
        .replaceInStrings(QStringLiteral(">"), QStringLiteral("&gt;"))
        .join(QStringLiteral("<br>"));
}

QByteArray htmlElement(const QString& html) {
    if (html.isEmpty())
        return QByteArrayLiteral("<text></text>");
    return "<text><![CDATA[" + html.toUtf8() + "]]></text>";
}

class MoodleXmlWriter final : public Writer {
public:
    bool carriesPictures() const override { return true; }

    void begin(QByteArray& out, const Header& header) override {
        const QString title = writable(header.title, true);
        const QString description = writable(header.description, true);
        out +=
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n"
            "  <question type=\"category\">\n"
            "    <category>\n"
            "      <text>" +
            escapeXml(QStringLiteral("$course$/top/") + title).toUtf8() +
            "</text>\n"
            "    </category>\n"
            "    <info format=\"html\">\n"
            "      " +
            htmlElement(htmlOf(description)) +
            "\n"
            "    </info>\n"
            "  </question>\n";
    }

    Written add(QByteArray& out, const Question& question) override {
        Written written;
        const auto html = [&written](const QString& text) {
            return htmlOf(writable(text, true, &written));
        };
        QString text = html(question.text);
        QString pictureName;
        if (question.picture) {
            pictureName = writable(question.picture->name, true);
            text += QStringLiteral("<br><img src=\"") + kFileLink +
                    QString::fromLatin1(QUrl::toPercentEncoding(pictureName)) +
                    QStringLiteral("\" alt=\"Рисунок\">");
        }
        const QString name = writable(question.name, true);

        out +=
            "  <question type=\"multichoice\">\n"
            "    <name>\n"
            "      <text>" +
            escapeXml(name).toUtf8() +
            "</text>\n"
            "    </name>\n"
            "    <questiontext format=\"html\">\n"
            "      " +
            htmlElement(text) + "\n";
        if (question.picture) {
            out += "      <file name=\"" + escapeXml(pictureName).toUtf8() +
                   "\" path=\"/\" encoding=\"base64\">" + question.picture->data.toBase64() +
                   "</file>\n";
        }
        // Teachers rely on the order of the options ("все перечисленные"), so it is kept.
        out +=
            "    </questiontext>\n"
            "    <defaultgrade>1</defaultgrade>\n"
            "    <single>true</single>\n"
            "    <shuffleanswers>0</shuffleanswers>\n"
            "    <answernumbering>abc</answernumbering>\n";
        for (qsizetype i = 0; i < question.options.size(); ++i) {
            out += QByteArrayLiteral("    <answer fraction=\"") +
                   (i == question.correct ? "100" : "0") +
                   "\" format=\"html\">\n"
                   "      " +
                   htmlElement(html(question.options.at(i))) +
                   "\n"
                   "    </answer>\n";
        }
        out += "  </question>\n";
        return written;
    }

    void end(QByteArray& out) override { out += "</quiz>\n"; }
};

}  // namespace

std::unique_ptr<Writer> moodleXmlWriter() {
    return std::make_unique<MoodleXmlWriter>();
}

}  // namespace exchange::detail
