// The panel as the user meets it, on a history of 550 items:
//   1. from the shortcut press to the panel's first frame on screen, and one scroll
//      through all rows (median of 20), in this process;
//   2. the private memory of the real program after 200 texts and 20 pictures of 10 MB
//      were copied and the panel was opened and closed once.
//
//   bench_panel PATH-TO-jotterly      (needs DISPLAY; the test command's Xvfb will do)

#include "../tests/support/x11testing.h"
#include "app/popover.h"
#include "benchstats.h"
#include "history/cliplistviewmodel.h"
#include "history/imageproviders.h"
#include "hotkey/hotkeymanager.h"
#include "platform/fakeglobalkeymonitor.h"
#include "platform/qtscheduler.h"
#include "platform/recordingalerts.h"
#include "platform/x11/x11hotkeyservice.h"
#include "platform/x11/x11pasteboard.h"
#include "queue/pastequeuemanager.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtQml/qqmlextensionplugin.h>

#include <csignal>

Q_IMPORT_QML_PLUGIN(Jotterly_ComponentsPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_HistoryPlugin)
Q_IMPORT_QML_PLUGIN(Jotterly_QueuePlugin)

using namespace Qt::StringLiterals;

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs = 10000)
{
    QTimer wake;
    wake.start(1);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void panelTimings(const QString &folder)
{
    QString error;
    auto store = createHistoryStore(folder + u"/history.sqlite"_s, &error);
    qint64 clock = 1'700'000'000'000;
    for (int i = 0; i < 550; ++i) {
        const QString text = u"copied paragraph %1 with a few words in it"_s.arg(i);
        auto item = ClipItem::create(text.toUtf8(), ClipContentType::Text, text, {}, {}, u"h%1"_s.arg(i));
        item->setIsPinned(i < 50);
        item->setTimestamp(QDateTime::fromMSecsSinceEpoch(clock += 1000, Qt::UTC));
        store->context->insert(item);
    }
    (void)store->context->save();

    Preferences preferences(folder + u"/jotterly.conf"_s);
    registerPreferenceDefaults(preferences);
    preferences.setInteger(u"historyLimit"_s, 500);
    QtScheduler scheduler;
    X11Pasteboard pasteboard;
    ClipListViewModel list(&pasteboard, &scheduler);
    list.configure(store->context.get(), nullptr, preferences);
    FakeGlobalKeyMonitor keyboard;
    RecordingAlerts alerts;
    PasteQueueManager queue(&pasteboard, &scheduler, &keyboard, &alerts);
    QQmlEngine engine;
    installImageProviders(engine);
    setViewScheduler(&scheduler);
    Popover popover(&engine, &list, &queue);

    X11HotkeyService service;
    HotkeyManager hotkeys(&service, &preferences);
    QElapsedTimer sincePress;
    bool framed = false;
    QObject::connect(popover.window(), &QQuickWindow::frameSwapped, [&] { framed = true; });
    QObject::connect(&hotkeys, &HotkeyManager::hotkeyPressed, [&] {
        list.loadItems();
        popover.show({}, true);
    });
    hotkeys.setup();

    std::vector<double> open, scroll;
    for (int i = 0; i < 20; ++i) {
        framed = false;
        QThread::msleep(5);
        sincePress.start();
        runShell(u"xdotool key alt+shift+v"_s); // the press; the process start is not counted below
        const double pressed = double(sincePress.nsecsElapsed()) / 1e6;
        Q_UNUSED(pressed)
        if (!waitFor([&] { return framed; }))
            qFatal("the panel did not show");
        open.push_back(double(sincePress.nsecsElapsed()) / 1e6);

        auto *view = popover.panel()->findChild<QQuickItem *>(u"list"_s);
        QElapsedTimer scrolling;
        scrolling.start();
        const qreal end = view->property("contentHeight").toReal() - view->height();
        for (qreal y = 0; y < end; y += view->height()) {
            view->setProperty("contentY", y);
            framed = false;
            popover.window()->update();
            waitFor([&] { return framed; });
        }
        scroll.push_back(double(scrolling.nsecsElapsed()) / 1e6);
        popover.close();
        waitFor([&] { return !popover.isShown(); });
    }
    printTimings("shortcut (xdotool run) -> panel's first frame", open);
    printTimings("one scroll through 550 rows, a frame per page", scroll);
    hotkeys.unregister();
}

QString writePicture(const QString &folder, int index)
{
    // About 10 MB of PNG: noise does not compress.
    QImage image(1830, 1830, QImage::Format_RGB32);
    quint32 seed = 77 + quint32(index);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            line[x] = seed >> 8;
        }
    }
    const QString path = folder + u"/picture%1.png"_s.arg(index);
    image.save(path, "PNG", 0);
    return path;
}

qint64 privateDirtyKiB(qint64 pid)
{
    QFile file(u"/proc/%1/smaps_rollup"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith("Private_Dirty:"))
            return line.mid(14).trimmed().split(' ').constFirst().toLongLong();
    }
    return -1;
}

void memory(const QString &folder, const QString &executable, const QString &backend)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, folder + u"/data-"_s + backend);
    env.insert(u"XDG_CONFIG_HOME"_s, folder + u"/config-"_s + backend);
    env.insert(u"XDG_RUNTIME_DIR"_s, folder);
    env.insert(u"QT_LOGGING_RULES"_s, u"jotterly.app.debug=true"_s);
    if (backend != u"software"_s)
        env.insert(u"QT_QUICK_BACKEND"_s, backend);
    QProcess app;
    app.setProcessEnvironment(env);
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(executable, {});
    QByteArray log;
    const auto waitForLog = [&](const QByteArray &line) {
        const qsizetype from = log.size();
        return waitFor([&] {
            log += app.readAll();
            return log.indexOf(line, from) >= 0;
        }, 30000);
    };
    if (!waitForLog("launched"))
        qFatal("jotterly did not start");
    for (int i = 0; i < 200; ++i)
        runShell(u"printf 'copied text number %1' | xclip -selection clipboard"_s.arg(i));
    for (int i = 0; i < 20; ++i) {
        runShell(u"xclip -selection clipboard -t image/png < %1/picture%2.png"_s.arg(folder).arg(i));
        QThread::msleep(300);
    }
    waitFor([] { return false; }, 3000); // thumbnails
    runShell(u"xdotool key alt+shift+v"_s);
    waitForLog("panel shown");
    waitFor([] { return false; }, 1000);
    runShell(u"xdotool key Escape"_s);
    waitFor([] { return false; }, 2000);
    std::printf("private memory (Private_Dirty) after 200 texts, 20 x 10 MB pictures, panel opened once, %s "
                "scene graph: %lld KiB\n",
                qPrintable(backend), qlonglong(privateDirtyKiB(app.processId())));
    ::kill(pid_t(app.processId()), SIGTERM);
    app.waitForFinished(10000);
}

} // namespace

int main(int argc, char *argv[])
{
    requireX11Display();
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickStyle::setStyle(u"Fusion"_s);
    QApplication app(argc, argv);
    QTemporaryDir folder;
    panelTimings(folder.path());
    if (argc > 1) {
        for (int i = 0; i < 20; ++i)
            writePicture(folder.path(), i);
        memory(folder.path(), QString::fromLocal8Bit(argv[1]), u"software"_s);
        memory(folder.path(), QString::fromLocal8Bit(argv[1]), u"rhi"_s);
    }
    return 0;
}
