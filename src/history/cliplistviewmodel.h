#pragma once

#include "history/cliplistmodel.h"
#include "platform/scheduler.h"
#include "store/clipitem.h"
#include "store/modelcontext.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QUuid>
#include <qqmlintegration.h>

class ClipboardMonitor;
class ModelContext;
class Pasteboard;
class Preferences;

/// The state behind the history panel: the pinned items and the recent history (each
/// newest first, filtered by the search text), the keyboard selection and the items
/// marked for the paste queue, and every action the panel offers on them. One instance
/// lives as long as the application; each panel shown binds to it.
///
/// Display order is the pinned items followed by the history; it governs the rows,
/// keyboard selection, the Ctrl+digit shortcuts and the paste-queue order.
class ClipListViewModel : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application makes the one history view-model.")

    /// Pinned items, newest first, after the search filter.
    Q_PROPERTY(ClipListModel *pinnedItems READ pinnedItems CONSTANT)
    /// Unpinned items, newest first: at most historyLimit of them before the filter.
    Q_PROPERTY(ClipListModel *historyItems READ historyItems CONSTANT)
    /// The search field's text; the panel calls scheduleSearch() on every change.
    Q_PROPERTY(QString searchText READ searchText WRITE setSearchText NOTIFY searchTextChanged)
    /// The keyboard-selected item's id; null when nothing has been selected.
    Q_PROPERTY(QUuid selectedItemID READ selectedItemID NOTIFY selectedItemIDChanged)
    /// The same id as text, for views.
    Q_PROPERTY(QString selectedKey READ selectedKey NOTIFY selectedItemIDChanged)
    /// The rows in display order: pinned items, then history, with their sections.
    Q_PROPERTY(ClipListModel *displayedRows READ displayedRows CONSTANT)
    /// The ids marked for the paste queue, as text.
    Q_PROPERTY(QStringList queueMarks READ queueMarks NOTIFY selectedForQueueChanged)
    /// How many ids are marked for the paste queue.
    Q_PROPERTY(int queueSelectionCount READ queueSelectionCount NOTIFY selectedForQueueChanged)
    /// Fetch limit of the history list.
    Q_PROPERTY(qint64 historyLimit READ historyLimit WRITE setHistoryLimit NOTIFY historyLimitChanged)
    /// Why the last deletion could not be saved (its rows are listed again); empty once
    /// a later change of the panel's was saved.
    Q_PROPERTY(QString storeError READ storeError NOTIFY storeErrorChanged)

public:
    /// How long typing must pause before the search runs.
    static constexpr std::chrono::milliseconds searchDelay{300};
    /// How long the monitor stays paused after a copy back, so it is not recorded.
    static constexpr std::chrono::milliseconds resumeDelay{500};

    ClipListViewModel(Pasteboard *pasteboard, Scheduler *scheduler, QObject *parent = nullptr);

    [[nodiscard]] ClipListModel *pinnedItems() { return &m_pinned; }
    [[nodiscard]] ClipListModel *historyItems() { return &m_history; }
    [[nodiscard]] QString searchText() const { return m_searchText; }
    [[nodiscard]] QUuid selectedItemID() const { return m_selectedItemID; }
    [[nodiscard]] QString selectedKey() const { return m_selectedItemID.isNull() ? QString() : m_selectedItemID.toString(QUuid::WithoutBraces); }
    [[nodiscard]] ClipListModel *displayedRows() { return &m_displayed; }
    [[nodiscard]] QStringList queueMarks() const;
    [[nodiscard]] const QSet<QUuid> &selectedForQueue() const { return m_selectedForQueue; }
    [[nodiscard]] int queueSelectionCount() const { return int(m_selectedForQueue.size()); }
    [[nodiscard]] qint64 historyLimit() const { return m_historyLimit; }
    [[nodiscard]] QString storeError() const { return m_storeError; }
    /// The pinned items followed by the history: the order of the panel's rows.
    [[nodiscard]] QList<ClipItemPtr> displayedItems() const;

    void setSearchText(const QString &text);
    void setHistoryLimit(qint64 limit);

    /// Attaches the store and the monitor, takes the history limit from the
    /// preferences and loads the lists.
    void configure(ModelContext *context, ClipboardMonitor *monitor, const Preferences &preferences);

    /// Fetches both lists again and applies the search text.
    Q_INVOKABLE void loadItems();
    /// Reloads 300 ms after the last call.
    Q_INVOKABLE void scheduleSearch();
    Q_INVOKABLE void moveSelectionDown();
    Q_INVOKABLE void moveSelectionUp();
    Q_INVOKABLE void copySelectedItem();
    /// Copies the row at `index` of the display order back; out of range does nothing.
    Q_INVOKABLE void copyItemAtIndex(int index);
    /// Puts the item back on the clipboard without recording it again, and moves it to
    /// the top of its section.
    void copyToClipboard(const ClipItemPtr &item);
    void togglePin(const ClipItemPtr &item);
    void deleteItem(const ClipItemPtr &item);
    void toggleQueueSelection(const ClipItemPtr &item);
    /// Whether the item with this id is marked for the paste queue.
    Q_INVOKABLE bool isSelectedForQueue(const QUuid &id) const { return m_selectedForQueue.contains(id); }
    Q_INVOKABLE void clearQueueSelection();
    /// The marked items in display order (not in the order they were marked).
    [[nodiscard]] QList<ClipItemPtr> queuedItemsInOrder() const;

    // The same actions for views, which name a row by its item's id as text (itemKey);
    // an id no row has does nothing.
    Q_INVOKABLE void copyItem(const QString &key);
    Q_INVOKABLE void togglePinItem(const QString &key);
    Q_INVOKABLE void deleteItemWithKey(const QString &key);
    Q_INVOKABLE void toggleQueueItem(const QString &key);
    /// The selected row's index in display order, or -1.
    Q_INVOKABLE int selectedRow() const;
    /// Hands the marked items, in display order, to the paste queue (queueStartRequested)
    /// and clears the marks.
    Q_INVOKABLE void startQueue();
    /// The panel asks its owner to close it, or to open the settings.
    Q_INVOKABLE void requestClose() { Q_EMIT closeRequested(); }
    Q_INVOKABLE void requestSettings() { Q_EMIT settingsRequested(); }

Q_SIGNALS:
    void searchTextChanged();
    void selectedItemIDChanged();
    void selectedForQueueChanged();
    void historyLimitChanged();
    void storeErrorChanged();
    /// The user started the paste queue with these items, in this order.
    void queueStartRequested(const QList<ClipItemPtr> &items);
    void closeRequested();
    void settingsRequested();

private:
    /// Saves the context; a failure keeps the changes pending (they are retried), and
    /// its reason is shown.
    SaveResult save();
    void setStoreError(const QString &error);
    void select(const ClipItemPtr &item);
    void moveSelection(int step);
    void setSelectedForQueue(const QSet<QUuid> &ids);
    /// The displayed row whose item has this id as text; null for none.
    [[nodiscard]] ClipItemPtr displayedItem(const QString &key) const;

    Pasteboard *m_pasteboard;
    Scheduler *m_scheduler;
    QPointer<ModelContext> m_modelContext;
    QPointer<ClipboardMonitor> m_clipboardMonitor;
    ClipListModel m_pinned;
    ClipListModel m_history;
    ClipListModel m_displayed;
    QString m_searchText;
    QUuid m_selectedItemID;
    QSet<QUuid> m_selectedForQueue;
    ScheduledTask m_searchDebounceTask;
    qint64 m_historyLimit = 100;
    QString m_storeError;
};

