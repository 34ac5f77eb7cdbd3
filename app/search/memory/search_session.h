// One search's connection to its database file.
#pragma once

#include "search/knowledge_category.h"
#include "search/memory/pending_writes.h"
#include "search/memory/table_image.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"

#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace meridane::memory {

// A connection for one search. The working copy's connection stays open between searches, so
// that the pages the last search read and wrote need not be read and deciphered again; the
// personal database gets a connection per search.
class Engine;

class Session {
public:
    Session(Engine& engine, const KnowledgeCategory& category)
        : engine_(engine), source_(ConnectionString::parse(ConnectionStringFor(category))),
          throwaway_(category.database == DatabaseKind::Knowledge) {}

    bool open();

    SqlConnection& db() { return *db_; }
    const std::shared_ptr<SqlConnection>& connection() const { return db_; }
    // The working copy is written behind; the personal database at once.
    bool writesBehind() const { return throwaway_; }
    const QString& path() const { return source_.dataSource; }
    const ConnectionString& source() const { return source_; }

    // The needles of the non-empty keywords, in order; no value when one of them cannot be
    // matched in memory exactly.
    std::optional<std::vector<std::string>> needles(const QStringList& keywords);

    // The counts that differ from what the table holds, noted in the image as written.
    static CountChanges Changes(TableImage& image, const std::vector<qint64>& counts);

    // The write of changed counts into table; none when nothing changed.
    static std::optional<PendingWrites::Write> CountsWrite(const QString& table,
                                                           CountChanges changes);

    // Makes the result table: the rows of the base table with a positive count, as the copy
    // statement does, but reading only those rows, and in rowid order whatever indexes the base
    // table has. The counts are integers (the image is usable), so the image knows which rows
    // "相符个数>0" selects.
    static void CopyRows(SqlConnection& db, const KnowledgeCategory& category,
                         const std::vector<qint64>& rowids);

    // The listed titles: from the image when it decides the order, else read from the table.
    QStringList titles(const KnowledgeCategory& category, const TableImage& image);

    // Closes the connection; what was written (or will be, behind) is now the state the images
    // stand for.
    void finish(const QString& resultTable, std::shared_ptr<TableImage> result);

private:
    Engine& engine_;
    ConnectionString source_;
    bool throwaway_;
    std::shared_ptr<SqlConnection> db_;
};

} // namespace meridane::memory
