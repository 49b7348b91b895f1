#pragma once

class Preferences;

/// Registers the application's six preference defaults (history limit, launch at
/// login, auto-clear option, shortcut key code and modifiers, onboarding shown).
/// Called first thing at launch, before anything reads a preference.
void registerPreferenceDefaults(Preferences &preferences);

#include <QList>
#include <QString>
#include <QtGlobal>

/// The history sizes the settings offer; no other limit is honoured.
inline const QList<qint64> historyLimitChoices{50, 100, 200, 500};

/// The stored history limit when it is one of historyLimitChoices, else the registered
/// default, with a warning in the log: a hand-edited "0" must not delete the history.
[[nodiscard]] qint64 storedHistoryLimit(const Preferences &preferences);

/// The stored auto-clear option when it is one of the four, else the registered default
/// ("never"), with a warning in the log.
[[nodiscard]] QString storedAutoClearOption(const Preferences &preferences);
