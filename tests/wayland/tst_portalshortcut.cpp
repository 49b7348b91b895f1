#include "platform/wayland/portalhotkeyservice.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

const QString portalPath = u"/org/freedesktop/portal/desktop"_s;
const QString shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;

// A GlobalShortcuts portal as desktops implement it: requests answered through Response
// signals of request objects, bindings kept per client across sessions (as the desktop's
// shortcut daemon keeps them), and presses announced by Activated.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version CONSTANT)

public:
    enum class Desktop {
        Newer,       ///< binds on BindShortcuts only
        Plasma527,   ///< binds the shortcuts of CreateSession's options
        Declining,   ///< the user declines the bind dialog
        NoTrigger,   ///< binds, but with no key
    };

    explicit FakePortal(QDBusConnection bus)
        : m_bus(std::move(bus))
    {
    }

    [[nodiscard]] uint version() const { return 1; }

    Desktop desktop = Desktop::Newer;
    int binds = 0;
    QMap<QString, QString> bound; // shortcut id -> trigger, kept across sessions
    QString lastSession;
    QString preferredTrigger;

    void press(const QString &session, const QString &id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(portalPath, shortcutsInterface, u"Activated"_s);
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1) << QVariantMap();
        m_bus.send(signal);
    }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &message)
    {
        lastSession = portalPath + u"/session/"_s + sender(message) + u"/"_s + options.value(u"session_handle_token"_s).toString();
        if (desktop == Desktop::Plasma527)
            take(qdbus_cast<PortalShortcuts>(options.value(u"shortcuts"_s)));
        return answer(message, options, {{u"session_handle"_s, lastSession}});
    }

    QDBusObjectPath ListShortcuts(const QDBusObjectPath &, const QVariantMap &options, const QDBusMessage &message)
    {
        return answer(message, options, {{u"shortcuts"_s, QVariant::fromValue(listed())}});
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath &, const QList<PortalShortcut> &shortcuts, const QString &,
                                  const QVariantMap &options, const QDBusMessage &message)
    {
        ++binds;
        if (desktop == Desktop::Declining)
            return answer(message, options, {}, 1);
        take(shortcuts);
        return answer(message, options, {{u"shortcuts"_s, QVariant::fromValue(listed())}});
    }

private:
    static QString sender(const QDBusMessage &message)
    {
        return message.service().mid(1).replace(u'.', u'_');
    }

    void take(const PortalShortcuts &shortcuts)
    {
        for (const PortalShortcut &shortcut : std::as_const(shortcuts)) {
            preferredTrigger = shortcut.properties.value(u"preferred_trigger"_s).toString();
            bound.insert(shortcut.id, desktop == Desktop::NoTrigger ? QString() : preferredTrigger.toUpper());
        }
    }

    PortalShortcuts listed() const
    {
        PortalShortcuts shortcuts;
        for (auto it = bound.cbegin(); it != bound.cend(); ++it)
            shortcuts.append({it.key(), {{u"trigger_description"_s, it.value()}}});
        return shortcuts;
    }

    // The request object's path; its Response follows the method's reply.
    QDBusObjectPath answer(const QDBusMessage &message, const QVariantMap &options, const QVariantMap &results,
                           uint code = 0)
    {
        const QString path = portalPath + u"/request/"_s + sender(message) + u"/"_s + options.value(u"handle_token"_s).toString();
        QTimer::singleShot(0, this, [this, path, results, code] {
            QDBusMessage response = QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_s, u"Response"_s);
            response << code << results;
            m_bus.send(response);
        });
        return QDBusObjectPath(path);
    }

    QDBusConnection m_bus;
};

std::optional<quint32> keysymOf(quint32 keyCode)
{
    return keyCode == 9 ? std::optional<quint32>(0x76) : std::nullopt; // V
}

} // namespace

// The shortcut service against a portal on a private session bus of the test's own.
class TestPortalShortcut : public QObject
{
    Q_OBJECT

    QProcess m_busDaemon;
    QString m_address;
    std::unique_ptr<FakePortal> m_portal;
    int m_connections = 0;

    QDBusConnection connect(const QString &name) { return QDBusConnection::connectToBus(m_address, name + QString::number(++m_connections)); }

