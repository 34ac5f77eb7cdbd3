#include "search/memory/warm_up.h"

#include "search/knowledge_category.h"
#include "search/program_folder.h"

#include <utility>
#include <vector>

namespace meridane::memory {

void WarmUp::start() {
    if (reading_.valid())
        return;
    stopping_ = false;
    const ConnectionString source = ConnectionString::parse(KnowledgeConnectionString());
    std::vector<std::pair<QString, QString>> tables;
    for (const KnowledgeCategory& c : KnowledgeCategories())
        if (c.database == DatabaseKind::Knowledge)
            tables.emplace_back(c.baseTable, c.searchedColumn);
    // Of this object the thread reads only the stop flag: the destructor waits for the thread.
    reading_ =
        std::async(std::launch::async, [this, source, tables]() -> std::optional<WarmedFile> {
            try {
                WarmedFile warmed{source.dataSource, StampOf(source.dataSource), {}, {}};
                if (stopping_)
                    return std::nullopt;
                warmed.kept = OpenForSearch(source, true);
                for (const auto& [table, column] : tables) {
                    if (stopping_)
                        return std::nullopt;
                    warmed.tables.insert(
                        table, LoadImage(*warmed.kept, source, warmed.stamp.size, table, column));
                }
                return warmed;
            } catch (const DbError&) {
                return std::nullopt; // the first search reads what it needs itself
            }
        });
}

void WarmUp::adoptInto(QHash<QString, FileImages>& images) {
    if (!reading_.valid())
        return;
    std::optional<WarmedFile> warmed = reading_.get();
    if (!warmed || !(StampOf(warmed->path) == warmed->stamp))
        return;
    FileImages& file = images[CacheKey(warmed->path)];
    if (!(file.stamp == warmed->stamp)) {
        file.tables.clear();
        file.kept.reset();
        file.stamp = warmed->stamp;
    }
    for (auto it = warmed->tables.cbegin(); it != warmed->tables.cend(); ++it)
        if (!file.tables.contains(it.key()))
            file.tables.insert(it.key(), it.value());
    if (!file.kept)
        file.kept = warmed->kept;
}

void WarmUp::forget(const QString& path, QHash<QString, FileImages>& images) {
    if (!reading_.valid())
        return;
    if (path.isEmpty() || CacheKey(path) == CacheKey(KnowledgeConnectionPath()))
        reading_.get(); // what it read may no longer be true
    else
        adoptInto(images);
}

void WarmUp::stop() {
    if (!reading_.valid())
        return;
    stopping_ = true;
    reading_.get(); // waits for the thread; what it read is dropped here
    stopping_ = false;
}

} // namespace meridane::memory
