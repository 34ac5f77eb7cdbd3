#include "search/fast_search.h"

#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/result_reader.h"
#include "search/sqlite_db.h"
#include "search/table_image.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>

#include <openssl/crypto.h>
#include <sqlite3.h>

#include <atomic>
#include <cstdlib>
#include <future>
#include <memory>
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

struct FileImages {
    FileStamp stamp;
    QHash<QString, std::shared_ptr<TableImage>> tables;
    // The working copy's connection, kept open between searches with its page cache.
    std::shared_ptr<SqlConnection> kept;
};

QHash<QString, FileImages>& Images() {
    static QHash<QString, FileImages> images;
    return images;
}

// A connection to a database file as the in-memory search uses it. The working copy of the
// knowledge database (throwaway) is rebuilt at every start, so it is written without a rollback
// journal, without syncing and without overwriting freed pages (a search that fails there is run
// again by the statements, which set every count and remake the result table). The personal
// database keeps the engine's safe defaults.
std::shared_ptr<SqlConnection> OpenForSearch(const ConnectionString& source, bool throwaway) {
    auto db = std::make_shared<SqlConnection>();
    db->open(source);
    if (throwaway)
        db->exec(QStringLiteral("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; "
                                "PRAGMA secure_delete=OFF; PRAGMA cache_size=-131072"));
    else
        db->exec(QStringLiteral("PRAGMA cache_size=-65536"));
    return db;
}

// Reads the image of table through db, or for a large file on connections of its own, two at
// once. A file that fits the page cache well is read through db, whose cache then holds what
// the search writes next.
std::shared_ptr<TableImage> LoadImage(SqlConnection& db, const ConnectionString& source,
                                      qint64 fileBytes, const QString& table,
                                      const QString& searchedColumn) {
    constexpr qint64 kReadThroughBytes = qint64(48) << 20;
    TableImage::ConnectionFactory connect;
    if (fileBytes > kReadThroughBytes) {
        connect = [source] {
            auto connection = std::make_unique<SqlConnection>();
            connection->open(source);
            return connection;
        };
    }
    return TableImage::Load(db, table, searchedColumn, connect);
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
            g_appGuarded = false; // a later application object is guarded again
        });
        QObject::connect(app, &QCoreApplication::aboutToQuit, app, StopWarmUp);
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

// What is kept of path, emptied first when the file is no longer as it was.
FileImages& Current(const QString& path) {
    AdoptWarmedImages();
    FileImages& file = Images()[CacheKey(path)];
    const FileStamp now = StampOf(path);
    if (!(file.stamp == now)) {
        file.tables.clear();
        file.kept.reset();
        file.stamp = now;
    }
    return file;
}

