// The user's favourites (收藏): records kept by category and title, in a small SQLite file of
// their own beside the user's settings, so that they outlive the program, a restart and an
// online update of the knowledge database.
#pragma once

#include "search/knowledge_category.h"

#include <QString>

#include <vector>

namespace meridane {

struct Favourite {
    Category category;
    QString title;
    bool operator==(const Favourite&) const = default;
};

// favourites.db in the folder of UserSettingsFile(): a test's own settings file takes its
// favourites with it.
QString FavouritesFile();

// The favourites kept in one file. Every change is one SQLite transaction with a rollback
// journal and full synchronisation: a change either reaches the file whole or, after a crash or
// a full disk, leaves it as it was. The file is made on the first change; reading a missing file
// gives no favourites. Every call opens the file anew, so two stores on the same file (or two
// running programs) see each other's changes. Throws DbError when the file cannot be read or
// written.
class FavouriteStore {
public:
    explicit FavouriteStore(QString path = FavouritesFile()) : path_(std::move(path)) {}

    const QString& path() const { return path_; }
    // Newest first.
    std::vector<Favourite> list() const;
    // Adds the favourite (moved to the front when it is kept already).
    void add(const Favourite& favourite);
    // Returns false when it was not kept.
    bool remove(const Favourite& favourite);

private:
    QString path_;
};

} // namespace meridane
