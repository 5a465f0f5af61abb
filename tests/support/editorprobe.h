#pragma once

#include "editor/ui/editorwindow.h"

#include <QVariant>

namespace testsupport {

// What a test may see of the editor window beyond its handlers: its state, read only, and the
// controls it types into or looks at (buttons are clicked by their objectName, as found on the
// form). Header-only, so the benchmarks use it without the test library.
class EditorProbe {
public:
    explicit EditorProbe(editor::Editor& window) : w_(window) {}

    const QString& adresok() const { return w_.adresok; }
    const QString& karti() const { return w_.karti; }
    const qb::Connection& baza() const { return w_.baza; }
    const qb::Recordset& voprosy() const { return w_.voprosy; }
    const qb::Recordset& nastroyki() const { return w_.nastroyki; }
    const QString& parol() const { return w_.parol; }
    int popytki() const { return w_.popytki; }
    int tekuschiy() const { return w_.tekuschiy; }
    const QStringList& polya() const { return w_.polya; }
    const QString& stariy() const { return w_.stariy; }
    // The value the current row of voprosy holds in `column`, as stored.
    QVariant stored(const QString& column) const { return w_.voprosy.field(column).value(); }

    editor::LimitedTextEdit* Text1() const { return w_.Text1; }
    editor::LimitedTextEdit* Text(int i) const { return w_.Text.at(i); }
    const std::array<editor::LimitedTextEdit*, 5>& Text() const { return w_.Text; }
    QLineEdit* Text2() const { return w_.Text2; }
    QLineEdit* ulik() const { return w_.ulik; }
    QPushButton* Command4() const { return w_.Command4; }
    QPushButton* Command7() const { return w_.Command7; }
    QLabel* nomerok() const { return w_.nomerok; }
    editor::SettingsPanel* infosik() const { return w_.infosik; }

private:
    editor::Editor& w_;
};

}  // namespace testsupport
