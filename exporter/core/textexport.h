#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>

class QIODevice;

namespace qb {
class Recordset;
}

namespace exporter {

// Text in the Windows-1251 code page, as the test program and the teachers' editors read it.
// A character the code page cannot hold becomes one '?'. What each character becomes is
// iconv's answer, asked once for the whole code page: an export then looks up each UTF-16
// unit instead of converting every field twice.
class Cp1251Encoder {
public:
    // Throws qb::Error when the system has no conversion for the code page.
    Cp1251Encoder();

    void append(QByteArray& out, QStringView text) const;
    // The same for UTF-8 text, without a detour through UTF-16: bytes that are not UTF-8 come
    // out as QString::fromUtf8 would have read them.
    void appendUtf8(QByteArray& out, QByteArrayView text) const;
    QByteArray encode(QStringView text) const;

private:
    const char* table_;  // one byte for every UTF-16 unit
};

QByteArray toWindows1251(const QString& text);

// Writes every question of the recordset, from its first row to its end, reading one row at a
// time: a line for each non-empty field of positions 1 to 6, "* " before a marked one and "  "
// before the others, then the separator line "  "; every line ends in CR LF.
// Throws qb::Error when a row cannot be read or the device refuses a write.
void writeQuestionsText(qb::Recordset& questions, bool markCorrect, QIODevice& out);

// Gives the file at `path` the content that `write` puts into the device. The content goes to
// a temporary file beside it, which takes the file's place only when everything was written,
// so a failed export leaves an existing file exactly as it was and no partial file behind.
// Throws qb::Error when the file cannot be written; rethrows whatever `write` throws.
void replaceFileContent(const QString& path, const std::function<void(QIODevice&)>& write);

// The text export of the open questions to the file at `path`.
void saveQuestionsText(qb::Recordset& questions, bool markCorrect, const QString& path);

}  // namespace exporter
