#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

struct sqlite3;
class ClipItem;

/// The stored fields of a new item as plain values, which another thread may read while
/// the item stays with its context: the byte arrays share the item's buffers.
struct NewRecord {
    QUuid id;
    QString contentTypeRaw;
    std::optional<QString> textPreview;
    bool isPinned = false;
    double timestamp = 0;
    QString contentHash;
    std::optional<QByteArray> thumbnailData;
    std::optional<QByteArray> richTextData;
    QByteArray content;
};

/// Seconds since the epoch, as the store keeps timestamps.
[[nodiscard]] double toStoredTime(const QDateTime &time);
[[nodiscard]] QDateTime fromStoredTime(double seconds);

/// Writes `record` as a new ClipItem row and its ClipContent row, inside a transaction
/// the caller has begun. Large values are written in pieces straight from the record's
/// buffers, never copied whole. Returns the error, or a null string and the item row's
/// id in `rowId`.
[[nodiscard]] QString insertRecord(sqlite3 *db, const NewRecord &record, qint64 *rowId);

/// Deletes every unpinned item but the `limit` newest, inside the caller's transaction;
/// the row ids deleted go to `deleted`. Returns the error, or a null string.
[[nodiscard]] QString trimRecords(sqlite3 *db, qint64 limit, QList<qint64> *deleted);

/// The content hash of the newest item, pinned or not; none when the history is empty.
[[nodiscard]] std::optional<QString> newestContentHash(sqlite3 *db, QString *error);
