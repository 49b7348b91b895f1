import QtQuick
import QtQuick.Layouts
import QtQuick.Window
import Jotterly.Components
import Jotterly.History

// One history item: kind symbol (or colour swatch, or the queue's check mark), label,
// pin mark and the Ctrl+digit badge. Resting the pointer on it for a second opens a
// preview beside it.
Rectangle {
    id: row

    required property ClipItem item
    property bool isSelected: false
    property bool isQueued: false
    /// The Ctrl+digit that copies this row, 0 for none.
    required property int shortcutNumber
    readonly property alias hover: hover
    readonly property color swatch: RowFormat.swatch(item)

    signal clicked(int modifiers)
    signal contextMenuRequested(real x, real y)

    implicitHeight: Math.max(label.implicitHeight, 18) + 20
    radius: 8
    color: isSelected ? Theme.alpha(Theme.orange, 0.15)
         : hover.isHovered ? Theme.alpha(Theme.primary, 0.06)
         : Theme.alpha(Theme.controlBackground, 0.5)
    border.width: 0.5
    border.color: Theme.alpha(Theme.primary, 0.06)

    RowHover {
        id: hover
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 12
        anchors.rightMargin: 12
        anchors.topMargin: 10
        anchors.bottomMargin: 10
        spacing: 8

        Item {
            Layout.preferredWidth: 16
            Layout.preferredHeight: 16
            Symbol {
                anchors.centerIn: parent
                visible: row.isQueued
                name: "checkmark.circle.fill"
                size: 14
                tint: Theme.orange
            }
            Rectangle {
                objectName: "swatch"
                anchors.centerIn: parent
                visible: !row.isQueued && row.swatch.valid
                width: 12
                height: 12
                radius: 6
                color: row.swatch
                border.width: 0.5
                border.color: Theme.alpha(Theme.primary, 0.2)
            }
            Symbol {
                objectName: "kindSymbol"
                anchors.centerIn: parent
                visible: !row.isQueued && !row.swatch.valid
                name: RowFormat.symbol(row.item)
                size: 12
                tint: Theme.secondary
            }
        }

        Image {
            id: thumbnail
            visible: RowFormat.isImage(row.item) && status === Image.Ready
            source: RowFormat.isImage(row.item) && row.item !== null && row.item.hasThumbnail ? ClipImages.thumbnail(row.item) : ""
            Layout.maximumHeight: 18
            Layout.preferredHeight: Math.min(18, implicitHeight)
            Layout.preferredWidth: implicitHeight > 0 ? implicitWidth * Layout.preferredHeight / implicitHeight : 0
            fillMode: Image.PreserveAspectFit
        }

        Text {
            id: label
            objectName: "label"
            Layout.fillWidth: true
            Layout.minimumWidth: 0
            text: RowFormat.isImage(row.item) ? qsTr("Image") : RowFormat.label(row.item)
            color: RowFormat.isImage(row.item) ? Theme.secondary : Theme.primary
            font.pixelSize: 13
            elide: Text.ElideRight
            maximumLineCount: 1
            textFormat: Text.PlainText
        }

        Item {
            Layout.minimumWidth: 4
        }

        Symbol {
            // The list drops a row's item before the row itself when it reloads.
            visible: row.item !== null && row.item.isPinned
            name: "pin.fill"
            size: 9
            tint: Theme.orange
        }

        Text {
            objectName: "badge"
            visible: row.shortcutNumber > 0
            text: "⌘" + row.shortcutNumber
            color: Theme.secondary
            font.pixelSize: 10
            font.weight: Font.Medium
        }
    }

    MouseArea {
        anchors.fill: parent
        hoverEnabled: true
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        onEntered: hover.rowEntered()
        onExited: hover.rowExited()
        onClicked: mouse => {
            if (mouse.button === Qt.RightButton)
                row.contextMenuRequested(mouse.x, mouse.y)
            else
                row.clicked(mouse.modifiers)
        }
    }

    // The preview opens beside the row, outside the panel: a window of its own, made for
    // each showing and gone once hidden, so a closed preview keeps neither its picture nor
    // its window's pixels.
    // Only while the panel is on screen: a panel closed under the pointer (after "Start
    // Queue", say) never hears that the pointer left, and its hover timer still fires.
    readonly property bool previewWanted: hover.showPopover && row.visible && row.item !== null
                                          && row.Window.visibility !== Window.Hidden

    Loader {
        id: previewWindow
        active: row.previewWanted
        sourceComponent: RowPreviewWindow {}
        onLoaded: {
            const window = item as RowPreviewWindow
            window.origin = row
            window.hover = row.hover
            window.item = Qt.binding(() => row.item)
            window.showWhenReady()
        }
    }
}
