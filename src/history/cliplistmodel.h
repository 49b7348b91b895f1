#pragma once

#include "store/clipitem.h"

#include <QAbstractListModel>
#include <qqmlintegration.h>

/// A list of history items for a view: one row per item, in the given order. The rows
/// follow the items' own changes (a thumbnail arriving, a pin flipping).
class ClipListModel : public QAbstractListModel
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Lists come from the history view-model.")

    Q_PROPERTY(int count READ rowCount NOTIFY countChanged)

public:
    enum Role {
        ItemRole = Qt::UserRole + 1, ///< the ClipItem object
        IdRole,
        TextPreviewRole,
        ContentTypeRole,
        IsPinnedRole,
        HasThumbnailRole,
        TimestampRole,
        KeyRole,     ///< the id as text, for comparisons in views
        SectionRole, ///< "PINNED", "HISTORY", or "" when there are no pinned rows
        NumberRole,  ///< the Ctrl+digit of the first nine rows, else 0
    };
    Q_ENUM(Role)

    using QAbstractListModel::QAbstractListModel;

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;

    [[nodiscard]] const QList<ClipItemPtr> &items() const { return m_items; }
    /// Brings the rows to `items`, inserting, moving and removing rows rather than
    /// resetting; does nothing when `items` are the same objects in the same order.
    /// The first `pinnedCount` rows are the pinned section.
    void setItems(const QList<ClipItemPtr> &items, qsizetype pinnedCount = 0);

Q_SIGNALS:
    void countChanged();

private:
    void update(const QList<ClipItemPtr> &items, const QHash<QUuid, qsizetype> &wanted,
                const QHash<QUuid, qsizetype> &current, qsizetype pinnedCount);
    [[nodiscard]] QString section(qsizetype row) const;
    [[nodiscard]] static int number(qsizetype row) { return row < 9 ? int(row) + 1 : 0; }
    void watch(const ClipItemPtr &item);
    void unwatch(const ClipItemPtr &item);
    void itemChanged(const ClipItem *item);

    QList<ClipItemPtr> m_items;
    qsizetype m_pinnedCount = 0;
};
