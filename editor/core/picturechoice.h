#pragma once

#include <QString>

namespace editor {

// A picture's path is stored relative to the base's folder with '\' between folders, whatever
// the system; these convert between that form and the system's own.
QString toStoredSeparators(const QString& nativeRelative);
QString toNativeSeparators(const QString& storedRelative);

// The folder of the base file, with the system's separators, without the trailing separator
// ("/home/t/tests" for "/home/t/tests/math.mdb"). Empty when the path names no folder.
QString baseFolder(const QString& baseFilePath);

// The base folder followed by the separator: what stored picture paths are appended to.
QString baseFolderPrefix(const QString& baseFilePath);

// The full path of a stored picture path: base folder prefix + the stored path, with the
// system's separators throughout.
QString pictureFullPath(const QString& baseFilePath, const QString& stored);

// What choosing a file in the picture window does to the question's picture field.
struct PictureChoice {
    enum class Outcome {
        OutsideBaseFolder,  // tell the user the rule (kOutsideBaseFolderMessage)
        NotAPicture,        // nothing, silently
        NameTooLong,        // tell the user (kNameTooLongMessage): the base would not hold it
        Failed,             // nothing, silently: no base folder to compare with
        Accepted,           // the field becomes `stored`
    };
    Outcome outcome = Outcome::Failed;
    QString stored;  // the path below the base's folder, with '\'
};

inline const QString kOutsideBaseFolderMessage =
    QStringLiteral("Картинки должны находится в той же папке, что и тест. Такое правило.");

// Said when the stored path would be longer than the picture column holds (%1: its size).
inline const QString kNameTooLongMessage = QStringLiteral(
    "Путь к картинке длиннее %1 символов, и база не сможет его сохранить. Переименуйте файл "
    "или папку покороче.");

// The chosen file must lie in the base's folder or below it (an exact, case-sensitive
// comparison of the paths with the system's separators: a sibling folder whose name merely
// begins with the base folder's name is outside) and must be named like a picture. Its stored
// path must fit `maxStoredLength` (0: no limit): a path cut short would name another file.
PictureChoice choosePicture(const QString& chosenFile, const QString& baseFilePath,
                            int maxStoredLength = 0);

}  // namespace editor
