import QtQuick
import QtTest
import Jotterly.Settings

TestCase {
    id: testCase
    name: "SettingsView"
    width: 450
    height: 520
    visible: true
    when: windowShown

    Component {
        id: viewComponent
        SettingsView {
            viewModel: fixture.settings
        }
    }

    function init() {
        fixture.reset()
    }

    // The recorded shortcut is stored whole, and the field shows it.
    function test_aRecordedShortcutIsStoredInOneStep() {
        const view = createTemporaryObject(viewComponent, testCase)
        const recorder = findChild(view, "recorder")
        mouseClick(recorder)
        keyClick(Qt.Key_J, Qt.ControlModifier | Qt.AltModifier)
        compare([fixture.settings.shortcutKeyCode, fixture.settings.shortcutModifiers, fixture.settings.shortcutKeyChar],
                [38, 0x180000, "J"])
        compare(recorder.displayText, "⌥⌘J")
    }
}
