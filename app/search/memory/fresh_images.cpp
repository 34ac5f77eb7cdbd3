// What is kept of a database file, taken only while it still holds: the file's stamp is checked
// on every use, and whoever writes the file outside a search announces it first.
#include "search/memory/engine.h"

namespace meridane::memory {

FileImages& Engine::current(const QString& path) {
    warmUp_.adoptInto(images_);
    const QString key = CacheKey(path);
    FileImages& file = images_[key];
    // While the writes behind are not done the file is ours: no one else can write it, though
    // it may be deleted or replaced. Then the writes go into the file that is gone, and the
    // images go with it.
    if (writes_.busyWith(file.kept.get())) {
        if (SameFile(StampOf(path), file.stamp))
            return file;
        writes_.finish();
    }
    AdoptCommit(committed_, file, key);
    const FileStamp now = StampOf(path);
    if (!(file.stamp == now)) {
        file.tables.clear();
        file.kept.reset();
        file.stamp = now;
    }
    return file;
}

std::shared_ptr<TableImage> Engine::imageOf(SqlConnection& db, const ConnectionString& source,
                                            const QString& table, const QString& searchedColumn,
                                            const KeywordMatcher* countWith) {
    FileImages& file = current(source.dataSource);
    if (auto it = file.tables.constFind(table); it != file.tables.constEnd())
        return *it;
    // Reading the table waits for its writes behind; the file's other tables are as the
    // writes leave them (the transaction is the reader's).
    if (writes_.writes(table))
        finishPendingWritesOf(source.dataSource);
    AdoptCommit(committed_, file, CacheKey(source.dataSource));
    auto image = LoadImage(db, source, file.stamp.size, table, searchedColumn, countWith);
    file.tables.insert(table, image);
    return image;
}

bool Engine::writesPendingOn(const QString& path) {
    const auto file = images_.constFind(CacheKey(path));
    return file != images_.constEnd() && writes_.busyWith(file->kept.get());
}

void Engine::finishPendingWritesOf(const QString& path) {
    if (writesPendingOn(path))
        writes_.finish();
}

bool Engine::writePendingWritesOf(const QString& path, const std::function<bool()>& stopped) {
    if (!writesPendingOn(path))
        return true;
    writes_.writeBehindNow();
    return writes_.waitUntilWritten(stopped);
}

void Engine::forgetTableImages(const QString& path) {
    // Whoever is about to read or change the file gets it in the state the searches left; the
    // writes of another file wait on.
    if (path.isEmpty())
        writes_.finish();
    else
        finishPendingWritesOf(path);
    // What the writes left and what the warm-up read are forgotten with the images.
    ForgetCommit(committed_, path);
    warmUp_.forget(path, images_);
    if (path.isEmpty())
        images_.clear();
    else
        images_.remove(CacheKey(path));
}

} // namespace meridane::memory
