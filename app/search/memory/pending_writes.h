// What the in-memory search leaves to write after its list is shown. The working copy of the
// knowledge database reaches the state the statements leave inside one transaction that holds
// the file's exclusive lock from the search that asked for the writes until the last of them is
// done: another process that opens the file waits on the lock, and inside the program whoever
// reads the file first waits for the writes (finish).
//
// The writes are queued as the state each table is to reach rather than as steps: a write that
// makes a table anew takes the place of the queued writes of that table, and counts to write
// join the queued counts of the same table, the later count winning (and a count set back to
// what the file holds is not written at all). So a search made while the writes of an earlier
// one wait never waits for them, and writes that a later search makes moot are never done.
//
// Behind (the default) the writes are done on a thread of their own as soon as they are queued.
// Deferred, they wait until a reader needs them: finish writes them on the caller's thread, and
// abandon drops them unwritten (the program does that at its end, since it then replaces the
// working copy anyway).
//
// A write that fails (a full disk, an I/O error) ends the transaction with a rollback: the
// writes queued after it build on it and are dropped, and the file is left as it was before the
// transaction began (the connection must keep a rollback journal for that). The caller learns
// it from AfterCommit.
#pragma once

#include "search/sqlite_db.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace meridane {

// A count to set in a row, with the count the file holds there (when it is an integer).
struct CountChange {
    qint64 count = 0;
    std::optional<qint64> before;
};
// By rowid, so that they are written in the order of the table's pages.
using CountChanges = std::map<qint64, CountChange>;

class PendingWrites {
public:
    using Job = std::function<void(SqlConnection&)>;
    // One queued write: run writes it. A write with counts sets those counts in table and
    // nothing else, so that the counts of two such writes of a table can be written by either.
    struct Write {
        QString table;        // the table it writes
        bool remakes = false; // run drops table and makes it anew
        QString reads;        // a table whose contents run reads
        CountChanges counts;
        std::function<void(SqlConnection&, const Write&)> run;
    };
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
    // Queues writes, in order, for the connection given to the last hold, and ends that hold.
    // A write that remakes a table drops the queued writes of that table first; counts join
    // the queued counts of their table where nothing queued after those reads the table. The
    // transaction ends only when no hold is left and no write waits.
    void submit(std::vector<Write> writes);
    // Ends a hold without a write.
    void release() { submit({}); }
    // Waits until every queued write is written and the transaction ended. While the thread is
    // held or the writes are deferred, the caller writes them itself.
    void finish();
    // Drops every queued write, stops the one being written and rolls the transaction back, so
    // that the file is as it was before the writes; AfterCommit learns that they failed. A hold
    // not yet ended stays (its transaction ends with a rollback).
    void abandon();
    // Deferred: nothing is written until finish (or dropped by abandon).
    void setDeferred(bool deferred);
    // Has the thread write what is queued now, also while deferred, until nothing is left.
    void writeBehindNow();
    // Waits, as finish does, until every queued write is done (true), or until stopped() says
    // to stop waiting (false; the thread writes on). stopped is asked about every 20 ms.
    bool waitUntilWritten(const std::function<bool()>& stopped);
    // The queued writes, for tests.
    std::vector<Write> queued();
    // True while a transaction is open on db or jobs for it wait.
    bool busyWith(const SqlConnection* db);
    // True while a write of table waits or any write is under way.
    bool writes(const QString& table);
    // True while a transaction is open or writes wait.
    bool busy();
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
    void queue(Write write);
    static int Progress(void* self);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Write> jobs_;
    std::shared_ptr<SqlConnection> db_;
    AfterCommit afterCommit_;
    bool open_ = false;    // a transaction is open on db_
    int holders_ = 0;      // holds not yet ended by submit
    bool running_ = false; // a job is being written
    bool failed_ = false;  // a job of the open transaction failed
    bool threadHeld_ = false;
    bool deferred_ = false;
    bool writingNow_ = false; // the thread writes while deferred, until nothing is left
    std::atomic<bool> abandoning_ = false; // the write under way is to stop
    bool ending_ = false;                  // the thread is to end
    Job beforeEachJob_;
    std::thread thread_;
};

} // namespace meridane
