#include "editor/core/questionimport.h"

#include "editor/core/importfolder.h"
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
#include <QRegularExpression>
#include <QSet>
#include <QTextBoundaryFinder>

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

// What one distinct picture of the source becomes: the bytes that go into "img" and the ending
// its file takes, or nothing when it does not read.
struct Fitted {
    bool readable = false;
    bool converted = false;
    QByteArray data;
    QString suffix;
    QByteArray key;
};

QByteArray keyOf(const QByteArray& data) {
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256);
}

// BMP, JPEG and GIF, which the old test program shows, go in as they are once their headers
// read; other pictures as a JPEG of what they show.
Fitted fitBytes(const QByteArray& data, const QByteArray& key) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if (format.isEmpty() || !size.isValid() ||
        qint64(size.width()) * size.height() > qb::kMaxPicturePixels)
        return {};
    static const QHash<QByteArray, QString> shown{{"jpeg", QStringLiteral(".jpg")},
                                                  {"bmp", QStringLiteral(".bmp")},
                                                  {"gif", QStringLiteral(".gif")}};
    if (const auto kept = shown.constFind(format); kept != shown.cend())
        return Fitted{true, false, data, kept.value(), key};
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter(&flat).drawImage(0, 0, image);
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    flat.save(&out, "JPG", 95);
    return Fitted{true, true, jpeg, QStringLiteral(".jpg"), keyOf(jpeg)};
}

// The picture as the base will hold it, named after the source's picture, or why there is none.
std::optional<exchange::Picture> fitPicture(const exchange::Picture& picture, const Fitted& fitted,
                                            QStringList& changes) {
    if (!fitted.readable) {
        changes
            << QStringLiteral("картинка «%1» не читается, вопрос взят без неё").arg(picture.name);
        return std::nullopt;
    }
    QString stem = QFileInfo(picture.name).completeBaseName();
    stem.remove(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\x00-\\x1F]")));
    if (stem.trimmed().isEmpty())
        stem = QStringLiteral("картинка");
    if (fitted.converted) {
        changes << QStringLiteral(
                       "картинка «%1» сохранена как JPEG: другие форматы тест не покажет")
                       .arg(picture.name);
        return exchange::Picture{stem + fitted.suffix, fitted.data};
    }
    // The source's own ending ("jpeg", "JPG") when it names a picture; a made-up one otherwise.
    const QString suffix = QFileInfo(picture.name).suffix();
    const bool ownSuffix = isPictureName(picture.name) && !suffix.isEmpty() && suffix.size() <= 4;
    return exchange::Picture{ownSuffix ? stem + u'.' + suffix : stem + fitted.suffix, fitted.data};
}

// The longest start of `text` made of whole characters (an emoji or a letter with its accents
// is never split) within `units` UTF-16 units and `bytes` bytes of UTF-8.
QString cutToFit(const QString& text, qsizetype units, qsizetype bytes) {
    if (text.size() <= units && text.toUtf8().size() <= bytes)
        return text;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype fit = 0;
    qsizetype used = 0;
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at <= units;
         at = finder.toNextBoundary()) {
        used += QStringView(text).mid(fit, at - fit).toUtf8().size();
        if (used > bytes)
            break;
        fit = at;
    }
    return text.left(fit);
}

// The most bytes a file name may take on the file systems a base lives on.
constexpr qsizetype kNameBytes = 255;

// Names for new pictures in "img": "рис.jpg", "рис (2).jpg", … The folder is listed once and
// each name remembers the next number to try, so a thousand pictures named "image.png" cost
// what a thousand different names do. Names that differ only in letter case count as one: the
// old test program reads the folder on Windows.
class PictureNames {
public:
    explicit PictureNames(const QDir& folder) {
        if (!folder.exists())
            return;
        const QStringList present =
            folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : present)
            taken_.insert(name.toCaseFolded());
    }

    QString take(const QString& wanted) {
        const QFileInfo info(wanted);
        const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
        const QString stem = info.completeBaseName();
        // Stems cut alike under the longest number share one count.
        int& next = next_[fitted(stem, QStringLiteral(" (2147483647)") + suffix).toCaseFolded()];
        for (;;) {
            const QString tail =
                next < 2 ? suffix : QStringLiteral(" (%1)%2").arg(next).arg(suffix);
            next = next < 2 ? 2 : next + 1;
            const QString candidate = fitted(stem, tail);
            if (!taken_.contains(candidate.toCaseFolded())) {
                taken_.insert(candidate.toCaseFolded());
                return candidate;
            }
        }
    }

