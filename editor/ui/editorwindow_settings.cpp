// The test settings panel: filling it from the first row of `info` and storing it back.

#include "editor/ui/editorwindow.h"
#include "editor/ui/limitedlineedit.h"
#include "editor/ui/limitedtextedit.h"
#include "editor/ui/settingspanel.h"
#include "questionbase/catalog.h"
#include "questionbase/columns.h"
#include "questionbase/numberentry.h"
#include "questionbase/steps.h"

#include <QLineEdit>
#include <QRadioButton>

namespace editor {

namespace columns = qb::columns;

void Editor::infossi() {
    SettingsPanel& panel = *infosik;
    panel.info->clear();
    panel.vremya->clear();

    // From here every failing step is skipped and nothing is reported.
    if (!nastroyki.isOpen())
        return;
    QString infoTable;
    qb::skipIfFails([&] {
        qb::Catalog katalog;
        katalog.setActiveConnection(&baza);
        infoTable = katalog.table(columns::kSettingsTable);
    });
    if (infoTable.isEmpty())
        return;
    panel.show();
    panel.raise();

    qb::skipIfFails([&] { nastroyki.moveFirst(); });
    bool noRow = false;
    qb::skipIfFails([&] { noRow = nastroyki.recordCount() == 0; });
    if (noRow) {
        qb::skipIfFails([&] { nastroyki.addNew(); });
        qb::skipIfFails([&] { nastroyki.update(); });
    }

    QStringList columns;
    qb::skipIfFails([&] {
        qb::Catalog katalog;
        katalog.setActiveConnection(&baza);
        columns = katalog.columnNames(infoTable);
    });
    // Three walks with exact names: an older base may spell its columns otherwise, and then
    // the setting stays unavailable rather than written to a look-alike.
    bool hasTime = false;
    bool hasInfo = false;
    bool hasTarget = false;
    for (const QString& column : columns) {
        if (column != columns::kTime)
            continue;
        hasTime = true;
        panel.vremya->setEnabled(true);
        qb::skipIfFails(
            [&] { panel.vremya->setStoredText(nastroyki.field(column).value().toString()); });
    }
    for (const QString& column : columns) {
        if (column != columns::kDescription)
            continue;
        hasInfo = true;
        panel.info->setEnabled(true);
        qb::skipIfFails(
            [&] { panel.info->setStoredText(nastroyki.field(column).value().toString()); });
    }
    for (const QString& column : columns) {
        if (column != columns::kTimeTarget)
            continue;
        hasTarget = true;
        panel.Opti0->setEnabled(true);
        panel.Opti1->setEnabled(true);
        bool perQuestion = false;
        qb::skipIfFails([&] {
            perQuestion = nastroyki.field(column).value().toString() == columns::kPerQuestion;
        });
        (perQuestion ? panel.Opti1 : panel.Opti0)->setChecked(true);
    }
    if (!hasTime)
        panel.vremya->setEnabled(false);
    if (!hasTarget) {
        panel.Opti0->setEnabled(false);
        panel.Opti1->setEnabled(false);
    }
    if (!hasInfo)
        panel.info->setEnabled(false);
    // Only now is it known which of the panel's controls are switched on.
    panel.takeFocus();
}

void Editor::Command6_Click() {
    SettingsPanel& panel = *infosik;
    // Every failing step is skipped and nothing is reported; the panel closes in any case.
    qb::skipIfFails([&] { nastroyki.moveFirst(); });
    qb::skipIfFails(
        [&] { nastroyki.field(columns::kDescription).setValue(panel.info->storedText()); });
    qb::skipIfFails([&] {
        nastroyki.field(columns::kTimeTarget)
            .setValue(panel.Opti1->isChecked() ? columns::kPerQuestion : columns::kWholeTest);
    });
    qb::skipIfFails([&] {
        const qb::WholeNumber time = qb::parseNumber16(panel.vremya->text());
        if (time.status == qb::NumberStatus::Ok)
            nastroyki.field(columns::kTime).setValue(static_cast<int>(time.value));
    });
    qb::skipIfFails([&] {
        if (panel.vremya->text().isEmpty())
            nastroyki.field(columns::kTime).setValue(0);
    });
    qb::skipIfFails([&] { nastroyki.update(); });
    panel.hide();
}

void Editor::hideSettings() {
    infosik->hide();
}

}  // namespace editor
