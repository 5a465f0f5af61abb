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
#include <QFileInfo>
#include <QStatusBar>
#include <QTemporaryDir>

#include <memory>

namespace exporter {

namespace {

const QString kNoWordProcessor =
    QStringLiteral("Необходимо, чтобы в системе был установлен Microsoft Word");
const QString kDocumentName = QStringLiteral("Вопросы.docx");

// Hands the finished document to the desktop; without an application for it the user learns
// why nothing appears.
void openOnDesktop(WordExportContext& context, const QString& path) {
    if (!context.services.openDocument(path))
        context.dialogs.message(kProgramTitle, kNoWordProcessor);
}

}  // namespace

void opword(WordExportContext& context) {
    if (!context.connection.isOpen())
        return;

    std::unique_ptr<DocxWriter> writer;
    QString folder;
    auto showStatus = [&context](const QString& text) {
        if (context.statusBar)
            context.statusBar->showMessage(text);
    };

    qb::runOrFail(
        [&] {
            if (context.questions.recordCount() == 0)
                return;

            // The user saves the document from the word processor, so the folder must outlive us.
            QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/vorta-XXXXXX"));
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
            openOnDesktop(context, writer->path());
        },
        [&](const qb::Error&) {
            // What was typed before the failure stays: the document is closed as it stands and
            // shown, as the word processor would have kept it on screen.
            if (!writer)
                return;
            const bool written = qb::skipIfFails([&] { writer->finish(); });
            if (written && QFileInfo::exists(writer->path()))
                openOnDesktop(context, writer->path());
            else
                QDir(folder).removeRecursively();
        });
}

}  // namespace exporter
