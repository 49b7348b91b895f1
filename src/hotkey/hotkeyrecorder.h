#pragma once

#include <QObject>
#include <QString>
#include <qqmlintegration.h>

class QKeyEvent;

/// The state behind the shortcut recorder field: resting, it shows the shortcut; a
/// click starts recording; the next key press made with Shift, Ctrl, Alt or Super is
/// reported as key code, modifier flags and key text, and the field rests again.
/// Presses without one of those modifiers, and modifier keys alone, are ignored; a key
/// that cannot make a shortcut says so in the field.
class HotkeyRecorder : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    /// Waiting for a shortcut.
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    /// Whether a recording has ended since the field was made (the text then takes the
    /// label colour).
    Q_PROPERTY(bool hasRecorded READ hasRecorded NOTIFY isRecordingChanged)
    /// What the field shows: the shortcut, "Press shortcut..." while recording (or why a
    /// key cannot be used), or empty.
    Q_PROPERTY(QString text READ text NOTIFY textChanged)
    /// Shown when the text is empty.
    Q_PROPERTY(QString placeholderText READ placeholderText CONSTANT)

public:
    explicit HotkeyRecorder(QObject *parent = nullptr);

    [[nodiscard]] bool isRecording() const { return m_isRecording; }
    [[nodiscard]] bool hasRecorded() const { return m_hasRecorded; }
    [[nodiscard]] QString text() const { return m_text; }
    [[nodiscard]] QString placeholderText() const;

    /// A click in the field: starts recording, also when it already records.
    Q_INVOKABLE void startRecording();
    /// Takes the key presses that reach `field` (the control showing the recorder).
    Q_INVOKABLE void watch(QObject *field);
    /// A key press in the field; true when it was taken, which it is while recording.
    bool handleKeyPress(const QKeyEvent &event);
    /// Shows the given shortcut, unless recording.
    Q_INVOKABLE void updateDisplay(qint64 keyCode, qint64 modifiers, const QString &keyChar);

Q_SIGNALS:
    void isRecordingChanged();
    void textChanged();
    /// A shortcut was recorded.
    void shortcutRecorded(qint64 keyCode, qint64 modifiers, const QString &keyChar);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setText(const QString &text);

    bool m_isRecording = false;
    bool m_hasRecorded = false;
    QString m_text;
};
