#include "search/keyword_search.h"

#include "search/message_service.h"
#include "search/modado.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "search/variant_folding.h"

namespace meridane {

QString ResultCountLine(qsizetype count) {
    return count == 0 ? kNothingFound : QStringLiteral("共有%1条记录").arg(count);
}

void KeywordSearch::splitKeywordBox() {
    if (f_.keywordBox.isEmpty())
        return;
    f_.keywordList.clear();
    f_.currentKeyword.clear();
    f_.keywordList = SplitKeywords(f_.keywordBox);
}

void KeywordSearch::NewSearch() {
    if (f_.selected)
        NewSearch(*CategoryFor(*f_.selected));
}

void KeywordSearch::SearchWithinResults() {
    if (f_.selected)
        SearchWithinResults(*CategoryFor(*f_.selected));
}

void KeywordSearch::run(const KnowledgeCategory& category, const QString& sql,
                        const QStringList& params) {
    if (category.database == DatabaseKind::Knowledge) {
        if (modADO::OpenKnowledgeDb())
            modADO::ExecuteKnowledgeSql(sql, params);
    } else {
        if (modADO2::OpenPersonalDb())
            modADO2::ExecutePersonalSql(sql, params);
    }
}

// Steps shared by both searches: clear the fields, warn about an empty keyword box.
// Returns false when there is nothing to search.
bool KeywordSearch::startSearch() {
    f_.resultList.clear();
    f_.keywordList.clear();
    f_.currentKeyword.clear();
    f_.recordBody.clear();
    if (!f_.keywordBox.isEmpty())
        return true;
    Messages().MsgBox(kNoKeywordMessage, MsgFlags::OkOnly, kNoKeywordTitle);
    if (focusKeywordBox)
        focusKeywordBox();
    return false;
}

void KeywordSearch::countKeywords(const KnowledgeCategory& category, const QString& table) {
    const VariantFolding* folding = f_.variants ? VariantFolding::Instance() : nullptr;
    const QString increment =
        folding ? category.foldedIncrementStatement(table) : category.incrementStatement(table);
    for (const QString& keyword : std::as_const(f_.keywordList)) {
        f_.currentKeyword = keyword;
        if (!keyword.isEmpty())
            run(category, increment,
                {EscapeLikePattern(folding ? folding->fold(keyword) : keyword)});
    }
}

void KeywordSearch::NewSearch(const KnowledgeCategory& category) {
    lastInMemory_ = false;
    try {
        if (startSearch()) {
            splitKeywordBox();
            if (!searchInMemory(category, false)) {
                run(category, category.resetStatement(category.baseTable));
                countKeywords(category, category.baseTable);
                run(category, category.dropStatement());
                run(category, category.copyStatement());
                if (engine_)
                    engine_->markResultsWritten(category);
                readResults(category);
            }
        }
        finish();
    } catch (const DbError&) {
        Messages().MsgBox(kNothingFound, MsgFlags::OkOnly, kProgramTitle);
    }
}

void KeywordSearch::SearchWithinResults(const KnowledgeCategory& category) {
    lastInMemory_ = false;
    try {
        if (startSearch()) {
            splitKeywordBox();
            if (!searchInMemory(category, true) && !resultsLost(category)) {
                const QString reset = category.resetStatement(category.resultTable);
                if (category.database == DatabaseKind::Personal) {
                    run(category, reset);
                } else {
                    for (const QString& keyword : std::as_const(f_.keywordList))
                        if (!keyword.isEmpty())
                            run(category, reset);
                }
                countKeywords(category, category.resultTable);
                readResults(category);
            }
        }
        finish();
    } catch (const DbError&) {
        Messages().MsgBox(kNothingFound, MsgFlags::OkOnly, kProgramTitle);
    }
}

bool KeywordSearch::searchInMemory(const KnowledgeCategory& category, bool within) {
    if (!engine_)
        return false;
    std::optional<QStringList> titles =
        within ? engine_->searchWithinResults(category, f_.keywordList, f_.variants)
               : engine_->newSearch(category, f_.keywordList, f_.variants);
    if (!titles)
        return false;
    // The statements leave the last keyword in the working field.
    if (!f_.keywordList.isEmpty())
        f_.currentKeyword = f_.keywordList.last();
    f_.resultList = std::move(*titles);
    lastInMemory_ = true;
    return true;
}

bool KeywordSearch::resultsLost(const KnowledgeCategory& category) {
    // Without an engine no list was written behind.
    if (!engine_)
        return false;
    // The statements read the file once the writes behind the last list are done.
    engine_->finishPendingWrites();
    if (!engine_->resultsLost(category))
        return false;
    Messages().MsgBox(kCannotReadResult, MsgFlags::OkOnly, kProgramTitle);
    return true;
}

void KeywordSearch::readResults(const KnowledgeCategory& category) {
    ReadRows(ConnectionStringFor(category), category.readStatement(),
             [this](const SqlStatement& row) {
                 if (std::optional<QString> title = ListedTitle(row))
                     f_.resultList << std::move(*title);
             });
}

void KeywordSearch::finish() {
    const qsizetype n = f_.resultList.size();
    f_.hitCounter = QString::number(n);
    f_.statusLine = ResultCountLine(n);
}

} // namespace meridane
