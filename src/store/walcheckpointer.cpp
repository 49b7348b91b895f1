#include "store/walcheckpointer.h"

#include <sqlite3.h>

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
    , m_path(path.toUtf8())
{
    // Replaces the automatic checkpoint, which runs inside the committing call.
    sqlite3_wal_hook(m_db, afterCommit, this);
    m_thread = std::thread([this] { run(); });
}

WalCheckpointer::~WalCheckpointer()
{
    sqlite3_wal_hook(m_db, nullptr, nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
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

void WalCheckpointer::run()
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(m_path.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        db = nullptr; // the log then grows until the next opening checkpoints it
    } else {
        sqlite3_busy_timeout(db, 1000);
        sqlite3_exec(db, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr);
        // This connection never writes: closing it must not checkpoint on its own either.
        sqlite3_wal_autocheckpoint(db, 0);
    }
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return m_requested || m_stopping; });
        if (m_stopping)
            break;
        m_requested = false;
        lock.unlock();
        const bool done = db && sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr) == SQLITE_OK;
        lock.lock();
        if (done)
            ++m_completed;
    }
    lock.unlock();
    sqlite3_close_v2(db);
}
