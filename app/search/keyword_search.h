// The keyword hit-count search: a new search and a search within results for each category.
#pragma once

#include "search/keyword_text.h"
#include "search/knowledge_category.h"
#include "search/search_engine.h"
#include "search/search_fields.h"

#include <functional>

namespace meridane {

inline const QString kNoKeywordMessage = QStringLiteral("您没有输入关键字！");
inline const QString kNoKeywordTitle = QStringLiteral("注意！");
inline const QString kNothingFound = QStringLiteral("没有找到您所需的资料！");
// The result table does not hold the list that was shown.
inline const QString kCannotReadResult = QStringLiteral("无法读取查询结果，请重新查询！");

// The line above the record pane after a search that listed count titles: "共有N条记录", or
// kNothingFound.
QString ResultCountLine(qsizetype count);

class KeywordSearch {
public:
    // engine: the in-memory search main() made, which searches first; without one (null) the
    // statements alone run.
    KeywordSearch(SearchFields& fields, SearchEngine* engine) : f_(fields), engine_(engine) {}

    // True when the last search was done in memory, false when it ran the statements.
    bool lastSearchInMemory() const { return lastInMemory_; }

    // Called when the empty-keyword warning wants the focus back in the keyword box.
    std::function<void()> focusKeywordBox;

    // Fills the keyword list from the keyword box (nothing happens when the box is empty).
    void splitKeywordBox();

    // A new search, or a search within the last results, of the selected category (nothing
    // happens when none is selected) or of category.
    void NewSearch();
    void SearchWithinResults();
    void NewSearch(const KnowledgeCategory& category);
    void SearchWithinResults(const KnowledgeCategory& category);

private:
    void run(const KnowledgeCategory& category, const QString& sql, const QStringList& params = {});
    bool startSearch();
    void countKeywords(const KnowledgeCategory& category, const QString& table);
    void readResults(const KnowledgeCategory& category);
    void finish();
    // Runs the in-memory search; false when the statements are to run instead.
    bool searchInMemory(const KnowledgeCategory& category, bool within);
    // True (after a message) when the writes behind the category's last list failed, so that
    // its result table is not the list to search within.
    bool resultsLost(const KnowledgeCategory& category);

    SearchFields& f_;
    SearchEngine* engine_;
    bool lastInMemory_ = false;
};

} // namespace meridane
