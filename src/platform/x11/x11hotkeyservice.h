#pragma once

#include "platform/hotkeyservice.h"

#include <QList>

struct xcb_connection_t;
typedef struct _XCBKeySymbols xcb_key_symbols_t;
class QSocketNotifier;

/// Global hot keys on X11: the key is grabbed on the root window, in four variants so
/// it works whatever the state of Caps Lock and Num Lock. Presses arrive through a
/// connection of its own, read on the main thread. A grab that another client holds is
/// refused by the X server (BadAccess), and so is the registration.
class X11HotkeyService : public HotkeyService
{
    Q_OBJECT

public:
    /// Connects to the display named by DISPLAY.
    explicit X11HotkeyService(QObject *parent = nullptr);
    ~X11HotkeyService() override;

    int registerHotkey(quint32 keyCode, quint32 modifiers, HotkeyID id) override;
    void unregisterHotkey() override;

    /// Status of a registration whose key has no key on this keyboard.
    static constexpr int unknownKey = -1;

private:
    void readEvents();
    [[nodiscard]] quint16 numLockMask() const;

    xcb_connection_t *m_connection = nullptr;
    xcb_key_symbols_t *m_symbols = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    quint32 m_root = 0;
    struct Grab {
        quint8 keycode;
        quint16 modifiers;
    };
    QList<Grab> m_grabs;
    quint32 m_lastReleaseTime = 0;
    quint8 m_lastReleaseKeycode = 0;
};
