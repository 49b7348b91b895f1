import QtQuick
import QtQuick.Layouts
import Jotterly.Components

// A hairline across a column of the panel or the settings.
Rectangle {
    Layout.fillWidth: true
    implicitHeight: 1
    color: Theme.alpha(Theme.primary, 0.1)
}
