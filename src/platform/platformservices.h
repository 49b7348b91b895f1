#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class DesktopEntries;
class GlobalKeyMonitor;
class HotkeyService;
class Pasteboard;
class Workspace;

/// The desktop services jotterly works through, made for the session it runs in. The
/// rest of the program sees only these interfaces, never a backend's classes.
struct PlatformServices {
    PlatformServices();
    ~PlatformServices();
    PlatformServices(const PlatformServices &) = delete;
    PlatformServices &operator=(const PlatformServices &) = delete;

    std::unique_ptr<Pasteboard> pasteboard;
    std::unique_ptr<Workspace> workspace;
    std::unique_ptr<GlobalKeyMonitor> globalKeyMonitor;
    std::unique_ptr<HotkeyService> hotkeyService;
    /// What this desktop does not offer and what jotterly does instead, one plain
    /// sentence each, for the user; empty where everything works.
    QStringList unavailable;
    /// A Wayland session whose desktop grabs no shortcut for jotterly: the hot key
    /// service reaches X11 windows only, and a key bound in the compositor to
    /// `jotterly --toggle` has to stand in.
    bool shortcutNeedsCompositorKey = false;
    /// A Wayland session whose desktop does not tell which Wayland window is active:
    /// excluded applications are recognised among X11 applications only.
    bool exclusionSeesX11Only = false;
    /// A Wayland session without X11 whose desktop grabs no shortcut for jotterly:
    /// there is no shortcut at all, only a key bound in the compositor to
    /// `jotterly --toggle`. Registrations fail, and the user has already been told.
    bool shortcutUnavailable = false;
    /// A Wayland session without X11 whose desktop does not tell which window is
    /// active: no excluded application is recognised.
    bool exclusionUnavailable = false;
};

/// Whether a desktop session that jotterly can serve is reachable, with the toolkit's
/// platform plugin set to match it: X11 (also XWayland) where its display answers,
/// else Qt's Wayland platform where the compositor lets clipboard tools watch the
/// clipboard. Called before the QGuiApplication exists, which
/// would otherwise abort without a display. When false, `reason` says why in one line.
[[nodiscard]] bool prepareDesktopSession(QString *reason);

/// The services of the session that prepareDesktopSession() found. Needs the
/// QGuiApplication; `applications` resolves windows to installed applications and must
/// outlive the services.
[[nodiscard]] std::unique_ptr<PlatformServices> createPlatformServices(DesktopEntries *applications);
