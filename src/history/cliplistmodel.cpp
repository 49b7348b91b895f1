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
        return section(index.row());
    case NumberRole:
        return number(index.row());
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

namespace {

bool hasUniqueIds(const QList<ClipItemPtr> &items, QHash<QUuid, qsizetype> *positions)
{
    positions->reserve(items.size());
    for (qsizetype row = 0; row < items.size(); ++row)
        positions->insert(items.at(row)->id(), row);
    return positions->size() == items.size();
}

} // namespace

QString ClipListModel::section(qsizetype row) const
{
    return row < m_pinnedCount ? u"PINNED"_s : m_pinnedCount > 0 ? u"HISTORY"_s : QString();
}

void ClipListModel::setItems(const QList<ClipItemPtr> &items, qsizetype pinnedCount)
{
    if (items == m_items && pinnedCount == m_pinnedCount)
        return;
    const qsizetype oldCount = m_items.size();
    QHash<QUuid, qsizetype> wanted;
    QHash<QUuid, qsizetype> current;
    if (!hasUniqueIds(items, &wanted) || !hasUniqueIds(m_items, &current)) {
        // Rows are told apart by their item's id: without that, start afresh.
        beginResetModel();
        for (const auto &item : std::as_const(m_items))
            unwatch(item);
        m_items = items;
        m_pinnedCount = pinnedCount;
        for (const auto &item : std::as_const(m_items))
            watch(item);
        endResetModel();
    } else {
        update(items, wanted, current, pinnedCount);
    }
    if (oldCount != m_items.size())
        Q_EMIT countChanged();
}

// Brings the rows to `items` with as few row operations as it takes, so views keep the
// rows that stay (and where the user scrolled to): rows of items that are gone are
// removed, rows that changed place move, new items are inserted, an item that came back as
// another object for the same record is replaced in its row.
void ClipListModel::update(const QList<ClipItemPtr> &items, const QHash<QUuid, qsizetype> &wanted,
                           const QHash<QUuid, qsizetype> &current, qsizetype pinnedCount)
{
    // What the rows that stay showed for the roles that follow from a row's place.
    QHash<QUuid, std::pair<QString, int>> placeRoles;
    for (qsizetype row = 0; row < m_items.size(); ++row)
        placeRoles.insert(m_items.at(row)->id(), {section(row), number(row)});

    for (qsizetype last = m_items.size() - 1; last >= 0;) {
        if (wanted.contains(m_items.at(last)->id())) {
            --last;
            continue;
        }
        qsizetype first = last;
        while (first > 0 && !wanted.contains(m_items.at(first - 1)->id()))
            --first;
        beginRemoveRows({}, int(first), int(last));
        for (qsizetype row = first; row <= last; ++row)
            unwatch(m_items.at(row));
        m_items.remove(first, last - first + 1);
        endRemoveRows();
        last = first - 1;
    }

    // Rows before `row` are in their final place, so a row inserted there reads as it will
    // stay; an item that stays is further down.
    m_pinnedCount = pinnedCount;
    for (qsizetype row = 0; row < items.size();) {
        const ClipItemPtr &item = items.at(row);
        if (row < m_items.size() && m_items.at(row)->id() == item->id()) {
            if (m_items.at(row) != item) {
                unwatch(m_items.at(row));
                m_items[row] = item;
                watch(item);
                Q_EMIT dataChanged(index(int(row)), index(int(row)));
            }
            ++row;
        } else if (current.contains(item->id())) {
            qsizetype from = row + 1;
            while (m_items.at(from)->id() != item->id())
                ++from;
            beginMoveRows({}, int(from), int(from), {}, int(row));
            m_items.move(from, row);
            endMoveRows();
        } else {
            qsizetype last = row;
            while (last + 1 < items.size() && !current.contains(items.at(last + 1)->id()))
                ++last;
            beginInsertRows({}, int(row), int(last));
            for (qsizetype added = row; added <= last; ++added) {
                m_items.insert(added, items.at(added));
                watch(items.at(added));
            }
            endInsertRows();
            row = last + 1;
        }
    }

    qsizetype firstChanged = m_items.size();
    qsizetype lastChanged = -1;
    for (qsizetype row = 0; row < m_items.size(); ++row) {
        const auto before = placeRoles.constFind(m_items.at(row)->id());
        if (before != placeRoles.cend() && *before != std::pair(section(row), number(row))) {
            firstChanged = std::min(firstChanged, row);
            lastChanged = row;
        }
    }
    if (lastChanged >= 0)
        Q_EMIT dataChanged(index(int(firstChanged)), index(int(lastChanged)), {SectionRole, NumberRole});
}

void ClipListModel::watch(const ClipItemPtr &item)
{
    const ClipItem *raw = item.get();
    const auto changed = [this, raw] { itemChanged(raw); };
    connect(raw, &ClipItem::textPreviewChanged, this, changed);
    connect(raw, &ClipItem::contentTypeRawChanged, this, changed);
    connect(raw, &ClipItem::isPinnedChanged, this, changed);
    connect(raw, &ClipItem::thumbnailDataChanged, this, changed);
    connect(raw, &ClipItem::timestampChanged, this, changed);
}

void ClipListModel::unwatch(const ClipItemPtr &item)
{
    disconnect(item.get(), nullptr, this, nullptr);
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
