#pragma once

#include <QString>

#include <functional>
#include <optional>

/// A key press made in another application.
struct GlobalKeyDown {
    /// Modifier flags held (command 0x100000 = Ctrl, option = Alt, control = Super, shift).
    qint64 modifierFlags = 0;
    /// What the key types without modifiers other than shift ("v", or "V" with shift).
    QString charactersIgnoringModifiers;
};

/// Watches the keyboard system-wide, for key presses made in other applications.
class GlobalKeyMonitor
{
public:
    virtual ~GlobalKeyMonitor() = default;

    /// Starts reporting key presses to `handler`; none when the desktop does not allow
    /// watching the keyboard.
    [[nodiscard]] virtual std::optional<int> addMonitor(std::function<void(const GlobalKeyDown &)> handler) = 0;
    /// Stops the monitor that `token` names.
    virtual void removeMonitor(int token) = 0;
};
