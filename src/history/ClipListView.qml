import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.History

// The history panel: header with the number of rows, search, the pinned and history
// sections, the paste-queue bar and a footer. Everything it shows lives in the view-model
// and the paste queue; the panel only renders it and passes actions on.
Rectangle {
    id: panel

    required property QtObject viewModel
    property QtObject pasteQueueManager: null
    /// Closes the popover; absent actions are not called.
    property var onClose: null
    property var onOpenSettings: null
    property int listHeight: 420

    readonly property int rowCount: viewModel.displayedRows.count
    readonly property bool queueRunning: pasteQueueManager !== null && pasteQueueManager.isActive
    readonly property bool queueBarShown: queueRunning || viewModel.queueSelectionCount > 0

    /// The panel asks its owner to close it, or to open the settings.
    signal closeRequested()
    signal settingsRequested()

    function close() {
        closeRequested()
        if (onClose)
            onClose()
    }

    // The keys the panel handles, wherever the focus is; true when handled.
    function handleKey(event) {
        const digit = event.key - Qt.Key_0
        if (event.key === Qt.Key_Down) {
            viewModel.moveSelectionDown()
        } else if (event.key === Qt.Key_Up) {
            viewModel.moveSelectionUp()
        } else if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            viewModel.copySelectedItem()
            close()
        } else if (event.key === Qt.Key_Escape) {
            close()
        } else if (digit >= 1 && digit <= 9 && event.modifiers === Qt.ControlModifier) {
            viewModel.copyItemAtIndex(digit - 1)
            close()
        } else {
            return false
        }
        return true
    }

    function rowClicked(item, modifiers) {
        if ((modifiers & Qt.ControlModifier) || viewModel.queueSelectionCount > 0) {
            viewModel.toggleQueueItem(item)
        } else {
            viewModel.copyItem(item)
            close()
        }
    }

    function startQueue() {
        const items = viewModel.queuedItemObjects()
        viewModel.clearQueueSelection()
        if (pasteQueueManager)
            pasteQueueManager.startQueueWithItems(items)
        close()
    }

    width: 320
    implicitHeight: column.implicitHeight
    color: Theme.background
    focus: true
    Keys.onPressed: event => event.accepted = handleKey(event)

    Component.onCompleted: {
        search.forceActiveFocus()
        viewModel.loadItems()
    }
    // Whoever gives the panel the focus gives it to the search field.
    onActiveFocusChanged: if (activeFocus) search.forceActiveFocus()

    component Divider: Rectangle {
        Layout.fillWidth: true
        implicitHeight: 1
        color: Theme.alpha(Theme.primary, 0.1)
    }

    component IconButton: AbstractButton {
        id: button
        property string symbol
        property int symbolSize: 12
        property string tip
        implicitWidth: symbolSize + 8
        implicitHeight: symbolSize + 8
        hoverEnabled: true
        // A click leaves the keys with the search field.
        focusPolicy: Qt.NoFocus
        Accessible.name: tip
        ToolTip.visible: tip.length > 0 && hovered
        ToolTip.text: tip
        ToolTip.delay: 600
        contentItem: Item {
            Symbol {
                anchors.centerIn: parent
                name: button.symbol
                size: button.symbolSize
                tint: Theme.secondary
            }
        }
        background: Item {}
    }

    ColumnLayout {
        id: column
        width: parent.width
        spacing: 0

        // Header
        RowLayout {
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
                    text: panel.rowCount
                    font.pixelSize: 10
                    font.weight: Font.Medium
                    color: Theme.secondary
                }
            }
        }

        Divider {}

        // Search
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 14
            Layout.rightMargin: 14
            Layout.topMargin: 8
            Layout.bottomMargin: 8
            spacing: 8
            Symbol {
                name: "magnifyingglass"
                size: 13
                tint: Theme.secondary
            }
            TextField {
                id: search
                objectName: "search"
                Layout.fillWidth: true
                placeholderText: qsTr("Search clips...")
                font.pixelSize: 13
                background: null
                padding: 0
                text: panel.viewModel.searchText
                color: Theme.primary
                onTextEdited: {
                    panel.viewModel.searchText = text
                    panel.viewModel.scheduleSearch()
                }
                Keys.priority: Keys.BeforeItem
                Keys.onPressed: event => event.accepted = panel.handleKey(event)
            }
            IconButton {
                objectName: "clearSearch"
                visible: panel.viewModel.searchText.length > 0
                symbol: "xmark.circle.fill"
                symbolSize: 13
                onClicked: {
                    panel.viewModel.searchText = ""
                    panel.viewModel.scheduleSearch()
                    panel.viewModel.loadItems()
                    search.forceActiveFocus()
                }
            }
        }

        Divider {}

        // Why the last change did not reach the history file
        Text {
            objectName: "storeError"
            visible: text.length > 0
            text: panel.viewModel.storeError
            Layout.fillWidth: true
            Layout.margins: 8
            wrapMode: Text.Wrap
            font.pixelSize: 11
            color: "#d62f2f"
        }

        // Empty state
        ColumnLayout {
            objectName: "emptyState"
            visible: panel.rowCount === 0
            Layout.fillWidth: true
            Layout.preferredWidth: panel.width
            Layout.preferredHeight: 220
            spacing: 12
            readonly property bool searching: panel.viewModel.searchText.trim().length > 0
            Item {
                Layout.fillHeight: true
            }
            Symbol {
                Layout.alignment: Qt.AlignHCenter
                name: parent.searching ? "magnifyingglass" : "doc.on.clipboard"
                size: 32
                tint: Theme.secondary
            }
            Text {
                objectName: "emptyTitle"
                Layout.alignment: Qt.AlignHCenter
                text: parent.searching ? qsTr("No results") : qsTr("No clips yet")
                font.pixelSize: 14
                color: Theme.secondary
            }
            Text {
                Layout.alignment: Qt.AlignHCenter
                text: parent.searching ? qsTr("Try a different search term") : qsTr("Copy something to get started")
                font.pixelSize: 11
                color: Theme.tertiary
            }
            Item {
                Layout.fillHeight: true
            }
        }

        // The list
        ListView {
            id: list
            objectName: "list"
            visible: panel.rowCount > 0
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(contentHeight + 20, panel.listHeight)
            clip: true
            spacing: 8
            topMargin: 10
            bottomMargin: 10
            model: panel.viewModel.displayedRows
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {
                policy: list.contentHeight > list.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
            }
            section.property: "section"
            section.delegate: Text {
                required property string section
                width: list.width - 20
                x: 10 + 2
                // The model names its two sections in English; the header shows them translated.
                text: section === "PINNED" ? qsTr("PINNED") : section === "HISTORY" ? qsTr("HISTORY") : section
                visible: section.length > 0
                height: section.length > 0 ? implicitHeight + 8 : 0
                topPadding: 4
                bottomPadding: 4
                font.pixelSize: 10
                font.weight: Font.DemiBold
                color: Theme.secondary
            }
            delegate: ClipRowView {
                required property QtObject model
                required property string itemKey
                item: model.item
                x: 10
                width: list.width - 20
                isSelected: itemKey === panel.viewModel.selectedKey
                isQueued: panel.viewModel.queueMarks.indexOf(itemKey) >= 0
                shortcutNumber: model.shortcutNumber
                onClicked: modifiers => panel.rowClicked(item, modifiers)
                onContextMenuRequested: (x, y) => {
                    rowMenu.item = item
                    rowMenu.popup()
                }
            }

            // The selected row comes to the middle of the list.
            Connections {
                target: panel.viewModel
                function onSelectedItemIDChanged() {
                    const index = panel.viewModel.selectedRow()
                    if (index < 0)
                        return
                    const from = list.contentY
                    list.positionViewAtIndex(index, ListView.Center)
                    scroll.to = list.contentY
                    list.contentY = from
                    scroll.restart()
                }
            }
            NumberAnimation {
                id: scroll
                target: list
                property: "contentY"
                duration: 150
                easing.type: Easing.InOutQuad
            }
        }

        Menu {
            id: rowMenu
            property QtObject item: null
            // The keys go back to the search field, also when the row the menu was
            // opened on is gone: otherwise nothing has the focus and Escape is lost.
            onClosed: search.forceActiveFocus()
            MenuItem {
                text: rowMenu.item && rowMenu.item.isPinned ? qsTr("Unpin") : qsTr("Pin")
                onTriggered: panel.viewModel.togglePinItem(rowMenu.item)
            }
            MenuItem {
                text: qsTr("Copy")
                onTriggered: panel.viewModel.copyItem(rowMenu.item)
            }
            MenuSeparator {}
            MenuItem {
                id: deleteItem
                objectName: "deleteItem"
                text: qsTr("Delete")
                // A destructive action reads in the desktop's negative colour.
                palette.windowText: Theme.negative
                palette.highlight: Theme.negative
                onTriggered: panel.viewModel.deleteItemObject(rowMenu.item)
            }
        }

        // The paste-queue bar
        Divider {
            visible: panel.queueBarShown
        }
        Rectangle {
            objectName: "queueBar"
            visible: panel.queueBarShown
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
                    name: panel.queueRunning ? "text.line.first.and.arrowtriangle.forward" : "list.number"
                    size: 12
                    tint: Theme.orange
                }
                Text {
                    objectName: "queueText"
                    Layout.fillWidth: true
                    text: !panel.queueRunning ? qsTr("%n selected", "", panel.viewModel.queueSelectionCount)
                          : qsTr("Pasting %1/%2").arg(panel.pasteQueueManager.currentIndex + 1).arg(panel.pasteQueueManager.queueLength)
                            + (panel.pasteQueueManager.pastesMayGoUnseen
                               ? "\n" + qsTr("Another clipboard tool reads every copy, so pastes may go unseen: press Next if the queue does not move on.")
                               : "")
                    wrapMode: Text.Wrap
                    font.pixelSize: 11
                    color: Theme.primary
                }
                Button {
                    objectName: "advanceQueue"
                    visible: panel.queueRunning && panel.pasteQueueManager.pastesMayGoUnseen
                    focusPolicy: Qt.NoFocus
                    text: qsTr("Next")
                    font.pixelSize: 11
                    onClicked: panel.pasteQueueManager.advance()
                }
                Button {
                    visible: panel.queueRunning
                    focusPolicy: Qt.NoFocus
                    text: qsTr("Cancel")
                    font.pixelSize: 11
                    onClicked: panel.pasteQueueManager.stopQueue()
                }
                Button {
                    objectName: "clearQueue"
                    visible: !panel.queueRunning
                    focusPolicy: Qt.NoFocus
                    text: qsTr("Clear")
                    font.pixelSize: 11
                    onClicked: {
                        panel.viewModel.clearQueueSelection()
                        search.forceActiveFocus()
                    }
                }
                Button {
                    objectName: "startQueue"
                    visible: !panel.queueRunning
                    focusPolicy: Qt.NoFocus
                    text: qsTr("Start Queue")
                    highlighted: true
                    font.pixelSize: 11
                    onClicked: panel.startQueue()
                }
            }
        }

        Divider {}

        // Footer
        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 14
            Layout.rightMargin: 14
            Layout.topMargin: 8
            Layout.bottomMargin: 8
            IconButton {
                symbol: "gear"
                symbolSize: 12
                tip: qsTr("Settings")
                onClicked: {
                    panel.settingsRequested()
                    if (panel.onOpenSettings)
                        panel.onOpenSettings()
                }
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
    }
}
