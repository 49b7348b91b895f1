#include "hotkey/hotkeymanager.h"
#include "platform/x11/x11hotkeyservice.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "support/x11testing.h"

#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool type(const QString &keys)
{
    return runShell(u"xdotool key --clearmodifiers "_s + keys);
}

} // namespace

// The global shortcut with the real X server and xdotool as the user's keyboard.
class TestX11Keyboard : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    X11HotkeyService m_service;

private Q_SLOTS:
    // Once per press whatever the locks; a changed shortcut leaves one grab, the new one.
    void theShortcutFiresOncePerPressAndMovesWhenChanged()
    {
        Preferences preferences(m_dir.filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(preferences);
        HotkeyManager manager(&m_service, &preferences);
        int pressed = 0;
        QObject::connect(&manager, &HotkeyManager::hotkeyPressed, [&] { ++pressed; });
        manager.setup();
        QVERIFY(manager.isRegistered());

        QVERIFY(type(u"alt+shift+v alt+shift+v"_s));
        QTRY_COMPARE_WITH_TIMEOUT(pressed, 2, 5000);
        for (const QString &lock : {u"Caps_Lock"_s, u"Num_Lock"_s})
            QVERIFY(type(lock) && type(u"alt+shift+v"_s) && type(lock));
        QTRY_COMPARE_WITH_TIMEOUT(pressed, 4, 5000);
        QVERIFY(type(u"shift+v ctrl+shift+v"_s));
        QTest::qWait(200);
        QCOMPARE(pressed, 4);

        preferences.setInteger(PreferenceKeys::shortcutKeyCode, 11); // B
        manager.registerHotkey();
        preferences.setInteger(PreferenceKeys::shortcutModifiers, 0x100000); // Ctrl
        manager.registerHotkey();
        X11HotkeyService other; // another client of the X server
        QCOMPARE(other.registerHotkey(9, HotkeyService::OptionKey | HotkeyService::ShiftKey, {}), 0); // the old one is free
        QCOMPARE(other.registerHotkey(11, HotkeyService::OptionKey | HotkeyService::ShiftKey, {}), 0); // so is the one between
        QVERIFY(other.registerHotkey(11, HotkeyService::CommandKey, {}) != 0); // the new one is held
        QVERIFY(type(u"ctrl+b"_s));
        QTRY_COMPARE_WITH_TIMEOUT(pressed, 5, 5000);

        manager.unregister();
        QVERIFY(type(u"ctrl+b"_s));
        QTest::qWait(200);
        QCOMPARE(pressed, 5);
    }
};

JOTTERLY_X11_TEST_MAIN(TestX11Keyboard)

#include "tst_x11keyboard.moc"
