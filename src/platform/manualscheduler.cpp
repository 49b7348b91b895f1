#include "platform/manualscheduler.h"

#include <QObject>
#include <QPointer>

#include <algorithm>
#include <tuple>
#include <utility>

using namespace std::chrono_literals;

class ManualScheduler::Entry final : public ScheduledTask::Control
{
public:
    void cancel() override
    {
        m_finished = true;
    }

    [[nodiscard]] bool isActive() const override
    {
        return !m_finished && (!m_hasContext || m_context);
    }

    std::chrono::milliseconds m_due{0};
    std::chrono::milliseconds m_interval{0}; // zero for a one-shot
    quint64 m_sequence = 0;
    QPointer<const QObject> m_context;
    bool m_hasContext = false;
    bool m_finished = false;
    Task m_task;
};

ManualScheduler::ManualScheduler() = default;

ManualScheduler::~ManualScheduler() = default;

ScheduledTask ManualScheduler::after(std::chrono::milliseconds delay, const QObject *context, Task task)
{
    return schedule(std::max(delay, 0ms), 0ms, context, std::move(task));
}

ScheduledTask ManualScheduler::every(std::chrono::milliseconds interval, const QObject *context, Task task)
{
    Q_ASSERT(interval > 0ms);
    // A zero interval would make advance() loop forever.
    const auto positive = std::max(interval, 1ms);
    return schedule(positive, positive, context, std::move(task));
}

ScheduledTask ManualScheduler::schedule(std::chrono::milliseconds delay, std::chrono::milliseconds interval, const QObject *context, Task task)
{
    auto entry = std::make_shared<Entry>();
    entry->m_due = m_now + delay;
    entry->m_interval = interval;
    entry->m_sequence = m_nextSequence++;
    entry->m_context = context;
    entry->m_hasContext = context != nullptr;
    entry->m_task = std::move(task);
    m_entries.push_back(entry);
    return ScheduledTask(std::move(entry));
}

void ManualScheduler::advance(std::chrono::milliseconds duration)
{
    Q_ASSERT(duration >= 0ms);
    const auto end = m_now + std::max(duration, 0ms);
    runUntil(end);
    m_now = end;
}

void ManualScheduler::runPending()
{
    runUntil(m_now);
}

std::chrono::milliseconds ManualScheduler::now() const
{
    return m_now;
}

void ManualScheduler::runUntil(std::chrono::milliseconds end)
{
    for (;;) {
        dropInactive();
        // A linear search is plenty for the handful of tasks a test schedules, and it
        // stays correct while tasks add and cancel entries.
        const auto next = std::min_element(m_entries.cbegin(), m_entries.cend(), [](const auto &a, const auto &b) {
            return std::tie(a->m_due, a->m_sequence) < std::tie(b->m_due, b->m_sequence);
        });
        if (next == m_entries.cend() || (*next)->m_due > end) {
            return;
        }

        // Hold the entry: the task may cancel it or schedule others, which can reallocate the list.
        const std::shared_ptr<Entry> entry = *next;
        m_now = entry->m_due;
        if (entry->m_interval > 0ms) {
            entry->m_due += entry->m_interval;
            entry->m_sequence = m_nextSequence++;
            entry->m_task();
        } else {
            entry->m_finished = true;
            const Task task = std::move(entry->m_task);
            task();
        }
    }
}

void ManualScheduler::dropInactive()
{
    std::erase_if(m_entries, [](const auto &entry) {
        if (entry->isActive()) {
            return false;
        }
        entry->m_task = nullptr; // release what the task captured; handles may outlive it
        return true;
    });
}
