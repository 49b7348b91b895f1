#include "settings/preferencedefaults.h"

#include "settings/preferencekeys.h"
#include "settings/preferences.h"

#include <QDebug>

void registerPreferenceDefaults(Preferences &preferences)
{
    // The update controller registers its own key when it is created.
    preferences.registerDefaults({
        {PreferenceKeys::historyLimit, 100},
        {PreferenceKeys::launchAtLogin, true},
        {PreferenceKeys::autoClearOption, AutoClearOption::never},
        {PreferenceKeys::shortcutKeyCode, 9}, // V
        {PreferenceKeys::shortcutModifiers, ShortcutModifier::option | ShortcutModifier::shift},
        {PreferenceKeys::onboardingShown, false},
    });
}

namespace {

// A value outside the offered set reads as the default, and the log says which key.
template<typename T>
T offeredOrDefault(const Preferences &preferences, const QString &key, const T &stored, const QList<T> &offered,
                   const T &fallback)
{
    if (offered.contains(stored))
        return stored;
    const QVariant registered = preferences.registeredDefaults().value(key);
    const T value = registered.isValid() ? registered.value<T>() : fallback;
    qWarning().noquote().nospace() << "jotterly: the setting " << key << " = " << preferences.rawText(key)
                                   << " in " << preferences.filePath() << " is not one jotterly offers; using "
                                   << QVariant(value).toString();
    return value;
}

} // namespace

qint64 storedHistoryLimit(const Preferences &preferences)
{
    return offeredOrDefault<qint64>(preferences, PreferenceKeys::historyLimit,
                                    preferences.integer(PreferenceKeys::historyLimit), historyLimitChoices, 100);
}

QString storedAutoClearOption(const Preferences &preferences)
{
    static const QList<QString> options{AutoClearOption::never, AutoClearOption::onQuit, AutoClearOption::daily,
                                        AutoClearOption::weekly};
    return offeredOrDefault<QString>(preferences, PreferenceKeys::autoClearOption,
                                     preferences.string(PreferenceKeys::autoClearOption), options,
                                     AutoClearOption::never);
}
