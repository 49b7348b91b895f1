#pragma once

#include <QObject>
#include <qqmlintegration.h>

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
