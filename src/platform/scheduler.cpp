#include "platform/scheduler.h"

#include <utility>

ScheduledTask::ScheduledTask(std::shared_ptr<Control> control)
    : m_control(std::move(control))
{
}

void ScheduledTask::cancel()
{
    if (m_control) {
        m_control->cancel();
    }
}

bool ScheduledTask::isActive() const
{
    return m_control && m_control->isActive();
}

Scheduler::~Scheduler() = default;

namespace {
Scheduler *currentViewScheduler = nullptr;
} // namespace

void setViewScheduler(Scheduler *scheduler)
{
    currentViewScheduler = scheduler;
}

Scheduler *viewScheduler()
{
    return currentViewScheduler;
}
