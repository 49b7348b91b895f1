import QtQuick
import QtQuick.Controls
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

    // The endless animations run only while the window is on screen: a welcome window
    // closed from its title bar is only hidden, and would keep waking the program.
    readonly property bool onScreen: Window.visibility !== Window.Hidden

    // The welcome's icon glow and "Get Started" breathe: 0 to 1 and back, 2 s each way.
    property real pulse: 0
    SequentialAnimation on pulse {
        running: timeline.glowPulse && view.onScreen
        loops: Animation.Infinite
        NumberAnimation { to: 1; duration: 2000; easing.type: Easing.InOutQuad }
        NumberAnimation { to: 0; duration: 2000; easing.type: Easing.InOutQuad }
    }

    function getStarted() {
        getStartedPressed()
        currentScreen = 1
        timeline.startDoneSequence()
        finish.forceActiveFocus()
    }

    function complete() {
        completed()
        if (onComplete)
            onComplete()
    }

    // The background moves the window, as its title bar does.
    DragHandler {
        target: null
        onActiveChanged: if (active) view.Window.window.startSystemMove()
    }

    // A button of the welcome: white text and arrow on the accent colour over a shadow in
    // the accent colour. Tab reaches it; Space and Return press it.
    component AccentButton: AbstractButton {
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
                    ctx.shadowColor = Qt.rgba(view.accent.r, view.accent.g, view.accent.b, button.shadowOpacity)
                    ctx.shadowBlur = button.shadowBlur
                    ctx.shadowOffsetY = button.shadowOffset
                    ctx.fillStyle = view.accent
                    ctx.beginPath()
                    ctx.roundedRect(margin, margin, button.width, button.height, button.radius, button.radius)
                    ctx.fill()
                }
            }
            Rectangle {
                anchors.fill: parent
                radius: button.radius
                color: view.accent
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
                border.color: view.primaryText
                visible: button.visualFocus
            }
        }
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
                    color: Qt.rgba(view.accent.r, view.accent.g, view.accent.b, 0.08 + 0.17 * view.pulse)
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
            }

            Item { width: 1; height: 20 }

            Text {
                objectName: "welcomeTitle"
                anchors.horizontalCenter: parent.horizontalCenter
                text: qsTr("Welcome to jotterly")
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
                        {symbol: "clock.arrow.circlepath", text: qsTr("Everything you copy is saved automatically. Never lose a snippet again."), shown: timeline.bullet1Visible},
                        {symbol: "pin.fill", text: qsTr("Pin important items so they stay at the top of your clipboard history."), shown: timeline.bullet2Visible},
                        {symbol: "keyboard", text: qsTr("Open your clipboard history instantly with a global keyboard shortcut."), shown: timeline.bullet3Visible},
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

            AccentButton {
                id: getStarted
                objectName: "getStarted"
                // Return presses it as soon as the window is up.
                focus: true
                anchors.horizontalCenter: parent.horizontalCenter
                text: qsTr("Get Started")
                leftPadding: 32
                rightPadding: 32
                topPadding: 12
                bottomPadding: 12
                enabled: view.currentScreen === 0
                pulse: view.pulse
                opacity: timeline.buttonVisible ? 1 : 0
                scale: timeline.buttonVisible ? 1 : 0.9
                Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
                Behavior on scale { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
                onClicked: view.getStarted()
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
                            running: timeline.glowing && view.onScreen
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
                text: qsTr("You're all set.")
                font.pixelSize: 24
                font.bold: true
                color: view.primaryText
                opacity: timeline.headlineVisible ? 1 : 0
                Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
            }

            Item { width: 1; height: 10 }

            Text {
                anchors.horizontalCenter: parent.horizontalCenter
                text: qsTr("Look for the paperclip icon in your menu bar.")
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
                    Text { anchors.verticalCenter: parent.verticalCenter; text: qsTr("Click to see your clipboard history"); font.pixelSize: 13; color: view.secondaryText }
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
                enabled: view.currentScreen === 1
                shimmer: timeline.shimmering
                opacity: timeline.button2Visible ? 1 : 0
                scale: timeline.button2Visible ? 1 : 0.88
                Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.InOutQuad } }
                Behavior on scale { NumberAnimation { duration: 300; easing.type: Easing.InOutQuad } }
                onClicked: view.complete()
                NumberAnimation on shimmerPhase {
                    running: timeline.shimmering && view.onScreen
                    from: 0
                    to: 1
                    duration: 2000
                    loops: Animation.Infinite
                }
            }
        }
    }
}
