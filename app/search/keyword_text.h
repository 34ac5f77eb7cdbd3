// Plain text work on keywords and records, with nothing but strings: splitting the keyword box,
// the record's header line, and the ranges of a text that the keywords cover.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace meridane {

// Splits text at every full-width or ASCII comma; pieces are kept as they are, empty ones too.
QStringList SplitKeywords(const QString& text);

// "页码： " + number + "    相符个数： " + hits
QString RecordHeader(const QString& number, const QString& hits);

struct TextRange {
    qsizetype start;
    qsizetype length;
    bool operator==(const TextRange&) const = default;
};

// Every occurrence of every non-empty keyword in text (exact, case-sensitive), overlapping ones
// included, in keyword order and then text order.
std::vector<TextRange> KeywordRanges(const QString& text, const QStringList& keywords);

// The same ranges merged into sorted, disjoint ones: what is to be coloured.
std::vector<TextRange> MergedRanges(std::vector<TextRange> ranges);

} // namespace meridane
