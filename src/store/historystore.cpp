#include "store/historystore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

QString defaultHistoryStorePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/jotterly/history.sqlite"_s;
}

std::optional<HistoryStore> createHistoryStore(const QString &path, QString *error)
{
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        *error = u"cannot create the folder “%1”"_s.arg(folder);
        return std::nullopt;
    }
    ::chmod(QFile::encodeName(folder).constData(), 0700);

    auto container = ModelContainer::open(path, error);
    if (!container)
        return std::nullopt;
    auto context = std::make_unique<ModelContext>(container.get());
    return HistoryStore{std::move(container), std::move(context)};
}

ClipItemPtr fetchNewestItem(ModelContext &context, QString *error)
{
    FetchDescriptor newest;
    newest.fetchLimit = 1;
    FetchResult result = context.fetch(newest);
    if (!result.ok() && error)
        *error = result.error;
    return result.items.isEmpty() ? nullptr : result.items.constFirst();
}

void trimHistory(ModelContext &context, qint64 limit)
{
    limit = qMax<qint64>(limit, 0);
    FetchDescriptor unpinned;
    unpinned.isPinned = false;
    const auto count = context.fetchCount(unpinned);
    if (!count || *count <= limit)
        return;

    // Only the surplus is read, oldest first: the same items as "all but the `limit`
    // newest", without loading the whole history at every capture.
    FetchDescriptor surplus = unpinned;
    surplus.sort = FetchDescriptor::Sort::TimestampAscending;
    surplus.fetchLimit = *count - limit;
    const FetchResult oldest = context.fetch(surplus);
    if (!oldest.ok())
        return;
    for (const auto &item : oldest.items)
        context.remove(item);
    (void)context.save();
}
