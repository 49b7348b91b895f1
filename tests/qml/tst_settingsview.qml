import QtQuick
import QtQuick.Controls
import QtTest
import Jotterly.Settings

TestCase {
    id: testCase
    name: "SettingsView"
    width: 450
    height: 520
    visible: true
    when: windowShown

    Component {
        id: viewComponent
        SettingsView {
            viewModel: fixture.settings
        }
    }

    function init() {
        fixture.reset()
    }

    // The recorded shortcut is stored whole, and the field shows it.
    function test_aRecordedShortcutIsStoredInOneStep() {
        const view = createTemporaryObject(viewComponent, testCase)
        const recorder = findChild(view, "recorder")
        mouseClick(recorder)
        keyClick(Qt.Key_J, Qt.ControlModifier | Qt.AltModifier)
        compare([fixture.settings.shortcutKeyCode, fixture.settings.shortcutModifiers, fixture.settings.shortcutKeyChar],
                [38, 0x180000, "J"])
        compare(recorder.displayText, "⌥⌘J")
    }

    // Desktop limits are told where they apply, and only there.
    function test_theGeneralPageSaysWhatThisDesktopLacks() {
        const view = createTemporaryObject(viewComponent, testCase)
        verify(!findChild(view, "compositorKeyHint").visible)
        verify(!findChild(view, "x11OnlyHint").visible)
        fixture.setDesktopLimits(true, true)
        verify(findChild(view, "compositorKeyHint").text.indexOf("\"jotterly --toggle\"") >= 0)
        verify(findChild(view, "compositorKeyHint").visible && findChild(view, "x11OnlyHint").visible)
        // Without X11 the hints speak of no X11 app.
        fixture.setDesktopLimits(false, false, true, true)
        verify(findChild(view, "compositorKeyHint").visible && findChild(view, "x11OnlyHint").visible)
        verify(findChild(view, "compositorKeyHint").text.indexOf("\"jotterly --toggle\"") >= 0)
        verify(findChild(view, "compositorKeyHint").text.indexOf("X11") < 0)
        verify(findChild(view, "x11OnlyHint").text.indexOf("X11") < 0)
    }

    function test_theGeneralPageShowsThatItScrolls() {
        fixture.settings.addExcludedApp("org.example.One", "One")
        fixture.settings.addExcludedApp("org.example.Two", "Two")
        const view = createTemporaryObject(viewComponent, testCase)
        const page = findChild(view, "generalPage")
        waitForRendering(view)
        verify(page.contentHeight > page.availableHeight)
        compare(page.ScrollBar.vertical.policy, ScrollBar.AlwaysOn)
    }

    function test_theAboutPageIsCentredAndComplete() {
        const view = createTemporaryObject(viewComponent, testCase, {selectedTab: 1})
        waitForRendering(view)
        const column = findChild(view, "aboutColumn")
        fuzzyCompare(column.mapToItem(view, column.width / 2, 0).x, view.width / 2, 1)
        for (const name of ["websiteLink", "makerLink", "contact", "finePrint"]) {
            verify(findChild(view, name).visible, name)
            verify(findChild(view, name).text.length > 0, name)
        }
        // Only what is empty is hidden.
        view.contact = ""
        view.makerUrl = ""
        verify(!findChild(view, "contact").visible)
        verify(!findChild(view, "makerLink").visible)
        verify(findChild(view, "websiteLink").visible)
        verify(findChild(view, "finePrint").visible)
    }
}
