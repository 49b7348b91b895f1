#pragma once

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <optional>

/// A prepared SQLite statement that finalizes itself. Internal to the store.
class SqliteStatement
{
public:
    SqliteStatement(sqlite3 *db, const QString &sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    [[nodiscard]] bool isValid() const { return m_stmt != nullptr; }

    void bind(int index, qint64 value);
    void bind(int index, double value);
    void bind(int index, const QString &value);
    void bind(int index, const std::optional<QString> &value);
    void bind(int index, const QByteArray &value);
    void bind(int index, const std::optional<QByteArray> &value);
    /// Binds the bytes without copying them: they must stay unchanged until the
    /// statement is finished or bound anew.
    void bindStatic(int index, const QByteArray &value);
    void bindStatic(int index, const std::optional<QByteArray> &value);
    /// Binds `size` zero bytes, to be overwritten in place later.
    void bindZeroBlob(int index, qint64 size);
    /// Makes the statement ready to run again; bindings stay.
    void reset();

    /// Steps once: SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    /// Steps to completion; true when the statement ran without error.
    bool exec();

    [[nodiscard]] qint64 int64Column(int column) const;
    [[nodiscard]] double doubleColumn(int column) const;
    [[nodiscard]] QString textColumn(int column) const;
    [[nodiscard]] std::optional<QString> optionalTextColumn(int column) const;
    [[nodiscard]] QByteArray blobColumn(int column) const;
    [[nodiscard]] std::optional<QByteArray> optionalBlobColumn(int column) const;

private:
    sqlite3_stmt *m_stmt = nullptr;
};

/// Runs SQL without results; true on success.
bool sqliteExec(sqlite3 *db, const QString &sql);

/// The connection's last error message, with the file it concerns.
[[nodiscard]] QString sqliteError(sqlite3 *db);
