// The search that keeps the searched tables in memory between searches, as the keyword search
// and the record display use it. Its one maker is search/memory/engine.h; main() of the program
// and of each tool that searches owns it and hands it to the searches.
#pragma once

#include "search/knowledge_category.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace meridane {

// What a click on a title of the result list shows.
struct ShownRecord {
    bool found = false; // false: no row has that title
    QString body;
    QString header;
};

class SearchEngine {
public:
    virtual ~SearchEngine() = default;

    // The titles a new search (or a search within results) of category lists, after the
    // database was brought to the state the statement sequence leaves. With variants, each
    // keyword matches every variant form of itself, as the statements do through
    // meridane_fold (see VariantFolding). No value: nothing was done, and the caller runs the
    // statements.
    virtual std::optional<QStringList> newSearch(const KnowledgeCategory& category,
                                                 const QStringList& keywords, bool variants) = 0;
    virtual std::optional<QStringList> searchWithinResults(const KnowledgeCategory& category,
                                                           const QStringList& keywords,
                                                           bool variants) = 0;
    // The titles newSearch would list for keywords, while the user is still typing them: read
    // from memory alone, with nothing written to any file and nothing kept of the counts. No
    // value where newSearch would decline, or where memory alone cannot tell the list.
    virtual std::optional<QStringList> previewNewSearch(const KnowledgeCategory& category,
                                                        const QStringList& keywords) = 0;
    // What a click on title shows. No value: the caller reads the result table itself.
    virtual std::optional<ShownRecord> listClick(const KnowledgeCategory& category,
                                                 const QString& title) = 0;

    // Waits until the writes the searches left behind their lists are done.
    virtual void finishPendingWrites() = 0;
    // True when the writes behind the last list of category failed (known once they ended): its
    // result table does not hold that list. Does not wait for pending writes.
    virtual bool resultsLost(const KnowledgeCategory& category) = 0;
    // Notes that the statements wrote category's result table anew.
    virtual void markResultsWritten(const KnowledgeCategory& category) = 0;
};

} // namespace meridane
