#pragma once

#include "platform/scheduler.h"

#include <QObject>

/// The application's scheduler: one QTimer per task, owned by the scheduler and
/// living on its thread.
class QtScheduler : public QObject, public Scheduler
{
    Q_OBJECT

public:
    /// Creates a scheduler on the current thread.
    explicit QtScheduler(QObject *parent = nullptr);
    ~QtScheduler() override;

    /// One-shot task on a precise timer; see Scheduler::after().
    ScheduledTask after(std::chrono::milliseconds delay, const QObject *context, Task task) override;
    /// Repeating task on a coarse timer; see Scheduler::every().
    ScheduledTask every(std::chrono::milliseconds interval, const QObject *context, Task task) override;

private:
    ScheduledTask schedule(std::chrono::milliseconds interval, bool repeating, const QObject *context, Task task);
};
