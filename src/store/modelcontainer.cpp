#include "store/modelcontainer.h"

#include "store/sqlitestatement.h"
#include "store/walcheckpointer.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Small fields first and the two large ones last: SQLite reads a row's columns in
// order, so listing the history never walks the overflow pages of an image.
const auto createSchemaSql = uR"(
    CREATE TABLE ClipItem (
        id TEXT NOT NULL,
        contentTypeRaw TEXT NOT NULL,
        textPreview TEXT,
        isPinned INTEGER NOT NULL,
        timestamp REAL NOT NULL,
        contentHash TEXT NOT NULL,
        thumbnailData BLOB,
        richTextData BLOB,
        content BLOB NOT NULL
    );
    CREATE INDEX ClipItemByTimestamp ON ClipItem (timestamp);
    CREATE INDEX ClipItemByPinnedTimestamp ON ClipItem (isPinned, timestamp);
    CREATE TABLE StoreMetadata (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL);
)"_s;

const QSet<QString> clipItemColumns = {
    u"id"_s,        u"content"_s,  u"contentTypeRaw"_s, u"textPreview"_s, u"thumbnailData"_s,
    u"richTextData"_s, u"isPinned"_s, u"timestamp"_s,   u"contentHash"_s,
};

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
    const QString sql = u"BEGIN IMMEDIATE;"_s + createSchemaSql
        + u"INSERT INTO StoreMetadata (key, value) VALUES ('%1', '%2'); COMMIT;"_s.arg(
            schemaVersionKey, ClipItemSchemaV1::versionIdentifier.toString());
    if (!sqliteExec(db, sql)) {
        *error = sqliteError(db);
        sqliteExec(db, u"ROLLBACK"_s);
        return false;
    }
    return true;
}

bool validateSchema(sqlite3 *db, const QStringList &tables, QString *error)
{
    if (!tables.contains(u"StoreMetadata"_s) || !tables.contains(u"ClipItem"_s)) {
        *error = u"the file holds no jotterly history (no schema version recorded)"_s;
        return false;
    }
    SqliteStatement versionQuery(db, u"SELECT value FROM StoreMetadata WHERE key = ?"_s);
    versionQuery.bind(1, schemaVersionKey);
    if (versionQuery.step() != SQLITE_ROW) {
        *error = u"the file records no schema version"_s;
        return false;
    }
    const QString recorded = versionQuery.textColumn(0);
    const auto known = ClipItemMigrationPlan::schemas();
    const bool isCurrent = recorded == known.constLast().toString();
    // Without migration stages only the current schema can be opened.
    if (!isCurrent) {
        *error = u"the history was written under schema version %1, which this version of jotterly "
                 "cannot open (it knows %2)"_s.arg(recorded, known.constLast().toString());
        return false;
    }
    SqliteStatement columnsQuery(db, u"SELECT name FROM pragma_table_info('ClipItem')"_s);
    QSet<QString> columns;
    while (columnsQuery.step() == SQLITE_ROW)
        columns.insert(columnsQuery.textColumn(0));
    if (columns != clipItemColumns) {
        *error = u"the ClipItem table does not match schema version %1"_s.arg(recorded);
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
    if (!tables.isEmpty()) {
        if (!validateSchema(db, tables, &reason) || !passesQuickCheck(db, &reason))
            return fail(u"cannot use %1: %2"_s.arg(quoted(path), reason));
    }

    // Write-ahead logging with a sync at every commit: a save that returned survives a
    // crash of the process and a power cut.
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
    if (!sqliteExec(db, u"PRAGMA synchronous = FULL"_s))
        return fail(u"cannot write %1: %2"_s.arg(quoted(path), sqliteError(db)));
    // After a burst of large copies the log can be far larger than the history's pages;
    // it is cut back to this size each time it starts again from the top.
    sqliteExec(db, u"PRAGMA journal_size_limit = 67108864"_s);

    if (tables.isEmpty() && !initializeSchema(db, &reason))
        return fail(u"cannot create the history in %1: %2"_s.arg(quoted(path), reason));

    return std::unique_ptr<ModelContainer>(new ModelContainer(connection.release(), path));
}
