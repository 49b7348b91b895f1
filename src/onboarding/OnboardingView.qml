import QtQuick
import Jotterly.History
import Jotterly.Onboarding

// The first-run welcome: a welcome screen naming the three main features, then a done
// screen pointing at the tray icon. Each screen reveals its parts on a timetable.
Rectangle {
    id: view

    /// Run by "Start Using jotterly".
    property var onComplete: null
    property int currentScreen: 0
    readonly property alias timeline: timeline

    /// "Get Started" was pressed: the onboarding counts as shown from now on.
    signal getStartedPressed()
    signal completed()

    readonly property color background: Qt.rgba(13 / 255, 17 / 255, 23 / 255, 1)
    readonly property color primaryText: Qt.rgba(201 / 255, 209 / 255, 217 / 255, 1)
    readonly property color secondaryText: Qt.rgba(139 / 255, 148 / 255, 158 / 255, 1)
    readonly property color accent: Qt.rgba(255 / 255, 107 / 255, 53 / 255, 1)
    readonly property color success: Qt.rgba(52 / 255, 199 / 255, 89 / 255, 1)

    width: 520
    height: 420
    radius: 20
    clip: true
    color: background
    opacity: timeline.appeared ? 1 : 0
    Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }

    OnboardingTimeline {
        id: timeline
    }

    Component.onCompleted: timeline.startWelcomeSequence()

    function getStarted() {
        getStartedPressed()
        currentScreen = 1
        timeline.startDoneSequence()
    }

    function complete() {
        completed()
        if (onComplete)
            onComplete()
    }

    // The window has no title bar: the background moves it.
    DragHandler {
        target: null
        onActiveChanged: if (active) view.Window.window.startSystemMove()
    }

    component Reveal: Behavior {
        NumberAnimation { duration: 350; easing.type: Easing.OutQuad }
    }

    // Welcome
    Item {
        id: welcome
        objectName: "welcomeScreen"
        width: parent.width
        height: parent.height
        x: view.currentScreen === 0 ? 0 : -width
        opacity: view.currentScreen === 0 ? 1 : 0
        Behavior on x { NumberAnimation { duration: 400; easing.type: Easing.InOutQuad } }
        Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.InOutQuad } }

        Column {
            anchors.centerIn: parent
            spacing: 0

            Item {
                anchors.horizontalCenter: parent.horizontalCenter
                width: 120
                height: 120
                Rectangle {
                    anchors.fill: parent
                    radius: 60
                    color: Qt.rgba(view.accent.r, view.accent.g, view.accent.b, timeline.glowPulse && glowAnimation.bright ? 0.25 : 0.08)
                    Behavior on color { ColorAnimation { duration: 2000; easing.type: Easing.InOutQuad } }
                }
                Symbol {
                    anchors.centerIn: parent
                    anchors.verticalCenterOffset: timeline.iconLanded ? 0 : -30
                    name: "paperclip"
                    size: 48
                    tint: view.accent
                    opacity: timeline.iconLanded ? 1 : 0
                    // A spring of response 0.6 s and damping 0.7: a short overshoot, settled in about 0.6 s.
                    Behavior on anchors.verticalCenterOffset { NumberAnimation { duration: 600; easing.type: Easing.OutBack; easing.overshoot: 1.2 } }
                    Behavior on opacity { NumberAnimation { duration: 600; easing.type: Easing.OutQuad } }
                }
                // Pulses for ever once the welcome is complete.
                Timer {
                    id: glowAnimation
                    property bool bright: true
                    interval: 2000
                    repeat: true
                    running: timeline.glowPulse
                    onTriggered: bright = !bright
                }
            }

            Item { width: 1; height: 20 }

            Text {
                objectName: "welcomeTitle"
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Welcome to jotterly"
                font.pixelSize: 24
                font.bold: true
                color: view.primaryText
                opacity: timeline.titleVisible ? 1 : 0
                transform: Translate { y: timeline.titleVisible ? 0 : 10; Behavior on y { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } } }
                Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
            }

            Item { width: 1; height: 28 }

            Column {
                anchors.horizontalCenter: parent.horizontalCenter
                width: view.width - 120
                spacing: 14
                Repeater {
                    model: [
                        {symbol: "clock.arrow.circlepath", text: "Everything you copy is saved automatically. Never lose a snippet again.", shown: timeline.bullet1Visible},
                        {symbol: "pin.fill", text: "Pin important items so they stay at the top of your clipboard history.", shown: timeline.bullet2Visible},
                        {symbol: "keyboard", text: "Open your clipboard history instantly with a global keyboard shortcut.", shown: timeline.bullet3Visible},
                    ]
                    Row {
                        required property var modelData
                        required property int index
                        objectName: "bullet" + (index + 1)
                        width: parent.width
                        spacing: 0
                        opacity: modelData.shown ? 1 : 0
                        transform: Translate { x: modelData.shown ? 0 : 8; Behavior on x { NumberAnimation { duration: 350; easing.type: Easing.OutQuad } } }
                        Behavior on opacity { NumberAnimation { duration: 350; easing.type: Easing.OutQuad } }
                        Item {
                            width: 24
                            height: 18
                            Symbol { anchors.centerIn: parent; name: modelData.symbol; size: 14; tint: view.accent }
                        }
                        Text {
                            width: parent.width - 24
                            text: modelData.text
                            wrapMode: Text.WordWrap
                            font.pixelSize: 14
                            color: view.primaryText
                        }
                    }
                }
            }

            Item { width: 1; height: 28 }

            Rectangle {
                objectName: "getStarted"
                anchors.horizontalCenter: parent.horizontalCenter
                width: getStartedRow.implicitWidth + 64
                height: getStartedRow.implicitHeight + 24
                radius: 10
                color: view.accent
                opacity: timeline.buttonVisible ? 1 : 0
                scale: !timeline.buttonVisible ? 0.9 : (timeline.glowPulse && glowAnimation.bright ? 1.02 : 1.0)
                Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
                Behavior on scale { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
                Row {
                    id: getStartedRow
                    anchors.centerIn: parent
                    spacing: 6
                    Text { text: "Get Started"; font.pixelSize: 15; font.weight: Font.DemiBold; color: "white" }
                    Symbol { anchors.verticalCenter: parent.verticalCenter; name: "arrow.right"; size: 13; tint: "white" }
                }
                MouseArea {
                    anchors.fill: parent
                    enabled: view.currentScreen === 0
                    onClicked: view.getStarted()
                }
            }
        }
    }

    // Done
    Item {
        id: done
        objectName: "doneScreen"
        width: parent.width
        height: parent.height
        x: view.currentScreen === 1 ? 0 : width
        opacity: view.currentScreen === 1 ? 1 : 0
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
                    color: view.success
                    opacity: 0.3 * glow.level
                    QtObject {
                        id: glow
                        property real level: 0
                        SequentialAnimation on level {
                            running: timeline.glowing
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
                    property real circleTrim: timeline.circleDrawn ? 1 : 0
                    property real checkmarkTrim: timeline.checkmarkDrawn ? 1 : 0
                    Behavior on circleTrim { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
                    Behavior on checkmarkTrim { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
                    onCircleTrimChanged: requestPaint()
                    onCheckmarkTrimChanged: requestPaint()
                    onPaint: {
                        const ctx = getContext("2d")
                        ctx.reset()
                        ctx.strokeStyle = view.success
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
                text: "You're all set."
                font.pixelSize: 24
                font.bold: true
                color: view.primaryText
                opacity: timeline.headlineVisible ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
            }

            Item { width: 1; height: 10 }

            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: "Look for the paperclip icon in your menu bar."
                font.pixelSize: 15
                color: view.secondaryText
                opacity: timeline.subtextVisible ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
            }

            Item { width: 1; height: 20 }

            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                width: previewRow.implicitWidth + 28
                height: previewRow.implicitHeight + 14
                radius: 8
                color: Qt.rgba(1, 1, 1, 0.06)
                opacity: timeline.previewVisible ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
                Row {
                    id: previewRow
                    anchors.centerIn: parent
                    spacing: 8
                    Symbol { anchors.verticalCenter: parent.verticalCenter; name: "paperclip"; size: 18; tint: view.primaryText }
                    Text { anchors.verticalCenter: parent.verticalCenter; text: "Click to see your clipboard history"; font.pixelSize: 13; color: view.secondaryText }
                }
            }

            Item { width: 1; height: 24 }

            Rectangle {
                id: finish
                objectName: "startUsing"
                anchors.horizontalCenter: parent.horizontalCenter
                width: finishRow.implicitWidth + 72
                height: finishRow.implicitHeight + 28
                radius: 12
                clip: true
                color: view.accent
                opacity: timeline.button2Visible ? 1 : 0
                scale: timeline.button2Visible ? 1 : 0.88
                Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.InOutQuad } }
                Behavior on scale { NumberAnimation { duration: 300; easing.type: Easing.InOutQuad } }
                // A soft band of light sweeps across, for ever.
                Rectangle {
                    width: parent.width * 0.4
                    height: parent.height
                    x: -width + shimmer.phase * (parent.width + width)
                    gradient: Gradient {
                        orientation: Gradient.Horizontal
                        GradientStop { position: 0; color: "transparent" }
                        GradientStop { position: 0.5; color: Qt.rgba(1, 1, 1, 0.28) }
                        GradientStop { position: 1; color: "transparent" }
                    }
                    QtObject {
                        id: shimmer
                        property real phase: 0
                        NumberAnimation on phase {
                            running: timeline.shimmering
                            from: 0
                            to: 1
                            duration: 2000
                            loops: Animation.Infinite
                        }
                    }
                }
                Row {
                    id: finishRow
                    anchors.centerIn: parent
                    spacing: 8
                    Text { text: "Start Using jotterly"; font.pixelSize: 16; font.weight: Font.DemiBold; color: "white" }
                    Symbol { anchors.verticalCenter: parent.verticalCenter; name: "arrow.right"; size: 14; tint: "white" }
                }
                MouseArea {
                    anchors.fill: parent
                    enabled: view.currentScreen === 1
                    onClicked: view.complete()
                }
            }
        }
    }
}
