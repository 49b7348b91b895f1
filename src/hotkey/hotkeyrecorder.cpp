#include "hotkey/hotkeyrecorder.h"

#include "hotkey/keyevents.h"
#include "hotkey/shortcuttext.h"
#include "platform/keycodes.h"

#include <QKeyEvent>
#include <QKeySequence>

using namespace Qt::StringLiterals;

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift: case Qt::Key_Control: case Qt::Key_Alt: case Qt::Key_Meta: case Qt::Key_AltGr:
    case Qt::Key_Super_L: case Qt::Key_Super_R: case Qt::Key_Hyper_L: case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock: case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// The key's text as the key itself types it, upper-cased; keys that type nothing
// (F5, Home) are shown by name.
QString keyText(int key)
{
    if (key == Qt::Key_Space)
        return u" "_s;
    if (key > Qt::Key_Space && key <= 0xff)
        return QString(QChar(char16_t(key))).toUpper();
    return QKeySequence(key).toString(QKeySequence::NativeText);
}

} // namespace

HotkeyRecorder::HotkeyRecorder(QObject *parent)
    : QObject(parent)
{
}

QString HotkeyRecorder::placeholderText() const
{
    return tr("Click to record shortcut");
}

void HotkeyRecorder::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    Q_EMIT textChanged();
}

void HotkeyRecorder::startRecording()
{
    if (!m_isRecording) {
        m_isRecording = true;
        Q_EMIT isRecordingChanged();
    }
    setText(tr("Press shortcut..."));
}

void HotkeyRecorder::watch(QObject *field)
{
    if (field)
        field->installEventFilter(this);
}

bool HotkeyRecorder::eventFilter(QObject *watched, QEvent *event)
{
    Q_UNUSED(watched)
    if (!m_isRecording)
        return false;
    // While recording, every key belongs to the recorder, application shortcuts included.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::KeyPress)
        return handleKeyPress(*static_cast<QKeyEvent *>(event));
    return false;
}

bool HotkeyRecorder::handleKeyPress(const QKeyEvent &event)
{
    if (!m_isRecording)
        return false;
    const qint64 flags = modifierFlagsForKeyEvent(event) & ModifierFlag::deviceIndependentMask;
    // Modifier keys alone, and keys without a modifier that makes a shortcut, are
    // swallowed: recording goes on.
    if (isModifierKey(event.key()) || !(flags & ModifierFlag::shortcutModifiers))
        return true;
    const std::optional<qint64> keyCode = keyCodeForKeyEvent(event);
    if (!keyCode) {
        // A key with no place on the keyboard jotterly knows: say so, and go on recording.
        setText(tr("Key can't be used"));
        return true;
    }
    m_isRecording = false;
    m_hasRecorded = true;
    Q_EMIT isRecordingChanged();
    Q_EMIT shortcutRecorded(*keyCode, flags, keyText(event.key()));
    return true;
}

void HotkeyRecorder::updateDisplay(qint64 keyCode, qint64 modifiers, const QString &keyChar)
{
    if (m_isRecording)
        return;
    setText(keyCode >= 0 && !keyChar.isEmpty() ? shortcutDisplayString(modifiers, keyChar) : QString());
}
