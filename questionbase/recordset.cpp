#include "questionbase/recordset.h"

#include "questionbase/connection.h"
#include "questionbase/error.h"
#include "questionbase/numberentry.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace qb {

namespace {

// Ids learnt by a step that must know every position, and at least by one that needs a few.
constexpr int kLearnAllSlice = 1 << 16;
constexpr int kLearnFewSlice = 256;

QString sourceTable(const QString& source) {
    static const QRegularExpression select(
        QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+\\[?([^\\s\\];]+)\\]?\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = select.match(source);
    if (!match.hasMatch())
        fail(Reason::Refused, QStringLiteral("Неподдерживаемый запрос: ") + source);
    return match.captured(1);
}

QString resolveTable(Store& store, const QString& name) {
    for (const QString& table : store.tableNames()) {
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    fail(Reason::NoSuchItem, QStringLiteral("Нет таблицы ") + name);
}

}  // namespace

// ---- Field ----

QString Field::name() const {
    return recordset_->columns_.at(column_).name;
}

QVariant Field::value() const {
    return recordset_->valueAt(column_);
}

QString Field::text() const {
    const QVariant v = value();
    if (v.isNull())
        fail(Reason::Refused, QStringLiteral("Значение поля отсутствует: ") + name());
    return v.toString();
}

void Field::setValue(const QVariant& value) {
    recordset_->setValueAt(column_, value);
}

int Field::actualSize() const {
    const QVariant v = value();
    if (v.isNull())
        return 0;
    if (holdsNumbers())
        return 4;
    return static_cast<int>(v.toString().size() * 2);
}

bool Field::holdsNumbers() const {
    return recordset_->columns_.at(column_).type == ColumnType::Integer;
}

int Field::definedSize() const {
    return recordset_->columns_.at(column_).maxLength;
}

// ---- Recordset ----

Recordset::Recordset() = default;

Recordset::~Recordset() {
    close();
}

void Recordset::openOn(Connection& connection, const QString& source) {
    setActiveConnection(&connection);
    setSource(source);
    setCursorType(kCursorKeyset);
    setLockType(kLockOptimistic);
    setCursorLocation(kCursorServer);
    open();
}

void Recordset::open() {
    if (open_)
        fail(Reason::Refused, QStringLiteral("Набор записей уже открыт"));
    if (connection_ == nullptr || !connection_->isOpen())
        fail(Reason::Refused, QStringLiteral("Подключение не открыто"));
    Store& store = connection_->store();
    const QString table = resolveTable(store, sourceTable(source_));
    columns_ = store.columns(table);
    count_ = store.rowCount(table);
    table_ = table;
    positions_.forget();
    placeOn(store.nextRowId(table, std::nullopt), Place::BeforeFirst);
    adding_ = false;
    pending_.clear();
    current_.reset();
    open_ = true;
    connection_->attach(this);
}

int Recordset::state() const {
    return open_ ? 1 : 0;
}

void Recordset::close() {
    if (!open_)
        return;
    open_ = false;
    count_ = 0;
    positions_.forget();
    pending_.clear();
    current_.reset();
    adding_ = false;
    if (connection_ != nullptr)
        connection_->detach(this);
}

void Recordset::requireOpen() const {
    if (!open_)
        fail(Reason::Refused, QStringLiteral("Набор записей закрыт"));
}

void Recordset::requireRow() const {
    requireOpen();
    if (adding_)
        return;
    if (onDeletedSlot_)
        fail(Reason::Refused, QStringLiteral("Текущая запись удалена"));
    if (place_ != Place::OnRow)
        fail(Reason::Refused, QStringLiteral("Нет текущей записи"));
}

bool Recordset::bof() const {
    requireOpen();
    if (adding_ || onDeletedSlot_)
        return false;
    return count_ == 0 || place_ == Place::BeforeFirst;
}

bool Recordset::eof() const {
    requireOpen();
    if (adding_ || onDeletedSlot_)
        return false;
    return count_ == 0 || place_ == Place::AfterLast;
}

int Recordset::recordCount() const {
    requireOpen();
    return static_cast<int>(count_) + (adding_ ? 1 : 0);
}

qint64 Recordset::currentId() const {
    requireRow();
    return adding_ ? 0 : id_;
}

void Recordset::leaveRow() {
    requireOpen();
    if (adding_ || !pending_.isEmpty())
        update();
}

void Recordset::placeOn(std::optional<qint64> id, Place otherwise) {
    place_ = id ? Place::OnRow : otherwise;
    id_ = id.value_or(0);
    onDeletedSlot_ = false;
    current_.reset();
}

void Recordset::moveFirst() {
    leaveRow();
    placeOn(connection_->store().nextRowId(table_, std::nullopt), Place::BeforeFirst);
}

void Recordset::moveLast() {
    leaveRow();
    placeOn(connection_->store().previousRowId(table_, std::nullopt), Place::BeforeFirst);
}

void Recordset::moveTo(qint64 position) {
    leaveRow();
    placeOn(idAt(position), Place::AfterLast);
}

bool Recordset::moveToRow(qint64 id) {
    const std::optional<qint64> found = connection_->store().nextRowId(table_, id - 1);
    if (found != id)
        return false;
    leaveRow();
    placeOn(id, Place::AfterLast);
    return true;
}

void Recordset::moveNext() {
    leaveRow();
    if (eof())
        fail(Reason::Refused, QStringLiteral("Текущая запись за последней"));
    // The rows after a deleted one slid back into its slot: the next row takes it.
    const std::optional<qint64> from =
        place_ == Place::OnRow ? std::optional<qint64>(id_) : std::nullopt;
    placeOn(connection_->store().nextRowId(table_, from), Place::AfterLast);
}

void Recordset::movePrevious() {
    leaveRow();
    if (bof())
        fail(Reason::Refused, QStringLiteral("Текущая запись перед первой"));
    const std::optional<qint64> from =
        place_ == Place::OnRow ? std::optional<qint64>(id_) : std::nullopt;
    placeOn(connection_->store().previousRowId(table_, from), Place::BeforeFirst);
}

void Recordset::addNew() {
    leaveRow();
    adding_ = true;
    onDeletedSlot_ = false;
    pending_.clear();
    current_.reset();
}

void Recordset::update() {
    requireOpen();
    Store& store = connection_->store();
    if (adding_) {
        learnAllPositions();
        const qint64 id = store.insertRow(table_, pending_);
        positions_.added(id);
        ++count_;
        adding_ = false;
        pending_.clear();
        placeOn(id, Place::OnRow);
        return;
    }
    if (pending_.isEmpty())
        return;
    requireRow();
    store.updateRow(table_, id_, pending_);
    pending_.clear();
    current_.reset();
}

void Recordset::cancelUpdate() {
    requireOpen();
    pending_.clear();
    if (adding_) {
        adding_ = false;
        placeOn(connection_->store().previousRowId(table_, std::nullopt), Place::BeforeFirst);
    }
}

void Recordset::deleteCurrent() {
    requireOpen();
    if (adding_) {
        cancelUpdate();
        return;
    }
    requireRow();
    learnAllPositions();
    connection_->store().deleteRow(table_, id_);
    positions_.removed(id_);
    --count_;
    pending_.clear();
    current_.reset();
    onDeletedSlot_ = true;
}

void Recordset::forEachRow(const std::function<void(const RowView&)>& visit) {
    leaveRow();
    connection_->store().scanRows(table_, visit);
    placeOn(std::nullopt, Place::AfterLast);
}

bool Recordset::learnPositions(int limit) {
    requireOpen();
    if (positions_.complete())
        return true;
    Store& store = connection_->store();
    if (!positions_.learn(store, table_, limit))
        return false;
    count_ = positions_.count();
    store.rowsCounted(table_, count_);
    return true;
}

void Recordset::learnAllPositions() {
    while (!learnPositions(kLearnAllSlice)) {
    }
}

qint64 Recordset::positionCount() {
    learnAllPositions();
    return positions_.count();
}

std::optional<qint64> Recordset::idAt(qint64 position) {
    requireOpen();
    // The ids before it are all a position needs: the first lines of a long list do not wait
    // for the rest of the walk.
    while (positions_.count() < position && !positions_.complete()) {
        const qint64 missing = position - positions_.count();
        learnPositions(int(std::clamp<qint64>(missing, kLearnFewSlice, kLearnAllSlice)));
    }
    return positions_.idAt(position);
}

std::optional<qint64> Recordset::positionOf(qint64 id) {
    learnAllPositions();
    return positions_.positionOf(id);
}

std::optional<qint64> Recordset::currentPosition() {
    learnAllPositions();
    if (adding_)
        return positions_.count() + 1;
    if (onDeletedSlot_ || place_ != Place::OnRow)
        return std::nullopt;
    return positions_.positionOf(id_);
}

bool Recordset::hasOtherRow() {
    requireOpen();
    Store& store = connection_->store();
    if (adding_ || onDeletedSlot_ || place_ != Place::OnRow)
        return store.nextRowId(table_, std::nullopt).has_value();
    return store.nextRowId(table_, id_) || store.previousRowId(table_, id_);
}

int Recordset::fieldCount() const {
    requireOpen();
    return static_cast<int>(columns_.size());
}

QStringList Recordset::fieldNames() const {
    requireOpen();
    QStringList names;
    for (const ColumnInfo& column : columns_)
        names << column.name;
    return names;
}

Field Recordset::field(int position) {
    requireOpen();
    if (position < 0 || position >= columns_.size())
        fail(Reason::NoSuchItem, QStringLiteral("Нет поля с номером %1").arg(position));
    return Field(this, position);
}

Field Recordset::field(const QString& name) {
    requireOpen();
    for (int i = 0; i < columns_.size(); ++i) {
        if (columns_.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return Field(this, i);
    }
    fail(Reason::NoSuchItem, QStringLiteral("Нет поля ") + name);
}

const RowValues& Recordset::currentValues() const {
    if (!current_)
        current_ = connection_->store().readRow(table_, id_);
    return *current_;
}

QVariant Recordset::valueAt(int column) const {
    requireRow();
    for (const auto& [pendingColumn, value] : pending_) {
        if (pendingColumn == column)
            return value;
    }
    if (adding_)
        return QVariant();
    return currentValues().value(column);
}

QVariant Recordset::checkedValue(int column, const QVariant& value) const {
    const ColumnInfo& info = columns_.at(column);
    if (info.autoIncrement)
        fail(Reason::Refused, QStringLiteral("Поле заполняется базой: ") + info.name);
    if (value.isNull())
        return QVariant();
    if (info.type == ColumnType::Integer) {
        constexpr qint64 min = std::numeric_limits<qint32>::min();
        constexpr qint64 max = std::numeric_limits<qint32>::max();
        bool isNumber = false;
        const qint64 number = value.toLongLong(&isNumber);
        if (value.typeId() != QMetaType::QString && isNumber) {
            if (number < min || number > max)
                fail(Reason::Refused, QStringLiteral("Число вне допустимого диапазона"));
            return QVariant(static_cast<int>(number));
        }
        const WholeNumber entry = parseWholeNumber(value.toString().trimmed(), min, max);
        if (entry.status != NumberStatus::Ok)
            fail(Reason::Refused, QStringLiteral("Значение не является числом: ") + info.name);
        return QVariant(static_cast<int>(entry.value));
    }
    const QString text = value.toString();
    if (text.contains(QChar(u'\0')))
        fail(Reason::Refused, QStringLiteral("Текст содержит нулевой символ"));
    if (info.maxLength > 0 && text.size() > info.maxLength)
        fail(Reason::Refused, QStringLiteral("Слишком длинный текст для поля ") + info.name);
    return QVariant(text);
}

void Recordset::setValueAt(int column, const QVariant& value) {
    requireRow();
    const QVariant checked = checkedValue(column, value);
    for (auto& [pendingColumn, pendingValue] : pending_) {
        if (pendingColumn == column) {
            pendingValue = checked;
            return;
        }
    }
    pending_.append({column, checked});
}

}  // namespace qb
