#include "search/memory/warm_up.h"

#include "search/knowledge_category.h"
#include "search/memory/image_cache.h"
#include "search/memory/writes_behind.h"
#include "search/program_folder.h"

#include <QCoreApplication>

#include <openssl/crypto.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace meridane {

namespace memory {

namespace {

// Images of the knowledge tables read on a thread of their own after start.
struct WarmedFile {
    QString path;
    FileStamp stamp;
    std::shared_ptr<SqlConnection> kept;
    QHash<QString, std::shared_ptr<TableImage>> tables;
};

std::future<std::optional<WarmedFile>>& Warming() {
    static std::future<std::optional<WarmedFile>> warming;
    return warming;
}

// Set to make the warm-up stop before its next table.
std::atomic<bool> g_stopWarmUp{false};
bool g_appGuarded = false;

// Makes the thread end before anything it uses goes away: before the application object is
// destroyed, and before the static objects are (an exit handler runs before the destructors of
// the objects made before it was registered, so everything the thread touches is made first).
void JoinBeforeTeardown() {
    static std::once_flag atExit;
    std::call_once(atExit, [] {
        OPENSSL_init_crypto(0, nullptr); // registers the library's own exit handler now
        sqlite3_initialize();
        (void)Images();
        (void)Warming();
        std::atexit(StopWarmUp);
    });
    if (QCoreApplication* app = QCoreApplication::instance(); app && !g_appGuarded) {
        g_appGuarded = true;
        qAddPostRoutine([] {
            StopWarmUp();
            FinishPendingWrites();
            g_appGuarded = false; // a later application object is guarded again
        });
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] {
            StopWarmUp();
            FinishPendingWrites();
        });
    }
}

} // namespace

// Takes over what the warm-up read (waiting for it to end), if the file is still as it was.
void AdoptWarmedImages() {
    if (!Warming().valid())
        return;
    std::optional<WarmedFile> warmed = Warming().get();
    if (!warmed || !(StampOf(warmed->path) == warmed->stamp))
        return;
    FileImages& file = Images()[CacheKey(warmed->path)];
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

void ForgetWarmedImages(const QString& path) {
    if (!Warming().valid())
        return;
    if (path.isEmpty() || CacheKey(path) == CacheKey(KnowledgeConnectionPath()))
        Warming().get(); // what it read may no longer be true
    else
        AdoptWarmedImages();
}

} // namespace memory

using namespace memory;

void WarmUpKnowledgeImages() {
    JoinBeforeTeardown();
    if (Warming().valid())
        return;
    g_stopWarmUp = false;
    const ConnectionString source = ConnectionString::parse(KnowledgeConnectionString());
    std::vector<std::pair<QString, QString>> tables;
    for (const KnowledgeCategory& c : KnowledgeCategories())
        if (c.database == DatabaseKind::Knowledge)
            tables.emplace_back(c.baseTable, c.searchedColumn);
    Warming() = std::async(std::launch::async, [source, tables]() -> std::optional<WarmedFile> {
        try {
            WarmedFile warmed{source.dataSource, StampOf(source.dataSource), {}, {}};
            if (g_stopWarmUp)
                return std::nullopt;
            warmed.kept = OpenForSearch(source, true);
            for (const auto& [table, column] : tables) {
                if (g_stopWarmUp)
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

void FinishWarmUp() {
    AdoptWarmedImages();
}

void StopWarmUp() {
    if (!Warming().valid())
        return;
    g_stopWarmUp = true;
    Warming().get(); // waits for the thread; what it read is dropped here
    g_stopWarmUp = false;
}

bool WarmUpPending() {
    return Warming().valid();
}

} // namespace meridane
