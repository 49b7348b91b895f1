#pragma once

#include "platform/workspace.h"

#include <QHash>
#include <QObject>
#include <QString>

class DesktopEntries;
class QSocketNotifier;
struct wl_display;
struct wl_registry;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

/// The application in front in a Wayland session: the activated toplevel's app_id, as
/// the compositor announces it through wlr-foreign-toplevel-management (sway, Hyprland,
/// labwc, river), resolved to the installed application it names.
///
/// It keeps a connection of its own, read on the main thread as events arrive; a
/// question drains what has arrived without waiting for the compositor.
class WaylandWorkspace : public QObject, public Workspace
{
    Q_OBJECT

public:
    /// `display`: the compositor's socket (name or path); empty for WAYLAND_DISPLAY.
    /// `applications` may be null (app_ids are then given as they are) and must outlive it.
    explicit WaylandWorkspace(DesktopEntries *applications, const QString &display = {}, QObject *parent = nullptr);
    ~WaylandWorkspace() override;

    /// Whether the compositor tells which toplevel is active.
    [[nodiscard]] bool isAvailable() const { return m_manager != nullptr; }

    [[nodiscard]] std::optional<QString> frontmostApplicationID() const override;

private:
    struct Toplevel {
        QString appId;
        bool activated = false;
        // What arrives before "done", applied with it.
        QString pendingAppId;
        bool pendingActivated = false;
    };

    void dispatch() const;

    DesktopEntries *m_applications;
    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    QHash<zwlr_foreign_toplevel_handle_v1 *, Toplevel> m_toplevels;

    friend struct ToplevelEvents;
};
