#include "store/modelcontainer.h"

#include "store/sqlitestatement.h"
#include "store/walcheckpointer.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The item row holds the small fields only; its content and rich text live in a row of
// ClipContent, so that changing an item never rewrites the copied bytes. The content
// comes last in its row, where SQLite can write a large value in pieces.
const auto createSchemaSql = uR"(
    CREATE TABLE ClipContent (
        id INTEGER PRIMARY KEY,
        richTextData BLOB,
        content BLOB NOT NULL
    );
    CREATE TABLE ClipItem (
        id TEXT NOT NULL,
        contentTypeRaw TEXT NOT NULL,
        textPreview TEXT,
        isPinned INTEGER NOT NULL,
        timestamp REAL NOT NULL,
        contentHash TEXT NOT NULL,
        thumbnailData BLOB,
        contentId INTEGER NOT NULL
    );
)"_s;

// Indexes, and the trigger that takes an item's contents with it, whoever deletes it.
const auto createIndexesSql = uR"(
    CREATE INDEX ClipItemByTimestamp ON ClipItem (timestamp);
    CREATE INDEX ClipItemByPinnedTimestamp ON ClipItem (isPinned, timestamp);
    CREATE TRIGGER ClipItemContentGoes AFTER DELETE ON ClipItem
    BEGIN
        DELETE FROM ClipContent WHERE id = OLD.contentId;
    END;
)"_s;

// From the first schema: the contents move to their own rows, numbered as their items.
const auto migrateV1ToV2Sql = uR"(
    INSERT INTO ClipContent (id, richTextData, content) SELECT rowid, richTextData, content FROM ClipItem;
    INSERT INTO ClipItemV2 (rowid, id, contentTypeRaw, textPreview, isPinned, timestamp, contentHash,
                            thumbnailData, contentId)
        SELECT rowid, id, contentTypeRaw, textPreview, isPinned, timestamp, contentHash, thumbnailData, rowid
        FROM ClipItem;
    DROP TABLE ClipItem;
    ALTER TABLE ClipItemV2 RENAME TO ClipItem;
)"_s;

const QSet<QString> clipItemColumnsV1 = {
    u"id"_s,        u"content"_s,  u"contentTypeRaw"_s, u"textPreview"_s, u"thumbnailData"_s,
    u"richTextData"_s, u"isPinned"_s, u"timestamp"_s,   u"contentHash"_s,
};
const QSet<QString> clipItemColumnsV2 = {
    u"id"_s,       u"contentTypeRaw"_s, u"textPreview"_s, u"thumbnailData"_s,
    u"isPinned"_s, u"timestamp"_s,      u"contentHash"_s, u"contentId"_s,
};
const QSet<QString> clipContentColumns = {u"id"_s, u"richTextData"_s, u"content"_s};

const auto schemaVersionKey = u"schemaVersion"_s;

struct Connection {
    sqlite3 *db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
    sqlite3 *release() { return std::exchange(db, nullptr); }
};

QString quoted(const QString &path)
{
    return u"“%1”"_s.arg(path);
}

// Reads the first bytes without SQLite, so that a file that is not a database is never
// handed to it (and never gets a journal or WAL file next to it).
bool hasSqliteHeader(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = u"cannot read %1: %2"_s.arg(quoted(path), file.errorString());
        return false;
    }
    if (file.size() == 0)
        return true; // SQLite treats an empty file as an empty database
    static const QByteArray magic("SQLite format 3\0", 16);
    if (file.read(magic.size()) != magic) {
        *error = u"%1 is not a jotterly history store (not an SQLite database)"_s.arg(quoted(path));
        return false;
    }
    return true;
}

