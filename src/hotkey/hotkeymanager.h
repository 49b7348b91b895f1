#pragma once

#include <QObject>

class HotkeyService;
class Preferences;

/// Makes the user's shortcut work everywhere: registers the stored key and modifiers as
/// the global hot key, turns each press into one hotkeyPressed() signal, and registers
/// again when registerHotkey() is called after the shortcut changed. Presses that reach jotterly's own windows are
/// caught by an application-wide key filter as well, which also works when the global
/// registration was refused.
class HotkeyManager : public QObject
{
    Q_OBJECT

public:
    /// The signature "JOTK" and id 1 name the one hot key.
    static constexpr quint32 hotkeySignature = 0x4a4f544b;
    static constexpr quint32 hotkeyIdentifier = 1;

    HotkeyManager(HotkeyService *service, Preferences *preferences, QObject *parent = nullptr);
    ~HotkeyManager() override;

    /// Listens for presses and registers the stored shortcut.
    void setup();
    /// Stops listening and removes the hot key and the key filter.
    void unregister();

    /// Whether the global hot key is registered now.
    [[nodiscard]] bool isRegistered() const { return m_hotkeyRegistered; }

    /// The hot-key modifier bits for stored modifier flags; other bits are ignored.
    [[nodiscard]] static quint32 carbonModifiers(qint64 modifierFlags);

public Q_SLOTS:
    /// Replaces the registration with one made from the stored preferences.
    void registerHotkey();

Q_SIGNALS:
    /// The shortcut was pressed: anywhere through the global hot key, or in one of
    /// jotterly's own windows.
    void hotkeyPressed();
    /// The stored shortcut could not be registered as the global hot key.
    void registrationFailed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void removeLocalMonitor();

    HotkeyService *m_service;
    Preferences *m_preferences;
    QMetaObject::Connection m_pressConnection;
    QMetaObject::Connection m_refusalConnection;
    bool m_hotkeyRegistered = false;
    bool m_localMonitorInstalled = false;
    qint64 m_localKeyCode = -1;
    qint64 m_localModifiers = 0;
};
