// The in-memory search against the statement sequence: random sequences of searches and clicks
// on two copies of the same databases, one per path, compared field by field, message by
// message and row by row; and the cases in which the in-memory path must step aside.
#include "bench/synthetic_corpus.h"
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/memory/keyword_matcher.h"
#include "search/memory/table_image.h"
#include "search/modado.h"
#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/sqlite_db.h"
#include "test_support.h"

#include <QFile>
#include <QProcess>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <random>
#include <thread>

using namespace meridane;
using namespace meridane::test;

namespace {

constexpr QChar kFullComma(0xFF0C);

// Texts with ASCII letters of both cases, apostrophes, LIKE wildcards and backslashes among
// CJK characters, so that keywords drawn from them test what LIKE does with each.
std::vector<SourceRecord> MixedRecords(int count, std::uint32_t seed, bool withKeywords) {
    static const QString alphabet =
        QStringLiteral("发热头痛咳嗽恶寒汗出脉浮紧弦滑数人参甘草黄连aAbBcCzZ'%_\\ 。，");
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> length(0, 60), pick(0, int(alphabet.size()) - 1);
    std::vector<SourceRecord> out;
    for (int i = 1; i <= count; ++i) {
        QString text;
        for (int n = length(rng); n > 0; --n)
            text += alphabet.at(pick(rng));
        // Repeated titles (the click shows the last ranked), a few empty ones, and a few
        // repeated numbers (ties the in-memory order must not decide).
        QString title = i % 7 == 0 ? QString() : QStringLiteral("题%1").arg(i % 40);
        const qint64 number = i % 29 == 0 ? i - 1 : i;
        out.push_back(Rec(number, title, text, withKeywords ? text.left(20) : QString()));
    }
    return out;
}

KnowledgeSources MixedSources(std::uint32_t seed) {
    KnowledgeSources s;
    s.An1 = MixedRecords(150, seed + 1, true);
    s.yao = MixedRecords(120, seed + 2, false);
    s.bing = MixedRecords(200, seed + 3, false);
    s.yishu1 = MixedRecords(90, seed + 4, true);
    return s;
}

// Numbers that decide the order, so that every list is shown before the writes behind it.
KnowledgeSources NumberedSources(std::uint32_t seed) {
    KnowledgeSources s = MixedSources(seed);
    for (auto* table : {&s.An1, &s.yao, &s.bing, &s.yishu1})
        for (size_t i = 0; i < table->size(); ++i)
            (*table)[i].number = qint64(i) + 1;
    return s;
}

// Unique titles: the notes table allows each title once.
std::vector<SourceRecord> MixedNotes(std::uint32_t seed) {
    std::vector<SourceRecord> notes = MixedRecords(80, seed + 5, false);
    for (size_t i = 0; i < notes.size(); ++i) {
        notes[i].number = qint64(i) + 1;
        notes[i].title = QStringLiteral("笔记%1").arg(i);
    }
    return notes;
}

// Every table of a database file: its statement and its rows in rowid order, typed.
QStringList DatabaseState(const QString& path, const QString& password) {
    SqlConnection db;
    db.open(path, password);
    QStringList state;
    QStringList tables;
    SqlStatement master = db.prepare(
        QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY type, name"));
    while (master.step()) {
        state << QStringLiteral("%1 %2 %3 %4")
                     .arg(master.text(0), master.text(1), master.text(2), master.text(3));
        if (master.text(0) == QLatin1String("table"))
            tables << master.text(1);
    }
    for (const QString& table : tables) {
        SqlStatement rows =
            db.prepare(QStringLiteral("SELECT rowid, * FROM %1 ORDER BY rowid").arg(table));
        while (rows.step()) {
            QStringList cells{table};
            for (int c = 0; c < rows.columnCount(); ++c) {
                const int type = rows.type(c); // asked first: reading may convert
                cells << QStringLiteral("%1:%2").arg(type).arg(rows.text(c));
            }
            state << cells.join(QLatin1Char('|'));
        }
    }
    return state;
}

// Writes statements straight into a database file, as another program would.
// Some characters in their traditional forms: texts and keywords that differ from the records
// in their script only, which a search of variant forms finds.
QString Traditional(QString text) {
    static const std::pair<char16_t, char16_t> forms[] = {
        {u'参', u'參'}, {u'连', u'連'}, {u'黄', u'黃'}, {u'归', u'歸'}, {u'当', u'當'},
        {u'药', u'藥'}, {u'汤', u'湯'}, {u'热', u'熱'}, {u'气', u'氣'}, {u'脉', u'脈'},
        {u'虚', u'虛'}, {u'证', u'證'}, {u'术', u'朮'}, {u'发', u'發'}, {u'头', u'頭'}};
    for (const auto& [simplified, traditional] : forms)
        text.replace(QChar(simplified), QChar(traditional));
    return text;
}

void Alter(const QString& path, const QString& password, const QString& sql) {
    SqlConnection db;
    db.open(path, password);
    db.exec(sql);
}

struct Outcome {
    SearchFields fields;
    QList<ShownMessage> messages;
    bool clickResult = true;
};

} // namespace

class FastSearchTest : public QObject {
    Q_OBJECT

    // One program folder per path, holding copies of the same two databases.
    struct Side {
        QString folder;
        SearchEngine* engine; // null: the statements alone
        SearchFields fields;
        QString workingCopy() const { return folder + QStringLiteral("/msjic.dll"); }
    };

    // The program's way with the writes until the guard goes: deferred until a reader needs
    // them.
    auto deferWrites() {
        engine.deferPendingWrites(true);
        return qScopeGuard([this] { engine.deferPendingWrites(false); });
    }

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine engine;
    ScriptedMessages messages;

    static void copyFolder(const QString& from, const QString& to) {
        for (const char* name : {"msjic.dll", "msjic"}) {
            QFile::remove(to + QLatin1Char('/') + QLatin1String(name));
            QVERIFY(QFile::copy(from + QLatin1Char('/') + QLatin1String(name),
                                to + QLatin1Char('/') + QLatin1String(name)));
        }
    }

