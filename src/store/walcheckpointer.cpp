#include "store/walcheckpointer.h"

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

int afterCommit(void *checkpointer, sqlite3 *, const char *, int pages)
{
    if (pages >= WalCheckpointer::pagesBeforeCheckpoint)
        static_cast<WalCheckpointer *>(checkpointer)->request();
    return SQLITE_OK;
}

} // namespace

WalCheckpointer::WalCheckpointer(sqlite3 *db, const QString &path)
    : m_db(db)
{
    // The connection must have read the database before it sees the log: a checkpoint
    // on one that has not copies nothing and still reports success.
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_checkpointDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr)
            != SQLITE_OK
        || sqlite3_exec(m_checkpointDb, "SELECT 1 FROM sqlite_schema LIMIT 1", nullptr, nullptr, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(m_checkpointDb);
        m_checkpointDb = nullptr;
        return; // SQLite's own checkpoint inside the commit stays in place
    }
    sqlite3_busy_timeout(m_checkpointDb, 1000);
    sqlite3_exec(m_checkpointDb, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
    // Replaces the automatic checkpoint, which runs inside the committing call.
    sqlite3_wal_hook(m_db, afterCommit, this);
    m_thread = std::thread([this] { run(); });
}

WalCheckpointer::~WalCheckpointer()
{
    if (!m_checkpointDb)
        return;
    sqlite3_wal_hook(m_db, nullptr, nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    sqlite3_close_v2(m_checkpointDb);
}

void WalCheckpointer::watch(sqlite3 *db)
{
    if (m_checkpointDb)
        sqlite3_wal_hook(db, afterCommit, this);
}

void WalCheckpointer::request()
{
    {
        std::lock_guard lock(m_mutex);
        m_requested = true;
    }
    m_wake.notify_one();
}

int WalCheckpointer::completedCheckpoints() const
{
    std::lock_guard lock(m_mutex);
    return m_completed;
}

bool WalCheckpointer::isIdle() const
{
    std::lock_guard lock(m_mutex);
    return !m_requested && !m_checkpointing;
}

void WalCheckpointer::run()
{
    // Copying the log is never urgent: the thread that draws the panel goes first.
    setpriority(PRIO_PROCESS, gettid(), 10);
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_requested || m_stopping; });
        if (m_stopping)
            break;
        m_requested = false;
        m_checkpointing = true;
        lock.unlock();
        int logFrames = -1;
        int copiedFrames = -1;
        const int result = sqlite3_wal_checkpoint_v2(m_checkpointDb, nullptr, SQLITE_CHECKPOINT_PASSIVE, &logFrames,
                                                     &copiedFrames);
        lock.lock();
        m_checkpointing = false;
        // Only a checkpoint that copied the whole log lets the next commit start it anew.
        if (result == SQLITE_OK && logFrames > 0 && copiedFrames == logFrames)
            ++m_completed;
    }
}
