// The images of the searched tables kept in memory between searches, per database file, with the
// stamp of the file they were read from.
#pragma once

#include "search/memory/file_stamp.h"
#include "search/memory/table_image.h"
#include "search/sqlite_db.h"

#include <QHash>
#include <QString>

#include <memory>

namespace meridane {

namespace memory {

struct FileImages {
    FileStamp stamp;
    QHash<QString, std::shared_ptr<TableImage>> tables;
    // The working copy's connection, kept open between searches: it takes the file's lock for
    // a search and does the writes behind its list.
    std::shared_ptr<SqlConnection> kept;
};

// A connection to a database file as the in-memory search uses it. The working copy of the
// knowledge database (throwaway) is rebuilt at every start, so it is written without syncing and
// without overwriting freed pages; it keeps the rollback journal, so that writes behind a list
// that fail (a full disk) leave the file as it was before them rather than half-written. The
// personal database keeps the engine's safe defaults. The page cache is small: the images hold
// what the search reads, and the writes go through each page once, in order.
std::shared_ptr<SqlConnection> OpenForSearch(const ConnectionString& source, bool throwaway);

// Reads the image of table through db, or for a file of more than a few megabytes on
// connections of its own, two at once.
std::shared_ptr<TableImage> LoadImage(SqlConnection& db, const ConnectionString& source,
                                      qint64 fileBytes, const QString& table,
                                      const QString& searchedColumn,
                                      const KeywordMatcher* countWith = nullptr);

// The file of the working copy of the knowledge database.
QString KnowledgeConnectionPath();

} // namespace memory

} // namespace meridane
