#include "platform/x11/x11workspace.h"

#include "platform/x11/xcbutil.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

X11Workspace::X11Workspace(DesktopEntries *applications)
    : m_applications(applications)
    , m_connection(xcb_connect(nullptr, nullptr))
{
    if (xcb_connection_has_error(m_connection))
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_activeWindowAtom = internAtom(m_connection, "_NET_ACTIVE_WINDOW");
    m_gtkApplicationIdAtom = internAtom(m_connection, "_GTK_APPLICATION_ID");
    m_kdeDesktopFileAtom = internAtom(m_connection, "_KDE_NET_WM_DESKTOP_FILE");
    m_utf8StringAtom = internAtom(m_connection, "UTF8_STRING");
}

X11Workspace::~X11Workspace()
{
    xcb_disconnect(m_connection);
}

QByteArray X11Workspace::property(quint32 window, quint32 property, quint32 type) const
{
    const auto reply = xcbPtr(
        xcb_get_property_reply(m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 1024), nullptr));
    if (!reply || reply->type == XCB_ATOM_NONE)
        return {};
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

std::optional<QString> X11Workspace::frontmostApplicationID() const
{
    if (xcb_connection_has_error(m_connection))
        return std::nullopt;
    const QByteArray active = property(m_root, m_activeWindowAtom, XCB_ATOM_WINDOW);
    if (active.size() < int(sizeof(xcb_window_t)))
        return std::nullopt;
    const xcb_window_t window = *reinterpret_cast<const xcb_window_t *>(active.constData());
    if (window == XCB_WINDOW_NONE)
        return std::nullopt;

    WindowIdentity identity;
    identity.announcedIds << QString::fromUtf8(property(window, m_gtkApplicationIdAtom, m_utf8StringAtom));
    QString file = QString::fromUtf8(property(window, m_kdeDesktopFileAtom, m_utf8StringAtom));
    if (file.endsWith(QLatin1StringView(".desktop")))
        file.chop(8);
    identity.announcedIds << file;
    // WM_CLASS holds two NUL-terminated strings: the instance, then the class.
    const QList<QByteArray> names = property(window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING).split('\0');
    identity.instance = names.size() > 0 ? QString::fromLocal8Bit(names.at(0)) : QString();
    identity.windowClass = names.size() > 1 ? QString::fromLocal8Bit(names.at(1)) : QString();
    return m_applications->idForWindow(identity);
}
