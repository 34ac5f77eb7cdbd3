#include "search/table_image.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <thread>

namespace meridane {

namespace {

const QString kHitsColumn = QStringLiteral("相符个数");
const QString kNumberColumn = QStringLiteral("编号");

IntegerValue ReadInteger(const SqlStatement& row, int column) {
    if (row.type(column) == SQLITE_INTEGER)
        return {row.integer(column), true};
    return {};
}

bool HasNoncharacter(std::string_view text) {
    // U+FFFE and U+FFFF: LIKE reads both as U+FFFD.
    for (size_t at = text.find('\xEF'); at != std::string_view::npos && at + 2 < text.size();
         at = text.find('\xEF', at + 1)) {
        if (text[at + 1] == '\xBF' && (text[at + 2] == '\xBE' || text[at + 2] == '\xBF'))
            return true;
    }
    return false;
}

// The names by which a column could shadow the hidden row number.
bool NamesRowid(const QString& column) {
    for (const char* name : {"rowid", "oid", "_rowid_"})
        if (column.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

std::optional<std::string> LikeNeedle(const QString& keyword, int patternLimit) {
    std::string needle = keyword.toStdString();
    if (needle.find('\0') != std::string::npos || HasNoncharacter(needle))
        return std::nullopt;
    // The pattern is '%' + the keyword with '%', '_' and '\' escaped + '%'.
    size_t patternBytes = needle.size() + 2;
    for (char c : needle)
        if (c == '%' || c == '_' || c == '\\')
            ++patternBytes;
    if (patternBytes > size_t(patternLimit))
        return std::nullopt;
    FoldAscii(needle.data(), needle.size());
    return needle;
}

void FoldAscii(char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        text[i] = static_cast<char>(unsigned(u - 'A') < 26u ? u | 0x20 : u);
    }
}

bool IsPlainUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* const end = p + text.size();
    const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
        } else if ((c & 0xF0) == 0xE0) { // most CJK text: three bytes
            if (end - p < 3 || !continuation(p[1]) || !continuation(p[2]))
                return false;
            const unsigned cp =
                (unsigned(c & 0x0F) << 12) | (unsigned(p[1] & 0x3F) << 6) | unsigned(p[2] & 0x3F);
            // Overlong forms, surrogates, and U+FFFE/U+FFFF, which LIKE reads as U+FFFD.
            if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) || cp >= 0xFFFE)
                return false;
            p += 3;
        } else if ((c & 0xE0) == 0xC0) {
            if (c < 0xC2 || end - p < 2 || !continuation(p[1]))
                return false;
            p += 2;
        } else if ((c & 0xF8) == 0xF0) {
            if (end - p < 4 || !continuation(p[1]) || !continuation(p[2]) || !continuation(p[3]))
                return false;
            const unsigned cp = (unsigned(c & 0x07) << 18) | (unsigned(p[1] & 0x3F) << 12) |
                                (unsigned(p[2] & 0x3F) << 6) | unsigned(p[3] & 0x3F);
            if (cp < 0x10000 || cp > 0x10FFFF)
                return false;
            p += 4;
        } else {
            return false;
        }
    }
    return true;
}

void TableImage::readRows(SqlConnection& db, const QString& select, std::optional<qint64> above,
                          std::optional<qint64> upTo, size_t reserveBytes) {
    QString sql = select;
    if (above)
        sql += QStringLiteral(" AND rowid > %1").arg(*above);
    if (upTo)
        sql += QStringLiteral(" AND rowid <= %1").arg(*upTo);
    SqlStatement rows = db.prepare(sql + QStringLiteral(" ORDER BY rowid"));
    // The file's size bounds the text; reserved address space costs nothing until it is used,
    // and growing by copies would touch every byte several times.
    folded_.reserve(reserveBytes);
    starts_.push_back(0);
    while (rows.step()) {
        rowids_.push_back(rows.integer(0));
        numbers_.push_back(ReadInteger(rows, 1));
        if (rows.type(2) == SQLITE_NULL) {
            titles_.emplace_back();
        } else {
            const std::string_view title = rows.bytes(2);
            titles_.emplace_back(QString::fromUtf8(title.data(), qsizetype(title.size())));
        }
        // A null value never matches; it is kept as an empty one, which no needle matches.
        if (rows.type(3) != SQLITE_NULL) {
            std::string_view value = rows.bytes(3);
            // LIKE reads a value up to its first NUL.
            value = value.substr(0, std::min(value.size(), value.find('\0')));
            if (!IsPlainUtf8(value))
                usable_ = false;
            const size_t from = folded_.size();
            folded_.append(value);
            FoldAscii(folded_.data() + from, value.size());
        }
        folded_.push_back('\0');
        starts_.push_back(folded_.size());
        hits_.push_back(ReadInteger(rows, 4));
        // A count stored as text or a real compares and sorts otherwise than a number.
        if (!hits_.back().isInteger)
            usable_ = false;
    }
}

