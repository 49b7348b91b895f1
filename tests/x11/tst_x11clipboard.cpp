#include "capture/clipboardmonitor.h"
#include "platform/fakeworkspace.h"
#include "platform/qtscheduler.h"
#include "platform/x11/x11clipboardwatcher.h"
#include "platform/x11/x11pasteboard.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "store/historystore.h"
#include "platform/x11/xcbutil.h"
#include "support/testhelpers.h"
#include "support/x11testing.h"

#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

// The clipboard monitor on the real X server, with clipboard clients no one here wrote
// (xclip) and a test owner that sends far more than usual in increments, or dies
// halfway. (bench_x11capture measures how long large copies hold the main thread.)
class TestX11Clipboard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::optional<HistoryStore> m_store;
    std::unique_ptr<Preferences> m_preferences;
    QtScheduler m_scheduler;
    std::unique_ptr<X11Pasteboard> m_pasteboard;
    FakeWorkspace m_workspace;
    std::unique_ptr<ClipboardMonitor> m_monitor;

    QString file(const QString &name, const QByteArray &bytes)
    {
        (void)writeFile(m_dir.filePath(name), bytes);
        return m_dir.filePath(name);
    }

    qsizetype storedCount() { return m_store->context->fetchCount({}).value_or(-1); }

    // Copies a marker with xclip and waits for it: everything copied before has been
    // dealt with by then.
    void settle()
    {
        static int marker = 0;
        const QString text = u"marker %1"_s.arg(++marker);
        QVERIFY(runShell(u"printf '%1' | xclip -selection clipboard"_s.arg(text)));
        QTRY_VERIFY_WITH_TIMEOUT(fetchNewestItem(*m_store->context) && fetchNewestItem(*m_store->context)->textPreview() == text,
                                 10000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QString error;
        m_store = createHistoryStore(m_dir.filePath(u"data/history.sqlite"_s), &error);
        QVERIFY2(m_store, qPrintable(error));
        m_preferences = std::make_unique<Preferences>(m_dir.filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*m_preferences);
        m_pasteboard = std::make_unique<X11Pasteboard>();
        QVERIFY(m_pasteboard->isWatching());
        m_monitor = std::make_unique<ClipboardMonitor>(m_pasteboard.get(), &m_scheduler, m_preferences.get(), &m_workspace);
        m_monitor->setModelContext(m_store->context.get());
        m_monitor->setHistoryLimit(1000);
        m_monitor->startMonitoring();
    }

    void cleanupTestCase() { m_monitor->stopMonitoring(); }

    // An owner that dies halfway through a large transfer.
    void survivesAnOwnerThatDiesMidTransfer()
    {
        const QStringList arguments{u"--die-mid-transfer"_s, u"UTF8_STRING=@"_s + file(u"big.txt"_s, QByteArray(1 << 20, 'b'))};
        const qsizetype count = storedCount();
        StallProbe probe;
        QProcess owner;
        const auto stopOwner = qScopeGuard([&] { endProcess(owner); });
        QVERIFY(startTestOwner(owner, arguments));
        QTest::qWait(300);
        // The main thread kept running throughout (a wait for the owner would stall it for
        // the whole reply timeout, 3 s; the bound leaves room for a loaded machine); the
        // change is dropped, the next is kept.
        QVERIFY2(probe.longestStallMs() < 1000, qPrintable(QString::number(probe.longestStallMs())));
        settle();
        QCOMPARE(storedCount(), count + 1);
    }


    // A copy made the moment before we put an item back (as when the newest item returns
    // to a clipboard that an application left empty) stays on the clipboard and is
    // recorded: the X server keeps the newer owner, and our write must not hide it.
    void keepsACopyMadeJustBeforeOurWrite()
    {
        settle();
        // Qt sees no event between the copy and our write, as when both come at once:
        // the new owner is awaited on a connection of the test's own.
        xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
        const auto disconnect = qScopeGuard([&] { xcb_disconnect(connection); });
        const xcb_atom_t clipboard = internAtom(connection, "CLIPBOARD");
        const auto owner = [&] {
            const auto reply = xcbPtr(xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, clipboard), nullptr));
            return reply ? reply->owner : xcb_window_t(0);
        };
        const xcb_window_t before = owner();
        QVERIFY(runShell(u"printf 'copied meanwhile' | xclip -selection clipboard"_s));
        for (int i = 0; i < 500 && owner() == before; ++i)
            QThread::msleep(10);
        m_monitor->setIsPaused(true);
        m_pasteboard->clearContents();
        m_pasteboard->setString(u"put back"_s, PasteboardType::String);
        m_monitor->resumeMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(fetchNewestItem(*m_store->context)->textPreview(), u"copied meanwhile"_s, 10000);
        QCOMPARE(clipboardContent(), "copied meanwhile");
        // Our next write, with nothing in its way, goes out and is not read back as a copy.
        const qsizetype count = storedCount();
        m_monitor->setIsPaused(true);
        m_pasteboard->clearContents();
        m_pasteboard->setString(u"put back"_s, PasteboardType::String);
        m_monitor->resumeMonitoring();
        settle();
        QCOMPARE(storedCount(), count + 1);
    }

    // A copy beyond the size kept is dropped, and said to be: never silently.
    void saysWhenACopyIsTooLarge()
    {
        X11ClipboardWatcher::Options options;
        options.groups = {{{u"UTF8_STRING"_s}, true}};
        options.maximumBytes = 64 << 10;
        X11ClipboardWatcher watcher(options);
        QVERIFY(watcher.isWatching());
        QSignalSpy tooLarge(&watcher, &X11ClipboardWatcher::copyTooLarge);
        QSignalSpy changed(&watcher, &X11ClipboardWatcher::contentChanged);
        const QString large = file(u"large.txt"_s, QByteArray(256 << 10, 'l'));
        QVERIFY(runShell(u"xclip -selection clipboard < %1"_s.arg(large)));
        QVERIFY(tooLarge.wait(10000));
        QCOMPARE(tooLarge.at(0).at(0).toLongLong(), qint64(64) << 10);
        settle(); // a small copy is read as usual, and is not called too large
        QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 10000);
        QCOMPARE(tooLarge.size(), 1);
    }
};

JOTTERLY_X11_TEST_MAIN(TestX11Clipboard)

#include "tst_x11clipboard.moc"
