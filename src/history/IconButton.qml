import QtQuick
import QtQuick.Controls
import Jotterly.Components
import Jotterly.History

// A small symbol that acts as a button, with its tip on hover. A click leaves the keys
// with the search field.
AbstractButton {
    id: button

    property string symbol
    property int symbolSize: 12
    property string tip

    implicitWidth: symbolSize + 8
    implicitHeight: symbolSize + 8
    hoverEnabled: true
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
