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