    // Registers Ctrl+Shift+V and waits until the portal has settled it: whether it is bound.
    static bool registerAndSettle(PortalHotkeyService &service)
    {
        QSignalSpy settled(&service, &PortalHotkeyService::registrationSettled);
        return service.registerHotkey(9, HotkeyService::CommandKey | HotkeyService::ShiftKey, {}) == 0 && settled.wait(10000)
            && settled.constFirst().at(0).toBool();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_busDaemon.start(u"dbus-daemon"_s, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        if (!m_busDaemon.waitForStarted(5000))
            QSKIP("dbus-daemon is not installed");
        QVERIFY(m_busDaemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_busDaemon.readLine().trimmed());
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<PortalShortcuts>();
        QDBusConnection portalBus = connect(u"portal"_s);
        QVERIFY(portalBus.isConnected());
        m_portal = std::make_unique<FakePortal>(portalBus);
        QVERIFY(portalBus.registerObject(portalPath, m_portal.get(), QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
        QVERIFY(portalBus.registerService(u"org.freedesktop.portal.Desktop"_s));
    }

    void cleanupTestCase()
    {
        m_busDaemon.terminate();
        m_busDaemon.waitForFinished(5000);
    }

    void writesTriggersInTheFreedesktopSyntax_data()
    {
        QTest::addColumn<quint32>("keysym");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("trigger");
        using S = HotkeyService;
        QTest::newRow("Super+V") << 0x76u << quint32(S::ControlKey) << u"LOGO+v"_s;
        QTest::newRow("all four, F1") << 0xffbeu << quint32(S::ControlKey | S::CommandKey | S::OptionKey | S::ShiftKey)
                                      << u"LOGO+CTRL+ALT+SHIFT+F1"_s;
        QTest::newRow("a keysym without a name") << 0x12345678u << quint32(S::ShiftKey) << QString();
    }

    void writesTriggersInTheFreedesktopSyntax()
    {
        QFETCH(quint32, keysym);
        QFETCH(quint32, modifiers);
        QFETCH(QString, trigger);
        QCOMPARE(PortalHotkeyService::trigger(keysym, modifiers), trigger);
    }

    void bindsOncePressesAndRefuses_data()
    {
        QTest::addColumn<FakePortal::Desktop>("desktop");
        QTest::addColumn<bool>("bound");
        QTest::addColumn<int>("binds");
        QTest::newRow("newer portal: bound by BindShortcuts") << FakePortal::Desktop::Newer << true << 1;
        QTest::newRow("Plasma 5.27: bound at the session's creation") << FakePortal::Desktop::Plasma527 << true << 0;
        QTest::newRow("the user declines") << FakePortal::Desktop::Declining << false << 1;
        QTest::newRow("bound without a key") << FakePortal::Desktop::NoTrigger << false << 1;
    }

    void bindsOncePressesAndRefuses()
    {
        QFETCH(FakePortal::Desktop, desktop);
        QFETCH(bool, bound);
        QFETCH(int, binds);
        m_portal->desktop = desktop;
        m_portal->binds = 0;
        m_portal->bound.clear();

        auto service = std::make_unique<PortalHotkeyService>(&keysymOf, connect(u"client"_s));
        int pressed = 0;
        QSignalSpy refused(service.get(), &HotkeyService::registrationRefused);
        QObject::connect(service.get(), &HotkeyService::hotkeyPressed, [&pressed] { ++pressed; });
        QCOMPARE(registerAndSettle(*service), bound);
        QCOMPARE(refused.size(), bound ? 0 : 1);
        QCOMPARE(m_portal->binds, binds);
        QCOMPARE(m_portal->preferredTrigger, u"CTRL+SHIFT+v"_s);
        if (!bound)
            return;
        QCOMPARE(service->boundTrigger(), u"CTRL+SHIFT+V"_s);

        const QString id = QString::fromLatin1(PortalHotkeyService::shortcutId);
        m_portal->press(m_portal->lastSession, id);
        QTRY_COMPARE(pressed, 1);
        // Presses of another session or shortcut do nothing (the last one is ours, and
        // signals of one sender arrive in order).
        m_portal->press(m_portal->lastSession + u"_other"_s, id);
        m_portal->press(m_portal->lastSession, u"another-shortcut"_s);
        m_portal->press(m_portal->lastSession, id);
        QTRY_COMPARE(pressed, 2);
        // Registered again in the same run, it is listed, not bound.
        service->unregisterHotkey();
        QVERIFY(registerAndSettle(*service));
        QCOMPARE(pressed, 2);
        QCOMPARE(m_portal->binds, binds);

        // The next run finds the shortcut bound and asks nothing of the user.
        service = std::make_unique<PortalHotkeyService>(&keysymOf, connect(u"client"_s));
        QVERIFY(registerAndSettle(*service));
        QCOMPARE(m_portal->binds, binds);
    }

    void refusesAtOnceWhatItCannotAskFor()
    {
        PortalHotkeyService service(&keysymOf, connect(u"client"_s));
        QVERIFY(service.registerHotkey(1234, HotkeyService::ShiftKey, {}) != 0); // a key without a keysym
        PortalHotkeyService noBus(&keysymOf, QDBusConnection(u"none"_s));
        QVERIFY(noBus.registerHotkey(9, HotkeyService::ShiftKey, {}) != 0);
        QVERIFY(!PortalHotkeyService::isOffered(QDBusConnection(u"none"_s)));
        // Asked from another thread: the portal answers from this one.
        std::atomic<int> offered = -1;
        std::thread asking([&offered, bus = connect(u"client"_s)] { offered = PortalHotkeyService::isOffered(bus); });
        QTRY_VERIFY(offered != -1);
        asking.join();
        QCOMPARE(offered, 1);
    }
};

QTEST_GUILESS_MAIN(TestPortalShortcut)
#include "tst_portalshortcut.moc"
