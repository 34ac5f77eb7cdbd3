// Source records in JSON Lines and the database files built from them.
#pragma once

#include "services/notes_import.h"

#include <QString>

#include <optional>
#include <stdexcept>
#include <vector>

namespace meridane {

// Bad input; what() names the file and the line.
class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SourceRecord {
    qint64 number = 0;
    QString title;
    QString text;
    QString keywords;    // only for tables searched by their keyword column
    QString source = {}; // the file and line it was read from, for messages (empty when made)
    qsizetype line = 0;
};

struct KnowledgeSources {
    std::vector<SourceRecord> An1;
    std::vector<SourceRecord> yao;
    std::vector<SourceRecord> bing;
    std::vector<SourceRecord> yishu1;
};

// Reads one object per line with the keys "编号", "标题", "文本" and, when withKeywords,
// "关键字". Blank lines are skipped; other keys are ignored.
std::vector<SourceRecord> ReadJsonLines(const QString& path, bool withKeywords);

// Reads the user's notes (me1.jsonl, no "关键字"); each note has a title and a number of its
// own, so a title or a number given again stops the reading at its second line.
std::vector<SourceRecord> ReadPersonalNotes(const QString& path);

// Reads An1.jsonl, yao.jsonl, bing.jsonl and yishu1.jsonl from dir.
KnowledgeSources ReadKnowledgeSources(const QString& dir);

// A plain-text book for a knowledge table: its table (An1, yao, bing or yishu1), the file, and
// how it is read (the encoding found in the file unless one is given).
struct TextBook {
    QString table;
    QString path;
    SplitRule rule = SplitRule::Heading;
    QString headingPattern = DefaultHeadingPattern();
    std::optional<TextEncoding> encoding;
};

// The records of the books, in the order given, numbered 1.. and with titles of their own (a
// title given again gets "（二）", "（三）", …); the keyword column, where the table searches
// one, holds the title and the text. Throws BuildError (file and line) for a file that cannot
// be read or decoded, or that gives no record.
std::vector<SourceRecord> ReadTextBooks(const std::vector<TextBook>& books, bool withKeywords);

// The table's records in sources; nullptr for a name that is no knowledge table.
std::vector<SourceRecord>* TableRecords(KnowledgeSources& sources, const QString& table);
// Whether the table searches its keyword column (关键字).
bool SearchesKeywords(const QString& table);

// Write the keyed knowledge database (with the stamp, YYYY-MM-DD, in cnt) or the plain personal
// database. The file appears complete or not at all; an older file is replaced.
void WriteKnowledgeDb(const KnowledgeSources& sources, const QString& file, const QString& stamp);
// The notes must have titles and numbers of their own (see ReadPersonalNotes).
void WritePersonalDb(const std::vector<SourceRecord>& notes, const QString& file);
// Writes the keyed update database the site offers: the stamp in cnt_date, the notice in gao.
void WriteUpdateDb(const QString& file, const QString& stamp, const QString& notice);

bool IsValidStamp(const QString& stamp);

} // namespace meridane
