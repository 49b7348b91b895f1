#pragma once

#include <QtGlobal>

#include <functional>

/// The desktop's global hot keys: a key with modifiers that reaches jotterly whichever
/// application is in front. One hot key at a time.
class HotkeyService
{
public:
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

    virtual ~HotkeyService() = default;

    /// Sets the function that each press of the registered hot key calls.
    virtual void installEventHandler(std::function<void()> handler) = 0;
    virtual void removeEventHandler() = 0;
    /// Registers the stored key code with these modifier bits. 0 on success; otherwise
    /// the registration is refused (another application holds the combination, or the
    /// key does not exist here) and nothing stays registered.
    virtual int registerHotkey(quint32 keyCode, quint32 modifiers, HotkeyID id) = 0;
    /// Removes the registered hot key, if any.
    virtual void unregisterHotkey() = 0;
    /// Sets the function called when a registration that registerHotkey() accepted is
    /// refused later: services that ask the desktop and wait for its answer.
    virtual void setRefusalHandler(std::function<void()> handler) { Q_UNUSED(handler) }
};
