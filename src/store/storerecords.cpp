#include "store/storerecords.h"

#include "store/sqlitestatement.h"

#include <QDateTime>
#include <QList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Written in pieces of this size, so SQLite never holds a whole large value at once.
constexpr qsizetype blobPieceSize = 4 << 20;

QString writeBlob(sqlite3 *db, const char *column, qint64 rowId, const QByteArray &bytes)
{
    sqlite3_blob *blob = nullptr;
    if (sqlite3_blob_open(db, "main", "ClipContent", column, rowId, 1, &blob) != SQLITE_OK) {
        const QString error = sqliteError(db);
        sqlite3_blob_close(blob);
        return error;
    }
    int rc = SQLITE_OK;
    for (qsizetype offset = 0; rc == SQLITE_OK && offset < bytes.size(); offset += blobPieceSize) {
        const qsizetype piece = std::min(blobPieceSize, bytes.size() - offset);
        rc = sqlite3_blob_write(blob, bytes.constData() + offset, int(piece), int(offset));
    }
    const QString error = rc == SQLITE_OK ? QString() : sqliteError(db);
    sqlite3_blob_close(blob);
    return error;
}

// Values up to this size are bound directly; larger ones are written in pieces.
constexpr qsizetype inlineBlobSize = 256 * 1024;

void bindSized(SqliteStatement &statement, int index, const std::optional<QByteArray> &value)
{
    if (value && value->size() > inlineBlobSize)
        statement.bindZeroBlob(index, value->size());
    else
        statement.bindStatic(index, value);
}

} // namespace

double toStoredTime(const QDateTime &time)
{
    return double(time.toMSecsSinceEpoch()) / 1000.0;
}

QDateTime fromStoredTime(double seconds)
{
    return QDateTime::fromMSecsSinceEpoch(qRound64(seconds * 1000.0), Qt::UTC);
}

QString insertRecord(sqlite3 *db, const NewRecord &record, qint64 *rowId)
{
    SqliteStatement contents(db, u"INSERT INTO ClipContent (richTextData, content) VALUES (?, ?)"_s);
    bindSized(contents, 1, record.richTextData);
    bindSized(contents, 2, record.content);
    if (!contents.exec())
        return sqliteError(db);
    const qint64 contentId = sqlite3_last_insert_rowid(db);
    if (record.richTextData && record.richTextData->size() > inlineBlobSize) {
        if (QString error = writeBlob(db, "richTextData", contentId, *record.richTextData); !error.isNull())
            return error;
    }
    if (record.content.size() > inlineBlobSize) {
        if (QString error = writeBlob(db, "content", contentId, record.content); !error.isNull())
            return error;
    }

    SqliteStatement item(db, u"INSERT INTO ClipItem (id, contentTypeRaw, textPreview, isPinned, timestamp, "
                             "contentHash, thumbnailData, contentId) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s);
    item.bind(1, record.id.toString(QUuid::WithoutBraces));
    item.bind(2, record.contentTypeRaw);
    item.bind(3, record.textPreview);
    item.bind(4, qint64(record.isPinned));
    item.bind(5, record.timestamp);
    item.bind(6, record.contentHash);
    item.bindStatic(7, record.thumbnailData);
    item.bind(8, contentId);
    if (!item.exec())
        return sqliteError(db);
    *rowId = sqlite3_last_insert_rowid(db);
    return {};
}

QString trimRecords(sqlite3 *db, qint64 limit, QList<qint64> *deleted)
{
    // The surplus, oldest first: all but the `limit` newest unpinned items.
    SqliteStatement surplus(db, u"SELECT rowid FROM ClipItem WHERE isPinned = 0 "
                                "ORDER BY timestamp DESC, rowid DESC LIMIT -1 OFFSET ?"_s);
    surplus.bind(1, std::max<qint64>(limit, 0));
    QList<qint64> rowIds;
    int rc;
    while ((rc = surplus.step()) == SQLITE_ROW)
        rowIds << surplus.int64Column(0);
    if (rc != SQLITE_DONE)
        return sqliteError(db);
    SqliteStatement remove(db, u"DELETE FROM ClipItem WHERE rowid = ?"_s);
    for (const qint64 rowId : std::as_const(rowIds)) {
        remove.reset();
        remove.bind(1, rowId);
        if (!remove.exec())
            return sqliteError(db);
    }
    *deleted = rowIds;
    return {};
}

std::optional<QString> newestContentHash(sqlite3 *db, QString *error)
{
    SqliteStatement newest(db, u"SELECT contentHash FROM ClipItem ORDER BY timestamp DESC, rowid DESC LIMIT 1"_s);
    const int rc = newest.step();
    if (rc == SQLITE_ROW)
        return newest.textColumn(0);
    if (rc != SQLITE_DONE)
        *error = sqliteError(db);
    return std::nullopt;
}
