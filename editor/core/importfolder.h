#pragma once

#include <QDir>
#include <QString>

namespace editor {

// A hidden folder beside a new base in which an import builds the base and writes its
// pictures, so nothing appears under the base's name or in "img" until the base is whole.
// The folder is locked for as long as this object lives; a folder of this naming whose lock
// nobody holds was left by an import that was killed, and the next import removes it.
class ImportFolder {
public:
    // Removes abandoned import folders in `beside`, then makes and locks a new one.
    // Throws qb::Error when it cannot be made.
    explicit ImportFolder(const QDir& beside);
    // Removes the folder with whatever is still in it.
    ~ImportFolder();
    ImportFolder(const ImportFolder&) = delete;
    ImportFolder& operator=(const ImportFolder&) = delete;

    QString filePath(const QString& name) const { return folder_.filePath(name); }

    // Removes the import folders in `beside` that no running import holds, and the half-built
    // bases earlier versions left there.
    static void removeAbandoned(const QDir& beside);

private:
    QDir folder_;
    int lock_ = -1;  // the folder itself, opened and flock()ed
};

}  // namespace editor
