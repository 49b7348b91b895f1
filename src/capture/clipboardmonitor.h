#pragma once

#include "platform/scheduler.h"
#include "store/clipitem.h"

#include <QObject>
#include <QPointer>

class ModelContext;
class Pasteboard;
class Preferences;
class Workspace;

/// The capture loop: notices every clipboard change, turns it into a history item,
/// drops a repeat of the newest item, stores the rest, trims the history to its limit
/// and tells its owner.
///
/// Changes are checked as soon as the pasteboard announces them (the X server and the
/// Wayland compositor announce each new clipboard owner), so two copies made in quick
/// succession are both recorded and nothing wakes while nobody copies. A pasteboard
/// that cannot announce its changes is polled every 0.5 s instead. Lives on the main
/// thread.
class ClipboardMonitor : public QObject
{
    Q_OBJECT

    /// True between startMonitoring() and stopMonitoring().
    Q_PROPERTY(bool isMonitoring READ isMonitoring NOTIFY isMonitoringChanged)
    /// The clipboard change count last adopted.
    Q_PROPERTY(qint64 lastChangeCount READ lastChangeCount NOTIFY lastChangeCountChanged)
    /// While true, checks neither record nor adopt anything; set by clipboard writers.
    Q_PROPERTY(bool isPaused READ isPaused WRITE setIsPaused NOTIFY isPausedChanged)
    /// How many unpinned items trimming keeps.
    Q_PROPERTY(qint64 historyLimit READ historyLimit WRITE setHistoryLimit NOTIFY historyLimitChanged)

public:
    /// How often a pasteboard that does not announce its changes is polled.
    static constexpr std::chrono::milliseconds pollingInterval{500};

    ClipboardMonitor(Pasteboard *pasteboard, Scheduler *scheduler, Preferences *preferences, Workspace *workspace,
                     QObject *parent = nullptr);
    ~ClipboardMonitor() override;

    [[nodiscard]] bool isMonitoring() const { return m_isMonitoring; }
    [[nodiscard]] qint64 lastChangeCount() const { return m_lastChangeCount; }
    [[nodiscard]] bool isPaused() const { return m_isPaused; }
    [[nodiscard]] qint64 historyLimit() const { return m_historyLimit; }
    [[nodiscard]] ModelContext *modelContext() const;
    [[nodiscard]] Pasteboard *pasteboard() const { return m_pasteboard; }

    void setIsPaused(bool paused);
    /// A negative limit is refused: it would mean deleting the whole history.
    void setHistoryLimit(qint64 limit);
    /// Where captured items are stored; without one, changes are adopted and dropped.
    void setModelContext(ModelContext *context);

    /// Begins watching; whatever is on the clipboard now is never recorded.
    void startMonitoring();
    /// Ends watching.
    void stopMonitoring();
    /// Ends a pause, adopting the current change count so that nothing written during
    /// the pause is recorded.
    void resumeMonitoring();

    /// Stores `item` unless it repeats the newest stored item, trims and announces; the
    /// work is done on the store's writer thread, and the announcement follows its commit.
    void saveCapturedItem(const ClipItemPtr &item, ModelContext &context);
    /// Announces historyChanged().
    void notifyNewItem();

Q_SIGNALS:
    void isMonitoringChanged();
    void lastChangeCountChanged();
    void isPausedChanged();
    void historyLimitChanged();
    /// A new item joined the history: `saveError` is null when it is in the file, else
    /// it waits in the store context for the next save that succeeds.
    void itemStored(const QString &contentHash, const QString &saveError);
    /// Capture has changed the stored history (a new item, a thumbnail attached).
    void historyChanged();

private:
    void scheduleCheck();
    void checkForChanges();
    [[nodiscard]] bool isFrontmostAppExcluded() const;
    void processPasteboard();
    void setLastChangeCount(qint64 count);

    Pasteboard *m_pasteboard;
    Scheduler *m_scheduler;
    Preferences *m_preferences;
    Workspace *m_workspace;
    QPointer<ModelContext> m_modelContext;

    bool m_isMonitoring = false;
    ScheduledTask m_timer;
    qint64 m_lastChangeCount = 0;
    bool m_isPaused = false;
    qint64 m_historyLimit = 100;
};
