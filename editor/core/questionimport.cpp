#include "editor/core/questionimport.h"

#include "editor/core/picturefit.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/picturelimits.h"
#include "questionbase/sqlitestore.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>

namespace editor {

namespace columns = qb::columns;

namespace {

constexpr int kListedLines = 20;
const QString kPictureFolder = QStringLiteral("img");

QString storedLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    return text.replace(u'\n', QStringLiteral("\r\n"));
}

// A picture the old test program shows, or why there is none: BMP, JPEG and GIF go in as
// they are, other pictures as a JPEG of what they show.
std::optional<exchange::Picture> fitPicture(const exchange::Picture& picture,
                                            QStringList& changes) {
    QByteArray data = picture.data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (format.isEmpty() || !size.isValid() ||
        qint64(size.width()) * size.height() > qb::kMaxPicturePixels) {
        changes
            << QStringLiteral("картинка «%1» не читается, вопрос взят без неё").arg(picture.name);
        return std::nullopt;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        changes
            << QStringLiteral("картинка «%1» не читается, вопрос взят без неё").arg(picture.name);
        return std::nullopt;
    }
    QString stem = QFileInfo(picture.name).completeBaseName();
    stem.remove(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1F]")));
    if (stem.trimmed().isEmpty())
        stem = QStringLiteral("картинка");
    static const QHash<QByteArray, QString> shown{{"jpeg", QStringLiteral(".jpg")},
                                                  {"bmp", QStringLiteral(".bmp")},
                                                  {"gif", QStringLiteral(".gif")}};
    if (shown.contains(format)) {
        const QString suffix = QFileInfo(picture.name).suffix();
        const QString name = isPictureName(picture.name) && !suffix.isEmpty()
                                 ? stem + u'.' + suffix
                                 : stem + shown.value(format);
        return exchange::Picture{name, picture.data};
    }
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    flat.save(&out, "JPG", 95);
    changes << QStringLiteral("картинка «%1» сохранена как JPEG: другие форматы тест не покажет")
                   .arg(picture.name);
    return exchange::Picture{stem + QStringLiteral(".jpg"), jpeg};
}

// A name in the folder that no file has yet: "рис.jpg", "рис (2).jpg", … short enough for
// "img\" and the name to fit the picture column.
QString freeName(const QDir& folder, const QString& name) {
    const QFileInfo info(name);
    const QString suffix = QLatin1Char('.') + info.suffix();
    const int room =
        columns::kPictureSize - int(kPictureFolder.size()) - 1 - 8 - int(suffix.size());
    const QString stem = info.completeBaseName().left(std::max(room, 1));
    QString candidate = stem + suffix;
    for (int n = 2; folder.exists(candidate); ++n)
        candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(n).arg(suffix);
    return candidate;
}

}  // namespace

ImportPlan planImport(const exchange::Source& source) {
    ImportPlan plan;
    ImportReport& report = plan.report;
    report.offered = int(source.questions.size() + source.refused.size());
    for (const exchange::Refusal& refusal : source.refused)
        report.leftOut << refusal.where + QStringLiteral(": ") + refusal.reason;

    for (const exchange::SourceQuestion& taken : source.questions) {
        const exchange::Question& question = taken.question;
        const auto leaveOut = [&](const QString& reason) {
            report.leftOut << taken.where + QStringLiteral(": ") + reason;
        };
        ImportPlan::Row row;
        row.text = storedLines(question.text);
        // An empty option is no option in a base.
        for (qsizetype i = 0; i < question.options.size(); ++i) {
            if (question.options.at(i).isEmpty()) {
                if (i == question.correct) {
                    row.options.clear();
                    break;
                }
                continue;
            }
            if (i == question.correct)
                row.correct = int(row.options.size()) + 1;
            row.options << storedLines(question.options.at(i));
        }
        if (row.text.trimmed().isEmpty()) {
            leaveOut(QStringLiteral("нет текста вопроса"));
            continue;
        }
        if (row.options.size() > columns::kOptionCount) {
            leaveOut(QStringLiteral("больше пяти вариантов ответа (%1)").arg(row.options.size()));
            continue;
        }
        if (row.options.size() < 2) {
            leaveOut(QStringLiteral("меньше двух вариантов ответа"));
            continue;
        }
        if (row.text.size() > columns::kQuestionSize) {
            leaveOut(QStringLiteral("вопрос длиннее %1 знаков (%2)")
                         .arg(columns::kQuestionSize)
                         .arg(row.text.size()));
            continue;
        }
        QString tooLong;
        for (qsizetype i = 0; i < row.options.size() && tooLong.isEmpty(); ++i) {
            if (row.options.at(i).size() > columns::kOptionSize)
                tooLong = QStringLiteral("вариант %1 длиннее %2 знаков (%3)")
                              .arg(i + 1)
                              .arg(columns::kOptionSize)
                              .arg(row.options.at(i).size());
        }
        if (!tooLong.isEmpty()) {
            leaveOut(tooLong);
            continue;
        }
        if (row.text.contains(QChar::Null) || row.options.join(QString()).contains(QChar::Null)) {
            leaveOut(QStringLiteral("в тексте есть нулевой символ"));
            continue;
        }
        QStringList changes = taken.remarks;
        if (question.picture)
            row.picture = fitPicture(*question.picture, changes);
        for (const QString& change : std::as_const(changes))
            report.changed << taken.where + QStringLiteral(": ") + change;
        plan.rows << row;
    }
    report.imported = int(plan.rows.size());
    // In the order of the source, whichever step left a question out.
    static const QRegularExpression number(QStringLiteral("\\d+"));
    std::stable_sort(report.leftOut.begin(), report.leftOut.end(),
                     [](const QString& a, const QString& b) {
                         return number.match(a).captured().toLongLong() <
                                number.match(b).captured().toLongLong();
                     });

    plan.description = storedLines(source.description);
    if (plan.description.size() > columns::kDescriptionSize) {
        plan.description.truncate(columns::kDescriptionSize);
        report.changed << QStringLiteral("описание теста сокращено до %1 знаков")
                              .arg(columns::kDescriptionSize);
    }
    return plan;
}

