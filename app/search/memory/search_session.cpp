#include "search/memory/search_session.h"

#include "search/memory/engine.h"
#include "search/result_reader.h"

#include <sqlite3.h>

namespace meridane::memory {

namespace {
const QString kHits = QStringLiteral("相符个数");
} // namespace

bool Session::open() {
    if (throwaway_) {
        if (FileImages& file = engine_.current(path()); file.kept) {
            db_ = file.kept;
            return true;
        }
    }
    try {
        auto db = OpenForSearch(source_, throwaway_);
        db_ = std::move(db);
        if (throwaway_)
            engine_.current(path()).kept = db_;
        return true;
    } catch (const DbError&) {
        return false;
    }
}

// The needles of the non-empty keywords, in order; no value when one of them cannot be
// matched in memory exactly.
std::optional<std::vector<std::string>> Session::needles(const QStringList& keywords) {
    return LikeNeedles(keywords,
                       sqlite3_limit(db_->handle(), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1));
}

// The counts that differ from what the table holds, noted in the image as written.
CountChanges Session::Changes(TableImage& image, const std::vector<qint64>& counts) {
    CountChanges changes;
    for (size_t row = 0; row < image.rowCount(); ++row) {
        const IntegerValue before = image.hits(row);
        if (before == IntegerValue{counts[row], true})
            continue;
        changes.emplace_hint(changes.end(), image.rowid(row),
                             CountChange{counts[row], before.isInteger
                                                          ? std::optional<qint64>(before.value)
                                                          : std::nullopt});
        image.setHits(row, counts[row]);
    }
    return changes;
}

// The write of changed counts into table; none when nothing changed.
std::optional<PendingWrites::Write> Session::CountsWrite(const QString& table,
                                                         CountChanges changes) {
    if (changes.empty())
        return std::nullopt;
    PendingWrites::Write write;
    write.table = table;
    write.counts = std::move(changes);
    write.run = [](SqlConnection& db, const PendingWrites::Write& w) {
        SqlStatement update =
            db.prepare(QStringLiteral("UPDATE %1 SET %2=?1 WHERE rowid=?2")
                           .arg(QuoteIdentifier(w.table), QuoteIdentifier(kHits)));
        for (const auto& [rowid, change] : w.counts) {
            update.reset();
            update.bind(1, change.count);
            update.bind(2, rowid);
            update.step();
        }
    };
    return write;
}

// Makes the result table: the rows of the base table with a positive count, as the copy
// statement does, but reading only those rows, and in rowid order whatever indexes the base
// table has. The counts are integers (the image is usable), so the image knows which rows
// "相符个数>0" selects.
void Session::CopyRows(SqlConnection& db, const KnowledgeCategory& category,
                       const std::vector<qint64>& rowids) {
    db.exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(QuoteIdentifier(category.resultTable)));
    db.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS selected_rows "
                           "(id INTEGER PRIMARY KEY); DELETE FROM temp.selected_rows"));
    SqlStatement insert =
        db.prepare(QStringLiteral("INSERT INTO temp.selected_rows (id) VALUES (?1)"));
    for (qint64 rowid : rowids) {
        insert.reset();
        insert.bind(1, rowid);
        insert.step();
    }
    db.exec(QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 WHERE rowid IN "
                           "(SELECT id FROM temp.selected_rows) ORDER BY rowid")
                .arg(QuoteIdentifier(category.resultTable), QuoteIdentifier(category.baseTable)));
    db.exec(QStringLiteral("DELETE FROM temp.selected_rows"));
}

// The listed titles: from the image when it decides the order, else read from the table.
QStringList Session::titles(const KnowledgeCategory& category, const TableImage& image) {
    if (std::optional<QStringList> ranked = image.RankedTitles())
        return *ranked;
    engine_.finishPendingWrites();
    // The writes failed: the table is not what this search made (the statements make it).
    if (engine_.resultsLost(category))
        throw DbError("the writes behind the search failed");
    QStringList out;
    SqlStatement rows = db_->prepare(category.readStatement());
    while (rows.step())
        if (std::optional<QString> title = ListedTitle(rows))
            out << std::move(*title);
    return out;
}

// Closes the connection; what was written (or will be, behind) is now the state the images
// stand for.
void Session::finish(const QString& resultTable, std::shared_ptr<TableImage> result) {
    FileImages& file = engine_.images()[CacheKey(path())];
    if (!throwaway_) {
        db_->close();
        file.stamp = StampOf(path());
    }
    if (result)
        file.tables.insert(resultTable, std::move(result));
}

} // namespace meridane::memory
