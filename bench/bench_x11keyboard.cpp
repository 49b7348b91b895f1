// How fast the keyboard reaches jotterly: from the X server receiving the shortcut
// press to onHotkeyPressed; and how fast the paste queue follows a paste: from the
// focused application asking for the item to the next item being on the clipboard. Keys are pressed through the XTEST extension, as a keyboard
// would press them.
//
//   bench_x11keyboard     (needs DISPLAY; the test command's Xvfb will do)

#include "../tests/support/x11testing.h"
#include "benchstats.h"
#include "xtestkeyboard.h"
#include "capture/clipboardmonitor.h"
#include "hotkey/hotkeymanager.h"
#include "platform/fakeworkspace.h"
#include "platform/qtscheduler.h"
#include "platform/recordingalerts.h"
#include "platform/x11/x11globalkeymonitor.h"
#include "platform/x11/x11hotkeyservice.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/xcbutil.h"
#include "queue/pastequeuemanager.h"
#include "settings/preferencedefaults.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>


using namespace Qt::StringLiterals;

namespace {

bool waitFor(const std::function<bool()> &done)
{
    QTimer wake;
    wake.start(1);
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

constexpr xcb_keysym_t altL = XTestKeyboard::altL, shiftL = XTestKeyboard::shiftL, v = XTestKeyboard::v;

} // namespace

int main(int argc, char *argv[])
{
    requireX11Display();
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    Preferences preferences(dir.filePath(u"jotterly.conf"_s));
    registerPreferenceDefaults(preferences);
    XTestKeyboard keyboard;

    X11HotkeyService service;
    HotkeyManager hotkeys(&service, &preferences);
    int pressed = 0;
    QObject::connect(&hotkeys, &HotkeyManager::hotkeyPressed, [&] { ++pressed; });
    hotkeys.setup();
    std::vector<double> shortcut;
    for (int i = 0; i < 50; ++i) {
        const int before = pressed;
        // Presses a few milliseconds apart, as fingers make them: a release and a press
        // in the same millisecond is how X reports a held key repeating.
        QThread::msleep(5);
        QElapsedTimer timer;
        timer.start();
        keyboard.chord({altL, shiftL, v});
        if (!waitFor([&] { return pressed > before; }))
            qFatal("the shortcut did not arrive");
        shortcut.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    printTimings("Alt+Shift+V pressed -> onHotkeyPressed", shortcut);
    hotkeys.unregister();

    QString error;
    auto store = createHistoryStore(dir.filePath(u"history.sqlite"_s), &error);
    QtScheduler scheduler;
    X11Pasteboard pasteboard;
    FakeWorkspace workspace;
    ClipboardMonitor monitor(&pasteboard, &scheduler, &preferences, &workspace);
    monitor.setModelContext(store->context.get());
    monitor.startMonitoring();
    X11GlobalKeyMonitor keys;
    RecordingAlerts alerts;
    PasteQueueManager queue(&pasteboard, &scheduler, &keys, &alerts);
    queue.setClipboardMonitor(&monitor);
    QList<ClipItemPtr> items;
    for (int i = 0; i < 51; ++i)
        items << ClipItem::create(u"item %1"_s.arg(i).toUtf8(), ClipContentType::Text, u"item"_s, {}, {}, {});
    queue.startQueue(items);

    // Another application with the keyboard focus, which pastes: it asks for the text.
    xcb_connection_t *peer = xcb_connect(nullptr, nullptr);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(peer)).data;
    const xcb_window_t window = xcb_generate_id(peer);
    xcb_create_window(peer, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, 0, nullptr);
    xcb_map_window(peer, window);
    const xcb_atom_t clipboard = internAtom(peer, "CLIPBOARD");
    const xcb_atom_t utf8 = internAtom(peer, "UTF8_STRING");
    waitFor([&] {
        xcb_set_input_focus(peer, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
        const auto focus = xcbPtr(xcb_get_input_focus_reply(peer, xcb_get_input_focus(peer), nullptr));
        return focus && focus->focus == window;
    });
    std::vector<double> paste;
    for (int i = 0; i < 50; ++i) {
        const qint64 count = pasteboard.changeCount();
        QThread::msleep(5);
        QElapsedTimer timer;
        timer.start();
        xcb_convert_selection(peer, window, clipboard, utf8, utf8, XCB_CURRENT_TIME);
        xcb_flush(peer);
        if (!waitFor([&] { return pasteboard.changeCount() != count; }))
            qFatal("the queue did not advance");
        paste.push_back(double(timer.nsecsElapsed()) / 1e6);
        while (xcb_generic_event_t *event = xcb_poll_for_event(peer))
            std::free(event);
    }
    printTimings("the focused application reads the item -> next queue item on the clipboard", paste);
    xcb_disconnect(peer);
    return 0;
}
