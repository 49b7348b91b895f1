#pragma once

#include <QObject>
#include <QString>

#include <optional>

/// A key press made in another application.
struct GlobalKeyDown {
    /// Modifier flags held (command 0x100000 = Ctrl, option = Alt, control = Super, shift).
    qint64 modifierFlags = 0;
    /// What the key types without modifiers other than shift ("v", or "V" with shift).
    QString charactersIgnoringModifiers;
};

/// Watches the keyboard system-wide, for key presses made in other applications.
/// Presses arrive as `keyDown` while at least one monitor is added.
class GlobalKeyMonitor : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// Starts watching the keyboard; none when the desktop does not allow watching it.
    [[nodiscard]] virtual std::optional<int> addMonitor() = 0;
    /// Stops the monitor that `token` names; the keyboard is watched until the last one goes.
    virtual void removeMonitor(int token) = 0;

Q_SIGNALS:
    void keyDown(const GlobalKeyDown &event);
};
