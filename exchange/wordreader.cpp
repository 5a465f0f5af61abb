#include "exchange/source.h"

#include <QHash>
#include <QXmlStreamReader>

#include <zip.h>

namespace exchange {

namespace {

// What all the parts read from one document may take unpacked: a zip bomb stops here.
constexpr qint64 kMaxUnpackedBytes = qint64(256) << 20;

const QString kTooLarge = QStringLiteral("Документ Word распаковывается в слишком большой объём");
const QString kWordNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");
const QString kRelationshipNamespace =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

// The parts of a .docx held in memory, read with limits that do not trust the sizes the
// archive states.
class Package {
public:
    explicit Package(const QByteArray& bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source =
            zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
        if (source)
            archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (source && !archive_)
            zip_source_free(source);
        zip_error_fini(&error);
        if (!archive_)
            throw SourceError(QStringLiteral("Документ Word повреждён: это не архив .docx"));
    }
    ~Package() { zip_discard(archive_); }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // The part's bytes; nullopt when the package has no such part or it is larger than `limit`
    // (then `tooLarge` is set). A part read before is given again without unpacking it again:
    // one picture shown by many questions counts once against the budget.
    std::optional<QByteArray> read(const QString& name, qint64 limit, bool* tooLarge = nullptr) {
        if (const auto known = read_.constFind(name); known != read_.cend()) {
            const bool cut = !known->has_value();
            if (tooLarge)
                *tooLarge = cut;
            if (cut || known->value().size() > limit)
                return std::nullopt;
            return *known;
        }
        bool cut = false;
        std::optional<QByteArray> data = unpack(name, limit, cut);
        if (tooLarge)
            *tooLarge = cut;
        if (data || cut)
            read_.insert(name, data);
        return data;
    }

private:
    std::optional<QByteArray> unpack(const QString& name, qint64 limit, bool& cut) {
        zip_file_t* file = zip_fopen(archive_, name.toUtf8().constData(), 0);
        if (!file)
            return std::nullopt;
        QByteArray data;
        char chunk[1 << 16];
        zip_int64_t got = 0;
        bool overBudget = false;
        while ((got = zip_fread(file, chunk, sizeof chunk)) > 0) {
            overBudget = unpacked_ + got > kMaxUnpackedBytes;
            if (overBudget || data.size() + got > limit) {
                cut = true;
                break;
            }
            data.append(chunk, qsizetype(got));
            unpacked_ += got;
        }
        zip_fclose(file);
        if (got < 0)
            throw SourceError(
                QStringLiteral("Документ Word повреждён: часть «%1» не читается").arg(name));
        // Many parts each under its own limit still make a bomb together.
        if (overBudget)
            throw SourceError(kTooLarge);
        if (cut)
            return std::nullopt;
        return data;
    }

    zip_t* archive_ = nullptr;
    qint64 unpacked_ = 0;
    QHash<QString, std::optional<QByteArray>> read_;  // nullopt: larger than its limit
};

struct Paragraph {
    QString text;
    QString picture;  // relationship id of the first picture in it
};

QList<Paragraph> paragraphsOf(const QByteArray& document) {
    QList<Paragraph> paragraphs;
    QList<Paragraph> open;
    QXmlStreamReader xml(document);
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::DTD)
            throw SourceError(QStringLiteral("Документ Word с объявлением DTD не принимается"));
        if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("p") &&
            xml.namespaceUri() == kWordNamespace && !open.isEmpty()) {
            paragraphs << open.takeLast();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QStringView name = xml.name();
        if (xml.namespaceUri() == kWordNamespace) {
            if (name == QLatin1String("p"))
                open << Paragraph{};
            else if (open.isEmpty())
                continue;
            else if (name == QLatin1String("t"))
                open.last().text += xml.readElementText();
            else if (name == QLatin1String("tab"))
                open.last().text += u'\t';
            else if (name == QLatin1String("br") || name == QLatin1String("cr"))
                open.last().text += QStringLiteral("\r\n");
        } else if (name == QLatin1String("blip") && !open.isEmpty() &&
                   open.last().picture.isEmpty()) {
            open.last().picture =
                xml.attributes().value(kRelationshipNamespace, QLatin1String("embed")).toString();
        }
    }
    if (xml.hasError())
        throw SourceError(QStringLiteral("Документ Word повреждён: ") + xml.errorString());
    return paragraphs;
}

// Relationship id → part name, for the document's pictures.
QHash<QString, QString> relationshipsOf(const QByteArray& relationships) {
    QHash<QString, QString> targets;
    QXmlStreamReader xml(relationships);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::DTD)
            return {};
        if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
            continue;
        const auto attributes = xml.attributes();
        if (attributes.value(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        QString target = attributes.value(QLatin1String("Target")).toString();
        target = target.startsWith(u'/') ? target.mid(1) : QStringLiteral("word/") + target;
        targets.insert(attributes.value(QLatin1String("Id")).toString(), target);
    }
    return targets;
}

