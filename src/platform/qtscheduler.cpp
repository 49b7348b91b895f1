#include "platform/qtscheduler.h"

#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace
{

class TimerControl final : public ScheduledTask::Control
{
public:
    explicit TimerControl(QTimer *timer)
        : m_timer(timer)
    {
    }

    void cancel() override
    {
        m_finished = true;
        if (m_timer) {
            m_timer->stop();
            // deleteLater, not delete: the task may be cancelling itself from the timer's signal.
            m_timer->deleteLater();
            m_timer = nullptr;
        }
    }

    [[nodiscard]] bool isActive() const override
    {
        return !m_finished && m_timer;
    }

private:
    QPointer<QTimer> m_timer;
    bool m_finished = false;
};

} // namespace

QtScheduler::QtScheduler(QObject *parent)
    : QObject(parent)
{
}

QtScheduler::~QtScheduler() = default;

ScheduledTask QtScheduler::after(std::chrono::milliseconds delay, const QObject *context, Task task)
{
    return schedule(std::max(delay, std::chrono::milliseconds::zero()), false, context, std::move(task));
}

ScheduledTask QtScheduler::every(std::chrono::milliseconds interval, const QObject *context, Task task)
{
    Q_ASSERT(interval > std::chrono::milliseconds::zero());
    return schedule(std::max(interval, std::chrono::milliseconds(1)), true, context, std::move(task));
}

ScheduledTask QtScheduler::schedule(std::chrono::milliseconds interval, bool repeating, const QObject *context, Task task)
{
    Q_ASSERT(QThread::currentThread() == thread());
    Q_ASSERT(!context || context->thread() == thread());

    auto *timer = new QTimer(this);
    timer->setSingleShot(!repeating);
    timer->setInterval(interval);
    // One-shots are the short user-facing delays (debounce, resuming the monitor), so
    // they fire on time; repeating tasks such as the 0.5 s clipboard poll run for the
    // whole session, where a coarse timer lets the system batch wake-ups for a few
    // percent of jitter that nobody can notice.
    timer->setTimerType(repeating ? Qt::CoarseTimer : Qt::PreciseTimer);

    // The connections share the control with the handle, so a task runs even when the
    // caller drops its handle; both connections go away with the timer.
    auto control = std::make_shared<TimerControl>(timer);

    if (context) {
        connect(context, &QObject::destroyed, timer, [control] {
            control->cancel();
        });
    }

    // With the context as receiver, Qt drops the call once the context is gone.
    connect(timer, &QTimer::timeout, context ? context : timer, [control, repeating, task = std::move(task)] {
        if (!repeating) {
            control->cancel();
        }
        task();
    });

    timer->start();
    return ScheduledTask(std::move(control));
}
