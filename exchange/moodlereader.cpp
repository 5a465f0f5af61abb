#include "exchange/source.h"
#include "exchange/writers.h"

#include <QXmlStreamReader>

namespace exchange {

namespace {

struct Text {
    QString text;
    QString format;
    QList<Picture> files;
};

// The bytes of a picture written in base64, wrapped over lines or not; nothing when they are
// damaged or larger than a picture may be.
QByteArray base64Picture(const QString& data) {
    if (data.size() > kMaxPictureBytes / 3 * 4 + kMaxPictureBytes / 16)
        return {};
    QByteArray packed = data.toLatin1();
    packed.removeIf([](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
    const auto decoded =
        QByteArray::fromBase64Encoding(packed, QByteArray::AbortOnBase64DecodingErrors);
    return decoded ? *decoded : QByteArray();
}

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
            if (base64)
                file.data = base64Picture(data);
            text.files << file;
        } else {
            xml.skipCurrentElement();
        }
    }
    return text;
}

bool isHtml(const Text& text) {
    return text.format != QLatin1String("plain_text") && text.format != QLatin1String("markdown");
}

QString plain(const Text& text) {
    return trimmedText(isHtml(text) ? plainTextOfHtml(text.text) : text.text);
}

// The picture of the older form, <image> naming it and <image_base64> carrying it, which Moodle
// shows after the question's text.
std::optional<Picture> olderPicture(const QString& name, const QString& data,
                                    QStringList& problems) {
    if (name.isEmpty() && data.isEmpty())
        return std::nullopt;
    // Moodle flattens the folders of the name into the file's own name.
    Picture picture{QString(name).replace(u'/', u'_').trimmed(), {}};
    if (picture.name.isEmpty())
        picture.name = QStringLiteral("картинка");
    if (data.trimmed().isEmpty()) {
        problems << QStringLiteral("картинки «%1» нет в файле").arg(picture.name);
        return std::nullopt;
    }
    picture.data = base64Picture(data);
    if (!picture.data.isEmpty())
        return picture;
    problems << QStringLiteral("картинка «%1» повреждена").arg(picture.name);
    return std::nullopt;
}

// Each question goes to the sink as soon as its element ends, so a large file never has all
// of its questions in memory.
void readQuiz(QXmlStreamReader& xml, SourceSink& sink) {
    QString description;
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
                    description = plain(readText(xml));
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
            sink.refuse(Refusal{
                where, QStringLiteral("вопрос типа «%1», а не выбор одного ответа").arg(type)});
            continue;
        }
        Question question;
        Text questionText;
        QString imageName;
        QString imageData;
        QList<double> fractions;
        QList<QList<HtmlMedia>> optionMedia;
        while (xml.readNextStartElement()) {
            const QStringView name = xml.name();
            if (name == QLatin1String("name")) {
                question.name = readText(xml).text.trimmed();
            } else if (name == QLatin1String("questiontext")) {
                questionText = readText(xml);
            } else if (name == QLatin1String("image")) {
                imageName = xml.readElementText();
            } else if (name == QLatin1String("image_base64")) {
                imageData = xml.readElementText();
            } else if (name == QLatin1String("answer")) {
                fractions << xml.attributes().value(QLatin1String("fraction")).toDouble();
                const Text answer = readText(xml);
                question.options << plain(answer);
                optionMedia << (isHtml(answer) ? mediaOfHtml(answer.text) : QList<HtmlMedia>());
            } else {
                xml.skipCurrentElement();
            }
        }
        question.text = plain(questionText);
        QStringList problems;
        if (isHtml(questionText))
            question.picture = pictureOfHtml(questionText.text, questionText.files, problems);
        if (auto older = olderPicture(imageName, imageData, problems)) {
            if (question.picture)
                problems << QStringLiteral("в тексте несколько картинок, взята первая");
            else
                question.picture = std::move(older);
        }
        const auto full = [](double f) { return f >= 99.99; };
        const qsizetype right = std::count_if(fractions.cbegin(), fractions.cend(), full);
        const qsizetype positive =
            std::count_if(fractions.cbegin(), fractions.cend(), [](double f) { return f > 0; });
        if (right > 1 || (right == 0 && positive > 1)) {
            sink.refuse(Refusal{where, QStringLiteral("несколько верных ответов")});
            continue;
        }
        if (right == 0) {
            sink.refuse(Refusal{where, QStringLiteral("нет верного ответа")});
            continue;
        }
        question.correct =
            std::find_if(fractions.cbegin(), fractions.cend(), full) - fractions.cbegin();
        if (positive > right)
            problems << QStringLiteral(
                "частичные баллы не сохранены: верным остался ответ с полным баллом");
        if (const auto reason =
                optionMediaRefusal(optionMedia, question.options, question.correct, problems)) {
            sink.refuse(Refusal{where, *reason});
            continue;
        }
        if (question.name.isEmpty())
            question.name = QStringLiteral("Вопрос %1").arg(number);
        sink.take(SourceQuestion{std::move(question), where, problems});
    }
    if (xml.hasError())
        throw SourceError(QStringLiteral("Файл Moodle XML повреждён: ") + xml.errorString());
    sink.finish(SourceKind::MoodleXml, description);
}

}  // namespace

Source readMoodleXml(const QByteArray& bytes) {
    Source source;
    detail::Collected collected(source);
    QXmlStreamReader xml(bytes);
    readQuiz(xml, collected);
    return source;
}

void readMoodleXml(QIODevice& device, SourceSink& sink) {
    QXmlStreamReader xml(&device);
    readQuiz(xml, sink);
}

}  // namespace exchange
