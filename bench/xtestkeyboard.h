#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <initializer_list>
#include <vector>

// Presses keys at the X server through the XTEST extension, as a keyboard does.
class XTestKeyboard
{
public:
    XTestKeyboard()
        : m_connection(xcb_connect(nullptr, nullptr))
        , m_symbols(xcb_key_symbols_alloc(m_connection))
    {
    }
    ~XTestKeyboard()
    {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_connection);
    }
    XTestKeyboard(const XTestKeyboard &) = delete;
    XTestKeyboard &operator=(const XTestKeyboard &) = delete;

    /// Presses the keys in order and releases them in reverse, and waits until the X
    /// server has taken all of it.
    void chord(std::initializer_list<xcb_keysym_t> keysyms)
    {
        std::vector<xcb_keycode_t> codes;
        for (xcb_keysym_t keysym : keysyms) {
            xcb_keycode_t *found = xcb_key_symbols_get_keycode(m_symbols, keysym);
            codes.push_back(found ? found[0] : 0);
            std::free(found);
        }
        for (xcb_keycode_t code : codes)
            xcb_test_fake_input(m_connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = codes.rbegin(); it != codes.rend(); ++it)
            xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    static constexpr xcb_keysym_t altL = 0xffe9, shiftL = 0xffe1, v = 0x76, escape = 0xff1b;

private:
    xcb_connection_t *m_connection;
    xcb_key_symbols_t *m_symbols;
};
