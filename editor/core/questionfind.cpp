#include "editor/core/questionfind.h"

#include <QElapsedTimer>

namespace editor {

namespace columns = qb::columns;

QString FoundQuestion::line() const {
    return QStringLiteral("Вопрос № %1: %2").arg(question).arg(text);
}

QuestionFind::QuestionFind(qb::Store& store, const QString& query, language::Language& language)
    : store_(store), query_(query, language) {
    const QList<qb::ColumnInfo> columnList = store_.columns(columns::kQuestionsTable);
    text_ = qb::columnPosition(columnList, columns::kQuestion);
    for (int i = 0; i < columns::kOptionCount; ++i)
        options_[i] = qb::columnPosition(columnList, columns::option(i));
    done_ = query_.isEmpty();
}

QList<FoundQuestion> QuestionFind::next(int milliseconds) {
    struct SliceOver {};
    QList<FoundQuestion> found;
    QElapsedTimer clock;
    clock.start();
    int rows = 0;
    const auto textAt = [](const qb::RowView& row, int column) {
        if (column < 0)
            return QString();
        if (const std::optional<QByteArrayView> utf8 = row.utf8(column))
            return QString::fromUtf8(*utf8);
        return row.value(column).toString();
    };
    // Most questions are turned down on their stored UTF-8 alone, without a conversion.
    const auto turnedDown = [&](const qb::RowView& row) {
        std::array<QByteArrayView, 1 + columns::kOptionCount> bytes;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const int column = i == 0 ? text_ : options_[i - 1];
            if (column < 0)
                continue;
            if (const std::optional<QByteArrayView> utf8 = row.utf8(column))
                bytes[i] = *utf8;
            else if (!row.value(column).isNull())
                return false;  // a number where a text should be: the long way
        }
        return !query_.mayMatch(bytes);
    };
    try {
        // A slice stops the scan; the next one takes it up after the last row read.
        store_.scanRows(
            columns::kQuestionsTable,
            [&](const qb::RowView& row) {
                // A look at the clock costs far less than a row.
                if (rows > 0 && clock.elapsed() >= milliseconds)
                    throw SliceOver{};
                ++rows;
                ++read_;
                last_ = row.id();
                if (turnedDown(row))
                    return;
                fields_[0] = textAt(row, text_);
                for (int i = 0; i < columns::kOptionCount; ++i)
                    fields_[size_t(i) + 1] = textAt(row, options_[i]);
                QStringList words;
                if (query_.matches(fields_, &words))
                    found.append({read_, *last_, fields_[0], words});
            },
            last_);
        done_ = true;
    } catch (const SliceOver&) {
    }
    return found;
}

}  // namespace editor
