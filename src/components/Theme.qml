pragma Singleton
import QtQuick

// The panel's colours: the desktop's palette, so it reads well in light and dark themes.
QtObject {
    readonly property SystemPalette palette: SystemPalette { colorGroup: SystemPalette.Active }
    readonly property color orange: "#ff9500"
    readonly property color primary: palette.windowText
    readonly property color secondary: Qt.rgba(primary.r, primary.g, primary.b, 0.6)
    readonly property color tertiary: Qt.rgba(primary.r, primary.g, primary.b, 0.35)
    readonly property color controlBackground: palette.base
    readonly property color background: palette.window
    readonly property bool isDark: palette.window.hslLightness < 0.5
    /// Destructive actions and removals: a red that reads on light and dark backgrounds.
    readonly property color negative: isDark ? "#ff6b6b" : "#d62f2f"

    function alpha(c, a) {
        return Qt.rgba(c.r, c.g, c.b, a)
    }
}
