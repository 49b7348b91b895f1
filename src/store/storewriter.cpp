#include "store/storewriter.h"

#include "store/walcheckpointer.h"

#include <QFile>

#include <sqlite3.h>
#include <sys/resource.h>
#include <unistd.h>

StoreWriter::StoreWriter(const QString &path, WalCheckpointer *checkpointer)
{
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr)
        != SQLITE_OK) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        return;
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
    // The same durability as the main connection: a commit that returned survives a crash.
    // A small page cache: writes append, and a copied picture's pages are not read again.
    sqlite3_exec(m_db, "PRAGMA synchronous = NORMAL; PRAGMA journal_size_limit = 67108864; PRAGMA cache_size = -256",
                 nullptr, nullptr, nullptr);
    if (checkpointer)
        checkpointer->watch(m_db);
    m_thread = std::thread([this] { run(); });
}

StoreWriter::~StoreWriter()
{
    if (!m_db)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    sqlite3_close_v2(m_db);
}

void StoreWriter::post(Job job)
{
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void StoreWriter::waitUntilIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
}

// Between bursts of copies the connection's page cache is of no use: give it back rather
// than keep megabytes for the next copy. (Not the allocator's free pages: trimming them
// locks every arena, and the main thread would wait on its next allocation.)
void StoreWriter::releaseIdleMemory()
{
    sqlite3_db_release_memory(m_db);
}

void StoreWriter::run()
{
    // Hashing and writing a copied picture takes seconds of processor time, which the
    // thread that draws the panel gets first; a small copy is a moment's work either way.
    setpriority(PRIO_PROCESS, gettid(), 5);
    std::unique_lock lock(m_mutex);
    while (true) {
        m_wake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
        if (m_jobs.empty())
            break; // stopping, and nothing left to write
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_busy = true;
        lock.unlock();
        job(m_db);
        job = nullptr; // what the job holds goes here, before anyone is told it is done
        lock.lock();
        if (m_jobs.empty()) {
            lock.unlock(); // a copy posted meanwhile does not wait for this
            releaseIdleMemory();
            lock.lock();
        }
        m_busy = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}
