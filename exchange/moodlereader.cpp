#include "exchange/source.h"

#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>

namespace exchange {

namespace {

struct Text {
    QString text;
    QString format;
    QList<Picture> files;
};

// <text> and <file> children of the element the reader stands on.
Text readText(QXmlStreamReader& xml) {
    Text text;
    text.format = xml.attributes().value(QLatin1String("format")).toString();
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("text")) {
            text.text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.name() == QLatin1String("file")) {
            Picture file;
            file.name = xml.attributes().value(QLatin1String("name")).toString();
            const bool base64 =
                xml.attributes().value(QLatin1String("encoding")) == QLatin1String("base64");
            const QString data = xml.readElementText();
            if (base64 && data.size() <= kMaxPictureBytes / 3 * 4 + 1024) {
                auto decoded = QByteArray::fromBase64Encoding(
                    data.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
                if (decoded)
                    file.data = *decoded;
            }
            text.files << file;
        } else {
            xml.skipCurrentElement();
        }
    }
    return text;
}

QString plain(const Text& text) {
    if (text.format == QLatin1String("plain_text") || text.format == QLatin1String("markdown"))
        return text.text;
    return plainTextOfHtml(text.text);
}

// The picture the question text shows: the first image that links a file of the question.
std::optional<Picture> pictureOf(const Text& text, QStringList& problems) {
    static const QRegularExpression image(
        QStringLiteral("<img[^>]*src=\"@@PLUGINFILE@@/([^\"]*)\""),
        QRegularExpression::CaseInsensitiveOption);
    auto matches = image.globalMatch(text.text);
    if (!matches.hasNext())
        return std::nullopt;
    const QString name =
        QUrl::fromPercentEncoding(matches.next().captured(1).toUtf8()).section(u'?', 0, 0);
    if (matches.hasNext())
        problems << QStringLiteral("в тексте несколько картинок, взята первая");
    for (const Picture& file : text.files) {
        if (file.name == name) {
            if (file.data.isEmpty())
                problems << QStringLiteral("картинка «%1» повреждена").arg(name);
            else
                return file;
            return std::nullopt;
        }
    }
    problems << QStringLiteral("картинки «%1» нет в файле").arg(name);
    return std::nullopt;
}

}  // namespace

Source readMoodleXml(const QByteArray& bytes) {
    Source source;
    source.kind = SourceKind::MoodleXml;
    QXmlStreamReader xml(bytes);
    int number = 0;
    bool described = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        // A document type may declare entities that expand without end; a quiz has none.
        if (token == QXmlStreamReader::DTD)
            throw SourceError(QStringLiteral("Файл Moodle XML с объявлением DTD не принимается"));
        if (token != QXmlStreamReader::StartElement || xml.name() != QLatin1String("question"))
            continue;
        const QString type = xml.attributes().value(QLatin1String("type")).toString();
        if (type == QLatin1String("category")) {
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("info") && !described) {
                    source.description = plain(readText(xml));
                    described = true;
                } else {
                    xml.skipCurrentElement();
                }
            }
            continue;
        }
        ++number;
        const QString where = QStringLiteral("вопрос %1").arg(number);
        if (type != QLatin1String("multichoice")) {
            xml.skipCurrentElement();
            source.refused << Refusal{
                where, QStringLiteral("вопрос типа «%1», а не выбор одного ответа").arg(type)};
            continue;
        }
        Question question;
        Text questionText;
        QList<double> fractions;
        while (xml.readNextStartElement()) {
            const QStringView name = xml.name();
            if (name == QLatin1String("name")) {
                question.name = readText(xml).text.trimmed();
            } else if (name == QLatin1String("questiontext")) {
                questionText = readText(xml);
            } else if (name == QLatin1String("answer")) {
                fractions << xml.attributes().value(QLatin1String("fraction")).toDouble();
                question.options << plain(readText(xml));
            } else {
                xml.skipCurrentElement();
            }
        }
        question.text = plain(questionText);
        QStringList problems;
        if (questionText.format != QLatin1String("plain_text") &&
            questionText.format != QLatin1String("markdown"))
            question.picture = pictureOf(questionText, problems);
        const qsizetype right = std::count_if(fractions.cbegin(), fractions.cend(),
                                              [](double f) { return f >= 99.99; });
        const qsizetype positive =
            std::count_if(fractions.cbegin(), fractions.cend(), [](double f) { return f > 0; });
        if (right > 1 || (right == 0 && positive > 1)) {
            source.refused << Refusal{where, QStringLiteral("несколько верных ответов")};
            continue;
        }
        if (right == 0) {
            source.refused << Refusal{where, QStringLiteral("нет верного ответа")};
            continue;
        }
        question.correct = std::find_if(fractions.cbegin(), fractions.cend(),
                                        [](double f) { return f >= 99.99; }) -
                           fractions.cbegin();
        if (question.name.isEmpty())
            question.name = QStringLiteral("Вопрос %1").arg(number);
        source.questions << SourceQuestion{std::move(question), where, problems};
    }
    if (xml.hasError())
        throw SourceError(QStringLiteral("Файл Moodle XML повреждён: ") + xml.errorString());
    return source;
}

}  // namespace exchange
