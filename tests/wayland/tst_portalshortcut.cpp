#include "platform/wayland/portalhotkeyservice.h"
#include "support/headlesskwin.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

std::optional<quint32> keysymOf(quint32 keyCode)
{
    return keyCode == 9 ? std::optional<quint32>(0x76) : std::nullopt; // V
}

} // namespace

// The shortcut service against KDE's portal (Plasma 5.27) on a headless KWin; presses come
// through the shortcut daemon, as the keys would bring them.
class TestPortalShortcut : public QObject
{
    Q_OBJECT

    HeadlessKwin m_kwin;
    QString m_kwinError;
    int m_connections = 0;

    QDBusConnection connect() { return m_kwin.connectToBus(u"client%1"_s.arg(++m_connections)); }

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_kwin.start(&m_kwinError))
            m_kwinError.prepend(u"KWin cannot start here: "_s);
        else if (!PortalHotkeyService::isOffered(connect()))
            QFAIL("KDE's portal on KWin offers no GlobalShortcuts");
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

    // Bound once at the session's creation, pressed, listed (not bound again) when
    // registered again in the same run. The user may then take the key away in the
    // desktop's settings: the next run has a shortcut without a key, which is no
    // registration.
    void bindsPressesAndLosesTheKey()
    {
        if (!m_kwinError.isEmpty())
            QSKIP(qPrintable(m_kwinError));
        const quint32 ctrlShift = HotkeyService::CommandKey | HotkeyService::ShiftKey;
        for (const QString &bound : {u"Ctrl+Shift+V"_s, QString()}) {
            PortalHotkeyService service(&keysymOf, connect());
            QSignalSpy pressed(&service, &HotkeyService::hotkeyPressed);
            QSignalSpy refused(&service, &HotkeyService::registrationRefused);
            QSignalSpy settled(&service, &PortalHotkeyService::registrationSettled);
            for (int registration = 0; registration < (bound.isEmpty() ? 1 : 2); ++registration) {
                service.unregisterHotkey();
                QCOMPARE(service.registerHotkey(9, ctrlShift, {}), 0);
                QVERIFY(settled.wait(20000));
                QCOMPARE(service.boundTrigger(), bound);
                QCOMPARE(refused.count(), bound.isEmpty() ? 1 : 0);
                if (bound.isEmpty())
                    break;
                QVERIFY(m_kwin.invokeShortcut(QString::fromLatin1(PortalHotkeyService::shortcutId)));
                QVERIFY(pressed.wait(10000));
            }
            QVERIFY(bound.isEmpty() || m_kwin.clearShortcut(QString::fromLatin1(PortalHotkeyService::shortcutId)));
        }
    }

    void refusesAtOnceWhatItCannotAskFor()
    {
        PortalHotkeyService noBus(&keysymOf, QDBusConnection(u"none"_s));
        QVERIFY(noBus.registerHotkey(9, HotkeyService::ShiftKey, {}) != 0);
        QVERIFY(!PortalHotkeyService::isOffered(QDBusConnection(u"none"_s)));
        if (!m_kwinError.isEmpty())
            QSKIP(qPrintable(m_kwinError));
        PortalHotkeyService service(&keysymOf, connect());
        QVERIFY(service.registerHotkey(1234, HotkeyService::ShiftKey, {}) != 0); // a key without a keysym
    }
};

QTEST_GUILESS_MAIN(TestPortalShortcut)
#include "tst_portalshortcut.moc"
