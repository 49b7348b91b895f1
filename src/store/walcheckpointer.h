#pragma once

#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

struct sqlite3;

/// Copies the write-ahead log back into the database file on a thread of its own, over
/// a connection of its own, instead of at the end of the commit that filled the log.
/// The commit that stores a copied 100 MB picture then pays for writing it once, not
/// twice, on the thread that draws the panel. Passive checkpoints never block the
/// writer or the readers; durability is the commit's, which syncs the log.
class WalCheckpointer
{
public:
    /// Log pages after a commit from which a checkpoint is asked for (SQLite's default).
    static constexpr int pagesBeforeCheckpoint = 1000;

    /// Takes over checkpointing for `db`, an open WAL-mode connection to `path`, when a
    /// second connection to the file can be opened; otherwise SQLite keeps checkpointing
    /// inside the commit.
    WalCheckpointer(sqlite3 *db, const QString &path);
    /// Waits for a checkpoint under way; later ones are left to the next opening.
    ~WalCheckpointer();
    WalCheckpointer(const WalCheckpointer &) = delete;
    WalCheckpointer &operator=(const WalCheckpointer &) = delete;

    /// Also checkpoints after the commits of `db`, another connection to the same file.
    void watch(sqlite3 *db);
    /// Asks for a checkpoint soon; several requests before it starts make one.
    void request();
    /// How many checkpoints have copied the whole log into the file, for tests.
    [[nodiscard]] int completedCheckpoints() const;
    /// Whether no checkpoint is asked for or under way, for tests.
    [[nodiscard]] bool isIdle() const;

private:
    void run();

    sqlite3 *m_db;
    sqlite3 *m_checkpointDb = nullptr;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_requested = false;
    bool m_stopping = false;
    bool m_checkpointing = false;
    int m_completed = 0;
    std::thread m_thread;
};
