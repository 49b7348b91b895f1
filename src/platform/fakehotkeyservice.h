#pragma once

#include "platform/hotkeyservice.h"

#include <QList>

/// A hot key service that records registrations, refuses them when told to, and
/// presses the registered key on request.
class FakeHotkeyService : public HotkeyService
{
public:
    struct Registration {
        quint32 keyCode;
        quint32 modifiers;
        HotkeyID id;
    };

    void installEventHandler(std::function<void()> handler) override { this->handler = std::move(handler); }
    void removeEventHandler() override { handler = nullptr; }
    int registerHotkey(quint32 keyCode, quint32 modifiers, HotkeyID id) override
    {
        if (refuses || held.contains(std::pair{keyCode, modifiers}))
            return 10;
        registered = Registration{keyCode, modifiers, id};
        ++registrations;
        return 0;
    }
    void unregisterHotkey() override { registered.reset(); }
    void setRefusalHandler(std::function<void()> handler) override { refusalHandler = std::move(handler); }

    /// The registered hot key is pressed.
    void press()
    {
        if (registered && handler)
            handler();
    }

    std::function<void()> handler;
    std::function<void()> refusalHandler;
    std::optional<Registration> registered;
    int registrations = 0;
    bool refuses = false;
    /// Key code and modifier pairs that another program holds.
    QList<std::pair<quint32, quint32>> held;
};
