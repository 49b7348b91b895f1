import QtQuick
import QtTest
import Jotterly.Onboarding

TestCase {
    id: testCase
    name: "OnboardingView"
    width: 520
    height: 420
    visible: true
    when: windowShown

    Component {
        id: viewComponent
        OnboardingView {}
    }

    SignalSpy { id: gotStarted; signalName: "getStartedPressed" }
    SignalSpy { id: completed; signalName: "completed" }

    function test_welcomeStepsComeOnTime() {
        const view = createTemporaryObject(viewComponent, testCase)
        const t = view.timeline
        verify(t.appeared)
        verify(!t.iconLanded)
        fixture.advance(199)
        verify(!t.iconLanded)
        fixture.advance(1)
        verify(t.iconLanded)
        fixture.advance(300) // 0.5 s
        verify(t.titleVisible && !t.bullet1Visible)
        fixture.advance(200) // 0.7 s
        verify(t.bullet1Visible && !t.bullet2Visible)
        fixture.advance(150) // 0.85 s
        verify(t.bullet2Visible && !t.bullet3Visible)
        fixture.advance(150) // 1.0 s
        verify(t.bullet3Visible && !t.buttonVisible)
        fixture.advance(200) // 1.2 s
        verify(t.buttonVisible && !t.glowPulse)
        fixture.advance(100) // 1.3 s
        verify(t.glowPulse)
    }

    function test_getStartedEarlySwitchesAtOnce() {
        const view = createTemporaryObject(viewComponent, testCase)
        gotStarted.target = view
        completed.target = view
        gotStarted.clear()
        completed.clear()
        fixture.advance(300)
        view.getStarted()
        compare(view.currentScreen, 1)
        compare(gotStarted.count, 1)
        const t = view.timeline
        fixture.advance(499)
        verify(!t.circleDrawn)
        fixture.advance(1)
        verify(t.circleDrawn)
        fixture.advance(400) // 0.9 s
        verify(t.checkmarkDrawn)
        fixture.advance(1400) // 2.3 s
        verify(t.headlineVisible && t.subtextVisible && t.previewVisible && t.button2Visible && t.shimmering)
        verify(t.glowPulse) // the welcome steps ran on the hidden screen
        compare(completed.count, 0)
        view.complete()
        compare(completed.count, 1)
        compare(gotStarted.count, 1) // completing records nothing more
    }
}
