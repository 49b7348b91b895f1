#include "platform/x11/x11pastedetector.h"

#include "platform/x11/xcbutil.h"

#include <QCoreApplication>

#include <algorithm>

X11PasteDetector::X11PasteDetector(QObject *parent)
    : QObject(parent)
    , m_connection(xcb_connect(nullptr, nullptr))
{
    if (xcb_connection_has_error(m_connection))
        return;
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    m_root = xcb_setup_roots_iterator(setup).data->root;
    // The X server gives every client the same resource id mask and a base of its own:
    // the bits outside the mask name the client that made a window.
    m_resourceIdMask = setup->resource_id_mask;
    m_clipboardAtom = internAtom(m_connection, "CLIPBOARD");
    m_activeWindowAtom = internAtom(m_connection, "_NET_ACTIVE_WINDOW");
    m_metaTargets[0] = internAtom(m_connection, "TARGETS");
    m_metaTargets[1] = internAtom(m_connection, "TIMESTAMP");
    m_metaTargets[2] = internAtom(m_connection, "SAVE_TARGETS");
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11PasteDetector::~X11PasteDetector()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    xcb_disconnect(m_connection);
}

bool X11PasteDetector::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result)
{
    Q_UNUSED(result)
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_SELECTION_REQUEST)
        return false;
    const auto *request = reinterpret_cast<const xcb_selection_request_event_t *>(event);
    if (request->selection != m_clipboardAtom || std::ranges::count(m_metaTargets, request->target) > 0)
        return false;
    if (belongsToActiveClient(request->requestor))
        Q_EMIT pasted();
    return false; // Qt answers the request
}

bool X11PasteDetector::belongsToActiveClient(quint32 window) const
{
    if (xcb_connection_has_error(m_connection) || window == XCB_WINDOW_NONE)
        return false;
    // Both: a window manager may focus its own frame, and without one (or with one that
    // does not name the active window) only the focus tells.
    const auto active = xcb_get_property(m_connection, 0, m_root, m_activeWindowAtom, XCB_ATOM_WINDOW, 0, 1);
    const auto focus = xcb_get_input_focus(m_connection);
    const auto activeReply = xcbPtr(xcb_get_property_reply(m_connection, active, nullptr));
    const auto focusReply = xcbPtr(xcb_get_input_focus_reply(m_connection, focus, nullptr));
    const auto matches = [&](xcb_window_t candidate) {
        // None, PointerRoot and the root window belong to no application.
        return candidate > 1 && candidate != m_root && client(candidate) == client(window);
    };
    if (activeReply && activeReply->type == XCB_ATOM_WINDOW && xcb_get_property_value_length(activeReply.get()) >= 4
        && matches(*static_cast<const xcb_window_t *>(xcb_get_property_value(activeReply.get()))))
        return true;
    return focusReply && matches(focusReply->focus);
}