void TableImage::append(TableImage&& other) {
    const size_t offset = folded_.size();
    rowids_.insert(rowids_.end(), other.rowids_.begin(), other.rowids_.end());
    numbers_.insert(numbers_.end(), other.numbers_.begin(), other.numbers_.end());
    hits_.insert(hits_.end(), other.hits_.begin(), other.hits_.end());
    titles_.insert(titles_.end(), std::make_move_iterator(other.titles_.begin()),
                   std::make_move_iterator(other.titles_.end()));
    folded_.append(other.folded_);
    for (size_t i = 1; i < other.starts_.size(); ++i)
        starts_.push_back(offset + other.starts_[i]);
    usable_ = usable_ && other.usable_;
}

std::shared_ptr<TableImage> TableImage::Load(SqlConnection& db, const QString& table,
                                             const QString& searchedColumn,
                                             const ConnectionFactory& connect) {
    auto image = std::make_shared<TableImage>();
    QString titleColumn;
    {
        SqlStatement columns =
            db.prepare(QStringLiteral("SELECT * FROM %1").arg(QuoteIdentifier(table)));
        if (columns.columnCount() < 2)
            throw DbError("the table has no title column");
        titleColumn = columns.columnName(1);
        for (int c = 0; c < columns.columnCount(); ++c)
            if (NamesRowid(columns.columnName(c)))
                image->usable_ = false;
    }
    {
        SqlStatement triggers =
            db.prepare(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='trigger'"));
        if (triggers.step() && triggers.integer(0) > 0)
            image->usable_ = false;
    }
    qint64 lastRowid = 0, fileBytes = 0;
    {
        SqlStatement pages = db.prepare(QStringLiteral("PRAGMA page_count"));
        SqlStatement size = db.prepare(QStringLiteral("PRAGMA page_size"));
        if (pages.step() && size.step())
            fileBytes = pages.integer(0) * size.integer(0);
    }
    {
        SqlStatement last =
            db.prepare(QStringLiteral("SELECT max(rowid) FROM %1").arg(QuoteIdentifier(table)));
        if (last.step())
            lastRowid = last.integer(0);
    }
    const QString select = QStringLiteral("SELECT rowid, %1, %2, %3, %4 FROM %5 WHERE 1")
                               .arg(QuoteIdentifier(kNumberColumn), QuoteIdentifier(titleColumn),
                                    QuoteIdentifier(searchedColumn), QuoteIdentifier(kHitsColumn),
                                    QuoteIdentifier(table));
    // A large table is read in two halves at once, on connections of their own: deciphering
    // the pages is most of the work.
    constexpr qint64 kSplitRows = 4096;
    if (!connect || lastRowid < kSplitRows || std::thread::hardware_concurrency() < 2 ||
        !image->usable_) {
        image->readRows(connect ? *connect() : db, select, std::nullopt, std::nullopt,
                        size_t(fileBytes));
        return image;
    }
    const qint64 middle = lastRowid / 2;
    TableImage upper;
    std::exception_ptr failure;
    std::thread second([&] {
        try {
            upper.readRows(*connect(), select, middle, std::nullopt, size_t(fileBytes));
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        image->readRows(*connect(), select, std::nullopt, middle, size_t(fileBytes));
    } catch (...) {
        second.join();
        throw;
    }
    second.join();
    if (failure)
        std::rethrow_exception(failure);
    image->append(std::move(upper));
    return image;
}

void TableImage::countRange(const std::vector<std::string>& needles, size_t firstRow, size_t endRow,
                            std::vector<qint64>& counts) const {
    const char* const base = folded_.data();
    const size_t end = starts_[endRow];
    for (const std::string& needle : needles) {
        size_t at = starts_[firstRow];
        while (at < end) {
            const void* found = memmem(base + at, end - at, needle.data(), needle.size());
            if (!found)
                break;
            const size_t offset = size_t(static_cast<const char*>(found) - base);
            // The row holding the match; the search goes on at the start of the next row.
            const auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
            const size_t row = size_t(next - starts_.begin()) - 1;
            ++counts[row];
            at = *next;
        }
    }
}

std::vector<qint64> TableImage::Count(const std::vector<std::string>& needles) const {
    std::vector<qint64> counts(rowCount(), 0);
    // Large images are scanned in two halves at once; each half writes its own rows' counts.
    constexpr size_t kSplitBytes = size_t(8) << 20;
    const unsigned cores = std::thread::hardware_concurrency();
    if (folded_.size() < kSplitBytes || cores < 2 || needles.empty()) {
        countRange(needles, 0, rowCount(), counts);
        return counts;
    }
    const size_t middle = size_t(
        std::lower_bound(starts_.begin(), starts_.end(), folded_.size() / 2) - starts_.begin());
    const size_t split = std::min(middle, rowCount());
    std::thread second([&] { countRange(needles, split, rowCount(), counts); });
    countRange(needles, 0, split, counts);
    second.join();
    return counts;
}

std::vector<qint64> TableImage::RowidsWithHits() const {
    std::vector<qint64> out;
    for (size_t row = 0; row < rowCount(); ++row)
        if (hits_[row].isInteger && hits_[row].value > 0)
            out.push_back(rowids_[row]);
    return out;
}

std::shared_ptr<TableImage> TableImage::Selected() const {
    auto out = std::make_shared<TableImage>();
    out->usable_ = usable_;
    size_t rows = 0, bytes = 0;
    for (size_t row = 0; row < rowCount(); ++row) {
        if (hits_[row].isInteger && hits_[row].value > 0) {
            ++rows;
            bytes += starts_[row + 1] - starts_[row];
        }
    }
    out->rowids_.reserve(rows);
    out->numbers_.reserve(rows);
    out->hits_.reserve(rows);
    out->titles_.reserve(rows);
    out->folded_.reserve(bytes);
    out->starts_.reserve(rows + 1);
    out->starts_.push_back(0);
    for (size_t row = 0; row < rowCount(); ++row) {
        if (!(hits_[row].isInteger && hits_[row].value > 0))
            continue;
        out->rowids_.push_back(qint64(out->rowids_.size()) + 1);
        out->numbers_.push_back(numbers_[row]);
        out->hits_.push_back(hits_[row]);
        out->titles_.push_back(titles_[row]);
        out->folded_.append(folded_, starts_[row], starts_[row + 1] - starts_[row]);
        out->starts_.push_back(out->folded_.size());
    }
    return out;
}

bool TableImage::ranksBefore(size_t a, size_t b) const {
    if (hits_[a].value != hits_[b].value)
        return hits_[a].value > hits_[b].value;
    return numbers_[a].value < numbers_[b].value;
}

bool TableImage::sameRank(size_t a, size_t b) const {
    return hits_[a].value == hits_[b].value && numbers_[a].value == numbers_[b].value;
}

std::optional<QStringList> TableImage::RankedTitles() const {
    std::vector<size_t> listed;
    for (size_t row = 0; row < rowCount(); ++row) {
        if (!hits_[row].isInteger)
            return std::nullopt; // a count stored as text or a real compares otherwise
        if (hits_[row].value <= 0)
            continue;
        if (!numbers_[row].isInteger)
            return std::nullopt;
        if (titles_[row] && !titles_[row]->isEmpty())
            listed.push_back(row);
    }
    std::sort(listed.begin(), listed.end(),
              [this](size_t a, size_t b) { return ranksBefore(a, b); });
    QStringList titles;
    titles.reserve(qsizetype(listed.size()));
    for (size_t i = 0; i < listed.size(); ++i) {
        if (i > 0 && sameRank(listed[i - 1], listed[i]) &&
            *titles_[listed[i - 1]] != *titles_[listed[i]])
            return std::nullopt;
        titles << *titles_[listed[i]];
    }
    return titles;
}

TableImage::Pick TableImage::LastRankedWithTitle(const QString& title) const {
    if (!byTitle_) {
        byTitle_.emplace();
        for (size_t row = 0; row < rowCount(); ++row)
            if (titles_[row])
                (*byTitle_)[*titles_[row]].push_back(row);
    }
    const auto it = byTitle_->constFind(title);
    if (it == byTitle_->constEnd())
        return {};
    const std::vector<size_t>& rows = *it;
    for (size_t row : rows)
        if (!rankable(row))
            return {Pick::Undecided, 0};
    size_t last = rows.front();
    for (size_t row : rows)
        if (ranksBefore(last, row))
            last = row;
    for (size_t row : rows)
        if (row != last && sameRank(row, last))
            return {Pick::Undecided, 0};
    return {Pick::Found, last};
}

} // namespace meridane
