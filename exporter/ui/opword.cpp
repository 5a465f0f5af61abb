#include "exporter/ui/opword.h"

#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "exporter/core/docxwriter.h"
#include "exporter/core/programtitle.h"
#include "exporter/core/wordexport.h"
#include "questionbase/connection.h"
#include "questionbase/error.h"
#include "questionbase/recordset.h"
#include "questionbase/steps.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace exporter {

namespace {

const QString kNoWordProcessor =
    QStringLiteral("Необходимо, чтобы в системе был установлен Microsoft Word");
// A write refused by the file system is nearly always a full disk, where the temporary folder is.
const QString kNotWritten =
    QStringLiteral("Не удалось записать документ Word. Возможно, на диске не хватает места.");
// What the exporter says of any other failure, as the text export does.
const QString kFailed = QStringLiteral("Произошла ошибка. Все ли верно?");
// A template: the word processor opens it as a new, untitled document, so "Save" asks where
// to put it instead of writing it back into the temporary folder.
const QString kDocumentName = QStringLiteral("Вопросы.dotx");

}  // namespace

void opword(WordExportContext& context) {
    if (!context.connection.isOpen() || !context.questions.isOpen())
        return;

    std::unique_ptr<DocxWriter> writer;
    QString folder;
    auto showStatus = [&context](const QString& text) {
        if (context.showStatus)
            context.showStatus(text);
    };

    qb::runOrFail(
        [&] {
            if (context.questions.recordCount() == 0)
                return;
            // Asked before anything is built: with nowhere to show the document, building it
            // would only leave a file behind and a status that claims a finished export.
            if (!context.services.hasApplicationFor(kDocumentName)) {
                context.dialogs.message(kProgramTitle, kNoWordProcessor);
                return;
            }

            // Qt gives an empty path when TMPDIR names no folder; a folder made from it would
            // land at the root of the file system.
            const QString temporary = QDir::tempPath();
            if (temporary.isEmpty())
                qb::fail(qb::Reason::Io, QStringLiteral("Нет папки для временных файлов"));
            // The user saves the document from the word processor, so the folder must outlive us.
            QTemporaryDir dir(temporary + QStringLiteral("/vorta-XXXXXX"));
            dir.setAutoRemove(false);
            if (!dir.isValid())
                qb::fail(qb::Reason::Io, QStringLiteral("Не удалось создать папку для документа"));
            folder = dir.path();
            writer = std::make_unique<DocxWriter>(dir.filePath(kDocumentName));
            writer->setStatusSink(showStatus);

            WordExportOptions options;
            options.basePath = context.basePath;
            options.markCorrect = context.markCorrect;
            options.leavePicturesOut = context.leavePicturesOut;
            options.fileExists = [&context](const QString& path) {
                return context.services.fileExists(path);
            };
            options.progress = [&showStatus](int percent) {
                showStatus(
                    QStringLiteral("%1 %2%").arg(QString::fromUtf8(kWordWaitText)).arg(percent));
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            };
            typeQuestions(context.questions, *writer, options);
            writer->finish();
            if (!context.services.openDocument(writer->path())) {
                // The application went away since it was asked for: nothing shows the document,
                // so nothing of it is kept.
                writer.reset();
                QDir(folder).removeRecursively();
                showStatus(QString());
                context.dialogs.message(kProgramTitle, kNoWordProcessor);
            }
        },
        [&](const qb::Error& error) {
            // A document cut short holds only some of the questions: shown, it would pass for
            // the whole test, so it is thrown away with its folder. Nothing is being waited for
            // any longer, and the user learns why no document came.
            if (writer)
                writer->discard();
            writer.reset();
            if (!folder.isEmpty())
                QDir(folder).removeRecursively();
            if (context.showStatus)
                context.showStatus(QString());
            context.dialogs.message(kProgramTitle,
                                    error.reason() == qb::Reason::Io ? kNotWritten : kFailed);
        });
}

}  // namespace exporter
