import QtQuick
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.History

// The panel's header: the program's mark and name, and the number of rows.
RowLayout {
    id: header

    required property int rowCount

    Layout.fillWidth: true
    Layout.leftMargin: 14
    Layout.rightMargin: 14
    Layout.topMargin: 10
    Layout.bottomMargin: 10
    spacing: 8
    Symbol {
        name: "paperclip"
        size: 13
        tint: Theme.orange
    }
    Text {
        text: "jotterly"
        font.pixelSize: 13
        font.bold: true
        color: Theme.primary
    }
    Item {
        Layout.fillWidth: true
    }
    Rectangle {
        objectName: "countBadge"
        implicitWidth: count.implicitWidth + 14
        implicitHeight: count.implicitHeight + 6
        radius: height / 2
        color: Theme.alpha(Theme.secondary, 0.1)
        Text {
            id: count
            anchors.centerIn: parent
            text: header.rowCount
            font.pixelSize: 10
            font.weight: Font.Medium
            color: Theme.secondary
        }
    }
}
