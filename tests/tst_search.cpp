// The keyword search on real database files: counting, ranking, searching within results,
// the failure paths, and a comparison with an independent count on the classical texts.
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/modado.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "test_support.h"

#include <QFile>
#include <QtTest>

#include <algorithm>
#include <optional>

using namespace meridane;
using namespace meridane::test;

namespace {

KnowledgeSources SmallSources() {
    KnowledgeSources s;
    s.bing = {
        Rec(1, QStringLiteral("感冒"), QStringLiteral("恶寒发热，头痛，鼻塞")),
        Rec(2, QStringLiteral("咳嗽"), QStringLiteral("咳嗽痰多，发热")),
        Rec(3, QStringLiteral("头痛"), QStringLiteral("头痛眩晕，头痛欲裂")),
        Rec(4, QString(), QStringLiteral("发热头痛")),
        Rec(5, QStringLiteral("泄泻"), QStringLiteral("大便溏薄")),
        Rec(6, QStringLiteral("咳嗽"), QStringLiteral("久咳，发热，头痛")),
        Rec(7, QStringLiteral("百分"), QStringLiteral("含量50%以上")),
        Rec(8, QStringLiteral("下划线"), QStringLiteral("写作a_c")),
        Rec(9, QStringLiteral("引号"), QStringLiteral("it's here")),
        Rec(10, QStringLiteral("五十"), QStringLiteral("约50个")),
        Rec(11, QStringLiteral("字母"), QStringLiteral("abc only")),
        Rec(12, QStringLiteral("反斜"), QStringLiteral("路径a\\b")),
    };
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("甘微苦，微温。大补元气。")),
             Rec(2, QStringLiteral("黄连"), QStringLiteral("苦寒。清热燥湿。"))};
    s.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("人参 白术 茯苓 甘草"),
                 QStringLiteral("补气 人参 白术 茯苓 甘草")),
             Rec(2, QStringLiteral("理中丸"), QStringLiteral("人参 干姜 白术 甘草"),
                 QStringLiteral("温中 人参 干姜"))};
    s.yishu1 = {Rec(1, QStringLiteral("中风案"), QStringLiteral("口眼歪斜"),
                    QStringLiteral("中风 口眼歪斜")),
                Rec(2, QStringLiteral("中风案"), QStringLiteral("半身不遂"),
                    QStringLiteral("中风 半身不遂"))};
    return s;
}

std::vector<SourceRecord> SmallNotes() {
    return {Rec(1, QStringLiteral("读书笔记"), QStringLiteral("四君子汤补气，六君子汤化痰")),
            Rec(2, QStringLiteral("门诊记录"), QStringLiteral("患者发热三日")),
            Rec(3, QStringLiteral("方歌"), QStringLiteral("补气四君，化痰二陈"))};
}

// (编号, 相符个数) of every row of table, in 编号 order.
QList<QPair<qint64, qint64>> Counts(const QString& connection, const QString& table) {
    QList<QPair<qint64, qint64>> rows;
    ReadRows(connection, QStringLiteral("SELECT 编号, 相符个数 FROM %1 ORDER BY 编号").arg(table),
             [&](const SqlStatement& r) {
                 rows.append({r.integer(0), r.integer(1)});
             });
    return rows;
}

bool TableExists(const QString& connection, const QString& table) {
    bool found = false;
    ReadRows(connection,
             QStringLiteral("SELECT name FROM sqlite_master WHERE name='%1'").arg(table),
             [&](const SqlStatement&) { found = true; });
    return found;
}

} // namespace

class SearchTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine memoryEngine;
    SearchFields fields;
    bool lastInMemory = false;

    // Every case runs on both search paths (the global data below): the statements alone, or
    // the in-memory search first.
    SearchEngine* engine() {
        QFETCH_GLOBAL(bool, inMemory);
        return inMemory ? &memoryEngine : nullptr;
    }

    void search(Option option, const QString& keywords, bool within = false) {
        fields.selected = option;
        fields.keywordBox = keywords;
        KeywordSearch s(fields, engine());
        within ? s.Command2Click() : s.Command1Click();
        lastInMemory = s.lastSearchInMemory();
        if (!engine())
            QVERIFY(!lastInMemory);
    }

