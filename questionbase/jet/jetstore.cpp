#include "questionbase/jet/jetstore.h"

#include "questionbase/error.h"
#include "questionbase/jet/jetpassword.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdio>

#ifdef TAMBRIS_HAVE_LIBMDB
// mdbtools.h pulls glib in inside its own extern "C" block; glib must come first.
#include <glib.h>
#include <mdbtools.h>
#endif

namespace qb {

namespace jet {

QString decodeText(QByteArrayView bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype size = bytes.size();
    QString text;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        text.reserve(size - 2);
        bool compressed = true;
        qsizetype i = 2;
        while (i < size) {
            if (data[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                // One byte a character is the low half of UTF-16: Latin-1, whatever the
                // file's code page says.
                text.append(QChar(char16_t(data[i])));
                ++i;
            } else if (i + 1 < size) {
                text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
                i += 2;
            } else {
                break;  // a lone trailing byte cannot be a character
            }
        }
        return text;
    }
    text.reserve(size / 2);
    for (qsizetype i = 0; i + 1 < size; i += 2)
        text.append(QChar(char16_t(data[i] | (data[i + 1] << 8))));
    return text;
}

}  // namespace jet

namespace {

constexpr qsizetype kJet4PageSize = 4096;
// The header page, the free-space map and the system catalog come before any user table.
constexpr qsizetype kMinimumPages = 4;
// libmdb's own ceiling for row numbers on a page, and a bound on what a small base can hold:
// a looping page chain in a damaged file must not read forever.
constexpr qsizetype kMaximumRows = 10'000'000;

[[noreturn]] void notABase() {
    fail(Reason::NotABase, QStringLiteral("Файл не является базой вопросов"));
}

// What the header says about the file, checked before libmdb sees it: libmdb trusts page
// numbers and sizes it reads, so a file cut short or not made of whole pages stays away from it.
struct Header {
    QString password;
    qint64 pageCount = 0;
};

Header checkedHeader(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        notABase();
    const qint64 size = file.size();
    if (size < kMinimumPages * kJet4PageSize || size % kJet4PageSize != 0)
        notABase();
    const QByteArray header = file.read(kJet4PageSize);
    if (header.size() != kJet4PageSize || header.at(jet::kJetVersionOffset) != jet::kJet4Version)
        notABase();
    const auto password = jet::decodeJet4Password(header);
    if (!password)
        notABase();
    return {*password, size / kJet4PageSize};
}

#ifdef TAMBRIS_HAVE_LIBMDB

struct HandleCloser {
    void operator()(MdbHandle* handle) const { mdb_close(handle); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

bool isIntegerType(int type) {
    return type == MDB_BOOL || type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT;
}

bool propertyIsYes(const MdbColumn* column, const char* name) {
    if (column->props == nullptr || column->props->hash == nullptr)
        return false;
    const auto* value = static_cast<const char*>(g_hash_table_lookup(column->props->hash, name));
    return value != nullptr && g_ascii_strcasecmp(value, "yes") == 0;
}

ColumnInfo columnInfo(const MdbColumn* column) {
    ColumnInfo info;
    info.name = QString::fromUtf8(column->name);
    info.type = isIntegerType(column->col_type) ? ColumnType::Integer : ColumnType::Text;
    info.autoIncrement = column->is_long_auto != 0 && info.type == ColumnType::Integer;
    info.required = info.autoIncrement || propertyIsYes(column, "Required");
    if (column->col_type == MDB_TEXT)
        info.maxLength = column->col_size / 2;  // Jet 4.0 sizes text in UTF-16 bytes
    return info;
}

QVariant fieldValue(const MdbHandle* mdb, const MdbColumn* column, const MdbField& field) {
    // A Yes/No column keeps its value in the null mask: a clear bit is Yes (-1).
    if (column->col_type == MDB_BOOL)
        return QVariant(field.is_null ? 0 : -1);
    if (field.is_null)
        return QVariant();
    const qsizetype pageSize = mdb->fmt->pg_size;
    if (field.start < 0 || field.siz < 0 || field.start + qsizetype(field.siz) > pageSize)
        notABase();
    const unsigned char* bytes = mdb->pg_buf + field.start;
    switch (column->col_type) {
        case MDB_BYTE:
            return field.siz >= 1 ? QVariant(int(bytes[0])) : QVariant();
        case MDB_INT:
            return field.siz >= 2 ? QVariant(int(qFromLittleEndian<qint16>(bytes))) : QVariant();
        case MDB_LONGINT:
            return field.siz >= 4 ? QVariant(int(qFromLittleEndian<qint32>(bytes))) : QVariant();
        case MDB_TEXT:
            return QVariant(
                jet::decodeText(QByteArrayView(reinterpret_cast<const char*>(bytes), field.siz)));
        default:
            // Memo, dates, money and the rest have no place in a question base.
            return QVariant();
    }
}

// libmdb takes a page past the end of the file for the end of the table, so a file cut short
// at a page boundary would read as a base with rows missing.
void requirePagesPresent(MdbHandle* mdb, MdbTableDef* def, qint64 pageCount) {
    if (def->usage_map == nullptr)
        return;
    const auto mapSize = static_cast<unsigned>(def->map_sz);
    // A map of type 1 lists the pages that hold the actual bitmaps; libmdb treats one it
    // cannot read as "no more pages".
    if (mapSize > 0 && def->usage_map[0] == 1) {
        for (unsigned offset = 1; offset + 4 <= mapSize; offset += 4) {
            const auto bitmapPage =
                static_cast<guint32>(mdb_get_int32(def->usage_map, int(offset)));
            if (qint64(bitmapPage) >= pageCount)
                notABase();
        }
    }
    gint32 previous = 0;
    for (gint32 page = mdb_map_find_next(mdb, def->usage_map, mapSize, 0); page > previous;
         page = mdb_map_find_next(mdb, def->usage_map, mapSize, guint32(page))) {
        if (page >= pageCount)
            notABase();
        previous = page;
    }
}

// The table definition, its continuation pages and the pages holding its page maps must all
// lie inside the file; libmdb would take stale buffer contents for a map it cannot read.
void requireDefinitionPresent(MdbHandle* mdb, unsigned long tablePage, qint64 pageCount) {
    const ssize_t pageSize = mdb->fmt->pg_size;
    qint64 page = qint64(tablePage);
    for (qint64 steps = 0; page != 0; ++steps) {
        if (page < 0 || page >= pageCount || steps >= pageCount ||
            mdb_read_pg(mdb, static_cast<unsigned long>(page)) != pageSize)
            notABase();
        if (steps == 0) {
            for (guint16 offset : {mdb->fmt->tab_usage_map_offset, mdb->fmt->tab_free_map_offset}) {
                const auto mapRow = static_cast<guint32>(mdb_get_int32(mdb->pg_buf, offset));
                if (qint64(mapRow >> 8) >= pageCount)
                    notABase();
            }
        }
        page = qint64(static_cast<guint32>(mdb_get_int32(mdb->pg_buf, 4)));
    }
}

JetStore::Table readTable(MdbHandle* mdb, MdbCatalogEntry* entry, qint64 pageCount) {
    requireDefinitionPresent(mdb, entry->table_pg, pageCount);
    std::unique_ptr<MdbTableDef, TableFreer> def(mdb_read_table(entry));
    if (!def || mdb_read_columns(def.get()) == nullptr)
        notABase();
    requirePagesPresent(mdb, def.get(), pageCount);
    const unsigned columnCount = def->num_cols;
    if (def->columns == nullptr || def->columns->len != columnCount)
        notABase();

    JetStore::Table table;
    table.name = QString::fromUtf8(def->name);
    int autoNumber = -1;
    std::vector<const MdbColumn*> columns;
    for (unsigned i = 0; i < columnCount; ++i) {
        const auto* column = static_cast<const MdbColumn*>(g_ptr_array_index(def->columns, i));
        columns.push_back(column);
        table.columns << columnInfo(column);
        if (autoNumber < 0 && table.columns.last().autoIncrement)
            autoNumber = int(i);
    }

    std::vector<MdbField> fields(std::max(columnCount, 1u));
    mdb_rewind_table(def.get());
    while (mdb_fetch_row(def.get())) {
        if (qsizetype(table.rows.size()) >= kMaximumRows)
            notABase();
        // mdb_fetch_row leaves the row's page loaded and its number one behind cur_row.
        int start = 0;
        size_t length = 0;
        if (def->cur_row == 0 || mdb_find_row(mdb, int(def->cur_row - 1), &start, &length) != 0)
            notABase();
        start &= 0x1FFF;  // the high bits flag deleted and moved rows
        const int cracked = mdb_crack_row(def.get(), start, length, fields.data());
        if (cracked < 0)
            notABase();
        RowValues row(columnCount);
        for (int i = 0; i < std::min(cracked, int(columnCount)); ++i) {
            const int position = fields[i].colnum;
            if (position < 0 || position >= int(columnCount))
                notABase();
            row[position] = fieldValue(mdb, columns[position], fields[i]);
        }
        table.rows.push_back(std::move(row));
    }

    // libmdb gives rows in page order, and Access moves a row that grew; the AutoNumber
    // column is the order in which they were added.
    if (autoNumber >= 0) {
        std::stable_sort(table.rows.begin(), table.rows.end(),
                         [autoNumber](const RowValues& a, const RowValues& b) {
                             const QVariant& x = a.at(autoNumber);
                             const QVariant& y = b.at(autoNumber);
                             if (x.isNull() || y.isNull())
                                 return !x.isNull() && y.isNull();
                             return x.toLongLong() < y.toLongLong();
                         });
    }
    return table;
}

std::vector<JetStore::Table> readTables(const QString& path, qint64 pageCount) {
    const QByteArray name = QFile::encodeName(path);
    std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(name.constData(), MDB_NOFLAGS));
    if (!mdb || mdb->fmt == nullptr || mdb->fmt->pg_size != kJet4PageSize)
        notABase();
    {
        // The catalog is a table too (MSysObjects, defined on page 2): a cut through it would
        // lose tables without a word from libmdb.
        MdbCatalogEntry objects{};
        objects.mdb = mdb.get();
        objects.object_type = MDB_TABLE;
        objects.table_pg = 2;
        std::snprintf(objects.object_name, sizeof objects.object_name, "MSysObjects");
        requireDefinitionPresent(mdb.get(), objects.table_pg, pageCount);
        std::unique_ptr<MdbTableDef, TableFreer> def(mdb_read_table(&objects));
        if (!def)
            notABase();
        requirePagesPresent(mdb.get(), def.get(), pageCount);
    }
    GPtrArray* catalog = mdb_read_catalog(mdb.get(), MDB_TABLE);
    if (catalog == nullptr)
        notABase();
    std::vector<JetStore::Table> tables;
    for (guint i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry))
            continue;
        tables.push_back(readTable(mdb.get(), entry, pageCount));
    }
    return tables;
}

#else

std::vector<JetStore::Table> readTables(const QString&, qint64) {
    fail(Reason::NotABase, QStringLiteral("Файлы старого формата Jet не поддерживаются"));
}

#endif

[[noreturn]] void refuseWrite() {
    fail(Reason::Refused, QStringLiteral("База старого формата Jet открыта только для чтения"));
}

}  // namespace

