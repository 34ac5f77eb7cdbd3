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

// Drops the images kept of one database file (of every file when path is empty). Whoever
// writes a database outside the search calls this; a change of the file's size, time or
// identity drops them too.
void ForgetTableImages(const QString& path = {});

// Starts reading, on a thread of its own, the images of the knowledge tables of the working copy
// (and, for a file of moderate size, its pages), so that the first search of each category
// after start finds them in memory. The first search that needs them waits for the reading to
// end; a file that changed meanwhile makes the search read it again.
void WarmUpKnowledgeImages();
// Waits for the warm-up to end and takes over what it read.
void FinishWarmUp();
// Stops the warm-up after the table it is reading, waits for its thread and drops what it read.
// Runs by itself when the application object goes and when the process exits, whichever comes
// first, so that the thread never outlives what it uses.
void StopWarmUp();
// True from the start of a warm-up until what it read is taken over or dropped.
bool WarmUpPending();

// Waits until the writes the searches left behind their lists are done. The routines of this
// program that read or change a database file wait on their own; a tool calls it before it
// ends, and it runs at exit too.
void FinishPendingWrites();
// Keeps the writes behind from being done until a reader needs them (for tests).
void HoldPendingWrites(bool held);

// True when the writes behind the last list of category failed (known once they ended): its
// result table does not hold that list. Does not wait for pending writes.
bool ResultsLost(const KnowledgeCategory& category);
// Notes that the statements wrote category's result table anew.
void MarkResultsWritten(const KnowledgeCategory& category);

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
