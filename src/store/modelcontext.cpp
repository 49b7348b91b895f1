#include "store/modelcontext.h"

#include "store/modelcontainer.h"
#include "store/sqlitestatement.h"
#include "store/storerecords.h"
#include "store/storewriter.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSet>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

NewRecord recordOf(const ClipItem &item)
{
    return {item.id(),        item.contentTypeRaw(), item.textPreview(),  item.isPinned(), toStoredTime(item.timestamp()),
            item.contentHash(), item.thumbnailData(), item.richTextData(), item.content()};
}

const auto listedColumns = u"rowid, id, contentTypeRaw, textPreview, isPinned, timestamp, contentHash, thumbnailData"_s;

} // namespace

// What the writer thread reports back about one recorded item.
struct ModelContext::RecordOutcome {
    QString contentHash;
    std::optional<QByteArray> content; // when the writer had to correct it
    bool duplicate = false;
    qint64 rowId = 0;
    QList<qint64> trimmed;
    QString error;
};

// The plain values of one save, which the writer's thread may read; what it reports back.
struct ModelContext::Batch {
    struct Update {
        qint64 rowId;
        unsigned changed;
        NewRecord values;
    };
    std::vector<NewRecord> inserts;
    std::vector<Update> updates;
    std::vector<qint64> deletes;
    std::vector<qint64> rowIds; // of the inserts, once written
    QStringList hashes;         // of the inserts
};

ModelContext::ModelContext(ModelContainer *container, QObject *parent)
    : QObject(parent)
    , m_container(container)
    , m_writer(std::make_unique<StoreWriter>(container->path(), container->checkpointer()))
{
    if (!m_writer->isRunning())
        m_writer.reset();
}

ModelContext::~ModelContext()
{
    // Items already handed to the writer are committed before it stops.
    m_writer.reset();
    // Objects still held elsewhere become detached; they must not call back into us.
    for (const auto &weak : std::as_const(m_objects)) {
        if (const auto item = weak.lock())
            item->m_context = nullptr;
    }
    for (const auto &item : m_inserted)
        item->m_context = nullptr;
    for (const Saving &saving : m_saving) {
        for (const auto &item : saving.inserted)
            item->m_context = nullptr;
    }
    m_objects.clear();
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
}

void ModelContext::insert(const ClipItemPtr &item)
{
    if (!item)
        return;
    if (item->m_context == this) {
        // Inserting an item whose removal is pending takes the removal back.
        if (m_deleted.remove(item->m_rowId) && item->m_changed)
            m_updated.insert(item->m_rowId, item);
        return;
    }
    if (item->m_context) {
        qWarning() << "ModelContext: item" << item->id() << "belongs to another context";
        return;
    }
    item->m_context = this;
    m_inserted.push_back(item);
}

void ModelContext::remove(const ClipItemPtr &item)
{
    if (!item || item->m_context != this)
        return;
    if (item->m_rowId == 0) {
        std::erase(m_inserted, item);
        item->m_context = nullptr;
        return;
    }
    m_updated.remove(item->m_rowId);
    m_deleted.insert(item->m_rowId, item);
}

bool ModelContext::hasChanges() const
{
    return !m_inserted.empty() || !m_updated.isEmpty() || !m_deleted.isEmpty();
}

qsizetype ModelContext::pendingChangeCount() const
{
    return qsizetype(m_inserted.size()) + m_updated.size() + m_deleted.size();
}

bool ModelContext::isSaved(const ClipItem &item) const
{
    return item.m_context == this && item.m_rowId != 0;
}

SaveResult ModelContext::save()
{
    if (!hasChanges())
        return {};
    // Written here, the transaction would wait for the writer's commit, seconds for a
    // copied picture, or write a large new item itself: such a save goes to the writer,
    // after what it has.
    const bool large = std::any_of(m_inserted.cbegin(), m_inserted.cend(), [](const ClipItemPtr &item) {
        return item->m_content.size() + item->m_richTextData.value_or(QByteArray()).size() > largeFieldSize;
    });
    if (m_writer && (large || !m_saving.empty() || !m_recording.empty())) {
        m_writer->post([this, batch = takePending()](sqlite3 *db) mutable {
            const QString error = writeBatch(db, batch);
            Batch outcome; // only the outcome goes back: the bytes are let go on this thread
            outcome.rowIds = std::move(batch.rowIds);
            outcome.hashes = std::move(batch.hashes);
            batch = {};
            QMetaObject::invokeMethod(
                this, [this, error, outcome] { (void)finishSave(error, outcome); }, Qt::QueuedConnection);
        });
        return {};
    }
    Batch batch = takePending();
    const QString error = writeBatch(m_container->connection(), batch);
    return {finishSave(error, batch)};
}

