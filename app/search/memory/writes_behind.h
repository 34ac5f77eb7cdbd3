// What the writes done behind the lists of the working copy left: the state of the file once
// they ended, and the result tables whose writes failed.
#pragma once

#include "search/knowledge_category.h"
#include "search/memory/file_stamp.h"
#include "search/memory/image_cache.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <mutex>
#include <optional>

namespace meridane::memory {

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

// Takes over into file what the last writes behind left of the file kept under key, once they
// are done.
void AdoptCommit(Committed& c, FileImages& file, const QString& key);
// Forgets what the writes left of path (of every file when path is empty).
void ForgetCommit(Committed& c, const QString& path);
// True when the writes behind the last list of category failed: its result table does not
// hold that list.
bool ResultsLost(Committed& c, const KnowledgeCategory& category);
// Notes that category's result table was written anew.
void MarkResultsWritten(Committed& c, const KnowledgeCategory& category);

} // namespace meridane::memory
