// Checking, saving, moving, adding and deleting questions.

#include "desktop/dialogs.h"
#include "editor/core/questioncheck.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/limitedtextedit.h"
#include "questionbase/steps.h"

#include <QLineEdit>

namespace editor {

namespace {
const QString kNotStored = QStringLiteral("Не удалось записать вопрос в базу.");
}  // namespace

bool Editor::proverka() {
    const QString message = checkQuestion(Text2->text(), Text1->storedText());
    if (message.isEmpty())
        return true;
    dialogs_.message(title(), message);
    return false;
}

bool Editor::zapis() {
    // Each write is a step of its own: a value the column refuses is skipped and the rest still
    // reach the row.
    qb::skipIfFails([&] { voprosy.field(QStringLiteral("вопрос")).setValue(Text1->storedText()); });
    qb::skipIfFails(
        [&] { voprosy.field(QStringLiteral("верный")).setValue(trimBlanks(Text2->text())); });
    for (int i = 0; i < 5; ++i) {
        qb::skipIfFails([&] {
            voprosy.field(QStringLiteral("ответ%1").arg(i + 1)).setValue(Text[i]->storedText());
        });
    }
    qb::skipIfFails([&] { voprosy.field(QStringLiteral("фото")).setValue(ulik->text()); });

    // A refused commit (disk full, file gone, read-only folder) is told to the user, and the
    // pending change is dropped so that no later move retries it behind the user's back; the
    // fields keep what was typed.
    if (qb::skipIfFails([&] { voprosy.update(); }))
        return true;
    reportDataFailure(kNotStored);
    qb::skipIfFails([&] { voprosy.cancelUpdate(); });
    return false;
}

void Editor::Command7_Click() {
    if (!voprosy.isOpen())
        return;
    if (!proverka())
        return;
    zapis();
}

void Editor::Command2_Click() {
    if (!voprosy.isOpen())
        return;
    if (!proverka())
        return;
    if (!zapis())
        return;
    qb::skipIfFails([&] { voprosy.movePrevious(); });
    qb::skipIfFails([&] {
        if (voprosy.bof()) {
            // Already on the first question: back onto it, nothing redrawn.
            voprosy.moveNext();
        } else {
            --tekuschiy;
            edituem();
        }
    });
}

void Editor::Command3_Click() {
    if (!voprosy.isOpen())
        return;
    if (!proverka())
        return;
    if (!zapis())
        return;
    qb::skipIfFails([&] { voprosy.moveNext(); });
    qb::skipIfFails([&] {
        if (voprosy.eof()) {
            voprosy.movePrevious();
        } else {
            ++tekuschiy;
            edituem();
        }
    });
}

void Editor::Command5_Click() {
    if (!voprosy.isOpen())
        return;
    if (!proverka())
        return;
    if (!zapis())
        return;
    qb::skipIfFails([&] { voprosy.addNew(); });
    qb::skipIfFails([&] { voprosy.field(QStringLiteral("вопрос")).setValue(QString()); });
    qb::skipIfFails([&] { voprosy.field(QStringLiteral("ответ1")).setValue(QString()); });
    qb::skipIfFails([&] { voprosy.field(QStringLiteral("ответ2")).setValue(QString()); });
    qb::skipIfFails([&] { voprosy.field(QStringLiteral("верный")).setValue(1); });
    // Moving off the new row stores it.
    if (!qb::skipIfFails([&] { voprosy.moveLast(); })) {
        // The base refused the new row: drop it and show the row the recordset stands on, so
        // the screen never shows one row while the recordset is on another.
        reportDataFailure(kNotStored);
        qb::skipIfFails([&] { voprosy.cancelUpdate(); });
        qb::skipIfFails([&] {
            tekuschiy = voprosy.recordCount();
            edituem();
        });
        return;
    }
    qb::skipIfFails([&] { tekuschiy = voprosy.recordCount(); });
    qb::skipIfFails([&] { showCaption(); });
    for (LimitedTextEdit* box : Text)
        qb::skipIfFails([&] { box->clear(); });
    qb::skipIfFails([&] { Text2->clear(); });
    qb::skipIfFails([&] { Text1->clear(); });
    qb::skipIfFails([&] { ulik->clear(); });
}

void Editor::Command4_Click() {
    if (!voprosy.isOpen())
        return;
    if (voprosy.recordCount() <= 1)
        return;
    qb::runOrFail(
        [&] {
            voprosy.deleteCurrent();
            if (tekuschiy > 1)
                --tekuschiy;
            if (voprosy.bof())
                voprosy.moveNext();
            else
                voprosy.movePrevious();
            edituem();
        },
        [&](const qb::Error&) {
            reportDataFailure(QStringLiteral("Не удалось удалить вопрос из базы."));
            qb::skipIfFails([&] { edituem(); });
        });
}

void Editor::Command1_Click() {
    if (!voprosy.isOpen())
        return;
    showPictureWindow();
}

}  // namespace editor
