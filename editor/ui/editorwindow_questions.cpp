// Checking, saving, moving, adding and deleting questions.

#include "desktop/dialogs.h"
#include "editor/core/questioncheck.h"
#include "editor/ui/editorwindow.h"
#include "editor/ui/limitedtextedit.h"
#include "questionbase/columns.h"
#include "questionbase/steps.h"

#include <QLineEdit>

#include <functional>

namespace editor {

namespace columns = qb::columns;

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
    // Once the commit succeeds, what each written field shows is what the row holds: a field
    // changed back after this save must be written again.
    QList<std::function<void()>> nowStored;
    const auto write = [&](const QString& column, const QVariant& value, const QString& caption,
                           std::function<void()> stored) {
        qb::runOrFail(
            [&] {
                voprosy.field(column).setValue(value);
                nowStored << std::move(stored);
            },
            [&](const qb::Error& error) {
                // A column an older base lacks stays silently unwritten.
                if (error.reason() == qb::Reason::Refused)
                    refused << caption;
            });
    };
    if (Text1->isEdited())
        write(columns::kQuestion, Text1->storedText(), QStringLiteral("текст вопроса"),
              [this] { Text1->acceptStored(); });
    if (Text2->text() != shownCorrect_) {
        // The check has already passed it, so nothing is told when it is refused.
        qb::skipIfFails([&] {
            voprosy.field(columns::kCorrect).setValue(trimBlanks(Text2->text()));
            nowStored << [this, shown = Text2->text()] { shownCorrect_ = shown; };
        });
    }
    for (int i = 0; i < columns::kOptionCount; ++i) {
        if (Text[i]->isEdited())
            write(columns::option(i), Text[i]->storedText(),
                  QStringLiteral("вариант ответа %1").arg(i + 1),
                  [box = Text[i]] { box->acceptStored(); });
    }
    if (ulik->text() != shownPicture_)
        write(columns::kPicture, ulik->text(), QStringLiteral("картинка к вопросу"),
              [this, shown = ulik->text()] { shownPicture_ = shown; });

    // A refused commit (disk full, file gone, read-only folder) is told to the user, and the
    // pending change is dropped so that no later move retries it behind the user's back; the
    // fields keep what was typed.
    if (!qb::skipIfFails([&] { voprosy.update(); })) {
        reportDataFailure(kNotStored);
        qb::skipIfFails([&] { voprosy.cancelUpdate(); });
        return false;
    }
    for (const auto& stored : nowStored)
        stored();
    if (!nowStored.isEmpty())
        baseChanged(false);
    if (refused.isEmpty())
        return true;
    // The rest is stored; nothing moves, so the user can shorten what did not fit.
    dialogs_.message(title(), kFieldsNotStored.arg(refused.join(QStringLiteral(", "))));
    return false;
}

bool Editor::saveShownQuestion() {
    return voprosy.isOpen() && proverka() && zapis();
}

void Editor::startNewQuestion() {
    qb::skipIfFails([&] { voprosy.addNew(); });
    for (const QString& column : columns::kNewQuestionRequired)
        qb::skipIfFails([&] { voprosy.field(column).setValue(QString()); });
    qb::skipIfFails(
        [&] { voprosy.field(columns::kCorrect).setValue(columns::kNewQuestionCorrect); });
}

void Editor::Command7_Click() {
    // Saving never moves, so what zapis says of the commit changes nothing here.
    if (voprosy.isOpen() && proverka())
        zapis();
}

void Editor::Command2_Click() {
    if (saveShownQuestion())
        stepBy(-1);
}

void Editor::Command3_Click() {
    if (saveShownQuestion())
        stepBy(+1);
}

void Editor::stepBy(int delta) {
    const bool back = delta < 0;
    qb::skipIfFails([&] { back ? voprosy.movePrevious() : voprosy.moveNext(); });
    qb::skipIfFails([&] {
        if (back ? voprosy.bof() : voprosy.eof()) {
            // Already on the first or last question: back onto it, nothing redrawn.
            back ? voprosy.moveNext() : voprosy.movePrevious();
        } else {
            tekuschiy += delta;
            edituem();
        }
    });
}

void Editor::Command5_Click() {
    if (!saveShownQuestion())
        return;
    startNewQuestion();
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
    baseChanged(true);
}

void Editor::Command4_Click() {
    if (!voprosy.isOpen())
        return;
    // The last question stays. Whether another exists is asked of the rows themselves: a count
    // that another program made lie must not stop (or allow) a delete.
    bool another = false;
    qb::skipIfFails([&] { another = voprosy.hasOtherRow(); });
    if (!another)
        return;
    qb::runOrFail(
        [&] {
            voprosy.deleteCurrent();
            checkedRowsStand_ = false;
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
    baseChanged(true);
}

void Editor::Command1_Click() {
    if (!voprosy.isOpen())
        return;
    showPictureWindow();
}

}  // namespace editor
