#include "tests/support/questionrows.h"

#include "tests/support/editorbases.h"

#include "questionbase/catalog.h"
#include "questionbase/columns.h"
#include "questionbase/connection.h"
#include "questionbase/connectionstring.h"
#include "questionbase/recordset.h"

namespace testsupport {

OpenBase::OpenBase(const QString& path) {
    connection.open(qb::connectionStringFor(path, qb::kEmptyPasswordMarker));
    questions.openOn(connection, qb::columns::kQuestionsQuery);
}

QString makeQuestionBase(const TempFolder& folder, const QString& name,
                         const QList<QuestionRow>& rows, const QString& password) {
    const QString path = folder.path(name);
    qb::Catalog::createAt(path);
    qb::Connection connection;
    connection.setMode(qb::kModeShareExclusive);
    connection.open(path, qb::kEmptyPasswordMarker);
    {
        qb::Recordset recordset;
        recordset.openOn(connection, QStringLiteral("SELECT * FROM test"));
        for (const QuestionRow& row : rows) {
            recordset.addNew();
            for (int i = 0; i < 6; ++i) {
                if (!row.fields[i].isNull())
                    recordset.field(i + 1).setValue(row.fields[i]);
            }
            recordset.field(QStringLiteral("верный")).setValue(row.correct);
            recordset.update();
        }
        recordset.close();
    }
    if (!password.isEmpty())
        connection.execute(QStringLiteral("ALTER Database Password %1 _=").arg(password));
    connection.close();
    return path;
}

QString makePlainBase(const TempFolder& folder, const QString& name,
                      const QStringList& statements) {
    const QString path = folder.path(name);
    makePlainBase(path, statements);
    return path;
}

}  // namespace testsupport
