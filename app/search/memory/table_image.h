// An in-memory image of the columns of one table that the search and the record display read:
// the searched column folded the way the database's LIKE compares letters, the hit counts, the
// record numbers and the titles. With it a search counts every keyword over memory instead of
// running a pass of the database per keyword.
#pragma once

#include "search/memory/keyword_matcher.h"
#include "search/sqlite_db.h"

#include <QHash>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace meridane {

// The keyword as it is looked for in a folded column: UTF-8 with ASCII letters lowered, which is
// how LIKE '%' || keyword || '%' (case-insensitive for ASCII only) compares. No value when LIKE
// would not treat the keyword as the plain run of characters it is: it holds a noncharacter
// U+FFFE/U+FFFF, or its pattern is longer than patternLimit bytes. A keyword with a NUL is kept
// whole; the folded columns end at their first NUL, as LIKE reads them, so it matches nothing.
std::optional<std::string> LikeNeedle(const QString& keyword, int patternLimit);

// The needles of the non-empty keywords, in order; no value when one of them has none.
std::optional<std::vector<std::string>> LikeNeedles(const QStringList& keywords, int patternLimit);

// Lowers the ASCII letters of text in place; every other byte stays.
void FoldAscii(char* text, size_t size);

// True when text is well-formed UTF-8 without U+FFFE or U+FFFF: text whose characters LIKE
// reads exactly as a byte comparison does.
bool IsPlainUtf8(std::string_view text);

// An integer value of a column, or a note that the stored value is of another kind.
struct IntegerValue {
    qint64 value = 0;
    bool isInteger = false;
    bool operator==(const IntegerValue&) const = default;
};

class TableImage {
public:
    using ConnectionFactory = std::function<std::unique_ptr<SqlConnection>()>;

    TableImage();
    ~TableImage();

    // Reads the rows of table in rowid order. With connect, the rows are read on connections
    // it opens (two at once for a large table) rather than on db. Throws DbError when the
    // table cannot be read. A table whose file is larger than the memory an image may take
    // (ImageMemoryLimit) is not read: its image is not usable.
    // With countWith, the rows are counted as they are read (see CountsFromLoad).
    static std::shared_ptr<TableImage> Load(SqlConnection& db, const QString& table,
                                            const QString& searchedColumn,
                                            const ConnectionFactory& connect = {},
                                            const KeywordMatcher* countWith = nullptr);
    // The counts made while the image was read, once; no value when it was read without.
    std::optional<std::vector<qint64>> CountsFromLoad() {
        std::optional<std::vector<qint64>> out = std::move(loadCounts_);
        loadCounts_.reset();
        return out;
    }

    // How many bytes of file an image may be read from: three quarters of the memory the
    // system reports available, or the limit set for a test (0: back to the system's).
    static qint64 ImageMemoryLimit();
    static void SetImageMemoryLimit(qint64 bytes);

    // False when the image cannot stand in for the table: a searched value that LIKE would
    // read differently from its bytes, a hit count that is not an integer, or a trigger that
    // every update would run.
    bool usable() const { return usable_; }
    size_t rowCount() const { return rowids_.size(); }
    // The rowids of the rows with a positive count, in order.
    std::vector<qint64> RowidsWithHits() const;
    qint64 rowid(size_t row) const { return rowids_[row]; }
    // For an image made by Selected, the rowid of the row it was copied from; else no value.
    std::optional<qint64> sourceRowid(size_t row) const {
        if (row < sourceRowids_.size())
            return sourceRowids_[row];
        return std::nullopt;
    }
    const IntegerValue& hits(size_t row) const { return hits_[row]; }
    void setHits(size_t row, qint64 value) { hits_[row] = {value, true}; }

    // For every row, how many of the needles occur in its searched value (each once per row).
    // With variants, in the value with its variant characters folded (the needles are folded
    // by the caller).
    std::vector<qint64> Count(const KeywordMatcher& matcher, bool variants = false) const;
    std::vector<qint64> Count(const std::vector<std::string>& needles) const {
        return Count(KeywordMatcher(needles));
    }

    // The rows whose searched value holds needle (as Count finds it), in order: among the rows
    // listed in among, or among all rows when it is null.
    std::vector<std::uint32_t> RowsContaining(const std::string& needle,
                                              const std::vector<std::uint32_t>* among) const;

    // The image of the table that copying the rows with a positive count, in rowid order,
    // makes from this one: those rows, numbered from 1. It shares this image's text.
    std::shared_ptr<TableImage> Selected() const;

    // The titles of the rows with a positive hit count (empty and null titles left out) in
    // the order "ORDER BY 相符个数 DESC, 编号" gives. No value when that order is not decided
    // by what the image holds (a number or count that is not an integer, or two listed rows
    // with different titles and the same count and number).
    std::optional<QStringList> RankedTitles() const;
    // The same, with counts (one per row) standing for the hit counts the image holds.
    std::optional<QStringList> RankedTitles(const std::vector<qint64>& counts) const;

    // Among the rows whose title equals title, the one that comes last in the order
    // "ORDER BY 相符个数 DESC, 编号" over every row.
    struct Pick {
        enum Kind { NotFound, Found, Undecided } kind = NotFound;
        size_t row = 0;
    };
    Pick LastRankedWithTitle(const QString& title) const;
    // The non-null titles in rowid order.
    QStringList Titles() const;
    // The last row, in rowid order, whose title is title; no value when no row's is.
    std::optional<size_t> LastWithTitle(const QString& title) const;

private:
    void readRows(SqlConnection& db, const QString& select, std::optional<qint64> above,
                  std::optional<qint64> upTo, size_t reserveBytes, const KeywordMatcher* countWith);
    void append(TableImage&& other);
    void countRange(const KeywordMatcher& matcher, size_t firstRow, size_t endRow,
                    std::vector<qint64>& counts, bool variants) const;
    std::string_view text(size_t row) const;
    // Fills byTitle_ once.
    void indexTitles() const;
    std::string_view foldedText(size_t row) const;
    void foldVariants() const;
    bool rankable(size_t row) const { return numbers_[row].isInteger && hits_[row].isInteger; }
    // True when row a comes before row b: more hits first, then the smaller number.
    bool ranksBefore(size_t a, size_t b) const;
    bool sameRank(size_t a, size_t b) const;
    // RankedTitles with counts, or with the image's own hit counts when counts is null.
    std::optional<QStringList> rankedBy(const std::vector<qint64>* counts) const;

    std::vector<qint64> rowids_;
    std::vector<qint64> sourceRowids_;  // see sourceRowid
    std::vector<IntegerValue> numbers_; // 编号
    std::vector<IntegerValue> hits_;    // 相符个数
    std::vector<std::optional<QString>> titles_;
    // The searched values, folded, in blocks (one per thread that read them); shared by the
    // images made from this one.
    class Block;
    struct Text {
        std::vector<std::unique_ptr<Block>> blocks;
        // The same blocks with their variant characters folded (VariantFolding), made on the
        // first count that asks for them.
        std::vector<std::unique_ptr<Block>> folded;
        std::once_flag foldOnce;
        Text();
        ~Text();
    };
    struct RowText {
        std::uint32_t block = 0;
        std::uint32_t length = 0;
        std::uint64_t start = 0;
    };
    std::shared_ptr<Text> text_;
    std::vector<RowText> rowText_;
    std::optional<std::vector<qint64>> loadCounts_;
    bool usable_ = true;
    mutable std::optional<QHash<QString, std::vector<size_t>>> byTitle_;
};

} // namespace meridane
