#include "platform/fakeglobalkeymonitor.h"
#include "platform/recordingalerts.h"
#include "queue/pastequeuemanager.h"
#include "support/capturerig.h"
#include "support/storetesting.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A clipboard that says when another application read it, as the X11 one does.
class ReadReportingPasteboard : public MimeDataPasteboard
{
public:
    [[nodiscard]] bool reportsReads() const override { return true; }
    void readByAnotherApplication() { Q_EMIT contentRead(); }
};
} // namespace

class TestPasteQueue : public QObject
{
    Q_OBJECT

    std::optional<CaptureRig> m_rig;
    FakeGlobalKeyMonitor m_keyboard;
    RecordingAlerts m_alerts;
    std::unique_ptr<PasteQueueManager> m_queue;
    QStringList m_calls;
    QList<ClipItemPtr> m_items;

    QString onClipboard() const { return m_rig->pasteboard.string(PasteboardType::String).value_or(QString()); }

    // Ctrl+V where the clipboard does not report reads.
    void pasteKeystroke()
    {
        m_keyboard.press(0x100000, u"v"_s);
        m_rig->scheduler.runPending();
    }

private Q_SLOTS:
    void init()
    {
        m_rig.emplace();
        m_rig->monitor.startMonitoring();
        m_queue = std::make_unique<PasteQueueManager>(&m_rig->pasteboard, &m_rig->scheduler, &m_keyboard, &m_alerts);
        m_queue->setClipboardMonitor(&m_rig->monitor);
        m_calls.clear();
        connect(m_queue.get(), &PasteQueueManager::queueStateChanged, this, [this] { m_calls << (m_queue->isActive() ? u"started"_s : u"stopped"_s); });
        m_items.clear();
        for (const QString &text : {u"first"_s, u"second"_s, u"third"_s}) {
            m_items << makeTextItem(text, 1000 + m_items.size());
            m_rig->store->context->insert(m_items.constLast());
        }
        QVERIFY(m_rig->store->context->save());
    }

    void cleanup()
    {
        m_queue.reset();
        m_rig.reset();
    }

    // Where the clipboard reports the active application's reads, those are the pastes,
    // however they were asked for; no keystroke counts and the keyboard is not watched.
    void advancesOncePerPasteRead()
    {
        ReadReportingPasteboard pasteboard;
        PasteQueueManager queue(&pasteboard, &m_rig->scheduler, &m_keyboard, &m_alerts);
        const auto clipboard = [&] { return pasteboard.string(PasteboardType::String).value_or(QString()); };
        queue.startQueue(m_items);
        QVERIFY(queue.isActive());
        QVERIFY(m_keyboard.monitors.empty());

        // Two forms of one paste, the second a little later: one advance, once it settled.
        pasteboard.readByAnotherApplication();
        m_rig->scheduler.advance(PasteQueueManager::pasteReadSettle - 10ms);
        pasteboard.readByAnotherApplication();
        m_rig->scheduler.advance(PasteQueueManager::pasteReadSettle - 1ms);
        QCOMPARE(clipboard(), u"first"_s);
        m_rig->scheduler.advance(1ms);
        QCOMPARE(clipboard(), u"second"_s);
        QCOMPARE(queue.currentIndex(), 1);
        m_rig->scheduler.advance(2s);
        QCOMPARE(queue.currentIndex(), 1);

        // Reads that never stop settling still count as one paste, bounded in time.
        for (auto waited = 0ms; waited < PasteQueueManager::pasteReadTimeout; waited += 40ms) {
            pasteboard.readByAnotherApplication();
            m_rig->scheduler.advance(40ms);
        }
        QCOMPARE(clipboard(), u"third"_s);
        m_rig->scheduler.advance(2s);
        QCOMPARE(queue.currentIndex(), 2);

        // A queue started while a paste is being read begins at its first item.
        queue.startQueue(m_items);
        pasteboard.readByAnotherApplication();
        queue.startQueue({m_items.at(2), m_items.at(1)});
        m_rig->scheduler.advance(2s);
        QCOMPARE(queue.currentIndex(), 0);
        QCOMPARE(clipboard(), u"third"_s);
    }

    void cancellingKeepsTheCurrentItem()
    {
        m_queue->startQueue(m_items);
        pasteKeystroke();
        m_queue->stopQueue();
        QCOMPARE(onClipboard(), u"second"_s);
        QVERIFY(!m_queue->isActive());
        QVERIFY(m_keyboard.monitors.empty());
        pasteKeystroke();
        QCOMPARE(onClipboard(), u"second"_s);
        QCOMPARE(m_calls, (QStringList{u"started"_s, u"stopped"_s}));
    }

    // Large contents of saved items are read from the store when needed; a queued item
    // trimmed from the history before its turn still pastes whole.
    void pastesWholeAnItemRemovedBeforeItsTurn()
    {
        const QString large(70000, u'x');
        ClipItemPtr item = makeTextItem(large, 500);
        m_rig->store->context->insert(item);
        QVERIFY(m_rig->store->context->saveAndWait()); // a large new item is written on the writer's thread
        QVERIFY(!item->areLargeFieldsLoaded());
        m_queue->startQueue({m_items.at(0), item});
        trimHistory(*m_rig->store->context, 3);
        QVERIFY(m_rig->store->context->save());
        QVERIFY(!item->modelContext());
        pasteKeystroke();
        QCOMPARE(onClipboard(), large);
    }
};

QTEST_GUILESS_MAIN(TestPasteQueue)
#include "tst_pastequeue.moc"
