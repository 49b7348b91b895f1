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

    // The view-model as the view sees it, recording what the view asks of it.
    QtObject {
        id: settings
        property int historyLimit: 100
        property string autoClearOption: "never"
        property bool launchAtLogin: true
        property int shortcutKeyCode: 9
        property int shortcutModifiers: 0xa0000
        property string shortcutKeyChar: "V"
        property var excludedAppBundleIDs: []
        property var excludedAppNames: ({})
        property bool showClearConfirmation: false
        property var recorded: []
        function recordShortcut(keyCode, modifiers, keyChar) {
            recorded = recorded.concat([[keyCode, modifiers, keyChar]])
            shortcutKeyCode = keyCode
            shortcutModifiers = modifiers
            shortcutKeyChar = keyChar
        }
    }

    Component {
        id: viewComponent
        SettingsView {
            viewModel: settings
        }
    }

    function init() {
        settings.recorded = []
        settings.excludedAppBundleIDs = []
    }

    // One call stores the whole shortcut, so it is registered once, with the new modifiers.
    function test_aRecordedShortcutIsStoredInOneStep() {
        const view = createTemporaryObject(viewComponent, testCase)
        const recorder = findChild(view, "recorder")
        mouseClick(recorder)
        keyClick(Qt.Key_J, Qt.ControlModifier | Qt.AltModifier)
        compare(settings.recorded, [[38, 0x180000, "J"]])
        compare(recorder.displayText, "⌥⌘J")
    }

    function test_theGeneralPageShowsThatItScrolls() {
        settings.excludedAppBundleIDs = ["org.example.One", "org.example.Two"]
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
        compare(findChild(view, "contact").text, AboutInfo.contact)
        compare(findChild(view, "finePrint").text, AboutInfo.finePrint)
        for (const name of ["websiteLink", "makerLink", "contact", "finePrint"]) {
            verify(findChild(view, name).visible, name)
            verify(findChild(view, name).text.length > 0, name)
        }
        verify(findChild(view, "websiteLink").text.indexOf(AboutInfo.websiteUrl) >= 0)
        // Only what is empty is hidden.
        view.contact = ""
        view.makerUrl = ""
        verify(!findChild(view, "contact").visible)
        verify(!findChild(view, "makerLink").visible)
        verify(findChild(view, "websiteLink").visible)
        verify(findChild(view, "finePrint").visible)
    }
}
