import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.History
import Jotterly.Queue

// The paste queue's bar: how many rows are marked, with Clear and Start Queue, or,
// while the queue runs, how far it got, with Cancel.
Rectangle {
    id: bar

    required property ClipListViewModel viewModel
    required property PasteQueueManager pasteQueueManager
    required property bool running

    /// The user started the queue, or cleared the marks.
    signal started()
    signal cleared()

    objectName: "queueBar"
    Layout.fillWidth: true
    implicitHeight: queueRow.implicitHeight + 16
    color: Theme.alpha(Theme.orange, 0.06)
    RowLayout {
        id: queueRow
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 14
        spacing: 8
        Symbol {
            name: bar.running ? "text.line.first.and.arrowtriangle.forward" : "list.number"
            size: 12
            tint: Theme.orange
        }
        Text {
            objectName: "queueText"
            Layout.fillWidth: true
            text: bar.running
                  ? qsTr("Pasting %1/%2").arg(bar.pasteQueueManager.currentIndex + 1).arg(bar.pasteQueueManager.queueLength)
                    + (bar.pasteQueueManager.pastesMayGoUnseen
                       ? "\n" + qsTr("Another clipboard tool reads every copy, so pastes may go unseen: press Next if the queue does not move on.")
                       : "")
                  : qsTr("%n selected", "", bar.viewModel.queueSelectionCount)
            wrapMode: Text.Wrap
            font.pixelSize: 11
            color: Theme.primary
        }
        Button {
            objectName: "advanceQueue"
            visible: bar.running && bar.pasteQueueManager.pastesMayGoUnseen
            focusPolicy: Qt.NoFocus
            text: qsTr("Next")
            font.pixelSize: 11
            onClicked: bar.pasteQueueManager.advance()
        }
        Button {
            visible: bar.running
            focusPolicy: Qt.NoFocus
            text: qsTr("Cancel")
            font.pixelSize: 11
            onClicked: bar.pasteQueueManager.stopQueue()
        }
        Button {
            objectName: "clearQueue"
            visible: !bar.running
            focusPolicy: Qt.NoFocus
            text: qsTr("Clear")
            font.pixelSize: 11
            onClicked: {
                bar.viewModel.clearQueueSelection()
                bar.cleared()
            }
        }
        Button {
            objectName: "startQueue"
            visible: !bar.running
            focusPolicy: Qt.NoFocus
            text: qsTr("Start Queue")
            highlighted: true
            font.pixelSize: 11
            onClicked: {
                bar.viewModel.startQueue()
                bar.started()
            }
        }
    }
}
