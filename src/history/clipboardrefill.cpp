#include "history/clipboardrefill.h"

#include "capture/clipboardmonitor.h"
#include "capture/pasteboard.h"
#include "history/pasteback.h"
#include "store/historystore.h"

ClipboardRefill::ClipboardRefill(Pasteboard *pasteboard, Scheduler *scheduler, ClipboardMonitor *monitor,
                                 ModelContext *context, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_scheduler(scheduler)
    , m_monitor(monitor)
    , m_context(context)
{
    connect(m_pasteboard, &Pasteboard::emptiedByOwnerExit, this, &ClipboardRefill::refill);
}

void ClipboardRefill::refill()
{
    if (!m_context)
        return;
    const ClipItemPtr newest = fetchNewestItem(*m_context);
    if (!newest)
        return;
    // Written like a copy back, but the item keeps its place in the history.
    if (m_monitor)
        m_monitor->setIsPaused(true);
    writeItemToPasteboard(*m_pasteboard, *newest);
    m_scheduler->after(resumeDelay, this, [this] {
        if (m_monitor)
            m_monitor->resumeMonitoring();
    });
}