SaveResult ModelContext::saveAndWait()
{
    waitForWrites();
    const SaveResult result = save();
    if (m_saving.empty())
        return result;
    waitForWrites();
    return {m_lastSaveError};
}

ModelContext::Batch ModelContext::takePending()
{
    Batch batch;
    Saving saving;
    for (const auto &item : m_inserted) {
        item->m_changed = 0; // written whole; what changes from now on is written after
        batch.inserts.push_back(recordOf(*item));
    }
    saving.inserted = std::exchange(m_inserted, {});
    for (auto it = m_updated.cbegin(); it != m_updated.cend(); ++it) {
        ClipItem &item = **it;
        NewRecord values{item.m_id,          item.m_contentTypeRaw, item.m_textPreview, item.m_isPinned,
                         toStoredTime(item.m_timestamp), item.m_contentHash, item.m_thumbnailData, {}, {}};
        if (item.m_changed & ClipItem::ContentField)
            values.content = item.m_content;
        if (item.m_changed & ClipItem::RichTextDataField)
            values.richTextData = item.m_richTextData;
        batch.updates.push_back({it.key(), item.m_changed, std::move(values)});
        saving.changed.insert(it.key(), item.m_changed);
        item.m_changed = 0;
    }
    saving.updated = std::exchange(m_updated, {});
    for (auto it = m_deleted.cbegin(); it != m_deleted.cend(); ++it)
        batch.deletes.push_back(it.key());
    saving.deleted = std::exchange(m_deleted, {});
    m_saving.push_back(std::move(saving));
    return batch;
}

QString ModelContext::writeBatch(sqlite3 *db, Batch &batch)
{
    for (NewRecord &record : batch.inserts) {
        if (record.contentHash.isEmpty()) {
            const auto type = clipContentTypeFromRaw(record.contentTypeRaw).value_or(ClipContentType::Text);
            record.contentHash = computeContentHash(type, record.content);
        }
        batch.hashes << record.contentHash;
    }
    if (!sqliteExec(db, u"BEGIN IMMEDIATE"_s))
        return sqliteError(db);
    QString error;
    for (const NewRecord &record : batch.inserts) {
        qint64 rowId = 0;
        error = insertRecord(db, record, &rowId);
        if (!error.isNull())
            break;
        batch.rowIds.push_back(rowId);
    }
    for (auto it = batch.updates.cbegin(); error.isNull() && it != batch.updates.cend(); ++it)
        error = writeUpdate(db, it->rowId, it->changed, it->values);
    for (auto it = batch.deletes.cbegin(); error.isNull() && it != batch.deletes.cend(); ++it)
        error = writeDelete(db, *it);
    if (error.isNull() && !sqliteExec(db, u"COMMIT"_s))
        error = sqliteError(db);
    if (!error.isNull())
        sqliteExec(db, u"ROLLBACK"_s);
    return error;
}

QString ModelContext::finishSave(const QString &error, const Batch &batch)
{
    const Saving saving = std::move(m_saving.front());
    m_saving.pop_front();
    bool removedMeanwhile = false;
    if (error.isNull()) {
        for (size_t i = 0; i < saving.inserted.size(); ++i) {
            const ClipItemPtr &item = saving.inserted[i];
            item->m_contentHash = batch.hashes.value(qsizetype(i));
            if (item->m_rowId == 0) {
                // Removed while it was being written: the removal is written next.
                const bool removed = item->m_context != this;
                adopt(item, batch.rowIds[i]);
                if (removed)
                    m_deleted.insert(item->m_rowId, item);
                removedMeanwhile |= removed;
            }
            releaseLargeFields(*item);
        }
        for (const auto &item : saving.updated)
            releaseLargeFields(*item);
        for (auto it = saving.deleted.cbegin(); it != saving.deleted.cend(); ++it) {
            m_objects.remove(it.key());
            m_updated.remove(it.key());
            ClipItem &item = **it;
            item.m_context = nullptr;
            item.m_rowId = 0;
            item.m_changed = 0;
        }
    } else {
        // Nothing reached the file: every change is pending again, before later ones.
        m_inserted.insert(m_inserted.begin(), saving.inserted.begin(), saving.inserted.end());
        for (auto it = saving.updated.cbegin(); it != saving.updated.cend(); ++it) {
            if (isDeleted(it.key()))
                continue;
            (*it)->m_changed |= saving.changed.value(it.key());
            m_updated.insert(it.key(), *it);
        }
        for (auto it = saving.deleted.cbegin(); it != saving.deleted.cend(); ++it) {
            m_updated.remove(it.key());
            m_deleted.insert(it.key(), *it);
        }
    }
    m_lastSaveError = error;
    Q_EMIT saveFinished(error);
    if (removedMeanwhile)
        (void)save();
    return error;
}