    // Two program folders holding copies of the same databases, one per path; alter changes
    // the databases of the first before they are copied.
    struct Folders {
        Folders(memory::Engine& engine, const KnowledgeSources& sources,
                const std::vector<SourceRecord>& notes,
                const std::function<void(const QString&)>& alter = {})
            : refFolder(sources, notes) {
            mem.engine = &engine;
            if (alter)
                alter(refFolder.path());
            copyFolder(refFolder.path(), memDir.path());
            ref.folder = refFolder.path();
            mem.folder = memDir.path();
        }
        TempProgramFolder refFolder;
        QTemporaryDir memDir;
        Side ref{{}, nullptr, {}};
        Side mem{{}, nullptr, {}};
    };

    // Runs one action on a side and returns what it left and showed.
    Outcome act(Side& side, const std::function<bool(SearchFields&)>& action) {
        SetProgramFolder(side.folder);
        const qsizetype before = messages.shown.size();
        Outcome out;
        out.clickResult = action(side.fields);
        out.fields = side.fields;
        out.messages = messages.shown.mid(before);
        return out;
    }

    static void compare(const Outcome& ref, const Outcome& mem, const QString& step) {
        const SearchFields& a = ref.fields;
        const SearchFields& b = mem.fields;
        QVERIFY2(a.resultList == b.resultList, qPrintable(step));
        QVERIFY2(a.statusLine == b.statusLine, qPrintable(step));
        QVERIFY2(a.hitCounter == b.hitCounter, qPrintable(step));
        QVERIFY2(a.recordBody == b.recordBody, qPrintable(step));
        QVERIFY2(a.keywordList == b.keywordList, qPrintable(step));
        QVERIFY2(a.currentKeyword == b.currentKeyword, qPrintable(step));
        QVERIFY2(ref.messages == mem.messages, qPrintable(step));
        QVERIFY2(ref.clickResult == mem.clickResult, qPrintable(step));
    }

    static void compareFiles(const Side& ref, const Side& mem, const QString& step) {
        for (const auto& [file, password] :
             {std::pair{"/msjic.dll", kDatabasePassword}, std::pair{"/msjic", QString()}}) {
            const QStringList a = DatabaseState(ref.folder + QLatin1String(file), password);
            const QStringList b = DatabaseState(mem.folder + QLatin1String(file), password);
            QVERIFY2(a == b, qPrintable(step + QLatin1Char(' ') + QLatin1String(file)));
        }
    }

    // Random keyword text: pieces drawn from the records, repeated, emptied, case-changed, or
    // made of the characters LIKE treats specially; joined by either comma.
    static QString randomKeywords(std::mt19937& rng, const std::vector<const SourceRecord*>& pool,
                                  QStringList& earlier) {
        std::uniform_int_distribution<int> percent(0, 99);
        if (percent(rng) < 4)
            return QString();
        if (percent(rng) < 8)
            return QStringLiteral(",，,");
        std::uniform_int_distribution<int> pieces(1, 5);
        QStringList out;
        for (int n = pieces(rng); n > 0; --n) {
            const int kind = percent(rng);
            QString piece;
            if (kind < 10) {
                piece = QString();
            } else if (kind < 20 && !earlier.isEmpty()) {
                piece =
                    earlier.at(std::uniform_int_distribution<int>(0, int(earlier.size()) - 1)(rng));
            } else if (kind < 30) {
                static const QStringList special{
                    QStringLiteral("'"),    QStringLiteral("%"),    QStringLiteral("_"),
                    QStringLiteral("\\"),   QStringLiteral("a'b"),  QStringLiteral("%a"),
                    QStringLiteral("A_"),   QStringLiteral(" 发"),  QStringLiteral("[a]"),
                    QStringLiteral("甘草"), QStringLiteral("人参"), QStringLiteral("不存在")};
                piece =
                    special.at(std::uniform_int_distribution<int>(0, int(special.size()) - 1)(rng));
            } else {
                const SourceRecord& r =
                    *pool.at(std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng));
                const QString& text = r.text.isEmpty() ? r.title : r.text;
                if (text.isEmpty())
                    continue;
                const int at = std::uniform_int_distribution<int>(0, int(text.size()) - 1)(rng);
                piece = text.mid(at, std::uniform_int_distribution<int>(1, 4)(rng));
                if (kind >= 90)
                    piece = piece.toUpper();
            }
            if (piece.contains(QLatin1Char(',')) || piece.contains(kFullComma))
                continue; // would split again
            out << piece;
            earlier << piece;
        }
        QString text;
        for (qsizetype i = 0; i < out.size(); ++i) {
            if (i > 0)
                text += percent(rng) < 50 ? QChar(u',') : kFullComma;
            text += out.at(i);
        }
        return text;
    }

    // Runs one search on both sides, compares what they show, and returns whether the
    // in-memory side did it in memory.
    bool searchBoth(Side& ref, Side& mem, Category option, const QString& box, bool within) {
        bool inMemory = false;
        Outcome out[2];
        for (Side* side : {&ref, &mem}) {
            side->fields.selected = option;
            side->fields.keywordBox = box;
            out[side == &mem] = act(*side, [&](SearchFields& f) {
                KeywordSearch s(f, side->engine);
                within ? s.SearchWithinResults() : s.NewSearch();
                if (side == &mem)
                    inMemory = s.lastSearchInMemory();
                return true;
            });
        }
        compare(out[0], out[1], box);
        return inMemory;
    }

    bool clickBoth(Side& ref, Side& mem, const QString& title) {
        Outcome out[2];
        for (Side* side : {&ref, &mem})
            out[side == &mem] = act(*side, [&](SearchFields& f) {
                return RecordDisplay(f, side->engine).ListClick(title);
            });
        compare(out[0], out[1], title);
        return out[1].clickResult;
    }

