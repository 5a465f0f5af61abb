#pragma once

#include <QString>

namespace desktop {

// The file system and the desktop, as far as the programs need them.
class Services {
public:
    virtual ~Services() = default;

    // A regular file with exactly this name exists.
    virtual bool fileExists(const QString& path) const;
    // The folder that holds the program: the initial folder of every file dialog.
    virtual QString programFolder() const;
    // Opens the document in the desktop's application for its type. False when there is none.
    virtual bool openDocument(const QString& path);
};

}  // namespace desktop
