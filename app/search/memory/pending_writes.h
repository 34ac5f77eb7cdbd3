// What the in-memory search leaves to write after its list is shown. The working copy of the
// knowledge database reaches the state the statements leave on one thread of its own, inside
// one transaction that holds the file's exclusive lock from the search that asked for the writes
// until the last of them is done: another process that opens the file waits on the lock, and
// inside the program whoever reads the file first waits for the writes (Finish).
//
// A write that fails (a full disk, an I/O error) ends the transaction with a rollback: the jobs
// queued after it build on it and are dropped, and the file is left as it was before the
// transaction began (the connection must keep a rollback journal for that). The caller learns
// it from AfterCommit.
#pragma once

#include "search/sqlite_db.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace meridane {

class PendingWrites {
public:
    using Job = std::function<void(SqlConnection&)>;
    // Called on the writing thread right after the transaction ended, before anyone waiting in
    // Finish goes on; ok is false when a write failed.
    using AfterCommit = std::function<void(bool ok)>;

    PendingWrites() = default;
    // Finishes what is queued, then ends the thread.
    ~PendingWrites();
    PendingWrites(const PendingWrites&) = delete;
    PendingWrites& operator=(const PendingWrites&) = delete;

    // Makes db hold the file's exclusive lock in an open transaction, beginning it when no
    // writes are pending (after finishing those of another connection). Returns true when it
    // began the transaction. Throws DbError when the lock cannot be had.
    bool hold(const std::shared_ptr<SqlConnection>& db, AfterCommit afterCommit);
    // Queues job for the connection given to the last hold, and ends that hold; the thread
    // writes it behind. The transaction ends only when no hold is left and no job waits.
    void submit(Job job);
    // Ends a hold without a job.
    void release() { submit({}); }
    // Waits until every queued job is written and the transaction ended. While the thread is
    // held (tests), the caller writes them itself.
    void finish();
    // True while a transaction is open on db or jobs for it wait.
    bool busyWith(const SqlConnection* db);
    // Keeps the thread from writing until released: the writes then wait for a reader.
    void holdThread(bool held);
    // Runs before every job, on the connection that writes it (tests use it to make the writes
    // fail as on a full disk).
    void setBeforeEachJob(Job before);

private:
    // Does one piece of work (one job, or the commit when none is left); false when there was
    // none. Called with lock held; unlocks it while a job runs.
    bool step(std::unique_lock<std::mutex>& lock);
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Job> jobs_;
    std::shared_ptr<SqlConnection> db_;
    AfterCommit afterCommit_;
    bool open_ = false;    // a transaction is open on db_
    int holders_ = 0;      // holds not yet ended by submit
    bool running_ = false; // a job is being written
    bool failed_ = false;  // a job of the open transaction failed
    bool threadHeld_ = false;
    bool ending_ = false; // the thread is to end
    Job beforeEachJob_;
    std::thread thread_;
};

} // namespace meridane
