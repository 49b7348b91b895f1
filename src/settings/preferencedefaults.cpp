#include "settings/preferencedefaults.h"

#include "settings/preferencekeys.h"
#include "settings/preferences.h"

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
