#include "tests/support/editorsession.h"

#include "editor/ui/limitedtextedit.h"
#include "tests/support/editorbases.h"
#include "tests/support/useractions.h"

#include <QLabel>
#include <QTest>

namespace testsupport {

EditorSession::EditorSession(std::source_location made)
    : dialogs(made), window(std::make_unique<editor::Editor>(dialogs, services)), probe(*window) {
    services.folder = folder.folder();
    window->show();
}

EditorSession::EditorSession(int questions, std::source_location made) : EditorSession(made) {
    open(makeBase(folder, QStringLiteral("q.mdb"), questions), made);
}

void EditorSession::open(const QString& base, std::source_location where) {
    path = base;
    dialogs.expectOpenFile(base, where);
    trigger(QStringLiteral("optest"));
}

QString EditorSession::caption() const {
    return probe.nomerok()->text();
}

QString EditorSession::question() const {
    return probe.Text1()->toPlainText();
}

QList<QVariantList> EditorSession::rowsAfterClosing(const QString& table) {
    window->close();
    return readRows(path, table);
}

void EditorSession::click(const QString& button) {
    clickButton(*window, button);
}

void EditorSession::trigger(const QString& action) {
    triggerAction(*window, action);
}

void EditorSession::type(QWidget* box, const QString& text) {
    box->setFocus();
    QTest::keyClicks(box, text);
}

}  // namespace testsupport
