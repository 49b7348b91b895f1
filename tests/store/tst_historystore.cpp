#include "store/historystore.h"
#include "store/modelcontainer.h"
#include "store/walcheckpointer.h"
#include "support/storetesting.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray fileDigest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void runSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    const QString why = QString::fromUtf8(message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(why));
}

// A history as the first schema wrote it: contents inline in the item rows. 40 items of
// 1 MB, every fifth pinned, every third with rich text.
const char *const firstSchemaStore = R"(
    CREATE TABLE ClipItem (id TEXT NOT NULL, contentTypeRaw TEXT NOT NULL, textPreview TEXT,
        isPinned INTEGER NOT NULL, timestamp REAL NOT NULL, contentHash TEXT NOT NULL,
        thumbnailData BLOB, richTextData BLOB, content BLOB NOT NULL);
    CREATE INDEX ClipItemByTimestamp ON ClipItem (timestamp);
    CREATE TABLE StoreMetadata (key TEXT PRIMARY KEY NOT NULL, value TEXT NOT NULL);
    INSERT INTO StoreMetadata VALUES ('schemaVersion', '1.0.0');
    WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40)
    INSERT INTO ClipItem SELECT printf('00000000-0000-4000-8000-%012d', i), 'text', 'item ' || i, i % 5 = 0,
        1000 + i, printf('%064d', i), CASE WHEN i = 7 THEN x'89504e47' END,
        CASE WHEN i % 3 = 0 THEN randomblob(1000) END, randomblob(1048576) FROM n;
)";

// Each item as "preview pinned length-and-start-of-content length-and-start-of-rich-text".
QStringList itemsOnDisk(const QString &path, const QString &from)
{
    return DiskView(path).column(u"SELECT textPreview || ' ' || isPinned || ' ' || length(content) || hex(substr(content, 1, 16))"
                                 " || ' ' || ifnull(length(richTextData) || hex(substr(richTextData, 1, 16)), '-')"
                                 " || ' ' || ifnull(hex(thumbnailData), '-') FROM "_s + from + u" ORDER BY timestamp"_s);
}

} // namespace

class TestHistoryStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString freshPath() const
    {
        return m_dir.filePath(u"%1-%2/jotterly/history.sqlite"_s.arg(QString::fromLatin1(QTest::currentTestFunction()),
                                                                     QString::fromLatin1(QTest::currentDataTag())));
    }

    HistoryStore openStore(const QString &path)
    {
        QString error;
        auto store = createHistoryStore(path, &error);
        if (!store)
            qFatal("cannot open %s: %s", qPrintable(path), qPrintable(error));
        return std::move(*store);
    }

