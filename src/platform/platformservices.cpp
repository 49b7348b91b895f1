#include "platform/platformservices.h"

#include "platform/x11/x11globalkeymonitor.h"
#include "platform/x11/x11hotkeyservice.h"
#include "platform/x11/x11pasteboard.h"
#include "platform/x11/x11workspace.h"

#if JOTTERLY_WAYLAND
#include "platform/keycodes.h"
#include "platform/hotkeyservice.h"
#include "platform/wayland/portalhotkeyservice.h"
#include "platform/wayland/waylanddatacontrol.h"
#include "platform/wayland/waylandpasteboard.h"
#include "platform/wayland/waylandworkspace.h"
#endif

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLibraryInfo>

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

namespace {

bool x11DisplayAnswers()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    const bool reachable = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return reachable;
}

#if JOTTERLY_WAYLAND
// Qt's Wayland platform plugin is a package of its own (qt6-wayland), often missing
// where X11 is the usual desktop.
bool qtWaylandPluginInstalled()
{
    QStringList folders = qEnvironmentVariable("QT_PLUGIN_PATH").split(u':', Qt::SkipEmptyParts);
    folders.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    for (const QString &folder : std::as_const(folders)) {
        if (!QDir(folder + u"/platforms"_s).entryList({u"libqwayland-*.so"_s}, QDir::Files).isEmpty())
            return true;
    }
    return false;
}
#endif

} // namespace

bool prepareDesktopSession(QString *reason)
{
    if (isWindowlessPlatform())
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    if (!display.isEmpty() && x11DisplayAnswers()) {
        // Where X11 is there (also XWayland in a Wayland session), the windows use it:
        // there the panel can be placed under the tray icon.
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    const QString noX11 = display.isEmpty() ? u"DISPLAY is not set"_s : u"cannot connect to the X display %1"_s.arg(display);
    const QByteArray waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    if (waylandDisplay.isEmpty()) {
        *reason = u"no graphical session: %1"_s.arg(noX11);
        return false;
    }
#if JOTTERLY_WAYLAND
    // Without XWayland the windows are Wayland's, and the clipboard can be watched only
    // through a data-control protocol: without one jotterly would record nothing.
    if (!qtWaylandPluginInstalled()) {
        *reason = u"no graphical session jotterly can use: no XWayland (%1), and Qt's Wayland platform plugin is not installed (on Debian: qt6-wayland)"_s.arg(noX11);
        return false;
    }
    bool reachable = false;
    const bool dataControl = DataControl::isOffered(waylandDisplay, &reachable);
    if (!reachable) {
        *reason = u"no graphical session: no XWayland (%1), and cannot connect to the Wayland display %2"_s.arg(noX11, QString::fromLocal8Bit(waylandDisplay));
        return false;
    }
    if (!dataControl) {
        *reason = u"no graphical session jotterly can use: no XWayland (%1), and this Wayland desktop lets no clipboard tool watch the clipboard (neither ext-data-control nor wlr-data-control)"_s.arg(noX11);
        return false;
    }
    qputenv("QT_QPA_PLATFORM", "wayland");
    return true;
#else
    *reason = u"no graphical session jotterly can use: no XWayland (%1), and this build of jotterly has no Wayland support"_s.arg(noX11);
    return false;
#endif
}

#if JOTTERLY_WAYLAND
namespace {

QString translated(const char *text)
{
    return QCoreApplication::translate("PlatformServices", text);
}

// No window is known to be in front: nothing is excluded.
class UnknownFrontmostWorkspace : public Workspace
{
public:
    [[nodiscard]] std::optional<QString> frontmostApplicationID() const override { return std::nullopt; }
};

// No global shortcut can be had: every registration is refused.
class UnavailableHotkeyService : public HotkeyService
{
public:
    int registerHotkey(quint32, quint32, HotkeyID) override { return -1; }
    void unregisterHotkey() override {}
};

// In a Wayland session the clipboard, the active window and the shortcut come from the
// compositor where it offers them. With XWayland there (`withX11`), each one the
// compositor lacks falls back to XWayland's, which sees only X11 applications, and the
// windows stay on xcb: there the panel can be placed under the tray icon, which a
// Wayland client cannot do. On Qt's Wayland platform there is no X11 at all: what the
// compositor lacks is missing, and no X11 connection is made.
void addWaylandServices(PlatformServices &services, DesktopEntries *applications, bool withX11)
{
    auto pasteboard = std::make_unique<WaylandPasteboard>();
    if (!pasteboard->isWatching()) {
        services.unavailable << (withX11
            ? translated(QT_TRANSLATE_NOOP("PlatformServices",
                  "This desktop lets no clipboard tool watch the clipboard, so copies made in Wayland applications are "
                  "recorded only when the desktop passes them on to X11 applications."))
            : translated(QT_TRANSLATE_NOOP("PlatformServices",
                  "The clipboard of this desktop could not be watched, so no copies are recorded.")));
    }
    if (pasteboard->isWatching() || !withX11)
        services.pasteboard = std::move(pasteboard);

    auto workspace = std::make_unique<WaylandWorkspace>(applications);
    if (workspace->isAvailable()) {
        services.workspace = std::move(workspace);
    } else if (withX11) {
        services.exclusionSeesX11Only = true;
        services.unavailable << translated(QT_TRANSLATE_NOOP("PlatformServices",
            "This desktop does not tell which Wayland window is active, so excluded applications are recognised "
            "only among X11 applications."));
    } else {
        services.workspace = std::make_unique<UnknownFrontmostWorkspace>();
        services.exclusionUnavailable = true;
        services.unavailable << translated(QT_TRANSLATE_NOOP("PlatformServices",
            "This desktop does not tell which window is active, so excluded applications are not recognised: "
            "their copies are recorded too."));
    }

    // Without X11 no keyboard watch is needed: the paste queue moves on when others read
    // our clipboard, which data control reports.
    if (PortalHotkeyService::isOffered()) {
        services.hotkeyService = std::make_unique<PortalHotkeyService>(
            [](quint32 keyCode) { return keysymForKeyCode(keyCode); });
    } else if (withX11) {
        services.shortcutNeedsCompositorKey = true;
        services.unavailable << translated(QT_TRANSLATE_NOOP("PlatformServices",
            "This desktop has no global shortcut service, so the shortcut works only while an X11 window has the "
            "keyboard. Bind a key to \"jotterly --toggle\" in the desktop's keyboard settings instead."));
    } else {
        services.hotkeyService = std::make_unique<UnavailableHotkeyService>();
        services.shortcutUnavailable = true;
        services.unavailable << translated(QT_TRANSLATE_NOOP("PlatformServices",
            "This desktop has no global shortcut service, so jotterly's shortcut does nothing. Bind a key to "
            "\"jotterly --toggle\" in the desktop's keyboard settings instead."));
    }
}

} // namespace
#endif

std::unique_ptr<PlatformServices> createPlatformServices(DesktopEntries *applications)
{
    auto services = std::make_unique<PlatformServices>();
#if JOTTERLY_WAYLAND
    if (QGuiApplication::platformName().startsWith(u"wayland"_s)) {
        addWaylandServices(*services, applications, false);
        return services;
    }
    if (!isWindowlessPlatform() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        addWaylandServices(*services, applications, true);
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
