#pragma once

#include <QObject>

#include <functional>

class HotkeyService;
class NotificationCenter;
class Preferences;

/// Makes the user's shortcut work everywhere: registers the stored key and modifiers as
/// the global hot key, turns each press into one onHotkeyPressed call, and registers
/// again whenever the shortcut changes. Presses that reach jotterly's own windows are
/// caught by an application-wide key filter as well, which also works when the global
/// registration was refused.
class HotkeyManager : public QObject
{
    Q_OBJECT

public:
    /// The signature "JOTK" and id 1 name the one hot key.
    static constexpr quint32 hotkeySignature = 0x4a4f544b;
    static constexpr quint32 hotkeyIdentifier = 1;

    HotkeyManager(HotkeyService *service, NotificationCenter *notifications, Preferences *preferences,
                  QObject *parent = nullptr);
    ~HotkeyManager() override;

    void setOnHotkeyPressed(std::function<void()> callback) { m_onHotkeyPressed = std::move(callback); }
    void setOnRegistrationFailed(std::function<void()> callback) { m_onRegistrationFailed = std::move(callback); }

    /// Installs the press handler, registers the stored shortcut and follows changes.
    void setup();
    /// Replaces the registration with one made from the stored preferences.
    void registerHotkey();
    /// Removes the hot key, the handler and the key filter.
    void unregister();

    /// Whether the global hot key is registered now.
    [[nodiscard]] bool isRegistered() const { return m_hotkeyRegistered; }

    /// The hot-key modifier bits for stored modifier flags; other bits are ignored.
    [[nodiscard]] static quint32 carbonModifiers(qint64 modifierFlags);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void installEventHandler();
    void removeLocalMonitor();

    HotkeyService *m_service;
    NotificationCenter *m_notifications;
    Preferences *m_preferences;
    std::function<void()> m_onHotkeyPressed;
    std::function<void()> m_onRegistrationFailed;
    bool m_hotkeyRegistered = false;
    bool m_eventHandlerInstalled = false;
    bool m_localMonitorInstalled = false;
    qint64 m_localKeyCode = -1;
    qint64 m_localModifiers = 0;
};
