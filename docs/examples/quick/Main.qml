// Two pictures and the transition between them: the slider scrubs through
// it, Play runs it in `duration` milliseconds, the box chooses the
// operation.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Tweenery

ApplicationWindow {
    id: window
    property alias progress: transition.progress
    property alias operation: transition.operation
    property string note

    visible: true
    title: qsTr("Transition")
    width: layout.implicitWidth + 24
    height: layout.implicitHeight + 24

    ColumnLayout {
        id: layout
        anchors.fill: parent
        anchors.margins: 12
        spacing: 8

        RowLayout {
            spacing: 8
            Image { source: "qrc:/pictures/From.bmp"; Layout.preferredWidth: 211; Layout.preferredHeight: 72 }
            Label { text: "\u2192" }
            Image { source: "qrc:/pictures/To.bmp"; Layout.preferredWidth: 211; Layout.preferredHeight: 72 }
        }

        TweeneryItem {
            id: transition
            from: "qrc:/pictures/From.bmp"
            to: "qrc:/pictures/To.bmp"
            modifier: "down"
            duration: 1500
            easing.type: Easing.InOutCubic
            onErrorOccurred: (message) => window.note = message
            onFinished: window.note = qsTr("done")
        }

        RowLayout {
            spacing: 8
            ComboBox {
                model: transition.operations
                currentIndex: model.indexOf(transition.operation)
                onActivated: transition.operation = currentText
            }
            Button {
                text: transition.running ? qsTr("Stop") : qsTr("Play")
                onClicked: transition.running ? transition.stop() : transition.play()
            }
            Slider {
                id: slider
                Layout.fillWidth: true
                value: transition.progress
                onMoved: transition.progress = value
            }
        }

        Label {
            text: qsTr("%1 at %2 %%3").arg(transition.operation).arg(Math.round(transition.progress * 100))
                  .arg(window.note ? " (" + window.note + ")" : "")
        }
    }
}
