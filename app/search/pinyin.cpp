#include "search/pinyin.h"

#include <unicode/translit.h>
#include <unicode/unistr.h>

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <memory>

extern const char kHanReadings[];

namespace meridane {

namespace {

bool IsHan(char32_t c) {
    return (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x20000 && c <= 0x3134F) || c == 0x3007;
}

// The other readings, from the generated table: character -> readings.
const QHash<char32_t, QStringList>& OtherReadings() {
    static const QHash<char32_t, QStringList> table = [] {
        QHash<char32_t, QStringList> t;
        const QString all = QString::fromUtf8(kHanReadings);
        for (QStringView row : QStringView(all).split(u'\n', Qt::SkipEmptyParts)) {
            const qsizetype colon = row.indexOf(u':');
            if (colon <= 0)
                continue;
            const QList<uint> c = row.left(colon).toUcs4();
            if (c.size() == 1)
                t.insert(c[0], row.mid(colon + 1).toString().split(u','));
        }
        return t;
    }();
    return table;
}

// ICU's reading of one character, cached: a transliterator is slow to make and not to be shared
// between threads without a lock.
QString UsualReading(char32_t c) {
    static QMutex mutex;
    static QHash<char32_t, QString> cache;
    static std::unique_ptr<icu::Transliterator> transliterator;
    static bool failed = false;
    const QMutexLocker lock(&mutex);
    if (auto it = cache.constFind(c); it != cache.cend())
        return *it;
    if (!transliterator && !failed) {
        UErrorCode status = U_ZERO_ERROR;
        transliterator.reset(icu::Transliterator::createInstance("Han-Latin; Latin-ASCII; Lower",
                                                                 UTRANS_FORWARD, status));
        failed = U_FAILURE(status) || !transliterator;
    }
    QString reading;
    if (transliterator) {
        icu::UnicodeString u{UChar32(c)};
        transliterator->transliterate(u);
        std::string utf8;
        u.toUTF8String(utf8);
        reading = QString::fromStdString(utf8).trimmed();
        if (std::any_of(reading.cbegin(), reading.cend(),
                        [](QChar ch) { return ch < u'a' || ch > u'z'; }))
            reading.clear();
    }
    cache.insert(c, reading);
    return reading;
}

// One place of a title: the readings that may stand for it.
using Unit = QStringList;

std::vector<Unit> Units(const QString& title) {
    std::vector<Unit> units;
    for (char32_t c : title.toUcs4()) {
        if (IsHan(c)) {
            QStringList readings = HanReadings(c);
            if (!readings.isEmpty())
                units.push_back(std::move(readings));
        } else if (c < 0x80 && QChar::isLetterOrNumber(c)) {
            units.push_back({QString(QChar(c)).toLower()});
        }
        // Punctuation and spaces are passed over.
    }
    return units;
}

} // namespace

QStringList HanReadings(char32_t c) {
    if (!IsHan(c))
        return {};
    QStringList readings;
    if (QString usual = UsualReading(c); !usual.isEmpty())
        readings << usual;
    for (const QString& other : OtherReadings().value(c)) {
        if (!readings.contains(other))
            readings << other;
        // ü is typed as v or as u.
        if (other.contains(u'v')) {
            QString u = other;
            u.replace(u'v', u'u');
            if (!readings.contains(u))
                readings << u;
        }
    }
    return readings;
}

std::optional<QString> PinyinQuery(const QStringList& keywords) {
    QString typed;
    for (const QString& keyword : keywords) {
        for (QChar ch : keyword) {
            if (ch == u' ' || ch == u'\'')
                continue;
            if (!((ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z')))
                return std::nullopt;
            typed += ch.toLower();
        }
    }
    if (typed.isEmpty())
        return std::nullopt;
    return typed;
}

std::optional<int> PinyinRank(const QString& typed, const QString& title) {
    const std::vector<Unit> units = Units(title);
    const qsizetype n = qsizetype(units.size());
    const qsizetype m = typed.size();
    if (n == 0 || m == 0)
        return std::nullopt;
    // best[i][j]: the fewest places read by their initial only, having read i places and j
    // letters; -1 when that point cannot be reached.
    std::vector<std::vector<int>> best(size_t(n + 1), std::vector<int>(size_t(m + 1), -1));
    best[0][0] = 0;
    int bestPrefix = -1; // the fewest initials when the typed letters end inside a syllable
    auto reach = [&](qsizetype i, qsizetype j, int initials) {
        int& b = best[size_t(i)][size_t(j)];
        if (b < 0 || initials < b)
            b = initials;
    };
    for (qsizetype i = 0; i < n; ++i) {
        for (qsizetype j = 0; j < m; ++j) {
            const int here = best[size_t(i)][size_t(j)];
            if (here < 0)
                continue;
            const QStringView rest = QStringView(typed).mid(j);
            for (const QString& reading : units[size_t(i)]) {
                if (rest.startsWith(reading)) {
                    reach(i + 1, j + reading.size(), here);
                } else if (reading.startsWith(rest) && rest.size() > 1) {
                    // The last syllable typed in part: the start of the title.
                    if (bestPrefix < 0 || here < bestPrefix)
                        bestPrefix = here;
                }
                if (rest.front() == reading.front())
                    reach(i + 1, j + 1, here + 1);
                const QStringView two = rest.left(2);
                if (two.size() == 2 && two.at(1) == u'h' && reading.startsWith(two))
                    reach(i + 1, j + 2, here + 1);
            }
        }
    }
    auto kind = [](int initials, qsizetype placesRead) {
        return initials == 0 ? 0 : initials == placesRead ? 1 : 2;
    };
    if (best[size_t(n)][size_t(m)] >= 0)
        return kind(best[size_t(n)][size_t(m)], n);
    std::optional<int> rank;
    for (qsizetype i = 1; i < n; ++i) {
        if (const int b = best[size_t(i)][size_t(m)]; b >= 0) {
            const int r = 3 + kind(b, i);
            if (!rank || r < *rank)
                rank = r;
        }
    }
    if (bestPrefix >= 0) {
        const int r = 3 + (bestPrefix == 0 ? 0 : 2);
        if (!rank || r < *rank)
            rank = r;
    }
    return rank;
}

std::vector<qsizetype> TitlesByPinyin(const QString& typed, const QStringList& titles) {
    struct Found {
        int rank;
        qsizetype length, index;
    };
    std::vector<Found> found;
    for (qsizetype i = 0; i < titles.size(); ++i)
        if (const std::optional<int> rank = PinyinRank(typed, titles[i]))
            found.push_back({*rank, titles[i].size(), i});
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return std::tie(a.rank, a.length) < std::tie(b.rank, b.length);
    });
    std::vector<qsizetype> order;
    order.reserve(found.size());
    for (const Found& f : found)
        order.push_back(f.index);
    return order;
}

} // namespace meridane
