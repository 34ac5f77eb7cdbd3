// The searches and the click of the in-memory search engine (see engine.h).
#include "search/keyword_text.h"
#include "search/memory/engine.h"
#include "search/memory/search_session.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "search/variant_folding.h"

#include <QScopeGuard>

#include <sqlite3.h>

#include <algorithm>
#include <new>

namespace meridane::memory {

namespace {

// The frame both searches share: one session and one transaction over the image of table.
// change brings the image to the new state and returns what to write (applied at once to the
// personal database, behind the list to the working copy) and the image of a new result table,
// or null when the titles are listed from the image of table itself.
struct Change {
    std::vector<PendingWrites::Write> writes;
    std::shared_ptr<TableImage> result;
};

template <typename MakeChange>
std::optional<QStringList> SearchInMemory(Engine& engine, const KnowledgeCategory& category,
                                          const QStringList& typed, bool variants,
                                          const QString& table, MakeChange makeChange) {
    // Variant forms: the keywords folded, counted in the folded copy of the text. Without
    // OpenCC's tables the statements' folding keeps every text as it is, and so does this.
    const VariantFolding* folding = variants ? VariantFolding::Instance() : nullptr;
    const QStringList keywords = folding ? folding->fold(typed) : typed;
    Session session(engine, category);
    if (!session.open())
        return std::nullopt;
    try {
        const std::optional<std::vector<std::string>> needles = session.needles(keywords);
        if (!needles)
            return std::nullopt;
        SqlConnection& db = session.db();
        if (!session.writesBehind())
            db.exec(QStringLiteral("BEGIN IMMEDIATE"));
        const KeywordMatcher matcher(*needles);
        std::shared_ptr<TableImage> image = engine.imageOf(
            db, session.source(), table, category.searchedColumn, folding ? nullptr : &matcher);
        // A search within results whose table lost its writes would search another list than
        // the one shown; the caller says so.
        if (!image->usable() || (table == category.resultTable && engine.resultsLost(category))) {
            if (!session.writesBehind())
                db.exec(QStringLiteral("ROLLBACK"));
            return std::nullopt;
        }
        // Ends the hold below when the change cannot be made.
        struct Hold {
            PendingWrites& writes;
            bool held = false;
            ~Hold() {
                if (held)
                    writes.release();
            }
        } hold{engine.pendingWrites()};
        if (session.writesBehind()) {
            // The lock is taken before the list is shown: from here no reader sees the file
            // until the writes are done.
            const QString key = CacheKey(session.path());
            const FileStamp before = engine.images()[key].stamp;
            engine.pendingWrites().hold(
                session.connection(),
                [&committed = engine.lastCommit(), key, before, path = session.path()](bool ok) {
                    Committed& c = committed;
                    std::lock_guard lock(c.mutex);
                    c.key = key;
                    c.pending = true;
                    c.stamp.reset();
                    // Still the file the images were read from: its new state is ours.
                    if (const FileStamp now = StampOf(path); ok && SameFile(now, before))
                        c.stamp = now;
                    QSet<QString>& lost = c.lost[key];
                    if (ok)
                        lost.subtract(c.writing);
                    else
                        lost.unite(c.writing);
                    c.writing.clear();
                });
            hold.held = true;
        }
        std::vector<qint64> counts;
        if (std::optional<std::vector<qint64>> counted = image->CountsFromLoad())
            counts = std::move(*counted);
        else
            counts = image->Count(matcher, folding != nullptr);
        Change change = makeChange(*image, counts);
        if (session.writesBehind()) {
            {
                // A new search makes its result table anew: once its writes are done, the
                // table holds its list whatever happened to an earlier one (if they fail, the
                // mark comes back).
                Committed& c = engine.lastCommit();
                std::lock_guard lock(c.mutex);
                c.writing.insert(category.resultTable);
                if (table == category.baseTable)
                    c.lost[CacheKey(session.path())].remove(category.resultTable);
            }
            hold.held = false;
            engine.pendingWrites().submit(std::move(change.writes));
        } else {
            for (const PendingWrites::Write& write : change.writes)
                write.run(db, write);
            db.exec(QStringLiteral("COMMIT"));
        }
        QStringList titles = session.titles(category, change.result ? *change.result : *image);
        session.finish(category.resultTable, std::move(change.result));
        return titles;
    } catch (const DbError&) {
        engine.forgetTableImages(session.path());
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        // The text did not fit after all: the statements count it in the file.
        engine.forgetTableImages(session.path());
        return std::nullopt;
    }
}

} // namespace

std::optional<QStringList> Engine::newSearch(const KnowledgeCategory& category,
                                             const QStringList& keywords, bool variants) {
    return SearchInMemory(*this, category, keywords, variants, category.baseTable,
                          [&category](TableImage& base, const std::vector<qint64>& counts) {
                              Change change;
                              if (auto counted = Session::CountsWrite(
                                      category.baseTable, Session::Changes(base, counts)))
                                  change.writes.push_back(std::move(*counted));
                              // The result table, made anew from the rows with a count.
                              PendingWrites::Write copy;
                              copy.table = category.resultTable;
                              copy.remakes = true;
                              copy.reads = category.baseTable;
                              copy.run = [category, rowids = base.RowidsWithHits()](
                                             SqlConnection& db, const PendingWrites::Write&) {
                                  Session::CopyRows(db, category, rowids);
                              };
                              change.writes.push_back(std::move(copy));
                              change.result = base.Selected();
                              return change;
                          });
}

std::optional<QStringList> Engine::searchWithinResults(const KnowledgeCategory& category,
                                                       const QStringList& keywords, bool variants) {
    // The knowledge categories reset once per keyword, so without one nothing is reset; the
    // personal category always resets.
    const bool reset = category.database == DatabaseKind::Personal ||
                       std::any_of(keywords.begin(), keywords.end(),
                                   [](const QString& keyword) { return !keyword.isEmpty(); });
    return SearchInMemory(
        *this, category, keywords, variants, category.resultTable,
        [&category, reset](TableImage& result, const std::vector<qint64>& counts) {
            Change change;
            if (reset)
                if (auto counted = Session::CountsWrite(category.resultTable,
                                                        Session::Changes(result, counts)))
                    change.writes.push_back(std::move(*counted));
            return change;
        });
}

namespace {

// How long a LIKE pattern may be on a new connection, as every search's connection has it.
int LikePatternLimit() {
    static const int limit = [] {
        sqlite3* db = nullptr;
        int value = 0;
        if (sqlite3_open(":memory:", &db) == SQLITE_OK)
            value = sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
        sqlite3_close(db);
        return value;
    }();
    return limit;
}

} // namespace

std::optional<QStringList> Engine::previewNewSearch(const KnowledgeCategory& category,
                                                    const QStringList& keywords) {
    const ConnectionString source = ConnectionString::parse(ConnectionStringFor(category));
    try {
        const std::optional<std::vector<std::string>> found =
            LikeNeedles(keywords, LikePatternLimit());
        if (!found)
            return std::nullopt;
        const std::vector<std::string>& needles = *found;
        std::shared_ptr<TableImage> image;
        FileImages& file = current(source.dataSource);
        if (const auto it = file.tables.constFind(category.baseTable);
            it != file.tables.constEnd()) {
            image = *it;
        } else {
            // Not read yet: read as the next search would, through the connection it would use.
            // Reading writes nothing.
            const bool throwaway = category.database == DatabaseKind::Knowledge;
            std::shared_ptr<SqlConnection> db = throwaway ? file.kept : nullptr;
            if (!db) {
                db = OpenForSearch(source, throwaway);
                if (throwaway)
                    current(source.dataSource).kept = db;
            }
            image = imageOf(*db, source, category.baseTable, category.searchedColumn);
        }
        if (!image->usable())
            return std::nullopt;
        // The counts a new search would write, ranked as its list would be; then let go. A
        // keyword that holds one of the last preview's is found only among that one's rows, so
        // that each key typed looks through the rows the text so far already narrowed down.
        const bool sameImage = lastPreview_.image.lock() == image;
        PreviewRows now{image, {}};
        std::vector<qint64> counts(image->rowCount(), 0);
        for (const std::string& needle : needles) {
            auto known = std::find_if(now.rows.begin(), now.rows.end(),
                                      [&](const auto& kept) { return kept.first == needle; });
            if (known == now.rows.end()) {
                const std::vector<std::uint32_t>* among = nullptr;
                bool exact = false;
                for (const auto& [before, rows] : lastPreview_.rows) {
                    if (!sameImage || exact || needle.find(before) == std::string::npos)
                        continue;
                    exact = before == needle;
                    if (exact || !among || rows.size() < among->size())
                        among = &rows;
                }
                now.rows.emplace_back(needle,
                                      exact ? *among : image->RowsContaining(needle, among));
                known = now.rows.end() - 1;
            }
            const std::vector<std::uint32_t>& rows = known->second;
            for (const std::uint32_t row : rows)
                ++counts[row];
        }
        lastPreview_ = std::move(now);
        return image->RankedTitles(counts);
    } catch (const DbError&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

namespace {

// A row of a base table, read through the connection that writes (the writes change only the
// counts there).
struct BaseRow {
    int titleType = SQLITE_NULL;
    QString title;
    QString number;
    QString body;
};

std::optional<BaseRow> ReadBaseRow(SqlConnection& kept, const KnowledgeCategory& category,
                                   qint64 rowid) {
    // The writing thread shares the connection: no statement of its may run while the read is
    // under way (dropping a table fails while another statement of the connection reads), so
    // the read holds the connection's own lock from its start to its end.
    sqlite3_mutex* const lock = sqlite3_db_mutex(kept.handle());
    sqlite3_mutex_enter(lock);
    const auto leave = qScopeGuard([lock] { sqlite3_mutex_leave(lock); });
    SqlStatement row = kept.prepare(
        QStringLiteral("SELECT * FROM %1 WHERE rowid=?1").arg(QuoteIdentifier(category.baseTable)));
    row.bind(1, rowid);
    if (!row.step())
        return std::nullopt;
    return BaseRow{row.type(1), row.isNull(1) ? QString() : row.text(1), CellText(row, 0),
                   CellText(row, 2)};
}

} // namespace

FileImages* Engine::pendingImages(const KnowledgeCategory& category, const QString& table,
                                  std::shared_ptr<TableImage>* image) {
    if (category.database != DatabaseKind::Knowledge)
        return nullptr;
    const QString path = KnowledgeConnectionPath();
    FileImages& file = images()[CacheKey(path)];
    if (!writes_.busyWith(file.kept.get()) || !SameFile(StampOf(path), file.stamp))
        return nullptr;
    const auto it = file.tables.constFind(table);
    if (it == file.tables.constEnd() || !(*it)->usable())
        return nullptr;
    *image = *it;
    return &file;
}

// The image of the result table knows the row and its count, and the row's other columns are
// read from the base table row it is a copy of.
std::optional<ShownRecord> Engine::clickWhileWriting(const KnowledgeCategory& category,
                                                     const QString& title) {
    std::shared_ptr<TableImage> image;
    FileImages* const file = pendingImages(category, category.resultTable, &image);
    if (!file)
        return std::nullopt;
    const TableImage::Pick pick = image->LastRankedWithTitle(title);
    if (pick.kind == TableImage::Pick::NotFound) {
        // The personal database must open too, as for every click.
        SqlConnection personal;
        personal.open(ConnectionString::parse(PersonalConnectionString()));
        return ShownRecord{};
    }
    const std::optional<qint64> source = image->sourceRowid(pick.row);
    if (pick.kind == TableImage::Pick::Undecided || !source)
        return std::nullopt;
    SqlConnection personal;
    personal.open(ConnectionString::parse(PersonalConnectionString()));
    const std::optional<BaseRow> row = ReadBaseRow(*file->kept, category, *source);
    if (!row || row->titleType == SQLITE_NULL || row->title != title)
        return std::nullopt;
    return ShownRecord{true, row->body,
                       RecordHeader(row->number, QString::number(image->hits(pick.row).value))};
}

std::optional<QStringList> Engine::titlesOf(const KnowledgeCategory& category) {
    std::shared_ptr<TableImage> image;
    if (!pendingImages(category, category.baseTable, &image))
        return std::nullopt;
    return image->Titles();
}

std::optional<TitledRecord> Engine::recordByTitle(const KnowledgeCategory& category,
                                                  const QString& title) {
    // Only while writes are pending: otherwise the file is as the searches left it.
    try {
        std::shared_ptr<TableImage> image;
        FileImages* const file = pendingImages(category, category.baseTable, &image);
        if (!file)
            return std::nullopt;
        const std::optional<size_t> found = image->LastWithTitle(title);
        if (!found || !image->hits(*found).isInteger)
            return std::nullopt;
        const std::optional<BaseRow> row = ReadBaseRow(*file->kept, category, image->rowid(*found));
        if (!row || row->titleType != SQLITE_TEXT || row->title != title)
            return std::nullopt;
        return TitledRecord{row->body,
                            RecordHeader(row->number, QString::number(image->hits(*found).value))};
    } catch (const DbError&) {
        return std::nullopt;
    }
}

std::optional<ShownRecord> Engine::listClick(const KnowledgeCategory& category,
                                             const QString& title) {
    try {
        if (std::optional<ShownRecord> shown = clickWhileWriting(category, title))
            return shown;
    } catch (const DbError&) {
        // Read as below, after the writes.
    }
    // The click reads the file as the searches left it.
    writes_.finish();
    if (resultsLost(category))
        return std::nullopt; // the caller says the result cannot be read
    // Both databases must open, whichever one is read.
    SqlConnection knowledge, personal;
    const ConnectionString knowledgeSource = ConnectionString::parse(KnowledgeConnectionString());
    const ConnectionString personalSource = ConnectionString::parse(PersonalConnectionString());
    try {
        knowledge.open(knowledgeSource);
        personal.open(personalSource);
    } catch (const DbError&) {
        return std::nullopt;
    }
    const bool isPersonal = category.database == DatabaseKind::Personal;
    SqlConnection& db = isPersonal ? personal : knowledge;
    const QString& path = isPersonal ? personalSource.dataSource : knowledgeSource.dataSource;
    try {
        std::shared_ptr<TableImage> image =
            imageOf(db, isPersonal ? personalSource : knowledgeSource, category.resultTable,
                    category.searchedColumn);
        if (!image->usable())
            return std::nullopt;
        const TableImage::Pick pick = image->LastRankedWithTitle(title);
        if (pick.kind == TableImage::Pick::NotFound)
            return ShownRecord{};
        if (pick.kind == TableImage::Pick::Undecided)
            return std::nullopt;
        SqlStatement row = db.prepare(QStringLiteral("SELECT * FROM %1 WHERE rowid=?1")
                                          .arg(QuoteIdentifier(category.resultTable)));
        row.bind(1, image->rowid(pick.row));
        if (!row.step() || row.isNull(1) || row.text(1) != title)
            return std::nullopt;
        return ShownRecord{true, CellText(row, 2),
                           RecordHeader(CellText(row, 0), CellText(row, 3))};
    } catch (const DbError&) {
        forgetTableImages(path);
        return std::nullopt;
    }
}

} // namespace meridane::memory
