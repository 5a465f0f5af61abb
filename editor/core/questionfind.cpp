#include "editor/core/questionfind.h"

namespace editor {

namespace columns = qb::columns;

namespace {

int positionOf(const QList<qb::ColumnInfo>& columnList, const QString& name) {
    for (int i = 0; i < columnList.size(); ++i) {
        if (columnList[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace

QString FoundQuestion::line() const {
    return QStringLiteral("Вопрос № %1: %2").arg(question).arg(text);
}

QuestionFind::QuestionFind(qb::Store& store, const QString& query, language::Language& language)
    : store_(store), query_(query, language) {
    const QList<qb::ColumnInfo> columnList = store_.columns(columns::kQuestionsTable);
    text_ = positionOf(columnList, columns::kQuestion);
    for (int i = 0; i < columns::kOptionCount; ++i)
        options_[i] = positionOf(columnList, columns::option(i));
    done_ = query_.isEmpty();
}

QList<FoundQuestion> QuestionFind::next(int milliseconds) {
    QList<FoundQuestion> found;
    QElapsedTimer clock;
    clock.start();
    const auto textAt = [](const qb::RowValues& row, int column) {
        return column >= 0 && column < row.size() ? row.at(column).toString() : QString();
    };
    for (int rows = 0; !done_; ++rows) {
        // A look at the clock costs far less than a row.
        if (rows > 0 && clock.elapsed() >= milliseconds)
            break;
        const std::optional<qint64> id = store_.nextRowId(columns::kQuestionsTable, last_);
        if (!id) {
            done_ = true;
            break;
        }
        const qb::RowValues row = store_.readRow(columns::kQuestionsTable, *id);
        last_ = id;
        ++read_;
        fields_[0] = textAt(row, text_);
        for (int i = 0; i < columns::kOptionCount; ++i)
            fields_[size_t(i) + 1] = textAt(row, options_[i]);
        QStringList words;
        if (query_.matches(fields_, &words))
            found.append({read_, *id, fields_[0], words});
    }
    return found;
}

}  // namespace editor
