import QtQuick
import Jotterly.Hotkey

// The field with which the user sets the global shortcut. It shows the shortcut as
// modifier glyphs and key; a click makes it wait for the next key press made with a
// modifier, which it reports with recorded(); its owner stores the shortcut and hands
// it back through the three values.
Rectangle {
    id: field

    /// The stored shortcut, as the owner holds it.
    property int keyCode: -1
    property int modifiers: 0
    property string keyChar: ""
    readonly property alias isRecording: recorder.isRecording
    readonly property alias displayText: recorder.text

    readonly property color orange: "#ff9500"

    /// A shortcut was recorded: key code, modifier flags and key text, all at once.
    signal recorded(double keyCode, double modifiers, string keyChar)

    implicitWidth: 160
    implicitHeight: 26
    radius: 5
    clip: true
    activeFocusOnTab: true
    color: recorder.isRecording ? Qt.rgba(orange.r, orange.g, orange.b, 0.15)
                                : Qt.rgba(palette.placeholderText.r, palette.placeholderText.g, palette.placeholderText.b, 0.1)
    border.width: recorder.isRecording ? 1 : 0
    border.color: Qt.rgba(orange.r, orange.g, orange.b, 0.4)

    SystemPalette {
        id: palette
    }

    HotkeyRecorder {
        id: recorder
        // The owner stores the whole shortcut in one step, then the field shows what it holds.
        onShortcutRecorded: (code, flags, text) => {
            field.recorded(code, flags, text)
            recorder.updateDisplay(field.keyCode, field.modifiers, field.keyChar)
        }
    }

    onKeyCodeChanged: recorder.updateDisplay(keyCode, modifiers, keyChar)
    onModifiersChanged: recorder.updateDisplay(keyCode, modifiers, keyChar)
    onKeyCharChanged: recorder.updateDisplay(keyCode, modifiers, keyChar)
    Component.onCompleted: {
        recorder.watch(field)
        recorder.updateDisplay(keyCode, modifiers, keyChar)
    }

    Text {
        anchors.fill: parent
        anchors.leftMargin: 8
        anchors.rightMargin: 8
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        // Longer texts (the placeholder, other languages) shrink to fit before they are cut.
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: 9
        elide: Text.ElideRight
        text: recorder.text.length > 0 ? recorder.text : recorder.placeholderText
        font.pixelSize: 12
        font.weight: Font.Medium
        color: recorder.isRecording ? field.orange
             : recorder.text.length === 0 ? palette.placeholderText
             : recorder.hasRecorded ? palette.windowText : palette.text
    }

    MouseArea {
        anchors.fill: parent
        onPressed: {
            recorder.startRecording()
            field.forceActiveFocus()
        }
    }
}
