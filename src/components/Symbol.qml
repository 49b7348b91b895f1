import QtQuick

// A named symbol of the panel at a size, in a colour (for our own drawings; the icon
// theme's icons keep theirs).
Image {
    id: symbol

    property string name
    property int size: 12
    property color tint: "gray"

    source: name.length > 0 ? "image://symbol/" + name + "?color=" + encodeURIComponent(tint.toString()) : ""
    sourceSize.width: size * Screen.devicePixelRatio
    sourceSize.height: size * Screen.devicePixelRatio
    width: size
    height: size
    fillMode: Image.PreserveAspectFit
    smooth: true
}
