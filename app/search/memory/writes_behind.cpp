#include "search/memory/writes_behind.h"

#include "search/memory/image_cache.h"
#include "search/memory/pending_writes.h"
#include "search/program_folder.h"

namespace meridane {

namespace memory {

Committed& LastCommit() {
    static Committed committed;
    return committed;
}

void AdoptCommit(FileImages& file, const QString& key) {
    Committed& c = LastCommit();
    std::lock_guard lock(c.mutex);
    if (!c.pending || c.key != key)
        return;
    c.pending = false;
    if (c.stamp) {
        file.stamp = *c.stamp;
    } else {
        file.tables.clear();
        file.kept.reset();
    }
}

void ForgetCommit(const QString& path) {
    Committed& c = LastCommit();
    std::lock_guard lock(c.mutex);
    if (path.isEmpty() || c.key == CacheKey(path))
        c.pending = false;
}

} // namespace memory

using namespace memory;

void FinishPendingWrites() {
    PendingWrites::Instance().finish();
}

void HoldPendingWrites(bool held) {
    PendingWrites::Instance().holdThread(held);
}

bool ResultsLost(const KnowledgeCategory& category) {
    if (category.database != DatabaseKind::Knowledge)
        return false;
    Committed& c = LastCommit();
    std::lock_guard lock(c.mutex);
    const auto it = c.lost.constFind(CacheKey(KnowledgeConnectionPath()));
    return it != c.lost.constEnd() && it->contains(category.resultTable);
}

void MarkResultsWritten(const KnowledgeCategory& category) {
    Committed& c = LastCommit();
    std::lock_guard lock(c.mutex);
    if (auto it = c.lost.find(CacheKey(KnowledgeConnectionPath())); it != c.lost.end())
        it->remove(category.resultTable);
}

} // namespace meridane
