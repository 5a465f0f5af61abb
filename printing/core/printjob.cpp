#include "printing/core/printjob.h"

#include "printing/core/sheetcode.h"
#include "printing/core/variantplan.h"

#include <QFileInfo>
#include <QPainter>

#include <algorithm>

namespace printing {

namespace {

constexpr int kListedRemarks = 20;

// "…/Тест 5.docx" → "…/Тест 5"; a name without our ending stays whole.
QString stem(const QString& chosen) {
    for (const QString& ending : {QStringLiteral(".docx"), QStringLiteral(".pdf")}) {
        if (chosen.endsWith(ending, Qt::CaseInsensitive))
            return chosen.left(chosen.size() - ending.size());
    }
    return chosen;
}

}  // namespace

QStringList PrintFiles::all() const {
    QStringList files{docx, pdf};
    if (!keyDocx.isEmpty())
        files << keyDocx << keyPdf;
    return files;
}

PrintFiles printFiles(const QString& chosen, const PrintChoices& choices) {
    const QString base = stem(chosen);
    PrintFiles files{base + QStringLiteral(".docx"), base + QStringLiteral(".pdf"), {}, {}};
    const bool keyApart =
        choices.makeKey && choices.keySeparate && (choices.makeVariants || choices.makeSheets);
    if (keyApart) {
        files.keyDocx = base + QStringLiteral(" — ключ.docx");
        files.keyPdf = base + QStringLiteral(" — ключ.pdf");
    }
    return files;
}

SheetContent sheetContent(const PrintSet& set, const Variant& variant) {
    SheetContent content;
    content.title = set.title;
    content.variant = variant.number;
    for (const VariantQuestion& placed : variant.questions)
        content.optionCounts << int(placed.optionOrder.size());
    const SheetCode code = sheetCodeFor(set, variant);
    content.code = encodeSheetCode(code);
    content.check = sheetCheck(code);
    return content;
}

QStringList printVariants(qb::Recordset& questions, const QString& basePath,
                          const PrintChoices& choices, const PrintFiles& files) {
    const PrintSet set = planPrint(questions, basePath, choices);
    QStringList remarks = set.remarks;

    const bool sheetsTooLong =
        choices.makeSheets &&
        std::any_of(set.variants.cbegin(), set.variants.cend(), [](const Variant& variant) {
            return variant.questions.size() > sheetCapacity();
        });
    if (sheetsTooLong)
        remarks << QStringLiteral(
                       "Бланк ответов вмещает не более %1 вопросов: для вариантов "
                       "длиннее бланков нет.")
                       .arg(sheetCapacity());
    const SheetDrawer sheet = [&set, &choices](QPainter& painter, const Variant& variant) {
        if (variant.questions.size() > sheetCapacity())
            return false;
        painter.save();
        drawSheetPage(painter, sheetContent(set, variant), choices.paper);
        painter.restore();
        return true;
    };

    const bool keyApart = !files.keyDocx.isEmpty();
    const PrintParts main{choices.makeVariants, choices.makeSheets, choices.makeKey && !keyApart};
    writePrint(set, choices, main, sheet, files.docx, files.pdf);
    if (keyApart)
        writePrint(set, choices, PrintParts{false, false, true}, sheet, files.keyDocx,
                   files.keyPdf);
    return remarks;
}

QString printReportText(const QStringList& remarks) {
    if (remarks.isEmpty())
        return {};
    QStringList text = remarks.mid(0, kListedRemarks);
    if (remarks.size() > kListedRemarks)
        text << QStringLiteral("…");
    return text.join(u'\n');
}

}  // namespace printing
