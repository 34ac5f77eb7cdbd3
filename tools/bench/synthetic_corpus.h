// Synthetic CJK records for benchmarks and tests: random text with a few marker words
// placed in a known share of the records.
#pragma once

#include "builddb/source_records.h"

#include <QStringList>

#include <cstdint>

namespace meridane {

struct SyntheticSpec {
    int records = 1000;
    int minBytes = 300; // body size in UTF-8 bytes
    int maxBytes = 3000;
    // Each marker appears in about this share of the records, so that a search for five of
    // them hits about one record in ten.
    double markerShare = 0.021;
    std::uint32_t seed = 20081;
};

// Ten marker words, none of whose characters appear in the random text.
QStringList SyntheticMarkers();

// Records numbered 1..n with titles "条目<n>" (a few repeated on purpose).
std::vector<SourceRecord> MakeSyntheticRecords(const SyntheticSpec& spec, bool withKeywords);

} // namespace meridane
