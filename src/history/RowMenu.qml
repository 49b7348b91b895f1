import QtQuick
import QtQuick.Controls
import Jotterly.Components
import Jotterly.History

// The menu of one row: pin or unpin, copy, delete.
Menu {
    id: menu

    required property ClipListViewModel viewModel
    property ClipItem item: null
    property string itemKey

    /// Opens the menu at the pointer for this row.
    function openFor(rowItem: ClipItem, key: string) {
        item = rowItem
        itemKey = key
        popup()
    }

    MenuItem {
        text: menu.item && menu.item.isPinned ? qsTr("Unpin") : qsTr("Pin")
        onTriggered: menu.viewModel.togglePinItem(menu.itemKey)
    }
    MenuItem {
        text: qsTr("Copy")
        onTriggered: menu.viewModel.copyItem(menu.itemKey)
    }
    MenuSeparator {}
    MenuItem {
        objectName: "deleteItem"
        text: qsTr("Delete")
        // A destructive action reads in the desktop's negative colour.
        palette.windowText: Theme.negative
        palette.highlight: Theme.negative
        onTriggered: menu.viewModel.deleteItemWithKey(menu.itemKey)
    }
}
