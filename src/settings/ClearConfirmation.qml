import QtQuick
import QtQuick.Controls
import Jotterly.Settings

// The confirmation before the history is cleared, shown while the view-model asks for it.
Dialog {
    id: confirmation

    required property SettingsViewModel viewModel

    objectName: "clearConfirmation"
    title: qsTr("Clear History?")
    modal: true
    anchors.centerIn: parent
    width: 340
    visible: viewModel.showClearConfirmation
    Label {
        width: parent.width
        wrapMode: Text.WordWrap
        text: qsTr("This will delete all clipboard history except pinned items. This cannot be undone.")
    }
    footer: DialogButtonBox {
        Button {
            objectName: "cancelClear"
            text: qsTr("Cancel")
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
        Button {
            objectName: "confirmClear"
            text: qsTr("Clear")
            DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
            onClicked: {
                confirmation.viewModel.clearAllHistory()
                confirmation.viewModel.showClearConfirmation = false
            }
        }
    }
    onRejected: viewModel.showClearConfirmation = false
    onClosed: viewModel.showClearConfirmation = false
}
