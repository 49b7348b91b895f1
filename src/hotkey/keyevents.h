#pragma once

#include <QtGlobal>

#include <optional>

class QKeyEvent;

/// The stored key code of the key that `event` reports, or none. A key the table does
/// not know (§, letters of other alphabets) is named by its place on the keyboard.
[[nodiscard]] std::optional<qint64> keyCodeForKeyEvent(const QKeyEvent &event);
/// The stored modifier flags held during `event`: Ctrl is command, Alt option, Super
/// control; Caps Lock and the keypad are reported too.
[[nodiscard]] qint64 modifierFlagsForKeyEvent(const QKeyEvent &event);
