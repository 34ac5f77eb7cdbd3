// The in-memory search: the same results and the same database contents as the statement
// sequence (reset, one LIKE update per keyword, drop, copy, read), in one transaction that
// writes only the counts that change, with the searched columns kept in memory between
// searches. The working copy reaches that state after the list is shown: its writes are done on a
// thread of their own while the search holds the file's exclusive lock, and whoever reads the
// file in this program waits for them first.
//
// Every function here either does the whole job or returns no value without a message, so that
// the caller runs the statement sequence instead. That happens when a database cannot be opened
// or read, a table is missing, or when memory cannot give exactly what the statements give (see
// TableImage and LikeNeedle), or when the text does not fit in memory. When the writes behind a
// list fail (a full disk), the working copy's journal puts the file back as it was before them,
// the images of the file are dropped, and the result tables of the searches whose writes were
// lost are marked (ResultsLost): they no longer hold the lists that were shown, so a click or a
// search within them must not read them until a new search of the category.
#pragma once

#include "search/knowledge_category.h"

#include <QStringList>

#include <optional>

namespace meridane {

enum class SearchEngine {
    Statements, // one statement per step, each on its own connection
    InMemory,   // counts over in-memory images, falling back to the statements
};

namespace fast {

// The titles the new search or the search within results lists, after the database was brought
// to the state the statements leave. No value: nothing was done.
std::optional<QStringList> NewSearch(const KnowledgeCategory& category,
                                     const QStringList& keywords);
std::optional<QStringList> SearchWithinResults(const KnowledgeCategory& category,
                                               const QStringList& keywords);

// What a click on title in the result list shows.
struct ShownRecord {
    bool found = false; // false: no row has that title
    QString body;
    QString header;
};
std::optional<ShownRecord> ListClick(const KnowledgeCategory& category, const QString& title);

} // namespace fast

} // namespace meridane
