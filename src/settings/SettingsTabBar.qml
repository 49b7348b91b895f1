pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.Components

// The settings window's tabs: General and About, the selected one highlighted.
RowLayout {
    id: bar

    property int selectedTab: 0

    /// A tab was clicked.
    signal tabClicked(int tab)

    readonly property var tabs: [
        {id: 0, label: qsTr("General"), icon: "gear"},
        {id: 1, label: qsTr("About"), icon: "info.circle"},
    ]

    Layout.fillWidth: true
    Layout.leftMargin: 12
    Layout.rightMargin: 12
    Layout.topMargin: 8
    Layout.bottomMargin: 8
    spacing: 2
    Repeater {
        model: bar.tabs
        AbstractButton {
            id: tab
            required property var modelData
            readonly property bool selected: (bar.selectedTab === 1 ? 1 : 0) === modelData.id
            objectName: "tab" + modelData.label
            Layout.fillWidth: true
            onClicked: bar.tabClicked(modelData.id)
            background: Rectangle {
                radius: 6
                color: tab.selected ? Theme.palette.highlight : "transparent"
            }
            // Sized from what it shows, so that the tab's width never feeds back into it.
            contentItem: ColumnLayout {
                spacing: 2
                Item {
                    Layout.fillWidth: true
                    Layout.topMargin: 6
                    implicitWidth: 22
                    implicitHeight: 22
                    Symbol {
                        anchors.centerIn: parent
                        name: tab.modelData.icon
                        size: 18
                        tint: tab.selected ? "white" : Theme.secondary
                    }
                }
                Text {
                    Layout.fillWidth: true
                    Layout.bottomMargin: 6
                    horizontalAlignment: Text.AlignHCenter
                    text: tab.modelData.label
                    font.pixelSize: 10
                    color: tab.selected ? "white" : Theme.secondary
                }
            }
        }
    }
}
