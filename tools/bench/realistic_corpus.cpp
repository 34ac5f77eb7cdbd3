#include "bench/realistic_corpus.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace meridane {

QStringList SentencesOf(const std::vector<const KnowledgeSources*>& sources) {
    QStringList out;
    for (const KnowledgeSources* s : sources) {
        for (const auto* table : {&s->An1, &s->yao, &s->bing, &s->yishu1}) {
            for (const SourceRecord& r : *table) {
                qsizetype start = 0;
                const QString& text = r.text;
                for (qsizetype i = 0; i < text.size(); ++i) {
                    const QChar c = text.at(i);
                    const bool end = c == QChar(0x3002) || c == QChar(0xFF1B) ||
                                     c == QChar(0xFF01) || c == QChar(0xFF1F);
                    if (c == QLatin1Char('\n') || end) {
                        const QString sentence = text.mid(start, i - start + (end ? 1 : 0));
                        if (!sentence.trimmed().isEmpty())
                            out << sentence;
                        start = i + 1;
                    }
                }
                if (start < text.size())
                    out << text.mid(start) + QChar(0x3002);
            }
        }
    }
    return out;
}

std::vector<SourceRecord> MakeRealisticRecords(const RealisticSpec& spec,
                                               const QStringList& sentences) {
    std::mt19937 rng(spec.seed);
    std::uniform_int_distribution<int> bytes(spec.minBytes, spec.maxBytes);
    std::uniform_int_distribution<qsizetype> first(0, sentences.size() - 1);
    std::vector<QByteArray> utf8;
    utf8.reserve(size_t(sentences.size()));
    for (const QString& s : sentences)
        utf8.push_back(s.toUtf8());
    std::vector<SourceRecord> out;
    out.reserve(size_t(spec.records));
    for (int i = 1; i <= spec.records; ++i) {
        const int target = bytes(rng);
        QByteArray body;
        body.reserve(target + 256);
        for (qsizetype at = first(rng); body.size() < target; at = (at + 1) % sentences.size()) {
            const QByteArray& s = utf8[size_t(at)];
            if (body.size() + s.size() > target && body.size() >= spec.minBytes)
                break;
            body += s;
        }
        SourceRecord r;
        r.number = i;
        r.title = QStringLiteral("病例%1").arg(i);
        r.text = QString::fromUtf8(body);
        out.push_back(std::move(r));
    }
    return out;
}

KeywordChoice ChooseEverydayKeywords(const std::vector<SourceRecord>& records) {
    static const char* const candidates[] = {
        "发热", "头痛", "咳嗽", "恶寒", "汗出", "腹痛", "呕吐", "下利", "小便", "人参",
        "甘草", "黄连", "当归", "桂枝", "白术", "大黄", "附子", "寒热", "疼痛", "口干",
        "心痛", "泄泻", "胸满", "水肿", "生姜", "大枣", "茯苓", "芍药", "不得", "脉"};
    const size_t sample = std::min<size_t>(records.size(), 5000);
    struct Word {
        QString word;
        double share;
        std::vector<bool> rows;
    };
    std::vector<Word> words;
    for (const char* c : candidates) {
        Word w{QString::fromUtf8(c), 0, std::vector<bool>(sample)};
        size_t hits = 0;
        for (size_t i = 0; i < sample; ++i)
            if ((w.rows[i] = records[i].text.contains(w.word)))
                ++hits;
        w.share = sample ? double(hits) / double(sample) : 0;
        if (w.share >= 0.01 && w.share <= 0.20)
            words.push_back(std::move(w));
    }
    // Five shares spread over the range: the words nearest to each target go to set A, the
    // next nearest to set B.
    KeywordChoice choice;
    std::vector<bool> used(words.size());
    for (int round = 0; round < 2; ++round) {
        for (double target : {0.015, 0.04, 0.08, 0.12, 0.18}) {
            size_t best = words.size();
            for (size_t i = 0; i < words.size(); ++i)
                if (!used[i] && (best == words.size() || std::abs(words[i].share - target) <
                                                             std::abs(words[best].share - target)))
                    best = i;
            if (best == words.size())
                break;
            used[best] = true;
            (round == 0 ? choice.setA : choice.setB) << words[best].word;
            (round == 0 ? choice.sharesA : choice.sharesB) << words[best].share;
        }
    }
    size_t any = 0;
    for (size_t i = 0; i < sample; ++i) {
        for (size_t w = 0; w < words.size(); ++w) {
            if (choice.setA.contains(words[w].word) && words[w].rows[i]) {
                ++any;
                break;
            }
        }
    }
    choice.unionA = sample ? double(any) / double(sample) : 0;
    return choice;
}

} // namespace meridane