void createImportedBase(const QString& path, const ImportPlan& plan) {
    if (QFileInfo::exists(path))
        qb::fail(qb::Reason::Io, QStringLiteral("Такой файл уже существует"));
    const QDir folder = QFileInfo(path).absoluteDir();
    const QString building =
        path + QStringLiteral(".import-%1")
                   .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
    QDir pictures(folder.filePath(kPictureFolder));
    bool madePictureFolder = false;
    QStringList written;
    try {
        // The pictures first, each once however many questions show it.
        QHash<QByteArray, QString> storedByContent;
        QList<QString> stored(plan.rows.size());
        for (qsizetype i = 0; i < plan.rows.size(); ++i) {
            const auto& picture = plan.rows.at(i).picture;
            if (!picture)
                continue;
            const QByteArray digest =
                QCryptographicHash::hash(picture->data, QCryptographicHash::Sha256);
            if (const auto known = storedByContent.constFind(digest);
                known != storedByContent.cend()) {
                stored[i] = known.value();
                continue;
            }
            if (!pictures.exists()) {
                if (!folder.mkdir(kPictureFolder))
                    qb::fail(qb::Reason::Io,
                             QStringLiteral("Не удалось создать папку для картинок"));
                madePictureFolder = true;
            }
            const QString name = freeName(pictures, picture->name);
            QFile file(pictures.filePath(name));
            if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать картинку ") + name);
            written << file.fileName();
            if (file.write(picture->data) != picture->data.size() || !file.flush())
                qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать картинку ") + name);
            stored[i] = kPictureFolder + u'\\' + name;
            storedByContent.insert(digest, stored[i]);
        }

        qb::SqliteStore::createBase(building);
        written << building;
        {
            qb::Connection connection;
            connection.setMode(qb::kModeShareExclusive);
            connection.open(building, qb::kEmptyPasswordMarker);
            qb::Store& store = connection.store();
            auto& database = dynamic_cast<qb::SqliteStore&>(store).database();
            const auto positionOf = [&store](const QString& table, const QString& column) {
                const QList<qb::ColumnInfo> found = store.columns(table);
                for (int i = 0; i < found.size(); ++i) {
                    if (found.at(i).name == column)
                        return i;
                }
                qb::fail(qb::Reason::NoSuchItem, QStringLiteral("Нет поля ") + column);
            };
            const int correct = positionOf(columns::kQuestionsTable, columns::kCorrect);
            // One transaction: a commit per question would take minutes for a large source.
            database.exec(QStringLiteral("BEGIN"));
            for (qsizetype i = 0; i < plan.rows.size(); ++i) {
                const ImportPlan::Row& row = plan.rows.at(i);
                qb::ColumnValues values{{columns::kQuestionPosition, row.text},
                                        {correct, row.correct}};
                for (qsizetype k = 0; k < row.options.size(); ++k)
                    values.append({columns::optionPosition(int(k)), row.options.at(k)});
                if (!stored.at(i).isEmpty())
                    values.append({columns::kPicturePosition, stored.at(i)});
                store.insertRow(columns::kQuestionsTable, values);
            }
            if (!plan.description.isEmpty()) {
                store.insertRow(columns::kSettingsTable,
                                {{positionOf(columns::kSettingsTable, columns::kDescription),
                                  plan.description}});
            }
            database.exec(QStringLiteral("COMMIT"));
            connection.close();
        }
        qb::moveIntoPlace(building, path);
    } catch (...) {
        for (const QString& file : std::as_const(written))
            QFile::remove(file);
        QFile::remove(building + QStringLiteral("-journal"));
        if (madePictureFolder)
            folder.rmdir(kPictureFolder);
        throw;
    }
}

QString importReportText(const ImportReport& report) {
    const QStringList lines = report.leftOut + report.changed;
    if (lines.isEmpty())
        return {};
    QStringList text{QStringLiteral("Импортировано вопросов: %1 из %2.")
                         .arg(report.imported)
                         .arg(report.offered),
                     QString()};
    text << lines.mid(0, kListedLines);
    if (lines.size() > kListedLines)
        text << QStringLiteral("…");
    return text.join(u'\n');
}

}  // namespace editor
