#include "platform/wayland/portalhotkeyservice.h"
#include "support/headlesskwin.h"

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
        Declining,   ///< the user declines the bind dialog
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
            bound.insert(shortcut.id, preferredTrigger.toUpper());
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
        QTest::newRow("newer portal: bound by BindShortcuts") << FakePortal::Desktop::Newer << true;
        QTest::newRow("the user declines") << FakePortal::Desktop::Declining << false;
    }

    void bindsOncePressesAndRefuses()
    {
        QFETCH(FakePortal::Desktop, desktop);
        QFETCH(bool, bound);
        m_portal->desktop = desktop;
        m_portal->binds = 0;
        m_portal->bound.clear();

        auto service = std::make_unique<PortalHotkeyService>(&keysymOf, connect(u"client"_s));
        int pressed = 0;
        int refused = 0;
        QObject::connect(service.get(), &HotkeyService::hotkeyPressed, [&pressed] { ++pressed; });
        QObject::connect(service.get(), &HotkeyService::registrationRefused, [&refused] { ++refused; });
        QSignalSpy settled(service.get(), &PortalHotkeyService::registrationSettled);
        QCOMPARE(service->registerHotkey(9, HotkeyService::CommandKey | HotkeyService::ShiftKey, {}), 0);
        QVERIFY(settled.wait(10000));
        QCOMPARE(settled.constFirst().at(0).toBool(), bound);
        QCOMPARE(refused, bound ? 0 : 1);
        QCOMPARE(m_portal->binds, 1);
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
        settled.clear();
        QCOMPARE(service->registerHotkey(9, HotkeyService::CommandKey | HotkeyService::ShiftKey, {}), 0);
        QVERIFY(settled.wait(10000));
        QCOMPARE(pressed, 2);
        QCOMPARE(m_portal->binds, 1);

        // The next run finds the shortcut bound and asks nothing of the user.
        service = std::make_unique<PortalHotkeyService>(&keysymOf, connect(u"client"_s));
        QObject::connect(service.get(), &HotkeyService::hotkeyPressed, [&pressed] { ++pressed; });
        QSignalSpy settledAgain(service.get(), &PortalHotkeyService::registrationSettled);
        QCOMPARE(service->registerHotkey(9, HotkeyService::CommandKey | HotkeyService::ShiftKey, {}), 0);
        QVERIFY(settledAgain.wait(10000));
        QVERIFY(settledAgain.constFirst().at(0).toBool());
        QCOMPARE(m_portal->binds, 1);
    }

    // The KDE portal of Plasma 5.27 on a headless KWin, pressed through the shortcut daemon
    // as the keys would press it. The user may take the key away in the desktop's
    // settings: the next run then has a shortcut without a key, which is no registration.
    void kdePortalBindsPressesAndLosesTheKey()
    {
        HeadlessKwin kwin;
        QString error;
        if (!kwin.start(&error))
            QSKIP(qPrintable(u"KWin cannot start here: "_s + error));
        QVERIFY2(PortalHotkeyService::isOffered(kwin.connectToBus(u"client"_s)), "the KDE portal offers no GlobalShortcuts");
        const quint32 ctrlShift = HotkeyService::CommandKey | HotkeyService::ShiftKey;
        for (const QString &bound : {u"Ctrl+Shift+V"_s, QString()}) {
            PortalHotkeyService service(&keysymOf, kwin.connectToBus(u"client"_s + bound));
            QSignalSpy pressed(&service, &HotkeyService::hotkeyPressed);
            QSignalSpy refused(&service, &HotkeyService::registrationRefused);
            QSignalSpy settled(&service, &PortalHotkeyService::registrationSettled);
            QCOMPARE(service.registerHotkey(9, ctrlShift, {}), 0);
            QVERIFY(settled.wait(20000));
            QCOMPARE(service.boundTrigger(), bound);
            QCOMPARE(refused.count(), bound.isEmpty() ? 1 : 0);
            if (bound.isEmpty())
                break;
            QVERIFY(kwin.invokeShortcut(QString::fromLatin1(PortalHotkeyService::shortcutId)));
            QVERIFY(pressed.wait(10000));
            QVERIFY(kwin.clearShortcut(QString::fromLatin1(PortalHotkeyService::shortcutId)));
        }
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
