#include "platform/x11/x11globalkeymonitor.h"

#include "platform/keycodes.h"
#include "platform/x11/xcbutil.h"

#include <QGuiApplication>
#include <QWindow>
#include <QSocketNotifier>

#include <xcb/xcb_keysyms.h>
#include <xcb/xinput.h>

namespace {

// The modifier flag a keysym stands for, if it is a modifier key.
qint64 modifierOfKeysym(xcb_keysym_t keysym)
{
    switch (keysym) {
    case 0xffe1: case 0xffe2: return ModifierFlag::shift;   // Shift_L, Shift_R
    case 0xffe3: case 0xffe4: return ModifierFlag::command; // Control_L, Control_R
    case 0xffe9: case 0xffea: return ModifierFlag::option;  // Alt_L, Alt_R
    case 0xffe7: case 0xffe8:                               // Meta_L, Meta_R
    case 0xffeb: case 0xffec: return ModifierFlag::control; // Super_L, Super_R
    default: return 0;
    }
}

QString textOfKeysym(xcb_keysym_t keysym)
{
    // Latin-1 keysyms are their characters; nothing else types a character that matters here.
    if ((keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff))
        return QString(QChar(char16_t(keysym)));
    return {};
}

} // namespace

X11GlobalKeyMonitor::X11GlobalKeyMonitor(QObject *parent)
    : GlobalKeyMonitor(parent)
    , m_connection(xcb_connect(nullptr, nullptr))
{
    if (xcb_connection_has_error(m_connection))
        return;
    m_symbols = xcb_key_symbols_alloc(m_connection);
}

X11GlobalKeyMonitor::~X11GlobalKeyMonitor()
{
    stopListening();
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
    xcb_disconnect(m_connection);
}

std::optional<int> X11GlobalKeyMonitor::addMonitor()
{
    if (!m_listening && !listen())
        return std::nullopt;
    const int token = m_nextToken++;
    m_monitors.insert(token);
    return token;
}

void X11GlobalKeyMonitor::removeMonitor(int token)
{
    m_monitors.erase(token);
    if (m_monitors.empty())
        stopListening();
}

bool X11GlobalKeyMonitor::listen()
{
    if (xcb_connection_has_error(m_connection))
        return false;
    const xcb_query_extension_reply_t *input = xcb_get_extension_data(m_connection, &xcb_input_id);
    if (!input || !input->present)
        return false;
    const auto version = xcbPtr(xcb_input_xi_query_version_reply(
        m_connection, xcb_input_xi_query_version(m_connection, 2, 2), nullptr));
    if (!version || version->major_version < 2)
        return false;
    m_inputOpcode = input->major_opcode;

    struct {
        xcb_input_event_mask_t header;
        uint32_t mask;
    } selection{{XCB_INPUT_DEVICE_ALL_MASTER, 1},
                XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    const auto error = xcbPtr(xcb_request_check(
        m_connection, xcb_input_xi_select_events_checked(m_connection, root, 1, &selection.header)));
    if (error)
        return false;
    if (!m_notifier) {
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &X11GlobalKeyMonitor::readEvents);
    }
    m_modifierKeysDown.clear();
    m_notifier->setEnabled(true);
    m_listening = true;
    return true;
}

void X11GlobalKeyMonitor::stopListening()
{
    if (!m_listening)
        return;
    struct {
        xcb_input_event_mask_t header;
        uint32_t mask;
    } none{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, 0};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    xcb_input_xi_select_events(m_connection, root, 1, &none.header);
    xcb_flush(m_connection);
    m_notifier->setEnabled(false);
    m_listening = false;
}

void X11GlobalKeyMonitor::readEvents()
{
    while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
        const auto event = xcbPtr(raw);
        if ((raw->response_type & 0x7f) != XCB_GE_GENERIC)
            continue;
        const auto *generic = reinterpret_cast<const xcb_ge_generic_event_t *>(raw);
        if (generic->extension != m_inputOpcode)
            continue;
        const auto *key = reinterpret_cast<const xcb_input_raw_key_press_event_t *>(raw);
        if (generic->event_type == XCB_INPUT_RAW_KEY_PRESS)
            keyEvent(key->detail, true);
        else if (generic->event_type == XCB_INPUT_RAW_KEY_RELEASE)
            keyEvent(key->detail, false);
    }
    // A broken connection stays readable forever: stop listening instead of spinning.
    if (xcb_connection_has_error(m_connection) && m_notifier)
        m_notifier->setEnabled(false);
}

void X11GlobalKeyMonitor::keyEvent(quint32 keycode, bool pressed)
{
    // Raw events carry no modifier state: follow the modifier keys as they go down and
    // up (seen in order, also while another client grabs the keyboard).
    const xcb_keysym_t base = xcb_key_symbols_get_keysym(m_symbols, xcb_keycode_t(keycode), 0);
    if (const qint64 modifier = modifierOfKeysym(base)) {
        if (pressed)
            m_modifierKeysDown[keycode] = modifier;
        else
            m_modifierKeysDown.erase(keycode);
        return;
    }
    if (!pressed)
        return;
    // Jotterly's own windows are not other applications (a hidden one can keep the
    // focus on a desktop without a window manager: it does not count).
    if (const QWindow *focus = QGuiApplication::focusWindow(); focus && focus->isVisible())
        return;
    GlobalKeyDown down;
    for (const auto &[code, flag] : m_modifierKeysDown)
        down.modifierFlags |= flag;
    const bool shifted = down.modifierFlags & ModifierFlag::shift;
    down.charactersIgnoringModifiers =
        textOfKeysym(xcb_key_symbols_get_keysym(m_symbols, xcb_keycode_t(keycode), shifted ? 1 : 0));
    Q_EMIT keyDown(down);
}
