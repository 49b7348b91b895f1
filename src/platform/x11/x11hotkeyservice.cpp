#include "platform/x11/x11hotkeyservice.h"

#include "platform/keycodes.h"
#include "platform/x11/xcbutil.h"

#include <QSocketNotifier>

#include <xcb/xcb_keysyms.h>

namespace {

constexpr quint32 numLockKeysym = 0xff7f;

// The stored modifiers stand for these keys: command Ctrl, option Alt, control Super.
quint16 x11Modifiers(quint32 modifiers)
{
    quint16 mask = 0;
    if (modifiers & HotkeyService::CommandKey)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & HotkeyService::OptionKey)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & HotkeyService::ControlKey)
        mask |= XCB_MOD_MASK_4;
    if (modifiers & HotkeyService::ShiftKey)
        mask |= XCB_MOD_MASK_SHIFT;
    return mask;
}

} // namespace

X11HotkeyService::X11HotkeyService(QObject *parent)
    : QObject(parent)
    , m_connection(xcb_connect(nullptr, nullptr))
{
    if (xcb_connection_has_error(m_connection))
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_symbols = xcb_key_symbols_alloc(m_connection);
    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11HotkeyService::readEvents);
}

X11HotkeyService::~X11HotkeyService()
{
    unregisterHotkey();
    if (m_symbols)
        xcb_key_symbols_free(m_symbols);
    xcb_disconnect(m_connection);
}

void X11HotkeyService::installEventHandler(std::function<void()> handler)
{
    m_handler = std::move(handler);
}

void X11HotkeyService::removeEventHandler()
{
    m_handler = nullptr;
}

quint16 X11HotkeyService::numLockMask() const
{
    // Which modifier Num Lock is depends on the keymap; it is Mod2 almost everywhere.
    const auto keycodes = xcbPtr(xcb_key_symbols_get_keycode(m_symbols, numLockKeysym));
    const auto mapping = xcbPtr(xcb_get_modifier_mapping_reply(m_connection, xcb_get_modifier_mapping(m_connection), nullptr));
    if (!keycodes || !mapping)
        return XCB_MOD_MASK_2;
    const xcb_keycode_t *map = xcb_get_modifier_mapping_keycodes(mapping.get());
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < mapping->keycodes_per_modifier; ++i) {
            const xcb_keycode_t keycode = map[modifier * mapping->keycodes_per_modifier + i];
            for (const xcb_keycode_t *k = keycodes.get(); keycode && *k; ++k) {
                if (*k == keycode)
                    return quint16(1 << modifier);
            }
        }
    }
    return XCB_MOD_MASK_2;
}

int X11HotkeyService::registerHotkey(quint32 keyCode, quint32 modifiers, HotkeyID id)
{
    Q_UNUSED(id) // one hot key at a time: the X server needs no name for it
    unregisterHotkey();
    if (xcb_connection_has_error(m_connection))
        return unknownKey;
    const std::optional<quint32> keysym = keysymForKeyCode(keyCode);
    if (!keysym)
        return unknownKey;
    const auto keycodes = xcbPtr(xcb_key_symbols_get_keycode(m_symbols, *keysym));
    if (!keycodes || !keycodes.get()[0])
        return unknownKey;
    const xcb_keycode_t keycode = keycodes.get()[0];

    const quint16 mask = x11Modifiers(modifiers);
    const quint16 numLock = numLockMask();
    for (quint16 locks : {quint16(0), quint16(XCB_MOD_MASK_LOCK), numLock, quint16(XCB_MOD_MASK_LOCK | numLock)}) {
        const auto error = xcbPtr(xcb_request_check(
            m_connection, xcb_grab_key_checked(m_connection, 1, m_root, mask | locks, keycode, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC)));
        if (error) {
            // Another client holds the combination (BadAccess): take back what we got.
            const int status = error->error_code;
            unregisterHotkey();
            return status;
        }
        m_grabs.append({keycode, quint16(mask | locks)});
    }
    return 0;
}

void X11HotkeyService::unregisterHotkey()
{
    for (const Grab &grab : std::as_const(m_grabs))
        xcb_ungrab_key(m_connection, grab.keycode, m_root, grab.modifiers);
    if (!m_grabs.isEmpty())
        xcb_flush(m_connection);
    m_grabs.clear();
}

void X11HotkeyService::readEvents()
{
    while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
        const auto event = xcbPtr(raw);
        const quint8 type = event->response_type & 0x7f;
        if (type == XCB_KEY_RELEASE) {
            const auto *release = reinterpret_cast<const xcb_key_release_event_t *>(raw);
            m_lastReleaseTime = release->time;
            m_lastReleaseKeycode = release->detail;
        } else if (type == XCB_KEY_PRESS) {
            const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(raw);
            // A held key repeats as release and press at the same moment: one press only.
            const bool repeat = press->detail == m_lastReleaseKeycode && press->time == m_lastReleaseTime;
            if (!repeat && m_handler)
                m_handler();
        } else if (type == XCB_MAPPING_NOTIFY) {
            xcb_refresh_keyboard_mapping(m_symbols, reinterpret_cast<xcb_mapping_notify_event_t *>(raw));
        }
    }
    // A broken connection stays readable forever: stop listening instead of spinning.
    if (xcb_connection_has_error(m_connection))
        m_notifier->setEnabled(false);
}
