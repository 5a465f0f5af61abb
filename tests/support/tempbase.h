#pragma once

#include "questionbase/sqlite.h"

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A temporary folder that holds test bases; removed with the object.
class TempFolder {
public:
    TempFolder();
    QString path(const QString& name) const;
    QString folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

// A new base of our format with `questions` rows ("Вопрос 1" … with options and верный).
QString makeBase(const TempFolder& folder, const QString& name, int questions);

// A base without a password as SQLite sees it, for statements no window sends: what other
// programs write, and damage.
qb::sqlite::Database openRaw(const QString& path);

}  // namespace testsupport
