#pragma once

#include <QString>

namespace editor {

// What the picture-selection window needs of the main window: the open base's path, the
// picture field's text, and the hand-over of the chosen file.
class PictureHost {
public:
    virtual ~PictureHost() = default;
    // Full path of the open base (`adresok`).
    virtual QString baseFilePath() const = 0;
    // The text of `ulik`: the picture's path relative to the base's folder, with '\'.
    virtual QString pictureFieldText() const = 0;
    // Leaves the chosen file's full path in `karti` and runs `choo`.
    virtual void pictureChosen(const QString& karti) = 0;
};

}  // namespace editor
