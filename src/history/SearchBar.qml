import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.History

// The search field and its clear button. Every edit asks the view-model for a search;
// the keys the panel handles are passed on before the field sees them.
RowLayout {
    id: bar

    required property ClipListViewModel viewModel

    /// A key reached the field; whoever handles it sets `event.accepted`.
    signal keyPressed(var event)

    function focusField() {
        search.forceActiveFocus()
    }

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
        text: bar.viewModel.searchText
        color: Theme.primary
        onTextEdited: {
            bar.viewModel.searchText = text
            bar.viewModel.scheduleSearch()
        }
        Keys.priority: Keys.BeforeItem
        Keys.onPressed: event => bar.keyPressed(event)
    }
    IconButton {
        objectName: "clearSearch"
        visible: bar.viewModel.searchText.length > 0
        symbol: "xmark.circle.fill"
        symbolSize: 13
        onClicked: {
            bar.viewModel.searchText = ""
            bar.viewModel.scheduleSearch()
            bar.viewModel.loadItems()
            search.forceActiveFocus()
        }
    }
}
