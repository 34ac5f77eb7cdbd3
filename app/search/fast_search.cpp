#include "search/fast_search.h"

#include "search/pending_writes.h"
#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/result_reader.h"
#include "search/sqlite_db.h"
#include "search/table_image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include <openssl/crypto.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#else
#include <filesystem>
#endif

namespace meridane {

namespace {

const QString kHits = QStringLiteral("相符个数");

// What tells one state of a file from the next: identity, size, modification time and, for a
// file that is not keyed, the change counter the engine keeps in its header.
struct FileStamp {
    bool exists = false;
    qint64 device = 0, inode = 0, size = 0, modified = 0;
    QByteArray header;
    bool operator==(const FileStamp&) const = default;
};

QByteArray ChangeCounter(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(28);
    if (head.size() < 28 || !head.startsWith(QByteArrayView("SQLite format 3\0", 16)))
        return {}; // a keyed file: its header is enciphered
    return head.mid(24, 4);
}

QString CacheKey(const QString& path) {
    return QDir::cleanPath(QDir::fromNativeSeparators(path));
}

FileStamp StampOf(const QString& path) {
    FileStamp s;
    s.header = ChangeCounter(path);
#ifdef Q_OS_UNIX
    struct stat st {};
    if (::stat(path.toUtf8().constData(), &st) != 0)
        return s;
    s.device = qint64(st.st_dev);
    s.inode = qint64(st.st_ino);
    s.size = qint64(st.st_size);
    s.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
#else
    std::error_code ec;
    const std::filesystem::path p = path.toStdWString();
    s.size = qint64(std::filesystem::file_size(p, ec));
    if (ec)
        return s;
    s.modified = qint64(std::filesystem::last_write_time(p, ec).time_since_epoch().count());
#endif
    s.exists = true;
    return s;
}

// True when a and b are the same file (which may have changed).
bool SameFile(const FileStamp& a, const FileStamp& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

struct FileImages {
    FileStamp stamp;
    QHash<QString, std::shared_ptr<TableImage>> tables;
    // The working copy's connection, kept open between searches: it takes the file's lock for
    // a search and does the writes behind its list.
    std::shared_ptr<SqlConnection> kept;
};

QHash<QString, FileImages>& Images() {
    static QHash<QString, FileImages> images;
    return images;
}

// A connection to a database file as the in-memory search uses it. The working copy of the
// knowledge database (throwaway) is rebuilt at every start, so it is written without syncing and
// without overwriting freed pages; it keeps the rollback journal, so that writes behind a list
// that fail (a full disk) leave the file as it was before them rather than half-written. The
// personal database keeps the engine's safe defaults. The page cache is small: the images hold
// what the search reads, and the writes go through each page once, in order.
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

// Reads the image of table through db, or for a file of more than a few megabytes on
// connections of its own, two at once.
std::shared_ptr<TableImage> LoadImage(SqlConnection& db, const ConnectionString& source,
                                      qint64 fileBytes, const QString& table,
                                      const QString& searchedColumn,
                                      const KeywordMatcher* countWith = nullptr) {
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

// The state of the working copy the writes behind left, noted on the writing thread as soon as
// they end (before anyone else may write the file).
struct Committed {
    std::mutex mutex;
    QString key;
    std::optional<FileStamp> stamp; // no value: a write failed, the images no longer hold
    bool pending = false;
    // The result tables of the searches whose writes are pending.
    QSet<QString> writing;
    // Per file, the result tables whose writes failed and were rolled back: they do not hold
    // what the last list of their category showed, until a new search of that category.
    QHash<QString, QSet<QString>> lost;
};

Committed& LastCommit() {
    static Committed committed;
    return committed;
}

// Takes over what the last writes behind left of path, once they are done.
void AdoptCommit(FileImages& file, const QString& key) {
    Committed& c = LastCommit();
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

// What is kept of path, emptied first when the file is no longer as it was.
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

// The image of table, from memory while the file is as it was when the image was made.
// With countWith, an image that has to be read is counted as it is read.
std::shared_ptr<TableImage> ImageOf(SqlConnection& db, const ConnectionString& source,
                                    const QString& table, const QString& searchedColumn,
                                    const KeywordMatcher* countWith = nullptr) {
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

// A connection for one search. The working copy's connection stays open between searches, so
// that the pages the last search read and wrote need not be read and deciphered again; the
// personal database gets a connection per search.
class Session {
public:
    explicit Session(const KnowledgeCategory& category)
        : source_(ConnectionString::parse(category.connectionString())),
          throwaway_(category.database == DatabaseKind::Knowledge) {}

    bool open() {
        if (throwaway_) {
            if (FileImages& file = Current(path()); file.kept) {
                db_ = file.kept;
                return true;
            }
        }
        try {
            auto db = OpenForSearch(source_, throwaway_);
            db_ = std::move(db);
            if (throwaway_)
                Current(path()).kept = db_;
            return true;
        } catch (const DbError&) {
            return false;
        }
    }

    SqlConnection& db() { return *db_; }
    const std::shared_ptr<SqlConnection>& connection() const { return db_; }
    // The working copy is written behind; the personal database at once.
    bool writesBehind() const { return throwaway_; }
    const QString& path() const { return source_.dataSource; }
    const ConnectionString& source() const { return source_; }

    // The needles of the non-empty keywords, in order; no value when one of them cannot be
    // matched in memory exactly.
    std::optional<std::vector<std::string>> needles(const QStringList& keywords) {
        const int limit = sqlite3_limit(db_->handle(), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
        std::vector<std::string> out;
        for (const QString& keyword : keywords) {
            if (keyword.isEmpty())
                continue;
            std::optional<std::string> needle = LikeNeedle(keyword, limit);
            if (!needle)
                return std::nullopt;
            out.push_back(std::move(*needle));
        }
        return out;
    }

    // The counts that differ from what the table holds, noted in the image as written.
    static std::vector<std::pair<qint64, qint64>> Changes(TableImage& image,
                                                          const std::vector<qint64>& counts) {
        std::vector<std::pair<qint64, qint64>> changes;
        for (size_t row = 0; row < image.rowCount(); ++row) {
            if (image.hits(row) == IntegerValue{counts[row], true})
                continue;
            changes.emplace_back(image.rowid(row), counts[row]);
            image.setHits(row, counts[row]);
        }
        return changes;
    }

    // Writes changed counts into table.
    static void WriteCounts(SqlConnection& db, const QString& table,
                            const std::vector<std::pair<qint64, qint64>>& changes) {
        SqlStatement update = db.prepare(QStringLiteral("UPDATE %1 SET %2=?1 WHERE rowid=?2")
                                             .arg(QuoteIdentifier(table), QuoteIdentifier(kHits)));
        for (const auto& [rowid, count] : changes) {
            update.reset();
            update.bind(1, count);
            update.bind(2, rowid);
            update.step();
        }
    }

    // Makes the result table: the rows of the base table with a positive count, as the copy
    // statement does, but reading only those rows, and in rowid order whatever indexes the base
    // table has. The counts are integers (the image is usable), so the image knows which rows
    // "相符个数>0" selects.
    static void CopyRows(SqlConnection& db, const KnowledgeCategory& category,
                         const std::vector<qint64>& rowids) {
        db.exec(
            QStringLiteral("DROP TABLE IF EXISTS %1").arg(QuoteIdentifier(category.resultTable)));
        db.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS selected_rows "
                               "(id INTEGER PRIMARY KEY); DELETE FROM temp.selected_rows"));
        SqlStatement insert =
            db.prepare(QStringLiteral("INSERT INTO temp.selected_rows (id) VALUES (?1)"));
        for (qint64 rowid : rowids) {
            insert.reset();
            insert.bind(1, rowid);
            insert.step();
        }
        db.exec(
            QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 WHERE rowid IN "
                           "(SELECT id FROM temp.selected_rows) ORDER BY rowid")
                .arg(QuoteIdentifier(category.resultTable), QuoteIdentifier(category.baseTable)));
        db.exec(QStringLiteral("DELETE FROM temp.selected_rows"));
    }

    // The listed titles: from the image when it decides the order, else read from the table.
    QStringList titles(const KnowledgeCategory& category, const TableImage& image) {
        if (std::optional<QStringList> ranked = image.RankedTitles())
            return *ranked;
        PendingWrites::Instance().finish();
        // The writes failed: the table is not what this search made (the statements make it).
        if (ResultsLost(category))
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
    void finish(const QString& resultTable, std::shared_ptr<TableImage> result) {
        FileImages& file = Images()[CacheKey(path())];
        if (!throwaway_) {
            db_->close();
            file.stamp = StampOf(path());
        }
        if (result)
            file.tables.insert(resultTable, std::move(result));
    }

private:
    ConnectionString source_;
    bool throwaway_;
    std::shared_ptr<SqlConnection> db_;
};

} // namespace

// Whoever changes a database file outside a search says so; the images of that file go.
const bool kListensToFileChanges = [] {
    SubscribeToFileChanges([](const QString& path) { ForgetTableImages(path); });
    return true;
}();

void ForgetTableImages(const QString& path) {
    // Whoever is about to read or change the file gets it in the state the searches left.
    PendingWrites::Instance().finish();
    {
        // What the writes left is forgotten with the images.
        Committed& c = LastCommit();
        std::lock_guard lock(c.mutex);
        if (path.isEmpty() || c.key == CacheKey(path))
            c.pending = false;
    }
    if (Warming().valid()) {
        if (path.isEmpty() || CacheKey(path) == CacheKey(KnowledgeConnectionPath()))
            Warming().get(); // what it read may no longer be true
        else
            AdoptWarmedImages();
    }
    if (path.isEmpty())
        Images().clear();
    else
        Images().remove(CacheKey(path));
}

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

void FinishPendingWrites() {
    PendingWrites::Instance().finish();
}

void HoldPendingWrites(bool held) {
    PendingWrites::Instance().holdThread(held);
}

bool ResultsLost(const KnowledgeCategory& category) {
    if (category.database != DatabaseKind::Knowledge)
        return false;
    Committed& c = LastCommit();
    std::lock_guard lock(c.mutex);
    const auto it = c.lost.constFind(CacheKey(KnowledgeConnectionPath()));
    return it != c.lost.constEnd() && it->contains(category.resultTable);
}

void MarkResultsWritten(const KnowledgeCategory& category) {
    Committed& c = LastCommit();
    std::lock_guard lock(c.mutex);
    if (auto it = c.lost.find(CacheKey(KnowledgeConnectionPath())); it != c.lost.end())
        it->remove(category.resultTable);
}

namespace fast {

namespace {

// The frame both searches share: one session and one transaction over the image of table.
// change brings the image to the new state and returns what to write (applied at once to the
// personal database, behind the list to the working copy) and the image of a new result table,
// or null when the titles are listed from the image of table itself.
struct Change {
    PendingWrites::Job write;
    std::shared_ptr<TableImage> result;
};

template <typename MakeChange>
std::optional<QStringList> SearchInMemory(const KnowledgeCategory& category,
                                          const QStringList& keywords, const QString& table,
                                          MakeChange makeChange) {
    Session session(category);
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
        std::shared_ptr<TableImage> image =
            ImageOf(db, session.source(), table, category.searchedColumn, &matcher);
        // A search within results whose table lost its writes would search another list than
        // the one shown; the caller says so.
        if (!image->usable() || (table == category.resultTable && ResultsLost(category))) {
            if (!session.writesBehind())
                db.exec(QStringLiteral("ROLLBACK"));
            return std::nullopt;
        }
        // Ends the hold below when the change cannot be made.
        struct Hold {
            bool held = false;
            ~Hold() {
                if (held)
                    PendingWrites::Instance().release();
            }
        } hold;
        if (session.writesBehind()) {
            // The lock is taken before the list is shown: from here no reader sees the file
            // until the writes are done.
            const QString key = CacheKey(session.path());
            const FileStamp before = Images()[key].stamp;
            PendingWrites::Instance().hold(
                session.connection(), [key, before, path = session.path()](bool ok) {
                    Committed& c = LastCommit();
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
            counts = image->Count(matcher);
        Change change = makeChange(*image, counts);
        if (session.writesBehind()) {
            {
                // A new search makes its result table anew: once its writes are done, the
                // table holds its list whatever happened to an earlier one (if they fail, the
                // mark comes back).
                Committed& c = LastCommit();
                std::lock_guard lock(c.mutex);
                c.writing.insert(category.resultTable);
                if (table == category.baseTable)
                    c.lost[CacheKey(session.path())].remove(category.resultTable);
            }
            hold.held = false;
            PendingWrites::Instance().submit(std::move(change.write));
        } else {
            change.write(db);
            db.exec(QStringLiteral("COMMIT"));
        }
        QStringList titles = session.titles(category, change.result ? *change.result : *image);
        session.finish(category.resultTable, std::move(change.result));
        return titles;
    } catch (const DbError&) {
        ForgetTableImages(session.path());
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        // The text did not fit after all: the statements count it in the file.
        ForgetTableImages(session.path());
        return std::nullopt;
    }
}

} // namespace

std::optional<QStringList> NewSearch(const KnowledgeCategory& category,
                                     const QStringList& keywords) {
    return SearchInMemory(category, keywords, category.baseTable,
                          [&category](TableImage& base, const std::vector<qint64>& counts) {
                              auto changes = Session::Changes(base, counts);
                              std::vector<qint64> rowids = base.RowidsWithHits();
                              Change change;
                              change.write = [category, changes = std::move(changes),
                                              rowids = std::move(rowids)](SqlConnection& db) {
                                  Session::WriteCounts(db, category.baseTable, changes);
                                  Session::CopyRows(db, category, rowids);
                              };
                              change.result = base.Selected();
                              return change;
                          });
}

std::optional<QStringList> SearchWithinResults(const KnowledgeCategory& category,
                                               const QStringList& keywords) {
    // The knowledge categories reset once per keyword, so without one nothing is reset; the
    // personal category always resets.
    const bool reset = category.database == DatabaseKind::Personal ||
                       std::any_of(keywords.begin(), keywords.end(),
                                   [](const QString& keyword) { return !keyword.isEmpty(); });
    return SearchInMemory(
        category, keywords, category.resultTable,
        [&category, reset](TableImage& result, const std::vector<qint64>& counts) {
            std::vector<std::pair<qint64, qint64>> changes;
            if (reset)
                changes = Session::Changes(result, counts);
            Change change;
            change.write = [table = category.resultTable, changes = std::move(changes)](
                               SqlConnection& db) { Session::WriteCounts(db, table, changes); };
            return change;
        });
}

namespace {

// A click while the working copy's writes are not done: the image of the result table knows
// the row and its count, and the row's other columns are read, through the connection that
// writes, from the base table row it is a copy of (the writes change only the counts there).
// No value when the click has to wait for the writes.
std::optional<ShownRecord> ClickWhileWriting(const KnowledgeCategory& category,
                                             const QString& title) {
    if (category.database != DatabaseKind::Knowledge)
        return std::nullopt;
    const QString path = KnowledgeConnectionPath();
    FileImages& file = Images()[CacheKey(path)];
    if (!PendingWrites::Instance().busyWith(file.kept.get()) ||
        !SameFile(StampOf(path), file.stamp))
        return std::nullopt;
    const auto it = file.tables.constFind(category.resultTable);
    if (it == file.tables.constEnd() || !(*it)->usable())
        return std::nullopt;
    const TableImage& image = **it;
    const TableImage::Pick pick = image.LastRankedWithTitle(title);
    if (pick.kind == TableImage::Pick::NotFound) {
        // The personal database must open too, as for every click.
        SqlConnection personal;
        personal.open(ConnectionString::parse(PersonalConnectionString()));
        return ShownRecord{};
    }
    const std::optional<qint64> source = image.sourceRowid(pick.row);
    if (pick.kind == TableImage::Pick::Undecided || !source)
        return std::nullopt;
    SqlConnection personal;
    personal.open(ConnectionString::parse(PersonalConnectionString()));
    // The writing thread shares the connection: no statement of its may run while the read is
    // under way (dropping a table fails while another statement of the connection reads), so
    // the read holds the connection's own lock from its start to its end.
    sqlite3_mutex* const lock = sqlite3_db_mutex(file.kept->handle());
    sqlite3_mutex_enter(lock);
    const auto leave = qScopeGuard([lock] { sqlite3_mutex_leave(lock); });
    SqlStatement row = file.kept->prepare(
        QStringLiteral("SELECT * FROM %1 WHERE rowid=?1").arg(QuoteIdentifier(category.baseTable)));
    row.bind(1, *source);
    if (!row.step() || row.isNull(1) || row.text(1) != title)
        return std::nullopt;
    return ShownRecord{true, CellText(row, 2),
                       RecordHeader(CellText(row, 0), QString::number(image.hits(pick.row).value))};
}

} // namespace

std::optional<ShownRecord> ListClick(const KnowledgeCategory& category, const QString& title) {
    try {
        if (std::optional<ShownRecord> shown = ClickWhileWriting(category, title))
            return shown;
    } catch (const DbError&) {
        // Read as below, after the writes.
    }
    // The click reads the file as the searches left it.
    PendingWrites::Instance().finish();
    if (ResultsLost(category))
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
            ImageOf(db, isPersonal ? personalSource : knowledgeSource, category.resultTable,
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
        ForgetTableImages(path);
        return std::nullopt;
    }
}

} // namespace fast

} // namespace meridane
