#include "platform/wayland/portalhotkeyservice.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMetaType>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

#include <X11/Xlib.h>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcPortal, "jotterly.portal")

namespace {

const QString portalService = u"org.freedesktop.portal.Desktop"_s;
const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;
const QString requestInterface = u"org.freedesktop.portal.Request"_s;

// One Response signal of a request object, handed to its answer once.
class ResponseWaiter : public QObject
{
    Q_OBJECT

public:
    explicit ResponseWaiter(std::function<void(uint, const QVariantMap &)> answer, QObject *parent)
        : QObject(parent)
        , m_answer(std::move(answer))
    {
    }

public Q_SLOTS:
    void response(uint code, const QVariantMap &results)
    {
        auto answer = std::exchange(m_answer, nullptr);
        deleteLater();
        if (answer)
            answer(code, results);
    }

private:
    std::function<void(uint, const QVariantMap &)> m_answer;
};

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

PortalHotkeyService::PortalHotkeyService(std::function<std::optional<quint32>(quint32)> keysymOf, QDBusConnection bus,
                                         QObject *parent)
    : HotkeyService(parent)
    , m_keysymOf(std::move(keysymOf))
    , m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcuts>();
    // The slot's argument types must be registered before the connection looks them up,
    // or the first service in the process never hears a press.
    qRegisterMetaType<QDBusObjectPath>();
    // Any sender: the session's path in the signal is ours alone.
    m_bus.connect(QString(), portalPath, shortcutsInterface, u"Activated"_s, this,
                  SLOT(activated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalHotkeyService::~PortalHotkeyService()
{
    if (!m_session.isEmpty()) {
        m_bus.call(QDBusMessage::createMethodCall(portalService, m_session, u"org.freedesktop.portal.Session"_s, u"Close"_s),
                   QDBus::NoBlock);
    }
}

bool PortalHotkeyService::isOffered(QDBusConnection bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(portalService, portalPath, u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    get << shortcutsInterface << u"version"_s;
    const QDBusMessage reply = bus.call(get, QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QString PortalHotkeyService::trigger(quint32 keysym, quint32 modifiers)
{
    const char *name = XKeysymToString(keysym);
    if (!name)
        return {};
    // On Linux command is Ctrl, option is Alt and control is Super.
    QString text;
    if (modifiers & ControlKey)
        text += u"LOGO+"_s;
    if (modifiers & CommandKey)
        text += u"CTRL+"_s;
    if (modifiers & OptionKey)
        text += u"ALT+"_s;
    if (modifiers & ShiftKey)
        text += u"SHIFT+"_s;
    return text + QString::fromLatin1(name);
}

int PortalHotkeyService::registerHotkey(quint32 keyCode, quint32 modifiers, HotkeyID)
{
    const std::optional<quint32> keysym = m_keysymOf(keyCode);
    const QString wanted = keysym ? trigger(*keysym, modifiers) : QString();
    if (wanted.isEmpty() || !m_bus.isConnected())
        return 1; // no key to ask for, or no bus to ask on
    m_wantedTrigger = wanted;
    m_active = true;
    if (m_session.isEmpty()) {
        if (!m_creatingSession)
            createSession();
    } else {
        listOrBind();
    }
    return 0;
}

void PortalHotkeyService::unregisterHotkey()
{
    // The portal has no way to take one shortcut back short of closing the session; the
    // binding stays with the desktop, and its presses are ignored until the next one.
    m_active = false;
    m_wantedTrigger.clear();
}

PortalShortcuts PortalHotkeyService::wantedShortcuts() const
{
    const QVariantMap properties{{u"description"_s, tr("Open the clipboard history")},
                                 {u"preferred_trigger"_s, m_wantedTrigger}};
    return {{QString::fromLatin1(shortcutId), properties}};
}

void PortalHotkeyService::request(const QString &method, QVariantList arguments, QVariantMap options, Answer answer)
{
    // The request object's path is known before the call, so its answer cannot be missed.
    const QString token = u"jotterly%1"_s.arg(++m_requests);
    QString sender = m_bus.baseService().mid(1);
    sender.replace(u'.', u'_');
    const QString path = u"/org/freedesktop/portal/desktop/request/%1/%2"_s.arg(sender, token);
    auto *waiter = new ResponseWaiter(std::move(answer), this);
    m_bus.connect(QString(), path, requestInterface, u"Response"_s, waiter, SLOT(response(uint, QVariantMap)));
    options.insert(u"handle_token"_s, token);
    arguments << options;
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, shortcutsInterface, method);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, waiter, method, path] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            waiter->response(2, {{u"error"_s, reply.error().message()}});
        } else if (reply.value().path() != path) {
            // An older portal that chose its own path.
            m_bus.connect(QString(), reply.value().path(), requestInterface, u"Response"_s, waiter,
                          SLOT(response(uint, QVariantMap)));
        }
    });
}

void PortalHotkeyService::createSession()
{
    m_creatingSession = true;
    const QString trigger = m_wantedTrigger;
    QVariantMap options{{u"session_handle_token"_s, u"jotterly"_s}};
    // Plasma 5.27 binds the shortcuts it finds here; later portals ignore them.
    options.insert(u"shortcuts"_s, QVariant::fromValue(wantedShortcuts()));
    request(u"CreateSession"_s, {}, options, [this, trigger](uint response, const QVariantMap &results) {
        m_creatingSession = false;
        m_session = results.value(u"session_handle"_s).toString();
        if (response != 0 || m_session.isEmpty()) {
            m_session.clear();
            refuse(u"the portal refused a session: %1"_s.arg(results.value(u"error"_s).toString()));
            return;
        }
        m_sessionTrigger = trigger;
        if (m_active)
            listOrBind();
    });
}

// A shortcut this session already has with the trigger wanted is only listed: binding it
// again would ask the user again.
void PortalHotkeyService::listOrBind()
{
    if (m_sessionTrigger != m_wantedTrigger) {
        bind();
        return;
    }
    request(u"ListShortcuts"_s, {QVariant::fromValue(QDBusObjectPath(m_session))}, {},
            [this](uint response, const QVariantMap &results) {
                if (response != 0)
                    bind();
                else
                    settle(results, true);
            });
}

void PortalHotkeyService::bind()
{
    const QString trigger = m_wantedTrigger;
    request(u"BindShortcuts"_s,
            {QVariant::fromValue(QDBusObjectPath(m_session)), QVariant::fromValue(wantedShortcuts()), QString()}, {},
            [this, trigger](uint response, const QVariantMap &results) {
                if (trigger != m_wantedTrigger)
                    return; // a newer registration is on its way
                if (response != 0) {
                    refuse(u"the desktop refused the shortcut %1 (answer %2) %3"_s.arg(trigger).arg(response).arg(
                        results.value(u"error"_s).toString()));
                    return;
                }
                m_sessionTrigger = trigger;
                settle(results, false);
            });
}

// The listed or bound shortcuts: ours must be there with a trigger.
void PortalHotkeyService::settle(const QVariantMap &results, bool bindIfMissing)
{
    PortalShortcuts shortcuts;
    results.value(u"shortcuts"_s).value<QDBusArgument>() >> shortcuts;
    m_boundTrigger.clear();
    for (const PortalShortcut &shortcut : std::as_const(shortcuts)) {
        if (shortcut.id == QLatin1String(shortcutId))
            m_boundTrigger = shortcut.properties.value(u"trigger_description"_s).toString();
    }
    if (m_boundTrigger.isEmpty()) {
        if (bindIfMissing) {
            bind();
            return;
        }
        refuse(u"the desktop bound no key to the shortcut"_s);
        return;
    }
    qCInfo(lcPortal) << "shortcut bound to" << m_boundTrigger;
    Q_EMIT registrationSettled(true);
}

void PortalHotkeyService::refuse(const QString &why)
{
    qCInfo(lcPortal).noquote() << why;
    m_boundTrigger.clear();
    m_active = false;
    Q_EMIT registrationSettled(false);
    Q_EMIT registrationRefused();
}

void PortalHotkeyService::activated(const QDBusObjectPath &session, const QString &shortcut, qulonglong, const QVariantMap &)
{
    if (m_active && session.path() == m_session && shortcut == QLatin1String(shortcutId))
        Q_EMIT hotkeyPressed();
}

#include "portalhotkeyservice.moc"
