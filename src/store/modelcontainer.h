#pragma once

#include "store/schema.h"

#include <QString>

#include <memory>

struct sqlite3;
class WalCheckpointer;

/// The durable store of the history: one SQLite file holding the ClipItem table and the
/// ClipContent table it refers to, under a recorded schema version. Files written under
/// an older schema are migrated in place when opened.
///
/// Opening never changes a file it cannot use: a file that is not a database, is
/// damaged, or was written under a schema the migration plan does not know is reported
/// and left exactly as it was.
class ModelContainer
{
public:
    /// Opens the store at `path`, creating the file (mode 0600) when it does not exist.
    /// The folder must exist. Returns null and sets `error` when the store cannot be
    /// opened or migrated.
    [[nodiscard]] static std::unique_ptr<ModelContainer> open(const QString &path, QString *error);
    ~ModelContainer();
    ModelContainer(const ModelContainer &) = delete;
    ModelContainer &operator=(const ModelContainer &) = delete;

    [[nodiscard]] QString path() const { return m_path; }
    /// The schema version recorded in the file.
    [[nodiscard]] SchemaVersion schemaVersion() const { return ClipItemSchemaV2::versionIdentifier; }
    /// The open connection, for the context and for maintenance tools.
    [[nodiscard]] sqlite3 *connection() const { return m_db; }
    /// Copies the log into the file away from the thread that saves.
    [[nodiscard]] WalCheckpointer *checkpointer() const { return m_checkpointer.get(); }

private:
    ModelContainer(sqlite3 *db, const QString &path);

    sqlite3 *m_db;
    QString m_path;
    std::unique_ptr<WalCheckpointer> m_checkpointer;
};
