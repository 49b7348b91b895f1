#pragma once

// Another X client, to hold or probe a key grab on the root window as a desktop that
// took a combination does.

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <QtGlobal>

#include <cstdlib>

class OtherClient
{
public:
    OtherClient()
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_symbols(xcb_key_symbols_alloc(m_connection))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~OtherClient()
    {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_connection);
    }

    /// Tries to grab the key; false when someone else holds it.
    bool grab(xcb_keysym_t keysym, quint16 modifiers)
    {
        xcb_keycode_t *keycodes = xcb_key_symbols_get_keycode(m_symbols, keysym);
        xcb_generic_error_t *error = xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, m_root, modifiers, keycodes[0], XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
        const bool grabbed = !error;
        std::free(error);
        std::free(keycodes);
        return grabbed;
    }
    void ungrabAll()
    {
        xcb_ungrab_key(m_connection, XCB_GRAB_ANY, m_root, XCB_MOD_MASK_ANY);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    xcb_connection_t *m_connection;
    xcb_key_symbols_t *m_symbols;
    xcb_window_t m_root;
};
