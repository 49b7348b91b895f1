#pragma once

#include <QObject>
#include <QString>
#include <qqmlintegration.h>

/// The shortcut as shown to the user: ⌃ ⌥ ⇧ ⌘ for the modifiers that are set, in that
/// order, then the key text. Empty when the key text is.
[[nodiscard]] QString shortcutDisplayString(qint64 modifiers, const QString &keyText);

/// shortcutDisplayString() for QML.
class ShortcutText : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    /// ⌃ ⌥ ⇧ ⌘ for the modifiers that are set, then the key text.
    Q_INVOKABLE QString display(qint64 modifiers, const QString &keyText) const;
};
