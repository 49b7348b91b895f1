#include "hotkey/hotkeymanager.h"

#include "hotkey/keyevents.h"
#include "platform/hotkeyservice.h"
#include "platform/keycodes.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"

#include <QCoreApplication>
#include <QKeyEvent>

HotkeyManager::HotkeyManager(HotkeyService *service, Preferences *preferences, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_preferences(preferences)
{
}

HotkeyManager::~HotkeyManager()
{
    removeLocalMonitor();
}

quint32 HotkeyManager::carbonModifiers(qint64 modifierFlags)
{
    quint32 modifiers = 0;
    if (modifierFlags & ModifierFlag::command)
        modifiers |= HotkeyService::CommandKey;
    if (modifierFlags & ModifierFlag::option)
        modifiers |= HotkeyService::OptionKey;
    if (modifierFlags & ModifierFlag::control)
        modifiers |= HotkeyService::ControlKey;
    if (modifierFlags & ModifierFlag::shift)
        modifiers |= HotkeyService::ShiftKey;
    return modifiers;
}

void HotkeyManager::setup()
{
    disconnect(m_pressConnection);
    m_pressConnection = connect(m_service, &HotkeyService::hotkeyPressed, this, &HotkeyManager::hotkeyPressed);
    disconnect(m_refusalConnection);
    m_refusalConnection = connect(m_service, &HotkeyService::registrationRefused, this, [this] {
        if (m_hotkeyRegistered)
            m_service->unregisterHotkey();
        m_hotkeyRegistered = false;
        Q_EMIT registrationFailed();
    });
    registerHotkey();
}

void HotkeyManager::registerHotkey()
{
    if (m_hotkeyRegistered) {
        m_service->unregisterHotkey();
        m_hotkeyRegistered = false;
    }
    removeLocalMonitor();

    const qint64 keyCode = m_preferences->integer(PreferenceKeys::shortcutKeyCode);
    if (keyCode < 0)
        return;
    const qint64 modifiers = m_preferences->integer(PreferenceKeys::shortcutModifiers);
    // Only a hand-edited file holds these: a code beyond 16 bits names no key and must
    // not wrap round to a real one, and a shortcut without a modifier would take the
    // key from every application. Both count as refused.
    if (keyCode > 0xffff || carbonModifiers(modifiers) == 0) {
        Q_EMIT registrationFailed();
        return;
    }
    const int status = m_service->registerHotkey(quint32(keyCode), carbonModifiers(modifiers),
                                                 {hotkeySignature, hotkeyIdentifier});
    m_hotkeyRegistered = status == 0;
    if (!m_hotkeyRegistered)
        Q_EMIT registrationFailed();

    m_localKeyCode = keyCode;
    m_localModifiers = modifiers;
    if (QCoreApplication *app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        m_localMonitorInstalled = true;
    }
}

void HotkeyManager::removeLocalMonitor()
{
    if (m_localMonitorInstalled) {
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeEventFilter(this);
        m_localMonitorInstalled = false;
    }
}

void HotkeyManager::unregister()
{
    if (m_hotkeyRegistered) {
        m_service->unregisterHotkey();
        m_hotkeyRegistered = false;
    }
    disconnect(m_pressConnection);
    disconnect(m_refusalConnection);
    removeLocalMonitor();
}

bool HotkeyManager::eventFilter(QObject *watched, QEvent *event)
{
    Q_UNUSED(watched)
    // A matching press is consumed at its first sighting, so it never goes further.
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const std::optional<qint64> keyCode = keyCodeForKeyEvent(*key);
    // Exact on the whole set of flags: with Caps Lock on, the press is an ordinary key.
    if (!keyCode || *keyCode != m_localKeyCode
        || (modifierFlagsForKeyEvent(*key) & ModifierFlag::deviceIndependentMask) != m_localModifiers)
        return false;
    Q_EMIT hotkeyPressed();
    return true; // consumed: the window never sees it
}
