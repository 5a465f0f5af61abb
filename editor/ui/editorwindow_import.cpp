// A new base made from questions in another format.

#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "editor/core/questionimport.h"
#include "editor/ui/editorwindow.h"
#include "exchange/source.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/steps.h"

#include <QElapsedTimer>
#include <QProgressDialog>

namespace editor {

namespace {

const QString kSourceFilter = QStringLiteral(
    "*.xml *.gift *.txt *.docx ( Moodle XML, GIFT, Aiken, текст, Word )|"
    "*.xml;*.gift;*.txt;*.docx|");

const QString kImportTitle = QStringLiteral("Импорт вопросов");

// An import that ends within this many milliseconds shows no progress box at all.
constexpr int kProgressDelay = 500;
// The box is told at most this often: a large source has a hundred thousand steps.
constexpr int kProgressInterval = 40;

// The progress box of an import: the taking of questions, then the writing of the base, as
// two halves of one bar. Application-modal once shown, so the window keeps painting and
// nothing else touches the base while it is built.
class ImportProgressBox {
public:
    explicit ImportProgressBox(QWidget* parent)
        : box_(QStringLiteral("Берём вопросы из файла…"), QStringLiteral("Остановить"), 0, 0,
               parent) {
        box_.setObjectName(QStringLiteral("importProgress"));
        box_.setAccessibleName(kImportTitle);
        box_.setWindowTitle(kImportTitle);
        box_.setWindowModality(Qt::ApplicationModal);
        box_.setMinimumDuration(kProgressDelay);
        box_.setAutoReset(false);
        box_.setAutoClose(false);
        box_.setValue(0);
        told_.start();
    }
    ~ImportProgressBox() { box_.close(); }

    // What one half reports, as the whole bar.
    ImportProgress half(int which) {
        return [this, which](int done, int total) {
            if (told_.elapsed() < kProgressInterval && done > 0)
                return !box_.wasCanceled();
            told_.restart();
            constexpr int kHalf = 1000;
            box_.setMaximum(2 * kHalf);
            box_.setValue(which * kHalf + (total > 0 ? int(qint64(done) * kHalf / total) : 0));
            return !box_.wasCanceled();
        };
    }

private:
    QProgressDialog box_;
    QElapsedTimer told_;
};

}  // namespace

void Editor::importq() {
    leaveBase();

    // A cancelled dialog ends the action silently; a source that gives nothing, and a base that
    // cannot be written, are told. The base appears whole or not at all.
    qb::runOrFail(
        [&] {
            desktop::FileDialogOptions options;
            options.title = QStringLiteral("Откуда взять вопросы");
            options.filter = kSourceFilter;
            options.hideReadOnly = true;
            options.fileMustExist = true;
            const std::optional<QString> chosen =
                desktop::chooseFile(dialogs_, services_, desktop::FileChoice::Open, options);
            if (!chosen)
                return;

            // Stopped, the import leaves nothing: no base, no picture, no folder.
            std::optional<ImportProgressBox> progress(std::in_place, this);
            ImportPlan plan;
            try {
                plan = planImportFile(*chosen, progress->half(0));
            } catch (const ImportStopped&) {
                return;
            } catch (const exchange::SourceError& error) {
                progress.reset();
                dialogs_.message(title(), QStringLiteral("Не удалось взять вопросы из файла.\n") +
                                              error.message());
                return;
            }
            progress.reset();
            if (plan.rows.isEmpty()) {
                QStringList text{
                    plan.report.offered == 0
                        ? QStringLiteral("В файле не найдено ни одного вопроса.")
                        : QStringLiteral("Ни один вопрос из файла нельзя взять в базу:")};
                text << plan.report.leftOut.mid(0, 20);
                if (plan.report.leftOut.size() > 20)
                    text << QStringLiteral("…");
                dialogs_.message(title(), text.join(u'\n'));
                return;
            }

            const std::optional<QString> path = newBasePath();
            if (!path)
                return;
            progress.emplace(this);
            try {
                createImportedBase(*path, plan, progress->half(1));
            } catch (const ImportStopped&) {
                return;
            }
            progress.reset();

            // Opened as "Открыть для редактирования" opens a base: at its first question.
            adresok = *path;
            popytki = 0;
            parol = qb::kEmptyPasswordMarker;
            nachali();
            const QString report = importReportText(plan.report);
            if (!report.isEmpty())
                dialogs_.message(title(), report);
        },
        [&](const qb::Error& error) {
            dialogs_.message(title(), QStringLiteral("Не удалось создать базу.\n") + error.text());
        });
}

}  // namespace editor
