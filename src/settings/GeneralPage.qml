pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.Hotkey
import Jotterly.Settings

// The General page: history size, automatic clearing, launch at login, the global
// shortcut and the applications whose copies are not recorded.
ScrollView {
    id: page

    required property SettingsViewModel viewModel

    /// "Add App..." was clicked.
    signal addAppClicked()

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

    objectName: "generalPage"
    contentWidth: availableWidth
    // A page taller than the window shows its scroll bar, not only while it moves.
    ScrollBar.vertical.policy: contentHeight > availableHeight ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded

    ColumnLayout {
        width: page.availableWidth
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
                    id: historySize
                    objectName: "historySize"
                    readonly property list<int> sizes: [50, 100, 200, 500]
                    Layout.preferredWidth: 80
                    model: sizes
                    displayText: String(page.viewModel.historyLimit)
                    currentIndex: sizes.indexOf(page.viewModel.historyLimit)
                    onActivated: index => page.viewModel.historyLimit = sizes[index]
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
                    currentIndex: Math.max(0, indexOfValue(page.viewModel.autoClearOption))
                    onActivated: index => page.viewModel.autoClearOption = valueAt(index)
                }
            }
            RowLayout {
                FormLabel { text: qsTr("Launch at login") }
                Switch {
                    objectName: "launchAtLogin"
                    checked: page.viewModel.launchAtLogin
                    onToggled: page.viewModel.launchAtLogin = checked
                }
            }
            RowLayout {
                Item { Layout.fillWidth: true }
                Button {
                    objectName: "clearAll"
                    text: qsTr("Clear All History...")
                    font.pixelSize: 11
                    palette.buttonText: Theme.negative
                    onClicked: page.viewModel.showClearConfirmation = true
                }
            }
            Text {
                objectName: "clearError"
                visible: text.length > 0
                text: page.viewModel.clearError
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
                    keyCode: page.viewModel.shortcutKeyCode
                    modifiers: page.viewModel.shortcutModifiers
                    keyChar: page.viewModel.shortcutKeyChar
                    // Stored and registered in one step, whole: the new key is never
                    // tried with the old modifiers.
                    onRecorded: (code, flags, text) => page.viewModel.recordShortcut(code, flags, text)
                }
            }
            RowLayout {
                objectName: "currentRow"
                visible: page.viewModel.shortcutKeyCode >= 0 && page.viewModel.shortcutKeyChar.length > 0
                FormLabel { text: qsTr("Current") }
                Text {
                    text: ShortcutText.display(page.viewModel.shortcutModifiers, page.viewModel.shortcutKeyChar)
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    color: Theme.primary
                }
            }
            Caption { text: qsTr("Press your shortcut to open/close jotterly from any app.") }
            Caption {
                objectName: "compositorKeyHint"
                visible: page.viewModel.shortcutNeedsCompositorKey || page.viewModel.shortcutUnavailable
                text: page.viewModel.shortcutUnavailable
                      ? qsTr("This desktop gives apps no global shortcut, so this one does nothing. To open jotterly from any app, bind a key in the desktop's keyboard settings to the command \"jotterly --toggle\".")
                      : qsTr("On this desktop the shortcut works only while an X11 app is in front. To open jotterly from any app, bind a key in the desktop's keyboard settings to the command \"jotterly --toggle\".")
            }
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
            Caption {
                objectName: "x11OnlyHint"
                visible: page.viewModel.exclusionSeesX11Only || page.viewModel.exclusionUnavailable
                text: page.viewModel.exclusionUnavailable
                      ? qsTr("On this desktop no app is recognised: the desktop does not tell which app is frontmost, so copies from excluded apps are still recorded.")
                      : qsTr("On this desktop only X11 apps are recognised: the desktop does not tell which Wayland app is frontmost, so copies from excluded Wayland apps are still recorded.")
            }
            Rectangle {
                objectName: "excludedList"
                visible: page.viewModel.excludedAppBundleIDs.length > 0
                Layout.fillWidth: true
                implicitHeight: excludedColumn.implicitHeight
                radius: 5
                color: Theme.alpha(Theme.primary, 0.06)
                Column {
                    id: excludedColumn
                    width: parent.width
                    Repeater {
                        model: page.viewModel.excludedAppBundleIDs
                        RowLayout {
                            id: excludedRow
                            required property string modelData
                            width: excludedColumn.width
                            height: 30
                            Text {
                                Layout.leftMargin: 10
                                Layout.fillWidth: true
                                text: page.viewModel.excludedAppNames[excludedRow.modelData] || excludedRow.modelData
                                font.pixelSize: 13
                                elide: Text.ElideRight
                                color: Theme.primary
                            }
                            AbstractButton {
                                objectName: "remove-" + excludedRow.modelData
                                Layout.rightMargin: 10
                                implicitWidth: 18
                                implicitHeight: 18
                                onClicked: page.viewModel.removeExcludedApp(excludedRow.modelData)
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
                onClicked: page.addAppClicked()
            }
        }
    }
}
