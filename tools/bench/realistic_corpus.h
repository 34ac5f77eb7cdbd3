// Records that read like the real texts: runs of consecutive sentences taken from the bundled
// texts (and the classical texts, when given), 0.3 to 5 KB each, for the benchmark.
#pragma once

#include "builddb/source_records.h"

#include <QStringList>

#include <cstdint>

namespace meridane {

struct RealisticSpec {
    int records = 100000;
    int minBytes = 300; // body size in UTF-8 bytes, uniform between the two
    int maxBytes = 5000;
    std::uint32_t seed = 20262;
};

// The sentences of the 文本 of every record of the sources, in order.
QStringList SentencesOf(const std::vector<const KnowledgeSources*>& sources);

// Records numbered 1..n, titled "病例<n>", each body a run of consecutive sentences from
// sentences starting at a random one.
std::vector<SourceRecord> MakeRealisticRecords(const RealisticSpec& spec,
                                               const QStringList& sentences);

// Two sets of five everyday words, each word found in 1 to 20 % of records: the first of the
// returned lists is set A, the second set B. shares receives each word's share of records.
struct KeywordChoice {
    QStringList setA, setB;
    QList<double> sharesA, sharesB;
    double unionA = 0; // share of records holding at least one word of set A
};
KeywordChoice ChooseEverydayKeywords(const std::vector<SourceRecord>& records);

} // namespace meridane
