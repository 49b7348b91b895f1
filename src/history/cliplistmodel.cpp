#include "history/cliplistmodel.h"

using namespace Qt::StringLiterals;

int ClipListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant ClipListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ClipItem &item = *m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TextPreviewRole:
        return item.textPreviewOrEmpty();
    case ItemRole:
        return QVariant::fromValue(const_cast<ClipItem *>(&item));
    case IdRole:
        return item.id();
    case ContentTypeRole:
        return item.contentTypeRaw();
    case IsPinnedRole:
        return item.isPinned();
    case HasThumbnailRole:
        return item.hasThumbnail();
    case TimestampRole:
        return item.timestamp();
    case KeyRole:
        return item.id().toString(QUuid::WithoutBraces);
    case SectionRole:
        return index.row() < m_pinnedCount ? u"PINNED"_s : m_pinnedCount > 0 ? u"HISTORY"_s : QString();
    case NumberRole:
        return index.row() < 9 ? index.row() + 1 : 0;
    default:
        return {};
    }
}

QHash<int, QByteArray> ClipListModel::roleNames() const
{
    return {
        {ItemRole, "item"},
        {IdRole, "itemId"},
        {TextPreviewRole, "textPreview"},
        {ContentTypeRole, "contentType"},
        {IsPinnedRole, "isPinned"},
        {HasThumbnailRole, "hasThumbnail"},
        {TimestampRole, "timestamp"},
        {KeyRole, "itemKey"},
        {SectionRole, "section"},
        {NumberRole, "shortcutNumber"},
    };
}

void ClipListModel::setItems(const QList<ClipItemPtr> &items, qsizetype pinnedCount)
{
    if (items == m_items && pinnedCount == m_pinnedCount)
        return;
    const bool countChanges = items.size() != m_items.size();
    beginResetModel();
    for (const auto &item : std::as_const(m_items))
        disconnect(item.get(), nullptr, this, nullptr);
    m_items = items;
    m_pinnedCount = pinnedCount;
    for (const auto &item : std::as_const(m_items)) {
        const ClipItem *raw = item.get();
        const auto changed = [this, raw] { itemChanged(raw); };
        connect(raw, &ClipItem::textPreviewChanged, this, changed);
        connect(raw, &ClipItem::contentTypeRawChanged, this, changed);
        connect(raw, &ClipItem::isPinnedChanged, this, changed);
        connect(raw, &ClipItem::thumbnailDataChanged, this, changed);
        connect(raw, &ClipItem::timestampChanged, this, changed);
    }
    endResetModel();
    if (countChanges)
        Q_EMIT countChanged();
}

void ClipListModel::itemChanged(const ClipItem *item)
{
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).get() == item) {
            const QModelIndex changed = index(row);
            Q_EMIT dataChanged(changed, changed);
        }
    }
}
