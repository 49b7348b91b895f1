#pragma once

#include <chrono>
#include <functional>
#include <memory>

class QObject;

/// A handle to a task given to a Scheduler. Copies share the same task; a
/// default-constructed handle refers to no task and is never active.
class ScheduledTask
{
public:
    /// The scheduler-side state behind a handle; each Scheduler implements it.
    class Control
    {
    public:
        virtual ~Control() = default;
        /// Stops the task for good; safe to call from inside the task.
        virtual void cancel() = 0;
        /// Whether the task may still run.
        [[nodiscard]] virtual bool isActive() const = 0;
    };

    ScheduledTask() = default;
    /// Wraps the scheduler's control for one task.
    explicit ScheduledTask(std::shared_ptr<Control> control);

    /// Stops the task: a pending one-shot never runs, a repeating task runs no more.
    /// Does nothing on an inactive handle; safe to call from inside the task itself.
    void cancel();

    /// True while a one-shot has neither run nor been cancelled, or while a
    /// repeating task has not been cancelled; false once the context is destroyed.
    [[nodiscard]] bool isActive() const;

private:
    std::shared_ptr<Control> m_control;
};

/// The one source of timers and delayed work. The application uses QtScheduler;
/// tests use ManualScheduler, which runs on virtual time.
///
/// A scheduler and its tasks belong to one thread: schedule, cancel and receive
/// tasks on the scheduler's thread, with context objects living on that thread.
class Scheduler
{
public:
    using Task = std::function<void()>;

    virtual ~Scheduler();

    /// Runs @p task once, @p delay from now. A zero delay runs it as soon as the
    /// scheduler gets to it, never synchronously inside this call. The task is
    /// dropped when @p context (if not null) is destroyed first.
    virtual ScheduledTask after(std::chrono::milliseconds delay, const QObject *context, Task task) = 0;

    /// Runs @p task every @p interval (which must be positive), first one
    /// interval from now, until cancelled or until @p context (if not null) is destroyed.
    virtual ScheduledTask every(std::chrono::milliseconds interval, const QObject *context, Task task) = 0;
};

/// The scheduler of objects that QML creates, which cannot be handed one: set once by
/// whoever builds the views (the application's, or a test's virtual clock).
void setViewScheduler(Scheduler *scheduler);
/// The scheduler set by setViewScheduler(), or null.
[[nodiscard]] Scheduler *viewScheduler();
