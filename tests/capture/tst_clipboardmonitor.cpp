#include "support/capturerig.h"
#include "support/imagetesting.h"

#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

class TestClipboardMonitor : public QObject
{
    Q_OBJECT

    std::optional<CaptureRig> m_rig;
    int m_newItemCalls = 0;

private Q_SLOTS:
    void init()
    {
        m_rig.emplace();
        QVERIFY(m_rig->store);
        m_newItemCalls = 0;
        m_rig->monitor.setOnNewItem([this] { ++m_newItemCalls; });
    }

    void cleanup() { m_rig.reset(); }

    void recordsEachNewCopyOnceAndOnlyRepeatsOfTheNewest()
    {
        m_rig->copyText(u"there before"_s);
        m_rig->monitor.startMonitoring();

        for (const QString &text : {u"A"_s, u"A"_s, u"B"_s, u"A"_s}) {
            m_rig->copyText(text);
            m_rig->scheduler.advance(500ms);
        }
        QCOMPARE(m_rig->stored(), (QStringList{u"A"_s, u"B"_s, u"A"_s}));
        QCOMPARE(m_newItemCalls, 3);
        QCOMPARE(fetchNewestItem(*m_rig->store->context)->contentHash(), computeContentHash(ClipContentType::Text, "A"));

        // A pinned newest item also blocks its repeat.
        m_rig->store->context->fetch({}).items.constFirst()->setIsPinned(true);
        m_rig->copyText(u"A"_s);
        m_rig->scheduler.advance(500ms);
        QCOMPARE(m_rig->stored().size(), 3);
    }

    void storesTextThatIsNotValidUtf8AsItReads()
    {
        m_rig->monitor.startMonitoring();
        m_rig->pasteboard.replaceContent({{u"UTF8_STRING"_s, "ok \xff end"}});
        m_rig->scheduler.runPending();
        QCOMPARE(m_rig->stored(), QStringList{u"ok \uFFFD end"_s});
        const ClipItemPtr item = fetchNewestItem(*m_rig->store->context);
        QCOMPARE(item->content(), u"ok \uFFFD end"_s.toUtf8());
        QCOMPARE(item->contentHash(), computeContentHash(ClipContentType::Text, item->content()));
    }

    void checksAsSoonAsAChangeIsAnnounced()
    {
        m_rig->monitor.startMonitoring();
        // Two copies within one polling interval: both are recorded, before any tick.
        m_rig->copyText(u"first"_s);
        m_rig->scheduler.runPending();
        m_rig->copyText(u"second"_s);
        m_rig->scheduler.runPending();
        QCOMPARE(m_rig->scheduler.now(), 0ms);
        QCOMPARE(m_rig->stored(), (QStringList{u"second"_s, u"first"_s}));
    }

    void recordsNothingWhileStoppedOrPaused()
    {
        m_rig->monitor.startMonitoring();
        m_rig->monitor.stopMonitoring();
        m_rig->copyText(u"while stopped"_s);
        m_rig->scheduler.advance(2s);
        m_rig->monitor.startMonitoring();
        m_rig->scheduler.advance(1s);
        QCOMPARE(m_rig->stored(), QStringList());

        // Our own write during a pause is never recorded.
        m_rig->monitor.setIsPaused(true);
        m_rig->pasteboard.clearContents();
        m_rig->pasteboard.setString(u"ours"_s, PasteboardType::String);
        m_rig->scheduler.advance(500ms);
        m_rig->monitor.resumeMonitoring();
        QCOMPARE(m_rig->monitor.lastChangeCount(), m_rig->pasteboard.changeCount());
        m_rig->scheduler.advance(1s);
        QCOMPARE(m_rig->stored(), QStringList());

        // Another application's copy made after it, while still paused, is not lost.
        m_rig->monitor.setIsPaused(true);
        m_rig->pasteboard.clearContents();
        m_rig->pasteboard.setString(u"ours again"_s, PasteboardType::String);
        m_rig->copyText(u"theirs"_s);
        m_rig->scheduler.advance(200ms);
        QCOMPARE(m_rig->stored(), QStringList());
        m_rig->monitor.resumeMonitoring();
        m_rig->scheduler.runPending();
        QCOMPARE(m_rig->stored(), QStringList{u"theirs"_s});
    }

    void imageGetsItsThumbnailLater()
    {
        const QByteArray png = encodedImage(40, 20, "png");
        m_rig->monitor.startMonitoring();
        for (const QByteArray &bytes : {png, QByteArray("broken png")}) {
            m_newItemCalls = 0;
            m_rig->pasteboard.replaceContent({{u"image/png"_s, bytes}, {u"UTF8_STRING"_s, "caption"}});
            m_rig->scheduler.runPending();
            m_rig->store->context->waitForWrites();
            const ClipItemPtr item = fetchNewestItem(*m_rig->store->context);
            QCOMPARE(item->contentType(), ClipContentType::Image);
            QCOMPARE(m_newItemCalls, 1);
            // The second call comes once the thumbnail job is back on this thread.
            QTRY_COMPARE_WITH_TIMEOUT(m_newItemCalls, 2, 10000);
            QVERIFY(!m_rig->store->context->hasChanges());
            if (bytes == png)
                QCOMPARE(QImage::fromData(*item->thumbnailData()).size(), QSize(60, 30));
            else
                QVERIFY(!item->thumbnailData());
        }
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "tst_clipboardmonitor.moc"
