#include "bench/qbtool/importer.h"

#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/passwordstatement.h"
#include "questionbase/recordset.h"
#include "questionbase/sqlitestore.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <vector>

namespace qbtool {

namespace {

namespace columns = qb::columns;

constexpr int kMaxOptions = columns::kOptionCount;
constexpr int kMaxPictureSide = 4000;

struct Question {
    int line = 0;
    QString text;
    QStringList options;
    int correct = 0;
    QString picture;  // relative to the base's folder, '/' between folders; empty for none
};

struct Drawing {
    int line = 0;
    QString path;
    QSize size;
    QColor background;
    QJsonArray shapes;
};

struct Settings {
    QString description;
    int seconds = 0;
    QString per = columns::kWholeTest;
};

struct Source {
    std::vector<Question> questions;
    std::vector<Drawing> drawings;
    std::optional<Settings> settings;
};

[[noreturn]] void failAt(int line, const QString& text) {
    throw ImportError(QStringLiteral("line %1: %2").arg(line).arg(text).toStdString());
}

// Stored texts keep the CR LF line breaks of the files in the wild.
QString withCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text;
}

QString requiredText(const QJsonObject& object, const QString& key, int line) {
    const QJsonValue value = object.value(key);
    if (!value.isString() || value.toString().trimmed().isEmpty())
        failAt(line, QStringLiteral("\"%1\" must be a non-empty text").arg(key));
    return value.toString();
}

int requiredInt(const QJsonValue& value, const QString& what, int line) {
    const double number = value.toDouble(-1e300);
    if (!value.isDouble() || number != static_cast<int>(number))
        failAt(line, QStringLiteral("%1 must be a whole number").arg(what));
    return static_cast<int>(number);
}

// A picture path must stay inside the base's folder and name a format that both programs show
// and Qt can write.
QString checkedPicturePath(const QString& raw, int line) {
    const QString path = QDir::cleanPath(QString(raw).replace(u'\\', u'/'));
    if (path.isEmpty() || QDir::isAbsolutePath(path) || path == QLatin1String("..") ||
        path.startsWith(QLatin1String("../")))
        failAt(line, QStringLiteral("picture \"%1\" must lie in the base's folder").arg(raw));
    const QString upper = path.toUpper();
    if (!upper.endsWith(QLatin1String(".JPG")) && !upper.endsWith(QLatin1String(".JPEG")) &&
        !upper.endsWith(QLatin1String(".BMP")))
        failAt(line, QStringLiteral("picture \"%1\" must be a .jpg, .jpeg or .bmp file").arg(raw));
    return path;
}

QColor checkedColor(const QJsonObject& object, const QString& key, const QColor& fallback,
                    int line) {
    if (!object.contains(key))
        return fallback;
    const QColor color = QColor::fromString(object.value(key).toString());
    if (!color.isValid())
        failAt(line, QStringLiteral("\"%1\" is not a colour").arg(key));
    return color;
}

QList<qreal> numbers(const QJsonValue& value, int count, const QString& what, int line) {
    const QJsonArray array = value.toArray();
    if (!value.isArray() || array.size() != count)
        failAt(line, QStringLiteral("%1 needs %2 numbers").arg(what).arg(count));
    QList<qreal> out;
    for (const QJsonValue& item : array) {
        if (!item.isDouble())
            failAt(line, QStringLiteral("%1 needs %2 numbers").arg(what).arg(count));
        out << item.toDouble();
    }
    return out;
}

QPolygonF points(const QJsonValue& value, const QString& what, int line) {
    if (!value.isArray() || value.toArray().size() < 2)
        failAt(line, QStringLiteral("%1 needs at least two points").arg(what));
    QPolygonF polygon;
    for (const QJsonValue& point : value.toArray()) {
        const QList<qreal> xy = numbers(point, 2, what + QStringLiteral(" point"), line);
        polygon << QPointF(xy[0], xy[1]);
    }
    return polygon;
}

// Paints one shape; with a null painter it only checks it, so a bad drawing is found before
// any file is written.
void paintShape(QPainter* painter, const QJsonValue& value, int line) {
    if (!value.isObject())
        failAt(line, QStringLiteral("a shape must be an object"));
    const QJsonObject shape = value.toObject();
    const QColor pen = checkedColor(shape, QStringLiteral("pen"), Qt::black, line);
    const QColor fill = checkedColor(shape, QStringLiteral("fill"), Qt::transparent, line);
    const qreal width = shape.value(QStringLiteral("width")).toDouble(2);
    if (painter) {
        painter->setPen(QPen(pen, width));
        painter->setBrush(fill);
    }
    if (shape.contains(QStringLiteral("ellipse")) || shape.contains(QStringLiteral("rect"))) {
        const bool ellipse = shape.contains(QStringLiteral("ellipse"));
        const QString key = ellipse ? QStringLiteral("ellipse") : QStringLiteral("rect");
        const QList<qreal> r = numbers(shape.value(key), 4, key, line);
        if (!painter)
            return;
        const QRectF rect(r[0], r[1], r[2], r[3]);
        ellipse ? painter->drawEllipse(rect) : painter->drawRect(rect);
    } else if (shape.contains(QStringLiteral("polygon"))) {
        const QPolygonF polygon =
            points(shape.value(QStringLiteral("polygon")), QStringLiteral("polygon"), line);
        if (painter)
            painter->drawPolygon(polygon);
    } else if (shape.contains(QStringLiteral("line"))) {
        const QPolygonF polyline =
            points(shape.value(QStringLiteral("line")), QStringLiteral("line"), line);
        if (painter)
            painter->drawPolyline(polyline);
    } else if (shape.contains(QStringLiteral("text"))) {
        const QString text = requiredText(shape, QStringLiteral("text"), line);
        const QList<qreal> at =
            numbers(shape.value(QStringLiteral("at")), 2, QStringLiteral("at"), line);
        const int size =
            requiredInt(shape.value(QStringLiteral("size")), QStringLiteral("size"), line);
        if (size <= 0 || size > 400)
            failAt(line, QStringLiteral("text size must be 1 to 400"));
        if (!painter)
            return;
        QFont font = painter->font();
        font.setPixelSize(size);
        painter->setFont(font);
        painter->drawText(QPointF(at[0], at[1]), text);
    } else {
        failAt(line, QStringLiteral("unknown shape"));
    }
}

Question parseQuestion(const QJsonObject& object, int line) {
    Question question;
    question.line = line;
    question.text = withCrLf(requiredText(object, QStringLiteral("question"), line));
    const QJsonValue options = object.value(QStringLiteral("options"));
    if (!options.isArray() || options.toArray().size() < 2 ||
        options.toArray().size() > kMaxOptions)
        failAt(line, QStringLiteral("\"options\" must list 2 to %1 texts").arg(kMaxOptions));
    for (const QJsonValue& option : options.toArray()) {
        if (!option.isString() || option.toString().trimmed().isEmpty())
            failAt(line, QStringLiteral("every option must be a non-empty text"));
        question.options << withCrLf(option.toString());
    }
    question.correct =
        requiredInt(object.value(QStringLiteral("correct")), QStringLiteral("\"correct\""), line);
    if (question.correct < 1 || question.correct > question.options.size())
        failAt(line, QStringLiteral("\"correct\" must be 1 to %1").arg(question.options.size()));
    if (object.contains(QStringLiteral("picture")))
        question.picture =
            checkedPicturePath(object.value(QStringLiteral("picture")).toString(), line);
    return question;
}

Drawing parseDrawing(const QJsonObject& object, int line) {
    Drawing drawing;
    drawing.line = line;
    drawing.path = checkedPicturePath(object.value(QStringLiteral("draw")).toString(), line);
    const QList<qreal> size =
        numbers(object.value(QStringLiteral("size")), 2, QStringLiteral("size"), line);
    drawing.size = QSize(static_cast<int>(size[0]), static_cast<int>(size[1]));
    if (drawing.size.width() < 1 || drawing.size.height() < 1 ||
        drawing.size.width() > kMaxPictureSide || drawing.size.height() > kMaxPictureSide)
        failAt(line, QStringLiteral("size must be 1 to %1 pixels a side").arg(kMaxPictureSide));
    drawing.background = checkedColor(object, QStringLiteral("background"), Qt::white, line);
    drawing.shapes = object.value(QStringLiteral("shapes")).toArray();
    for (const QJsonValue& shape : drawing.shapes)
        paintShape(nullptr, shape, line);
    return drawing;
}

Settings parseSettings(const QJsonValue& value, int line) {
    if (!value.isObject())
        failAt(line, QStringLiteral("\"settings\" must be an object"));
    const QJsonObject object = value.toObject();
    Settings settings;
    settings.description = withCrLf(object.value(QStringLiteral("description")).toString());
    if (object.contains(QStringLiteral("seconds")))
        settings.seconds = requiredInt(object.value(QStringLiteral("seconds")),
                                       QStringLiteral("\"seconds\""), line);
    if (settings.seconds < 0 || settings.seconds > 32767)
        failAt(line, QStringLiteral("\"seconds\" must be 0 to 32767"));
    if (object.contains(QStringLiteral("per")))
        settings.per = object.value(QStringLiteral("per")).toString();
    if (settings.per != columns::kWholeTest && settings.per != columns::kPerQuestion)
        failAt(line, QStringLiteral("\"per\" must be \"%1\" or \"%2\"")
                         .arg(columns::kWholeTest, columns::kPerQuestion));
    return settings;
}

Source readSource(const QString& sourcePath) {
    QFile file(sourcePath);
    if (!file.open(QIODevice::ReadOnly))
        throw ImportError(
            QStringLiteral("cannot read %1: %2").arg(sourcePath, file.errorString()).toStdString());
    Source source;
    int line = 0;
    while (!file.atEnd()) {
        ++line;
        const QByteArray raw = file.readLine().trimmed();
        if (raw.isEmpty() || raw.startsWith('#'))
            continue;
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(raw, &error);
        if (!document.isObject())
            failAt(line, error.error != QJsonParseError::NoError ? error.errorString()
                                                                 : QStringLiteral("not an object"));
        const QJsonObject object = document.object();
        if (object.contains(QStringLiteral("question"))) {
            source.questions.push_back(parseQuestion(object, line));
        } else if (object.contains(QStringLiteral("draw"))) {
            source.drawings.push_back(parseDrawing(object, line));
        } else if (object.contains(QStringLiteral("settings"))) {
            if (source.settings)
                failAt(line, QStringLiteral("the settings are given twice"));
            source.settings = parseSettings(object.value(QStringLiteral("settings")), line);
        } else {
            failAt(line, QStringLiteral("expected \"question\", \"draw\" or \"settings\""));
        }
    }
    if (source.questions.empty())
        throw ImportError("the source has no questions");

    QStringList drawn;
    for (const Drawing& drawing : source.drawings) {
        if (drawn.contains(drawing.path, Qt::CaseInsensitive))
            failAt(drawing.line, QStringLiteral("\"%1\" is drawn twice").arg(drawing.path));
        drawn << drawing.path;
    }
    for (const Question& question : source.questions)
        if (!question.picture.isEmpty() && !drawn.contains(question.picture, Qt::CaseInsensitive))
            failAt(
                question.line,
                QStringLiteral("picture \"%1\" is not drawn in the source").arg(question.picture));
    return source;
}

void writeDrawing(const Drawing& drawing, const QDir& baseFolder) {
    QImage image(drawing.size, QImage::Format_RGB32);
    image.fill(drawing.background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const QJsonValue& shape : drawing.shapes)
        paintShape(&painter, shape, drawing.line);
    painter.end();
    const QString file = baseFolder.filePath(drawing.path);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()) || !image.save(file, nullptr, 90))
        failAt(drawing.line, QStringLiteral("cannot write %1").arg(file));
}

