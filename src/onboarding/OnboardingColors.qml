pragma Singleton
import QtQuick

// The welcome window's own colours: dark whatever the desktop's theme.
QtObject {
    readonly property color background: Qt.rgba(13 / 255, 17 / 255, 23 / 255, 1)
    readonly property color primaryText: Qt.rgba(201 / 255, 209 / 255, 217 / 255, 1)
    readonly property color secondaryText: Qt.rgba(139 / 255, 148 / 255, 158 / 255, 1)
    readonly property color accent: Qt.rgba(255 / 255, 107 / 255, 53 / 255, 1)
    readonly property color success: Qt.rgba(52 / 255, 199 / 255, 89 / 255, 1)
}
