#pragma once

#include <QString>

namespace desktop {

// The file system and the desktop, as far as the programs need them.
class Services {
public:
    virtual ~Services() = default;

    // A regular file with exactly this name exists.
    virtual bool fileExists(const QString& path) const;
    // The folder that holds the program.
    virtual QString programFolder() const;
    // The desktop names an application for documents of this file's type (the file itself need
    // not exist: only its name is looked at). An application that takes the type only as one of
    // the wider types it belongs to does not count: a .docx is a zip archive too, and an archive
    // manager is no word processor.
    virtual bool hasApplicationFor(const QString& fileName) const;
    // Opens the document in the desktop's application for its type. False when there is none.
    virtual bool openDocument(const QString& path);

    // The folder the open and save dialogs start in: the folder of the last file chosen in one
    // of them during this run; before that the program's folder, unless the user cannot write
    // there (an installed program lives in /usr/bin), then Documents, or home without it.
    QString dialogFolder() const;
    // Notes a file the user chose in a dialog, so the next dialog starts beside it.
    void chosen(const QString& path);

protected:
    virtual bool folderWritable(const QString& folder) const;
    virtual QString documentsFolder() const;
    virtual QString homeFolder() const;

private:
    QString lastFolder_;  // nothing of it outlives the run
};

}  // namespace desktop
