#include "capture/clipboardmonitor.h"
#include "capture/memorypasteboard.h"
#include "platform/fakeworkspace.h"
#include "platform/manualscheduler.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestClipboardMonitor : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<HistoryStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<MemoryPasteboard> m_pasteboard;
    std::unique_ptr<ManualScheduler> m_scheduler;
    std::unique_ptr<FakeWorkspace> m_workspace;
    std::unique_ptr<ClipboardMonitor> m_monitor;
    int m_newItemCalls = 0;

    void copyText(const QString &text) { m_pasteboard->replaceContent({{u"UTF8_STRING"_s, text.toUtf8()}}); }

    QStringList stored()
    {
        QStringList previews;
        for (const auto &item : m_store->context->fetch({}).items)
            previews << item->textPreviewOrEmpty();
        return previews;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QString error;
        m_store = createHistoryStore(m_dir->filePath(u"history.sqlite"_s), &error);
        QVERIFY(m_store);
        m_preferences = std::make_unique<Preferences>(m_dir->filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*m_preferences);
        m_pasteboard = std::make_unique<MemoryPasteboard>();
        m_scheduler = std::make_unique<ManualScheduler>();
        m_workspace = std::make_unique<FakeWorkspace>();
        m_monitor = std::make_unique<ClipboardMonitor>(m_pasteboard.get(), m_scheduler.get(), m_preferences.get(),
                                                       m_workspace.get());
        m_monitor->setModelContext(m_store->context.get());
        m_newItemCalls = 0;
        m_monitor->setOnNewItem([this] { ++m_newItemCalls; });
    }

    void cleanup()
    {
        m_monitor.reset();
        m_store.reset();
    }

    void recordsEachNewCopyOnceAndOnlyRepeatsOfTheNewest()
    {
        copyText(u"there before"_s);
        m_monitor->startMonitoring();
        m_monitor->startMonitoring(); // a second start makes no second timer
        QCOMPARE(m_scheduler->pendingCount(), 1);

        for (const QString &text : {u"A"_s, u"A"_s, u"B"_s, u"A"_s}) {
            copyText(text);
            m_scheduler->advance(500ms);
        }
        QCOMPARE(stored(), (QStringList{u"A"_s, u"B"_s, u"A"_s}));
        QCOMPARE(m_newItemCalls, 3);

        // A pinned newest item also blocks its repeat.
        m_store->context->fetch({}).items.constFirst()->setIsPinned(true);
        copyText(u"A"_s);
        m_scheduler->advance(500ms);
        QCOMPARE(stored().size(), 3);
    }

    void checksAsSoonAsAChangeIsAnnounced()
    {
        m_monitor->startMonitoring();
        // Two copies within one polling interval: both are recorded, before any tick.
        copyText(u"first"_s);
        m_scheduler->runPending();
        copyText(u"second"_s);
        m_scheduler->runPending();
        QCOMPARE(m_scheduler->now(), 0ms);
        QCOMPARE(stored(), (QStringList{u"second"_s, u"first"_s}));
    }

    void recordsNothingWhileStoppedOrPaused()
    {
        m_monitor->startMonitoring();
        m_monitor->stopMonitoring();
        copyText(u"while stopped"_s);
        m_scheduler->advance(2s);
        m_monitor->startMonitoring();
        m_scheduler->advance(1s);
        QCOMPARE(stored(), QStringList());

        // Our own write during a pause is never recorded.
        m_monitor->setIsPaused(true);
        m_pasteboard->clearContents();
        m_pasteboard->setString(u"ours"_s, PasteboardType::String);
        m_scheduler->advance(500ms);
        m_monitor->resumeMonitoring();
        QCOMPARE(m_monitor->lastChangeCount(), m_pasteboard->changeCount());
        m_scheduler->advance(1s);
        QCOMPARE(stored(), QStringList());

        // Another application's copy made after it, while still paused, is not lost.
        m_monitor->setIsPaused(true);
        m_pasteboard->clearContents();
        m_pasteboard->setString(u"ours again"_s, PasteboardType::String);
        copyText(u"theirs"_s);
        m_scheduler->advance(200ms);
        QCOMPARE(stored(), QStringList());
        m_monitor->resumeMonitoring();
        m_scheduler->runPending();
        QCOMPARE(stored(), QStringList{u"theirs"_s});
    }

    void imageGetsItsThumbnailLater()
    {
        QImage picture(40, 20, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "png");

        m_monitor->startMonitoring();
        for (const QByteArray &bytes : {png, QByteArray("broken png")}) {
            m_newItemCalls = 0;
            m_pasteboard->replaceContent({{u"image/png"_s, bytes}, {u"UTF8_STRING"_s, "caption"}});
            m_scheduler->runPending();
            const ClipItemPtr item = fetchNewestItem(*m_store->context);
            QCOMPARE(item->contentType(), ClipContentType::Image);
            QCOMPARE(m_newItemCalls, 1);
            // The second call comes once the thumbnail job is back on this thread.
            QTRY_COMPARE_WITH_TIMEOUT(m_newItemCalls, 2, 10000);
            QVERIFY(!m_store->context->hasChanges());
            if (bytes == png)
                QCOMPARE(QImage::fromData(*item->thumbnailData()).size(), QSize(60, 30));
            else
                QVERIFY(!item->thumbnailData());
        }
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "tst_clipboardmonitor.moc"
