#include "hotkey/keyevents.h"

#include "platform/keycodes.h"

#include <QKeyEvent>

#include <string_view>

namespace {

constexpr quint32 x11LockMask = 0x2;

// Where the platform gives no keysym (offscreen, Wayland), the Qt key stands in.
std::optional<quint32> keysymForQtKey(int key)
{
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde)
        return QChar::toLower(char32_t(key)); // Latin-1 keysyms are their characters
    switch (key) {
    case Qt::Key_Return: return 0xff0d;
    case Qt::Key_Enter: return 0xff8d;
    case Qt::Key_Tab: return 0xff09;
    case Qt::Key_Backspace: return 0xff08;
    case Qt::Key_Escape: return 0xff1b;
    case Qt::Key_Delete: return 0xffff;
    case Qt::Key_Insert: return 0xff63;
    case Qt::Key_Home: return 0xff50;
    case Qt::Key_End: return 0xff57;
    case Qt::Key_PageUp: return 0xff55;
    case Qt::Key_PageDown: return 0xff56;
    case Qt::Key_Left: return 0xff51;
    case Qt::Key_Right: return 0xff53;
    case Qt::Key_Up: return 0xff52;
    case Qt::Key_Down: return 0xff54;
    default:
        if (key >= Qt::Key_F1 && key <= Qt::Key_F20)
            return 0xffbe + quint32(key - Qt::Key_F1);
        return std::nullopt;
    }
}

// The ANSI layout's character on the key at an X key code (evdev numbering): what a
// key types elsewhere (§, ü, a Cyrillic letter) is named by the key it sits on.
std::optional<quint32> ansiKeysymAtKeycode(quint32 keycode)
{
    static constexpr struct {
        quint32 first;
        std::string_view keys;
    } rows[] = {{10, "1234567890-="}, {24, "qwertyuiop[]"}, {38, "asdfghjkl;'`"}, {51, "\\zxcvbnm,./"}};
    for (const auto &row : rows) {
        if (keycode >= row.first && keycode - row.first < row.keys.size())
            return quint32(row.keys[keycode - row.first]);
    }
    return std::nullopt;
}

} // namespace

std::optional<qint64> keyCodeForKeyEvent(const QKeyEvent &event)
{
    if (event.nativeVirtualKey() != 0) {
        if (auto code = keyCodeForKeysym(event.nativeVirtualKey()))
            return code;
    }
    if (const auto keysym = keysymForQtKey(event.key())) {
        if (auto code = keyCodeForKeysym(*keysym))
            return code;
    }
    if (const auto keysym = ansiKeysymAtKeycode(event.nativeScanCode()))
        return keyCodeForKeysym(*keysym);
    return std::nullopt;
}

qint64 modifierFlagsForKeyEvent(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    qint64 flags = 0;
    if (modifiers & Qt::ShiftModifier)
        flags |= ModifierFlag::shift;
    if (modifiers & Qt::ControlModifier)
        flags |= ModifierFlag::command;
    if (modifiers & Qt::AltModifier)
        flags |= ModifierFlag::option;
    if (modifiers & Qt::MetaModifier)
        flags |= ModifierFlag::control;
    if (modifiers & Qt::KeypadModifier)
        flags |= ModifierFlag::numericPad;
    if (event.nativeModifiers() & x11LockMask)
        flags |= ModifierFlag::capsLock;
    return flags;
}
