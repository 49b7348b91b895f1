#include "history/clipboardrefill.h"

#include "capture/clipboardmonitor.h"
#include "platform/pasteboard.h"
#include "history/pasteback.h"
#include "store/historystore.h"

ClipboardRefill::ClipboardRefill(Pasteboard *pasteboard, ClipboardMonitor *monitor, ModelContext *context,
                                 QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
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
    // A large item is read from the store first; a copy made meanwhile by someone else
    // must stay on the clipboard, so the check comes right before the write.
    (void)newest->content();
    (void)newest->richTextData();
    if (m_pasteboard->hasIncomingChange())
        return;
    // Not recorded: the monitor adopts the count that includes this write. It resumes at
    // once, since nothing of this write comes back later, so that a copy made right
    // after is recorded; a pause that another writer began is left to that writer.
    const bool wasPaused = m_monitor && m_monitor->isPaused();
    if (m_monitor)
        m_monitor->setIsPaused(true);
    writeItemToPasteboard(*m_pasteboard, *newest);
    if (m_monitor && !wasPaused)
        m_monitor->resumeMonitoring();
}