    // How the working copy's writes are done: behind each list on their own thread, held (the
    // thread waits until something reads the file, so that every search and click after a
    // memory search meets them pending), or deferred as the program defers them (written only
    // for a reader, later searches taking the place of earlier ones' writes).
    enum class Writes { Behind, Held, Deferred };

    // With writes held or deferred, every search and click after a memory search meets the
    // writes pending.
    // With variants, every third text is in traditional characters and most searches look for
    // variant forms, half of them typed in traditional characters.
    void runSequence(KnowledgeSources sources, std::vector<SourceRecord> notes, std::uint32_t seed,
                     int steps, Writes writes = Writes::Behind, bool variants = false) {
        if (variants) {
            for (auto* table : {&sources.An1, &sources.yao, &sources.bing, &sources.yishu1, &notes})
                for (size_t i = 0; i < table->size(); i += 3)
                    (*table)[i].text = Traditional((*table)[i].text);
        }
        engine.holdPendingWrites(writes == Writes::Held);
        engine.deferPendingWrites(writes == Writes::Deferred);
        const auto release = qScopeGuard([this] {
            engine.holdPendingWrites(false);
            engine.deferPendingWrites(false);
        });
        Folders folders(engine, sources, notes, [&](const QString& folder) {
            // Null titles and bodies, which LIKE never matches and the list leaves out.
            Alter(folder + QStringLiteral("/msjic.dll"), kDatabasePassword,
                  QStringLiteral("UPDATE bing SET 病名=NULL WHERE 编号 % 11 = 3;"
                                 "UPDATE yao SET 文本=NULL WHERE 编号 % 13 = 5;"
                                 "UPDATE An1 SET 关键字=NULL WHERE 编号 % 17 = 1"));
            Alter(folder + QStringLiteral("/msjic"), QString(),
                  QStringLiteral("UPDATE me1 SET 文本=NULL WHERE 编号 % 9 = 2"));
        });
        Side& ref = folders.ref;
        Side& mem = folders.mem;

        std::vector<const SourceRecord*> pool;
        for (const auto* table : {&sources.An1, &sources.yao, &sources.bing, &sources.yishu1})
            for (const SourceRecord& r : *table)
                pool.push_back(&r);
        for (const SourceRecord& r : notes)
            pool.push_back(&r);

        std::mt19937 rng(seed);
        std::uniform_int_distribution<int> percent(0, 99);
        const Category options[] = {Category::Formulas, Category::Herbs, Category::Pathology,
                                    Category::MyLibrary, Category::ExpertCases};
        QStringList earlier;
        int searches = 0, inMemory = 0;
        for (int step = 0; step < steps; ++step) {
            const int kind = percent(rng);
            if (kind < 8 || step == 0) {
                const Category o = options[std::uniform_int_distribution<int>(0, 4)(rng)];
                ref.fields.selected = mem.fields.selected = o;
            }
            QString what;
            bool memInMemory = false;
            std::function<bool(SearchFields&, SearchEngine*)> action;
            if (kind < 70) {
                const bool within = kind >= 45;
                const bool folded = variants && percent(rng) < 70;
                QString box = randomKeywords(rng, pool, earlier);
                if (folded && percent(rng) < 50)
                    box = Traditional(box);
                what = QStringLiteral("%1%2 [%3]")
                           .arg(within ? "within" : "new", folded ? " variants" : "", box);
                action = [&, within, box, folded](SearchFields& f, SearchEngine* e) {
                    f.keywordBox = box;
                    f.variants = folded;
                    KeywordSearch s(f, e);
                    within ? s.SearchWithinResults() : s.NewSearch();
                    if (e)
                        memInMemory = s.lastSearchInMemory();
                    return true;
                };
                ++searches;
            } else {
                QString title;
                if (!mem.fields.resultList.isEmpty() && percent(rng) < 80)
                    title = mem.fields.resultList.at(std::uniform_int_distribution<int>(
                        0, int(mem.fields.resultList.size()) - 1)(rng));
                else
                    title = pool.at(std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng))
                                ->title;
                what = QStringLiteral("click [%1]").arg(title);
                action = [title](SearchFields& f, SearchEngine* e) {
                    return RecordDisplay(f, e).ListClick(title);
                };
            }
            const QString label = QStringLiteral("step %1: %2").arg(step).arg(what);
            const Outcome a = act(ref, [&](SearchFields& f) { return action(f, ref.engine); });
            const Outcome b = act(mem, [&](SearchFields& f) { return action(f, mem.engine); });
            compare(a, b, label);
            if (QTest::currentTestFailed())
                return;
            if (kind < 70) {
                // The statements run only for an empty box or a table that cannot be read.
                const bool failed = !b.messages.isEmpty();
                QVERIFY2(memInMemory || failed, qPrintable(label));
                inMemory += memInMemory ? 1 : 0;
            }
            if (step % 10 == 9 || step + 1 == steps) {
                engine.finishPendingWrites(); // as a tool does before it ends
                compareFiles(ref, mem, label);
                if (QTest::currentTestFailed())
                    return;
            }
        }
        QVERIFY(inMemory > searches / 2);
    }

