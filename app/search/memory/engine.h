// The in-memory search engine: the same results and the same database contents as the statement
// sequence (reset, one LIKE update per keyword, drop, copy, read), in one transaction that
// writes only the counts that change, with the searched columns kept in memory between
// searches. The working copy reaches that state after the list is shown: its writes are done on a
// thread of their own while the search holds the file's exclusive lock, and whoever reads the
// file in this program waits for them first.
//
// Every search here either does the whole job or returns no value without a message, so that
// the caller runs the statement sequence instead. That happens when a database cannot be opened
// or read, a table is missing, or when memory cannot give exactly what the statements give (see
// TableImage and LikeNeedle), or when the text does not fit in memory. When the writes behind a
// list fail (a full disk), the working copy's journal puts the file back as it was before them,
// the images of the file are dropped, and the result tables of the searches whose writes were
// lost are marked (resultsLost): they no longer hold the lists that were shown, so a click or a
// search within them must not read them until a new search of the category.
//
// main() of the program and of each tool that searches makes one engine, before the windows and
// searches that use it, and it lives until the end of main(). What it keeps (the table images,
// the warm-up after start, the writes behind the lists) lives and ends with it: its destructor
// stops the warm-up and waits for its thread, then finishes the pending writes and ends their
// thread. While it lives it listens to the announcements of changed files (AnnounceFileChange).
//
// The program defers the writes (deferPendingWrites): the working copy gets a search's counts
// and result table only when something reads the file, and at its end the program abandons what
// is still pending, since it then puts the stored database in the working copy's place. A tool
// whose working copy outlives it leaves them behind (the default) and finishes them at its end.
#pragma once

#include "search/memory/image_cache.h"
#include "search/memory/pending_writes.h"
#include "search/memory/warm_up.h"
#include "search/memory/writes_behind.h"
#include "search/pinyin_titles.h"
#include "search/search_engine.h"

#include <QHash>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace meridane::memory {

class Engine final : public SearchEngine {
public:
    Engine();
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    std::optional<QStringList> newSearch(const KnowledgeCategory& category,
                                         const QStringList& keywords, bool variants) override;
    std::optional<QStringList> searchWithinResults(const KnowledgeCategory& category,
                                                   const QStringList& keywords,
                                                   bool variants) override;
    std::optional<QStringList> previewNewSearch(const KnowledgeCategory& category,
                                                const QStringList& keywords) override;
    std::optional<ShownRecord> listClick(const KnowledgeCategory& category,
                                         const QString& title) override;
    void finishPendingWrites() override;
    // What RecordByTitle reads from the base table of category, answered from memory while the
    // working copy's writes are pending. No value when memory cannot tell: the caller finishes
    // the writes and reads the file.
    std::optional<TitledRecord> recordByTitle(const KnowledgeCategory& category,
                                              const QString& title);
    // What TitlesOf reads, from memory while the working copy's writes are pending; no value
    // otherwise.
    std::optional<QStringList> titlesOf(const KnowledgeCategory& category);
    bool resultsLost(const KnowledgeCategory& category) override;
    void markResultsWritten(const KnowledgeCategory& category) override;

    // Starts reading, on a thread of its own, the images of the knowledge tables of the working
    // copy (and, for a file of moderate size, its pages), so that the first search of each
    // category after start finds them in memory. The first search that needs them waits for the
    // reading to end; a file that changed meanwhile makes the search read it again.
    void warmUp();
    // Waits for the warm-up to end and takes over what it read.
    void finishWarmUp();
    // Stops the warm-up after the table it is reading, waits for its thread and drops what it
    // read.
    void stopWarmUp();
    // True from the start of a warm-up until what it read is taken over or dropped.
    bool warmUpPending() const;

    // Drops the images kept of one database file (of every file when path is empty), after the
    // writes behind the lists are done. An announced change of the file does this; a change of
    // the file's size, time or identity drops them too.
    void forgetTableImages(const QString& path = {});
    // Finishes the pending writes when they are writes of path.
    void finishPendingWritesOf(const QString& path);
    // The same on the writing thread, for a reader off the window's thread that must not hold
    // up a cancel: waits until they are written (true) or until stopped() (false; they are
    // written on behind).
    bool writePendingWritesOf(const QString& path, const std::function<bool()>& stopped);

    // Keeps the writes behind from being done until a reader needs them (for tests).
    void holdPendingWrites(bool held);
    // Deferred, the writes behind the lists are done only when something reads the file
    // (finishPendingWrites); otherwise on a thread of their own right after each list.
    void deferPendingWrites(bool deferred);
    // Drops the writes not yet done, stops the one under way and rolls them back: the file is
    // as it was before them, and their lists count as lost (resultsLost).
    void abandonPendingWrites();
    // The writer of the working copy's writes behind the lists.
    PendingWrites& pendingWrites() { return writes_; }

    // What is kept of path, emptied first when the file is no longer as it was.
    FileImages& current(const QString& path);
    // The image of table, from memory while the file is as it was when the image was made.
    // With countWith, an image that has to be read is counted as it is read.
    std::shared_ptr<TableImage> imageOf(SqlConnection& db, const ConnectionString& source,
                                        const QString& table, const QString& searchedColumn,
                                        const KeywordMatcher* countWith = nullptr);
    // Everything kept, by CacheKey.
    QHash<QString, FileImages>& images() { return images_; }
    // What the last writes behind the lists left.
    Committed& lastCommit() { return committed_; }

private:
    // True while writes are pending on path, through the connection kept to it.
    bool writesPendingOn(const QString& path);
    // While writes are pending on the working copy and it is as they found it: what is kept of
    // the file, with the usable image of table (of category's file) in image; else null.
    FileImages* pendingImages(const KnowledgeCategory& category, const QString& table,
                              std::shared_ptr<TableImage>* image);
    // A click while the working copy's writes are not done; no value when it has to wait for
    // them.
    std::optional<ShownRecord> clickWhileWriting(const KnowledgeCategory& category,
                                                 const QString& title);

    // Declared in the order they are built: the warm-up and the writer, whose threads end when
    // they go, go before the images and the commit record their threads hand things to.
    QHash<QString, FileImages> images_;
    Committed committed_;
    PendingWrites writes_;
    WarmUp warmUp_;
    int subscription_ = 0;
    // The rows each keyword of the last preview was found in, and the image they are rows of: a
    // keyword typed on from one of them (which holds it) is looked for in its rows alone.
    struct PreviewRows {
        std::weak_ptr<TableImage> image;
        std::vector<std::pair<std::string, std::vector<std::uint32_t>>> rows;
    };
    PreviewRows lastPreview_;
};

} // namespace meridane::memory
