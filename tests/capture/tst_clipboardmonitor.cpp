#include "support/capturerig.h"

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

        // A pinned newest item also blocks its repeat.
        m_rig->store->context->fetch({}).items.constFirst()->setIsPinned(true);
        m_rig->copyText(u"A"_s);
        m_rig->scheduler.advance(500ms);
        QCOMPARE(m_rig->stored().size(), 3);
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
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "tst_clipboardmonitor.moc"
