#include "store/historystore.h"
#include "support/storetesting.h"

#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QThread>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

QStringList previews(const QList<ClipItemPtr> &items)
{
    QStringList result;
    for (const auto &item : items)
        result << item->textPreviewOrEmpty();
    return result;
}

FetchDescriptor query(std::optional<bool> pinned, std::optional<qsizetype> limit = std::nullopt,
                      FetchDescriptor::Sort sort = FetchDescriptor::Sort::TimestampDescending)
{
    FetchDescriptor descriptor;
    descriptor.isPinned = pinned;
    descriptor.fetchLimit = limit;
    descriptor.sort = sort;
    return descriptor;
}

} // namespace

class TestModelContext : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::optional<HistoryStore> m_store;

    ModelContext &context() { return *m_store->context; }

    void reopen()
    {
        m_store.reset();
        QString error;
        m_store = createHistoryStore(m_path, &error);
        QVERIFY2(m_store, qPrintable(error));
    }

private Q_SLOTS:
    void init()
    {
        m_path = m_dir.filePath(u"%1/history.sqlite"_s.arg(QString::fromLatin1(QTest::currentTestFunction())));
        QFile::remove(m_path);
        reopen();
    }

    void cleanup() { m_store.reset(); }

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
        QCOMPARE(previews(context().fetch({}).items), (QStringList{u"B"_s, u"A"_s}));
        QCOMPARE(DiskView(m_path).previews(), (QStringList{u"B"_s, u"A"_s}));
        QVERIFY(!context().hasChanges());
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
                QCOMPARE(context().fetchCount(query(pinned)), expected(pinned, std::nullopt, true).size());
                for (const auto limit : {std::optional<qsizetype>(), std::optional<qsizetype>(1), std::optional<qsizetype>(7)}) {
                    for (const bool descending : {true, false}) {
                        const auto got = context().fetch(query(pinned, limit, descending ? FetchDescriptor::Sort::TimestampDescending
                                                                                            : FetchDescriptor::Sort::TimestampAscending));
                        QVERIFY2(got.ok() && previews(got.items) == previews(expected(pinned, limit, descending)),
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

    void failedSaveKeepsEveryChangePendingAndChangesNothing()
    {
        context().insert(makeTextItem(u"kept"_s, 1000));
        context().insert(makeTextItem(u"to delete"_s, 2000));
        QVERIFY(context().save());
        const auto stored = context().fetch(query(std::nullopt)).items;

        // Let the file grow no further: the next save that needs a page fails for real.
        sqlite3 *db = m_store->container->connection();
        QVERIFY(sqlite3_exec(db, "PRAGMA max_page_count = 1", nullptr, nullptr, nullptr) == SQLITE_OK);

        auto big = ClipItem::create(QByteArray(2 << 20, 'x'), ClipContentType::Image, u"Image"_s, std::nullopt,
                                    std::nullopt, {});
        big->setTimestamp(QDateTime::fromMSecsSinceEpoch(3000, Qt::UTC));
        context().insert(big);
        stored.at(1)->setIsPinned(true); // "kept"
        context().remove(stored.at(0));  // "to delete"

        const SaveResult failed = context().save();
        QVERIFY(!failed.ok());
        QVERIFY(!failed.error.isEmpty());
        QVERIFY(context().hasChanges());
        QCOMPARE(DiskView(m_path).previews(), (QStringList{u"to delete"_s, u"kept"_s}));
        QCOMPARE(DiskView(m_path).column(u"SELECT COUNT(*) FROM ClipItem WHERE isPinned = 1"_s), QStringList{u"0"_s});
        QCOMPARE(previews(context().fetch(query(std::nullopt)).items), (QStringList{u"Image"_s, u"kept"_s}));

        // A second failure changes nothing either; once space is back all of it lands.
        QVERIFY(!context().save().ok());
        QVERIFY(sqlite3_exec(db, "PRAGMA max_page_count = 1073741823", nullptr, nullptr, nullptr) == SQLITE_OK);
        QVERIFY(context().save());
        QCOMPARE(DiskView(m_path).previews(), (QStringList{u"Image"_s, u"kept"_s}));
        QCOMPARE(DiskView(m_path).column(u"SELECT textPreview FROM ClipItem WHERE isPinned = 1"_s), QStringList{u"kept"_s});
        QCOMPARE(DiskView(m_path).column(u"SELECT length(content) FROM ClipItem JOIN ClipContent ON ClipContent.id = contentId WHERE textPreview = 'Image'"_s),
                 QStringList{QString::number(2 << 20)});
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

        const auto loaded = context().fetch(query(std::nullopt, std::nullopt, FetchDescriptor::Sort::None)).items;
        QCOMPARE(loaded.size(), originals.size());
        for (const auto &original : originals) {
            const auto it = std::find_if(loaded.cbegin(), loaded.cend(), [&](const auto &item) {
                return item->id() == original->id();
            });
            QVERIFY(it != loaded.cend());
            const ClipItem &copy = **it;
            QVERIFY(&copy != original.get());
            QVERIFY(!copy.areLargeFieldsLoaded());
            QCOMPARE(copy.contentTypeRaw(), original->contentTypeRaw());
            QCOMPARE(copy.textPreview(), original->textPreview());
            QCOMPARE(copy.thumbnailData(), original->thumbnailData());
            QCOMPARE(copy.isPinned(), original->isPinned());
            QCOMPARE(copy.timestamp(), original->timestamp());
            QCOMPARE(copy.contentHash(), original->contentHash());
            QCOMPARE(copy.content(), original->content());
            QCOMPARE(copy.richTextData(), original->richTextData());
            QVERIFY(copy.areLargeFieldsLoaded());
        }
        QCOMPARE(DiskView(m_path).column(u"SELECT typeof(content) FROM ClipItem JOIN ClipContent ON ClipContent.id = contentId WHERE contentHash = '%1'"_s.arg(bare->contentHash())),
                 QStringList{u"blob"_s});
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

};

QTEST_GUILESS_MAIN(TestModelContext)
#include "tst_modelcontext.moc"
