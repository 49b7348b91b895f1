import QtQuick
import Jotterly.Onboarding

// The first-run welcome: a welcome screen naming the three main features, then a done
// screen pointing at the tray icon. Each screen reveals its parts on a timetable; the
// two presses go to the flow, whose owner records them and closes the window.
Rectangle {
    id: view

    required property OnboardingFlow flow
    property int currentScreen: 0
    readonly property alias timeline: timeline

    width: 520
    height: 420
    radius: 20
    clip: true
    color: OnboardingColors.background
    opacity: timeline.appeared ? 1 : 0
    Behavior on opacity { NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }

    OnboardingTimeline {
        id: timeline
    }

    Component.onCompleted: timeline.startWelcomeSequence()

    // The endless animations run only while the window is on screen: a welcome window
    // closed from its title bar is only hidden, and would keep waking the program.
    readonly property bool windowShown: Window.visibility !== Window.Hidden

    // The welcome's icon glow and "Get Started" breathe: 0 to 1 and back, 2 s each way.
    property real pulse
    SequentialAnimation on pulse {
        running: timeline.glowPulse && view.windowShown
        loops: Animation.Infinite
        NumberAnimation { to: 1; duration: 2000; easing.type: Easing.InOutQuad }
        NumberAnimation { to: 0; duration: 2000; easing.type: Easing.InOutQuad }
    }

    function getStarted() {
        flow.getStarted()
        currentScreen = 1
        timeline.startDoneSequence()
        done.focusButton()
    }

    function complete() {
        flow.complete()
    }

    // The background moves the window, as its title bar does.
    DragHandler {
        target: null
        onActiveChanged: if (active) view.Window.window.startSystemMove()
    }

    WelcomeScreen {
        timeline: timeline
        currentScreen: view.currentScreen
        pulse: view.pulse
        onGetStartedClicked: view.getStarted()
    }

    DoneScreen {
        id: done
        timeline: timeline
        currentScreen: view.currentScreen
        windowShown: view.windowShown
        onStartUsingClicked: view.complete()
    }
}
