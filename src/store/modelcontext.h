#pragma once

#include "store/clipitem.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class ModelContainer;
class SqliteStatement;

/// What a fetch asks for: an optional filter on `isPinned`, an optional sort on
/// `timestamp` and an optional limit. Equal timestamps keep the order in which the
/// records were inserted (newer ones first when descending).
struct FetchDescriptor {
    enum class Sort { None, TimestampDescending, TimestampAscending };

    std::optional<bool> isPinned;
    Sort sort = Sort::TimestampDescending;
    std::optional<qsizetype> fetchLimit;
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
    /// Writes every pending change in one transaction.
    [[nodiscard]] SaveResult save();
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

Q_SIGNALS:
    /// Every save that had something to write: `error` is null when it succeeded.
    void saveFinished(const QString &error);

private:
    friend class ClipItem;

    [[nodiscard]] SaveResult writePending();
    void itemChanged(ClipItem *item);
    void forget(ClipItem *item);
    void loadLargeFields(ClipItem *item);
    void releaseLargeFields(ClipItem &item);

    /// Saved contents larger than this are dropped from memory and read again when used.
    static constexpr qsizetype largeFieldSize = 64 * 1024;
    [[nodiscard]] ClipItemPtr materialize(const SqliteStatement &row);
    [[nodiscard]] QString writeInsert(ClipItem &item, qint64 *rowId);
    [[nodiscard]] QString writeUpdate(const ClipItem &item);
    [[nodiscard]] QString writeDelete(qint64 rowId);

    ModelContainer *m_container;
    QHash<qint64, std::weak_ptr<ClipItem>> m_objects; // identity map: row id -> the one object
    std::vector<ClipItemPtr> m_inserted;              // in insertion order
    QHash<qint64, ClipItemPtr> m_updated;
    QHash<qint64, ClipItemPtr> m_deleted;
};