bool ModelContext::isDeleted(qint64 rowId) const
{
    return m_deleted.contains(rowId)
        || std::any_of(m_saving.cbegin(), m_saving.cend(), [rowId](const Saving &s) { return s.deleted.contains(rowId); });
}

bool ModelContext::isOverlaid(qint64 rowId) const
{
    return m_updated.contains(rowId) || isDeleted(rowId)
        || std::any_of(m_saving.cbegin(), m_saving.cend(), [rowId](const Saving &s) { return s.updated.contains(rowId); });
}

std::vector<std::pair<ClipItemPtr, qint64>> ModelContext::overlaidItems() const
{
    // Changed records with their row ids, then new ones after every saved row, in
    // insertion order: the tie-break for equal timestamps.
    std::vector<std::pair<ClipItemPtr, qint64>> items;
    QSet<qint64> seen;
    const auto addUpdated = [&](const QHash<qint64, ClipItemPtr> &updated) {
        for (auto it = updated.cbegin(); it != updated.cend(); ++it) {
            if (!isDeleted(it.key()) && !seen.contains(it.key())) {
                seen.insert(it.key());
                items.emplace_back(*it, it.key());
            }
        }
    };
    for (const Saving &saving : m_saving)
        addUpdated(saving.updated);
    addUpdated(m_updated);
    qint64 insertionRank = std::numeric_limits<qint64>::max() / 2;
    for (const Saving &saving : m_saving) {
        for (const auto &item : saving.inserted) {
            ++insertionRank;
            if (item->m_rowId == 0 && item->m_context == this)
                items.emplace_back(item, insertionRank);
        }
    }
    for (const auto &item : m_inserted)
        items.emplace_back(item, ++insertionRank);
    return items;
}

FetchResult ModelContext::fetch(const FetchDescriptor &descriptor)
{
    const auto matches = [&](const ClipItem &item) {
        return !descriptor.isPinned || item.m_isPinned == *descriptor.isPinned;
    };
    const bool sorted = descriptor.sort != FetchDescriptor::Sort::None;
    const bool descending = descriptor.sort == FetchDescriptor::Sort::TimestampDescending;

    QString sql = u"SELECT "_s + listedColumns + u" FROM ClipItem"_s;
    if (descriptor.isPinned)
        sql += u" WHERE isPinned = :pinned"_s;
    if (sorted)
        sql += descending ? u" ORDER BY timestamp DESC, rowid DESC"_s : u" ORDER BY timestamp ASC, rowid ASC"_s;
    if (descriptor.fetchLimit)
        sql += u" LIMIT :limit"_s;

    sqlite3 *db = m_container->connection();
    SqliteStatement query(db, sql);
    if (!query.isValid())
        return {{}, sqliteError(db)};
    if (descriptor.isPinned)
        query.bind(1, qint64(*descriptor.isPinned));
    if (descriptor.fetchLimit) {
        // Rows with pending changes are taken from memory instead of the file; read one
        // extra row for each of them so the limit is still filled.
        qint64 extra = m_updated.size() + m_deleted.size();
        for (const Saving &saving : m_saving)
            extra += saving.updated.size() + saving.deleted.size();
        query.bind(descriptor.isPinned ? 2 : 1, qint64(*descriptor.fetchLimit) + extra);
    }

    // Each candidate carries a tie-break for equal timestamps: saved rows by row id,
    // unsaved inserts after every saved row, in insertion order.
    std::vector<std::pair<ClipItemPtr, qint64>> candidates;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        const qint64 rowId = query.int64Column(0);
        if (!isOverlaid(rowId))
            candidates.emplace_back(materialize(query), rowId);
    }
    if (rc != SQLITE_DONE)
        return {{}, sqliteError(db)};
    for (auto &candidate : overlaidItems()) {
        if (matches(*candidate.first))
            candidates.push_back(std::move(candidate));
    }

    if (sorted) {
        std::sort(candidates.begin(), candidates.end(), [descending](const auto &a, const auto &b) {
            const qint64 ta = a.first->m_timestamp.toMSecsSinceEpoch();
            const qint64 tb = b.first->m_timestamp.toMSecsSinceEpoch();
            const bool aFirst = ta != tb ? ta > tb : a.second > b.second;
            const bool bFirst = ta != tb ? tb > ta : b.second > a.second;
            return descending ? aFirst : bFirst;
        });
    }
    if (descriptor.fetchLimit && qsizetype(candidates.size()) > *descriptor.fetchLimit)
        candidates.resize(size_t(std::max<qsizetype>(0, *descriptor.fetchLimit)));

    FetchResult result;
    result.items.reserve(qsizetype(candidates.size()));
    for (auto &candidate : candidates)
        result.items.append(std::move(candidate.first));
    return result;
}

