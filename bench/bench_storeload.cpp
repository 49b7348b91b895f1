// The history store under load, on the real X server: how soon a small copy is committed
// after its owner took the clipboard, how long the main thread's event loop is held
// while a 120 MB picture and a 200 MB text are captured, and how much private memory a
// 300 MB text costs while it is captured and once it is stored.
//
//   bench_storeload     (needs DISPLAY; the test command's Xvfb will do)

#include "../tests/support/x11testing.h"
#include "benchstats.h"
#include "capture/clipboardmonitor.h"
#include "platform/desktopentries.h"
#include "platform/qtscheduler.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <xcb/xfixes.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// Notes each change of the CLIPBOARD owner the moment the X server announces it, on a
// connection and thread of its own.
class OwnerChanges
{
public:
    OwnerChanges()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        xcb_xfixes_query_version_reply(m_connection, xcb_xfixes_query_version(m_connection, 5, 0), nullptr);
        const auto atom = xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, 9, "CLIPBOARD"), nullptr);
        xcb_xfixes_select_selection_input(m_connection, screen->root, atom->atom,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
        std::free(atom);
        xcb_flush(m_connection);
        m_thread = std::thread([this] {
            while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
                std::free(event);
                std::lock_guard lock(m_mutex);
                m_last = Clock::now();
            }
        });
    }
    // The thread waits on the connection until the process ends: closing the connection
    // under it is not allowed.
    ~OwnerChanges() { m_thread.detach(); }
    [[nodiscard]] Clock::time_point last()
    {
        std::lock_guard lock(m_mutex);
        return m_last;
    }

private:
    xcb_connection_t *m_connection;
    std::thread m_thread;
    std::mutex m_mutex;
    Clock::time_point m_last;
};

// Resident anonymous memory (private to the process), sampled on a thread every 2 ms.
class MemoryProbe
{
public:
    MemoryProbe()
        : m_thread([this] {
            while (!m_stop) {
                m_peak = std::max(m_peak.load(), residentAnonymousMb());
                std::this_thread::sleep_for(2ms);
            }
        })
    {
    }
    ~MemoryProbe()
    {
        m_stop = true;
        m_thread.join();
    }
    void reset() { m_peak = residentAnonymousMb(); }
    [[nodiscard]] double peakMb() const { return m_peak; }

    static double residentAnonymousMb()
    {
        QFile status(u"/proc/self/status"_s);
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("RssAnon:"))
                return line.mid(8).trimmed().split(' ').value(0).toDouble() / 1024.0;
        }
        return 0;
    }

private:
    std::atomic<bool> m_stop = false;
    std::atomic<double> m_peak = 0;
    std::thread m_thread;
};

// How long an event posted to the main thread waits before it is handled: a thread posts
// one every millisecond, stamped with the time it was posted. Unlike a timer's gaps (Qt runs
// timers that have fired at idle priority, behind any other pending source), this is what
// an X event such as the shortcut's key press waits for.
class EventLatencyProbe : public QObject
{
public:
    EventLatencyProbe()
        : m_thread([this] {
            while (!m_stop) {
                QCoreApplication::postEvent(this, new Stamped(Clock::now()));
                std::this_thread::sleep_for(1ms);
            }
        })
    {
    }
    ~EventLatencyProbe() override
    {
        m_stop = true;
        m_thread.join();
        QCoreApplication::removePostedEvents(this);
    }
    void reset()
    {
        m_longest = 0;
        m_since = Clock::now();
    }
    [[nodiscard]] double longestMs() const { return m_longest; }
    /// When the longest wait ended, in milliseconds after reset().
    [[nodiscard]] double longestAtMs() const { return m_longestAt; }

protected:
    void customEvent(QEvent *event) override
    {
        const auto now = Clock::now();
        const double waited = std::chrono::duration<double, std::milli>(now - static_cast<Stamped *>(event)->posted).count();
        if (waited > m_longest) {
            m_longest = waited;
            m_longestAt = std::chrono::duration<double, std::milli>(now - m_since).count();
        }
    }

private:
    struct Stamped : QEvent {
        explicit Stamped(Clock::time_point at)
            : QEvent(QEvent::User)
            , posted(at)
        {
        }
        Clock::time_point posted;
    };
    std::atomic<bool> m_stop = false;
    double m_longest = 0;
    double m_longestAt = 0;
    Clock::time_point m_since = Clock::now();
    std::thread m_thread;
};

struct Rig {
    QTemporaryDir dir;
    std::optional<HistoryStore> store;
    std::unique_ptr<Preferences> preferences;
    QtScheduler scheduler;
    X11Pasteboard pasteboard;
    DesktopEntries applications; // the installed applications, as the program looks them up
    X11Workspace workspace{&applications};
    std::unique_ptr<ClipboardMonitor> monitor;
    int stored = 0; // items committed (the monitor's own announcement)

