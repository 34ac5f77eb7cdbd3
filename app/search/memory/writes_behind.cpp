#include "search/memory/writes_behind.h"

#include "search/program_folder.h"

namespace meridane::memory {

void AdoptCommit(Committed& c, FileImages& file, const QString& key) {
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

void ForgetCommit(Committed& c, const QString& path) {
    std::lock_guard lock(c.mutex);
    if (path.isEmpty() || c.key == CacheKey(path))
        c.pending = false;
}

bool ResultsLost(Committed& c, const KnowledgeCategory& category) {
    if (category.database != DatabaseKind::Knowledge)
        return false;
    std::lock_guard lock(c.mutex);
    const auto it = c.lost.constFind(CacheKey(KnowledgeConnectionPath()));
    return it != c.lost.constEnd() && it->contains(category.resultTable);
}

void MarkResultsWritten(Committed& c, const KnowledgeCategory& category) {
    std::lock_guard lock(c.mutex);
    if (auto it = c.lost.find(CacheKey(KnowledgeConnectionPath())); it != c.lost.end())
        it->remove(category.resultTable);
}

} // namespace meridane::memory
