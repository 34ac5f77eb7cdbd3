#include "bench/synthetic_corpus.h"

#include <QSet>

#include <random>

namespace meridane {

QStringList SyntheticMarkers() {
    return {QStringLiteral("黄芪"), QStringLiteral("当归"), QStringLiteral("柴胡"),
            QStringLiteral("半夏"), QStringLiteral("茯苓"), QStringLiteral("桂枝"),
            QStringLiteral("芍药"), QStringLiteral("麻黄"), QStringLiteral("杏仁"),
            QStringLiteral("生姜")};
}

std::vector<SourceRecord> MakeSyntheticRecords(const SyntheticSpec& spec, bool withKeywords) {
    const QStringList markers = SyntheticMarkers();
    QSet<QChar> excluded;
    for (const QString& m : markers)
        for (QChar c : m)
            excluded.insert(c);
    std::vector<QChar> alphabet;
    for (char16_t c = 0x4E00; c < 0x4E00 + 3000; ++c)
        if (!excluded.contains(QChar(c)))
            alphabet.push_back(QChar(c));
    alphabet.push_back(QChar(0xFF0C)); // "，" and "。" make it read like prose
    alphabet.push_back(QChar(0x3002));

    std::mt19937 rng(spec.seed);
    std::uniform_int_distribution<int> bytes(spec.minBytes, spec.maxBytes);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::bernoulli_distribution hasMarker(spec.markerShare);

    std::vector<SourceRecord> out;
    out.reserve(size_t(spec.records));
    for (int i = 1; i <= spec.records; ++i) {
        const int chars = bytes(rng) / 3; // three UTF-8 bytes per character
        QString text;
        text.reserve(chars + 16);
        for (int k = 0; k < chars; ++k)
            text += alphabet[pick(rng)];
        for (const QString& m : markers) {
            if (hasMarker(rng)) {
                std::uniform_int_distribution<qsizetype> at(0, text.size());
                text.insert(at(rng), m);
            }
        }
        SourceRecord r;
        r.number = i;
        r.title = QStringLiteral("条目%1").arg(i % 997 == 0 ? i - 1 : i);
        r.text = text;
        if (withKeywords)
            r.keywords = r.title + QLatin1Char(' ') + text;
        out.push_back(std::move(r));
    }
    return out;
}

} // namespace meridane
