#include "editor/ui/limitedlineedit.h"

#include <QValidator>

#include <algorithm>

namespace editor {

namespace {

// Every change of a line edit but setText passes its validator, and a refused one is undone;
// the accessibility layer applies a "set text" only when the validator accepts it.
class CeilingValidator : public QValidator {
public:
    CeilingValidator(const int& ceiling, QObject* parent) : QValidator(parent), ceiling_(ceiling) {}
    State validate(QString& input, int& /*position*/) const override {
        return input.size() <= ceiling_ ? Acceptable : Invalid;
    }

private:
    const int& ceiling_;
};

}  // namespace

LimitedLineEdit::LimitedLineEdit(int maxLength, QWidget* parent)
    : QLineEdit(parent), maxLength_(maxLength), ceiling_(maxLength) {
    setValidator(new CeilingValidator(ceiling_, this));
    // Once shortened, a long stored value cannot grow back past the limit.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        ceiling_ = std::max(maxLength_, std::min(ceiling_, static_cast<int>(text.size())));
    });
}

void LimitedLineEdit::setStoredText(const QString& text) {
    ceiling_ = std::max(maxLength_, static_cast<int>(text.size()));
    setText(text);
}

}  // namespace editor