    Rig()
    {
        QString error;
        store = createHistoryStore(dir.filePath(u"history.sqlite"_s), &error);
        if (!store)
            qFatal("%s", qPrintable(error));
        preferences = std::make_unique<Preferences>(dir.filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*preferences);
        monitor = std::make_unique<ClipboardMonitor>(&pasteboard, &scheduler, preferences.get(), &workspace);
        monitor->setModelContext(store->context.get());
        QObject::connect(monitor.get(), &ClipboardMonitor::itemStored, [this] { ++stored; });
        monitor->startMonitoring();
    }

    bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds timeout = 120s)
    {
        QTimer wake;
        wake.start(1);
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > timeout.count())
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    QString file(const QString &name, const QByteArray &bytes)
    {
        QFile out(dir.filePath(name));
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        return out.fileName();
    }
};

// The test owner reads a large file before it takes the clipboard: it is given a minute.
bool startOwner(QProcess &owner, const QStringList &arguments)
{
    owner.start(QStringLiteral(TESTOWNER_PATH), arguments);
    return owner.waitForStarted(5000) && owner.waitForReadyRead(60000) && owner.readLine().startsWith("ready");
}

void smallTextLatency(Rig &rig, OwnerChanges &owners)
{
    std::vector<double> ms;
    for (int i = 0; i < 40; ++i) {
        const int before = rig.stored;
        QProcess owner;
        if (!startTestOwner(owner, {u"UTF8_STRING=small text %1"_s.arg(i)}))
            qFatal("the test owner did not start");
        if (!rig.waitFor([&] { return rig.stored > before; }, 10s))
            qFatal("copy %d was not recorded", i);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - owners.last()).count());
        owner.kill();
        owner.waitForFinished();
        rig.waitFor([&] { return !rig.pasteboard.hasIncomingChange(); }, 2s);
    }
    printTimings("small text: owner change -> committed", ms);
}

// A picture that does not compress: noise, stored without compression.
QByteArray noisePng(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB888);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width * 3; ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = uchar(seed >> 24);
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png", 100);
    return bytes;
}

QByteArray text(qsizetype size)
{
    QByteArray bytes(size, 'w');
    for (qsizetype i = 80; i < bytes.size(); i += 81)
        bytes[i] = '\n';
    return bytes;
}

void largeCopyStall(Rig &rig, const char *label, const QString &argument)
{
    StallProbe probe;
    EventLatencyProbe latency;
    const int before = rig.stored;
    QProcess owner;
    if (!startOwner(owner, {argument}))
        qFatal("the test owner did not start for %s", label);
    QCoreApplication::processEvents(); // the pings posted while the owner was started
    probe.reset();
    latency.reset();
    QElapsedTimer timer;
    timer.start();
    if (!rig.waitFor([&] { return rig.stored > before; }))
        qFatal("%s was not recorded", label);
    const double committed = double(timer.elapsed());
    // The picture's thumbnail comes after; the loop is watched until it is there too.
    rig.waitFor([] { return false; }, 3s);
    std::printf("%-32s committed after %6.0f ms; longest gap between 1 ms timer ticks %lld ms, "
                "longest wait of a posted event %.1f ms (%.0f ms in)\n",
                label, committed, probe.longestStallMs(), latency.longestMs(), latency.longestAtMs());
    owner.kill();
    owner.waitForFinished();
}

void largeTextMemory(Rig &rig)
{
    const QString path = rig.file(u"300mb.txt"_s, text(300 << 20));
    rig.waitFor([] { return false; }, 1s);
    MemoryProbe probe;
    const double before = MemoryProbe::residentAnonymousMb();
    probe.reset();
    const int stored = rig.stored;
    QProcess owner;
    if (!startOwner(owner, {u"UTF8_STRING=@"_s + path}))
        qFatal("the test owner did not start");
    if (!rig.waitFor([&] { return rig.stored > stored; }))
        qFatal("the 300 MB text was not recorded");
    rig.waitFor([] { return false; }, 1s);
    const double after = MemoryProbe::residentAnonymousMb();
    std::printf("300 MB text: private memory before %.0f MB, peak during capture %.0f MB, once stored %.0f MB "
                "(%+.0f MB)\n",
                before, probe.peakMb(), after, after - before);
    owner.kill();
    owner.waitForFinished();
}

} // namespace

int main(int argc, char *argv[])
{
    requireX11Display();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QGuiApplication app(argc, argv);
    Rig rig;
    OwnerChanges owners;
    smallTextLatency(rig, owners);

    const QString picture = rig.file(u"120mb.png"_s, noisePng(6400, 6400));
    std::printf("(picture: %.0f MB)\n", double(QFileInfo(picture).size()) / 1e6);
    largeCopyStall(rig, "120 MB picture", u"image/png=@"_s + picture);
    largeCopyStall(rig, "200 MB text", u"UTF8_STRING=@"_s + rig.file(u"200mb.txt"_s, text(200 << 20)));
    QFile::remove(picture);

    largeTextMemory(rig);
    return 0;
}
