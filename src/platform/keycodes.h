#pragma once

#include <QString>

#include <optional>

/// Stored shortcuts keep the key codes of the ANSI keyboard layout (9 is V) and these
/// modifier bits, so a preference means the same on every desktop. On Linux, command is
/// Ctrl, option is Alt, control is Super and shift is Shift.
namespace ModifierFlag {
inline constexpr qint64 capsLock = 0x10000;
inline constexpr qint64 shift = 0x20000;
inline constexpr qint64 control = 0x40000;
inline constexpr qint64 option = 0x80000;
inline constexpr qint64 command = 0x100000;
inline constexpr qint64 numericPad = 0x200000;
inline constexpr qint64 function = 0x800000;
/// The four that make a shortcut.
inline constexpr qint64 shortcutModifiers = shift | control | option | command;
/// Device-independent flags: the upper half of the 32 bits.
inline constexpr qint64 deviceIndependentMask = 0xffff0000;
} // namespace ModifierFlag

/// The X keysym of a stored key code, or none for a code the table does not know.
[[nodiscard]] std::optional<quint32> keysymForKeyCode(qint64 keyCode);
/// The stored key code of an X keysym (either case of a letter), or none.
[[nodiscard]] std::optional<qint64> keyCodeForKeysym(quint32 keysym);
