import QtQuick
import QtQuick.Window
import Jotterly.Components
import Jotterly.History

// A row's preview, beside the row and outside the panel. The content is made and
// measured before the window is shown, so it is placed at its final size: a window moved
// right after it was mapped can stay where it was first put (behind the panel, when it
// opens on the panel's side).
Window {
    id: preview

    /// The row the preview belongs to, and what it shows: set by the row once made.
    property Item origin: null
    property RowHover hover: null
    property ClipItem item: null

    objectName: "preview"
    flags: Qt.ToolTip | Qt.FramelessWindowHint | Qt.WindowDoesNotAcceptFocus
    color: Theme.background
    width: previewContent.implicitWidth + 24
    height: previewContent.implicitHeight + 24

    function showWhenReady() {
        if (visible || !origin || !previewContent.item || !(previewContent.item as RowPreview).ready)
            return
        place()
        visible = true
    }

    // Beside the row on its trailing side, or on the other side when the screen ends
    // there (the panel often sits at the right edge, under the tray).
    function place() {
        if (!origin.Window.window)
            return
        const trailing = origin.mapToGlobal(origin.width, 0).x + 6
        const screenRight = origin.Screen.virtualX + origin.Screen.width
        x = trailing + width <= screenRight ? trailing : origin.mapToGlobal(0, 0).x - width - 6
        y = origin.mapToGlobal(0, 0).y
    }

    onWidthChanged: if (visible) place()

    Connections {
        target: previewContent.item
        function onReadyChanged() { preview.showWhenReady() }
    }

    HoverHandler {
        onHoveredChanged: {
            if (preview.hover)
                hovered ? preview.hover.popoverEntered() : preview.hover.popoverExited()
        }
    }

    Loader {
        id: previewContent
        x: 12
        y: 12
        sourceComponent: RowPreview {}
        // The item is handed over once the preview is made.
        onLoaded: {
            (item as RowPreview).item = Qt.binding(() => preview.item)
            preview.showWhenReady()
        }
    }
}
