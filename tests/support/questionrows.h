#pragma once

#include "tests/support/tempbase.h"

#include "questionbase/connection.h"
#include "questionbase/recordset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <array>

namespace testsupport {

// One row of `test` as a test writes it: positions 1 to 6 (the question and the five options)
// and `верный`. A null QVariant leaves the column absent.
struct QuestionRow {
    std::array<QVariant, 6> fields;
    QVariant correct;
};

// A base of our format holding exactly these rows, protected by `password` when it is not empty.
QString makeQuestionBase(const TempFolder& folder, const QString& name,
                         const QList<QuestionRow>& rows, const QString& password = {});

// A base opened as the exporter opens it, with its questions.
struct OpenBase {
    explicit OpenBase(const QString& path);
    qb::Connection connection;
    qb::Recordset questions;
};

// A plain, unencrypted SQLite file built from raw statements: for shapes our format refuses
// to write (an absent `верный`, a missing column, no table `test`).
QString makePlainBase(const TempFolder& folder, const QString& name, const QStringList& statements);

}  // namespace testsupport
