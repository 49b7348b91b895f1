import QtQuick
import Jotterly.Components
import Jotterly.Onboarding

// The done screen: a check mark drawn in, where to find the tray icon, and "Start Using
// jotterly".
Item {
    id: done
    objectName: "doneScreen"

    required property OnboardingTimeline timeline
    required property int currentScreen
    /// False while the window is hidden: the endless animations rest then.
    property bool windowShown: true

    /// "Start Using jotterly" was pressed.
    signal startUsingClicked()

    /// The keyboard goes to "Start Using jotterly".
    function focusButton() {
        finish.forceActiveFocus()
    }

    width: parent.width
    height: parent.height
    x: done.currentScreen === 1 ? 0 : width
    opacity: done.currentScreen === 1 ? 1 : 0
    Behavior on x { NumberAnimation { duration: 400; easing.type: Easing.InOutQuad } }
    Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.InOutQuad } }

    Column {
        anchors.centerIn: parent
        spacing: 0

        Item {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 100
            height: 100
            Rectangle {
                anchors.fill: parent
                radius: 50
                color: OnboardingColors.success
                opacity: 0.3 * glow.level
                QtObject {
                    id: glow
                    property real level: 0
                    SequentialAnimation on level {
                        running: done.timeline.glowing && done.windowShown
                        loops: Animation.Infinite
                        NumberAnimation { from: 0; to: 1; duration: 1200; easing.type: Easing.InOutQuad }
                        NumberAnimation { from: 1; to: 0; duration: 1200; easing.type: Easing.InOutQuad }
                    }
                }
            }
            Canvas {
                id: badge
                objectName: "badge"
                anchors.centerIn: parent
                width: 72
                height: 72
                property real circleTrim: done.timeline.circleDrawn ? 1 : 0
                property real checkmarkTrim: done.timeline.checkmarkDrawn ? 1 : 0
                Behavior on circleTrim { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
                Behavior on checkmarkTrim { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
                onCircleTrimChanged: requestPaint()
                onCheckmarkTrimChanged: requestPaint()
                onPaint: {
                    const ctx = getContext("2d")
                    ctx.reset()
                    ctx.strokeStyle = OnboardingColors.success
                    ctx.lineWidth = 7
                    ctx.lineCap = "round"
                    ctx.lineJoin = "round"
                    if (circleTrim > 0) {
                        ctx.beginPath()
                        ctx.arc(width / 2, height / 2, width / 2 - 3.5, -Math.PI / 2, -Math.PI / 2 + circleTrim * 2 * Math.PI)
                        ctx.stroke()
                    }
                    if (checkmarkTrim > 0) {
                        // The check: (0.22, 0.5) to (0.42, 0.65) to (0.75, 0.3), drawn from the short arm.
                        const points = [[0.22 * width, 0.5 * height], [0.42 * width, 0.65 * height], [0.75 * width, 0.3 * height]]
                        const first = Math.hypot(points[1][0] - points[0][0], points[1][1] - points[0][1])
                        const second = Math.hypot(points[2][0] - points[1][0], points[2][1] - points[1][1])
                        let left = checkmarkTrim * (first + second)
                        ctx.beginPath()
                        ctx.moveTo(points[0][0], points[0][1])
                        const f1 = Math.min(1, left / first)
                        ctx.lineTo(points[0][0] + (points[1][0] - points[0][0]) * f1, points[0][1] + (points[1][1] - points[0][1]) * f1)
                        left -= first
                        if (left > 0) {
                            const f2 = Math.min(1, left / second)
                            ctx.lineTo(points[1][0] + (points[2][0] - points[1][0]) * f2, points[1][1] + (points[2][1] - points[1][1]) * f2)
                        }
                        ctx.stroke()
                    }
                }
            }
        }

        Item { width: 1; height: 24 }

        Text {
            objectName: "headline"
            anchors.horizontalCenter: parent.horizontalCenter
            text: qsTr("You're all set.")
            font.pixelSize: 24
            font.bold: true
            color: OnboardingColors.primaryText
            opacity: done.timeline.headlineVisible ? 1 : 0
            Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
        }

        Item { width: 1; height: 10 }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: qsTr("Look for the paperclip icon in your menu bar.")
            font.pixelSize: 15
            color: OnboardingColors.secondaryText
            opacity: done.timeline.subtextVisible ? 1 : 0
            Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
        }

        Item { width: 1; height: 20 }

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: previewRow.implicitWidth + 28
            height: previewRow.implicitHeight + 14
            radius: 8
            color: Qt.rgba(1, 1, 1, 0.06)
            opacity: done.timeline.previewVisible ? 1 : 0
            Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
            Row {
                id: previewRow
                anchors.centerIn: parent
                spacing: 8
                Symbol { anchors.verticalCenter: parent.verticalCenter; name: "paperclip"; size: 18; tint: OnboardingColors.primaryText }
                Text { anchors.verticalCenter: parent.verticalCenter; text: qsTr("Click to see your clipboard history"); font.pixelSize: 13; color: OnboardingColors.secondaryText }
            }
        }

        Item { width: 1; height: 24 }

        AccentButton {
            id: finish
            objectName: "startUsing"
            anchors.horizontalCenter: parent.horizontalCenter
            text: qsTr("Start Using jotterly")
            textSize: 16
            symbolSize: 14
            radius: 12
            leftPadding: 36
            rightPadding: 36
            topPadding: 14
            bottomPadding: 14
            shadowBlur: 16
            shadowOffset: 6
            shadowOpacity: 0.45
            enabled: done.currentScreen === 1
            shimmer: done.timeline.shimmering
            opacity: done.timeline.button2Visible ? 1 : 0
            scale: done.timeline.button2Visible ? 1 : 0.88
            Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.InOutQuad } }
            Behavior on scale { NumberAnimation { duration: 300; easing.type: Easing.InOutQuad } }
            onClicked: done.startUsingClicked()
            NumberAnimation on shimmerPhase {
                running: done.timeline.shimmering && done.windowShown
                from: 0
                to: 1
                duration: 2000
                loops: Animation.Infinite
            }
        }
    }
}
