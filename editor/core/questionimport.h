#pragma once

#include "exchange/source.h"

#include <QString>
#include <QStringList>

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
        std::optional<exchange::Picture> picture;
    };
    QList<Row> rows;
    QString description;
    ImportReport report;
};

// Applies the base's limits: five options, 225 and 120 characters as stored, text that the base
// can hold, and a picture that decodes (one the old test program cannot show becomes a JPEG).
ImportPlan planImport(const exchange::Source& source);

// Creates the base at `path` with the planned rows and their pictures in a folder "img" beside
// it, all or nothing: a failure leaves neither the base nor a picture it wrote. An existing
// file is never replaced, and pictures already in "img" are never overwritten (a new picture
// gets a number instead). Throws qb::Error.
void createImportedBase(const QString& path, const ImportPlan& plan);

// The message that tells the user what was left out or changed; empty when nothing was.
QString importReportText(const ImportReport& report);

}  // namespace editor
