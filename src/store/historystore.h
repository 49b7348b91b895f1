#pragma once

#include "store/clipitem.h"
#include "store/modelcontainer.h"
#include "store/modelcontext.h"

#include <QString>

#include <memory>
#include <optional>

/// The opened history: the durable container and the one context that the whole
/// application shares. The context is declared last so it goes before its container.
struct HistoryStore {
    std::unique_ptr<ModelContainer> container;
    std::unique_ptr<ModelContext> context;
};

/// What the application prints before it exits when the history cannot be opened.
inline constexpr auto historyStoreFailurePrefix = "Failed to create ModelContainer: ";

/// Where the history lives: `$XDG_DATA_HOME/jotterly/history.sqlite`.
[[nodiscard]] QString defaultHistoryStorePath();

/// Opens the history at `path`, creating its folder (mode 0700) and file (mode 0600)
/// when they do not exist. Returns none and describes the reason in `error` when the
/// store cannot be opened or migrated; the application does not run without it.
[[nodiscard]] std::optional<HistoryStore> createHistoryStore(const QString &path, QString *error);

/// The item with the latest timestamp, pinned or not; null when the history is empty or
/// the fetch failed (then `error`, when given, says why).
[[nodiscard]] ClipItemPtr fetchNewestItem(ModelContext &context, QString *error = nullptr);

/// Deletes every unpinned item but the `limit` newest and saves. Pinned items are never
/// counted or deleted. Does nothing when the fetch fails; a failed save stays pending.
void trimHistory(ModelContext &context, qint64 limit);
