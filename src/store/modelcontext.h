#pragma once

#include "store/clipitem.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ModelContainer;
class SqliteStatement;
class StoreWriter;
struct NewRecord;
struct sqlite3;

/// What a fetch asks for: an optional filter on `isPinned`, an optional sort on
/// `timestamp` and an optional limit. Equal timestamps keep the order in which the
/// records were inserted (newer ones first when descending).
struct FetchDescriptor {
    enum class Sort { None, TimestampDescending, TimestampAscending };

    std::optional<bool> isPinned = std::nullopt;
    Sort sort = Sort::TimestampDescending;
    std::optional<qsizetype> fetchLimit = std::nullopt;
};

/// The items a fetch found, or the error that stopped it.
struct FetchResult {
    QList<ClipItemPtr> items;
    QString error;

    [[nodiscard]] bool ok() const { return error.isNull(); }
};

/// The outcome of a save: success, or the error that stopped it.
struct SaveResult {
    QString error;

    [[nodiscard]] bool ok() const { return error.isNull(); }
    explicit operator bool() const { return ok(); }
};

/// The one place where the history is read and changed, on the main thread.
///
/// The context keeps one ClipItem per stored record: fetching the same record twice
/// gives the same object. Inserts, deletions and field changes take effect in the
/// context at once (every later fetch sees them) and reach the file with the next
/// successful save, which writes all of them in one transaction. A failed save changes
/// nothing on disk and keeps every change pending.
///
/// The container must outlive the context.
class ModelContext : public QObject
{
    Q_OBJECT

public:
    explicit ModelContext(ModelContainer *container, QObject *parent = nullptr);
    ~ModelContext() override;

    /// Adds a new item to the history; it belongs to this context from now on.
    void insert(const ClipItemPtr &item);
    /// Removes an item from the history. Once the removal is saved the object is
    /// detached: large fields that were never read can no longer be loaded.
    void remove(const ClipItemPtr &item);
    /// Writes every pending change in one transaction. While the writer thread is busy,
    /// or when a large new item is among the changes, the transaction is handed to the writer,
    /// after what it has, and the result is null at once: the outcome follows with
    /// saveFinished(), and a failure leaves the changes pending as before. Until then
    /// every fetch sees the changes.
    [[nodiscard]] SaveResult save();
    /// Like save(), but returns once the changes are written or have failed.
    [[nodiscard]] SaveResult saveAndWait();
    /// The items that match `descriptor`, pending changes included.
    [[nodiscard]] FetchResult fetch(const FetchDescriptor &descriptor);

    /// How many items match `descriptor` (its sort and limit aside), pending changes
    /// included; none when the store cannot be read.
    [[nodiscard]] std::optional<qsizetype> fetchCount(const FetchDescriptor &descriptor);

    /// Whether any change awaits a save.
    [[nodiscard]] bool hasChanges() const;
    /// How many records await a save (inserts, changes and removals).
    [[nodiscard]] qsizetype pendingChangeCount() const;
    /// Whether `item` is written in the file (a later change to it may still be pending).
    [[nodiscard]] bool isSaved(const ClipItem &item) const;

    /// Called on the main thread once a recorded item is settled: `error` is null when
    /// it is committed to the file, else the item waits in the context for a later save.
    using RecordedCallback = std::function<void(const QString &error)>;

    /// Records a newly captured item on the store's writer thread: hashes its content
    /// when it has no hash yet, drops it when its hash equals the newest stored item's,
    /// else inserts it, deletes the unpinned items beyond `historyLimit` and commits, all
    /// in one transaction and in the order items were handed over. The item joins the
    /// context (and every fetch) once committed; then `recorded` runs, never for a
    /// dropped repeat. Returns false, doing nothing, when there is no writer or saving
    /// fails: the caller then records the item here.
    bool recordInBackground(const ClipItemPtr &item, qint64 historyLimit, RecordedCallback recorded);
    /// Blocks until every item handed to the writer is settled, and settles them here.
    void waitForWrites();
    /// Whether items handed to the writer are not settled yet.
    [[nodiscard]] bool isRecording() const;

Q_SIGNALS:
    /// Every save that had something to write: `error` is null when it succeeded.
    void saveFinished(const QString &error);

private:
    friend class ClipItem;
    struct RecordOutcome;
    struct Recording {
        ClipItemPtr item;
        RecordedCallback recorded;
    };
    struct Batch;
    // The changes of one save handed to the writer; fetches see them until it is done.
    struct Saving {
        std::vector<ClipItemPtr> inserted;
        QHash<qint64, ClipItemPtr> updated;
        QHash<qint64, unsigned> changed; // which fields of each updated item are written
        QHash<qint64, ClipItemPtr> deleted;
    };

    [[nodiscard]] static QString writeRecord(sqlite3 *db, const NewRecord &record, qint64 historyLimit,
                                             RecordOutcome *outcome);
    void finishRecord(RecordOutcome &outcome);
    void adopt(const ClipItemPtr &item, qint64 rowId);

    [[nodiscard]] Batch takePending();
    [[nodiscard]] static QString writeBatch(sqlite3 *db, Batch &batch);
    QString finishSave(const QString &error, const Batch &batch);
    [[nodiscard]] bool isDeleted(qint64 rowId) const;
    [[nodiscard]] bool isOverlaid(qint64 rowId) const;
    [[nodiscard]] std::vector<std::pair<ClipItemPtr, qint64>> overlaidItems() const;
    void dispose(QByteArray bytes);
    void itemChanged(ClipItem *item);
    void forget(ClipItem *item);
    void loadLargeFields(ClipItem *item);
    void releaseLargeFields(ClipItem &item);

    /// Saved contents larger than this are dropped from memory and read again when used.
    static constexpr qsizetype largeFieldSize = 64 * 1024;
    [[nodiscard]] ClipItemPtr materialize(const SqliteStatement &row);
    [[nodiscard]] static QString writeUpdate(sqlite3 *db, qint64 rowId, unsigned changed, const NewRecord &values);
    [[nodiscard]] static QString writeDelete(sqlite3 *db, qint64 rowId);

    ModelContainer *m_container;
    QHash<qint64, std::weak_ptr<ClipItem>> m_objects; // identity map: row id -> the one object
    std::vector<ClipItemPtr> m_inserted;              // in insertion order
    QHash<qint64, ClipItemPtr> m_updated;
    QHash<qint64, ClipItemPtr> m_deleted;
    std::deque<Recording> m_recording;     // handed to the writer, in order
    std::deque<Saving> m_saving;           // saves handed to the writer, in order
    QString m_lastSaveError;
    std::unique_ptr<StoreWriter> m_writer; // declared last: stopped first
};
