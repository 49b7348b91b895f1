import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.History
import Jotterly.Hotkey
import Jotterly.Settings

// The settings window's content: a tab bar and one page. Every control is bound to the
// settings view-model, so each change is stored the moment it is made.
Rectangle {
    id: view

    required property QtObject viewModel
    property QtObject updaterController: null
    property int selectedTab: 0
    /// The About page's links, contact address and fine print, as this build gives them;
    /// an empty one is not shown.
    property string websiteUrl: AboutInfo.websiteUrl
    property string makerUrl: AboutInfo.makerUrl
    property string contact: AboutInfo.contact
    property string finePrint: AboutInfo.finePrint

    readonly property var tabs: [
        {id: 0, label: qsTr("General"), icon: "gear"},
        {id: 1, label: qsTr("About"), icon: "info.circle"},
    ]

    width: 450
    height: 520

    // A value as it may stand inside a quoted HTML attribute.
    function attribute(value) {
        return value.replace(/&/g, "&amp;").replace(/"/g, "&quot;").replace(/</g, "&lt;")
    }
    color: Theme.background

    component SectionHeader: Text {
        font.pixelSize: 12
        font.weight: Font.DemiBold
        font.capitalization: Font.AllUppercase
        color: Theme.secondary
    }
    component FormLabel: Text {
        Layout.preferredWidth: 120
        horizontalAlignment: Text.AlignRight
        font.pixelSize: 13
        color: Theme.primary
    }
    component Caption: Text {
        Layout.fillWidth: true
        wrapMode: Text.WordWrap
        font.pixelSize: 11
        color: Theme.secondary
    }
    // A centred line of the About page that wraps rather than runs past the page.
    component AboutText: Text {
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 340
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        textFormat: Text.PlainText
        linkColor: Theme.orange
        HoverHandler {
            cursorShape: parent.hoveredLink.length > 0 ? Qt.PointingHandCursor : Qt.ArrowCursor
        }
    }
    component Divider: Rectangle {
        Layout.fillWidth: true
        implicitHeight: 1
        color: Theme.alpha(Theme.primary, 0.1)
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Tab bar
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            Layout.topMargin: 8
            Layout.bottomMargin: 8
            spacing: 2
            Repeater {
                model: view.tabs
                AbstractButton {
                    id: tab
                    required property var modelData
                    readonly property bool selected: (view.selectedTab === 1 ? 1 : 0) === modelData.id
                    objectName: "tab" + modelData.label
                    Layout.fillWidth: true
                    onClicked: view.selectedTab = modelData.id
                    background: Rectangle {
                        radius: 6
                        color: tab.selected ? Theme.palette.highlight : "transparent"
                    }
                    contentItem: Column {
                        spacing: 2
                        topPadding: 6
                        bottomPadding: 6
                        Item {
                            width: parent.width
                            height: 22
                            Symbol {
                                anchors.centerIn: parent
                                name: tab.modelData.icon
                                size: 18
                                tint: tab.selected ? "white" : Theme.secondary
                            }
                        }
                        Text {
                            width: parent.width
                            horizontalAlignment: Text.AlignHCenter
                            text: tab.modelData.label
                            font.pixelSize: 10
                            color: tab.selected ? "white" : Theme.secondary
                        }
                    }
                }
            }
        }

        Divider {}

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            // Any tab other than About shows General.
            currentIndex: view.selectedTab === 1 ? 1 : 0

            ScrollView {
                id: generalPage
                objectName: "generalPage"
                contentWidth: availableWidth
                // A page taller than the window shows its scroll bar, not only while it moves.
                ScrollBar.vertical.policy: contentHeight > availableHeight ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded

                ColumnLayout {
                    width: parent.width
                    spacing: 20

                    Item { Layout.preferredHeight: 4 }

                    // General
                    ColumnLayout {
                        Layout.leftMargin: 24
                        Layout.rightMargin: 24
                        spacing: 10
                        SectionHeader { text: qsTr("General") }
                        RowLayout {
                            FormLabel { text: qsTr("History size") }
                            ComboBox {
                                objectName: "historySize"
                                Layout.preferredWidth: 80
                                model: [50, 100, 200, 500]
                                displayText: String(view.viewModel.historyLimit)
                                currentIndex: model.indexOf(view.viewModel.historyLimit)
                                onActivated: index => view.viewModel.historyLimit = model[index]
                            }
                        }
                        RowLayout {
                            FormLabel { text: qsTr("Auto-clear") }
                            ComboBox {
                                objectName: "autoClear"
                                Layout.preferredWidth: 100
                                textRole: "label"
                                valueRole: "value"
                                model: [
                                    {label: qsTr("Never"), value: "never"},
                                    {label: qsTr("On Quit"), value: "onQuit"},
                                    {label: qsTr("Daily"), value: "daily"},
                                    {label: qsTr("Weekly"), value: "weekly"},
                                ]
                                currentIndex: Math.max(0, indexOfValue(view.viewModel.autoClearOption))
                                onActivated: index => view.viewModel.autoClearOption = model[index].value
                            }
                        }
                        RowLayout {
                            FormLabel { text: qsTr("Launch at login") }
                            Switch {
                                objectName: "launchAtLogin"
                                checked: view.viewModel.launchAtLogin
                                onToggled: view.viewModel.launchAtLogin = checked
                            }
                        }
                        RowLayout {
                            Item { Layout.fillWidth: true }
                            Button {
                                objectName: "clearAll"
                                text: qsTr("Clear All History...")
                                font.pixelSize: 11
                                palette.buttonText: Theme.negative
                                onClicked: view.viewModel.showClearConfirmation = true
                            }
                        }
                        Text {
                            objectName: "clearError"
                            visible: text.length > 0
                            text: view.viewModel.clearError
                            Layout.fillWidth: true
                            wrapMode: Text.Wrap
                            font.pixelSize: 11
                            color: "#d62f2f"
                        }
                    }

                    Divider {}

                    // Shortcut
                    ColumnLayout {
                        Layout.leftMargin: 24
                        Layout.rightMargin: 24
                        spacing: 10
                        SectionHeader { text: qsTr("Shortcut") }
                        RowLayout {
                            FormLabel { text: qsTr("Global hotkey") }
                            HotkeyRecorderField {
                                objectName: "recorder"
                                implicitWidth: 140
                                implicitHeight: 24
                                keyCode: view.viewModel.shortcutKeyCode
                                modifiers: view.viewModel.shortcutModifiers
                                keyChar: view.viewModel.shortcutKeyChar
                                // Stored and registered in one step, whole: the new key is never
                                // tried with the old modifiers.
                                onRecorded: (code, flags, text) => view.viewModel.recordShortcut(code, flags, text)
                            }
                        }
                        RowLayout {
                            objectName: "currentRow"
                            visible: view.viewModel.shortcutKeyCode >= 0 && view.viewModel.shortcutKeyChar.length > 0
                            FormLabel { text: qsTr("Current") }
                            Text {
                                text: ShortcutText.display(view.viewModel.shortcutModifiers, view.viewModel.shortcutKeyChar)
                                font.pixelSize: 13
                                font.weight: Font.Medium
                                color: Theme.primary
                            }
                        }
                        Caption { text: qsTr("Press your shortcut to open/close jotterly from any app.") }
                    }

                    Divider {}

                    // Privacy
                    ColumnLayout {
                        Layout.leftMargin: 24
                        Layout.rightMargin: 24
                        Layout.bottomMargin: 24
                        spacing: 10
                        SectionHeader { text: qsTr("Privacy") }
                        Caption { text: qsTr("Clipboard changes are ignored when these apps are frontmost.") }
                        Rectangle {
                            objectName: "excludedList"
                            visible: view.viewModel.excludedAppBundleIDs.length > 0
                            Layout.fillWidth: true
                            implicitHeight: excludedColumn.implicitHeight
                            radius: 5
                            color: Theme.alpha(Theme.primary, 0.06)
                            Column {
                                id: excludedColumn
                                width: parent.width
                                Repeater {
                                    model: view.viewModel.excludedAppBundleIDs
                                    RowLayout {
                                        required property string modelData
                                        width: excludedColumn.width
                                        height: 30
                                        Text {
                                            Layout.leftMargin: 10
                                            Layout.fillWidth: true
                                            text: view.viewModel.excludedAppNames[modelData] || modelData
                                            font.pixelSize: 13
                                            elide: Text.ElideRight
                                            color: Theme.primary
                                        }
                                        AbstractButton {
                                            objectName: "remove-" + modelData
                                            Layout.rightMargin: 10
                                            implicitWidth: 18
                                            implicitHeight: 18
                                            onClicked: view.viewModel.removeExcludedApp(modelData)
                                            contentItem: Symbol {
                                                name: "minus.circle.fill"
                                                size: 14
                                                tint: Theme.negative
                                            }
                                        }
                                    }
                                }
                            }
                        }
                        Button {
                            objectName: "addApp"
                            text: qsTr("Add App...")
                            onClicked: picker.open()
                        }
                    }
                }
            }

            // About: centred in its page, 340 wide, padded 32.
            Item {
                objectName: "aboutPage"
                Layout.fillWidth: true
                Layout.fillHeight: true

                ColumnLayout {
                    id: about
                    objectName: "aboutColumn"
                    anchors.centerIn: parent
                    width: 340
                    spacing: 10
                    Symbol {
                        Layout.alignment: Qt.AlignHCenter
                        name: "doc.on.clipboard"
                        size: 48
                        tint: Theme.orange
                    }
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        text: "jotterly"
                        font.pixelSize: 20
                        font.bold: true
                        color: Theme.primary
                    }
                    Text {
                        Layout.alignment: Qt.AlignHCenter
                        text: qsTr("Version %1").arg(Qt.application.version.length > 0 ? Qt.application.version : "1.0")
                        font.pixelSize: 13
                        color: Theme.secondary
                    }
                    AboutText {
                        text: qsTr("A searchable clipboard history that lives in your menu bar.")
                        font.pixelSize: 13
                        color: Theme.secondary
                    }
                    Rectangle { Layout.alignment: Qt.AlignHCenter; implicitWidth: 200; implicitHeight: 1; color: Theme.alpha(Theme.primary, 0.1) }
                    Button {
                        objectName: "checkForUpdates"
                        Layout.alignment: Qt.AlignHCenter
                        Layout.maximumWidth: about.width
                        text: qsTr("Check for Updates…")
                        enabled: view.updaterController !== null && view.updaterController.canCheckForUpdates
                        onClicked: view.updaterController.checkForUpdates()
                    }
                    CheckBox {
                        objectName: "automaticUpdates"
                        Layout.alignment: Qt.AlignHCenter
                        Layout.maximumWidth: about.width
                        text: qsTr("Automatically download updates")
                        font.pixelSize: 13
                        enabled: view.updaterController !== null
                        checked: view.updaterController !== null && view.updaterController.automaticallyDownloadsUpdates
                        onToggled: view.updaterController.automaticallyDownloadsUpdates = checked
                    }
                    Rectangle { Layout.alignment: Qt.AlignHCenter; implicitWidth: 200; implicitHeight: 1; color: Theme.alpha(Theme.primary, 0.1) }
                    AboutText {
                        objectName: "websiteLink"
                        visible: view.websiteUrl.length > 0
                        text: "<a href=\"" + view.attribute(view.websiteUrl) + "\">" + view.attribute(qsTr("Jotterly Website")) + "</a>"
                        textFormat: Text.StyledText
                        linkColor: Theme.orange
                        font.pixelSize: 13
                        onLinkActivated: link => Qt.openUrlExternally(link)
                    }
                    AboutText {
                        objectName: "makerLink"
                        visible: view.makerUrl.length > 0
                        text: "<a href=\"" + view.attribute(view.makerUrl) + "\">" + view.attribute(qsTr("Explore More Quillfen")) + "</a>"
                        textFormat: Text.StyledText
                        linkColor: Theme.orange
                        font.pixelSize: 13
                        onLinkActivated: link => Qt.openUrlExternally(link)
                    }
                    AboutText {
                        objectName: "contact"
                        visible: view.contact.length > 0
                        text: view.contact
                        font.pixelSize: 13
                        color: Theme.secondary
                    }
                    AboutText {
                        objectName: "finePrint"
                        visible: view.finePrint.length > 0
                        text: view.finePrint
                        font.pixelSize: 10
                        color: Theme.tertiary
                    }
                }
            }
        }
    }

    // The clear confirmation, shown while the view-model asks for it.
    Dialog {
        id: confirmation
        objectName: "clearConfirmation"
        title: qsTr("Clear History?")
        modal: true
        anchors.centerIn: parent
        width: 340
        visible: view.viewModel.showClearConfirmation
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
                    view.viewModel.clearAllHistory()
                    view.viewModel.showClearConfirmation = false
                }
            }
        }
        onRejected: view.viewModel.showClearConfirmation = false
        onClosed: view.viewModel.showClearConfirmation = false
    }

    // The installed applications to choose from.
    Dialog {
        id: picker
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
            model: picker.visible ? view.viewModel.installedApplications() : []
            delegate: ItemDelegate {
                required property var modelData
                width: ListView.view.width
                text: modelData.name
                onClicked: {
                    view.viewModel.addExcludedApp(modelData.id, modelData.name)
                    picker.close()
                }
            }
        }
    }
}
