#include "history/rowhover.h"

namespace {
Scheduler *rowScheduler = nullptr;
} // namespace

RowHover::RowHover(QObject *parent)
    : QObject(parent)
{
}

void RowHover::setScheduler(Scheduler *scheduler)
{
    rowScheduler = scheduler;
}

void RowHover::rowEntered()
{
    m_isHovered = true;
    m_dismissTimer.cancel();
    if (!m_showPopover && rowScheduler) {
        m_hoverTimer.cancel();
        m_hoverTimer = rowScheduler->after(openDelay, this, [this] {
            m_showPopover = true;
            Q_EMIT changed();
        });
    }
    Q_EMIT changed();
}

void RowHover::rowExited()
{
    m_isHovered = false;
    m_hoverTimer.cancel();
    scheduleDismiss();
    Q_EMIT changed();
}

void RowHover::popoverEntered()
{
    m_isPopoverHovered = true;
    m_dismissTimer.cancel();
    Q_EMIT changed();
}

void RowHover::popoverExited()
{
    m_isPopoverHovered = false;
    scheduleDismiss();
    Q_EMIT changed();
}

void RowHover::scheduleDismiss()
{
    m_dismissTimer.cancel();
    if (!rowScheduler)
        return;
    m_dismissTimer = rowScheduler->after(closeDelay, this, [this] {
        if (!m_isHovered && !m_isPopoverHovered && m_showPopover) {
            m_showPopover = false;
            Q_EMIT changed();
        }
    });
}