bool createEmptyFile(const QString &path, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        *error = u"cannot create %1: %2"_s.arg(quoted(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    ::close(fd);
    return true;
}

QStringList tableNames(sqlite3 *db, QString *error)
{
    SqliteStatement query(db, u"SELECT name FROM sqlite_schema WHERE type = 'table'"_s);
    QStringList names;
    int rc;
    while (query.isValid() && (rc = query.step()) == SQLITE_ROW)
        names << query.textColumn(0);
    if (!query.isValid() || rc != SQLITE_DONE)
        *error = sqliteError(db);
    return names;
}

bool initializeSchema(sqlite3 *db, QString *error)
{
    const QString sql = u"BEGIN IMMEDIATE;"_s + createSchemaSql + createIndexesSql
        + u"CREATE TABLE StoreMetadata (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL);"
          "INSERT INTO StoreMetadata (key, value) VALUES ('%1', '%2'); COMMIT;"_s.arg(
              schemaVersionKey, ClipItemSchemaV2::versionIdentifier.toString());
    if (!sqliteExec(db, sql)) {
        *error = sqliteError(db);
        sqliteExec(db, u"ROLLBACK"_s);
        return false;
    }
    return true;
}

QSet<QString> columnNames(sqlite3 *db, const QString &table)
{
    SqliteStatement query(db, u"SELECT name FROM pragma_table_info(?)"_s);
    query.bind(1, table);
    QSet<QString> columns;
    while (query.step() == SQLITE_ROW)
        columns.insert(query.textColumn(0));
    return columns;
}

// The schema the file was written under, when it is one the migration plan knows and
// the tables match it.
std::optional<SchemaVersion> recordedSchema(sqlite3 *db, const QStringList &tables, QString *error)
{
    if (!tables.contains(u"StoreMetadata"_s) || !tables.contains(u"ClipItem"_s)) {
        *error = u"the file holds no jotterly history (no schema version recorded)"_s;
        return std::nullopt;
    }
    SqliteStatement versionQuery(db, u"SELECT value FROM StoreMetadata WHERE key = ?"_s);
    versionQuery.bind(1, schemaVersionKey);
    if (versionQuery.step() != SQLITE_ROW) {
        *error = u"the file records no schema version"_s;
        return std::nullopt;
    }
    const QString recorded = versionQuery.textColumn(0);
    const auto known = ClipItemMigrationPlan::schemas();
    const auto version = std::find_if(known.cbegin(), known.cend(),
                                      [&](const SchemaVersion &v) { return v.toString() == recorded; });
    if (version == known.cend()) {
        *error = u"the history was written under schema version %1, which this version of jotterly "
                 "cannot open (it knows %2)"_s.arg(recorded, known.constLast().toString());
        return std::nullopt;
    }
    const bool matches = *version == ClipItemSchemaV1::versionIdentifier
        ? columnNames(db, u"ClipItem"_s) == clipItemColumnsV1
        : columnNames(db, u"ClipItem"_s) == clipItemColumnsV2 && tables.contains(u"ClipContent"_s)
            && columnNames(db, u"ClipContent"_s) == clipContentColumns;
    if (!matches) {
        *error = u"the ClipItem table does not match schema version %1"_s.arg(recorded);
        return std::nullopt;
    }
    return *version;
}

// The one migration stage, in one transaction: a stop at any point leaves the file
// under the first schema with every item, and a finished stage leaves it whole under
// the second.
bool migrateV1ToV2(sqlite3 *db, QString *error)
{
    QString createV2 = createSchemaSql;
    createV2.replace(u"CREATE TABLE ClipItem ("_s, u"CREATE TABLE ClipItemV2 ("_s);
    const QString sql = u"BEGIN IMMEDIATE;"_s + createV2 + migrateV1ToV2Sql + createIndexesSql
        + u"UPDATE StoreMetadata SET value = '%1' WHERE key = '%2'; COMMIT;"_s.arg(
            ClipItemSchemaV2::versionIdentifier.toString(), schemaVersionKey);
    if (!sqliteExec(db, sql)) {
        *error = sqliteError(db);
        sqliteExec(db, u"ROLLBACK"_s);
        return false;
    }
    return true;
}

bool passesQuickCheck(sqlite3 *db, QString *error)
{
    SqliteStatement check(db, u"PRAGMA quick_check(1)"_s);
    if (check.step() != SQLITE_ROW) {
        *error = sqliteError(db);
        return false;
    }
    const QString verdict = check.textColumn(0);
    if (verdict != u"ok"_s) {
        // SQLite's report spans lines; the message must stay on one.
        *error = u"the database is damaged (%1)"_s.arg(verdict.split(u'\n').constLast());
        return false;
    }
    return true;
}

} // namespace

ModelContainer::ModelContainer(sqlite3 *db, const QString &path)
    : m_db(db)
    , m_path(path)
    , m_checkpointer(std::make_unique<WalCheckpointer>(db, path))
{
}

ModelContainer::~ModelContainer()
{
    m_checkpointer.reset();
    sqlite3_close_v2(m_db); // the last connection: checkpoints what is left
}

std::unique_ptr<ModelContainer> ModelContainer::open(const QString &path, QString *error)
{
    QString reason;
    auto fail = [&](const QString &why) {
        *error = why;
        return nullptr;
    };

    const QFileInfo info(path);
    if (info.exists()) {
        if (!info.isFile())
            return fail(u"%1 is not a file"_s.arg(quoted(path)));
        if (!hasSqliteHeader(path, &reason))
            return fail(reason);
    } else if (!createEmptyFile(path, &reason)) {
        return fail(reason);
    }

    Connection connection;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &connection.db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK)
        return fail(u"cannot open %1: %2"_s.arg(quoted(path), connection.db ? sqliteError(connection.db)
                                                                           : QString::fromUtf8(sqlite3_errstr(rc))));
    sqlite3 *db = connection.db;
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);

    // Everything up to the schema check only reads, so a file we refuse stays untouched.
    const QStringList tables = tableNames(db, &reason);
    if (!reason.isEmpty())
        return fail(u"cannot read %1: %2"_s.arg(quoted(path), reason));
    std::optional<SchemaVersion> recorded;
    if (!tables.isEmpty()) {
        recorded = recordedSchema(db, tables, &reason);
        if (!recorded || !passesQuickCheck(db, &reason))
            return fail(u"cannot use %1: %2"_s.arg(quoted(path), reason));
    }

    // Write-ahead logging: a commit that returned survives a crash or kill of the process.
    {
        SqliteStatement journal(db, u"PRAGMA journal_mode = WAL"_s);
        if (journal.step() != SQLITE_ROW || journal.textColumn(0) != u"wal"_s)
            return fail(u"cannot write %1: %2"_s.arg(quoted(path), sqliteError(db)));
    }
    // A clipboard history holds passwords and private messages: owner only. The WAL files
    // exist by now; they lie beside the file itself, which may be reached through a link.
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QString &base : {path, target}) {
        for (const auto *suffix : {"", "-wal", "-shm"})
            ::chmod(QFile::encodeName(base + QLatin1StringView(suffix)).constData(), 0600);
    }
    // The log is synced at each checkpoint rather than at each commit: a power cut may take
    // back the last few copies, never corrupt the file, and a copy is recorded without
    // waiting for the disk.
    if (!sqliteExec(db, u"PRAGMA synchronous = NORMAL"_s))
        return fail(u"cannot write %1: %2"_s.arg(quoted(path), sqliteError(db)));
    // After a burst of large copies the log can be far larger than the history's pages;
    // it is cut back to this size each time it starts again from the top.
    sqliteExec(db, u"PRAGMA journal_size_limit = 67108864"_s);

    if (tables.isEmpty() && !initializeSchema(db, &reason))
        return fail(u"cannot create the history in %1: %2"_s.arg(quoted(path), reason));
    if (recorded == ClipItemSchemaV1::versionIdentifier && !migrateV1ToV2(db, &reason))
        return fail(u"cannot migrate %1 to schema version %2: %3"_s.arg(
            quoted(path), ClipItemSchemaV2::versionIdentifier.toString(), reason));

    return std::unique_ptr<ModelContainer>(new ModelContainer(connection.release(), path));
}
