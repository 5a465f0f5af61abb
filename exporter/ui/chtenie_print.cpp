// The "печать" menu of the exporter's window: variants of the test ready to print, and the
// grading of the answer sheets filled in.

#include "desktop/dialogs.h"
#include "desktop/services.h"
#include "exporter/core/exchangeexport.h"
#include "exporter/core/programtitle.h"
#include "exporter/core/wordexport.h"
#include "exporter/ui/chtenie.h"
#include "exporter/ui/variantsdialog.h"
#include "grading/ui/gradingwindow.h"
#include "printing/core/printjob.h"
#include "questionbase/steps.h"

#include <QFileInfo>
#include <QRandomGenerator>

namespace exporter {

namespace {

// Short enough to read out and type again; any 64-bit number is taken when typed.
constexpr quint32 kSeedBound = 1'000'000;

}  // namespace

void Chtenie::printVariants() {
    if (!baza.isOpen() || !voprosy.isOpen())
        return;
    // Window-modal and shown without a loop of its own: the window's thread runs on, and the
    // dialog's "Создать" leads to the work.
    auto* dialog = new VariantsDialog(voprosy.recordCount(), printTitle(),
                                      QRandomGenerator::global()->bounded(1u, kSeedBound), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { makeVariants(dialog->choices()); });
    dialog->open();
}

void Chtenie::checkSheets() {
    if (!baza.isOpen() || !voprosy.isOpen())
        return;
    // Window-modal and shown without a loop of its own, as the variants' dialog; the base
    // stays open and unchanged under it, and is only read.
    auto* window = new grading::GradingWindow(voprosy, adresok, dialogs_, services_, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

QString Chtenie::printTitle() {
    const QString description = testDescription(baza);
    if (!description.trimmed().isEmpty())
        return description;
    return QFileInfo(adresok).completeBaseName();
}

void Chtenie::makeVariants(const printing::PrintChoices& choices) {
    qb::runOrFail(
        [&] {
            if (!baza.isOpen() || !voprosy.isOpen() || voprosy.recordCount() == 0)
                return;
            const QFileInfo base(adresok);
            desktop::FileDialogOptions options;
            options.title = QStringLiteral("Сохраняем варианты для печати");
            options.initialFolder = base.absolutePath();
            options.fileName = base.completeBaseName() + QStringLiteral(" — варианты.docx");
            options.filter = QStringLiteral("*.docx ( документ Word и PDF рядом )|*.docx|");
            const std::optional<QString> chosen = exportPath(options);
            if (!chosen)
                return;
            const printing::PrintFiles files = printing::printFiles(*chosen, choices);
            // The chosen name was asked about; its companions are asked about each.
            for (const QString& file : files.all()) {
                if (file == *chosen || !services_.fileExists(file))
                    continue;
                const std::optional<FileIdentity> target = fileIdentity(file);
                if ((target && target == baseFile_) ||
                    !dialogs_.askYesNo(QStringLiteral("Leina"),
                                       QStringLiteral("Файл «%1» уже существует. Заменить?")
                                           .arg(QFileInfo(file).fileName())))
                    return;
            }
            showStatus(QString::fromUtf8(kWordWaitText));
            const QStringList remarks = printing::printVariants(voprosy, adresok, choices, files);
            showStatus(QString::fromUtf8(kWordDoneText));
            const QString report = printing::printReportText(remarks);
            if (!report.isEmpty())
                dialogs_.message(kProgramTitle, report);
        },
        [&](const qb::Error&) {
            showStatus(QString());
            dialogs_.message(kProgramTitle, QStringLiteral("Произошла ошибка. Все ли верно?"));
        });
}

}  // namespace exporter
