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

    QtObject {
        id: updater
        property bool canCheckForUpdates: false
        property bool automaticallyDownloadsUpdates: true
        function checkForUpdates() {}
    }

    Component {
        id: viewComponent
        SettingsView {
            viewModel: fixture.settings
            updaterController: updater
        }
    }

    function init() {
        fixture.reset()
    }

    function test_historySizeIsStoredAndAnnounced() {
        const view = createTemporaryObject(viewComponent, testCase)
        const box = findChild(view, "historySize")
        box.activated(2) // "200"
        compare(fixture.settings.historyLimit, 200)
        compare(fixture.limitAnnouncements, 1)
    }

    function test_excludedApplications() {
        const view = createTemporaryObject(viewComponent, testCase)
        verify(!findChild(view, "excludedList").visible)
        fixture.settings.addExcludedApp("org.gnome.TextEditor", "Text Editor")
        fixture.settings.addExcludedApp("org.gnome.TextEditor", "Another Name")
        compare(fixture.settings.excludedAppBundleIDs.length, 1)
        compare(fixture.settings.excludedAppNames["org.gnome.TextEditor"], "Text Editor")
        verify(findChild(view, "excludedList").visible)
        mouseClick(findChild(view, "remove-org.gnome.TextEditor"))
        verify(!findChild(view, "excludedList").visible)
        verify(findChild(view, "addApp").visible)
        compare(fixture.settings.installedApplications()[0].name, "Text Editor")
    }

    function test_currentRowOnlyWithKeyText() {
        const view = createTemporaryObject(viewComponent, testCase)
        verify(!findChild(view, "currentRow").visible)
        fixture.settings.shortcutKeyChar = "V"
        verify(findChild(view, "currentRow").visible)
    }

    function test_clearConfirmation() {
        fixture.addText("pinned", true)
        fixture.addText("copy")
        const view = createTemporaryObject(viewComponent, testCase)
        mouseClick(findChild(view, "clearAll"))
        verify(fixture.settings.showClearConfirmation)
        const dialog = findChild(view, "clearConfirmation")
        tryVerify(() => dialog.opened)
        mouseClick(findChild(view, "cancelClear"))
        tryVerify(() => !fixture.settings.showClearConfirmation)
        compare(fixture.storedCount(), 2)
        mouseClick(findChild(view, "clearAll"))
        tryVerify(() => dialog.opened)
        mouseClick(findChild(view, "confirmClear"))
        compare(fixture.storedCount(), 1)
        verify(!fixture.settings.showClearConfirmation)
    }

    function test_updateButtonFollowsTheController() {
        const view = createTemporaryObject(viewComponent, testCase, {selectedTab: 1})
        verify(!findChild(view, "checkForUpdates").enabled)
        updater.canCheckForUpdates = true
        verify(findChild(view, "checkForUpdates").enabled)
        updater.canCheckForUpdates = false
    }

    function test_unknownTabShowsGeneral() {
        const view = createTemporaryObject(viewComponent, testCase, {selectedTab: 7})
        verify(findChild(view, "generalPage").visible)
        verify(!findChild(view, "aboutPage").visible)
    }
}
