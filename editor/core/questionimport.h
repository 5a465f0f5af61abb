#pragma once

#include "exchange/source.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace editor {

// What an import took and what it left out or changed, each line naming the place in the
// source ("строка 12: больше пяти вариантов ответа (6)").
struct ImportReport {
    int imported = 0;
    int offered = 0;  // questions the source holds, taken or not
    QStringList leftOut;
    QStringList changed;
};

// The questions of the source that a base can hold, with the base's limits applied.
struct ImportPlan {
    struct Row {
        QString text;         // line breaks as CR LF
        QStringList options;  // 2 to 5
        int correct = 1;      // 1 to 5
        int picture = -1;     // in `pictures`; -1 for none
    };
    // Rows kept compactly: a source of a million questions is planned in memory before the
    // user names the base. A row whose every character Windows-1251 has takes a byte a
    // character, others UTF-8; the fields fill blocks that never move, so the plan's growth
    // never needs room for two copies of it.
    class Rows {
    public:
        qsizetype size() const { return rows_.size(); }
        bool isEmpty() const { return rows_.isEmpty(); }
        Row at(qsizetype i) const;
        void append(const Row& row);

    private:
        struct Packed {
            quint32 block = 0;  // in blocks_
            quint32 at = 0;     // in the block
            qint32 picture = -1;
            qint8 correct = 1;
            qint8 options = 0;
            bool narrow = false;  // Windows-1251 rather than UTF-8
        };
        QList<QByteArray> blocks_;  // the text and each option, each closed by a NUL
        QList<Packed> rows_;
    };
    Rows rows;
    // Each distinct picture once, named after the first question that shows it.
    QList<exchange::Picture> pictures;
    QString description;
    ImportReport report;
};

// Told how far a long step is (`done` of `total`); false stops it with ImportStopped.
using ImportProgress = std::function<bool(int done, int total)>;

// Thrown when the progress asked to stop; nothing the step made is left behind.
struct ImportStopped {};

// Applies the base's limits: five options, 225 and 120 characters as stored, text that the base
// can hold, and a picture the old test program shows (BMP, JPEG and GIF are checked by their
// headers and kept as they are; others decode and become a JPEG). Each distinct picture is
// looked at once, however many questions show it.
ImportPlan planImport(const exchange::Source& source, const ImportProgress& progress = {});
// The same for the file at `path`, planned question by question as it is read, so that only
// the planned rows and the distinct pictures stay in memory. The progress counts bytes read.
// Throws exchange::SourceError, or ImportStopped.
ImportPlan planImportFile(const QString& path, const ImportProgress& progress = {});

// Creates the base at `path` with the planned rows and their pictures in a folder "img" beside
// it, all or nothing: a failure, a stop or a killed process leaves neither the base nor a
// picture it wrote (the pictures go into "img" only once the base is whole, and what a killed
// import left is removed by the next one). An existing file is never replaced, and pictures
// already in "img" are never overwritten (a new picture gets a number instead). A picture name
// is shortened by whole characters to what the picture column and the file system hold.
// Throws qb::Error, or ImportStopped.
void createImportedBase(const QString& path, const ImportPlan& plan,
                        const ImportProgress& progress = {});

// The message that tells the user what was left out or changed; empty when nothing was.
QString importReportText(const ImportReport& report);

}  // namespace editor
