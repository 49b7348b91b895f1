#pragma once

// Helpers shared by the store tests: items with chosen fields, and a second, independent
// connection that shows what is really on disk.

#include "store/clipitem.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

inline ClipItemPtr makeTextItem(const QString &text, qint64 msecsSinceEpoch, bool pinned = false)
{
    const QByteArray content = text.toUtf8();
    auto item = ClipItem::create(content, ClipContentType::Text, makeTextPreview(text), std::nullopt, std::nullopt,
                                 computeContentHash(ClipContentType::Text, content));
    item->setTimestamp(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch, Qt::UTC));
    item->setIsPinned(pinned);
    return item;
}

/// The items' previews, in their order.
inline QStringList previewsOf(const QList<ClipItemPtr> &items)
{
    QStringList previews;
    for (const auto &item : items)
        previews << item->textPreviewOrEmpty();
    return previews;
}

/// A read-only connection of its own to the store file: it sees committed data only.
class DiskView
{
public:
    explicit DiskView(const QString &path)
    {
        sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~DiskView() { sqlite3_close_v2(m_db); }
    DiskView(const DiskView &) = delete;
    DiskView &operator=(const DiskView &) = delete;

    /// Values of the first column of `sql`, as text.
    QStringList column(const QString &sql) const
    {
        QStringList values;
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW)
                values << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        }
        sqlite3_finalize(stmt);
        return values;
    }

    /// The previews on disk, newest first.
    QStringList previews() const { return column(QStringLiteral("SELECT textPreview FROM ClipItem ORDER BY timestamp DESC, rowid DESC")); }

private:
    sqlite3 *m_db = nullptr;
};
