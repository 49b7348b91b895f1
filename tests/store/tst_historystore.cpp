#include "store/clipitem.h"
#include "store/historystore.h"
#include "store/modelcontainer.h"
#include "store/walcheckpointer.h"
#include "support/storetesting.h"
#include "support/testhelpers.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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

    // The store of the tests that work on one: opened on first use.
    QString m_path;
    std::optional<HistoryStore> m_store;

    ModelContext &context()
    {
        if (!m_store)
            reopen();
        return *m_store->context;
    }
    void reopen()
    {
        m_store.reset();
        m_store = openStore(m_path);
    }

private Q_SLOTS:
    void init() { m_path = freshPath(); }
    void cleanup() { m_store.reset(); }

    void createsAPrivateFolderAndFile()
    {
        const QString path = freshPath();
        auto store = openStore(path);
        QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).permissions() & 0x0777,
                 QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
        QCOMPARE(QFileInfo(path).permissions() & 0x0777, QFile::ReadUser | QFile::WriteUser);
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
            // Large saves while a reader holds on to the log grow it past its limit; once
            // copied, the next save starts it again and cuts it back.
            sqlite3 *reader = nullptr;
            QCOMPARE(sqlite3_open_v2(path.toUtf8().constData(), &reader, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
            QCOMPARE(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM ClipItem;", nullptr, nullptr, nullptr), SQLITE_OK);
            for (int i = 0; i < 4; ++i) {
                store.context->insert(makeTextItem(QString(24 * 1024 * 1024, QChar(u'a' + i)), 3000 + i));
                QVERIFY(store.context->save());
            }
            store.context->waitForWrites(); // large new items are written on the writer's thread
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
        QCOMPARE(reopened.context->fetchCount({}), 6);
        QCOMPARE(DiskView(path).column(u"PRAGMA integrity_check"_s), QStringList{u"ok"_s});
    }

    // Pinned items do not count towards the limit; the newest copy, not saved yet, does.
    void trimHistory()
    {
        auto &context = this->context();
        // Pinned items are the oldest, so a trim that counted them would delete wrongly.
        for (int i = 0; i < 20; ++i)
            context.insert(makeTextItem(u"pinned %1"_s.arg(i), i, true));
        for (int i = 0; i < 100; ++i)
            context.insert(makeTextItem(u"unpinned %1"_s.arg(i), 100000 + i * 10));
        QVERIFY(context.save());
        context.insert(makeTextItem(u"unpinned 100"_s, 200000));

        ::trimHistory(context, 100);

        QVERIFY(!context.hasChanges());
        DiskView disk(m_path);
        QCOMPARE(disk.column(u"SELECT COUNT(*) FROM ClipItem WHERE isPinned = 1"_s), QStringList{u"20"_s});
        const QStringList unpinned = disk.column(u"SELECT textPreview FROM ClipItem WHERE isPinned = 0 ORDER BY timestamp DESC"_s);
        QCOMPARE(unpinned.size(), 100);
        QCOMPARE((std::pair{unpinned.constFirst(), unpinned.constLast()}), (std::pair{u"unpinned 100"_s, u"unpinned 1"_s}));
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

        const auto makeStore = [&] {
            auto store = openStore(path);
            for (int i = 0; i < 200; ++i)
                store.context->insert(makeTextItem(u"item %1 "_s.arg(i).repeated(40), i));
            QVERIFY(store.context->save());
        }; // closing the last connection folds the WAL into the file

        if (kind == "text" || kind == "no folder") {
            QVERIFY(writeFile(target, "these are my notes, not a database\n"));
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

        const QByteArray before = readFile(target);
        const QStringList filesBefore = QDir(QFileInfo(target).absolutePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QString error;
        QVERIFY(!createHistoryStore(path, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY2(!error.contains(u'\n'), qPrintable(error));
        QVERIFY(kind != "no folder" || error.contains(u"folder"_s));

        QCOMPARE(readFile(target), before);
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


    // Recording runs on the writer thread: the item is hashed there, joins the context
    // once committed (a fetch in between finds that same object), a repeat of the newest
    // item is dropped, and the surplus is trimmed in the same transaction.
    void recordsOnTheWriterThread()
    {
        context().insert(makeTextItem(u"old"_s, 1000));
        QVERIFY(context().save());
        QStringList recorded;
        int handedOver = 0;
        const auto record = [&](const QString &text) {
            auto item = ClipItem::create(text.toUtf8(), ClipContentType::Text, text, std::nullopt, std::nullopt, {});
            handedOver += context().recordInBackground(item, 2, [&recorded, item](const QString &error) {
                recorded << (error.isNull() ? item->textPreviewOrEmpty() : error);
            });
            return item;
        };
        const ClipItemPtr first = record(u"A"_s);
        // Committed, and not yet settled here: no event is processed while waiting.
        QDeadlineTimer deadline(10000);
        while (DiskView(m_path).previews().size() < 2 && !deadline.hasExpired())
            QThread::yieldCurrentThread();
        QVERIFY(recorded.isEmpty());
        QCOMPARE(context().fetch({}).items.constFirst(), first);
        record(u"A"_s);
        record(u"B"_s);
        context().waitForWrites();
        QCOMPARE(handedOver, 3);
        QCOMPARE(recorded, (QStringList{u"A"_s, u"B"_s}));
        QCOMPARE(first->contentHash(), computeContentHash(ClipContentType::Text, "A"));
        QCOMPARE(previewsOf(context().fetch({}).items), (QStringList{u"B"_s, u"A"_s}));
        QCOMPARE(DiskView(m_path).previews(), (QStringList{u"B"_s, u"A"_s}));
        QVERIFY(!context().hasChanges());
    }

    // A pin saved while the writer waits for the file (another connection holds it, as a
    // long commit does) neither waits nor fails: it is written after the copy.
    void savesWhileTheWriterIsBusyGoToIt()
    {
        context().insert(makeTextItem(u"old"_s, 1000));
        QVERIFY(context().save());
        sqlite3 *holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(m_path).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        QVERIFY(context().recordInBackground(makeTextItem(u"new"_s, 2000), 100, {}));
        context().fetch({}).items.constFirst()->setIsPinned(true);
        QVERIFY(context().save()); // written here, it would fail: the file is locked
        QCOMPARE(previewsOf(context().fetch({.isPinned = true}).items), QStringList{u"old"_s});
        QCOMPARE(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(holder);
        context().waitForWrites();
        QCOMPARE(DiskView(m_path).previews(), (QStringList{u"new"_s, u"old"_s}));
        QCOMPARE(DiskView(m_path).column(u"SELECT textPreview FROM ClipItem WHERE isPinned = 1"_s), QStringList{u"old"_s});
    }

    // Random inserts, removals, pins, re-stamps and saves: after every step each query
    // must answer exactly as a plain list of records would.
    void randomOperationsMatchAPlainModel()
    {
        QList<ClipItemPtr> model; // in insertion order, which breaks timestamp ties
        QRandomGenerator random(20261206);
        const auto expected = [&](std::optional<bool> pinned, std::optional<qsizetype> limit, bool descending) {
            QList<ClipItemPtr> items;
            std::copy_if(model.cbegin(), model.cend(), std::back_inserter(items),
                         [&](const ClipItemPtr &item) { return !pinned || item->isPinned() == *pinned; });
            std::stable_sort(items.begin(), items.end(), [](const auto &a, const auto &b) { return a->timestamp() < b->timestamp(); });
            if (descending)
                std::reverse(items.begin(), items.end());
            return limit ? items.first(std::min(*limit, items.size())) : items;
        };
        const auto checkAllQueries = [&](int step) {
            for (const auto pinned : {std::optional<bool>(), std::optional<bool>(false), std::optional<bool>(true)}) {
                QCOMPARE(context().fetchCount({.isPinned = pinned}), expected(pinned, std::nullopt, true).size());
                for (const auto limit : {std::optional<qsizetype>(), std::optional<qsizetype>(1), std::optional<qsizetype>(7)}) {
                    for (const bool descending : {true, false}) {
                        const auto got = context().fetch({pinned, descending ? FetchDescriptor::Sort::TimestampDescending
                                                                             : FetchDescriptor::Sort::TimestampAscending, limit});
                        QVERIFY2(got.ok() && previewsOf(got.items) == previewsOf(expected(pinned, limit, descending)),
                                 qPrintable(u"step %1"_s.arg(step)));
                    }
                }
            }
        };

        for (int step = 0; step < 400 && !QTest::currentTestFailed(); ++step) {
            const int action = random.bounded(10);
            const qint64 stamp = random.bounded(20) * 1000; // few distinct timestamps, so ties are common
            const qsizetype index = model.isEmpty() ? 0 : random.bounded(model.size());
            if (action < 4 || model.isEmpty()) {
                model << makeTextItem(u"#%1"_s.arg(step), stamp, random.bounded(4) == 0);
                context().insert(model.constLast());
            } else if (action < 6) {
                context().remove(model.takeAt(index));
            } else if (action < 8) {
                model.at(index)->setIsPinned(!model.at(index)->isPinned());
            } else {
                model.at(index)->setTimestamp(QDateTime::fromMSecsSinceEpoch(stamp, Qt::UTC));
            }
            if (random.bounded(5) == 0)
                QVERIFY(context().save());
            checkAllQueries(step);
        }
    }

    void everyFieldSurvivesARestart()
    {
        const QByteArray rtf = "{\\rtf1\\ansi hello}";
        auto rich = ClipItem::create("hello", ClipContentType::RichText, u"hello"_s, std::nullopt, rtf,
                                     computeContentHash(ClipContentType::RichText, "hello"));
        rich->setTimestamp(QDateTime::fromMSecsSinceEpoch(1765000000123, Qt::UTC));
        auto image = ClipItem::create(QByteArray("\x89PNG\0\1\2", 7), ClipContentType::Image, u"Image"_s,
                                      QByteArray("thumb\0png", 9), std::nullopt, u"f"_s.repeated(64));
        image->setIsPinned(true);
        auto bare = ClipItem::create(QByteArray(), ClipContentType::Text, std::nullopt, std::nullopt, std::nullopt,
                                     u"0"_s.repeated(64));
        auto emptyPreview = ClipItem::create("x", ClipContentType::Text, QString(u""_s), std::nullopt, std::nullopt, {});
        emptyPreview->setContentTypeRaw(u"somethingElse"_s);
        const QList<ClipItemPtr> originals{rich, image, bare, emptyPreview};
        for (const auto &item : originals)
            context().insert(item);
        QVERIFY(context().save());
        reopen();

        const auto loaded = context().fetch({.sort = FetchDescriptor::Sort::None}).items;
        QCOMPARE(loaded.size(), originals.size());
        const auto fields = [](const ClipItem &item) {
            return std::tuple{item.contentTypeRaw(), item.textPreview(), item.thumbnailData(), item.isPinned(),
                              item.timestamp(),      item.contentHash(), item.content(),       item.richTextData()};
        };
        for (const auto &original : originals) {
            const auto copy = std::find_if(loaded.cbegin(), loaded.cend(), [&](const auto &item) { return item->id() == original->id(); });
            QVERIFY(copy != loaded.cend() && *copy != original && !(*copy)->areLargeFieldsLoaded()); // a new object, loaded lazily
            QVERIFY(fields(**copy) == fields(*original));
            QVERIFY((*copy)->areLargeFieldsLoaded());
        }
        QCOMPARE(DiskView(m_path).column(u"SELECT typeof(content) FROM ClipItem JOIN ClipContent ON ClipContent.id = contentId WHERE contentHash = '%1'"_s.arg(bare->contentHash())),
                 QStringList{u"blob"_s});
    }

    // Read for a preview, a large saved content goes back to being on disk only; one
    // that is not saved yet stays with its item.
    void aContentReadForOneUseIsNotKept()
    {
        const QByteArray large(256 << 10, 'l');
        auto item = ClipItem::create(large, ClipContentType::Text, u"l"_s, std::nullopt, std::nullopt,
                                     computeContentHash(ClipContentType::Text, large));
        context().insert(item);
        QCOMPARE(item->contentForOneUse(), large);
        QVERIFY(item->areLargeFieldsLoaded());
        QVERIFY(context().saveAndWait());
        reopen();
        const ClipItemPtr stored = context().fetch({}).items.value(0);
        QCOMPARE(stored->contentForOneUse(), large);
        QVERIFY(!stored->areLargeFieldsLoaded());
    }

    void savedRemovalDetachesTheObject()
    {
        auto old = makeTextItem(u"old"_s, 1000);
        context().insert(old);
        QVERIFY(context().save());
        context().remove(old);
        QVERIFY(context().save());
        QCOMPARE(old->modelContext(), nullptr);

        // The freed row may be reused; changing the removed object must not touch it.
        auto replacement = makeTextItem(u"replacement"_s, 2000);
        context().insert(replacement);
        QVERIFY(context().save());
        old->setIsPinned(true);
        old->setTextPreview(u"changed"_s);
        QVERIFY(!context().hasChanges());
        QVERIFY(context().save());
        QCOMPARE(DiskView(m_path).previews(), QStringList{u"replacement"_s});
        QCOMPARE(DiskView(m_path).column(u"SELECT isPinned FROM ClipItem"_s), QStringList{u"0"_s});
    }

    void preview_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        const QString a200(200, u'a');
        QTest::newRow("201 loses the last") << a200 + u'b' << a200;

        // U+1F600 takes two UTF-16 units: 300 of them must keep 200 whole emoji.
        const QString grin = u"\U0001F600"_s;
        QTest::newRow("300 emoji") << grin.repeated(300) << grin.repeated(200);

        // e followed by a combining acute accent is one character.
        const QString accented = u"e\u0301"_s;
        QTest::newRow("accent at the boundary")
            << QString(199, u'x') + accented + u"tail"_s << QString(199, u'x') + accented;

        // One character of 5,001 code units, longer than a first look at the text takes.
        const QString zalgo = u"e"_s + QString(5000, QChar(0x0301));
        QTest::newRow("a very long first character") << zalgo + QString(300, u'x') << zalgo + QString(199, u'x');
        // Longer than one window of UTF-8, with a character of it split by the window's end.
        const QString longCharacter = u"e"_s + QString(9000, QChar(0x0301));
        QTest::newRow("characters across the UTF-8 window")
            << longCharacter + longCharacter + QString(300, u'y') << longCharacter + longCharacter + QString(198, u'y');
    }

    void preview()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(makeTextPreview(text), expected);
        // The same from the UTF-8 bytes, which are decoded only as far as needed.
        QCOMPARE(makeUtf8TextPreview(text.toUtf8()), expected);
    }

    // Digests computed outside this program (Python's hashlib) over the kind's prefix and
    // the bytes: stored histories de-duplicate against hashes made by earlier versions.
    void hashMatchesIndependentDigest()
    {
        QByteArray bytes;
        for (int i = 0; i < 256; ++i)
            bytes.append(char(i));
        QCOMPARE(computeContentHash(ClipContentType::Text, "abc"), u"079c78de91949fcda96e4e0c8427e71e4dc90fe78da365a3340a247df7053ff8"_s);
        QCOMPARE(computeContentHash(ClipContentType::Image, bytes), u"64414604059634752cc0a432b2464d24f5cf46902d983ba565ac077ddd2255a3"_s);
    }
};

QTEST_GUILESS_MAIN(TestHistoryStore)
#include "tst_historystore.moc"
