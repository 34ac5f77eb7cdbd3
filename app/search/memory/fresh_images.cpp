#include "search/memory/fresh_images.h"

#include "search/memory/pending_writes.h"
#include "search/memory/warm_up.h"
#include "search/memory/writes_behind.h"

namespace meridane {

namespace memory {

FileImages& Current(const QString& path) {
    AdoptWarmedImages();
    const QString key = CacheKey(path);
    FileImages& file = Images()[key];
    // While the writes behind are not done the file is ours: no one else can write it, though
    // it may be deleted or replaced. Then the writes go into the file that is gone, and the
    // images go with it.
    if (PendingWrites::Instance().busyWith(file.kept.get())) {
        if (SameFile(StampOf(path), file.stamp))
            return file;
        PendingWrites::Instance().finish();
    }
    AdoptCommit(file, key);
    const FileStamp now = StampOf(path);
    if (!(file.stamp == now)) {
        file.tables.clear();
        file.kept.reset();
        file.stamp = now;
    }
    return file;
}

std::shared_ptr<TableImage> ImageOf(SqlConnection& db, const ConnectionString& source,
                                    const QString& table, const QString& searchedColumn,
                                    const KeywordMatcher* countWith) {
    FileImages& file = Current(source.dataSource);
    if (auto it = file.tables.constFind(table); it != file.tables.constEnd())
        return *it;
    // Reading the file waits for the writes behind.
    PendingWrites::Instance().finish();
    AdoptCommit(file, CacheKey(source.dataSource));
    auto image = LoadImage(db, source, file.stamp.size, table, searchedColumn, countWith);
    file.tables.insert(table, image);
    return image;
}

} // namespace memory

using namespace memory;

// Whoever changes a database file outside a search says so; the images of that file go.
const bool kListensToFileChanges = [] {
    SubscribeToFileChanges([](const QString& path) { ForgetTableImages(path); });
    return true;
}();

void ForgetTableImages(const QString& path) {
    // Whoever is about to read or change the file gets it in the state the searches left.
    PendingWrites::Instance().finish();
    // What the writes left and what the warm-up read are forgotten with the images.
    ForgetCommit(path);
    ForgetWarmedImages(path);
    if (path.isEmpty())
        Images().clear();
    else
        Images().remove(CacheKey(path));
}

} // namespace meridane
