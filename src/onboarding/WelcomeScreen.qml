pragma ComponentBehavior: Bound
import QtQuick
import Jotterly.Components
import Jotterly.Onboarding

// The welcome screen: the icon, the title, the three main features and "Get Started",
// each revealed on the timeline's timetable.
Item {
    id: welcome
    objectName: "welcomeScreen"

    required property OnboardingTimeline timeline
    required property int currentScreen
    /// 0 to 1 and back: the icon's glow and "Get Started" breathe with it.
    property real pulse: 0

    /// "Get Started" was pressed.
    signal getStartedClicked()

    width: parent.width
    height: parent.height
    x: welcome.currentScreen === 0 ? 0 : -width
    opacity: welcome.currentScreen === 0 ? 1 : 0
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
                color: Qt.rgba(OnboardingColors.accent.r, OnboardingColors.accent.g, OnboardingColors.accent.b, 0.08 + 0.17 * welcome.pulse)
            }
            Symbol {
                anchors.centerIn: parent
                anchors.verticalCenterOffset: welcome.timeline.iconLanded ? 0 : -30
                name: "paperclip"
                size: 48
                tint: OnboardingColors.accent
                opacity: welcome.timeline.iconLanded ? 1 : 0
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
            color: OnboardingColors.primaryText
            opacity: welcome.timeline.titleVisible ? 1 : 0
            transform: Translate { y: welcome.timeline.titleVisible ? 0 : 10; Behavior on y { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } } }
            Behavior on opacity { NumberAnimation { duration: 400; easing.type: Easing.OutQuad } }
        }

        Item { width: 1; height: 28 }

        Column {
            anchors.horizontalCenter: parent.horizontalCenter
            width: welcome.width - 120
            spacing: 14
            Repeater {
                model: [
                    {symbol: "clock.arrow.circlepath", text: qsTr("Everything you copy is saved automatically. Never lose a snippet again."), shown: welcome.timeline.bullet1Visible},
                    {symbol: "pin.fill", text: qsTr("Pin important items so they stay at the top of your clipboard history."), shown: welcome.timeline.bullet2Visible},
                    {symbol: "keyboard", text: qsTr("Open your clipboard history instantly with a global keyboard shortcut."), shown: welcome.timeline.bullet3Visible},
                ]
                Row {
                    id: bullet
                    required property var modelData
                    required property int index
                    objectName: "bullet" + (bullet.index + 1)
                    width: parent.width
                    spacing: 0
                    opacity: bullet.modelData.shown ? 1 : 0
                    transform: Translate { x: bullet.modelData.shown ? 0 : 8; Behavior on x { NumberAnimation { duration: 350; easing.type: Easing.OutQuad } } }
                    Behavior on opacity { NumberAnimation { duration: 350; easing.type: Easing.OutQuad } }
                    Item {
                        width: 24
                        height: 18
                        Symbol { anchors.centerIn: parent; name: bullet.modelData.symbol; size: 14; tint: OnboardingColors.accent }
                    }
                    Text {
                        width: parent.width - 24
                        text: bullet.modelData.text
                        wrapMode: Text.WordWrap
                        font.pixelSize: 14
                        color: OnboardingColors.primaryText
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
            enabled: welcome.currentScreen === 0
            pulse: welcome.pulse
            opacity: welcome.timeline.buttonVisible ? 1 : 0
            scale: welcome.timeline.buttonVisible ? 1 : 0.9
            Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
            Behavior on scale { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
            onClicked: welcome.getStartedClicked()
        }
    }
}
