#include "editor/core/questionimport.h"

#include "editor/core/importfolder.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/sqlitestore.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTextBoundaryFinder>

#include <algorithm>

namespace editor {

namespace columns = qb::columns;

namespace {

constexpr int kListedLines = 20;
const QString kPictureFolder = QStringLiteral("img");

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

void createImportedBase(const QString& path, const ImportPlan& plan,
                        const ImportProgress& progress) {
    if (QFileInfo::exists(path))
        qb::fail(qb::Reason::Io, QStringLiteral("Такой файл уже существует"));
    const QDir folder = QFileInfo(path).absoluteDir();
    const QDir pictures(folder.filePath(kPictureFolder));
    const qsizetype total = plan.pictures.size() + plan.rows.size();
    const auto step = [&](qsizetype done) {
        if (progress && !progress(int(done), int(total)))
            throw ImportStopped{};
    };
    ImportFolder work(folder);
    const QString building = work.filePath(QStringLiteral("base.mdb"));

    // The pictures first, each once however many questions show it.
    PictureNames names(pictures);
    QStringList stored;
    QStringList written;
    for (qsizetype i = 0; i < plan.pictures.size(); ++i) {
        step(i);
        const exchange::Picture& picture = plan.pictures.at(i);
        const QString name = names.take(picture.name);
        QFile file(work.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
            file.write(picture.data) != picture.data.size() || !file.flush())
            qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать картинку ") + name);
        written << name;
        stored << kPictureFolder + u'\\' + name;
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
            step(plan.pictures.size() + i);
            const ImportPlan::Row row = plan.rows.at(i);
            qb::ColumnValues values{{columns::kQuestionPosition, row.text}, {correct, row.correct}};
            for (qsizetype k = 0; k < row.options.size(); ++k)
                values.append({columns::optionPosition(int(k)), row.options.at(k)});
            if (row.picture >= 0)
                values.append({columns::kPicturePosition, stored.at(row.picture)});
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
