// Simplified, traditional and variant characters folded to one form, so that 人参, 人參 and 人蔘
// compare equal. The table comes from OpenCC's conversion data (traditional to simplified, with
// the Taiwan and Hong Kong variant forms), read once on first use.
//
// Every character folds to one character of the same UTF-16 and UTF-8 lengths, so a position in
// a folded text is the same position in the text it came from: ranges found in the folded text
// colour the original at its real places, and a UTF-8 text folds in place.
#pragma once

#include <QString>
#include <QStringList>

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace meridane {

class VariantFolding {
public:
    // The table, built on first use; nullptr when OpenCC's data cannot be read (the caller then
    // searches literally).
    static const VariantFolding* Instance();

    QString fold(const QString& text) const;
    QStringList fold(const QStringList& texts) const;
    // The same on UTF-8 text, in place: the bytes of fold(QString::fromUtf8(text)).toUtf8() for
    // well-formed text; a byte that starts no well-formed character stays as it is.
    void foldUtf8(char* text, size_t size) const;
    // How many characters the table changes; a figure for tests and the benchmark.
    qsizetype size() const { return changed_; }

    // Builds a table from pairs (from, to); for tests of the folding rules without OpenCC.
    explicit VariantFolding(const std::vector<std::pair<char32_t, char32_t>>& pairs);

private:
    VariantFolding() = default;
    void add(char32_t from, char32_t to);
    void close();

    std::vector<char16_t> basic_; // indexed by a character of the basic plane
    std::unordered_map<char32_t, char32_t> supplementary_;
    qsizetype changed_ = 0;
};

} // namespace meridane
