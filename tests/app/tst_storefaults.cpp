#include "app/savewatch.h"
#include "history/cliplistviewmodel.h"
#include "platform/fakeloginitem.h"
#include "settings/settingsviewmodel.h"
#include "support/capturerig.h"
#include "support/fulldisk.h"
#include "support/storetesting.h"

#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>

#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// The history on a file system that fills up, as a real disk does: copies are kept and
// written once there is room, the user is told once per run of failures, and nothing is
// shown as deleted that is still in the file.
class TestStoreFaults : public QObject
{
    Q_OBJECT

    std::unique_ptr<FullDisk> m_disk;
    std::optional<CaptureRig> m_rig;
    std::unique_ptr<SaveWatch> m_watch;

    QString storePath() const { return m_disk->filePath(u"history.sqlite"_s); }

    // Big enough that every save needs new room in the log.
    void copy(const QString &text)
    {
        m_rig->pasteboard.replaceContent({{u"UTF8_STRING"_s, (text + QString(8000, u'.')).toUtf8()}});
        m_rig->scheduler.advance(500ms);
        m_rig->store->context->waitForWrites();
    }

    // The previews' first letters: the letter copied.
    static QStringList initials(QStringList previews)
    {
        for (QString &preview : previews)
            preview.truncate(1);
        return previews;
    }
    QStringList listed() const { return initials(previewsOf(m_rig->store->context->fetch({}).items)); }
    QStringList onDisk() const { return initials(DiskView(storePath()).previews()); }

private Q_SLOTS:
    void init()
    {
        m_disk = std::make_unique<FullDisk>();
        QString why;
        if (!m_disk->mount(2 << 20, &why))
            QSKIP(qPrintable(why));
        m_rig.emplace(m_disk->filePath(u"."_s));
        QVERIFY2(m_rig->store, qPrintable(m_rig->error));
        m_watch = std::make_unique<SaveWatch>(m_rig->store->context.get(), &m_rig->scheduler);
        m_rig->monitor.startMonitoring();
    }

    void cleanup()
    {
        m_watch.reset();
        m_rig.reset();
        m_disk.reset();
    }

    void copiesOnAFullDiskAreKeptAndWrittenOnceThereIsRoom()
    {
        QSignalSpy began(m_watch.get(), &SaveWatch::failureBegan);
        QSignalSpy ended(m_watch.get(), &SaveWatch::failureEnded);
        QSignalSpy stored(&m_rig->monitor, &ClipboardMonitor::itemStored);
        copy(u"A"_s);
        copy(u"Z"_s);
        m_disk->fill();

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not save the history: .*full"_s));
        copy(u"B"_s);
        copy(u"C"_s);
        // A pin and a deletion wait with the copies: the save that fails writes neither.
        const QList<ClipItemPtr> items = m_rig->store->context->fetch({}).items; // C B Z A
        items.at(3)->setIsPinned(true);
        m_rig->store->context->remove(items.at(2));
        copy(u"D"_s);
        QCOMPARE(listed(), (QStringList{u"D"_s, u"C"_s, u"B"_s, u"A"_s}));
        QCOMPARE(onDisk(), (QStringList{u"Z"_s, u"A"_s}));
        QCOMPARE(DiskView(storePath()).column(u"SELECT COUNT(*) FROM ClipItem WHERE isPinned = 1"_s), QStringList{u"0"_s});
        // Each copy says it is not saved; the user hears it once, with the reason.
        QCOMPARE(stored.size(), 5);
        QVERIFY(stored.at(0).at(1).toString().isNull());
        QVERIFY(stored.at(4).at(1).toString().contains(u"full"_s));
        QCOMPARE(began.size(), 1);
        QVERIFY(began.at(0).at(1).toString().contains(u"full"_s));

        // With room again, the retry writes them without waiting for another copy.
        m_disk->free();
        m_rig->scheduler.advance(SaveWatch::retryInterval);
        m_rig->store->context->waitForWrites();
        QCOMPARE(onDisk(), (QStringList{u"D"_s, u"C"_s, u"B"_s, u"A"_s}));
        QCOMPARE(DiskView(storePath()).column(u"SELECT substr(textPreview, 1, 1) FROM ClipItem WHERE isPinned = 1"_s), QStringList{u"A"_s});
        QCOMPARE(ended.size(), 1);

        // A new run of failures is told again; the next change writes what waited.
        m_disk->fill();
        copy(u"E"_s);
        QCOMPARE(began.size(), 2);
        m_disk->free();
        copy(u"F"_s);
        QCOMPARE(onDisk().first(2), (QStringList{u"F"_s, u"E"_s}));
        QVERIFY(m_watch->finish());
    }