private Q_SLOTS:
    void createsAPrivateFolderAndFile()
    {
        const QString path = freshPath();
        auto store = openStore(path);
        QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).permissions() & 0x0777,
                 QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(QFileInfo(path).permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);
        QCOMPARE(DiskView(path).column(u"PRAGMA journal_mode"_s), QStringList{u"wal"_s});
        store.context.reset();
        store.container.reset();

        // Opened through a link, the log files lie beside the file itself, private too,
        // also when the file was left open to others (restored from a backup, say).
        QVERIFY(QFile::setPermissions(path, QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther));
        const QString link = m_dir.filePath(u"linked/history.sqlite"_s);
        QVERIFY(QDir().mkpath(QFileInfo(link).absolutePath()));
        QVERIFY(QFile::link(path, link));
        auto linked = openStore(link);
        for (const auto *suffix : {"", "-wal", "-shm"}) {
            const QFileInfo file(path + QLatin1StringView(suffix));
            QVERIFY2(file.exists(), suffix);
            QCOMPARE(file.permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);
        }
    }

    // A save that fills the log leaves copying it into the file to another thread. What
    // was saved is there either way, also after reopening.
    void copiesTheLogIntoTheFileAwayFromTheSave()
    {
        const QString path = freshPath();
        {
            auto store = openStore(path);
            store.context->insert(makeTextItem(u"small"_s, 1000));
            QVERIFY(store.context->save());

            const QString large(8 * 1024 * 1024, u'x');
            store.context->insert(makeTextItem(large, 2000));
            QVERIFY(store.context->save());
            QTRY_VERIFY(store.container->checkpointer()->completedCheckpoints() >= 1);
            QVERIFY(QFileInfo(path).size() > large.size()); // in the file, not only in the log
            QCOMPARE(DiskView(path).column(u"SELECT length(content) FROM ClipItem JOIN ClipContent ON ClipContent.id = contentId ORDER BY timestamp"_s),
                     (QStringList{u"5"_s, QString::number(large.size())}));

            // Large saves while a reader holds on to the log grow it past its limit; once
            // copied, the next save starts it again and cuts it back.
            sqlite3 *reader = nullptr;
            QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM ClipItem;", nullptr, nullptr, nullptr), SQLITE_OK);
            for (int i = 0; i < 4; ++i) {
                store.context->insert(makeTextItem(QString(24 * 1024 * 1024, QChar(u'a' + i)), 3000 + i));
                QVERIFY(store.context->save());
            }
            QVERIFY(QFileInfo(path + u"-wal"_s).size() > 90 * 1024 * 1024); // 96 MB, none of it copied yet
            // The checkpoints those saves asked for must be over, or one could copy the log
            // after the reader lets go but before the tail is saved, and leave the tail behind.
            QTRY_VERIFY(store.container->checkpointer()->isIdle());
            sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
            sqlite3_close_v2(reader);
            const int before = store.container->checkpointer()->completedCheckpoints();
            store.context->insert(makeTextItem(u"tail"_s, 4000));
            QVERIFY(store.context->save());
            QTRY_VERIFY(store.container->checkpointer()->completedCheckpoints() > before);
            store.context->insert(makeTextItem(u"restart"_s, 5000));
            QVERIFY(store.context->save());
            QVERIFY2(QFileInfo(path + u"-wal"_s).size() <= 64 * 1024 * 1024, qPrintable(QString::number(QFileInfo(path + u"-wal"_s).size())));
        }
        auto reopened = openStore(path);
        QCOMPARE(reopened.context->fetchCount({}), 8);
        QCOMPARE(DiskView(path).column(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
    }

    void trimHistory_data()
    {
        QTest::addColumn<int>("pinned");
        QTest::addColumn<int>("unpinned");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("expectedUnpinned");
        QTest::newRow("pinned items do not count") << 20 << 101 << 100 << 100;
        QTest::newRow("limit zero") << 3 << 40 << 0 << 0;
    }

    void trimHistory()
    {
        QFETCH(int, pinned);
        QFETCH(int, unpinned);
        QFETCH(int, limit);
        QFETCH(int, expectedUnpinned);

        const QString path = freshPath();
        auto store = openStore(path);
        // Pinned items are the oldest, so a trim that counted them would delete wrongly.
        for (int i = 0; i < pinned; ++i)
            store.context->insert(makeTextItem(u"pinned %1"_s.arg(i), i, true));
        for (int i = 0; i < unpinned - 1; ++i)
            store.context->insert(makeTextItem(u"unpinned %1"_s.arg(i), 100000 + i * 10));
        QVERIFY(store.context->save());
        // The newest was copied a moment before, and is not saved yet: the trim counts it.
        if (unpinned > 0)
            store.context->insert(makeTextItem(u"unpinned %1"_s.arg(unpinned - 1), 100000 + unpinned * 10));

        ::trimHistory(*store.context, limit);

        QVERIFY(!store.context->hasChanges());
        DiskView disk(path);
        QCOMPARE(disk.column(u"SELECT COUNT(*) FROM ClipItem WHERE isPinned = 1"_s), QStringList{QString::number(pinned)});
        QStringList expected;
        for (int i = unpinned - 1; i >= unpinned - expectedUnpinned; --i)
            expected << u"unpinned %1"_s.arg(i);
        QCOMPARE(disk.column(u"SELECT textPreview FROM ClipItem WHERE isPinned = 0 ORDER BY timestamp DESC"_s), expected);
    }

    void refusesUnusableFilesAndLeavesThemAlone_data()
    {
        QTest::addColumn<QByteArray>("kind");
        QTest::newRow("text file") << QByteArray("text");
        QTest::newRow("damaged pages") << QByteArray("damaged");
        QTest::newRow("newer schema") << QByteArray("newer");
        QTest::newRow("another program's database") << QByteArray("foreign");
        QTest::newRow("altered table") << QByteArray("altered");
        QTest::newRow("a folder") << QByteArray("folder");
        // A regular file where the folder should be: even root cannot create it.
        QTest::newRow("a file for the folder") << QByteArray("no folder");
    }

    void refusesUnusableFilesAndLeavesThemAlone()
    {
        QFETCH(QByteArray, kind);
        const QString path = freshPath();
        const QString target = kind == "no folder" ? QFileInfo(path).absolutePath() : path; // the file made unusable
        QDir().mkpath(QFileInfo(target).absolutePath());

        const auto writeFile = [&](const QByteArray &bytes) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        };
        const auto makeStore = [&] {
            auto store = openStore(path);
            for (int i = 0; i < 200; ++i)
                store.context->insert(makeTextItem(u"item %1 "_s.arg(i).repeated(40), i));
            QVERIFY(store.context->save());
        }; // closing the last connection folds the WAL into the file

        if (kind == "text" || kind == "no folder") {
            writeFile("these are my notes, not a database\n");
        } else if (kind == "damaged") {
            makeStore();
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            // The second half holds item pages only; the schema and the version
            // record stay readable, so only a check of the pages finds the damage.
            const qint64 half = file.size() / 2 / 4096 * 4096;
            file.seek(half);
            file.write(QByteArray(int(file.size() - half), '\x5a'));
        } else if (kind == "newer") {
            makeStore();
            runSql(path, "PRAGMA journal_mode = DELETE; UPDATE StoreMetadata SET value = '3.0.0'");
        } else if (kind == "foreign") {
            runSql(path, "CREATE TABLE notes (body TEXT); INSERT INTO notes VALUES ('mine')");
        } else if (kind == "altered") {
            makeStore();
            runSql(path, "PRAGMA journal_mode = DELETE; ALTER TABLE ClipItem DROP COLUMN thumbnailData");
        } else if (kind == "folder") {
            QVERIFY(QDir().mkpath(path));
        }

        const QByteArray digestBefore = fileDigest(target);
        const QStringList filesBefore = QDir(QFileInfo(target).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QString error;
        QVERIFY(!createHistoryStore(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY2(!error.contains(u'\n'), qPrintable(error));
        QVERIFY(kind != "no folder" || error.contains(u"folder"_s));

        QCOMPARE(fileDigest(target), digestBefore);
        QCOMPARE(QDir(QFileInfo(target).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
    }

    // An old history is migrated in place when opened, in one transaction: cut short by
    // SIGKILL, the file still opens, old or new, with every item and every byte.
    void migratesAnOldHistoryWithEveryItem_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("opened") << false;
        QTest::newRow("migration killed") << true;
    }

    void migratesAnOldHistoryWithEveryItem()
    {
        QFETCH(bool, killed);
        const QString path = freshPath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        runSql(path, firstSchemaStore);
        const QStringList before = itemsOnDisk(path, u"ClipItem"_s);
        QCOMPARE(before.size(), 40);

        if (killed) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                QString error;
                (void)createHistoryStore(path, &error);
                ::_exit(0);
            }
            // Killed once the migration is writing its log (or, on a fast machine, done).
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path + u"-wal"_s).size() > (8 << 20) || ::waitpid(child, nullptr, WNOHANG) == child,
                                     30000);
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
            const QString version = DiskView(path).column(u"SELECT value FROM StoreMetadata"_s).value(0);
            QVERIFY2(version == u"1.0.0"_s || version == u"2.0.0"_s, qPrintable(version));
        }

        HistoryStore store = openStore(path);
        QCOMPARE(DiskView(path).column(u"SELECT value FROM StoreMetadata"_s), QStringList{u"2.0.0"_s});
        QCOMPARE(itemsOnDisk(path, u"ClipItem JOIN ClipContent ON ClipContent.id = contentId"_s), before);
        const auto items = store.context->fetch({}).items;
        QCOMPARE(items.size(), 40);
        QCOMPARE(items.last()->content().size(), 1 << 20);
        // Deleting an item takes its contents with it.
        store.context->remove(items.last());
        QVERIFY(store.context->save());
        QCOMPARE(DiskView(path).column(u"SELECT COUNT(*) FROM ClipContent"_s), QStringList{u"39"_s});
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
