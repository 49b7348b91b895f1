#pragma once

#include "platform/desktopentries.h"
#include "platform/workspace.h"

#include <QByteArray>

struct xcb_connection_t;

/// The application in front on an X11 desktop: the window the window manager names in
/// _NET_ACTIVE_WINDOW, resolved to the installed application it belongs to (see
/// DesktopEntries::idForWindow), so that it is named as the application picker names it.
class X11Workspace : public Workspace
{
public:
    /// Connects to the display named by DISPLAY; `applications` must outlive it.
    explicit X11Workspace(DesktopEntries *applications);
    ~X11Workspace() override;
    X11Workspace(const X11Workspace &) = delete;
    X11Workspace &operator=(const X11Workspace &) = delete;

    [[nodiscard]] std::optional<QString> frontmostApplicationID() const override;

private:
    [[nodiscard]] QByteArray property(quint32 window, quint32 property, quint32 type) const;

    DesktopEntries *m_applications;
    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_activeWindowAtom = 0;
    quint32 m_gtkApplicationIdAtom = 0;
    quint32 m_kdeDesktopFileAtom = 0;
    quint32 m_utf8StringAtom = 0;
};
