#pragma once

#include <QByteArray>
#include <QString>

#include <list>

struct zip;
struct zip_source;

namespace exporter::docx {

// A zip file written with libzip. Nothing appears at the path until close(); an archive that
// goes away before, because an error came on the way, is discarded with all that was added.
class ZipArchive {
public:
    // Throws qb::Error when the file cannot be created.
    explicit ZipArchive(const QString& path);
    ~ZipArchive();

    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    // Each add throws qb::Error when libzip refuses the entry.
    void addBytes(const char* name, const QByteArray& bytes);  // deflated
    void addFile(const QString& name, const QString& file, bool compress);
    // Writes the archive out. Throws qb::Error when it cannot be written.
    void close();

private:
    void add(const char* name, zip_source* source, bool compress);

    zip* zip_ = nullptr;
    std::list<QByteArray> buffers_;  // zip_source_buffer reads them only at close
};

}  // namespace exporter::docx
