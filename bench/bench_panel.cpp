// The panel as the user meets it, on a history of 500 items:
//   1. in this process, from the shortcut's key press (XTEST) to the panel's first frame
//      on screen with its rows, 15 openings; the same while a copy is stored as the key
//      goes; a copy arriving while the panel is open; one scroll through all rows;
//   2. with the real program: from its start to its icon in the tray (trayer), and its
//      private memory after 200 texts and 20 pictures of 10 MB were copied and the panel
//      was opened and closed once.
//
//   bench_panel PATH-TO-jotterly      (needs DISPLAY; the test command's Xvfb will do)

#include "../tests/support/x11testing.h"
#include "app/popover.h"
#include "benchstats.h"
#include "xtestkeyboard.h"
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
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
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

ClipItemPtr textItem(const QString &text, qint64 msecsSinceEpoch)
{
    auto item = ClipItem::create(text.toUtf8(), ClipContentType::Text, text, {}, {}, u"h-"_s + text);
    item->setTimestamp(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC));
    return item;
}

// 500 texts, the newest 20 of them pinned.
void fillHistory(ModelContext &context, qint64 *clock)
{
    for (int i = 0; i < 500; ++i) {
        auto item = textItem(u"copied paragraph %1 with a few words in it"_s.arg(i), *clock += 1000);
        item->setIsPinned(i >= 480);
        context.insert(item);
    }
    (void)context.save();
}

struct Opening
{
    double milliseconds = -1;
    int rows = 0; // rows on screen in the first frame
};

void panelTimings(const QString &folder)
{
    QString error;
    auto store = createHistoryStore(folder + u"/history.sqlite"_s, &error);
    qint64 clock = 1'700'000'000'000;
    fillHistory(*store->context, &clock);

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
    engine.addImportPath(u"qrc:/"_s); // our QML modules are compiled in, their qmldir files at the root
    installImageProviders(engine);
    setViewScheduler(&scheduler);

    // The first frame after an opening, with the rows it drew.
    Popover popover(&engine, &list, &queue);
    QElapsedTimer sincePress;
    Opening frame;
    bool waiting = false;
    QObject::connect(popover.window(), &QQuickWindow::frameSwapped, [&] {
        if (!waiting || !popover.panel())
            return;
        auto *view = popover.panel()->findChild<QQuickItem *>(u"list"_s);
        frame = {double(sincePress.nsecsElapsed()) / 1e6, view ? view->property("count").toInt() : 0};
        waiting = false;
    });
    const auto close = [&] {
        popover.close();
        waitFor([&] { return !popover.isShown(); });
        waitFor([] { return false; }, 50); // the window manager is done with the unmap
    };

    // Built on demand at the first opening, as a panel that was not made ahead would be.
    waiting = true;
    sincePress.start();
    list.loadItems();
    popover.show({}, true);
    if (!waitFor([&] { return !waiting; }))
        qFatal("the panel did not show");
    std::printf("first opening, the panel built on demand (toggle call -> first frame): %.1f ms, %d rows\n",
                frame.milliseconds, frame.rows);
    close();

    X11HotkeyService service;
    HotkeyManager hotkeys(&service, &preferences);
    QObject::connect(&hotkeys, &HotkeyManager::hotkeyPressed, [&] {
        list.loadItems();
        popover.show({}, true);
    });
    hotkeys.setup();
    XTestKeyboard keys;
    const auto open = [&](const std::function<void()> &alongside) {
        waitFor([] { return false; }, 30);
        waiting = true;
        frame = {};
        sincePress.start();
        keys.chord({XTestKeyboard::altL, XTestKeyboard::shiftL, XTestKeyboard::v});
        if (alongside)
            alongside();
        if (!waitFor([&] { return !waiting; }))
            qFatal("the panel did not show");
        if (frame.rows < 500)
            qFatal("the first frame showed %d rows", frame.rows);
        return frame.milliseconds;
    };

    std::vector<double> openings, scroll;
    for (int i = 0; i < 15; ++i) {
        openings.push_back(open({}));
        auto *view = popover.panel()->findChild<QQuickItem *>(u"list"_s);
        QElapsedTimer scrolling;
        scrolling.start();
        const qreal end = view->property("contentHeight").toReal() - view->height();
        for (qreal y = 0; y < end; y += view->height()) {
            view->setProperty("contentY", y);
            waiting = true;
            popover.window()->update();
            waitFor([&] { return !waiting; });
        }
        scroll.push_back(double(scrolling.nsecsElapsed()) / 1e6);
        close();
    }
    printTimings("XTEST shortcut -> panel drawn, 500 rows", openings);
    printTimings("one scroll through 500 rows, a frame a page", scroll);

    // A copy is stored and listed while the shortcut's press is on its way.
    const auto copy = [&] {
        clock += 1000;
        store->context->insert(textItem(u"copied at %1"_s.arg(clock), clock));
        (void)store->context->save();
        list.loadItems();
    };
    std::vector<double> withCopy;
    for (int i = 0; i < 15; ++i) {
        withCopy.push_back(open(copy));
        close();
    }
    printTimings("the same, a copy stored as the key goes", withCopy);

    // A copy while the panel is open and scrolled into the history: the new row is drawn
    // above the rows in view, which stay where they are.
    std::vector<double> whileOpen;
    int jumps = 0;
    open({});
    auto *view = popover.panel()->findChild<QQuickItem *>(u"list"_s);
    for (int i = 0; i < 15; ++i) {
        view->setProperty("contentY", 1200 + 40 * i);
        waitFor([] { return false; }, 30);
        QQuickItem *shown = nullptr;
        QMetaObject::invokeMethod(view, "itemAt", Q_RETURN_ARG(QQuickItem *, shown), Q_ARG(qreal, 20),
                                  Q_ARG(qreal, view->property("contentY").toReal() + 30));
        const qreal before = shown ? shown->mapToItem(popover.window()->contentItem(), QPointF()).y() : -1;
        waiting = true;
        sincePress.start();
        copy();
        waitFor([&] { return !waiting; });
        whileOpen.push_back(frame.milliseconds);
        if (!shown || shown->mapToItem(popover.window()->contentItem(), QPointF()).y() != before)
            ++jumps;
    }
    close();
    printTimings("copy while the panel is open -> drawn", whileOpen);
    std::printf("rows in view that moved on screen as a copy arrived: %d of 15\n", jumps);
    hotkeys.unregister();
}

