// Importing the user's own books into the notes (me1): a plain-text file split into notes by a
// rule, a JSON Lines file or a CSV file with the columns 标题 and 文本; the titles made unique
// against the file and each other, the numbers continued after the largest, and everything
// written in one transaction that a cancel or a failure rolls back.
#pragma once

#include "search/sqlite_db.h"
#include "services/text_encoding.h"

#include <QSet>
#include <QString>

#include <functional>
#include <optional>
#include <stdexcept>
#include <vector>

namespace meridane {

struct ImportedNote {
    QString title;
    QString body;
    qsizetype line = 0; // 1-based line of the input where the note begins
};

// Input that cannot be imported; nothing was written. line is 1-based (0: the file as a
// whole); what() says it in English for the tools.
class ImportError : public std::runtime_error {
public:
    enum class Reason {
        CannotRead,    // the file cannot be read
        Undecodable,   // a byte that does not decode in the encoding chosen, or a NUL
        NotAnObject,   // a JSON line that is not an object
        MissingField,  // a JSON line without the string 标题 or 文本
        NoColumns,     // a CSV file whose first row lacks 标题 or 文本
        UnclosedQuote, // a CSV field whose quotes are not closed
        StrayQuote,    // a quote inside a CSV field that was not quoted, or after its close
        Empty,         // no note in the file
    };
    ImportError(Reason reason, qsizetype line, const std::string& what)
        : std::runtime_error(what), reason_(reason), line_(line) {}
    Reason reason() const { return reason_; }
    qsizetype line() const { return line_; }

private:
    Reason reason_;
    qsizetype line_;
};

// What the user is told of an ImportError: the line and the fault, in the program's words.
QString ImportErrorText(const ImportError& e);

enum class SplitRule {
    WholeFile, // one note, titled by the file's name
    Paragraph, // a note at each paragraph (paragraphs are separated by blank lines)
    Heading,   // a note at each heading line
};

// A heading is a short line (at most this many characters, blanks aside) that the heading
// pattern matches.
constexpr qsizetype kMaxHeadingLength = 24;
// Lines such as "卷一" or "第三章", and short lines without punctuation.
QString DefaultHeadingPattern();
// How long a title taken from the first line of a paragraph or body may be.
constexpr qsizetype kMaxTitleLength = 30;

// Splits text (decoded, lines ending in "\n") into notes. A paragraph's note is titled by its
// first line; a heading's note holds the lines up to the next heading, and headings with no
// text between them make one title. Text before the first heading is a note titled fileTitle,
// which also titles the whole file's note. An invalid pattern finds no heading.
std::vector<ImportedNote> SplitText(const QString& text, SplitRule rule,
                                    const QString& headingPattern, const QString& fileTitle);

// One JSON object per line with the strings "标题" and "文本" (other members are ignored);
// blank lines are skipped. The bytes must be UTF-8. Throws ImportError.
std::vector<ImportedNote> ParseNotesJsonLines(const QByteArray& bytes);

// CSV (RFC 4180: quoted fields may hold commas, doubled quotes and line breaks) whose first
// row names the columns, among them 标题 and 文本 in any order; other columns are ignored.
// Throws ImportError.
std::vector<ImportedNote> ParseNotesCsv(const QString& text);

enum class ImportFormat { Text, JsonLines, Csv };

// The format a file's name suggests: ".jsonl" and ".json" JSON Lines, ".csv" CSV, else text.
ImportFormat FormatForFile(const QString& path);

// How a file is read: its format, the encoding of a text or CSV file (JSON Lines are UTF-8),
// and how a text file is split.
struct ImportSource {
    ImportFormat format = ImportFormat::Text;
    TextEncoding encoding = TextEncoding::Utf8;
    SplitRule rule = SplitRule::Heading;
    QString headingPattern = DefaultHeadingPattern();
    QString fileTitle; // the title of a whole file, and of the text before its first heading
};

// The notes in bytes read as source says. Throws ImportError (Empty when there is none).
std::vector<ImportedNote> ReadNotes(const QByteArray& bytes, const ImportSource& source);

// The titles the notes get beside the titles already taken: a title taken (by the file or an
// earlier note) gets the first free suffix "（二）", "（三）", …; an empty title is the body's
// first line.
struct TitlePlan {
    QStringList titles;
    int renamed = 0;
};
TitlePlan UniqueTitles(const std::vector<ImportedNote>& notes, const QSet<QString>& taken);

// The suffix for the n-th note of one title (n ≥ 2): "（二）", "（十一）", "（一百零一）".
QString TitleSuffix(int n);

// The titles me1 of file holds. Throws DbError (PersonalSaveError for a file the editor does
// not work with, of which nothing runs).
QSet<QString> TakenTitles(const QString& file);

struct ImportSummary {
    int imported = 0;
    int renamed = 0;
    qint64 firstNumber = 0; // 编号 of the first note written
};

// Reports done of total notes written; false cancels the import.
using ImportProgress = std::function<bool(qsizetype done, qsizetype total)>;

// Writes notes into me1 through db (from PersonalRecordSet::Connect) in one transaction, with
// the titles UniqueTitles gives against the file as it is under the write lock and the numbers
// after the largest whole number in the file. Nothing (nullopt) when progress cancels; throws
// PersonalSaveError when the file takes nothing. Either way the file is then as it was. The
// caller announces the change of the file first.
std::optional<ImportSummary> ImportNotes(SqlConnection& db, const std::vector<ImportedNote>& notes,
                                         const ImportProgress& progress = {});

} // namespace meridane
