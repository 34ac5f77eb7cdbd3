#include "services/favourites.h"

#include "search/sqlite_db.h"
#include "services/user_settings.h"

#include <QDir>
#include <QFileInfo>

namespace meridane {

namespace {

// The category is kept by its caption: it names the category whatever the program's own
// numbering.
const QString kCreate = QStringLiteral(
    "CREATE TABLE IF NOT EXISTS favourites (category TEXT NOT NULL, title TEXT NOT NULL, "
    "added INTEGER NOT NULL, PRIMARY KEY (category, title))");

// Opens the file for writing, made with its table when it is missing.
SqlConnection OpenForWriting(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    SqlConnection db;
    db.open(path, QString(), SqlConnection::Mode::CreateIfMissing);
    // A rollback journal beside the file, removed at each commit, and every commit on the disk
    // before it returns: the file holds either the change or what it held before.
    db.exec(QStringLiteral("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; "
                           "PRAGMA busy_timeout=2000"));
    db.exec(kCreate);
    return db;
}

} // namespace

QString FavouritesFile() {
    return QFileInfo(UserSettingsFile()).absolutePath() + QStringLiteral("/favourites.db");
}

std::vector<Favourite> FavouriteStore::list() const {
    std::vector<Favourite> kept;
    if (!QFileInfo(path_).isFile() || QFileInfo(path_).size() == 0)
        return kept;
    SqlConnection db;
    db.open(path_, QString(), SqlConnection::Mode::OpenExisting);
    db.exec(QStringLiteral("PRAGMA busy_timeout=2000"));
    db.exec(kCreate);
    SqlStatement rows = db.prepare(
        QStringLiteral("SELECT category, title FROM favourites ORDER BY added DESC, rowid DESC"));
    while (rows.step()) {
        // A category this program does not know is left out (and left in the file).
        if (const KnowledgeCategory* category = CategoryByCaption(rows.text(0)))
            kept.push_back({category->id, rows.text(1)});
    }
    return kept;
}

void FavouriteStore::add(const Favourite& favourite) {
    const KnowledgeCategory* category = CategoryFor(favourite.category);
    if (!category)
        return;
    AnnounceFileChange(path_);
    SqlConnection db = OpenForWriting(path_);
    // One transaction: the favourite moves to the front, or nothing changes. The newest is
    // first: one more than the highest kept, so that the clock plays no part.
    db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        db.exec(QStringLiteral("DELETE FROM favourites WHERE category = ?1 AND title = ?2"),
                {category->caption, favourite.title});
        db.exec(QStringLiteral("INSERT INTO favourites (category, title, added) VALUES (?1, ?2, "
                               "(SELECT coalesce(max(added), 0) + 1 FROM favourites))"),
                {category->caption, favourite.title});
        db.exec(QStringLiteral("COMMIT"));
    } catch (const DbError&) {
        db.rollbackAfterFailure();
        throw;
    }
}

bool FavouriteStore::remove(const Favourite& favourite) {
    const KnowledgeCategory* category = CategoryFor(favourite.category);
    if (!category || !QFileInfo(path_).isFile())
        return false;
    AnnounceFileChange(path_);
    SqlConnection db = OpenForWriting(path_);
    db.exec(QStringLiteral("DELETE FROM favourites WHERE category = ?1 AND title = ?2"),
            {category->caption, favourite.title});
    return db.changes() > 0;
}

} // namespace meridane
