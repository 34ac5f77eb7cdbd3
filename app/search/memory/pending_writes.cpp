#include "search/memory/pending_writes.h"

#include <sqlite3.h>

#include <new>

namespace meridane {

PendingWrites::~PendingWrites() {
    finish();
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool PendingWrites::hold(const std::shared_ptr<SqlConnection>& db, AfterCommit afterCommit) {
    std::unique_lock lock(mutex_);
    if (open_ && db_ == db) {
        ++holders_;
        return false;
    }
    if (open_) {
        lock.unlock();
        finish(); // the writes of another file (or connection) end first
        lock.lock();
    }
    // No reader can open the file from here until the commit.
    db->exec(QStringLiteral("BEGIN EXCLUSIVE"));
    db_ = db;
    afterCommit_ = std::move(afterCommit);
    open_ = true;
    failed_ = false;
    ++holders_;
    return true;
}

void PendingWrites::submit(Job job) {
    {
        std::lock_guard lock(mutex_);
        if (holders_ > 0)
            --holders_;
        if (job)
            jobs_.push_back(std::move(job));
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

bool PendingWrites::step(std::unique_lock<std::mutex>& lock) {
    if (running_)
        return false;
    if (!jobs_.empty()) {
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        if (failed_) {
            // It builds on a write that failed: it goes with it.
            changed_.notify_all();
            return true;
        }
        running_ = true;
        const std::shared_ptr<SqlConnection> db = db_;
        const Job before = beforeEachJob_;
        lock.unlock();
        bool ok = true;
        try {
            if (before)
                before(*db);
            job(*db);
        } catch (const DbError&) {
            ok = false;
        } catch (const std::bad_alloc&) {
            ok = false;
        }
        lock.lock();
        running_ = false;
        failed_ = failed_ || !ok;
        changed_.notify_all();
        return true;
    }
    if (!open_ || holders_ > 0)
        return false;
    // Nothing left: end the transaction, which releases the lock.
    if (!failed_) {
        try {
            db_->exec(QStringLiteral("COMMIT"));
        } catch (const DbError&) {
            failed_ = true;
        }
    }
    // After a failed write or commit the journal puts back what the transaction changed (the
    // engine may have rolled back already).
    if (failed_ && !sqlite3_get_autocommit(db_->handle())) {
        try {
            db_->exec(QStringLiteral("ROLLBACK"));
        } catch (const DbError&) {
            // The engine rolls the journal back when the file is next read.
        }
    }
    open_ = false;
    if (afterCommit_)
        afterCommit_(!failed_);
    afterCommit_ = {};
    db_.reset();
    changed_.notify_all();
    return true;
}

void PendingWrites::run() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (threadHeld_ || !step(lock))
            changed_.wait(lock);
    }
}

void PendingWrites::finish() {
    std::unique_lock lock(mutex_);
    while ((open_ && holders_ == 0) || !jobs_.empty() || running_) {
        // The caller writes rather than wait for a thread that is held (or not started).
        if ((threadHeld_ || !thread_.joinable()) && step(lock))
            continue;
        changed_.wait(lock);
    }
}

bool PendingWrites::busyWith(const SqlConnection* db) {
    std::lock_guard lock(mutex_);
    return db && db_.get() == db && (open_ || !jobs_.empty() || running_);
}

void PendingWrites::setBeforeEachJob(Job before) {
    std::lock_guard lock(mutex_);
    beforeEachJob_ = std::move(before);
}

void PendingWrites::holdThread(bool held) {
    {
        std::lock_guard lock(mutex_);
        threadHeld_ = held;
    }
    changed_.notify_all();
}

} // namespace meridane
