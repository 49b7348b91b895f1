import QtQuick
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.History

// What the panel shows without rows: nothing copied yet, or nothing found.
ColumnLayout {
    id: empty

    required property bool searching

    objectName: "emptyState"
    Layout.fillWidth: true
    Layout.preferredHeight: 220
    spacing: 12
    Item {
        Layout.fillHeight: true
    }
    Symbol {
        Layout.alignment: Qt.AlignHCenter
        name: empty.searching ? "magnifyingglass" : "doc.on.clipboard"
        size: 32
        tint: Theme.secondary
    }
    Text {
        objectName: "emptyTitle"
        Layout.alignment: Qt.AlignHCenter
        text: empty.searching ? qsTr("No results") : qsTr("No clips yet")
        font.pixelSize: 14
        color: Theme.secondary
    }
    Text {
        Layout.alignment: Qt.AlignHCenter
        text: empty.searching ? qsTr("Try a different search term") : qsTr("Copy something to get started")
        font.pixelSize: 11
        color: Theme.tertiary
    }
    Item {
        Layout.fillHeight: true
    }
}