std::unique_ptr<JetStore> JetStore::open(const QString& path,
                                         const std::optional<QString>& password) {
    Header header = checkedHeader(path);
    QString& stored = header.password;
    // Jet compares the password exactly as stored, letter case included. The marker stands
    // for "no password" and so never matches one.
    if (!stored.isEmpty() && (!password || *password != stored))
        fail(Reason::Authentication, QStringLiteral("Неверный пароль базы"));
    return std::unique_ptr<JetStore>(
        new JetStore(std::move(stored), readTables(path, header.pageCount)));
}

const JetStore::Table& JetStore::table(const QString& name) const {
    for (const Table& table : tables_) {
        if (table.name == name)
            return table;
    }
    for (const Table& table : tables_) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    fail(Reason::NoSuchItem, QStringLiteral("Нет таблицы ") + name);
}

QStringList JetStore::tableNames() {
    QStringList names;
    for (const Table& table : tables_)
        names << table.name;
    return names;
}

QList<ColumnInfo> JetStore::columns(const QString& name) {
    return table(name).columns;
}

std::vector<qint64> JetStore::rowIds(const QString& name) {
    const Table& found = table(name);
    std::vector<qint64> ids(found.rows.size());
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = qint64(i) + 1;
    return ids;
}

qint64 JetStore::rowCount(const QString& name) {
    return qint64(table(name).rows.size());
}

