// Showing a listed record: finding it in the result table by title, its header line, and the
// ranges of its text that the keywords cover.
#pragma once

#include "search/keyword_search.h"
#include "search/keyword_text.h"
#include "search/search_engine.h"
#include "search/search_fields.h"

#include <vector>

namespace meridane {

// The most characters a box of the program shows of one text: a record, a note, the start-up
// notice. Laying out more keeps the window from answering for too long; the longest records of
// the classics have fewer than 20,000.
inline constexpr qsizetype kMaxShownChars = 32768;
// A run of more characters than this without a place to break a line is wrapped anywhere:
// wrapping such a run at word boundaries takes time that grows with the square of its length.
inline constexpr qsizetype kMaxUnbreakableRun = 1024;

// What a box shows of text: all of it when it has at most maxChars characters, otherwise the
// characters before the last character boundary at or before maxChars (never between the two
// halves of a surrogate pair, nor before a combining mark).
QString ShownPart(const QString& text, qsizetype maxChars = kMaxShownChars);

// Whether text holds a run of more than maxRun characters with no place to break a line.
bool HasUnbreakableRun(const QString& text, qsizetype maxRun = kMaxUnbreakableRun);

// What the record pane shows of a record body: the body itself, or its first part followed by a
// line that says how much of it is not shown. The keywords are coloured in shownBody, which
// starts text.
struct RecordPaneText {
    QString text;
    QString shownBody;
};
RecordPaneText RecordTextToShow(const QString& body);
// The line after the shown part of a record of total characters.
QString RecordCutLine(qsizetype total, qsizetype shown);

// The ranges of a text that keywords cover, sorted and merged, as the record pane colours them:
// each keyword, and with variants each of its variant forms too. Nothing without keywords.
class KeywordMarker {
public:
    KeywordMarker(const QStringList& keywords, bool variants);
    // The pieces of a keyword box.
    KeywordMarker(const QString& keywordBox, bool variants);
    std::vector<TextRange> ranges(const QString& text) const;

private:
    QStringList keywords_;
    bool folded_ = false;
};

class RecordDisplay {
public:
    // engine: the in-memory search main() made, which reads the record first; without one
    // (null) the result table is read.
    RecordDisplay(SearchFields& fields, SearchEngine* engine) : f_(fields), engine_(engine) {}

    // Looks title up in the selected category's result table. The last row with that title in
    // rank order sets the record body and the status line; without one both stay as they are.
    // Returns false (after a message box titled "Meridane") when a database cannot be opened or
    // the table cannot be read; the fields are then unchanged.
    bool ListClick(const QString& title);
    // True when the last ListClick found a row with its title.
    bool found() const { return found_; }

    // Splits the keyword box again and returns the ranges of text to colour, merged.
    std::vector<TextRange> keywordRanges(const QString& text);

private:
    SearchFields& f_;
    SearchEngine* engine_;
    bool found_ = false;
};

} // namespace meridane
