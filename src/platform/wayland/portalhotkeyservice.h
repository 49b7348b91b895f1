#pragma once

#include "platform/hotkeyservice.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

#include <optional>

/// One shortcut as the GlobalShortcuts portal lists it: an id and its properties.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcuts = QList<PortalShortcut>;
Q_DECLARE_METATYPE(PortalShortcut)

class QDBusArgument;
QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut);

/// The global shortcut in a Wayland session, through the desktop portal's GlobalShortcuts
/// interface: the compositor, not jotterly, sees the keys.
///
/// One session per run. Its shortcut is bound once and afterwards only listed: binding
/// again opens a confirmation dialog on some desktops. The trigger asked for is written
/// in the freedesktop shortcut syntax (CTRL+SHIFT+v); the desktop may bind another one,
/// chosen by the user there. Plasma 5.27 takes the shortcuts from the session's creation,
/// later portals from the bind request: both are sent.
///
/// The portal answers later than registerHotkey() returns: a registration is accepted at
/// first, and a refusal (the user declined, the portal failed, or no trigger was bound)
/// reaches the failure handler then.
class PortalHotkeyService : public HotkeyService
{
    Q_OBJECT

public:
    /// The shortcut's id in the portal.
    static constexpr auto shortcutId = "show-history";

    /// `keysymOf` gives the X keysym of a stored key code; `bus` is the session bus.
    PortalHotkeyService(std::function<std::optional<quint32>(quint32 keyCode)> keysymOf,
                        QDBusConnection bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~PortalHotkeyService() override;

    /// Whether the session bus has a portal with the GlobalShortcuts interface.
    [[nodiscard]] static bool isOffered(QDBusConnection bus = QDBusConnection::sessionBus());
    /// The trigger in the freedesktop syntax for a key and hot-key modifier bits; empty
    /// for a key without a name.
    [[nodiscard]] static QString trigger(quint32 keysym, quint32 modifiers);

    int registerHotkey(quint32 keyCode, quint32 modifiers, HotkeyID id) override;
    void unregisterHotkey() override;

    /// The trigger the desktop reports as bound, as it shows it; empty when none is.
    [[nodiscard]] QString boundTrigger() const { return m_boundTrigger; }

Q_SIGNALS:
    /// The portal answered the registration: bound, or refused.
    void registrationSettled(bool bound);

private Q_SLOTS:
    void activated(const QDBusObjectPath &session, const QString &shortcut, qulonglong timestamp,
                   const QVariantMap &options);

private:
    using Answer = std::function<void(uint response, const QVariantMap &results)>;
    // Calls a portal method that answers through a request object's Response signal.
    void request(const QString &method, QVariantList arguments, QVariantMap options, Answer answer);
    void createSession();
    void listOrBind();
    void bind();
    void settle(const QVariantMap &results, bool bindIfMissing);
    void refuse(const QString &why);
    [[nodiscard]] PortalShortcuts wantedShortcuts() const;

    std::function<std::optional<quint32>(quint32)> m_keysymOf;
    QDBusConnection m_bus;
    QString m_session;
    bool m_creatingSession = false;
    QString m_wantedTrigger;    // empty while nothing is registered
    QString m_sessionTrigger;   // the trigger the session's shortcut was created or bound with
    QString m_boundTrigger;
    bool m_active = false;
    int m_requests = 0;
};
