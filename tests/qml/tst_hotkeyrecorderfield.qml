import QtQuick
import QtTest
import Jotterly.Hotkey

TestCase {
    id: testCase
    name: "HotkeyRecorderField"
    width: 300
    height: 100
    visible: true
    when: windowShown

    Component {
        id: fieldComponent
        HotkeyRecorderField {
            keyCode: 9
            modifiers: 0xa0000
            keyChar: ""
            // The owner stores the shortcut and hands it back, as the settings do.
            onRecorded: (code, flags, text) => {
                keyCode = code
                modifiers = flags
                keyChar = text
            }
        }
    }

    SignalSpy {
        id: recordedSpy
        signalName: "recorded"
    }

    function test_recordsAShortcutWithAModifier() {
        const field = createTemporaryObject(fieldComponent, testCase)
        recordedSpy.target = field
        compare(field.displayText, "") // no key text yet: only the placeholder shows
        mouseClick(field)
        verify(field.isRecording)
        compare(field.displayText, "Press shortcut...")

        keyClick(Qt.Key_A) // plain keys and Escape are ignored
        keyClick(Qt.Key_Escape)
        keyPress(Qt.Key_Shift, Qt.ShiftModifier)
        keyRelease(Qt.Key_Shift, Qt.ShiftModifier)
        verify(field.isRecording)
        compare(field.displayText, "Press shortcut...")

        mouseClick(field) // clicking again keeps recording
        verify(field.isRecording)

        keyClick(Qt.Key_V, Qt.AltModifier | Qt.ShiftModifier)
        verify(!field.isRecording)
        compare(recordedSpy.count, 1) // the whole shortcut in one report
        compare(field.keyCode, 9)
        compare(field.modifiers, 0xa0000)
        compare(field.keyChar, "V")
        compare(field.displayText, "⌥⇧V")
    }
}
