#include "search/memory/image_cache.h"

#include "search/program_folder.h"

namespace meridane {

namespace memory {

std::shared_ptr<SqlConnection> OpenForSearch(const ConnectionString& source, bool throwaway) {
    auto db = std::make_shared<SqlConnection>();
    db->open(source);
    if (throwaway)
        db->exec(QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=OFF; "
                                "PRAGMA secure_delete=OFF; PRAGMA cache_size=-2048"));
    else
        db->exec(QStringLiteral("PRAGMA cache_size=-2048"));
    return db;
}

std::shared_ptr<TableImage> LoadImage(SqlConnection& db, const ConnectionString& source,
                                      qint64 fileBytes, const QString& table,
                                      const QString& searchedColumn,
                                      const KeywordMatcher* countWith) {
    constexpr qint64 kReadThroughBytes = qint64(4) << 20;
    TableImage::ConnectionFactory connect;
    if (fileBytes > kReadThroughBytes) {
        connect = [source] {
            auto connection = std::make_unique<SqlConnection>();
            connection->open(source);
            // Each page is read once: a cache would only hold memory.
            connection->exec(QStringLiteral("PRAGMA cache_size=-256"));
            return connection;
        };
    }
    return TableImage::Load(db, table, searchedColumn, connect, countWith);
}

QString KnowledgeConnectionPath() {
    return ConnectionString::parse(KnowledgeConnectionString()).dataSource;
}

} // namespace memory

} // namespace meridane
