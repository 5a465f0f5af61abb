#pragma once

#include <QString>

#include <optional>

#include <sys/types.h>

namespace exporter {

// A file as the file system knows it, whatever names it has now: a base renamed or deleted
// while open is still the file the exporter reads, and a new file at its old name is another.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The file a path names now, following symbolic links; nothing when no file is there.
std::optional<FileIdentity> fileIdentity(const QString& path);

}  // namespace exporter
