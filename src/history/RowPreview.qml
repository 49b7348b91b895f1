pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import Jotterly.Components
import Jotterly.History

// What the row's preview shows: the whole content and a few facts.
Column {
    id: preview

    property ClipItem item: null
    readonly property bool isImage: RowFormat.isImage(item)
    readonly property string text: isImage ? "" : RowFormat.fullText(item)
    readonly property bool isLong: !isImage && RowFormat.isLongText(text)
    // A picture is decoded away from the panel; until then the size is not known.
    readonly property bool ready: !isImage || picture.status === Image.Ready || picture.status === Image.Error

    spacing: 8

    Image {
        id: picture
        visible: preview.isImage && status === Image.Ready
        source: preview.isImage ? ClipImages.picture(preview.item) : ""
        sourceSize.width: 500
        sourceSize.height: 500
        fillMode: Image.PreserveAspectFit
        asynchronous: true
        // The provider keeps the last preview itself and must see every request, so that
        // the picture's bytes handed to it are dropped even when nothing is decoded.
        cache: false
    }

    TextEdit {
        visible: !preview.isImage && !preview.isLong
        width: Math.min(implicitWidth, 280)
        text: visible ? preview.text : ""
        readOnly: true
        selectByMouse: true
        wrapMode: TextEdit.Wrap
        textFormat: TextEdit.PlainText
        font.pixelSize: 12
        color: Theme.primary
    }

    ScrollView {
        visible: preview.isLong
        width: 420
        height: 400
        ScrollBar.vertical.policy: ScrollBar.AlwaysOn
        TextArea {
            text: preview.isLong ? preview.text : ""
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.Wrap
            textFormat: TextEdit.PlainText
            font.pixelSize: 12
            color: Theme.primary
            background: null
        }
    }

    Rectangle {
        width: parent.width
        height: 1
        color: Theme.alpha(Theme.primary, 0.1)
    }

    Column {
        spacing: 4
        Repeater {
            model: [
                [qsTr("Type"), RowFormat.type(preview.item)],
                [qsTr("Copied"), RowFormat.copied(preview.item)],
            ].concat(preview.item && preview.item.isPinned ? [[qsTr("Pinned"), qsTr("Yes")]] : [])
             .concat(preview.isImage ? [[qsTr("Size"), RowFormat.size(preview.item)]] : [])
            Row {
                id: fact
                required property var modelData
                spacing: 4
                Text {
                    text: qsTr("%1:").arg(fact.modelData[0])
                    font.pixelSize: 11
                    color: Theme.secondary
                }
                Text {
                    text: fact.modelData[1]
                    font.pixelSize: 11
                    color: Theme.primary
                }
            }
        }
    }
}
