#include "platform/wayland/waylandworkspace.h"

#include "platform/desktopentries.h"

#include <QSocketNotifier>

#include <wayland-client.h>
#include <wayland/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h>

#include <cstring>
#include <poll.h>

struct ToplevelEvents {
    static WaylandWorkspace *of(void *data) { return static_cast<WaylandWorkspace *>(data); }

    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener = {
        [](void *, zwlr_foreign_toplevel_handle_v1 *, const char *) {}, // title
        [](void *data, zwlr_foreign_toplevel_handle_v1 *handle, const char *appId) {
            of(data)->m_toplevels[handle].pendingAppId = QString::fromUtf8(appId);
        },
        [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}, // output_enter
        [](void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) {}, // output_leave
        [](void *data, zwlr_foreign_toplevel_handle_v1 *handle, wl_array *states) {
            bool activated = false;
            const auto *state = static_cast<const uint32_t *>(states->data);
            for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i)
                activated = activated || state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
            of(data)->m_toplevels[handle].pendingActivated = activated;
        },
        [](void *data, zwlr_foreign_toplevel_handle_v1 *handle) { // done
            auto &toplevel = of(data)->m_toplevels[handle];
            toplevel.appId = toplevel.pendingAppId;
            toplevel.activated = toplevel.pendingActivated;
        },
        [](void *data, zwlr_foreign_toplevel_handle_v1 *handle) { // closed
            of(data)->m_toplevels.remove(handle);
            zwlr_foreign_toplevel_handle_v1_destroy(handle);
        },
        [](void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) {}, // parent
    };

    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener = {
        [](void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle) {
            of(data)->m_toplevels.insert(handle, {});
            zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, data);
        },
        [](void *data, zwlr_foreign_toplevel_manager_v1 *) { // finished: nothing more will come
            auto *workspace = of(data);
            zwlr_foreign_toplevel_manager_v1_destroy(workspace->m_manager);
            workspace->m_manager = nullptr;
        },
    };

    static constexpr wl_registry_listener registryListener = {
        [](void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version) {
            auto *workspace = of(data);
            if (workspace->m_manager || std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) != 0)
                return;
            workspace->m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
                wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 3u)));
            zwlr_foreign_toplevel_manager_v1_add_listener(workspace->m_manager, &managerListener, data);
        },
        [](void *, wl_registry *, uint32_t) {},
    };
};

WaylandWorkspace::WaylandWorkspace(DesktopEntries *applications, const QString &display, QObject *parent)
    : QObject(parent)
    , m_applications(applications)
{
    const QByteArray name = display.isEmpty() ? qgetenv("WAYLAND_DISPLAY") : display.toLocal8Bit();
    if (name.isEmpty() || !(m_display = wl_display_connect(name.constData())))
        return;
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &ToplevelEvents::registryListener, this);
    // The globals, then every toplevel that exists now with its state.
    if (wl_display_roundtrip(m_display) < 0 || !m_manager || wl_display_roundtrip(m_display) < 0)
        return;
    m_notifier = new QSocketNotifier(wl_display_get_fd(m_display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { dispatch(); });
}

WaylandWorkspace::~WaylandWorkspace()
{
    for (auto it = m_toplevels.cbegin(); it != m_toplevels.cend(); ++it)
        zwlr_foreign_toplevel_handle_v1_destroy(it.key());
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

// Reads and handles what the compositor has sent, without waiting for more.
void WaylandWorkspace::dispatch() const
{
    if (!m_display)
        return;
    while (wl_display_prepare_read(m_display) != 0)
        wl_display_dispatch_pending(m_display);
    wl_display_flush(m_display);
    pollfd fd{wl_display_get_fd(m_display), POLLIN, 0};
    if (::poll(&fd, 1, 0) > 0)
        wl_display_read_events(m_display);
    else
        wl_display_cancel_read(m_display);
    if (wl_display_dispatch_pending(m_display) < 0 && m_notifier)
        m_notifier->setEnabled(false); // the compositor is gone
}

std::optional<QString> WaylandWorkspace::frontmostApplicationID() const
{
    dispatch();
    for (const Toplevel &toplevel : m_toplevels) {
        if (!toplevel.activated || toplevel.appId.isEmpty())
            continue;
        if (!m_applications)
            return toplevel.appId;
        // A Wayland app_id is meant to be the desktop entry's id; where it is not, it is
        // matched as a window class is.
        return m_applications->idForWindow({{toplevel.appId}, toplevel.appId, toplevel.appId});
    }
    return std::nullopt;
}
