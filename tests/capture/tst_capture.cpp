#include "capture/imagecapture.h"
#include "support/capturerig.h"
#include "support/imagetesting.h"

#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

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
        connect(&m_rig->monitor, &ClipboardMonitor::historyChanged, this, [this] { ++m_newItemCalls; });
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

    void storesTextThatIsNotValidUtf8AsItReads()
    {
        m_rig->monitor.startMonitoring();
        m_rig->pasteboard.replaceContent({{u"UTF8_STRING"_s, "ok \xff end"}});
        m_rig->scheduler.runPending();
        QCOMPARE(m_rig->stored(), QStringList{u"ok \uFFFD end"_s});
        QCOMPARE(fetchNewestItem(*m_rig->store->context)->content(), u"ok \uFFFD end"_s.toUtf8());
    }

    // A clipboard that changes without a word is polled every 0.5 s.
    void pollsAPasteboardThatKeepsItsChangesToItself()
    {
        struct SilentPasteboard : MimeDataPasteboard {
            bool reportsChanges() const override { return false; }
        } pasteboard;
        pasteboard.blockSignals(true);
        ClipboardMonitor monitor(&pasteboard, &m_rig->scheduler, &m_rig->preferences, &m_rig->workspace);
        monitor.setModelContext(m_rig->store->context.get());
        monitor.startMonitoring();
        pasteboard.replaceContent({{u"UTF8_STRING"_s, "copied"}});
        m_rig->scheduler.advance(499ms);
        QCOMPARE(m_rig->stored().size(), 0);
        m_rig->scheduler.advance(1ms);
        QCOMPARE(m_rig->stored(), QStringList{u"copied"_s});
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

    void thumbnailsLeaveQtsOwnPoolToThePanel()
    {
        // Qt's raster painting waits for jobs on its global pool: were thumbnails made
        // there, opening the panel would wait behind every picture copied before.
        const QByteArray picture = encodedImage(3000, 3000, "png");
        const int pictures = QThreadPool::globalInstance()->maxThreadCount() + 1;
        m_rig->monitor.startMonitoring();
        for (int i = 0; i < pictures; ++i) {
            m_rig->pasteboard.replaceContent({{u"image/png"_s, picture + QByteArray(i, '\0')}});
            m_rig->scheduler.runPending();
        }
        QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        QCOMPARE(thumbnailPool().activeThreadCount(), 1);
        QSemaphore painted;
        QThreadPool::globalInstance()->start([&painted] { painted.release(); });
        QVERIFY(painted.tryAcquire(1, 5000));
        QTRY_COMPARE_WITH_TIMEOUT(m_newItemCalls, 2 * pictures, 30000);
    }
};

QTEST_GUILESS_MAIN(TestClipboardMonitor)
#include "tst_clipboardmonitor.moc"
