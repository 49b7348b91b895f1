#include "hotkey/shortcuttext.h"

#include "platform/keycodes.h"

using namespace Qt::StringLiterals;

QString ShortcutText::display(qint64 modifiers, const QString &keyText) const
{
    return shortcutDisplayString(modifiers, keyText);
}

QString shortcutDisplayString(qint64 modifiers, const QString &keyText)
{
    if (keyText.isEmpty())
        return {};
    QString text;
    if (modifiers & ModifierFlag::control)
        text += u"⌃"_s;
    if (modifiers & ModifierFlag::option)
        text += u"⌥"_s;
    if (modifiers & ModifierFlag::shift)
        text += u"⇧"_s;
    if (modifiers & ModifierFlag::command)
        text += u"⌘"_s;
    return text + keyText;
}
