#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace qb {
class Recordset;
}

namespace exporter {

// Text in the Windows-1251 code page, as the test program and the teachers' editors read it.
// A character the code page cannot hold becomes one '?'.
class Cp1251Encoder {
public:
    Cp1251Encoder();
    ~Cp1251Encoder();
    Cp1251Encoder(const Cp1251Encoder&) = delete;
    Cp1251Encoder& operator=(const Cp1251Encoder&) = delete;

    QByteArray encode(const QString& text);

private:
    void* converter_;  // iconv_t, kept out of the header
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
