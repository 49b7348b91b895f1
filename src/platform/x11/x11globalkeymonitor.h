#pragma once

#include "platform/globalkeymonitor.h"

#include <map>
#include <set>

struct xcb_connection_t;
typedef struct _XCBKeySymbols xcb_key_symbols_t;
class QSocketNotifier;

/// The keyboard of the whole X display through XInput2 raw key events on the root
/// window (XInput 2.2: also while another client grabs the keyboard), read on the main
/// thread. Raw events carry no modifier state, so the monitor follows the modifier keys.
/// Presses while one of jotterly's own windows has the focus are not reported. Without
/// XInput2 there is no monitor.
class X11GlobalKeyMonitor : public GlobalKeyMonitor
{
    Q_OBJECT

public:
    explicit X11GlobalKeyMonitor(QObject *parent = nullptr);
    ~X11GlobalKeyMonitor() override;

    std::optional<int> addMonitor() override;
    void removeMonitor(int token) override;

private:
    bool listen();
    void stopListening();
    void readEvents();
    void keyEvent(quint32 keycode, bool pressed);

    xcb_connection_t *m_connection = nullptr;
    xcb_key_symbols_t *m_symbols = nullptr;
    QSocketNotifier *m_notifier = nullptr;
    quint8 m_inputOpcode = 0;
    bool m_listening = false;
    std::set<int> m_monitors;
    int m_nextToken = 1;
    std::map<quint32, qint64> m_modifierKeysDown; // keycode -> the flag it holds
};
