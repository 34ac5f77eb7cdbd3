#include "search/memory/pending_writes.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <iterator>
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
    // Lets abandon stop a statement under way.
    sqlite3_progress_handler(db->handle(), 1000, &PendingWrites::Progress, this);
    db_ = db;
    afterCommit_ = std::move(afterCommit);
    open_ = true;
    failed_ = false;
    ++holders_;
    return true;
}

int PendingWrites::Progress(void* self) {
    return static_cast<PendingWrites*>(self)->abandoning_.load() ? 1 : 0;
}

void PendingWrites::queue(Write write) {
    if (!write.counts.empty() && !write.remakes) {
        // The last queued write of the same table, unless something queued after it reads the
        // table: the counts join it.
        for (auto it = jobs_.rbegin(); it != jobs_.rend(); ++it) {
            if (it->reads == write.table)
                break;
            if (it->table != write.table)
                continue;
            if (it->remakes)
                break;
            for (auto& [rowid, change] : write.counts) {
                auto [at, added] = it->counts.try_emplace(rowid, change);
                if (added)
                    continue;
                at->second.count = change.count;
                // Back to what the file holds: nothing to write.
                if (at->second.before == change.count)
                    it->counts.erase(at);
            }
            return;
        }
    }
    jobs_.push_back(std::move(write));
}

void PendingWrites::submit(std::vector<Write> writes) {
    {
        std::lock_guard lock(mutex_);
        if (holders_ > 0)
            --holders_;
        // A table made anew: what was queued for it is moot.
        for (const Write& write : writes)
            if (write.remakes)
                std::erase_if(jobs_,
                              [&](const Write& queued) { return queued.table == write.table; });
        for (Write& write : writes)
            queue(std::move(write));
        if (!thread_.joinable() && !deferred_)
            thread_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

bool PendingWrites::step(std::unique_lock<std::mutex>& lock) {
    if (running_)
        return false;
    if (!jobs_.empty()) {
        Write write = std::move(jobs_.front());
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
            if (abandoning_)
                throw DbError("the writes were abandoned");
            if (before)
                before(*db);
            if (write.run)
                write.run(*db, write);
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
    sqlite3_progress_handler(db_->handle(), 0, nullptr, nullptr);
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
        if (threadHeld_ || (deferred_ && !writingNow_)) {
            changed_.wait(lock);
        } else if (!step(lock)) {
            writingNow_ = false;
            changed_.wait(lock);
        }
    }
}

void PendingWrites::finish() {
    std::unique_lock lock(mutex_);
    while ((open_ && holders_ == 0) || !jobs_.empty() || running_) {
        // The caller writes rather than wait for a thread that is held (or not started).
        if ((threadHeld_ || deferred_ || !thread_.joinable()) && step(lock))
            continue;
        changed_.wait(lock);
    }
}

void PendingWrites::abandon() {
    std::unique_lock lock(mutex_);
    jobs_.clear();
    if (!open_)
        return;
    // Whoever ends the transaction rolls it back.
    failed_ = true;
    abandoning_ = true;
    while (running_)
        changed_.wait(lock);
    abandoning_ = false;
    // Ended here unless a hold is still open (its transaction then ends with a rollback).
    while (open_ && holders_ == 0 && step(lock)) {
    }
}

void PendingWrites::writeBehindNow() {
    {
        std::lock_guard lock(mutex_);
        if (!open_ && jobs_.empty())
            return;
        writingNow_ = true;
        if (!thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

bool PendingWrites::waitUntilWritten(const std::function<bool()>& stopped) {
    std::unique_lock lock(mutex_);
    while ((open_ && holders_ == 0) || !jobs_.empty() || running_) {
        if (stopped())
            return false;
        // A held thread writes nothing: the caller does, as in finish.
        if (threadHeld_ && step(lock))
            continue;
        changed_.wait_for(lock, std::chrono::milliseconds(20));
    }
    return true;
}

void PendingWrites::setDeferred(bool deferred) {
    {
        std::lock_guard lock(mutex_);
        deferred_ = deferred;
        if (!deferred && (open_ || !jobs_.empty()) && !thread_.joinable())
            thread_ = std::thread([this] { run(); });
    }
    changed_.notify_all();
}

std::vector<PendingWrites::Write> PendingWrites::queued() {
    std::lock_guard lock(mutex_);
    return {jobs_.begin(), jobs_.end()};
}

bool PendingWrites::busyWith(const SqlConnection* db) {
    std::lock_guard lock(mutex_);
    return db && db_.get() == db && (open_ || !jobs_.empty() || running_);
}

bool PendingWrites::writes(const QString& table) {
    std::lock_guard lock(mutex_);
    return running_ || std::any_of(jobs_.begin(), jobs_.end(),
                                   [&](const Write& w) { return w.table == table; });
}

bool PendingWrites::busy() {
    std::lock_guard lock(mutex_);
    return open_ || !jobs_.empty() || running_;
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
