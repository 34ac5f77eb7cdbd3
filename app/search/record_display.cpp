#include "search/record_display.h"

#include "search/variant_folding.h"

#include "search/keyword_search.h"
#include "search/message_service.h"
#include "search/program_folder.h"
#include "search/result_reader.h"

#include <QTextBoundaryFinder>

#include <algorithm>

namespace meridane {

QString ShownPart(const QString& text, qsizetype maxChars) {
    if (text.size() <= maxChars)
        return text;
    // Characters are short: a few code units before the bound tell where the last one starts
    // (the finder's work grows with the text it is given).
    constexpr qsizetype kLookBehind = 64;
    const qsizetype from = std::max<qsizetype>(0, maxChars - kLookBehind);
    const QString near = text.mid(from, maxChars + 1 - from);
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, near);
    characters.setPosition(maxChars - from);
    if (!characters.isAtBoundary())
        characters.toPreviousBoundary();
    return text.left(from + std::max<qsizetype>(0, characters.position()));
}

bool HasUnbreakableRun(const QString& text, qsizetype maxRun) {
    if (text.size() <= maxRun)
        return false;
    QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
    qsizetype last = 0;
    for (qsizetype at = breaks.toNextBoundary(); at >= 0; at = breaks.toNextBoundary()) {
        if (at - last > maxRun)
            return true;
        last = at;
    }
    return text.size() - last > maxRun;
}

QString RecordCutLine(qsizetype total, qsizetype shown) {
    return QStringLiteral("\n……（本条记录共 %1 字，过长，只显示了前 %2 字）").arg(total).arg(shown);
}

RecordPaneText RecordTextToShow(const QString& body) {
    const QString shown = ShownPart(body);
    if (shown.size() == body.size())
        return {body, body};
    return {shown + RecordCutLine(body.size(), shown.size()), shown};
}

bool RecordDisplay::ListClick(const QString& title) {
    found_ = false;
    if (!f_.selected)
        return true;
    const KnowledgeCategory* category = CategoryFor(*f_.selected);
    if (engine_) {
        if (const std::optional<ShownRecord> shown = engine_->listClick(*category, title)) {
            found_ = shown->found;
            if (found_) {
                f_.recordBody = shown->body;
                f_.statusLine = shown->header;
            }
            return true;
        }
    }
    // The writes behind the list failed (the in-memory click waited for them): its table holds
    // another list.
    if (engine_ && engine_->resultsLost(*category)) {
        Messages().MsgBox(kCannotReadResult, MsgFlags::OkOnly, kProgramTitle);
        return false;
    }
    try {
        // Both databases are opened on every click, whatever the category.
        SqlConnection knowledge, personal;
        knowledge.open(ConnectionString::parse(KnowledgeConnectionString()));
        personal.open(ConnectionString::parse(PersonalConnectionString()));
        SqlConnection& db = category->database == DatabaseKind::Knowledge ? knowledge : personal;
        SqlStatement rows = db.prepare(category->readAllStatement());
        QString body, header;
        bool found = false;
        while (rows.step()) {
            if (rows.isNull(1) || rows.text(1) != title)
                continue;
            found = true;
            body = CellText(rows, 2);
            header = RecordHeader(CellText(rows, 0), CellText(rows, 3));
        }
        found_ = found;
        if (found) {
            f_.recordBody = body;
            f_.statusLine = header;
        }
        return true;
    } catch (const DbError&) {
        Messages().MsgBox(kCannotReadResult, MsgFlags::OkOnly, kProgramTitle);
        return false;
    }
}

std::vector<TextRange> RecordDisplay::keywordRanges(const QString& text) {
    KeywordSearch(f_, engine_).splitKeywordBox();
    for (const QString& keyword : std::as_const(f_.keywordList))
        f_.currentKeyword = keyword;
    return KeywordMarker(f_.keywordList, f_.variants).ranges(text);
}

KeywordMarker::KeywordMarker(const QStringList& keywords, bool variants) : keywords_(keywords) {
    if (keywords_.isEmpty() || !variants)
        return;
    if (const VariantFolding* folding = VariantFolding::Instance()) {
        keywords_ = folding->fold(keywords_);
        folded_ = true;
    }
}

KeywordMarker::KeywordMarker(const QString& keywordBox, bool variants)
    : KeywordMarker(keywordBox.isEmpty() ? QStringList() : SplitKeywords(keywordBox), variants) {}

std::vector<TextRange> KeywordMarker::ranges(const QString& text) const {
    if (keywords_.isEmpty())
        return {};
    // Folding keeps every position: the ranges found in the folded text are the places of the
    // forms that matched.
    if (folded_)
        return MergedRanges(KeywordRanges(VariantFolding::Instance()->fold(text), keywords_));
    return MergedRanges(KeywordRanges(text, keywords_));
}

} // namespace meridane