std::optional<qint64> JetStore::nextRowId(const QString& name, std::optional<qint64> after) {
    const qint64 count = rowCount(name);
    if (count == 0 || (after && *after >= count))
        return std::nullopt;
    return after && *after > 0 ? *after + 1 : 1;
}

std::vector<qint64> JetStore::nextRowIds(const QString& name, std::optional<qint64> after,
                                         int limit) {
    const qint64 count = rowCount(name);
    std::vector<qint64> ids;
    if (after && *after >= count)
        return ids;
    const qint64 first = after ? std::max<qint64>(*after, 0) + 1 : 1;
    for (qint64 id = first; id <= count && qint64(ids.size()) < limit; ++id)
        ids.push_back(id);
    return ids;
}

std::optional<qint64> JetStore::previousRowId(const QString& name, std::optional<qint64> before) {
    const qint64 count = rowCount(name);
    const qint64 previous = !before ? count : *before <= 1 ? 0 : std::min(*before - 1, count);
    if (previous < 1)
        return std::nullopt;
    return previous;
}

RowValues JetStore::readRow(const QString& name, qint64 id) {
    const Table& found = table(name);
    if (id < 1 || id > qint64(found.rows.size()))
        fail(Reason::Refused, QStringLiteral("Строка удалена"));
    return found.rows[size_t(id - 1)];
}

void JetStore::scanRows(const QString& name, const std::function<void(const RowView&)>& visit,
                        std::optional<qint64> after) {
    class ValuesRow final : public RowView {
    public:
        const RowValues* values = nullptr;
        QVariant value(int column) const override { return values->value(column); }
        std::optional<QByteArrayView> utf8(int) const override { return std::nullopt; }
        qint64 id() const override { return position; }
        qint64 position = 0;
    };
    ValuesRow row;
    const std::vector<RowValues>& rows = table(name).rows;
    // A row's id is its position, from 1.
    for (size_t i = size_t(std::clamp<qint64>(after.value_or(0), 0, qint64(rows.size())));
         i < rows.size(); ++i) {
        row.values = &rows[i];
        row.position = qint64(i) + 1;
        visit(row);
    }
}

qint64 JetStore::insertRow(const QString&, const ColumnValues&) {
    refuseWrite();
}

void JetStore::updateRow(const QString&, qint64, const ColumnValues&) {
    refuseWrite();
}

void JetStore::deleteRow(const QString&, qint64) {
    refuseWrite();
}

void JetStore::changePassword(const PasswordStatement&) {
    refuseWrite();
}

}  // namespace qb