// The image of table, from memory while the file is as it was when the image was made.
std::shared_ptr<TableImage> ImageOf(SqlConnection& db, const ConnectionString& source,
                                    const QString& table, const QString& searchedColumn) {
    FileImages& file = Current(source.dataSource);
    if (auto it = file.tables.constFind(table); it != file.tables.constEnd())
        return *it;
    auto image = LoadImage(db, source, file.stamp.size, table, searchedColumn);
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

    // Writes the counts that differ from what the table holds, and notes them in the image.
    void writeCounts(const QString& table, TableImage& image, const std::vector<qint64>& counts) {
        SqlStatement update =
            db_->prepare(QStringLiteral("UPDATE %1 SET %2=?1 WHERE rowid=?2")
                             .arg(QuoteIdentifier(table), QuoteIdentifier(kHits)));
        for (size_t row = 0; row < image.rowCount(); ++row) {
            if (image.hits(row) == IntegerValue{counts[row], true})
                continue;
            update.reset();
            update.bind(1, counts[row]);
            update.bind(2, image.rowid(row));
            update.step();
            image.setHits(row, counts[row]);
        }
    }

    // Makes the result table: the rows of the base table with a positive count, as the copy
    // statement does, but reading only those rows, and in rowid order whatever indexes the base
    // table has. The counts are integers (the image is usable), so the image knows which rows
    // "相符个数>0" selects.
    void copyRowsWithHits(const KnowledgeCategory& category, const TableImage& base) {
        db_->exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS selected_rows "
                                 "(id INTEGER PRIMARY KEY); DELETE FROM temp.selected_rows"));
        SqlStatement insert =
            db_->prepare(QStringLiteral("INSERT INTO temp.selected_rows (id) VALUES (?1)"));
        for (qint64 rowid : base.RowidsWithHits()) {
            insert.reset();
            insert.bind(1, rowid);
            insert.step();
        }
        db_->exec(
            QStringLiteral("CREATE TABLE %1 AS SELECT * FROM %2 WHERE rowid IN "
                           "(SELECT id FROM temp.selected_rows) ORDER BY rowid")
                .arg(QuoteIdentifier(category.resultTable), QuoteIdentifier(category.baseTable)));
    }

    // The listed titles: from the image when it decides the order, else read from the table.
    QStringList titles(const KnowledgeCategory& category, const TableImage& image) {
        if (std::optional<QStringList> ranked = image.RankedTitles())
            return *ranked;
        QStringList out;
        SqlStatement rows = db_->prepare(category.readStatement());
        while (rows.step())
            if (std::optional<QString> title = ListedTitle(rows))
                out << std::move(*title);
        return out;
    }

    // Closes the connection; what was written is now the state the images stand for.
    void finish(const QString& resultTable, std::shared_ptr<TableImage> result) {
        if (!throwaway_)
            db_->close();
        FileImages& file = Images()[CacheKey(path())];
        file.stamp = StampOf(path());
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

namespace fast {

namespace {

// The frame both searches share: one session and one transaction over the image of table.
// change writes what the search writes and returns the image of a new result table, or null
// when the titles are listed from the image of table itself.
template <typename Change>
std::optional<QStringList> SearchInMemory(const KnowledgeCategory& category,
                                          const QStringList& keywords, const QString& table,
                                          Change change) {
    Session session(category);
    if (!session.open())
        return std::nullopt;
    try {
        const std::optional<std::vector<std::string>> needles = session.needles(keywords);
        if (!needles)
            return std::nullopt;
        SqlConnection& db = session.db();
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
        std::shared_ptr<TableImage> image =
            ImageOf(db, session.source(), table, category.searchedColumn);
        if (!image->usable()) {
            db.exec(QStringLiteral("ROLLBACK"));
            return std::nullopt;
        }
        std::shared_ptr<TableImage> result = change(session, *image, *needles);
        db.exec(QStringLiteral("COMMIT"));
        QStringList titles = session.titles(category, result ? *result : *image);
        session.finish(category.resultTable, std::move(result));
        return titles;
    } catch (const DbError&) {
        ForgetTableImages(session.path());
        return std::nullopt;
    }
}

} // namespace

std::optional<QStringList> NewSearch(const KnowledgeCategory& category,
                                     const QStringList& keywords) {
    return SearchInMemory(
        category, keywords, category.baseTable,
        [&category](Session& session, TableImage& base, const std::vector<std::string>& needles) {
            session.writeCounts(category.baseTable, base, base.Count(needles));
            session.db().exec(QStringLiteral("DROP TABLE IF EXISTS %1")
                                  .arg(QuoteIdentifier(category.resultTable)));
            session.copyRowsWithHits(category, base);
            return base.Selected();
        });
}

std::optional<QStringList> SearchWithinResults(const KnowledgeCategory& category,
                                               const QStringList& keywords) {
    return SearchInMemory(
        category, keywords, category.resultTable,
        [&category](Session& session, TableImage& result,
                    const std::vector<std::string>& needles) -> std::shared_ptr<TableImage> {
            // The knowledge categories reset once per keyword, so without one nothing is
            // reset; the personal category always resets.
            if (!needles.empty() || category.database == DatabaseKind::Personal)
                session.writeCounts(category.resultTable, result, result.Count(needles));
            return nullptr;
        });
}

std::optional<ShownRecord> ListClick(const KnowledgeCategory& category, const QString& title) {
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
