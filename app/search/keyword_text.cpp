#include "search/keyword_text.h"

#include <algorithm>

namespace meridane {

namespace {
constexpr QChar kFullWidthComma(0xFF0C);
constexpr QChar kComma(u',');
} // namespace

QStringList SplitKeywords(const QString& text) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch == kFullWidthComma || ch == kComma) {
            pieces << text.mid(start, i - start);
            start = i + 1;
        }
    }
    pieces << text.mid(start);
    return pieces;
}

QString RecordHeader(const QString& number, const QString& hits) {
    return QStringLiteral("页码： ") + number + QStringLiteral("    相符个数： ") + hits;
}

std::vector<TextRange> KeywordRanges(const QString& text, const QStringList& keywords) {
    std::vector<TextRange> ranges;
    for (const QString& keyword : keywords) {
        if (keyword.isEmpty())
            continue;
        for (qsizetype at = text.indexOf(keyword, 0, Qt::CaseSensitive); at >= 0;
             at = text.indexOf(keyword, at + 1, Qt::CaseSensitive))
            ranges.push_back({at, keyword.size()});
    }
    return ranges;
}

std::vector<TextRange> MergedRanges(std::vector<TextRange> ranges) {
    std::sort(ranges.begin(), ranges.end(),
              [](const TextRange& a, const TextRange& b) { return a.start < b.start; });
    std::vector<TextRange> merged;
    for (const TextRange& r : ranges) {
        if (!merged.empty() && r.start <= merged.back().start + merged.back().length) {
            TextRange& last = merged.back();
            last.length = std::max(last.start + last.length, r.start + r.length) - last.start;
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

} // namespace meridane
