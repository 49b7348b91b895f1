#include "platform/platformservices.h"

#include "platform/x11/x11globalkeymonitor.h"
#include "platform/x11/x11hotkeyservice.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

PlatformServices::PlatformServices() = default;
PlatformServices::~PlatformServices() = default;

namespace {

// The windowless platforms that tests choose need no display and are left as chosen.
bool isWindowlessPlatform()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return platform == "offscreen" || platform == "minimal";
}

} // namespace

bool prepareDesktopSession(QString *reason)
{
    if (isWindowlessPlatform())
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty()) {
        // Everything jotterly does with the clipboard and the keyboard goes through X11;
        // a Wayland session lends it XWayland's display.
        *reason = qEnvironmentVariableIsSet("WAYLAND_DISPLAY")
                      ? u"no graphical session: DISPLAY is not set (jotterly needs X11; in a Wayland session, XWayland)"_s
                      : u"no graphical session: DISPLAY is not set"_s;
        return false;
    }
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    if (!reachable) {
        *reason = u"no graphical session: cannot connect to the X display %1"_s.arg(display);
        return false;
    }
    // The clipboard, the shortcut and the keyboard watch all go through X11, so the
    // windows do too, also in a Wayland session (through XWayland): the clipboard that
    // jotterly writes is then the one it reads.
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

std::unique_ptr<PlatformServices> createPlatformServices(DesktopEntries *applications)
{
    auto services = std::make_unique<PlatformServices>();
    services->pasteboard = std::make_unique<X11Pasteboard>();
    services->workspace = std::make_unique<X11Workspace>(applications);
    services->globalKeyMonitor = std::make_unique<X11GlobalKeyMonitor>();
    services->hotkeyService = std::make_unique<X11HotkeyService>();
    return services;
}