private:
    // The stem shortened so that "img\" and the name fit the picture column, and the name fits
    // the file system.
    static QString fitted(const QString& stem, const QString& tail) {
        const qsizetype units = columns::kPictureSize - kPictureFolder.size() - 1 - tail.size();
        const qsizetype bytes = kNameBytes - tail.toUtf8().size();
        QString cut = cutToFit(stem, units, bytes);
        if (cut.trimmed().isEmpty())
            cut = QStringLiteral("картинка");
        return cut + tail;
    }

    QSet<QString> taken_;
    QHash<QString, int> next_;
};

}  // namespace

ImportPlan planImport(const exchange::Source& source, const ImportProgress& progress) {
    ImportPlan plan;
    // One large picture pasted into every question is decoded once, not once a question.
    QHash<QByteArray, Fitted> fittedByKey;
    QHash<const char*, QByteArray> keyByBuffer;
    const int total = int(source.questions.size());
    int done = 0;
    ImportReport& report = plan.report;
    report.offered = int(source.questions.size() + source.refused.size());
    for (const exchange::Refusal& refusal : source.refused)
        report.leftOut << refusal.where + QStringLiteral(": ") + refusal.reason;

    for (const exchange::SourceQuestion& taken : source.questions) {
        if (progress && !progress(done++, total))
            throw ImportStopped{};
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
        if (question.picture) {
            // A reader hands one picture shown by many questions as one shared buffer.
            const QByteArray& data = question.picture->data;
            auto hashed = keyByBuffer.constFind(data.constData());
            if (hashed == keyByBuffer.cend())
                hashed = keyByBuffer.insert(data.constData(), keyOf(data));
            const QByteArray key = hashed.value();
            auto fitted = fittedByKey.constFind(key);
            if (fitted == fittedByKey.cend())
                fitted = fittedByKey.insert(key, fitBytes(question.picture->data, key));
            row.picture = fitPicture(*question.picture, *fitted, changes);
            row.pictureKey = fitted->key;
        }
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

void createImportedBase(const QString& path, const ImportPlan& plan,
                        const ImportProgress& progress) {
    if (QFileInfo::exists(path))
        qb::fail(qb::Reason::Io, QStringLiteral("Такой файл уже существует"));
    const QDir folder = QFileInfo(path).absoluteDir();
    const QDir pictures(folder.filePath(kPictureFolder));
    const int total = int(plan.rows.size()) * 2;
    const auto step = [&](qsizetype done) {
        if (progress && !progress(int(done), total))
            throw ImportStopped{};
    };
    ImportFolder work(folder);
    const QString building = work.filePath(QStringLiteral("base.mdb"));

    // The pictures first, each once however many questions show it.
    PictureNames names(pictures);
    QHash<QByteArray, QString> storedByKey;
    QList<QString> stored(plan.rows.size());
    QStringList written;
    for (qsizetype i = 0; i < plan.rows.size(); ++i) {
        step(i);
        const ImportPlan::Row& row = plan.rows.at(i);
        if (!row.picture)
            continue;
        if (const auto known = storedByKey.constFind(row.pictureKey); known != storedByKey.cend()) {
            stored[i] = known.value();
            continue;
        }
        const QString name = names.take(row.picture->name);
        QFile file(work.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            file.write(row.picture->data) != row.picture->data.size() || !file.flush())
            qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать картинку ") + name);
        written << name;
        stored[i] = kPictureFolder + u'\\' + name;
        storedByKey.insert(row.pictureKey, stored[i]);
    }

    qb::SqliteStore::createBase(building);
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
            step(plan.rows.size() + i);
            const ImportPlan::Row& row = plan.rows.at(i);
            qb::ColumnValues values{{columns::kQuestionPosition, row.text}, {correct, row.correct}};
            for (qsizetype k = 0; k < row.options.size(); ++k)
                values.append({columns::optionPosition(int(k)), row.options.at(k)});
            if (!stored.at(i).isEmpty())
                values.append({columns::kPicturePosition, stored.at(i)});
            store.insertRow(columns::kQuestionsTable, values);
        }
        if (!plan.description.isEmpty()) {
            store.insertRow(
                columns::kSettingsTable,
                {{positionOf(columns::kSettingsTable, columns::kDescription), plan.description}});
        }
        database.exec(QStringLiteral("COMMIT"));
        connection.close();
    }

    // The base is whole: its pictures go into "img" one by one, then it takes its name.
    QStringList moved;
    bool madePictureFolder = false;
    try {
        if (!written.isEmpty() && !pictures.exists()) {
            if (!folder.mkdir(kPictureFolder))
                qb::fail(qb::Reason::Io, QStringLiteral("Не удалось создать папку для картинок"));
            madePictureFolder = true;
        }
        for (const QString& name : std::as_const(written)) {
            qb::moveIntoPlace(work.filePath(name), pictures.filePath(name));
            moved << pictures.filePath(name);
        }
        qb::moveIntoPlace(building, path);
    } catch (...) {
        for (const QString& file : std::as_const(moved))
            QFile::remove(file);
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
