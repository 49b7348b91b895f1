#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct sqlite3;
class WalCheckpointer;

/// A thread with a connection of its own to the history file, on which writes whose cost
/// grows with an item's size run one after another, in the order they were posted, away
/// from the thread that draws the panel.
class StoreWriter
{
public:
    using Job = std::function<void(sqlite3 *db)>;

    /// Opens the connection to `path`, an opened store; the log it fills is copied back
    /// by `checkpointer` when there is one. isRunning() is false when it cannot.
    StoreWriter(const QString &path, WalCheckpointer *checkpointer);
    /// Runs every job still posted, then stops.
    ~StoreWriter();
    StoreWriter(const StoreWriter &) = delete;
    StoreWriter &operator=(const StoreWriter &) = delete;

    [[nodiscard]] bool isRunning() const { return m_db != nullptr; }
    /// Runs `job` on the writer's thread after every job posted before it.
    void post(Job job);
    /// Returns once every job posted so far has run.
    void waitUntilIdle();

private:
    void run();
    void releaseIdleMemory();

    sqlite3 *m_db = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};
