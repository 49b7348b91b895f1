// The whole application, in this process, while four 40-megapixel pictures are copied
// one after another by a real X11 clipboard owner (xclip): the longest time its main
// thread's event loop did not run, and the times from the shortcut press to the panel's
// first frame, before the pictures and while they are captured and their thumbnails
// made.
//
//   bench_pictures      (needs DISPLAY; the test command's Xvfb will do)

#include "../tests/support/x11testing.h"
#include "app/appdelegate.h"
#include "app/popover.h"
#include "benchstats.h"
#include "capture/imagecapture.h"
#include "history/cliplistmodel.h"
#include "history/cliplistviewmodel.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Jotterly_HistoryPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_HotkeyPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_SettingsPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_OnboardingPlugin)

using namespace Qt::StringLiterals;

namespace {

constexpr int pictureCount = 4;
constexpr QSize pictureSize(7300, 5480); // 40 megapixels

bool waitFor(const std::function<bool()> &done, int timeoutMs = 120000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

// A screenshot-like picture: bands and a pattern that compresses as screens do, not
// noise; each one different so none repeats the one before.
QString writePicture(const QString &folder, int index)
{
    QImage image(pictureSize, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x ^ y) & 0xff, (y / 40 * 37 + index * 50) & 0xff, (x / 60 * 23) & 0xff);
    }
    const QString path = u"%1/picture%2.png"_s.arg(folder).arg(index);
    image.save(path, "PNG");
    return path;
}

int countImages(ClipListViewModel &list, bool withThumbnail)
{
    const QList<ClipItemPtr> &items = list.historyItems()->items();
    return int(std::count_if(items.cbegin(), items.cend(), [&](const ClipItemPtr &item) {
        return item->contentType() == ClipContentType::Image && (!withThumbnail || item->hasThumbnail());
    }));
}

class Bench
{
public:
    explicit Bench(AppDelegate &app)
        : m_app(app)
    {
        QObject::connect(m_app.popover()->window(), &QQuickWindow::frameSwapped, [this] { m_framed = true; });
    }

    // Presses the shortcut (xdotool, started without waiting for it) and times the
    // panel's first frame; then closes it again.
    void openAndClose()
    {
        m_framed = false;
        QElapsedTimer sincePress;
        sincePress.start();
        QProcess::startDetached(u"xdotool"_s, {u"key"_s, u"alt+shift+v"_s});
        if (!waitFor([this] { return m_framed && m_app.popover()->isShown(); }, 20000))
            qFatal("the panel did not show");
        m_openings.push_back(double(sincePress.nsecsElapsed()) / 1e6);
        QProcess::startDetached(u"xdotool"_s, {u"key"_s, u"Escape"_s});
        if (!waitFor([this] { return !m_app.popover()->isShown(); }, 20000))
            qFatal("the panel did not close");
        waitFor([] { return false; }, 50);
    }

    void report(const char *phase)
    {
        std::printf("%s: longest main-thread event-loop gap %lld ms\n", phase, qlonglong(m_probe.longestStallMs()));
        printTimings("  xdotool run -> panel's first frame", m_openings);
        m_openings.clear();
        m_probe.reset();
    }

    void reset() { m_probe.reset(); }

private:
    AppDelegate &m_app;
    StallProbe m_probe;
    std::vector<double> m_openings;
    bool m_framed = false;
};

} // namespace

int main(int argc, char *argv[])
{
    requireX11Display();
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + u"/data"_s));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + u"/config"_s));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    QDir().mkpath(home.path() + u"/config/jotterly"_s);
    QFile config(home.path() + u"/config/jotterly/jotterly.conf"_s);
    if (!config.open(QIODevice::WriteOnly) || config.write("[General]\nonboardingShown=true\n") < 0)
        qFatal("cannot write the preferences");
    config.close();

    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickStyle::setStyle(u"Fusion"_s);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::clipboard()->blockSignals(true);

    QStringList pictures;
    QElapsedTimer writing;
    writing.start();
    for (int i = 0; i < pictureCount; ++i)
        pictures << writePicture(home.path(), i);
    std::printf("%d pictures of %dx%d written as PNG (%lld KB each) in %lld ms\n", pictureCount, pictureSize.width(),
                pictureSize.height(), qlonglong(QFileInfo(pictures.constFirst()).size() / 1024),
                qlonglong(writing.elapsed()));

    AppDelegate delegate;
    QString error;
    if (!delegate.applicationDidFinishLaunching(&error))
        qFatal("jotterly did not launch: %s", qPrintable(error));
    ClipListViewModel &list = *delegate.clipListViewModel();
    Bench bench(delegate);
    waitFor([] { return false; }, 1000);

    bench.reset();
    for (int i = 0; i < 10; ++i)
        bench.openAndClose();
    bench.report("before any picture, 10 openings");

    // Each picture is copied once the one before is in the history, as a user taking
    // screenshots would; the panel opens and closes all the while.
    QElapsedTimer copying;
    copying.start();
    std::vector<double> stored;
    QProcess owners[pictureCount];
    for (int i = 0; i < pictureCount; ++i) {
        owners[i].setStandardOutputFile(QProcess::nullDevice());
        owners[i].setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer sinceCopy;
        sinceCopy.start();
        owners[i].start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-t"_s, u"image/png"_s, u"-i"_s, pictures[i]});
        while (countImages(list, false) <= i) {
            if (sinceCopy.elapsed() > 120000)
                qFatal("picture %d was not recorded", i);
            bench.openAndClose();
        }
        stored.push_back(double(sinceCopy.nsecsElapsed()) / 1e6);
    }
    const qint64 allStored = copying.elapsed();
    bench.report("while the four pictures are captured");

    while (countImages(list, true) < pictureCount || thumbnailPool().activeThreadCount() > 0) {
        if (copying.elapsed() > 300000)
            qFatal("the thumbnails did not come");
        bench.openAndClose();
    }
    bench.report("while the rest of their thumbnails are made");
    printTimings("copy (xclip started) -> picture in the history", stored);
    std::printf("four pictures in the history after %lld ms, all four thumbnails after %lld ms\n",
                qlonglong(allStored), qlonglong(copying.elapsed()));

    delegate.applicationWillTerminate();
    for (QProcess &owner : owners) {
        owner.kill();
        owner.waitForFinished(5000);
    }
    return 0;
}
