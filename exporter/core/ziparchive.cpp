#include "exporter/core/ziparchive.h"

#include "questionbase/error.h"

#include <QFile>

#include <zip.h>

namespace exporter::docx {

namespace {

constexpr zip_uint32_t kDeflateLevel = 6;  // zlib's usual balance of time and size

}  // namespace

ZipArchive::ZipArchive(const QString& path) {
    int error = 0;
    zip_ = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip_)
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось создать документ %1 (ошибка libzip %2)")
                                     .arg(path)
                                     .arg(error));
}

ZipArchive::~ZipArchive() {
    if (zip_)
        zip_discard(zip_);
}

void ZipArchive::addBytes(const char* name, const QByteArray& bytes) {
    buffers_.push_back(bytes);
    zip_source_t* source = zip_source_buffer(zip_, buffers_.back().constData(),
                                             zip_uint64_t(buffers_.back().size()), 0);
    add(name, source, true);
}

void ZipArchive::addFile(const QString& name, const QString& file, bool compress) {
    zip_source_t* source = zip_source_file(zip_, QFile::encodeName(file).constData(), 0, -1);
    add(name.toUtf8().constData(), source, compress);
}

void ZipArchive::close() {
    if (zip_close(zip_) != 0)
        qb::fail(qb::Reason::Io, QStringLiteral("Не удалось записать документ: %1")
                                     .arg(QString::fromUtf8(zip_strerror(zip_))));
    zip_ = nullptr;
}

void ZipArchive::add(const char* name, zip_source* source, bool compress) {
    if (!source)
        qb::fail(
            qb::Reason::Io,
            QStringLiteral("Не удалось прочитать часть документа %1").arg(QString::fromUtf8(name)));
    const zip_int64_t index = zip_file_add(zip_, name, source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
    if (index < 0) {
        zip_source_free(source);
        qb::fail(
            qb::Reason::Io,
            QStringLiteral("Не удалось добавить в документ часть %1").arg(QString::fromUtf8(name)));
    }
    // libzip's own default is the slowest level, which for the body of a large export costs
    // twice the time for a file a few per cent smaller.
    zip_set_file_compression(zip_, zip_uint64_t(index), compress ? ZIP_CM_DEFLATE : ZIP_CM_STORE,
                             compress ? kDeflateLevel : 0);
}

}  // namespace exporter::docx
