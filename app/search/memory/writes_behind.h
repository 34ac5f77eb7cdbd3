// What the writes done behind the lists of the working copy left: the state of the file once
// they ended, and the result tables whose writes failed.
#pragma once

#include "search/knowledge_category.h"
#include "search/memory/file_stamp.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <mutex>
#include <optional>

namespace meridane {

// Waits until the writes the searches left behind their lists are done. The routines of this
// program that read or change a database file wait on their own; a tool calls it before it
// ends, and it runs at exit too.
void FinishPendingWrites();
// Keeps the writes behind from being done until a reader needs them (for tests).
void HoldPendingWrites(bool held);

// True when the writes behind the last list of category failed (known once they ended): its
// result table does not hold that list. Does not wait for pending writes.
bool ResultsLost(const KnowledgeCategory& category);
// Notes that the statements wrote category's result table anew.
void MarkResultsWritten(const KnowledgeCategory& category);

namespace memory {

struct FileImages;

// The state of the working copy the writes behind left, noted on the writing thread as soon as
// they end (before anyone else may write the file).
struct Committed {
    std::mutex mutex;
    QString key;
    std::optional<FileStamp> stamp; // no value: a write failed, the images no longer hold
    bool pending = false;
    // The result tables of the searches whose writes are pending.
    QSet<QString> writing;
    // Per file, the result tables whose writes failed and were rolled back: they do not hold
    // what the last list of their category showed, until a new search of that category.
    QHash<QString, QSet<QString>> lost;
};

Committed& LastCommit();

// Takes over what the last writes behind left of path, once they are done.
void AdoptCommit(FileImages& file, const QString& key);
// Forgets what the writes left of path (of every file when path is empty).
void ForgetCommit(const QString& path);

} // namespace memory

} // namespace meridane
