#include "store/sqlitestatement.h"

SqliteStatement::SqliteStatement(sqlite3 *db, const QString &sql)
{
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
        m_stmt = nullptr;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqliteStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void SqliteStatement::bind(int index, double value)
{
    sqlite3_bind_double(m_stmt, index, value);
}

void SqliteStatement::bind(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text64(m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                        SQLITE_UTF8);
}

void SqliteStatement::bind(int index, const std::optional<QString> &value)
{
    if (value)
        bind(index, *value);
    else
        sqlite3_bind_null(m_stmt, index);
}

void SqliteStatement::bind(int index, const QByteArray &value)
{
    // An empty blob must stay a blob, not become NULL: "" is a valid content.
    static const char empty = 0;
    sqlite3_bind_blob64(m_stmt, index, value.isEmpty() ? &empty : value.constData(),
                        sqlite3_uint64(value.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int index, const std::optional<QByteArray> &value)
{
    if (value)
        bind(index, *value);
    else
        sqlite3_bind_null(m_stmt, index);
}

void SqliteStatement::bindStatic(int index, const QByteArray &value)
{
    static const char empty = 0;
    sqlite3_bind_blob64(m_stmt, index, value.isEmpty() ? &empty : value.constData(), sqlite3_uint64(value.size()),
                        SQLITE_STATIC);
}

void SqliteStatement::bindStatic(int index, const std::optional<QByteArray> &value)
{
    if (value)
        bindStatic(index, *value);
    else
        sqlite3_bind_null(m_stmt, index);
}

void SqliteStatement::bindZeroBlob(int index, qint64 size)
{
    sqlite3_bind_zeroblob64(m_stmt, index, sqlite3_uint64(size));
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
}

int SqliteStatement::step()
{
    return m_stmt ? sqlite3_step(m_stmt) : SQLITE_MISUSE;
}

bool SqliteStatement::exec()
{
    int rc;
    while ((rc = step()) == SQLITE_ROW) { }
    return rc == SQLITE_DONE;
}

qint64 SqliteStatement::int64Column(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double SqliteStatement::doubleColumn(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QString SqliteStatement::textColumn(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, column));
}

std::optional<QString> SqliteStatement::optionalTextColumn(int column) const
{
    if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return textColumn(column);
}

QByteArray SqliteStatement::blobColumn(int column) const
{
    const auto *data = static_cast<const char *>(sqlite3_column_blob(m_stmt, column));
    return QByteArray(data, sqlite3_column_bytes(m_stmt, column));
}

std::optional<QByteArray> SqliteStatement::optionalBlobColumn(int column) const
{
    if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return blobColumn(column);
}

bool sqliteExec(sqlite3 *db, const QString &sql)
{
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString sqliteError(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}
