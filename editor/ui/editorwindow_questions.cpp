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
const QString kFieldsNotStored = QStringLiteral(
    "Не записано в базу: %1. Такой текст не помещается в поле базы или содержит недопустимый "
    "символ. Остальное записано.");
}  // namespace

bool Editor::proverka() {
    const QString message = checkQuestion(Text2->text(), Text1->storedText());
    if (message.isEmpty())
        return true;
    dialogs_.message(title(), message);
    return false;
}

bool Editor::zapis() {
    // Only what the user changed is written: a field still showing what was read keeps exactly
    // what the row holds (an absent value, a non-breaking space, a lone line feed). Each write
    // is a step of its own, so a value the column refuses is skipped and the rest still reach
    // the row; a refused value is told below rather than lost without a word.
    QStringList refused;
    const auto write = [&](const QString& column, const QVariant& value, const QString& caption) {
        qb::runOrFail([&] { voprosy.field(column).setValue(value); },
                      [&](const qb::Error& error) {
                          // A column an older base lacks stays silently unwritten.
                          if (error.reason() == qb::Reason::Refused)
                              refused << caption;
                      });
    };
    if (Text1->isEdited())
        write(QStringLiteral("вопрос"), Text1->storedText(), QStringLiteral("текст вопроса"));
    if (Text2->text() != shownCorrect_) {
        // The check has already passed it, so nothing is told when it is refused.
        qb::skipIfFails(
            [&] { voprosy.field(QStringLiteral("верный")).setValue(trimBlanks(Text2->text())); });
    }
    for (int i = 0; i < 5; ++i) {
        if (Text[i]->isEdited())
            write(QStringLiteral("ответ%1").arg(i + 1), Text[i]->storedText(),
                  QStringLiteral("вариант ответа %1").arg(i + 1));
    }
    if (ulik->text() != shownPicture_)
        write(QStringLiteral("фото"), ulik->text(), QStringLiteral("картинка к вопросу"));

    // A refused commit (disk full, file gone, read-only folder) is told to the user, and the
    // pending change is dropped so that no later move retries it behind the user's back; the
    // fields keep what was typed.
    if (!qb::skipIfFails([&] { voprosy.update(); })) {
        reportDataFailure(kNotStored);
        qb::skipIfFails([&] { voprosy.cancelUpdate(); });
        return false;
    }
    if (refused.isEmpty())
        return true;
    // The rest is stored; nothing moves, so the user can shorten what did not fit.
    dialogs_.message(title(), kFieldsNotStored.arg(refused.join(QStringLiteral(", "))));
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
    // The empty fields are what this row shows now: left empty, they leave the new row as it
    // was stored.
    for (LimitedTextEdit* box : Text)
        box->setStoredText(QString());
    Text2->clear();
    shownCorrect_.clear();
    Text1->setStoredText(QString());
    ulik->clear();
    shownPicture_.clear();
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
