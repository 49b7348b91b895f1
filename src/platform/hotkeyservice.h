#pragma once

#include <QObject>

/// The desktop's global hot keys: a key with modifiers that reaches jotterly whichever
/// application is in front. One hot key at a time.
class HotkeyService : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /// Modifier bits of a hot key registration.
    enum Modifier : quint32 {
        CommandKey = 0x100,
        ShiftKey = 0x200,
        OptionKey = 0x800,
        ControlKey = 0x1000,
    };

    /// Identifies the registration; four characters packed big-endian, and a number.
    struct HotkeyID {
        quint32 signature = 0;
        quint32 id = 0;
    };

    /// Registers the stored key code with these modifier bits. 0 on success; otherwise
    /// the registration is refused (another application holds the combination, or the
    /// key does not exist here) and nothing stays registered.
    virtual int registerHotkey(quint32 keyCode, quint32 modifiers, HotkeyID id) = 0;
    /// Removes the registered hot key, if any.
    virtual void unregisterHotkey() = 0;

Q_SIGNALS:
    /// The registered hot key was pressed (once for a held key).
    void hotkeyPressed();
    /// A registration that registerHotkey() accepted was refused later: services that ask
    /// the desktop and wait for its answer.
    void registrationRefused();
};