std::optional<qsizetype> ModelContext::fetchCount(const FetchDescriptor &descriptor)
{
    const auto matches = [&](const ClipItem &item) {
        return !descriptor.isPinned || item.m_isPinned == *descriptor.isPinned;
    };
    // Row ids only: the indexes answer this without reading a single record.
    QString sql = u"SELECT rowid FROM ClipItem"_s;
    if (descriptor.isPinned)
        sql += u" WHERE isPinned = ?"_s;
    sqlite3 *db = m_container->connection();
    SqliteStatement query(db, sql);
    if (!query.isValid())
        return std::nullopt;
    if (descriptor.isPinned)
        query.bind(1, qint64(*descriptor.isPinned));

    qsizetype count = 0;
    int rc;
    while ((rc = query.step()) == SQLITE_ROW) {
        if (!isOverlaid(query.int64Column(0)))
            ++count;
    }
    if (rc != SQLITE_DONE)
        return std::nullopt;
    const auto overlaid = overlaidItems();
    count += std::count_if(overlaid.cbegin(), overlaid.cend(), [&](const auto &item) { return matches(*item.first); });
    return count;
}

ClipItemPtr ModelContext::materialize(const SqliteStatement &row)
{
    const qint64 rowId = row.int64Column(0);
    if (auto existing = m_objects.value(rowId).lock())
        return existing;
    // Committed by the writer, not yet settled here: the record is the item handed over.
    const QUuid id = QUuid::fromString(row.textColumn(1));
    for (const Recording &recording : m_recording) {
        if (recording.item->m_id == id && !recording.item->m_context) {
            adopt(recording.item, rowId);
            return recording.item;
        }
    }
    // Likewise for a save whose outcome is still on its way here.
    for (const Saving &saving : m_saving) {
        for (const auto &item : saving.inserted) {
            if (item->m_id == id && item->m_rowId == 0 && item->m_context == this) {
                adopt(item, rowId);
                return item;
            }
        }
    }

    ClipItemPtr item(new ClipItem);
    item->m_id = id;
    item->m_contentTypeRaw = row.textColumn(2);
    item->m_textPreview = row.optionalTextColumn(3);
    item->m_isPinned = row.int64Column(4) != 0;
    item->m_timestamp = fromStoredTime(row.doubleColumn(5));
    item->m_contentHash = row.textColumn(6);
    item->m_thumbnailData = row.optionalBlobColumn(7);
    item->m_context = this;
    item->m_rowId = rowId;
    item->m_contentLoaded = false;
    item->m_richTextLoaded = false;
    m_objects.insert(rowId, item);
    return item;
}

void ModelContext::itemChanged(ClipItem *item)
{
    // Unsaved inserts are written whole; a record whose removal is pending is not written.
    if (item->m_rowId == 0 || isDeleted(item->m_rowId))
        return;
    m_updated.insert(item->m_rowId, item->shared_from_this());
}

void ModelContext::forget(ClipItem *item)
{
    const auto it = m_objects.constFind(item->m_rowId);
    if (it != m_objects.cend() && it->expired())
        m_objects.erase(it);
}

void ModelContext::releaseLargeFields(ClipItem &item)
{
    // Saved bytes are on disk: a list that keeps the item for days need not keep a copied
    // picture in memory too. Small contents stay, so showing them reads nothing.
    if (item.m_contentLoaded && item.m_content.size() > largeFieldSize) {
        dispose(std::exchange(item.m_content, {}));
        item.m_contentLoaded = false;
    }
    if (item.m_richTextLoaded && item.m_richTextData && item.m_richTextData->size() > largeFieldSize) {
        dispose(*std::exchange(item.m_richTextData, std::nullopt));
        item.m_richTextLoaded = false;
    }
}

