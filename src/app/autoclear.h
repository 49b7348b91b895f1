#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

/// Whole days from `from` to `to` on the local calendar: a day counts once the same
/// local time of day comes round again (so across a change to or from daylight saving
/// time a day is 23 or 25 hours). Negative when `to` comes first.
[[nodiscard]] qint64 wholeDaysBetween(const QDateTime &from, const QDateTime &to);

/// Whether the launch-time clearing runs: "daily" after at least one whole day since the
/// last check, "weekly" after seven; never for other options or without a last check.
[[nodiscard]] bool isLaunchClearDue(const QString &option, const std::optional<QDateTime> &lastCheck,
                                    const QDateTime &now);

class Preferences;
class SettingsViewModel;

/// Clears the unpinned history when "autoClearOption" asks for it: at launch once a
/// whole day ("daily") or seven ("weekly") have passed since the last launch check, and
/// at termination ("onQuit"). A clearing that cannot be saved is logged; the history
/// then stays as it was.
class AutoClear
{
public:
    AutoClear(Preferences *preferences, SettingsViewModel *settings);

    /// The launch check: clears when due, and dates the check `now` while the option
    /// is "daily" or "weekly".
    void runLaunchCheck(const QDateTime &now = QDateTime::currentDateTime());
    /// The termination check: clears when the option is "onQuit".
    void runQuitCheck();

private:
    void clear();

    Preferences *m_preferences;
    SettingsViewModel *m_settings;
};
