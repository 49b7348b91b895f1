#pragma once

#include "platform/scheduler.h"

#include <QtGlobal>

#include <chrono>
#include <memory>
#include <vector>

/// A scheduler on virtual time for tests: nothing runs until the test calls
/// advance() or runPending(). The clock starts at zero.
class ManualScheduler final : public Scheduler
{
public:
    ManualScheduler();
    ~ManualScheduler() override;

    ManualScheduler(const ManualScheduler &) = delete;
    ManualScheduler &operator=(const ManualScheduler &) = delete;

    /// Schedules a one-shot at now() + @p delay (negative delays count as zero).
    ScheduledTask after(std::chrono::milliseconds delay, const QObject *context, Task task) override;
    /// Schedules a repeating task, first due at now() + @p interval.
    ScheduledTask every(std::chrono::milliseconds interval, const QObject *context, Task task) override;

    /// Moves the clock forward by @p duration, running every task that falls due on
    /// the way, in due-time order (ties in scheduling order), with now() set to each
    /// task's due time while it runs. Tasks scheduled meanwhile run too if they fall
    /// due within the window. Afterwards now() is the end of the window.
    void advance(std::chrono::milliseconds duration);

    /// Runs what is due at the current time (such as zero-delay tasks), including
    /// zero-delay tasks those tasks schedule, without moving the clock.
    void runPending();

    /// The virtual clock.
    [[nodiscard]] std::chrono::milliseconds now() const;

private:
    class Entry;

    ScheduledTask schedule(std::chrono::milliseconds delay, std::chrono::milliseconds interval, const QObject *context, Task task);
    void runUntil(std::chrono::milliseconds end);
    void dropInactive();

    std::vector<std::shared_ptr<Entry>> m_entries;
    std::chrono::milliseconds m_now{0};
    quint64 m_nextSequence = 0;
};
