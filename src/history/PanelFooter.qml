import QtQuick
import QtQuick.Layouts
import Jotterly.History

// The panel's footer: the settings on the left, quitting on the right.
RowLayout {
    id: footer

    /// The settings button was clicked.
    signal settingsClicked()

    Layout.fillWidth: true
    Layout.leftMargin: 14
    Layout.rightMargin: 14
    Layout.topMargin: 8
    Layout.bottomMargin: 8
    IconButton {
        symbol: "gear"
        symbolSize: 12
        tip: qsTr("Settings")
        onClicked: footer.settingsClicked()
    }
    Item {
        Layout.fillWidth: true
    }
    IconButton {
        symbol: "power"
        symbolSize: 11
        tip: qsTr("Quit jotterly")
        onClicked: Qt.quit()
    }
}
