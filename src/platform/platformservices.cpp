#include "platform/platformservices.h"

#include "platform/x11/x11globalkeymonitor.h"
#include "platform/x11/x11hotkeyservice.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"

#if JOTTERLY_WAYLAND
#include "platform/keycodes.h"
#include "platform/wayland/portalhotkeyservice.h"
#include "platform/wayland/waylandpasteboard.h"
#include "platform/wayland/waylandworkspace.h"
#endif

#include <QCoreApplication>

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

#if JOTTERLY_WAYLAND
namespace {

QString translated(const char *text)
{
    return QCoreApplication::translate("PlatformServices", text);
}

// In a Wayland session the clipboard, the active window and the shortcut come from the
// compositor where it offers them; each one it lacks falls back to XWayland's, which sees
// only X11 applications. The windows stay on XWayland (xcb) all the same: there the
// panel can be placed under the tray icon, which a Wayland client cannot do.
void addWaylandServices(PlatformServices &services, DesktopEntries *applications)
{
    auto pasteboard = std::make_unique<WaylandPasteboard>();
    if (pasteboard->isWatching()) {
        services.pasteboard = std::move(pasteboard);
    } else {
        services.unavailable << translated(QT_TRANSLATE_NOOP("PlatformServices",
            "This desktop lets no clipboard tool watch the clipboard, so copies made in Wayland applications are "
            "recorded only when the desktop passes them on to X11 applications."));
    }
    auto workspace = std::make_unique<WaylandWorkspace>(applications);
    if (workspace->isAvailable()) {
        services.workspace = std::move(workspace);
    } else {
        services.exclusionSeesX11Only = true;
        services.unavailable << translated(QT_TRANSLATE_NOOP("PlatformServices",
            "This desktop does not tell which Wayland window is active, so excluded applications are recognised "
            "only among X11 applications."));
    }
    if (PortalHotkeyService::isOffered()) {
        services.hotkeyService = std::make_unique<PortalHotkeyService>(
            [](quint32 keyCode) { return keysymForKeyCode(keyCode); });
    } else {
        services.shortcutNeedsCompositorKey = true;
        services.unavailable << translated(QT_TRANSLATE_NOOP("PlatformServices",
            "This desktop has no global shortcut service, so the shortcut works only while an X11 window has the "
            "keyboard. Bind a key to \"jotterly --toggle\" in the desktop's keyboard settings instead."));
    }
}

} // namespace
#endif

std::unique_ptr<PlatformServices> createPlatformServices(DesktopEntries *applications)
{
    auto services = std::make_unique<PlatformServices>();
#if JOTTERLY_WAYLAND
    if (!isWindowlessPlatform() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        addWaylandServices(*services, applications);
#endif
    if (!services->pasteboard)
        services->pasteboard = std::make_unique<X11Pasteboard>();
    if (!services->workspace)
        services->workspace = std::make_unique<X11Workspace>(applications);
    // Only where pastes are not seen as reads of our clipboard; harmless elsewhere.
    services->globalKeyMonitor = std::make_unique<X11GlobalKeyMonitor>();
    if (!services->hotkeyService)
        services->hotkeyService = std::make_unique<X11HotkeyService>();
    return services;
}
