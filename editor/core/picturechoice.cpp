#include "editor/core/picturechoice.h"

#include "editor/core/picturefit.h"

#include <QDir>

namespace editor {

namespace {
const QChar kStoredSeparator = QLatin1Char('\\');
}  // namespace

QString toStoredSeparators(const QString& nativeRelative) {
    QString stored = QDir::toNativeSeparators(nativeRelative);
    stored.replace(QDir::separator(), kStoredSeparator);
    return stored;
}

QString toNativeSeparators(const QString& storedRelative) {
    QString native = storedRelative;
    native.replace(kStoredSeparator, QDir::separator());
    return QDir::toNativeSeparators(native);
}

QString baseFolder(const QString& baseFilePath) {
    const QString native = QDir::toNativeSeparators(baseFilePath);
    const qsizetype last = native.lastIndexOf(QDir::separator());
    return last < 0 ? QString() : native.left(last);
}

QString baseFolderPrefix(const QString& baseFilePath) {
    const QString native = QDir::toNativeSeparators(baseFilePath);
    const qsizetype last = native.lastIndexOf(QDir::separator());
    return last < 0 ? QString() : native.left(last + 1);
}

QString pictureFullPath(const QString& baseFilePath, const QString& stored) {
    return baseFolderPrefix(baseFilePath) + toNativeSeparators(stored);
}

PictureChoice choosePicture(const QString& chosenFile, const QString& baseFilePath,
                            int maxStoredLength) {
    PictureChoice choice;
    const QString prefix = baseFolderPrefix(baseFilePath);
    if (prefix.isEmpty())
        return choice;
    const QString chosen = QDir::toNativeSeparators(chosenFile);
    if (!chosen.startsWith(prefix, Qt::CaseSensitive)) {
        choice.outcome = PictureChoice::Outcome::OutsideBaseFolder;
        return choice;
    }
    if (!isPictureName(chosen)) {
        choice.outcome = PictureChoice::Outcome::NotAPicture;
        return choice;
    }
    const QString stored = toStoredSeparators(chosen.mid(prefix.size()));
    if (maxStoredLength > 0 && stored.size() > maxStoredLength) {
        choice.outcome = PictureChoice::Outcome::NameTooLong;
        return choice;
    }
    choice.outcome = PictureChoice::Outcome::Accepted;
    choice.stored = stored;
    return choice;
}

}  // namespace editor
