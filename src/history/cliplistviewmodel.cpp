#include "history/cliplistviewmodel.h"

#include "capture/clipboardmonitor.h"
#include "history/pasteback.h"
#include "settings/preferencedefaults.h"
#include "settings/preferencekeys.h"
#include "settings/preferences.h"
#include "store/modelcontext.h"

ClipListViewModel::ClipListViewModel(Pasteboard *pasteboard, Scheduler *scheduler, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_scheduler(scheduler)
{
}

QList<ClipItemPtr> ClipListViewModel::displayedItems() const
{
    return m_pinned.items() + m_history.items();
}

void ClipListViewModel::setSearchText(const QString &text)
{
    if (m_searchText == text)
        return;
    m_searchText = text;
    Q_EMIT searchTextChanged();
}

void ClipListViewModel::setHistoryLimit(qint64 limit)
{
    if (m_historyLimit == limit)
        return;
    m_historyLimit = limit;
    Q_EMIT historyLimitChanged();
}

void ClipListViewModel::configure(ModelContext *context, ClipboardMonitor *monitor, const Preferences &preferences)
{
    m_modelContext = context;
    m_clipboardMonitor = monitor;
    setHistoryLimit(storedHistoryLimit(preferences));
    loadItems();
}

void ClipListViewModel::loadItems()
{
    if (!m_modelContext)
        return;
    const QString query = m_searchText.trimmed().toLower();

    FetchDescriptor pinned;
    pinned.isPinned = true;
    QList<ClipItemPtr> pinnedItems = m_modelContext->fetch(pinned).items; // empty when the fetch fails

    FetchDescriptor history;
    history.isPinned = false;
    history.fetchLimit = std::max<qint64>(m_historyLimit, 0);
    QList<ClipItemPtr> historyItems = m_modelContext->fetch(history).items;

    if (!query.isEmpty()) {
        // Only the preview is searched: never the content, never an item without one.
        const auto misses = [&query](const ClipItemPtr &item) {
            const auto preview = item->textPreview();
            return !preview || !preview->toLower().contains(query);
        };
        pinnedItems.removeIf(misses);
        historyItems.removeIf(misses);
    }
    m_pinned.setItems(pinnedItems);
    m_history.setItems(historyItems);
    m_displayed.setItems(pinnedItems + historyItems, pinnedItems.size());
}

void ClipListViewModel::scheduleSearch()
{
    m_searchDebounceTask.cancel();
    m_searchDebounceTask = m_scheduler->after(searchDelay, this, [this] { loadItems(); });
}

void ClipListViewModel::select(const ClipItemPtr &item)
{
    if (m_selectedItemID == item->id())
        return;
    m_selectedItemID = item->id();
    Q_EMIT selectedItemIDChanged();
}

void ClipListViewModel::moveSelectionDown()
{
    moveSelection(+1);
}

void ClipListViewModel::moveSelectionUp()
{
    moveSelection(-1);
}

void ClipListViewModel::moveSelection(int step)
{
    const QList<ClipItemPtr> rows = displayedItems();
    if (rows.isEmpty())
        return;
    const auto it = std::find_if(rows.cbegin(), rows.cend(), [this](const auto &item) { return item->id() == m_selectedItemID; });
    // Without a selection that names a row, Down starts at the top and Up at the bottom;
    // the selection stops at either end.
    if (m_selectedItemID.isNull() || it == rows.cend())
        select(step > 0 ? rows.constFirst() : rows.constLast());
    else
        select(rows.at(std::clamp(qsizetype(it - rows.cbegin()) + step, qsizetype(0), rows.size() - 1)));
}

void ClipListViewModel::copySelectedItem()
{
    if (m_selectedItemID.isNull())
        return;
    for (const ClipItemPtr &item : displayedItems()) {
        if (item->id() == m_selectedItemID) {
            copyToClipboard(item);
            return;
        }
    }
}

void ClipListViewModel::copyItemAtIndex(int index)
{
    const QList<ClipItemPtr> rows = displayedItems();
    if (index >= 0 && index < rows.size())
        copyToClipboard(rows.at(index));
}

void ClipListViewModel::copyToClipboard(const ClipItemPtr &item)
{
    // Paused before the write and resumed only after the delay, adopting the count that
    // includes the write: the monitor never records it.
    if (m_clipboardMonitor)
        m_clipboardMonitor->setIsPaused(true);
    writeItemToPasteboard(*m_pasteboard, *item);
    item->setTimestamp(QDateTime::currentDateTimeUtc());
    (void)save();
    loadItems();
    m_scheduler->after(resumeDelay, this, [this] {
        if (m_clipboardMonitor)
            m_clipboardMonitor->resumeMonitoring();
    });
}

void ClipListViewModel::togglePin(const ClipItemPtr &item)
{
    item->setIsPinned(!item->isPinned());
    (void)save();
    loadItems();
}

void ClipListViewModel::deleteItem(const ClipItemPtr &item)
{
    if (m_modelContext) {
        m_modelContext->remove(item);
        // A deletion that did not reach the file is taken back, so the panel never
        // claims to have deleted what the history still holds.
        if (const SaveResult saved = save(); !saved.ok()) {
            m_modelContext->insert(item);
            setStoreError(tr("The item could not be deleted: %1").arg(saved.error));
        }
    }
    loadItems();
}

SaveResult ClipListViewModel::save()
{
    if (!m_modelContext)
        return {};
    SaveResult saved = m_modelContext->save();
    if (saved.ok())
        setStoreError({});
    else
        setStoreError(tr("Changes could not be saved yet: %1").arg(saved.error));
    return saved;
}

void ClipListViewModel::setStoreError(const QString &error)
{
    if (m_storeError == error)
        return;
    m_storeError = error;
    Q_EMIT storeErrorChanged();
}

void ClipListViewModel::setSelectedForQueue(const QSet<QUuid> &ids)
{
    if (m_selectedForQueue == ids)
        return;
    m_selectedForQueue = ids;
    Q_EMIT selectedForQueueChanged();
}

void ClipListViewModel::toggleQueueSelection(const ClipItemPtr &item)
{
    QSet<QUuid> ids = m_selectedForQueue;
    if (!ids.remove(item->id()))
        ids.insert(item->id());
    setSelectedForQueue(ids);
}

void ClipListViewModel::clearQueueSelection()
{
    setSelectedForQueue({});
}

QList<ClipItemPtr> ClipListViewModel::queuedItemsInOrder() const
{
    QList<ClipItemPtr> queued;
    for (const ClipItemPtr &item : displayedItems()) {
        if (m_selectedForQueue.contains(item->id()))
            queued << item;
    }
    return queued;
}

ClipItemPtr ClipListViewModel::displayedItem(const QString &key) const
{
    const QUuid id(key);
    if (id.isNull())
        return nullptr;
    const QList<ClipItemPtr> rows = displayedItems();
    const auto it = std::find_if(rows.cbegin(), rows.cend(), [&id](const ClipItemPtr &item) { return item->id() == id; });
    return it == rows.cend() ? nullptr : *it;
}

void ClipListViewModel::copyItem(const QString &key)
{
    if (const auto item = displayedItem(key))
        copyToClipboard(item);
}

void ClipListViewModel::togglePinItem(const QString &key)
{
    if (const auto item = displayedItem(key))
        togglePin(item);
}

void ClipListViewModel::deleteItemWithKey(const QString &key)
{
    if (const auto item = displayedItem(key))
        deleteItem(item);
}

void ClipListViewModel::toggleQueueItem(const QString &key)
{
    if (const auto item = displayedItem(key))
        toggleQueueSelection(item);
}

void ClipListViewModel::startQueue()
{
    const QList<ClipItemPtr> items = queuedItemsInOrder();
    clearQueueSelection();
    Q_EMIT queueStartRequested(items);
}

QStringList ClipListViewModel::queueMarks() const
{
    QStringList keys;
    for (const QUuid &id : m_selectedForQueue)
        keys << id.toString(QUuid::WithoutBraces);
    return keys;
}

int ClipListViewModel::selectedRow() const
{
    const QList<ClipItemPtr> rows = displayedItems();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows.at(i)->id() == m_selectedItemID)
            return int(i);
    }
    return -1;
}
