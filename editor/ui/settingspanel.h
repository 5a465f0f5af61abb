#pragma once

#include <QFrame>
#include <QLabel>
#include <QList>
#include <QPointer>

class QAbstractButton;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace editor {

class LimitedLineEdit;
class LimitedTextEdit;

// A picture on the settings panel; a click on it closes the panel.
class PanelPicture : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// The caption beside an option button: a click on it selects the option, as on the button
// itself, and never reaches the panel (which would close).
class OptionCaption : public QLabel {
    Q_OBJECT
public:
    OptionCaption(const QString& text, QAbstractButton* option, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QAbstractButton* option_;
};

// The test settings frame `infosik`, laid over the whole main window. It only holds the
// controls; the main window fills it, stores it and decides when it shows. While it shows, the
// controls it covers are hidden, so neither Tab nor typing reaches them, and they come back as
// they were when it closes.
class SettingsPanel : public QFrame {
    Q_OBJECT
public:
    explicit SettingsPanel(QWidget* parent = nullptr);

    void setVisible(bool visible) override;
    // Puts the keyboard on the panel's first control that takes it: `info` unless switched off.
    void takeFocus();

    PanelPicture* Image2 = nullptr;
    LimitedTextEdit* info = nullptr;
    PanelPicture* Image3 = nullptr;
    LimitedLineEdit* vremya = nullptr;
    OptionCaption* Label3 = nullptr;
    QRadioButton* Opti0 = nullptr;
    OptionCaption* Label4 = nullptr;
    QRadioButton* Opti1 = nullptr;
    QPushButton* Command6 = nullptr;
    PanelPicture* Image1 = nullptr;
    PanelPicture* Picture1 = nullptr;
    PanelPicture* Picture2 = nullptr;

signals:
    // A click on the panel itself or on one of its pictures, or Escape.
    void dismissed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void cover();          // hides the parent's other controls, remembering the focused one
    void uncover();        // shows them again, as they were
    void giveFocusBack();  // once the panel is gone

    QList<QPointer<QWidget>> covered_;  // what cover() hid, in the parent's order
    QPointer<QWidget> focusBefore_;     // the covered control that had the keyboard
    bool covering_ = false;
};

}  // namespace editor