QByteArray windowClass(xcb_connection_t *connection, xcb_window_t window)
{
    auto *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256), nullptr);
    QByteArray name;
    if (reply)
        name = QByteArray(static_cast<const char *>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    std::free(reply);
    return name;
}

// Whether a window of jotterly's is mapped inside the tray's window.
bool iconInTray(xcb_connection_t *connection, xcb_window_t window, bool inTray)
{
    auto *tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    if (!tree)
        return false;
    bool found = false;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
        const QByteArray name = windowClass(connection, children[i]);
        auto *attributes = xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, children[i]), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!viewable)
            continue;
        found = (inTray && name.contains("jotterly")) || iconInTray(connection, children[i], inTray || name.contains("trayer"));
    }
    std::free(tree);
    return found;
}

QProcessEnvironment programEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, home + u"/data"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, home + u"/config"_s);
    QDir().mkpath(home + u"/runtime"_s);
    QFile::setPermissions(home + u"/runtime"_s, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(u"XDG_RUNTIME_DIR"_s, home + u"/runtime"_s);
    return env;
}

// From the program's start to its icon in the tray, with 500 items stored; trayer is
// started unless a tray is there.
void startupToTray(const QString &folder, const QString &executable)
{
    const QString home = folder + u"/startup"_s;
    {
        QString error;
        auto store = createHistoryStore(home + u"/data/jotterly/history.sqlite"_s, &error);
        qint64 clock = 1'700'000'000'000;
        fillHistory(*store->context, &clock);
        Preferences preferences(home + u"/config/jotterly/jotterly.conf"_s);
        preferences.setBoolean(u"onboardingShown"_s, true);
        preferences.setInteger(u"historyLimit"_s, 500);
    }
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    QProcess tray;
    const auto trayShown = [] { return runShell(u"xdotool search --class trayer"_s); };
    if (!trayShown()) {
        tray.start(u"trayer"_s, {u"--edge"_s, u"top"_s, u"--align"_s, u"right"_s, u"--widthtype"_s, u"request"_s,
                                 u"--height"_s, u"24"_s});
        waitFor(trayShown);
    }
    std::vector<double> startups;
    for (int i = 0; i < 5; ++i) {
        QProcess app;
        app.setProcessEnvironment(programEnvironment(home));
        QElapsedTimer sinceStart;
        sinceStart.start();
        app.start(executable, {});
        while (!iconInTray(connection, root, false) && sinceStart.elapsed() < 10000)
            QThread::usleep(500);
        startups.push_back(double(sinceStart.nsecsElapsed()) / 1e6);
        ::kill(pid_t(app.processId()), SIGTERM);
        app.waitForFinished(10000);
        waitFor([&] { return !iconInTray(connection, root, false); }, 3000);
    }
    printTimings("program start -> icon in the tray, 500 items", startups);
    xcb_disconnect(connection);
    if (tray.state() != QProcess::NotRunning) {
        tray.kill();
        tray.waitForFinished();
    }
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

// `welcomed`: the user has been through the welcome window, as on every start but the
// first; otherwise the welcome window stays open beside the panel, as on a first start.
void memory(const QString &folder, const QString &executable, const QString &backend, bool welcomed)
{
    const QString run = backend + (welcomed ? u"-welcomed"_s : u"-first"_s);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"XDG_DATA_HOME"_s, folder + u"/data-"_s + run);
    env.insert(u"XDG_CONFIG_HOME"_s, folder + u"/config-"_s + run);
    if (welcomed) {
        QDir().mkpath(folder + u"/config-"_s + run + u"/jotterly"_s);
        QFile conf(folder + u"/config-"_s + run + u"/jotterly/jotterly.conf"_s);
        if (!conf.open(QIODevice::WriteOnly) || conf.write("[General]\nonboardingShown=true\n") < 0)
            qFatal("cannot write the settings file");
    }
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
                "scene graph, %s: %lld KiB\n",
                qPrintable(backend), welcomed ? "welcome window closed" : "first start, welcome window open",
                qlonglong(privateDirtyKiB(app.processId())));
    ::kill(pid_t(app.processId()), SIGTERM);
    app.waitForFinished(10000);
}

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // figures show as they come, also into a file
    requireX11Display();
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QQuickStyle::setStyle(u"Fusion"_s);
    QApplication app(argc, argv);
    QTemporaryDir folder;
    panelTimings(folder.path());
    if (argc > 1) {
        startupToTray(folder.path(), QString::fromLocal8Bit(argv[1]));
        for (int i = 0; i < 20; ++i)
            writePicture(folder.path(), i);
        memory(folder.path(), QString::fromLocal8Bit(argv[1]), u"software"_s, true);
        memory(folder.path(), QString::fromLocal8Bit(argv[1]), u"software"_s, false);
        memory(folder.path(), QString::fromLocal8Bit(argv[1]), u"rhi"_s, true);
    }
    return 0;
}