void writeRows(const Source& source, const QString& path, const ImportOptions& options) {
    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    connection.open(path, qb::kEmptyPasswordMarker);

    qb::Recordset questions;
    questions.openOn(connection, columns::kQuestionsQuery);
    for (const Question& question : source.questions) {
        try {
            questions.addNew();
            questions.field(columns::kQuestion).setValue(question.text);
            for (int i = 0; i < question.options.size(); ++i)
                questions.field(columns::option(i)).setValue(question.options[i]);
            if (!question.picture.isEmpty())
                questions.field(columns::kPicture)
                    .setValue(QString(question.picture).replace(u'/', u'\\'));
            questions.field(columns::kCorrect).setValue(question.correct);
            questions.update();
        } catch (const qb::Error& error) {
            failAt(question.line, error.text());
        }
    }
    questions.close();

    const Settings settings = source.settings.value_or(Settings{});
    qb::Recordset info;
    info.openOn(connection, columns::kSettingsQuery);
    info.addNew();
    info.field(columns::kDescription).setValue(settings.description);
    info.field(columns::kTime).setValue(settings.seconds);
    info.field(columns::kTimeTarget).setValue(settings.per);
    info.update();
    info.close();

    if (options.password)
        connection.changePassword(qb::passwordChange(*options.password, qb::kEmptyPasswordMarker));
    connection.close();
}

}  // namespace

void importBase(const QString& sourcePath, const QString& path, const ImportOptions& options) {
    const Source source = readSource(sourcePath);
    qb::SqliteStore::createBase(path);
    const QDir baseFolder = QFileInfo(path).absoluteDir();
    try {
        for (const Drawing& drawing : source.drawings)
            writeDrawing(drawing, baseFolder);
        writeRows(source, path, options);
    } catch (...) {
        // A half-filled base would pass for a good one; the drawings may be shared with other
        // bases in the folder and stay.
        QFile::remove(path);
        throw;
    }
}

}  // namespace qbtool
