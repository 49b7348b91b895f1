#include "hotkey/hotkeymanager.h"
#include "platform/x11/x11hotkeyservice.h"
#include "platform/x11/xcbutil.h"
#include "settings/notificationcenter.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "support/x11grab.h"
#include "support/x11testing.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint16 altShift = XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT;

bool type(const QString &keys)
{
    return runShell(u"xdotool key --clearmodifiers "_s + keys);
}

} // namespace

// The global shortcut and the paste queue with the real X server, xdotool as the
// user's keyboard and xclip as the other application.
class TestX11Keyboard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Preferences> m_preferences;
    NotificationCenter m_notifications;
    X11HotkeyService m_service;

private Q_SLOTS:
    void initTestCase()
    {
        m_preferences = std::make_unique<Preferences>(m_dir.filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*m_preferences);
    }

    void init()
    {
        m_preferences->remove(PreferenceKeys::shortcutKeyCode);
        m_preferences->remove(PreferenceKeys::shortcutModifiers);
    }

    void theShortcutFiresOncePerPressWhateverTheLocks()
    {
        HotkeyManager manager(&m_service, &m_notifications, m_preferences.get());
        int pressed = 0;
        int failed = 0;
        manager.setOnHotkeyPressed([&] { ++pressed; });
        manager.setOnRegistrationFailed([&] { ++failed; });
        manager.setup();
        QVERIFY(manager.isRegistered());

        QVERIFY(type(u"alt+shift+v alt+shift+v"_s));
        QTRY_COMPARE_WITH_TIMEOUT(pressed, 2, 5000);
        for (const QString &lock : {u"Caps_Lock"_s, u"Num_Lock"_s}) {
            QVERIFY(type(lock));
            QVERIFY(type(u"alt+shift+v"_s));
            QVERIFY(type(lock));
        }
        QTRY_COMPARE_WITH_TIMEOUT(pressed, 4, 5000);
        QVERIFY(type(u"shift+v ctrl+shift+v"_s));
        QTest::qWait(200);
        QCOMPARE(pressed, 4);
        QCOMPARE(failed, 0);

        manager.unregister();
        QVERIFY(type(u"alt+shift+v"_s));
        QTest::qWait(200);
        QCOMPARE(pressed, 4);
    }

    void aChangedShortcutLeavesOneGrab()
    {
        HotkeyManager manager(&m_service, &m_notifications, m_preferences.get());
        int pressed = 0;
        manager.setOnHotkeyPressed([&] { ++pressed; });
        manager.setup();
        m_preferences->setInteger(PreferenceKeys::shortcutKeyCode, 11); // B
        m_notifications.post(Notifications::shortcutChanged);
        m_preferences->setInteger(PreferenceKeys::shortcutModifiers, 0x100000); // Ctrl
        m_notifications.post(Notifications::shortcutChanged);

        OtherClient other;
        QVERIFY(other.grab(0x76, altShift));                  // the old one is free
        QVERIFY(other.grab(0x62, XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT)); // so is the intermediate one
        QVERIFY(!other.grab(0x62, XCB_MOD_MASK_CONTROL));     // the new one is held
        other.ungrabAll();
        QVERIFY(type(u"ctrl+b"_s));
        QTRY_COMPARE_WITH_TIMEOUT(pressed, 1, 5000);
        manager.unregister();
    }

};

JOTTERLY_X11_TEST_MAIN(TestX11Keyboard)

#include "tst_x11keyboard.moc"
