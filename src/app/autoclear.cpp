#include "app/autoclear.h"

#include "settings/preferencekeys.h"

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
