import QtQuick
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.Settings
import Jotterly.Updates

// The settings window's content: a tab bar and one page. Every control is bound to the
// settings view-model, so each change is stored the moment it is made.
Rectangle {
    id: view

    required property SettingsViewModel viewModel
    property UpdaterController updaterController: null
    property int selectedTab: 0
    /// The About page's links, contact address and fine print, as this build gives them;
    /// an empty one is not shown.
    property string websiteUrl: AboutInfo.websiteUrl
    property string makerUrl: AboutInfo.makerUrl
    property string contact: AboutInfo.contact
    property string finePrint: AboutInfo.finePrint

    width: 450
    height: 520
    color: Theme.background

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        SettingsTabBar {
            selectedTab: view.selectedTab
            onTabClicked: tab => view.selectedTab = tab
        }

        Divider {}

        StackLayout {
            Layout.fillWidth: true
            Layout.fillHeight: true
            // Any tab other than About shows General.
            currentIndex: view.selectedTab === 1 ? 1 : 0

            GeneralPage {
                viewModel: view.viewModel
                onAddAppClicked: picker.open()
            }

            AboutPage {
                updaterController: view.updaterController
                websiteUrl: view.websiteUrl
                makerUrl: view.makerUrl
                contact: view.contact
                finePrint: view.finePrint
            }
        }
    }

    ClearConfirmation {
        viewModel: view.viewModel
    }

    AppPicker {
        id: picker
        viewModel: view.viewModel
    }
}
