// Simplified, traditional and variant characters folded to one form, so that 人参, 人參 and 人蔘
// compare equal. The table comes from OpenCC's conversion data (traditional to simplified, with
// the Taiwan and Hong Kong variant forms), read once on first use.
//
// Every character folds to one character of the same UTF-16 length, so a position in a folded
// text is the same position in the text it came from: ranges found in the folded text colour the
// original at its real places.
#pragma once

#include <QString>
#include <QStringList>

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
