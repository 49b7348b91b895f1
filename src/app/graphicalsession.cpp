#include "app/graphicalsession.h"

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

bool hasGraphicalSession(QString *reason)
{
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const QString display = qEnvironmentVariable("DISPLAY");
    // The windowless platforms need no display; every other choice becomes xcb.
    if (platform == u"offscreen"_s || platform == u"minimal"_s)
        return true;
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
    if (!reachable)
        *reason = u"no graphical session: cannot connect to the X display %1"_s.arg(display);
    return reachable;
}
