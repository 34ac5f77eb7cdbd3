#include "search/memory/table_image.h"

#include "search/variant_folding.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#endif

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <new>
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
    if (HasNoncharacter(needle))
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

std::optional<std::vector<std::string>> LikeNeedles(const QStringList& keywords, int patternLimit) {
    std::vector<std::string> out;
    for (const QString& keyword : keywords) {
        if (keyword.isEmpty())
            continue;
        std::optional<std::string> needle = LikeNeedle(keyword, patternLimit);
        if (!needle)
            return std::nullopt;
        out.push_back(std::move(*needle));
    }
    return out;
}

void FoldAscii(char* text, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        text[i] = static_cast<char>(unsigned(u - 'A') < 26u ? u | 0x20 : u);
    }
}

namespace {

// The check of IsPlainUtf8; with Fold, ASCII letters are lowered on the way (text is written).
template <bool Fold> bool CheckUtf8(unsigned char* p, const unsigned char* const end) {
    const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
    while (p < end) {
        const unsigned char c = *p;
        if (c < 0x80) {
            if constexpr (Fold) {
                if (unsigned(c - 'A') < 26u)
                    *p = static_cast<unsigned char>(c | 0x20);
            }
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

// Lowers the ASCII letters of text and says whether it is plain UTF-8, in one pass.
bool FoldPlainUtf8(char* text, size_t size) {
    auto* p = reinterpret_cast<unsigned char*>(text);
    if (CheckUtf8<true>(p, p + size))
        return true;
    FoldAscii(text, size); // what the check left unfolded
    return false;
}

} // namespace

bool IsPlainUtf8(std::string_view text) {
    // The check only reads when it does not fold.
    auto* p = reinterpret_cast<unsigned char*>(const_cast<char*>(text.data()));
    return CheckUtf8<false>(p, p + text.size());
}

// A run of memory of fixed capacity that text is appended to. It is address space until used,
// never moved or copied as it grows, and asks for large pages: an image fills hundreds of
// megabytes at once, and small pages cost a fault each.
class TableImage::Block {
public:
    explicit Block(size_t capacity) : capacity_(std::max<size_t>(capacity, 1)) {
#ifdef Q_OS_UNIX
        void* p = mmap(nullptr, capacity_, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
        madvise(p, capacity_, MADV_HUGEPAGE);
#endif
        data_ = static_cast<char*>(p);
#else
        data_ = static_cast<char*>(::operator new(capacity_));
#endif
    }
    ~Block() {
#ifdef Q_OS_UNIX
        munmap(data_, capacity_);
#else
        ::operator delete(data_);
#endif
    }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    const char* data() const {
        return data_;
    }
    size_t size() const {
        return size_;
    }
    // A copy of other with its variant characters folded.
    static std::unique_ptr<Block> FoldedCopy(const Block& other, const VariantFolding& folding) {
        auto copy = std::make_unique<Block>(other.size_);
        std::memcpy(copy->data_, other.data_, other.size_);
        copy->size_ = other.size_;
        folding.foldUtf8(copy->data_, copy->size_);
        return copy;
    }
    // Appends text with its ASCII letters lowered; returns where it starts. plain says
    // whether the text is plain UTF-8 (IsPlainUtf8).
    size_t appendFolded(std::string_view text, bool& plain) {
        if (text.size() > capacity_ - size_)
            throw std::bad_alloc(); // more text than the file holds: cannot happen
        const size_t at = size_;
        std::memcpy(data_ + at, text.data(), text.size());
        plain = FoldPlainUtf8(data_ + at, text.size());
        size_ += text.size();
        return at;
    }

private:
    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_;
};

TableImage::Text::Text() = default;
TableImage::Text::~Text() = default;

TableImage::TableImage() : text_(std::make_shared<Text>()) {}
TableImage::~TableImage() = default;

std::string_view TableImage::text(size_t row) const {
    const RowText& r = rowText_[row];
    return std::string_view(text_->blocks[r.block]->data() + r.start, r.length);
}

void TableImage::readRows(SqlConnection& db, const QString& select, std::optional<qint64> above,
                          std::optional<qint64> upTo, size_t reserveBytes,
                          const KeywordMatcher* countWith) {
    QString sql = select;
    if (above)
        sql += QStringLiteral(" AND rowid > %1").arg(*above);
    if (upTo)
        sql += QStringLiteral(" AND rowid <= %1").arg(*upTo);
    SqlStatement rows = db.prepare(sql + QStringLiteral(" ORDER BY rowid"));
    // The file's size bounds the text; reserved address space costs nothing until it is used,
    // and growing by copies would touch every byte several times.
    text_->blocks.push_back(std::make_unique<Block>(reserveBytes));
    Block& folded = *text_->blocks.back();
    const auto block = std::uint32_t(text_->blocks.size() - 1);
    std::optional<KeywordMatcher::Scratch> scratch;
    if (countWith) {
        scratch.emplace(*countWith);
        loadCounts_.emplace();
    }
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
        RowText at{block, 0, 0};
        if (rows.type(3) != SQLITE_NULL) {
            std::string_view value = rows.bytes(3);
            // LIKE reads a value up to its first NUL.
            value = value.substr(0, std::min(value.size(), value.find('\0')));
            bool plain = true;
            at.start = folded.appendFolded(value, plain);
            if (!plain || value.size() > UINT32_MAX)
                usable_ = false;
            at.length = std::uint32_t(value.size());
        }
        rowText_.push_back(at);
        if (countWith)
            loadCounts_->push_back(
                countWith->count(std::string_view(folded.data() + at.start, at.length), *scratch));
        hits_.push_back(ReadInteger(rows, 4));
        // A count stored as text or a real compares and sorts otherwise than a number.
        if (!hits_.back().isInteger)
            usable_ = false;
    }
}

void TableImage::append(TableImage&& other) {
    const auto blocks = std::uint32_t(text_->blocks.size());
    rowids_.insert(rowids_.end(), other.rowids_.begin(), other.rowids_.end());
    numbers_.insert(numbers_.end(), other.numbers_.begin(), other.numbers_.end());
    hits_.insert(hits_.end(), other.hits_.begin(), other.hits_.end());
    titles_.insert(titles_.end(), std::make_move_iterator(other.titles_.begin()),
                   std::make_move_iterator(other.titles_.end()));
    for (RowText r : other.rowText_) {
        r.block += blocks;
        rowText_.push_back(r);
    }
    // The other image's text is taken over, not copied.
    for (std::unique_ptr<Block>& block : other.text_->blocks)
        text_->blocks.push_back(std::move(block));
    if (loadCounts_ && other.loadCounts_)
        loadCounts_->insert(loadCounts_->end(), other.loadCounts_->begin(),
                            other.loadCounts_->end());
    else
        loadCounts_.reset();
    usable_ = usable_ && other.usable_;
}

namespace {

std::atomic<qint64> g_imageMemoryLimit{0};

qint64 AvailableMemory() {
#ifdef Q_OS_LINUX
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : meminfo.readAll().split('\n')) {
            if (line.startsWith("MemAvailable:")) {
                const QList<QByteArray> parts = line.simplified().split(' ');
                if (parts.size() >= 2)
                    return parts[1].toLongLong() * 1024;
            }
        }
    }
#endif
    // Elsewhere: an address space of 64 bits is left to the allocator, which says when it
    // cannot give more.
    return sizeof(void*) >= 8 ? (qint64(1) << 40) : (qint64(1) << 30);
}

} // namespace

qint64 TableImage::ImageMemoryLimit() {
    if (const qint64 set = g_imageMemoryLimit.load(); set > 0)
        return set;
    return AvailableMemory() / 4 * 3;
}

void TableImage::SetImageMemoryLimit(qint64 bytes) {
    g_imageMemoryLimit = bytes;
}

std::shared_ptr<TableImage> TableImage::Load(SqlConnection& db, const QString& table,
                                             const QString& searchedColumn,
                                             const ConnectionFactory& connect,
                                             const KeywordMatcher* countWith) {
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
    if (fileBytes > ImageMemoryLimit()) {
        // The text may not fit: the statements count it in the file instead.
        image->usable_ = false;
        return image;
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
                        size_t(fileBytes), countWith);
        return image;
    }
    const qint64 middle = lastRowid / 2;
    TableImage upper;
    std::exception_ptr failure;
    std::thread second([&] {
        try {
            upper.readRows(*connect(), select, middle, std::nullopt, size_t(fileBytes), countWith);
        } catch (...) {
            failure = std::current_exception();
        }
    });
    try {
        image->readRows(*connect(), select, std::nullopt, middle, size_t(fileBytes), countWith);
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

void TableImage::countRange(const KeywordMatcher& matcher, size_t firstRow, size_t endRow,
                            std::vector<qint64>& counts, bool variants) const {
    KeywordMatcher::Scratch scratch(matcher);
    for (size_t row = firstRow; row < endRow; ++row)
        counts[row] = matcher.count(variants ? foldedText(row) : text(row), scratch);
}

std::string_view TableImage::foldedText(size_t row) const {
    const RowText& r = rowText_[row];
    return std::string_view(text_->folded[r.block]->data() + r.start, r.length);
}

// The folded copy is made once for the text, which the images made from this one share: the
// first search of variant forms pays for it, the later ones count as fast as any.
void TableImage::foldVariants() const {
    std::call_once(text_->foldOnce, [this] {
        static const VariantFolding unchanged(std::vector<std::pair<char32_t, char32_t>>{});
        const VariantFolding* folding = VariantFolding::Instance();
        for (const std::unique_ptr<Block>& block : text_->blocks)
            text_->folded.push_back(Block::FoldedCopy(*block, folding ? *folding : unchanged));
    });
}

std::vector<qint64> TableImage::Count(const KeywordMatcher& matcher, bool variants) const {
    std::vector<qint64> counts(rowCount(), 0);
    if (matcher.empty())
        return counts;
    if (variants)
        foldVariants();
    size_t bytes = 0;
    for (const RowText& r : rowText_)
        bytes += r.length;
    // Large images are scanned in two halves at once; each half writes its own rows' counts.
    constexpr size_t kSplitBytes = size_t(8) << 20;
    if (bytes < kSplitBytes || std::thread::hardware_concurrency() < 2) {
        countRange(matcher, 0, rowCount(), counts, variants);
        return counts;
    }
    size_t split = 0;
    for (size_t half = 0; split < rowCount() && half < bytes / 2; ++split)
        half += rowText_[split].length;
    std::thread second([&] { countRange(matcher, split, rowCount(), counts, variants); });
    countRange(matcher, 0, split, counts, variants);
    second.join();
    return counts;
}

std::vector<std::uint32_t>
TableImage::RowsContaining(const std::string& needle,
                           const std::vector<std::uint32_t>* among) const {
    std::vector<std::uint32_t> out;
    const KeywordMatcher matcher({needle});
    if (matcher.empty())
        return out;
    KeywordMatcher::Scratch scratch(matcher);
    if (among) {
        for (const std::uint32_t row : *among)
            if (matcher.count(text(row), scratch) > 0)
                out.push_back(row);
        return out;
    }
    for (size_t row = 0; row < rowCount(); ++row)
        if (matcher.count(text(row), scratch) > 0)
            out.push_back(std::uint32_t(row));
    return out;
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
    out->text_ = text_;
    size_t rows = 0;
    for (size_t row = 0; row < rowCount(); ++row)
        if (hits_[row].isInteger && hits_[row].value > 0)
            ++rows;
    out->rowids_.reserve(rows);
    out->sourceRowids_.reserve(rows);
    out->numbers_.reserve(rows);
    out->hits_.reserve(rows);
    out->titles_.reserve(rows);
    out->rowText_.reserve(rows);
    for (size_t row = 0; row < rowCount(); ++row) {
        if (!(hits_[row].isInteger && hits_[row].value > 0))
            continue;
        out->rowids_.push_back(qint64(out->rowids_.size()) + 1);
        out->sourceRowids_.push_back(rowids_[row]);
        out->numbers_.push_back(numbers_[row]);
        out->hits_.push_back(hits_[row]);
        out->titles_.push_back(titles_[row]);
        out->rowText_.push_back(rowText_[row]);
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
    return rankedBy(nullptr);
}

std::optional<QStringList> TableImage::RankedTitles(const std::vector<qint64>& counts) const {
    if (counts.size() != rowCount())
        return std::nullopt;
    return rankedBy(&counts);
}

std::optional<QStringList> TableImage::rankedBy(const std::vector<qint64>* counts) const {
    const auto hits = [this, counts](size_t row) {
        return counts ? IntegerValue{(*counts)[row], true} : hits_[row];
    };
    std::vector<size_t> listed;
    for (size_t row = 0; row < rowCount(); ++row) {
        const IntegerValue count = hits(row);
        if (!count.isInteger)
            return std::nullopt; // a count stored as text or a real compares otherwise
        if (count.value <= 0)
            continue;
        if (!numbers_[row].isInteger)
            return std::nullopt;
        if (titles_[row] && !titles_[row]->isEmpty())
            listed.push_back(row);
    }
    // More hits first, then the smaller number.
    const auto before = [&](size_t a, size_t b) {
        const qint64 ha = hits(a).value, hb = hits(b).value;
        if (ha != hb)
            return ha > hb;
        return numbers_[a].value < numbers_[b].value;
    };
    std::sort(listed.begin(), listed.end(), before);
    QStringList titles;
    titles.reserve(qsizetype(listed.size()));
    for (size_t i = 0; i < listed.size(); ++i) {
        if (i > 0 && !before(listed[i - 1], listed[i]) &&
            *titles_[listed[i - 1]] != *titles_[listed[i]])
            return std::nullopt;
        titles << *titles_[listed[i]];
    }
    return titles;
}

void TableImage::indexTitles() const {
    if (byTitle_)
        return;
    byTitle_.emplace();
    for (size_t row = 0; row < rowCount(); ++row)
        if (titles_[row])
            (*byTitle_)[*titles_[row]].push_back(row);
}

QStringList TableImage::Titles() const {
    QStringList out;
    out.reserve(qsizetype(rowCount()));
    for (const std::optional<QString>& title : titles_)
        if (title)
            out << *title;
    return out;
}

std::optional<size_t> TableImage::LastWithTitle(const QString& title) const {
    indexTitles();
    const auto it = byTitle_->constFind(title);
    if (it == byTitle_->constEnd())
        return std::nullopt;
    return it->back();
}

TableImage::Pick TableImage::LastRankedWithTitle(const QString& title) const {
    indexTitles();
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