private slots:
    void sequencesMatchTheStatements_data() {
        QTest::addColumn<uint>("seed");
        QTest::addColumn<int>("writes");
        for (uint seed : {1u, 2u, 3u, 4u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed)))
                << seed << int(Writes::Behind);
        for (uint seed : {5u, 6u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1, writes held").arg(seed)))
                << seed << int(Writes::Held);
        for (uint seed : {7u, 10u, 12u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1, writes deferred").arg(seed)))
                << seed << int(Writes::Deferred);
    }

    void sequencesMatchTheStatements() {
        QFETCH(uint, seed);
        QFETCH(int, writes);
        runSequence(MixedSources(seed * 100), MixedNotes(seed * 100), seed, 200, Writes(writes));
    }

    // Variant forms: the statements compare through meridane_fold, memory counts in a folded
    // copy of its text; both give the same lists and leave the same files.
    void variantsMatchTheStatements_data() {
        QTest::addColumn<uint>("seed");
        QTest::addColumn<int>("writes");
        QTest::newRow("seed 8") << 8u << int(Writes::Behind);
        QTest::newRow("seed 9, writes held") << 9u << int(Writes::Held);
        QTest::newRow("seed 16, writes deferred") << 16u << int(Writes::Deferred);
    }

    void variantsMatchTheStatements() {
        QFETCH(uint, seed);
        QFETCH(int, writes);
        runSequence(MixedSources(seed * 100), MixedNotes(seed * 100), seed, 200, Writes(writes),
                    true);
    }

    void syntheticCorpusMatchesTheStatements() {
        SyntheticSpec spec;
        spec.records = 1500;
        spec.markerShare = 0.2;
        KnowledgeSources sources;
        sources.bing = MakeSyntheticRecords(spec, false);
        spec.seed = 7;
        spec.records = 600;
        sources.An1 = MakeSyntheticRecords(spec, true);
        runSequence(sources, MixedNotes(11), 11, 60);
    }

    // Text whose characters LIKE reads exactly as bytes compare, and text it reads otherwise.
    void plainUtf8() {
        const auto plain = [](const char* bytes) { return IsPlainUtf8(std::string_view(bytes)); };
        QVERIFY(plain(""));
        QVERIFY(plain("abc'%_\\"));
        QVERIFY(plain("\xE5\x8F\x91\xE7\x83\xAD"));             // 发热
        QVERIFY(plain("\xC3\xA9\xF0\x9F\x8C\xBF\xEF\xBF\xBD")); // é, U+1F33F, U+FFFD
        QVERIFY(!plain("\xE5\x8F"));                            // cut short
        QVERIFY(!plain("\x8F\x91"));                            // continuation bytes alone
        QVERIFY(!plain("\xC0\xAF"));                            // overlong '/'
        QVERIFY(!plain("\xE0\x80\xAF"));                        // overlong '/'
        QVERIFY(!plain("\xED\xA0\x80"));                        // a surrogate
        QVERIFY(!plain("\xEF\xBF\xBE"));                        // U+FFFE
        QVERIFY(!plain("\xEF\xBF\xBF"));                        // U+FFFF
        QVERIFY(!plain("\xF4\x90\x80\x80"));                    // beyond U+10FFFF
        QVERIFY(!plain("\xF0\x8F\xBF\xBF"));                    // overlong
        QVERIFY(!plain("\xFF"));
        // Keywords: folded like the column, refused where LIKE would read them otherwise.
        QCOMPARE(LikeNeedle(QStringLiteral("AbC发"), 100),
                 std::optional<std::string>("abc\xE5\x8F\x91"));
        QCOMPARE(LikeNeedle(QStringLiteral("%_\\"), 8), std::optional<std::string>("%_\\"));
        QCOMPARE(LikeNeedle(QStringLiteral("%_\\"), 7), std::nullopt); // escaped: 8 bytes
        QCOMPARE(LikeNeedle(QString(QChar(0xFFFE)), 100), std::nullopt);
    }

    // Where memory cannot give what the statements give, the statements run, with the same
    // outcome.
    void stepsAsideWhereMemoryWouldDiffer_data() {
        QTest::addColumn<QString>("alteration");
        QTest::addColumn<QString>("keywords");
        QTest::addColumn<bool>("inMemory");
        QTest::newRow("plain") << QString() << QStringLiteral("发热,a") << true;
        QTest::newRow("invalid UTF-8 in a body")
            << QStringLiteral("UPDATE bing SET 文本=CAST(X'E58F91E7' AS TEXT) WHERE 编号=2")
            << QStringLiteral("发热") << false;
        QTest::newRow("noncharacter in a body")
            << QStringLiteral("UPDATE bing SET 文本=CAST(X'E58F91EFBFBF' AS TEXT) WHERE 编号=2")
            << QStringLiteral("发") << false;
        QTest::newRow("a trigger")
            << QStringLiteral(
                   "CREATE TABLE seen (n INTEGER); CREATE TRIGGER t AFTER UPDATE ON bing BEGIN "
                   "INSERT INTO seen VALUES (new.编号); END")
            << QStringLiteral("发热") << false;
        QTest::newRow("a count stored as text")
            << QStringLiteral("UPDATE bing SET 相符个数='several' WHERE 编号=3")
            << QStringLiteral("发热") << false;
        // A NUL is a character like any other: no text as LIKE reads it holds one.
        QTest::newRow("keyword with a NUL") << QString() << QStringLiteral("发") + QChar(0) << true;
        QTest::newRow("a lone NUL") << QString() << QString(QChar(0)) << true;
        QTest::newRow("NUL in a body and in a keyword")
            << QStringLiteral("UPDATE bing SET 文本=文本 || char(0) || '尾声' WHERE 编号 IN (2, 4)")
            << QStringLiteral("尾声,") + QChar(0) + QStringLiteral("尾,热") + QChar(0) << true;
        QTest::newRow("keyword longer than a LIKE pattern may be")
            << QString() << QString(50000, QLatin1Char('a')) << false;
        QTest::newRow("noncharacter in a keyword") << QString() << QString(QChar(0xFFFF)) << false;
    }

    void stepsAsideWhereMemoryWouldDiffer() {
        QFETCH(QString, alteration);
        QFETCH(QString, keywords);
        QFETCH(bool, inMemory);
        KnowledgeSources sources = MixedSources(5);
        Folders folders(engine, sources, MixedNotes(5), [&](const QString& folder) {
            if (!alteration.isEmpty())
                Alter(folder + QStringLiteral("/msjic.dll"), kDatabasePassword, alteration);
        });
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        QCOMPARE(searchBoth(ref, mem, Category::Pathology, keywords, false), inMemory);
        // The result table the statements made may well suit memory again.
        searchBoth(ref, mem, Category::Pathology, keywords, true);
        if (!mem.fields.resultList.isEmpty())
            clickBoth(ref, mem, mem.fields.resultList.constLast());
        compareFiles(ref, mem, QStringLiteral("after the searches"));
    }

    // Another program writes a table the search keeps in memory: the next search sees it.
    void followsChangesMadeElsewhere() {
        KnowledgeSources sources = MixedSources(6);
        Folders folders(engine, sources, MixedNotes(6));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        const QString marker = QStringLiteral("新加的词");
        for (const auto& [option, file, password, sql] :
             {std::tuple{Category::Pathology, "/msjic.dll", kDatabasePassword,
                         "UPDATE bing SET 文本=文本 || '新加的词' WHERE 编号 IN (4, 5)"},
              std::tuple{Category::MyLibrary, "/msjic", QString(),
                         "UPDATE me1 SET 文本='新加的词' WHERE 编号=9"}}) {
            QVERIFY(searchBoth(ref, mem, option, marker, false));
            QCOMPARE(mem.fields.statusLine, kNothingFound);
            for (const Side* side : {&ref, &mem})
                Alter(side->folder + QLatin1String(file), password, QString::fromUtf8(sql));
            QVERIFY(searchBoth(ref, mem, option, marker, false));
            QVERIFY(!mem.fields.resultList.isEmpty());
            QVERIFY(clickBoth(ref, mem, mem.fields.resultList.constFirst()));
            QVERIFY(mem.fields.recordBody.contains(marker));
            compareFiles(ref, mem, QString::fromUtf8(sql));
        }
        // The notes file replaced whole, as a restore from a backup does.
        const QString restored = QStringLiteral("换过的文件");
        for (const Side* side : {&ref, &mem}) {
            const QString notes = side->folder + QStringLiteral("/msjic");
            QVERIFY(QFile::copy(notes, notes + QStringLiteral(".bak")));
            Alter(notes + QStringLiteral(".bak"), QString(),
                  QStringLiteral("UPDATE me1 SET 文本='换过的文件' WHERE 编号=3"));
            QVERIFY(QFile::remove(notes));
            QVERIFY(QFile::rename(notes + QStringLiteral(".bak"), notes));
        }
        QVERIFY(searchBoth(ref, mem, Category::MyLibrary, restored, false));
        QCOMPARE(mem.fields.resultList.size(), 1);
        compareFiles(ref, mem, QStringLiteral("restored notes"));
    }

    // The tables read after start stand in for the file only while it is as it was.
    void warmUpFollowsTheFile() {
        KnowledgeSources sources = MixedSources(12);
        Folders folders(engine, sources, MixedNotes(12));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        SetProgramFolder(mem.folder);
        engine.warmUp();
        QVERIFY(searchBoth(ref, mem, Category::Formulas, QStringLiteral("发,a,热"), false));
        QVERIFY(searchBoth(ref, mem, Category::ExpertCases, QStringLiteral("a"), false));

        // Read again, then changed by another program before the first search.
        SetProgramFolder(mem.folder);
        engine.forgetTableImages();
        engine.warmUp();
        engine.finishWarmUp();
        const QString sql = QStringLiteral("UPDATE yao SET 文本='加上的字' WHERE 编号 < 4");
        for (const Side* side : {&ref, &mem})
            Alter(side->workingCopy(), kDatabasePassword, sql);
        QVERIFY(searchBoth(ref, mem, Category::Herbs, QStringLiteral("加上"), false));
        QCOMPARE(mem.fields.resultList.size(), 3);
        compareFiles(ref, mem, sql);
    }

    // The reading after start ends with the engine, before the program's objects go, however
    // the program ends.
    void warmUpEndsBeforeTheProgram() {
        QProcess report;
        report.start(QStringLiteral(WARM_UP_EXIT), {QStringLiteral("report")});
        QVERIFY(report.waitForFinished(120000));
        QCOMPARE(report.exitStatus(), QProcess::NormalExit);
        QCOMPARE(report.exitCode(), 0);
        for (int run = 0; run < 3; ++run) {
            for (const char* mode : {"end", "no-application"}) {
                QProcess p;
                p.start(QStringLiteral(WARM_UP_EXIT), {QString::fromLatin1(mode)});
                QVERIFY(p.waitForFinished(120000));
                QVERIFY2(
                    p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
                    qPrintable(QStringLiteral("%1: %2").arg(
                        QLatin1String(mode), QString::fromLocal8Bit(p.readAllStandardError()))));
            }
        }
    }

    // The working copy gets a search's writes after its list is shown. Until then another
    // connection (as another process) waits on the file's lock, and whatever reads the file in
    // the program first (the statements, a search within results, a click) sees the state the
    // statements leave.
    void deferredWritesAreSeenByEveryReader() {
        Folders folders(engine, MixedSources(13), MixedNotes(13));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        const QString working = mem.workingCopy();
        engine.holdPendingWrites(true);
        const auto release = qScopeGuard([this] { engine.holdPendingWrites(false); });

        // A statement-path search right after a memory search.
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("发,a,热"), false));
        mem.engine = nullptr;
        QVERIFY(!searchBoth(ref, mem, Category::Pathology, QStringLiteral("咳,a"), true));
        mem.engine = &engine;
        compareFiles(ref, mem, QStringLiteral("statements after memory"));

        // A search within results and a click right after a memory search.
        QVERIFY(searchBoth(ref, mem, Category::Herbs, QStringLiteral("痛,b,'"), false));
        QVERIFY(searchBoth(ref, mem, Category::Herbs, QStringLiteral("b"), true));
        QVERIFY(!mem.fields.resultList.isEmpty());
        QVERIFY(clickBoth(ref, mem, mem.fields.resultList.constLast()));
        QVERIFY(searchBoth(ref, mem, Category::ExpertCases, QStringLiteral("a,c"), false));
        QVERIFY(clickBoth(ref, mem, mem.fields.resultList.constFirst()));
        // The clicks were shown while the writes wait; another reader waits for them.
        engine.holdPendingWrites(false);
        compareFiles(ref, mem, QStringLiteral("within and click after memory"));
        engine.holdPendingWrites(true);

        // Another connection waits on the lock until the writes are done, then reads the state
        // the statements leave.
        QVERIFY(searchBoth(ref, mem, Category::Formulas, QStringLiteral("甘草,人参"), false));
        QVERIFY(searchBoth(ref, mem, Category::Formulas, QStringLiteral("甘草"), true));
        QStringList seen;
        std::atomic<bool> done = false;
        std::thread reader([&] {
            seen = DatabaseState(working, kDatabasePassword);
            done = true;
        });
        QThread::msleep(500);
        const bool readBeforeTheWrites = done;
        engine.holdPendingWrites(false);
        reader.join();
        QVERIFY(!readBeforeTheWrites);
        QCOMPARE(seen, DatabaseState(ref.workingCopy(), kDatabasePassword));
    }

    // Writes behind a list that fail (the disk is full) leave the working copy as it was before
    // them, never half-written. The list they belonged to is not in the file: a click on it or a
    // search within it says the result cannot be read rather than show rows of another list, other
    // categories go on, and a new search writes everything again.
    void failedWritesLeaveTheEarlierState() {
        // Numbers that decide the order, so that the list is shown before the writes.
        KnowledgeSources sources = MixedSources(15);
        for (size_t i = 0; i < sources.bing.size(); ++i)
            sources.bing[i].number = qint64(i) + 1;
        Folders folders(engine, sources, MixedNotes(15));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        const QString working = mem.workingCopy();
        const KnowledgeCategory& bing = *CategoryFor(Category::Pathology);

        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("不存在"), false));
        engine.finishPendingWrites();
        const QStringList before = DatabaseState(working, kDatabasePassword);

        // The file cannot grow: the copy of a longer result table fails part-way, after the
        // counts of the base table were written. A page cache of a few pages sends changed
        // pages to the file before the failure.
        engine.pendingWrites().setBeforeEachJob([](SqlConnection& db) {
            SqlStatement pages = db.prepare(QStringLiteral("PRAGMA page_count"));
            QVERIFY(pages.step());
            db.exec(QStringLiteral("PRAGMA cache_size=2; PRAGMA max_page_count=%1")
                        .arg(pages.integer(0)));
        });
        const auto noHook = qScopeGuard([this] { engine.pendingWrites().setBeforeEachJob({}); });
        engine.holdPendingWrites(true);
        const auto release = qScopeGuard([this] { engine.holdPendingWrites(false); });
        const QString common = QStringLiteral("发,热,a");
        for (Side* side : {&ref, &mem}) {
            side->fields.selected = Category::Pathology;
            side->fields.keywordBox = common;
            act(*side, [&](SearchFields& f) {
                KeywordSearch(f, side->engine).NewSearch();
                return true;
            });
        }
        QCOMPARE(mem.fields.resultList, ref.fields.resultList);
        QVERIFY(mem.fields.resultList.size() > 20);
        // While the writes are pending a click is answered from memory, as the list showed it.
        QVERIFY(clickBoth(ref, mem, mem.fields.resultList.constFirst()));
        QVERIFY(!engine.resultsLost(bing));

        engine.finishPendingWrites();
        QVERIFY(engine.resultsLost(bing));
        QCOMPARE(DatabaseState(working, kDatabasePassword), before);
        {
            SqlConnection db;
            db.open(working, kDatabasePassword);
            SqlStatement check = db.prepare(QStringLiteral("PRAGMA integrity_check"));
            QVERIFY(check.step());
            QCOMPARE(check.text(0), QStringLiteral("ok"));
        }
        QVERIFY(!QFile::exists(working + QStringLiteral("-journal")));

        // A click and a search within the list that was lost say so, and show nothing else.
        const QString body = mem.fields.recordBody;
        const Outcome click = act(mem, [&](SearchFields& f) {
            return RecordDisplay(f, &engine).ListClick(f.resultList.constLast());
        });
        QVERIFY(!click.clickResult);
        QCOMPARE(click.messages.size(), 1);
        QCOMPARE(click.messages.constFirst().prompt, kCannotReadResult);
        QCOMPARE(mem.fields.recordBody, body);
        mem.fields.keywordBox = QStringLiteral("热");
        const Outcome within = act(mem, [&](SearchFields& f) {
            KeywordSearch(f, &engine).SearchWithinResults();
            return true;
        });
        QCOMPARE(within.messages.size(), 1);
        QCOMPARE(within.messages.constFirst().prompt, kCannotReadResult);
        QVERIFY(mem.fields.resultList.isEmpty());
        QCOMPARE(DatabaseState(working, kDatabasePassword), before);

        // Another category and a new search are written as the statements write them.
        engine.pendingWrites().setBeforeEachJob(
            [](SqlConnection& db) { db.exec(QStringLiteral("PRAGMA max_page_count=1073741823")); });
        engine.holdPendingWrites(false);
        QVERIFY(searchBoth(ref, mem, Category::Formulas, QStringLiteral("甘"), false));
        QVERIFY(searchBoth(ref, mem, Category::Pathology, common, false));
        QVERIFY(!engine.resultsLost(bing));
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("热"), true));
        QVERIFY(clickBoth(ref, mem, mem.fields.resultList.constLast()));
        compareFiles(ref, mem, QStringLiteral("after a failed write"));
    }

    // Deferred writes wait for a reader; the searches made meanwhile take the place of the
    // writes they make moot: one write per table is left, a new search of a category drops
    // the result table's writes of the earlier one, counts set back to what the file holds are
    // not written, and a reader then finds the state the statements leave.
    void laterSearchesReplaceDeferredWrites() {
        Folders folders(engine, NumberedSources(17), MixedNotes(17));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        const KnowledgeCategory& bing = *CategoryFor(Category::Pathology);
        const KnowledgeCategory& yao = *CategoryFor(Category::Herbs);
        const auto undefer = deferWrites();
        const auto writesOf = [this](const QString& table) {
            std::vector<PendingWrites::Write> of;
            for (PendingWrites::Write& w : engine.pendingWrites().queued())
                if (w.table == table)
                    of.push_back(std::move(w));
            return of;
        };

        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("发,热"), false));
        QCOMPARE(writesOf(bing.baseTable).size(), size_t(1));
        const CountChanges first = writesOf(bing.baseTable).front().counts;
        QVERIFY(!first.empty());
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("a"), true));
        QCOMPARE(writesOf(bing.resultTable).size(), size_t(2)); // made, then counted
        QVERIFY(searchBoth(ref, mem, Category::Herbs, QStringLiteral("痛"), false));
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("咳"), false));
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("b"), true));
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("脉"), true));
        // One write of counts per table, the result table made once and counted once.
        QCOMPARE(writesOf(bing.baseTable).size(), size_t(1));
        QCOMPARE(writesOf(bing.resultTable).size(), size_t(2));
        QVERIFY(writesOf(bing.resultTable).front().remakes);
        QVERIFY(!writesOf(bing.resultTable).back().remakes);
        QCOMPARE(writesOf(yao.baseTable).size(), size_t(1));
        QCOMPARE(writesOf(yao.resultTable).size(), size_t(1));

        // The first keywords again: what is left to write of the base table is what the first
        // search left, and the result table's counts went with the list they counted.
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("发,热"), false));
        const std::vector<PendingWrites::Write> base = writesOf(bing.baseTable);
        QCOMPARE(base.size(), size_t(1));
        QVERIFY(base.front().counts.size() == first.size());
        QVERIFY(std::equal(first.begin(), first.end(), base.front().counts.begin(),
                           [](const auto& a, const auto& b) {
                               return a.first == b.first && a.second.count == b.second.count &&
                                      a.second.before == b.second.before;
                           }));
        QCOMPARE(writesOf(bing.resultTable).size(), size_t(1));

        // Nothing was written meanwhile: another connection waits on the lock. A reader of the
        // program gets the state the statements leave.
        QVERIFY(clickBoth(ref, mem, mem.fields.resultList.constFirst()));
        QVERIFY(!engine.pendingWrites().queued().empty());
        engine.finishPendingWrites();
        QVERIFY(engine.pendingWrites().queued().empty());
        compareFiles(ref, mem, QStringLiteral("deferred writes, replaced"));
    }

    // A reader off the window's thread has the deferred writes done by the writing thread: it
    // may stop waiting at once and they are written all the same, as the statements leave the
    // file; the searches after them are deferred again.
    void deferredWritesWrittenBehindOnRequest() {
        Folders folders(engine, NumberedSources(19), MixedNotes(19));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        const QString working = mem.workingCopy();
        const auto undefer = deferWrites();

        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("发,热"), false));
        QVERIFY(searchBoth(ref, mem, Category::Herbs, QStringLiteral("痛"), false));
        QVERIFY(!engine.pendingWrites().queued().empty());
        const bool waited = engine.writePendingWritesOf(working, [] { return true; });
        QVERIFY(!waited || !engine.pendingWrites().busy());
        QTRY_VERIFY(!engine.pendingWrites().busy());
        compareFiles(ref, mem, QStringLiteral("written behind on request"));

        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("咳"), true));
        QTest::qWait(100);
        QVERIFY(!engine.pendingWrites().queued().empty());
        QVERIFY(engine.writePendingWritesOf(working, [] { return false; }));
        QVERIFY(!engine.pendingWrites().busy());
        compareFiles(ref, mem, QStringLiteral("written behind, waited for"));
    }

    // Pending writes abandoned (the program's end) leave the working copy as it was before
    // them, also when one of them is under way; their lists count as lost, and a new search
    // writes everything again.
    void abandonedWritesLeaveTheEarlierState() {
        Folders folders(engine, NumberedSources(18), MixedNotes(18));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        const QString working = mem.workingCopy();
        const KnowledgeCategory& bing = *CategoryFor(Category::Pathology);
        const auto checkEarlierState = [&](const QStringList& before) {
            QCOMPARE(DatabaseState(working, kDatabasePassword), before);
            SqlConnection db;
            db.open(working, kDatabasePassword);
            SqlStatement check = db.prepare(QStringLiteral("PRAGMA integrity_check"));
            QVERIFY(check.step());
            QCOMPARE(check.text(0), QStringLiteral("ok"));
            QVERIFY(!QFile::exists(working + QStringLiteral("-journal")));
        };

        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("发"), false));
        engine.finishPendingWrites();
        const QStringList before = DatabaseState(working, kDatabasePassword);

        // Deferred: nothing was written.
        const auto undefer = deferWrites();
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("热,a"), false));
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("a"), true));
        QVERIFY(searchBoth(ref, mem, Category::Formulas, QStringLiteral("甘草"), false));
        engine.abandonPendingWrites();
        QVERIFY(engine.pendingWrites().queued().empty());
        checkEarlierState(before);
        QVERIFY(engine.resultsLost(bing));
        const Outcome click = act(mem, [&](SearchFields& f) {
            return RecordDisplay(f, &engine).ListClick(f.resultList.constLast());
        });
        QVERIFY(!click.clickResult);
        QCOMPARE(click.messages.size(), 1);
        QCOMPARE(click.messages.constFirst().prompt, kCannotReadResult);

        // Behind: a write under way is stopped. The hook keeps the writing thread in a
        // statement that only the stop ends.
        engine.deferPendingWrites(false);
        std::atomic<bool> writing = false;
        engine.pendingWrites().setBeforeEachJob([&writing](SqlConnection& db) {
            writing = true;
            db.exec(QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM "
                                   "n) SELECT count(*) FROM n"));
        });
        const auto noHook = qScopeGuard([this] { engine.pendingWrites().setBeforeEachJob({}); });
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("咳,热"), false));
        QTRY_VERIFY(writing.load());
        engine.abandonPendingWrites();
        checkEarlierState(before);
        QVERIFY(engine.resultsLost(bing));
        engine.pendingWrites().setBeforeEachJob({});

        // A new search of each category writes as the statements write.
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("咳,热"), false));
        QVERIFY(!engine.resultsLost(bing));
        QVERIFY(searchBoth(ref, mem, Category::Formulas, QStringLiteral("甘草"), false));
        QVERIFY(searchBoth(ref, mem, Category::Pathology, QStringLiteral("a"), true));
        QVERIFY(clickBoth(ref, mem, mem.fields.resultList.constLast()));
        engine.finishPendingWrites();
        compareFiles(ref, mem, QStringLiteral("after abandoned writes"));
    }

    // A table whose text would not fit in memory is counted by the statements, with the same
    // outcome.
    void tooLargeForMemoryRunsTheStatements() {
        Folders folders(engine, MixedSources(14), MixedNotes(14));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        TableImage::SetImageMemoryLimit(1024);
        const auto restore = qScopeGuard([] { TableImage::SetImageMemoryLimit(0); });
        QVERIFY(!searchBoth(ref, mem, Category::Pathology, QStringLiteral("发,a"), false));
        QVERIFY(!searchBoth(ref, mem, Category::Pathology, QStringLiteral("热"), true));
        QVERIFY(!mem.fields.resultList.isEmpty());
        clickBoth(ref, mem, mem.fields.resultList.constFirst());
        compareFiles(ref, mem, QStringLiteral("too large"));
    }

    // One pass for all keywords counts what one search per keyword counts.
    void matcherCountsLikeOneSearchPerKeyword() {
        std::mt19937 rng(17);
        const QStringList pieces{QStringLiteral("发"), QStringLiteral("热"), QStringLiteral("a"),
                                 QStringLiteral("'"),  QStringLiteral("%"),  QStringLiteral("咳嗽"),
                                 QStringLiteral("\\"), QStringLiteral(" ")};
        const auto random = [&](int most) {
            QString out;
            for (int n = std::uniform_int_distribution<int>(0, most)(rng); n > 0; --n)
                out +=
                    pieces.at(std::uniform_int_distribution<int>(0, int(pieces.size()) - 1)(rng));
            return out.toStdString();
        };
        for (int round = 0; round < 3000; ++round) {
            std::vector<std::string> needles;
            for (int n = std::uniform_int_distribution<int>(0, 5)(rng); n > 0; --n)
                needles.push_back(random(3));
            if (!needles.empty() && round % 5 == 0)
                needles.push_back(needles.front()); // listed twice, counted twice
            const KeywordMatcher matcher(needles);
            KeywordMatcher::Scratch scratch(matcher);
            for (int text = 0; text < 5; ++text) {
                const std::string body = random(120);
                int expected = 0;
                for (const std::string& needle : needles)
                    if (!needle.empty() && body.find(needle) != std::string::npos)
                        ++expected;
                QCOMPARE(matcher.count(body, scratch), expected);
            }
        }
    }

    // Without the databases both paths fail alike: one notice per statement that could not run.
    void missingDatabasesFailAlike() {
        KnowledgeSources sources = MixedSources(8);
        Folders folders(engine, sources, MixedNotes(8));
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        // The file goes while the search's writes still wait.
        engine.holdPendingWrites(true);
        const auto release = qScopeGuard([this] { engine.holdPendingWrites(false); });
        QVERIFY(searchBoth(ref, mem, Category::Formulas, QStringLiteral("发"), false));
        for (const Side* side : {&ref, &mem})
            QVERIFY(QFile::remove(side->workingCopy()));
        const qsizetype before = messages.shown.size();
        QVERIFY(!searchBoth(ref, mem, Category::Formulas, QStringLiteral("发,热"), false));
        QVERIFY(!searchBoth(ref, mem, Category::Formulas, QStringLiteral("发"), true));
        QVERIFY(!clickBoth(ref, mem, QStringLiteral("题1")));
        QVERIFY(messages.count(kOpenFailureNotice) > 0);
        QVERIFY(messages.shown.size() > before);
    }

    // Keyed files of the earlier, smaller page size still open and search alike.
    void olderPageSizeStillOpens() {
        SetCipherPageSizeForNewFiles(kLegacyCipherPageSize);
        Folders folders(engine, MixedSources(9), MixedNotes(9),
                        [&](const QString&) { SetCipherPageSizeForNewFiles(kCipherPageSize); });
        Side& ref = folders.ref;
        Side& mem = folders.mem;
        QVERIFY(searchBoth(ref, mem, Category::Herbs, QStringLiteral("发,a"), false));
        QVERIFY(searchBoth(ref, mem, Category::Herbs, QStringLiteral("热"), true));
        compareFiles(ref, mem, QStringLiteral("1 KB pages"));
        SqlConnection wrong;
        QVERIFY_THROWS_EXCEPTION(DbError, wrong.open(mem.workingCopy(), QStringLiteral("x")));
    }

    // The in-tree sample always; the full classical texts when they are beside the project.
    void classicalTextsMatchTheStatements_data() {
        QTest::addColumn<QString>("corpus");
        const QString classics = ClassicsFolder();
        if (classics.isEmpty())
            qWarning("the classical texts are not in ../shared/data/classics: "
                     "only the in-tree sample is searched");
        QTest::newRow("sample") << SampleClassicsFolder();
        QTest::newRow("classics") << classics;
    }

    void classicalTextsMatchTheStatements() {
        QFETCH(QString, corpus);
        if (corpus.isEmpty())
            QSKIP("the classical texts are not in ../shared/data/classics");
        runSequence(ReadKnowledgeSources(corpus), MixedNotes(7), 7, 40);
    }
};

QTEST_GUILESS_MAIN(FastSearchTest)
#include "tst_fast_search.moc"