const QString kPlainPrefix = QStringLiteral("   ");

}  // namespace

// Each question is its paragraphs up to an empty one: the question, then the options, the right
// one starting with "*". In the exporter's own layout every field starts with "*" or three
// spaces, and a paragraph without either continues the field above it (the exporter starts a
// paragraph for each line break inside a field).
Source readExporterWord(const QByteArray& bytes) {
    Package package(bytes);
    bool tooLarge = false;
    const std::optional<QByteArray> document =
        package.read(QStringLiteral("word/document.xml"), kMaxDocumentBytes, &tooLarge);
    if (tooLarge)
        throw SourceError(kTooLarge);
    if (!document)
        throw SourceError(QStringLiteral("В документе Word нет текста документа"));
    const QList<Paragraph> paragraphs = paragraphsOf(*document);
    const QHash<QString, QString> targets = relationshipsOf(
        package.read(QStringLiteral("word/_rels/document.xml.rels"), kMaxDocumentBytes)
            .value_or(QByteArray()));

    Source source;
    source.kind = SourceKind::ExporterWord;
    qsizetype first = 0;
    int questions = 0;
    const auto finish = [&](qsizetype end) {
        QList<Paragraph> block = paragraphs.mid(first, end - first);
        first = end + 1;
        QStringList remarks;
        QString pictureId;
        QStringList texts;
        for (const Paragraph& paragraph : std::as_const(block)) {
            if (!paragraph.picture.isEmpty() && pictureId.isEmpty())
                pictureId = paragraph.picture;
            else if (!paragraph.picture.isEmpty())
                remarks << QStringLiteral("в вопросе несколько картинок, взята первая");
            if (!paragraph.text.trimmed().isEmpty() || paragraph.picture.isEmpty())
                texts << paragraph.text;
        }
        if (texts.isEmpty() && pictureId.isEmpty())
            return;
        const QString where = QStringLiteral("абзац %1").arg(end - block.size() + 1);
        ++questions;
        const auto prefixed = [](const QString& text) {
            return text.startsWith(u'*') || text.startsWith(kPlainPrefix);
        };
        // The exporter puts three spaces before every field but the marked one.
        const bool ownLayout = std::any_of(texts.cbegin(), texts.cend(), [](const QString& text) {
            return text.startsWith(kPlainPrefix);
        });
        QStringList fields;
        QList<bool> marked;
        for (const QString& text : std::as_const(texts)) {
            if (ownLayout && !fields.isEmpty() && !prefixed(text)) {
                fields.last() += QStringLiteral("\r\n") + text;
                continue;
            }
            const bool mark = text.startsWith(u'*');
            QString field = text;
            if (mark)
                field = ownLayout ? field.mid(1) : field.mid(1).trimmed();
            else if (ownLayout && field.startsWith(kPlainPrefix))
                field = field.mid(kPlainPrefix.size());
            fields << field;
            marked << mark;
        }
        const qsizetype right = marked.indexOf(true, 1);
        if (fields.size() < 2) {
            source.refused << Refusal{where, QStringLiteral("нет вариантов ответа")};
            return;
        }
        if (right < 0) {
            source.refused << Refusal{
                where, QStringLiteral("верный ответ не отмечен звёздочкой в начале")};
            return;
        }
        if (marked.indexOf(true, right + 1) >= 0) {
            source.refused << Refusal{where, QStringLiteral("несколько верных ответов")};
            return;
        }
        Question question;
        question.name = QStringLiteral("Вопрос %1").arg(questions);
        question.text = fields.first();
        question.options = fields.mid(1);
        question.correct = right - 1;
        if (!pictureId.isEmpty()) {
            const QString part = targets.value(pictureId);
            const std::optional<QByteArray> data =
                part.isEmpty() ? std::nullopt : package.read(part, kMaxPictureBytes);
            if (data && !data->isEmpty())
                question.picture = Picture{part.section(u'/', -1), *data};
            else
                remarks << QStringLiteral("картинка не читается или слишком велика");
        }
        source.questions << SourceQuestion{std::move(question), where, remarks};
    };
    for (qsizetype i = 0; i < paragraphs.size(); ++i) {
        const Paragraph& paragraph = paragraphs.at(i);
        if (paragraph.text.trimmed().isEmpty() && paragraph.picture.isEmpty())
            finish(i);
    }
    finish(paragraphs.size());
    return source;
}

}  // namespace exchange