void ModelContext::dispose(QByteArray bytes)
{
    // Handing a few hundred megabytes back to the system takes tens of milliseconds:
    // when this is the last reference, that happens on the writer's thread.
    if (m_writer && bytes.size() > largeFieldSize)
        m_writer->post([bytes = std::move(bytes)](sqlite3 *) { });
}

void ModelContext::loadLargeFields(ClipItem *item)
{
    if (item->m_rowId == 0)
        return;
    bool large = false;
    {
        SqliteStatement query(m_container->connection(), u"SELECT content, richTextData FROM ClipContent "
                                                          "WHERE id = (SELECT contentId FROM ClipItem WHERE rowid = ?)"_s);
        query.bind(1, item->m_rowId);
        if (query.step() != SQLITE_ROW)
            return; // left unloaded: a later read tries again
        if (!item->m_contentLoaded) {
            item->m_content = query.blobColumn(0);
            item->m_contentLoaded = true;
        }
        if (!item->m_richTextLoaded) {
            item->m_richTextData = query.optionalBlobColumn(1);
            item->m_richTextLoaded = true;
        }
        large = item->m_content.size() > largeFieldSize
            || (item->m_richTextData && item->m_richTextData->size() > largeFieldSize);
    }
    // Reading a large content filled the page cache with its pages, which no later read
    // of the list needs: give them back.
    if (large)
        sqlite3_db_release_memory(m_container->connection());
}

QString ModelContext::writeUpdate(sqlite3 *db, qint64 rowId, unsigned changed, const NewRecord &values)
{
    using Bind = void (*)(SqliteStatement &, int, const NewRecord &);
    struct Column {
        ClipItem::Field field;
        QStringView name;
        Bind bind;
    };
    static const Column contentColumns[] = {
        {ClipItem::ContentField, u"content", [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, r.content); }},
        {ClipItem::RichTextDataField, u"richTextData",
         [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, r.richTextData); }},
    };
    static const Column itemColumns[] = {
        {ClipItem::ContentTypeRawField, u"contentTypeRaw",
         [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, r.contentTypeRaw); }},
        {ClipItem::TextPreviewField, u"textPreview",
         [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, r.textPreview); }},
        {ClipItem::ThumbnailDataField, u"thumbnailData",
         [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, r.thumbnailData); }},
        {ClipItem::IsPinnedField, u"isPinned",
         [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, qint64(r.isPinned)); }},
        {ClipItem::TimestampField, u"timestamp",
         [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, r.timestamp); }},
        {ClipItem::ContentHashField, u"contentHash",
         [](SqliteStatement &s, int i, const NewRecord &r) { s.bind(i, r.contentHash); }},
    };

    // Only the fields that changed are written; the contents live in a row of their own,
    // so pinning or a new timestamp never rewrites a copied picture.
    const auto write = [&](const auto &columns, const QString &table, const QString &where) {
        QStringList assignments;
        for (const auto &column : columns) {
            if (changed & column.field)
                assignments << column.name.toString() + u" = ?"_s;
        }
        if (assignments.isEmpty())
            return QString();
        SqliteStatement update(db, u"UPDATE "_s + table + u" SET "_s + assignments.join(u", "_s) + where);
        int index = 1;
        for (const auto &column : columns) {
            if (changed & column.field)
                column.bind(update, index++, values);
        }
        update.bind(index, rowId);
        return update.exec() ? QString() : sqliteError(db);
    };
    const QString error = write(itemColumns, u"ClipItem"_s, u" WHERE rowid = ?"_s);
    if (!error.isNull())
        return error;
    return write(contentColumns, u"ClipContent"_s, u" WHERE id = (SELECT contentId FROM ClipItem WHERE rowid = ?)"_s);
}

QString ModelContext::writeDelete(sqlite3 *db, qint64 rowId)
{
    SqliteStatement remove(db, u"DELETE FROM ClipItem WHERE rowid = ?"_s);
    remove.bind(1, rowId);
    return remove.exec() ? QString() : sqliteError(db);
}

