#include "desktop/dialogs.h"
#include "editor/core/picturechoice.h"
#include "editor/ui/addimage.h"
#include "editor/ui/editorwindow.h"
#include "questionbase/columns.h"
#include "questionbase/steps.h"

#include <QLineEdit>

namespace editor {

void Editor::showPictureWindow() {
    AddImage::showFor(addimage_, *this);
}

void Editor::choo() {
    // Any failure leaves ulik as it was.
    int pictureSize = 0;
    qb::skipIfFails([&] { pictureSize = voprosy.field(qb::columns::kPicture).definedSize(); });
    const PictureChoice choice = choosePicture(karti, adresok, pictureSize);
    switch (choice.outcome) {
        case PictureChoice::Outcome::OutsideBaseFolder:
            dialogs_.message(title(), kOutsideBaseFolderMessage);
            break;
        case PictureChoice::Outcome::NameTooLong:
            dialogs_.message(title(), kNameTooLongMessage.arg(pictureSize));
            break;
        case PictureChoice::Outcome::Accepted:
            ulik->setText(choice.stored);
            break;
        case PictureChoice::Outcome::NotAPicture:
        case PictureChoice::Outcome::Failed:
            break;
    }
}

}  // namespace editor
