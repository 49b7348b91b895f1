pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Jotterly.Settings

// The installed applications to choose from; the one chosen is excluded from recording.
Dialog {
    id: picker

    required property SettingsViewModel viewModel

    objectName: "appPicker"
    title: qsTr("Add App")
    modal: true
    anchors.centerIn: parent
    width: 360
    height: 400
    standardButtons: Dialog.Cancel
    ListView {
        anchors.fill: parent
        clip: true
        model: picker.visible ? picker.viewModel.installedApplications() : []
        delegate: ItemDelegate {
            required property var modelData
            width: ListView.view.width
            text: modelData.name
            onClicked: {
                picker.viewModel.addExcludedApp(modelData.id, modelData.name)
                picker.close()
            }
        }
    }
}
