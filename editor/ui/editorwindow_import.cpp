// A new base made from questions in another format.

#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "editor/core/questionimport.h"
#include "editor/ui/editorwindow.h"
#include "exchange/source.h"
#include "questionbase/connectionstring.h"
#include "questionbase/error.h"
#include "questionbase/steps.h"

namespace editor {

namespace {

const QString kSourceFilter = QStringLiteral(
    "*.xml *.gift *.txt *.docx ( Moodle XML, GIFT, Aiken, текст, Word )|"
    "*.xml;*.gift;*.txt;*.docx|");

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

            ImportPlan plan;
            try {
                plan = planImport(exchange::readSource(*chosen));
            } catch (const exchange::SourceError& error) {
                dialogs_.message(title(), QStringLiteral("Не удалось взять вопросы из файла.\n") +
                                              error.message());
                return;
            }
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
            createImportedBase(*path, plan);

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