private slots:
    void initTestCase_data() {
        QTest::addColumn<bool>("inMemory");
        QTest::newRow("statements") << false;
        QTest::newRow("in memory") << true;
    }

    void init() {
        fields = SearchFields();
        lastInMemory = false;
    }

    void splitting_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("pieces");
        QTest::newRow("one") << QStringLiteral("发热") << QStringList{QStringLiteral("发热")};
        QTest::newRow("full-width") << QStringLiteral("发热，头痛")
                                    << QStringList{QStringLiteral("发热"), QStringLiteral("头痛")};
        QTest::newRow("ascii") << QStringLiteral("发热,头痛")
                               << QStringList{QStringLiteral("发热"), QStringLiteral("头痛")};
        QTest::newRow("blanks kept")
            << QStringLiteral(" 发热 ， 头痛")
            << QStringList{QStringLiteral(" 发热 "), QStringLiteral(" 头痛")};
        QTest::newRow("empty pieces")
            << QStringLiteral("，发热,,")
            << QStringList{QString(), QStringLiteral("发热"), QString(), QString()};
        QTest::newRow("other commas do not split")
            << QStringLiteral("发热、头痛;咳嗽") << QStringList{QStringLiteral("发热、头痛;咳嗽")};
    }

    void splitting() {
        QFETCH(QString, box);
        QFETCH(QStringList, pieces);
        fields.keywordBox = box;
        fields.currentKeyword = QStringLiteral("old");
        KeywordSearch(fields, engine()).op1();
        QCOMPARE(fields.keywordList, pieces);
        QVERIFY(fields.currentKeyword.isEmpty());
        // An empty box leaves the list as it was.
        fields.keywordBox.clear();
        KeywordSearch(fields, engine()).op1();
        QCOMPARE(fields.keywordList, pieces);
    }

    void countsAndRanks() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources());
        search(Option::Option3, QStringLiteral("发热，头痛"));
        // Rows 1, 4, 6 have both words, 2 and 3 one; 4 has no title and is not listed.
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("感冒"), QStringLiteral("咳嗽"),
                                                 QStringLiteral("咳嗽"), QStringLiteral("头痛")}));
        QCOMPARE(fields.statusLine, QStringLiteral("共有4条记录"));
        QCOMPARE(fields.hitCounter, QStringLiteral("4"));
        QVERIFY(fields.recordBody.isEmpty());
        QCOMPARE(fields.keywordList, QStringList({QStringLiteral("发热"), QStringLiteral("头痛")}));
        const QString k = KnowledgeConnectionString();
        QCOMPARE(Counts(k, QStringLiteral("bing2")),
                 (QList<QPair<qint64, qint64>>{{1, 2}, {2, 1}, {3, 1}, {4, 2}, {6, 2}}));
        QCOMPARE(Counts(k, QStringLiteral("bing")).at(4), (QPair<qint64, qint64>{5, 0}));
        QVERIFY(messages.shown.isEmpty());
    }

    void repeatedKeywordCountsTwiceButOncePerRow() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources());
        search(Option::Option3, QStringLiteral("头痛,头痛"));
        const auto counts = Counts(KnowledgeConnectionString(), QStringLiteral("bing2"));
        // Row 3 holds "头痛" twice: still 2, one per list entry.
        QCOMPARE(counts, (QList<QPair<qint64, qint64>>{{1, 2}, {3, 2}, {4, 2}, {6, 2}}));
    }

    void blanksBelongToTheKeyword() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources());
        search(Option::Option3, QStringLiteral("咳嗽， 头痛"));
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("咳嗽")}));
    }

    void commasOnly() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources(), SmallNotes());
        search(Option::Option3, QStringLiteral("，,"));
        QVERIFY(fields.resultList.isEmpty());
        QCOMPARE(fields.statusLine, QStringLiteral("没有找到您所需的资料！"));
        QCOMPARE(fields.keywordList, QStringList({QString(), QString(), QString()}));
        QVERIFY(Counts(KnowledgeConnectionString(), QStringLiteral("bing2")).isEmpty());

        // Within results no reset runs: the previous result is listed again.
        search(Option::Option3, QStringLiteral("鼻塞"));
        search(Option::Option3, QStringLiteral(",,"), true);
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("感冒")}));

        // ...except in the personal category, whose reset always runs.
        search(Option::Option5, QStringLiteral("补气"));
        QCOMPARE(fields.resultList.size(), 2);
        search(Option::Option5, QStringLiteral(","), true);
        QVERIFY(fields.resultList.isEmpty());
        QCOMPARE(fields.statusLine, QStringLiteral("没有找到您所需的资料！"));
        QVERIFY(messages.shown.isEmpty());
    }

    void withinResultsReranksAndReplaces() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources());
        search(Option::Option3, QStringLiteral("发热，头痛"));
        search(Option::Option3, QStringLiteral("鼻塞"), true);
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("感冒")}));
        QCOMPARE(fields.statusLine, QStringLiteral("共有1条记录"));
        // The second search within results starts again from the new search's rows.
        search(Option::Option3, QStringLiteral("眩晕，久咳"), true);
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("头痛"), QStringLiteral("咳嗽")}));
        // Rows without a hit stay in the result table with count 0.
        QCOMPARE(Counts(KnowledgeConnectionString(), QStringLiteral("bing2")),
                 (QList<QPair<qint64, qint64>>{{1, 0}, {2, 0}, {3, 1}, {4, 0}, {6, 1}}));
        // A row outside the new search's result is never found within it.
        search(Option::Option3, QStringLiteral("大便"), true);
        QVERIFY(fields.resultList.isEmpty());
    }

    void emptyKeywordBox() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources());
        search(Option::Option3, QStringLiteral("发热"));
        int focused = 0;
        fields.keywordBox.clear();
        KeywordSearch s(fields, engine());
        s.focusKeywordBox = [&] { ++focused; };
        s.Command1Click();
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].prompt, QStringLiteral("您没有输入关键字！"));
        QCOMPARE(messages.shown[0].title, QStringLiteral("注意！"));
        QCOMPARE(messages.shown[0].flags, 0);
        QCOMPARE(focused, 1);
        QVERIFY(fields.resultList.isEmpty());
        QVERIFY(fields.keywordList.isEmpty());
        QCOMPARE(fields.statusLine, QStringLiteral("没有找到您所需的资料！"));
        QCOMPARE(fields.hitCounter, QStringLiteral("0"));
        // The database was not touched: the previous result table is still there.
        QCOMPARE(Counts(KnowledgeConnectionString(), QStringLiteral("bing2")).size(), 4);
    }

    void missingResultTable() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources());
        fields.statusLine = QStringLiteral("共有9条记录");
        fields.hitCounter = QStringLiteral("9");
        search(Option::Option2, QStringLiteral("人参"), true);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].prompt, QStringLiteral("没有找到您所需的资料！"));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Meridane"));
        QCOMPARE(fields.statusLine, QStringLiteral("共有9条记录"));
        QCOMPARE(fields.hitCounter, QStringLiteral("9"));
        // A new search on the fresh database makes the table, despite its failed drop.
        search(Option::Option2, QStringLiteral("元气"));
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("人参")}));
        QCOMPARE(messages.shown.size(), 1);
    }

    void missingKnowledgeFile() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources(), SmallNotes());
        QVERIFY(QFile::remove(WorkingCopyPath()));
        fields.statusLine = QStringLiteral("before");
        search(Option::Option1, QStringLiteral("人参，甘草"));
        // reset, two increments, drop and copy each try to open; then the read fails.
        QCOMPARE(messages.count(kOpenFailureNotice), 5);
        for (const ShownMessage& m : std::as_const(messages.shown))
            QCOMPARE(m.flags, 0);
        QCOMPARE(messages.shown.last().prompt, QStringLiteral("没有找到您所需的资料！"));
        QCOMPARE(messages.shown.last().title, QStringLiteral("Meridane"));
        QCOMPARE(messages.shown.size(), 6);
        QCOMPARE(fields.statusLine, QStringLiteral("before"));
        QVERIFY(!QFile::exists(WorkingCopyPath()));
        // The personal category does not need the knowledge database.
        messages.shown.clear();
        search(Option::Option5, QStringLiteral("发热"));
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("门诊记录")}));
        QVERIFY(messages.shown.isEmpty());
    }

    // A file that is not a database (an empty one too), or a working copy or personal database
    // that cannot be written, cannot be searched: each statement shows the open-failure notice
    // and the read ends the search, as for a missing file.
    void unusableFilesShowTheOpenFailureNotice_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("emptied"); // else made unwritable
        QTest::newRow("empty working copy") << QStringLiteral("msjic.dll") << true;
        QTest::newRow("empty stored database") << QStringLiteral("sound/bk6.mp3") << true;
        QTest::newRow("empty personal database") << QStringLiteral("msjic") << true;
        QTest::newRow("working copy not writable") << QStringLiteral("msjic.dll") << false;
        QTest::newRow("personal database not writable") << QStringLiteral("msjic") << false;
    }

    void unusableFilesShowTheOpenFailureNotice() {
        QFETCH(QString, file);
        QFETCH(bool, emptied);
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources(), SmallNotes());
        const QString path = folder.path() + QLatin1Char('/') + file;
        std::optional<UnwritableFile> locked;
        if (emptied) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        } else {
            locked.emplace(path);
            if (!locked->unwritable())
                QSKIP("this file system cannot make a file unwritable");
        }
        if (file == QStringLiteral("sound/bk6.mp3"))
            QVERIFY(MakeWorkingCopy()); // as every start does
        const bool personal = file == QStringLiteral("msjic");
        const Option option = personal ? Option::Option5 : Option::Option1;
        fields.statusLine = QStringLiteral("before");
        search(option, QStringLiteral("人参，补气"));
        // reset, two increments, drop and copy; then the read fails.
        QCOMPARE(messages.count(kOpenFailureNotice), 5);
        QCOMPARE(messages.shown.size(), 6);
        QCOMPARE(messages.shown.last().prompt, kNothingFound);
        QCOMPARE(messages.shown.last().title, QStringLiteral("Meridane"));
        QCOMPARE(fields.statusLine, QStringLiteral("before"));
        messages.shown.clear();
        search(option, QStringLiteral("人参"), true);
        QCOMPARE(messages.count(kOpenFailureNotice), 2); // reset and increment
        QCOMPARE(messages.shown.size(), 3);
        // The other database is searched as before.
        messages.shown.clear();
        search(personal ? Option::Option1 : Option::Option5, QStringLiteral("补气"));
        QCOMPARE(fields.resultList.size(), personal ? 1 : 2);
        QVERIFY(messages.shown.isEmpty());
    }

    // The stored knowledge database is only read: a read-only one is normal.
    void readOnlyStoredDatabase() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources(), SmallNotes());
        UnwritableFile locked(StoredKnowledgePath());
        QVERIFY(MakeWorkingCopy());
        SqlConnection stored;
        stored.open(StoredKnowledgePath(), kDatabasePassword);
        stored.close();
        search(Option::Option1, QStringLiteral("人参"));
        QCOMPARE(fields.resultList.size(), 2);
        QVERIFY(messages.shown.isEmpty());
    }

    void keywordsMatchLiterally_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("apostrophe")
            << QStringLiteral("it's") << QStringList{QStringLiteral("引号")};
        QTest::newRow("percent") << QStringLiteral("50%") << QStringList{QStringLiteral("百分")};
        QTest::newRow("percent alone")
            << QStringLiteral("%") << QStringList{QStringLiteral("百分")};
        QTest::newRow("underscore")
            << QStringLiteral("a_c") << QStringList{QStringLiteral("下划线")};
        QTest::newRow("backslash") << QStringLiteral("a\\b") << QStringList{QStringLiteral("反斜")};
        QTest::newRow("bracket") << QStringLiteral("[a]") << QStringList{};
        QTest::newRow("quote only") << QStringLiteral("'") << QStringList{QStringLiteral("引号")};
        // A NUL is one more character, which no text holds.
        QTest::newRow("NUL alone") << QString(QChar(0)) << QStringList{};
        QTest::newRow("NUL inside")
            << QStringLiteral("50") + QChar(0) + QStringLiteral("个") << QStringList{};
        QTest::newRow("NUL at the end") << QStringLiteral("abc") + QChar(0) << QStringList{};
    }

    void keywordsMatchLiterally() {
        QFETCH(QString, keyword);
        QFETCH(QStringList, titles);
        ScriptedMessages messages;
        // The notes hold the same rows: the personal file's statements are checked too.
        std::vector<SourceRecord> notes;
        for (const SourceRecord& r : SmallSources().bing)
            if (r.number >= 7)
                notes.push_back(r);
        TempProgramFolder folder(SmallSources(), notes);
        search(Option::Option3, keyword);
        QCOMPARE(fields.resultList, titles);
        QCOMPARE(lastInMemory, engine() != nullptr);
        search(Option::Option3, QStringLiteral("以上,a,'"));
        search(Option::Option3, keyword, true);
        QCOMPARE(fields.resultList, titles);
        QCOMPARE(lastInMemory, engine() != nullptr);
        // The same keyword in the personal category, whose statements run on the other file.
        search(Option::Option5, keyword);
        QCOMPARE(fields.resultList, titles);
        search(Option::Option5, QStringLiteral("以上,a,'"));
        search(Option::Option5, keyword, true);
        QCOMPARE(fields.resultList, titles);
        QVERIFY(messages.shown.isEmpty());
    }

    void eachOptionSearchesItsOwnTables() {
        ScriptedMessages messages;
        TempProgramFolder folder(SmallSources(), SmallNotes());
        search(Option::Option1, QStringLiteral("人参，干姜"));
        QCOMPARE(fields.resultList,
                 QStringList({QStringLiteral("理中丸"), QStringLiteral("四君子汤")}));
        // 方剂 searches 关键字, not the body: 理中丸 has "白术" only in its body.
        search(Option::Option1, QStringLiteral("温中,白术"));
        QCOMPARE(fields.resultList,
                 QStringList({QStringLiteral("四君子汤"), QStringLiteral("理中丸")}));
        search(Option::Option1, QStringLiteral("干姜"), true);
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("理中丸")}));
        search(Option::Option2, QStringLiteral("苦"));
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("人参"), QStringLiteral("黄连")}));
        search(Option::Option6, QStringLiteral("半身"));
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("中风案")}));
        search(Option::Option6, QStringLiteral("中风"));
        QCOMPARE(fields.resultList.size(), 2);
        search(Option::Option6, QStringLiteral("口眼"), true);
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("中风案")}));
        search(Option::Option5, QStringLiteral("化痰，补气"));
        QCOMPARE(fields.resultList,
                 QStringList({QStringLiteral("读书笔记"), QStringLiteral("方歌")}));
        search(Option::Option5, QStringLiteral("四君"), true);
        QCOMPARE(fields.resultList,
                 QStringList({QStringLiteral("读书笔记"), QStringLiteral("方歌")}));
        search(Option::Option5, QStringLiteral("二陈"), true);
        QCOMPARE(fields.resultList, QStringList({QStringLiteral("方歌")}));
        // The hidden Option4 selects nothing.
        const SearchFields before = fields;
        search(Option::Option4, QStringLiteral("人参"));
        QCOMPARE(fields.resultList, before.resultList);
        // Each category keeps its own result table.
        QCOMPARE(Counts(KnowledgeConnectionString(), QStringLiteral("An2")).size(), 2);
        QVERIFY(!TableExists(KnowledgeConnectionString(), QStringLiteral("bing2")));
        QVERIFY(TableExists(PersonalConnectionString(), QStringLiteral("me2")));
        QVERIFY(messages.shown.isEmpty());
    }

    // The in-tree sample always; the full classical texts when they are beside the project.
    void classicalTextsMatchAnIndependentCount_data() {
        QTest::addColumn<QString>("corpus");
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("keywords");
        const QString classics = ClassicsFolder();
        if (classics.isEmpty())
            qWarning("the classical texts are not in ../shared/data/classics: "
                     "only the in-tree sample is searched");
        for (const QString& corpus : {SampleClassicsFolder(), classics}) {
            const QString name =
                corpus == classics ? QStringLiteral("classics ") : QStringLiteral("sample ");
            const auto row = [&](const QString& caption) -> QTestData& {
                return QTest::newRow(qPrintable(name + caption)) << corpus;
            };
            row(QStringLiteral("方剂"))
                << int(Option::Option1) << QStringLiteral("人参，甘草,桂枝");
            row(QStringLiteral("中药"))
                << int(Option::Option2) << QStringLiteral("主治，味苦,,无毒");
            row(QStringLiteral("病理"))
                << int(Option::Option3) << QStringLiteral("风邪，发热，风邪");
            row(QStringLiteral("专家医案")) << int(Option::Option6) << QStringLiteral("脉弦，脉数");
        }
    }

    void classicalTextsMatchAnIndependentCount() {
        QFETCH(QString, corpus);
        if (corpus.isEmpty())
            QSKIP("the classical texts are not in ../shared/data/classics");
        QFETCH(int, option);
        QFETCH(QString, keywords);
        static QHash<QString, KnowledgeSources> read;
        if (!read.contains(corpus))
            read.insert(corpus, ReadKnowledgeSources(corpus));
        const KnowledgeSources& sources = read[corpus];
        ScriptedMessages messages;
        TempProgramFolder folder(sources);
        const Option o = Option(option);
        const std::vector<SourceRecord>& records = o == Option::Option1   ? sources.An1
                                                   : o == Option::Option2 ? sources.yao
                                                   : o == Option::Option3 ? sources.bing
                                                                          : sources.yishu1;
        const bool byKeywords = o == Option::Option1 || o == Option::Option6;
        const QStringList words = SplitKeywords(keywords);
        struct Hit {
            int count;
            qint64 number;
            QString title;
        };
        std::vector<Hit> expected;
        for (const SourceRecord& r : records) {
            const QString& text = byKeywords ? r.keywords : r.text;
            int n = 0;
            for (const QString& w : words)
                n += !w.isEmpty() && text.contains(w);
            if (n > 0 && !r.title.isEmpty())
                expected.push_back({n, r.number, r.title});
        }
        std::stable_sort(expected.begin(), expected.end(), [](const Hit& a, const Hit& b) {
            return a.count != b.count ? a.count > b.count : a.number < b.number;
        });
        QStringList titles;
        for (const Hit& h : expected)
            titles << h.title;
        QVERIFY(titles.size() > 10);

        search(o, keywords);
        QCOMPARE(fields.resultList, titles);
        QCOMPARE(fields.statusLine, QStringLiteral("共有%1条记录").arg(titles.size()));
        QVERIFY(messages.shown.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SearchTest)
#include "tst_search.moc"
