#include "hotkey/hotkeymanager.h"
#include "hotkey/hotkeyrecorder.h"
#include "platform/fakehotkeyservice.h"
#include "platform/fakeloginitem.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr quint32 lockMask = 0x2; // X11 native modifier state with Caps Lock on

// A key press as the xcb platform reports it (the keysym is the native virtual key);
// true when a filter took it before it reached `target`.
bool press(QObject *target, int key, Qt::KeyboardModifiers modifiers, quint32 keysym, quint32 nativeModifiers = 0,
           quint32 x11Keycode = 0)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers, x11Keycode, keysym, nativeModifiers);
    return QCoreApplication::sendEvent(target, &event);
}

} // namespace

class TestHotkey : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Preferences> m_preferences;
    std::unique_ptr<FakeHotkeyService> m_service;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_preferences = std::make_unique<Preferences>(m_dir->filePath(u"jotterly.conf"_s));
        registerPreferenceDefaults(*m_preferences);
        m_service = std::make_unique<FakeHotkeyService>();
    }

    // Another program holds Alt+Shift+J; recording Ctrl+Alt+J over Alt+Shift+V registers
    // Ctrl+Alt+J once, never J with the old modifiers, so no alert appears.
    void aRecordedShortcutIsRegisteredOnceAndWhole()
    {
        m_service->held = {{38, 0xa00}};
        HotkeyManager manager(m_service.get(), m_preferences.get());
        QSignalSpy failed(&manager, &HotkeyManager::registrationFailed);
        manager.setup();
        FakeLoginItem loginItem;
        SettingsViewModel settings(m_preferences.get(), &loginItem, nullptr);
        QObject::connect(&settings, &SettingsViewModel::shortcutStored, &manager, &HotkeyManager::registerHotkey);
        const int before = m_service->registrations;
        settings.recordShortcut(38, 0x180000, u"J"_s);
        QCOMPARE(failed.size(), 0);
        QCOMPARE(m_service->registrations, before + 1);
        QCOMPARE((std::pair{m_service->registered->keyCode, m_service->registered->modifiers}), (std::pair{38u, 0x900u}));
        // A desktop that answers later may still refuse: the alert, and nothing registered.
        Q_EMIT m_service->registrationRefused();
        QCOMPARE(failed.size(), 1);
        QVERIFY(!manager.isRegistered() && !m_service->registered);
    }

    // A stored shortcut that cannot be registered takes no key from anyone: none at all
    // quietly, a hand-edited one with the alert.
    void registersNothingForUnusableShortcuts_data()
    {
        QTest::addColumn<qint64>("keyCode");
        QTest::addColumn<qint64>("modifiers");
        QTest::addColumn<int>("failures");
        QTest::newRow("no shortcut (negative key code)") << qint64(-1) << qint64(0xa0000) << 0;
        QTest::newRow("no modifier would take V from everyone") << qint64(9) << qint64(0) << 1;
        QTest::newRow("a code that wraps round to V") << qint64(0x10009) << qint64(0xa0000) << 1;
    }

    void registersNothingForUnusableShortcuts()
    {
        QFETCH(qint64, keyCode);
        QFETCH(qint64, modifiers);
        QFETCH(int, failures);
        m_preferences->setInteger(PreferenceKeys::shortcutKeyCode, keyCode);
        m_preferences->setInteger(PreferenceKeys::shortcutModifiers, modifiers);
        HotkeyManager manager(m_service.get(), m_preferences.get());
        QSignalSpy pressed(&manager, &HotkeyManager::hotkeyPressed), failed(&manager, &HotkeyManager::registrationFailed);
        manager.setup();
        QVERIFY(!m_service->registered);
        QCOMPARE(failed.size(), failures);
        QObject window;
        QVERIFY(!press(&window, Qt::Key_V, Qt::NoModifier, 0x76)); // typing V still works
        QVERIFY(!press(&window, Qt::Key_V, Qt::AltModifier | Qt::ShiftModifier, 0x56));
        QCOMPARE(pressed.size(), 0);
    }

    void catchesTheShortcutInOwnWindows()
    {
        m_service->refuses = true; // the local road works without the global one
        HotkeyManager manager(m_service.get(), m_preferences.get());
        QSignalSpy pressed(&manager, &HotkeyManager::hotkeyPressed);
        manager.setup();
        QObject window;
        QVERIFY(press(&window, Qt::Key_V, Qt::AltModifier | Qt::ShiftModifier, 0x56));
        QCOMPARE(pressed.size(), 1);
        // With Caps Lock on the flags differ: an ordinary key press for the window.
        QVERIFY(!press(&window, Qt::Key_V, Qt::AltModifier | Qt::ShiftModifier, 0x56, lockMask));
        QVERIFY(!press(&window, Qt::Key_V, Qt::ShiftModifier, 0x56));
        QVERIFY(!press(&window, Qt::Key_B, Qt::AltModifier | Qt::ShiftModifier, 0x42));
        QCOMPARE(pressed.size(), 1);
        manager.unregister();
        QVERIFY(!press(&window, Qt::Key_V, Qt::AltModifier | Qt::ShiftModifier, 0x56));
        QCOMPARE(pressed.size(), 1);
    }

    void recordsShortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<quint32>("nativeModifiers");
        QTest::addColumn<quint32>("keysym");
        QTest::addColumn<quint32>("x11Keycode");
        QTest::addColumn<qint64>("keyCode"); // -1: ignored, still recording
        QTest::addColumn<qint64>("flags");
        QTest::addColumn<QString>("keyText"); // while ignored: what the field says
        const QString waiting = u"Press shortcut..."_s;
        QTest::newRow("caps lock is kept") << int(Qt::Key_B) << int(Qt::ControlModifier) << lockMask << 0u << 0u
                                           << qint64(11) << qint64(0x110000) << u"B"_s;
        QTest::newRow("Shift+1") << int(Qt::Key_Exclam) << int(Qt::ShiftModifier) << 0u << 0u << 0u << qint64(18)
                                 << qint64(0x20000) << u"!"_s;
        QTest::newRow("Ctrl+F5 by name") << int(Qt::Key_F5) << int(Qt::ControlModifier) << 0u << 0u << 0u << qint64(96)
                                         << qint64(0x100000) << u"F5"_s;
        // Keys the table lacks are named by the key they sit on: § is Shift+3 on a German layout.
        QTest::newRow("§ by its key") << int(Qt::Key_section) << int(Qt::ControlModifier | Qt::ShiftModifier) << 0u
                                      << 0xa7u << 12u << qint64(20) << qint64(0x120000) << u"§"_s;
        QTest::newRow("a key with no known place") << int(Qt::Key_section) << int(Qt::ControlModifier) << 0u << 0xa7u
                                                   << 0u << qint64(-1) << qint64(0) << u"Key can't be used"_s;
        QTest::newRow("modifier alone") << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << 0u << 0u << 0u << qint64(-1)
                                        << qint64(0) << waiting;
        QTest::newRow("keypad only") << int(Qt::Key_5) << int(Qt::KeypadModifier) << 0u << 0u << 0u << qint64(-1)
                                     << qint64(0) << waiting;
    }

    void recordsShortcuts()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(quint32, nativeModifiers);
        QFETCH(quint32, keysym);
        QFETCH(quint32, x11Keycode);
        QFETCH(qint64, keyCode);
        QFETCH(qint64, flags);
        QFETCH(QString, keyText);

        HotkeyRecorder recorder;
        QObject field;
        recorder.watch(&field);
        recorder.updateDisplay(9, 0xa0000, QString());
        QCOMPARE(recorder.text(), QString()); // no key text yet: the placeholder shows
        QSignalSpy recorded(&recorder, &HotkeyRecorder::shortcutRecorded);

        QVERIFY(!press(&field, key, Qt::KeyboardModifiers(modifiers), 0, nativeModifiers)); // not recording
        recorder.startRecording();
        recorder.startRecording(); // a second click keeps recording
        QCOMPARE(recorder.text(), u"Press shortcut..."_s);
        QVERIFY(press(&field, key, Qt::KeyboardModifiers(modifiers), keysym, nativeModifiers, x11Keycode));
        QCOMPARE(recorder.isRecording(), keyCode < 0);
        if (keyCode < 0)
            QCOMPARE(recorder.text(), keyText);
        QCOMPARE(QList<QVariantList>(recorded), (keyCode < 0 ? QList<QVariantList>{} : QList<QVariantList>{{keyCode, flags, keyText}}));
    }
};

QTEST_GUILESS_MAIN(TestHotkey)
#include "tst_hotkey.moc"
