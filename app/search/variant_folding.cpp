#include "search/variant_folding.h"

#include <opencc.h>

#include <QByteArray>

#include <memory>

namespace meridane {

namespace {

// The blocks of Han characters that the conversion tables speak of.
constexpr std::pair<char32_t, char32_t> kHanBlocks[] = {
    {0x2E80, 0x2FDF},   // radicals
    {0x3005, 0x3007},   // 々〆〇
    {0x3400, 0x4DBF},   // extension A
    {0x4E00, 0x9FFF},   // unified ideographs
    {0xF900, 0xFAFF},   // compatibility ideographs
    {0x20000, 0x2FA1F}, // the supplementary extensions and compatibility supplement
};

// OpenCC's configurations, applied in turn: each ends in simplified characters, and the variant
// forms of Taiwan and Hong Kong are first brought to the standard traditional ones.
constexpr const char* kConfigurations[] = {"tw2s.json", "hk2s.json", "t2s.json"};

struct Converter {
    explicit Converter(const char* config) : handle(opencc_open(config)) {}
    ~Converter() {
        if (ok())
            opencc_close(handle);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return handle != reinterpret_cast<opencc_t>(-1); }
    QByteArray convert(const QByteArray& utf8) const {
        char* out = opencc_convert_utf8(handle, utf8.constData(), size_t(utf8.size()));
        if (!out)
            return {};
        QByteArray result(out);
        opencc_convert_utf8_free(out);
        return result;
    }
    opencc_t handle;
};

// One character per line, so that no phrase of the tables spans two of them.
QByteArray EveryHanCharacter(std::vector<char32_t>& order) {
    QString text;
    for (auto [first, last] : kHanBlocks) {
        for (char32_t c = first; c <= last; ++c) {
            order.push_back(c);
            text += QString::fromUcs4(&c, 1);
            text += u'\n';
        }
    }
    return text.toUtf8();
}

} // namespace

VariantFolding::VariantFolding(const std::vector<std::pair<char32_t, char32_t>>& pairs) {
    for (auto [from, to] : pairs)
        add(from, to);
    close();
}

const VariantFolding* VariantFolding::Instance() {
    static const std::unique_ptr<VariantFolding> table = []() -> std::unique_ptr<VariantFolding> {
        std::vector<char32_t> order;
        QByteArray text = EveryHanCharacter(order);
        for (const char* config : kConfigurations) {
            const Converter converter(config);
            if (!converter.ok())
                return nullptr;
            text = converter.convert(text);
        }
        const QList<QByteArray> lines = text.split('\n');
        if (lines.size() < qsizetype(order.size()))
            return nullptr;
        std::unique_ptr<VariantFolding> folding(new VariantFolding);
        for (size_t i = 0; i < order.size(); ++i) {
            const QList<uint> to = QString::fromUtf8(lines[qsizetype(i)]).toUcs4();
            if (to.size() == 1 && to[0] != order[i])
                folding->add(order[i], to[0]);
        }
        folding->close();
        return folding;
    }();
    return table.get();
}

void VariantFolding::add(char32_t from, char32_t to) {
    // Only a fold that keeps the UTF-16 and the UTF-8 length: positions must not move.
    const auto utf8Length = [](char32_t c) {
        return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    };
    if (QChar::requiresSurrogates(from) != QChar::requiresSurrogates(to) ||
        utf8Length(from) != utf8Length(to))
        return;
    if (QChar::requiresSurrogates(from)) {
        supplementary_[from] = to;
    } else {
        if (basic_.empty()) {
            basic_.resize(0x10000);
            for (size_t c = 0; c < basic_.size(); ++c)
                basic_[c] = char16_t(c);
        }
        basic_[from] = char16_t(to);
    }
}

// A character that folds to one that folds further goes straight to the last one, so that
// folding twice is folding once.
void VariantFolding::close() {
    changed_ = 0;
    for (size_t c = 0; c < basic_.size(); ++c) {
        char16_t to = basic_[c];
        for (int step = 0; step < 8 && basic_[to] != to; ++step)
            to = basic_[to];
        basic_[c] = to;
        changed_ += to != c;
    }
    for (auto& [from, to] : supplementary_) {
        for (int step = 0; step < 8; ++step) {
            auto next = supplementary_.find(to);
            if (next == supplementary_.end() || next->second == to)
                break;
            to = next->second;
        }
        changed_ += to != from;
    }
}

QString VariantFolding::fold(const QString& text) const {
    QString out = text;
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            if (!supplementary_.empty()) {
                const char32_t wide = QChar::surrogateToUcs4(c, p[i + 1]);
                if (auto it = supplementary_.find(wide); it != supplementary_.end()) {
                    p[i] = QChar::highSurrogate(it->second);
                    p[i + 1] = QChar::lowSurrogate(it->second);
                }
            }
            ++i;
        } else if (!basic_.empty()) {
            p[i] = basic_[c];
        }
    }
    return out;
}

void VariantFolding::foldUtf8(char* text, size_t size) const {
    auto* p = reinterpret_cast<unsigned char*>(text);
    size_t i = 0;
    while (i < size) {
        const unsigned char b = p[i];
        if (b < 0xE0) { // ASCII and two-byte characters fold to themselves
            i += b < 0x80 ? 1 : b >= 0xC2 && i + 1 < size && (p[i + 1] & 0xC0) == 0x80 ? 2 : 1;
            continue;
        }
        if (b < 0xF0) {
            if (i + 2 >= size || (p[i + 1] & 0xC0) != 0x80 || (p[i + 2] & 0xC0) != 0x80) {
                ++i;
                continue;
            }
            const char32_t c = (char32_t(b & 0x0F) << 12) | (char32_t(p[i + 1] & 0x3F) << 6) |
                               char32_t(p[i + 2] & 0x3F);
            if (c >= 0x800 && !QChar::isSurrogate(c) && !basic_.empty()) {
                if (const char16_t to = basic_[c]; to != c) {
                    p[i] = (unsigned char)(0xE0 | (to >> 12));
                    p[i + 1] = (unsigned char)(0x80 | ((to >> 6) & 0x3F));
                    p[i + 2] = (unsigned char)(0x80 | (to & 0x3F));
                }
            }
            i += 3;
            continue;
        }
        if (b < 0xF5 && i + 3 < size && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80 &&
            (p[i + 3] & 0xC0) == 0x80) {
            const char32_t c = (char32_t(b & 0x07) << 18) | (char32_t(p[i + 1] & 0x3F) << 12) |
                               (char32_t(p[i + 2] & 0x3F) << 6) | char32_t(p[i + 3] & 0x3F);
            if (c >= 0x10000 && c <= 0x10FFFF) {
                if (auto it = supplementary_.find(c); it != supplementary_.end()) {
                    const char32_t to = it->second;
                    p[i] = (unsigned char)(0xF0 | (to >> 18));
                    p[i + 1] = (unsigned char)(0x80 | ((to >> 12) & 0x3F));
                    p[i + 2] = (unsigned char)(0x80 | ((to >> 6) & 0x3F));
                    p[i + 3] = (unsigned char)(0x80 | (to & 0x3F));
                }
                i += 4;
                continue;
            }
        }
        ++i;
    }
}

QStringList VariantFolding::fold(const QStringList& texts) const {
    QStringList out;
    out.reserve(texts.size());
    for (const QString& t : texts)
        out << fold(t);
    return out;
}

} // namespace meridane
