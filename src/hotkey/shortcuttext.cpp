#include "hotkey/shortcuttext.h"

#include "hotkey/keycodes.h"

QString ShortcutText::display(qint64 modifiers, const QString &keyText) const
{
    return shortcutDisplayString(modifiers, keyText);
}