    void quittingWithUnsavedCopiesSaysTheyAreLost()
    {
        m_disk->fill();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not save the history"_s));
        copy(u"A"_s);
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(u"1 changes to the history could not be saved and are lost"_s));
        QVERIFY(!m_watch->finish());

        // Room at quit: the last try writes them.
        m_disk->free();
        QVERIFY(m_watch->finish());
        QCOMPARE(onDisk(), QStringList{u"A"_s});
    }

    // The panel's Delete and the settings' Clear All History: what could not be deleted
    // in the file stays listed, with the reason, and goes once it can.
    void deletionsThatCannotBeSavedAreTakenBack()
    {
        for (const QString &text : {u"A"_s, u"B"_s, u"C"_s})
            copy(text);
        m_rig->store->context->fetch({}).items.at(2)->setIsPinned(true);
        QVERIFY(m_rig->store->context->save());

        ClipListViewModel list(&m_rig->pasteboard, &m_rig->scheduler);
        list.configure(m_rig->store->context.get(), &m_rig->monitor, m_rig->preferences);
        FakeLoginItem loginItem;
        SettingsViewModel settings(&m_rig->preferences, &loginItem, nullptr);
        settings.setModelContext(m_rig->store->context.get());

        m_disk->fill();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not save the history"_s));
        list.deleteItem(list.historyItems()->items().constFirst());
        QCOMPARE(list.historyItems()->items().size(), 2);
        QVERIFY(list.storeError().contains(u"full"_s));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not save the history"_s));
        QVERIFY(!settings.clearAllHistory());
        QVERIFY(settings.clearError().contains(u"full"_s));
        list.loadItems();
        QCOMPARE(listed(), (QStringList{u"C"_s, u"B"_s, u"A"_s}));
        QCOMPARE(onDisk(), (QStringList{u"C"_s, u"B"_s, u"A"_s}));
        QVERIFY(!m_rig->store->context->hasChanges());

        m_disk->free();
        list.deleteItem(list.historyItems()->items().constFirst());
        QVERIFY(list.storeError().isEmpty());
        QVERIFY(settings.clearAllHistory());
        QVERIFY(settings.clearError().isEmpty());
        QCOMPARE(onDisk(), QStringList{u"A"_s});
    }

    // Clear All History while a copy waits for the file (another connection holds it a
    // moment): the copy goes with the rest instead of coming back; a later one stays.
    void clearingTakesTheCopyOnItsWay()
    {
        copy(u"A"_s);
        sqlite3 *holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(storePath()).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
        m_rig->pasteboard.replaceContent({{u"UTF8_STRING"_s, "B"}});
        m_rig->scheduler.advance(500ms);
        std::thread release([holder] {
            std::this_thread::sleep_for(100ms); // the clear is under way by then
            sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
        });
        FakeLoginItem loginItem;
        SettingsViewModel settings(&m_rig->preferences, &loginItem, nullptr);
        settings.setModelContext(m_rig->store->context.get());
        const bool cleared = settings.clearAllHistory();
        release.join();
        sqlite3_close(holder);
        QVERIFY(cleared);
        copy(u"C"_s);
        QCOMPARE(listed(), QStringList{u"C"_s});
    }
};

QTEST_GUILESS_MAIN(TestStoreFaults)
#include "tst_storefaults.moc"
