#pragma once

class QWidget;

namespace desktop {

// Opens `window` beside `anchor` where the screen has room for it: to the right, else to the
// left, else below; otherwise it is left where it is. A window that lists questions must not
// cover the question it opens.
void placeBeside(QWidget& window, const QWidget& anchor);

// Tells assistive technology that the control's text changed: a screen reader hears a label
// as its text, but learns that the text changed only when told.
void announceTextChange(QWidget& control);

// Draws a clear frame around the text box or button that has the keyboard focus: the style's
// own dotted outline is barely seen on the white form.
void drawFocusClearly(QWidget& window);

}  // namespace desktop
