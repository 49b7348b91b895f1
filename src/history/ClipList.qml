import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.History

// The rows: the pinned section, then the history, each under its header when there are
// pinned rows. The selected row scrolls to the middle of the list.
ListView {
    id: list

    required property ClipListViewModel viewModel
    property int maximumHeight: 420

    /// A row was clicked, with these keyboard modifiers.
    signal rowClicked(string key, int modifiers)
    /// A row asks for its menu.
    signal menuRequested(ClipItem item, string key)

    objectName: "list"
    Layout.fillWidth: true
    Layout.preferredHeight: Math.min(contentHeight + 20, maximumHeight)
    clip: true
    spacing: 8
    topMargin: 10
    bottomMargin: 10
    model: viewModel.displayedRows
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar {
        policy: list.contentHeight > list.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded
    }
    section.property: "section"
    section.delegate: Text {
        required property string section
        // Made by the list inside its content item, which is as wide as the list.
        width: parent ? parent.width - 20 : 0
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
        required property string itemKey
        // The list that made this row, typed, so the row reads its view-model through it.
        readonly property ClipList owner: ListView.view as ClipList
        x: 10
        width: owner.width - 20
        isSelected: itemKey === owner.viewModel.selectedKey
        isQueued: owner.viewModel.queueMarks.indexOf(itemKey) >= 0
        onClicked: modifiers => owner.rowClicked(itemKey, modifiers)
        onContextMenuRequested: owner.menuRequested(item, itemKey)
    }

    /// Back at the first row, with no scrolling left over from the last opening.
    function showTop() {
        scroll.stop()
        forceLayout()
        contentY = originY - topMargin
    }

    Connections {
        target: list.viewModel
        function onSelectedItemIDChanged() {
            const index = list.viewModel.selectedRow()
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
