import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Jotterly.Components
import Jotterly.Updates

// The About page: the program's name and version, updates, the maker's links, contact
// address and fine print; centred in its page, 340 wide.
Item {
    id: page

    property UpdaterController updaterController: null
    property string websiteUrl
    property string makerUrl
    property string contact
    property string finePrint

    // A value as it may stand inside a quoted HTML attribute.
    function attribute(value: string): string {
        return value.replace(/&/g, "&amp;").replace(/"/g, "&quot;").replace(/</g, "&lt;")
    }

    // A centred line that wraps rather than runs past the page.
    component AboutText: Text {
        id: aboutText
        Layout.alignment: Qt.AlignHCenter
        Layout.maximumWidth: 340
        horizontalAlignment: Text.AlignHCenter
        wrapMode: Text.WordWrap
        textFormat: Text.PlainText
        linkColor: Theme.orange
        HoverHandler {
            cursorShape: aboutText.hoveredLink.length > 0 ? Qt.PointingHandCursor : Qt.ArrowCursor
        }
    }
    component Rule: Rectangle {
        Layout.alignment: Qt.AlignHCenter
        implicitWidth: 200
        implicitHeight: 1
        color: Theme.alpha(Theme.primary, 0.1)
    }

    objectName: "aboutPage"
    Layout.fillWidth: true
    Layout.fillHeight: true

    ColumnLayout {
        id: about
        objectName: "aboutColumn"
        anchors.centerIn: parent
        width: 340
        spacing: 10
        Symbol {
            Layout.alignment: Qt.AlignHCenter
            name: "doc.on.clipboard"
            size: 48
            tint: Theme.orange
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: "jotterly"
            font.pixelSize: 20
            font.bold: true
            color: Theme.primary
        }
        Text {
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Version %1").arg(Qt.application.version.length > 0 ? Qt.application.version : "1.0")
            font.pixelSize: 13
            color: Theme.secondary
        }
        AboutText {
            text: qsTr("A searchable clipboard history that lives in your menu bar.")
            font.pixelSize: 13
            color: Theme.secondary
        }
        Rule {}
        Button {
            objectName: "checkForUpdates"
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: about.width
            text: qsTr("Check for Updates…")
            enabled: page.updaterController !== null && page.updaterController.canCheckForUpdates
            onClicked: page.updaterController.checkForUpdates()
        }
        CheckBox {
            objectName: "automaticUpdates"
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: about.width
            text: qsTr("Automatically download updates")
            font.pixelSize: 13
            enabled: page.updaterController !== null
            checked: page.updaterController !== null && page.updaterController.automaticallyDownloadsUpdates
            onToggled: page.updaterController.automaticallyDownloadsUpdates = checked
        }
        Rule {}
        AboutText {
            objectName: "websiteLink"
            visible: page.websiteUrl.length > 0
            text: "<a href=\"" + page.attribute(page.websiteUrl) + "\">" + page.attribute(qsTr("Jotterly Website")) + "</a>"
            textFormat: Text.StyledText
            font.pixelSize: 13
            onLinkActivated: link => Qt.openUrlExternally(link)
        }
        AboutText {
            objectName: "makerLink"
            visible: page.makerUrl.length > 0
            text: "<a href=\"" + page.attribute(page.makerUrl) + "\">" + page.attribute(qsTr("Explore More Quillfen")) + "</a>"
            textFormat: Text.StyledText
            font.pixelSize: 13
            onLinkActivated: link => Qt.openUrlExternally(link)
        }
        AboutText {
            objectName: "contact"
            visible: page.contact.length > 0
            text: page.contact
            font.pixelSize: 13
            color: Theme.secondary
        }
        AboutText {
            objectName: "finePrint"
            visible: page.finePrint.length > 0
            text: page.finePrint
            font.pixelSize: 10
            color: Theme.tertiary
        }
    }
}