bool ModelContext::recordInBackground(const ClipItemPtr &item, qint64 historyLimit, RecordedCallback recorded)
{
    // What waits here is written first, so the writer compares with and trims what the
    // user sees. While saving fails, recording stays with the caller, in memory.
    if (hasChanges())
        (void)save();
    if (!m_writer || hasChanges() || !item || item->m_context)
        return false;

    NewRecord record = recordOf(*item);
    item->m_changed = 0; // what changes from now on is written once the item is in the file
    m_recording.push_back({item, std::move(recorded)});
    m_writer->post([this, record = std::move(record), historyLimit](sqlite3 *db) mutable {
        RecordOutcome outcome;
        const auto type = clipContentTypeFromRaw(record.contentTypeRaw).value_or(ClipContentType::Text);
        // A text's content is its UTF-8; bytes copied as UTF-8 but not valid are stored
        // with replacement characters, as they read.
        if ((type == ClipContentType::Text || type == ClipContentType::RichText)
            && !QByteArrayView(record.content).isValidUtf8()) {
            record.content = QString::fromUtf8(record.content).toUtf8();
            outcome.content = record.content;
        }
        if (record.contentHash.isEmpty())
            record.contentHash = computeContentHash(type, record.content);
        outcome.contentHash = record.contentHash;
        outcome.error = writeRecord(db, record, historyLimit, &outcome);
        record = {}; // the bytes are in the file: this thread's share of them goes now
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)]() mutable { finishRecord(outcome); }, Qt::QueuedConnection);
    });
    return true;
}

QString ModelContext::writeRecord(sqlite3 *db, const NewRecord &record, qint64 historyLimit, RecordOutcome *outcome)
{
    if (!sqliteExec(db, u"BEGIN IMMEDIATE"_s))
        return sqliteError(db);
    // A failed look-up counts as an empty history.
    QString lookupError;
    if (newestContentHash(db, &lookupError) == record.contentHash) {
        outcome->duplicate = true;
        sqliteExec(db, u"ROLLBACK"_s);
        return {};
    }
    QString error = insertRecord(db, record, &outcome->rowId);
    if (error.isNull()) {
        // A trim that fails deletes nothing; the new item is kept all the same.
        sqliteExec(db, u"SAVEPOINT trim"_s);
        if (trimRecords(db, historyLimit, &outcome->trimmed).isNull()) {
            sqliteExec(db, u"RELEASE trim"_s);
        } else {
            sqliteExec(db, u"ROLLBACK TO trim"_s);
            sqliteExec(db, u"RELEASE trim"_s);
            outcome->trimmed.clear();
        }
        if (!sqliteExec(db, u"COMMIT"_s))
            error = sqliteError(db);
    }
    if (!error.isNull()) {
        sqliteExec(db, u"ROLLBACK"_s);
        outcome->rowId = 0;
        outcome->trimmed.clear();
    }
    return error;
}

void ModelContext::finishRecord(RecordOutcome &outcome)
{
    if (m_recording.empty())
        return;
    const Recording recording = std::move(m_recording.front());
    m_recording.pop_front();
    ClipItem &item = *recording.item;
    item.m_contentHash = outcome.contentHash;
    if (outcome.content)
        dispose(std::exchange(item.m_content, *std::exchange(outcome.content, std::nullopt)));
    if (outcome.duplicate)
        return;

    // Trimmed records are gone from the file: their objects are detached, as after a
    // saved removal.
    for (const qint64 rowId : outcome.trimmed) {
        m_updated.remove(rowId);
        m_deleted.remove(rowId);
        if (const auto trimmed = m_objects.take(rowId).lock()) {
            trimmed->m_context = nullptr;
            trimmed->m_rowId = 0;
            trimmed->m_changed = 0;
        }
    }

    if (outcome.error.isNull()) {
        if (item.m_context != this)
            adopt(recording.item, outcome.rowId);
        releaseLargeFields(item);
    } else {
        // Not in the file: it waits in memory for the next save that succeeds.
        item.m_context = this;
        item.m_changed = 0;
        m_inserted.push_back(recording.item);
    }
    Q_EMIT saveFinished(outcome.error);
    if (outcome.error.isNull() && item.m_changed)
        (void)save();
    if (recording.recorded)
        recording.recorded(outcome.error);
}

void ModelContext::adopt(const ClipItemPtr &item, qint64 rowId)
{
    item->m_context = this;
    item->m_rowId = rowId;
    m_objects.insert(rowId, item);
    // A thumbnail that came while the item was being written is written with the next save.
    if (item->m_changed)
        m_updated.insert(rowId, item);
}

void ModelContext::waitForWrites()
{
    if (!m_writer)
        return;
    m_writer->waitUntilIdle();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

bool ModelContext::isRecording() const
{
    return !m_recording.empty();
}
