import QtQuick
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.History
import Jotterly.Queue

// The history panel: header with the number of rows, search, the pinned and history
// sections, the paste-queue bar and a footer. Everything it shows lives in the view-model
// and the paste queue; the panel only renders it and passes actions on.
Rectangle {
    id: panel

    required property ClipListViewModel viewModel
    property PasteQueueManager pasteQueueManager: null
    property int listHeight: 420

    readonly property int rowCount: viewModel.displayedRows.count
    readonly property bool queueRunning: pasteQueueManager !== null && pasteQueueManager.isActive
    readonly property bool queueBarShown: queueRunning || viewModel.queueSelectionCount > 0

    /// Asks the panel's owner to close it.
    function close() {
        viewModel.requestClose()
    }

    // The keys the panel handles, wherever the focus is; true when handled.
    function handleKey(event: KeyEvent): bool {
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

    function rowClicked(key: string, modifiers: int) {
        if ((modifiers & Qt.ControlModifier) || viewModel.queueSelectionCount > 0) {
            viewModel.toggleQueueItem(key)
        } else {
            viewModel.copyItem(key)
            close()
        }
    }

    width: 320
    implicitHeight: column.implicitHeight
    color: Theme.background
    focus: true
    Keys.onPressed: event => event.accepted = handleKey(event)

    /// The panel is put on screen: a kept panel starts its own view state afresh. The
    /// owner has reloaded the lists just before.
    function opened() {
        rowMenu.close()
        search.focusField()
        list.showTop()
    }

    Component.onCompleted: opened()
    // Whoever gives the panel the focus gives it to the search field.
    onActiveFocusChanged: if (activeFocus) search.focusField()

    ColumnLayout {
        id: column
        width: parent.width
        spacing: 0

        PanelHeader {
            rowCount: panel.rowCount
        }

        Divider {}

        SearchBar {
            id: search
            viewModel: panel.viewModel
            onKeyPressed: event => event.accepted = panel.handleKey(event)
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

        EmptyState {
            visible: panel.rowCount === 0
            Layout.preferredWidth: panel.width
            searching: panel.viewModel.searchText.trim().length > 0
        }

        ClipList {
            id: list
            visible: panel.rowCount > 0
            viewModel: panel.viewModel
            maximumHeight: panel.listHeight
            onRowClicked: (key, modifiers) => panel.rowClicked(key, modifiers)
            onMenuRequested: (item, key) => rowMenu.openFor(item, key)
        }

        RowMenu {
            id: rowMenu
            viewModel: panel.viewModel
            // The keys go back to the search field, also when the row the menu was
            // opened on is gone: otherwise nothing has the focus and Escape is lost.
            onClosed: search.focusField()
        }

        Divider {
            visible: panel.queueBarShown
        }
        QueueBar {
            visible: panel.queueBarShown
            viewModel: panel.viewModel
            pasteQueueManager: panel.pasteQueueManager
            running: panel.queueRunning
            onStarted: panel.close()
            onCleared: search.focusField()
        }

        Divider {}

        PanelFooter {
            onSettingsClicked: panel.viewModel.requestSettings()
        }
    }
}
