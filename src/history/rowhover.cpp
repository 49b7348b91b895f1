#include "history/rowhover.h"

RowHover::RowHover(QObject *parent)
    : QObject(parent)
{
}

void RowHover::rowEntered()
{
    m_isHovered = true;
    m_dismissTimer.cancel();
    if (Scheduler *scheduler = viewScheduler(); !m_showPopover && scheduler) {
        m_hoverTimer.cancel();
        m_hoverTimer = scheduler->after(openDelay, this, [this] {
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
    Scheduler *scheduler = viewScheduler();
    if (!scheduler)
        return;
    m_dismissTimer = scheduler->after(closeDelay, this, [this] {
        if (!m_isHovered && !m_isPopoverHovered && m_showPopover) {
            m_showPopover = false;
            Q_EMIT changed();
        }
    });
}
