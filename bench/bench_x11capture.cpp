// Clipboard capture on the real X server: how fast a copy is recorded, whether a
// burst is recorded whole, what the idle monitor costs, and how long the main thread
// is held by large copies and by an owner that never answers.
//
//   bench_x11capture [--idle-seconds N]     (needs DISPLAY; the test command's Xvfb will do)

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
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

struct Rig {
    QTemporaryDir dir;
    std::optional<HistoryStore> store;
    std::unique_ptr<Preferences> preferences;
    QtScheduler scheduler;
    X11Pasteboard pasteboard;
    DesktopEntries applications; // the installed applications, as the program looks them up
    X11Workspace workspace{&applications};
    std::unique_ptr<ClipboardMonitor> monitor;
    int newItems = 0;
    QElapsedTimer sinceChange; // restarted when a change reaches the main thread
    std::vector<double> changeToItemMs;

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
        monitor->setHistoryLimit(1000);
        QObject::connect(&pasteboard, &Pasteboard::changed, [this] { sinceChange.restart(); });
        QObject::connect(monitor.get(), &ClipboardMonitor::historyChanged, [this] {
            ++newItems;
            changeToItemMs.push_back(double(sinceChange.nsecsElapsed()) / 1e6);
        });
        monitor->startMonitoring();
    }

    // Runs the event loop until `done` holds or `timeout` passes; true if it held.
    bool waitFor(const std::function<bool()> &done, std::chrono::milliseconds timeout = 30s)
    {
        QTimer wake; // sleeps in the event loop, but looks again every millisecond
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
};

QString file(Rig &rig, const QString &name, const QByteArray &bytes)
{
    QFile out(rig.dir.filePath(name));
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    return out.fileName();
}

void latency(Rig &rig)
{
    std::vector<double> fromLaunch;
    for (int i = 0; i < 50; ++i) {
        const int before = rig.newItems;
        QElapsedTimer timer;
        timer.start();
        QProcess xclip;
        xclip.setStandardOutputFile(QProcess::nullDevice());
        xclip.start(u"sh"_s, {u"-c"_s, u"printf 'latency %1' | xclip -selection clipboard"_s.arg(i)});
        if (!rig.waitFor([&] { return rig.newItems > before; }))
            qFatal("copy %d was not recorded", i);
        fromLaunch.push_back(double(timer.nsecsElapsed()) / 1e6);
        xclip.waitForFinished();
    }
    printTimings("xclip launched -> onNewItem (50 copies)", fromLaunch);
    std::vector<double> mainThread(rig.changeToItemMs.end() - 50, rig.changeToItemMs.end());
    printTimings("  of which: content on main thread -> onNewItem", mainThread);
}

void burst(Rig &rig)
{
    const int before = rig.newItems;
    for (int i = 0; i < 20; ++i) {
        runShell(u"printf 'burst %1' | xclip -selection clipboard"_s.arg(i));
        QElapsedTimer gap;
        gap.start();
        rig.waitFor([&] { return gap.elapsed() >= 100; });
    }
    rig.waitFor([&] { return rig.newItems - before == 20; }, 3s);
    std::printf("burst of 20 copies 100 ms apart: %d recorded\n", rig.newItems - before);
}

void idle(Rig &rig, int seconds)
{
    Q_UNUSED(rig)
    rusage start{};
    getrusage(RUSAGE_SELF, &start);
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
    loop.exec();
    rusage end{};
    getrusage(RUSAGE_SELF, &end);
    const auto cpuUs = [](const rusage &r) {
        return double(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e6 + double(r.ru_utime.tv_usec + r.ru_stime.tv_usec);
    };
    std::printf("idle for %d s, monitoring: %.4f%% of one core (CPU time %.1f ms)\n", seconds,
                100.0 * (cpuUs(end) - cpuUs(start)) / (double(wall.elapsed()) * 1000.0),
                (cpuUs(end) - cpuUs(start)) / 1000.0);
}

void largeCopy(Rig &rig, const char *label, const QStringList &ownerArguments, int expectedItems)
{
    StallProbe probe;
    const int before = rig.newItems;
    QProcess owner;
    if (!startTestOwner(owner, ownerArguments))
        qFatal("the test owner did not start");
    probe.reset();
    QElapsedTimer timer;
    timer.start();
    if (expectedItems == 0) {
        rig.waitFor([] { return false; }, 2s);
    } else {
        if (!rig.waitFor([&] { return rig.newItems - before >= 1; }, 60s))
            qFatal("%s was not recorded", label);
        const double stored = double(timer.nsecsElapsed()) / 1e6;
        const double mainThread = rig.changeToItemMs.back();
        if (expectedItems == 2 && !rig.waitFor([&] { return rig.newItems - before >= 2; }, 60s))
            qFatal("no thumbnail for %s", label);
        std::printf("%s: recorded after %.0f ms (main thread busy %.0f ms of it)", label, stored, mainThread);
        if (expectedItems == 2)
            std::printf(", thumbnail after %.0f ms", double(timer.nsecsElapsed()) / 1e6);
        std::printf("\n");
    }
    std::printf("  longest main-thread stall meanwhile: %lld ms\n", probe.longestStallMs());
    owner.kill();
    owner.waitForFinished();
}

// A picture that compresses as badly as a photograph, or worse: noise.
QByteArray png(int width, int height, int quality)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = qRgb(x * 255 / width, y * 255 / height, int(seed >> 24));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png", quality);
    return bytes;
}

} // namespace

int main(int argc, char *argv[])
{
    requireX11Display();
    QGuiApplication app(argc, argv);
    int idleSeconds = 60;
    if (const qsizetype at = app.arguments().indexOf(u"--idle-seconds"_s); at > 0 && at + 1 < app.arguments().size())
        idleSeconds = app.arguments().at(at + 1).toInt();

    Rig rig;
    latency(rig);
    burst(rig);

    const QString photo = file(rig, u"photo.png"_s, png(4000, 3000, 50));
    const QString big = file(rig, u"big.png"_s, png(7300, 5480, 50));
    std::printf("(picture files: 4000x3000 %.1f MB, 40 megapixels %.1f MB)\n", double(QFileInfo(photo).size()) / 1e6,
                double(QFileInfo(big).size()) / 1e6);
    largeCopy(rig, "4000x3000 PNG", {u"image/png=@"_s + photo}, 2);
    QByteArray text(50 << 20, 'w');
    for (qsizetype i = 80; i < text.size(); i += 81)
        text[i] = '\n';
    largeCopy(rig, "50 MB text", {u"UTF8_STRING=@"_s + file(rig, u"text.txt"_s, text)}, 1);
    largeCopy(rig, "40-megapixel PNG", {u"image/png=@"_s + big}, 2);
    largeCopy(rig, "owner that never answers", {u"--silent"_s, u"UTF8_STRING=x"_s}, 0);

    idle(rig, idleSeconds);
    return 0;
}
