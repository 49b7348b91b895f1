#pragma once

// Small helpers shared by the X11 implementations.

#include <QByteArray>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

/// An xcb reply or event, freed with free() as xcb requires.
template<typename T>
using XcbPtr = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
XcbPtr<T> xcbPtr(T *pointer)
{
    return XcbPtr<T>(pointer, &std::free);
}

/// The atom for `name`, created when needed; XCB_ATOM_NONE when the server fails.
inline xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    const auto reply = xcbPtr(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}
