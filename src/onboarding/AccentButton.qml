import QtQuick
import QtQuick.Controls
import Jotterly.Components
import Jotterly.Onboarding

// A button of the welcome: white text and arrow on the accent colour over a shadow in
// the accent colour. Tab reaches it; Space and Return press it.
AbstractButton {
    id: button
    property int textSize: 15
    property int symbolSize: 13
    property real radius: 10
    property int shadowBlur: 12
    property int shadowOffset: 4
    property real shadowOpacity: 0.4
    /// 0 to 1: the button grows by up to 2 %.
    property real pulse: 0
    property bool shimmer: false
    property real shimmerPhase: 0

    implicitWidth: contentItem.implicitWidth + leftPadding + rightPadding
    implicitHeight: contentItem.implicitHeight + topPadding + bottomPadding
    focusPolicy: Qt.StrongFocus
    Accessible.name: text
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    transform: Scale {
        origin.x: button.width / 2
        origin.y: button.height / 2
        xScale: 1 + 0.02 * button.pulse
        yScale: 1 + 0.02 * button.pulse
    }

    contentItem: Row {
        spacing: button.textSize > 15 ? 8 : 6
        Text {
            text: button.text
            font.pixelSize: button.textSize
            font.weight: Font.DemiBold
            color: "white"
        }
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "arrow.right"
            size: button.symbolSize
            tint: "white"
        }
    }

    background: Item {
        Canvas {
            id: shadow
            readonly property int margin: button.shadowBlur * 2 + button.shadowOffset
            x: -margin
            y: -margin
            width: parent.width + 2 * margin
            height: parent.height + 2 * margin
            onWidthChanged: requestPaint()
            onHeightChanged: requestPaint()
            onPaint: {
                const ctx = getContext("2d")
                ctx.reset()
                ctx.shadowColor = Qt.rgba(OnboardingColors.accent.r, OnboardingColors.accent.g, OnboardingColors.accent.b, button.shadowOpacity)
                ctx.shadowBlur = button.shadowBlur
                ctx.shadowOffsetY = button.shadowOffset
                ctx.fillStyle = OnboardingColors.accent
                ctx.beginPath()
                ctx.roundedRect(margin, margin, button.width, button.height, button.radius, button.radius)
                ctx.fill()
            }
        }
        Rectangle {
            anchors.fill: parent
            radius: button.radius
            color: OnboardingColors.accent
        }
        // A soft band of light sweeping across, inside the rounded shape only.
        Canvas {
            anchors.fill: parent
            visible: button.shimmer
            readonly property real phase: button.shimmerPhase
            onPhaseChanged: requestPaint()
            onPaint: {
                const ctx = getContext("2d")
                ctx.reset()
                ctx.beginPath()
                ctx.roundedRect(0, 0, width, height, button.radius, button.radius)
                ctx.clip()
                const band = width * 0.4
                const left = -band + phase * (width + band)
                const light = ctx.createLinearGradient(left, 0, left + band, 0)
                light.addColorStop(0, Qt.rgba(1, 1, 1, 0))
                light.addColorStop(0.5, Qt.rgba(1, 1, 1, 0.28))
                light.addColorStop(1, Qt.rgba(1, 1, 1, 0))
                ctx.fillStyle = light
                ctx.fillRect(left, 0, band, height)
            }
        }
        // Where the keyboard is.
        Rectangle {
            anchors.fill: parent
            anchors.margins: -4
            radius: button.radius + 4
            color: "transparent"
            border.width: 2
            border.color: OnboardingColors.primaryText
            visible: button.visualFocus
        }
    }
}
