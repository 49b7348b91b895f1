#include "app/autoclear.h"

#include "app/logging.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "settings/settingsviewmodel.h"

qint64 wholeDaysBetween(const QDateTime &from, const QDateTime &to)
{
    const QDateTime start = from.toLocalTime();
    const QDateTime end = to.toLocalTime();
    qint64 days = start.date().daysTo(end.date());
    // The last day counts only once its time of day has come round.
    if (days > 0 && start.addDays(days) > end)
        --days;
    else if (days < 0 && start.addDays(days) < end)
        ++days;
    return days;
}

bool isLaunchClearDue(const QString &option, const std::optional<QDateTime> &lastCheck, const QDateTime &now)
{
    if (!lastCheck)
        return false;
    const qint64 days = wholeDaysBetween(*lastCheck, now);
    if (option == AutoClearOption::daily)
        return days >= 1;
    if (option == AutoClearOption::weekly)
        return days >= 7;
    return false;
}

AutoClear::AutoClear(Preferences *preferences, SettingsViewModel *settings)
    : m_preferences(preferences)
    , m_settings(settings)
{
}

void AutoClear::runLaunchCheck(const QDateTime &now)
{
    const QString option = storedAutoClearOption(*m_preferences);
    if (option != AutoClearOption::daily && option != AutoClearOption::weekly)
        return;
    if (isLaunchClearDue(option, m_preferences->date(PreferenceKeys::lastAutoClearDate), now)) {
        qCDebug(lcApp) << "clearing the history:" << option;
        clear();
    }
    m_preferences->setDate(PreferenceKeys::lastAutoClearDate, now);
}

void AutoClear::runQuitCheck()
{
    if (storedAutoClearOption(*m_preferences) != AutoClearOption::onQuit)
        return;
    qCDebug(lcApp) << "clearing the history on quit";
    clear();
}

void AutoClear::clear()
{
    if (!m_settings->clearAllHistory())
        qCWarning(lcApp).noquote() << m_settings->clearError();
}
