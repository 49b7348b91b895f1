#include "capture/clipboardmonitor.h"

#include "capture/capturesteps.h"
#include "capture/imagecapture.h"
#include "platform/pasteboard.h"
#include "platform/workspace.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/historystore.h"

#include <algorithm>

ClipboardMonitor::ClipboardMonitor(Pasteboard *pasteboard, Scheduler *scheduler, Preferences *preferences,
                                   Workspace *workspace, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_scheduler(scheduler)
    , m_preferences(preferences)
    , m_workspace(workspace)
{
    // Check at once when a change is announced: a second copy right after cannot hide
    // the first, and there is no timer to wake up for.
    connect(m_pasteboard, &Pasteboard::changed, this, [this] {
        if (m_isMonitoring)
            scheduleCheck();
    });
}

ClipboardMonitor::~ClipboardMonitor() = default;

ModelContext *ClipboardMonitor::modelContext() const
{
    return m_modelContext;
}

void ClipboardMonitor::setIsPaused(bool paused)
{
    if (m_isPaused == paused)
        return;
    m_isPaused = paused;
    Q_EMIT isPausedChanged();
}

void ClipboardMonitor::setHistoryLimit(qint64 limit)
{
    if (limit < 0 || m_historyLimit == limit)
        return;
    m_historyLimit = limit;
    Q_EMIT historyLimitChanged();
}

void ClipboardMonitor::setModelContext(ModelContext *context)
{
    m_modelContext = context;
}

void ClipboardMonitor::setLastChangeCount(qint64 count)
{
    if (m_lastChangeCount == count)
        return;
    m_lastChangeCount = count;
    Q_EMIT lastChangeCountChanged();
}

void ClipboardMonitor::startMonitoring()
{
    if (m_isMonitoring)
        return;
    setLastChangeCount(m_pasteboard->changeCount());
    m_isMonitoring = true;
    Q_EMIT isMonitoringChanged();
    // Only a pasteboard that keeps its changes to itself is polled. Each tick only
    // enqueues a check: the check never runs inside the timer callback.
    if (!m_pasteboard->reportsChanges())
        m_timer = m_scheduler->every(pollingInterval, this, [this] { scheduleCheck(); });
}

void ClipboardMonitor::stopMonitoring()
{
    m_timer.cancel();
    m_timer = {};
    if (m_isMonitoring) {
        m_isMonitoring = false;
        Q_EMIT isMonitoringChanged();
    }
}

void ClipboardMonitor::resumeMonitoring()
{
    setIsPaused(false);
    // Skips our own writes made during the pause, but not a copy another application
    // made after them: that one is still checked. Without that knowledge, everything
    // up to now is taken as ours.
    const qint64 ownWrite = m_pasteboard->ownWriteChangeCount();
    if (ownWrite < 0) {
        setLastChangeCount(m_pasteboard->changeCount());
        return;
    }
    setLastChangeCount(std::max(m_lastChangeCount, ownWrite));
    if (m_isMonitoring && m_pasteboard->changeCount() != m_lastChangeCount)
        scheduleCheck();
}

void ClipboardMonitor::scheduleCheck()
{
    m_scheduler->after(std::chrono::milliseconds(0), this, [this] {
        if (m_isMonitoring)
            checkForChanges();
    });
}

void ClipboardMonitor::checkForChanges()
{
    if (m_isPaused)
        return;
    const qint64 count = m_pasteboard->changeCount();
    if (count == m_lastChangeCount)
        return;
    // Adopted before the exclusion test: a skipped change stays skipped.
    setLastChangeCount(count);
    if (isFrontmostAppExcluded())
        return;
    processPasteboard();
}

bool ClipboardMonitor::isFrontmostAppExcluded() const
{
    const std::optional<QString> appID = m_workspace->frontmostApplicationID();
    if (!appID || appID->isEmpty())
        return false;
    return m_preferences->stringList(PreferenceKeys::excludedAppBundleIDs).contains(*appID, Qt::CaseSensitive);
}

void ClipboardMonitor::processPasteboard()
{
    if (!m_modelContext)
        return;
    ClipItemPtr item = captureImage(*m_pasteboard, this);
    if (!item)
        item = captureFileURL(*m_pasteboard);
    if (!item)
        item = captureURL(*m_pasteboard);
    if (!item)
        item = captureText(*m_pasteboard);
    // The item shares what it took; the clipboard need not keep a second hold on it.
    m_pasteboard->releaseLargeContent();
    if (item)
        saveCapturedItem(item, *m_modelContext);
}

void ClipboardMonitor::saveCapturedItem(const ClipItemPtr &item, ModelContext &context)
{
    // The store's writer hashes, compares with the newest item, inserts, trims and
    // commits off this thread, copies in the order they came; the item is announced
    // once it is in the file.
    const QPointer<ClipboardMonitor> self(this);
    if (context.recordInBackground(item, m_historyLimit, [self, item](const QString &saveError) {
            if (!self)
                return;
            Q_EMIT self->itemStored(item->contentHash(), saveError);
            self->notifyNewItem();
        }))
        return;

    // While saving fails, copies wait in memory with the changes before them.
    if (item->contentHash().isEmpty())
        item->setContentHash(computeContentHash(item->contentType(), item->content()));
    // A failed look-up counts as an empty store.
    const ClipItemPtr newest = fetchNewestItem(context);
    if (newest && newest->contentHash() == item->contentHash())
        return;
    context.insert(item);
    // A failure leaves the item pending: the next save that succeeds writes it.
    const SaveResult saved = context.save();
    trimHistory(context, m_historyLimit);
    Q_EMIT itemStored(item->contentHash(), saved.error);
    notifyNewItem();
}

void ClipboardMonitor::notifyNewItem()
{
    Q_EMIT historyChanged();
}
