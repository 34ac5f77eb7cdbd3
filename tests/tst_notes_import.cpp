// Importing books and files into the notes and exporting the notes, without a window: the
// encodings told apart, the split rules, JSON Lines and CSV read with their faults placed on
// their lines, unique titles and numbers, the import written all or nothing, and the export
// read back by the import and by meridane-builddb.
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/notes_export.h"
#include "services/notes_import.h"
#include "services/personal_records.h"
#include "services/text_encoding.h"
#include "test_support.h"

#include <QFile>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

// A passage of a classic in its simplified and its traditional form.
const QString kSimplified = QStringLiteral(
    "上古天真论篇第一\n昔在黄帝，生而神灵，弱而能言，幼而徇齐，长而敦敏，成而登天。"
    "乃问于天师曰：余闻上古之人，春秋皆度百岁，而动作不衰；今时之人，年半百而动作皆衰者，"
    "时世异耶？人将失之耶？\n岐伯对曰：上古之人，其知道者，法于阴阳，和于术数，食饮有节，"
    "起居有常，不妄作劳，故能形与神俱，而尽终其天年，度百岁乃去。\n");
const QString kTraditional = QStringLiteral(
    "上古天真論篇第一\n昔在黃帝，生而神靈，弱而能言，幼而徇齊，長而敦敏，成而登天。"
    "乃問於天師曰：余聞上古之人，春秋皆度百歲，而動作不衰；今時之人，年半百而動作皆衰者，"
    "時世異耶？人將失之耶？\n岐伯對曰：上古之人，其知道者，法於陰陽，和於術數，食飲有節，"
    "起居有常，不妄作勞，故能形與神俱，而盡終其天年，度百歲乃去。\n");

QByteArray Bytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QStringList TitlesOf(const std::vector<ImportedNote>& notes) {
    QStringList out;
    for (const ImportedNote& n : notes)
        out << n.title;
    return out;
}

// Every row of me1 in 编号 order: "编号 标题".
QStringList Rows(const QString& file) {
    SqlConnection db;
    db.open(file, QString());
    SqlStatement rows = db.prepare(QStringLiteral("SELECT 编号, 标题 FROM me1 ORDER BY 编号"));
    QStringList out;
    while (rows.step())
        out << rows.text(0) + QLatin1Char(' ') + rows.text(1);
    return out;
}

// The reason and line of the ImportError that parse throws.
template <typename Parse> std::pair<ImportError::Reason, qsizetype> Refusal(Parse parse) {
    try {
        parse();
    } catch (const ImportError& e) {
        return {e.reason(), e.line()};
    }
    return {ImportError::Reason::Empty, -1};
}

std::vector<ImportedNote> Book(int n) {
    std::vector<ImportedNote> notes;
    for (int i = 0; i < n; ++i)
        notes.push_back(
            {QStringLiteral("卷%1").arg(i), QStringLiteral("第%1卷的正文").arg(i), i + 1});
    return notes;
}

} // namespace

Q_DECLARE_METATYPE(meridane::TextEncoding)

class NotesImportTest : public QObject {
    Q_OBJECT

    memory::Engine engine;
    std::unique_ptr<TempProgramFolder> folder;
    QString notes;

private slots:
    void init() {
        folder = std::make_unique<TempProgramFolder>(
            KnowledgeSources{}, std::vector<SourceRecord>{
                                    Rec(3, QStringLiteral("读书笔记"), QStringLiteral("四君子汤")),
                                    Rec(20, QStringLiteral("卷一"), QStringLiteral("旧的卷一"))});
        notes = PersonalDbPath();
    }
    void cleanup() { folder.reset(); }

    // A book is read in the encoding it was written in, whichever of the three it is.
    void encodingsAreToldApart_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << kSimplified.toUtf8() << TextEncoding::Utf8 << kSimplified;
        QTest::newRow("UTF-8 with a byte-order mark")
            << QByteArray("\xEF\xBB\xBF") + kTraditional.toUtf8() << TextEncoding::Utf8
            << kTraditional;
        QTest::newRow("GB18030, simplified") << EncodeText(kSimplified, TextEncoding::Gb18030)
                                             << TextEncoding::Gb18030 << kSimplified;
        QTest::newRow("GB18030, traditional") << EncodeText(kTraditional, TextEncoding::Gb18030)
                                              << TextEncoding::Gb18030 << kTraditional;
        QTest::newRow("Big5") << EncodeText(kTraditional, TextEncoding::Big5) << TextEncoding::Big5
                              << kTraditional;
        QString crlf = kTraditional;
        crlf.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
        QTest::newRow("Big5, CRLF")
            << EncodeText(crlf, TextEncoding::Big5) << TextEncoding::Big5 << kTraditional;
        // Short texts, where every character counts.
        for (const QString& word : {QStringLiteral("人參"), QStringLiteral("黃連解毒湯"),
                                    QStringLiteral("當歸補血湯，黃耆五倍於當歸。")}) {
            QTest::addRow("Big5 %s", qPrintable(word))
                << EncodeText(word, TextEncoding::Big5) << TextEncoding::Big5 << word;
        }
        for (const QString& word : {QStringLiteral("人参"), QStringLiteral("黄连解毒汤"),
                                    QStringLiteral("当归补血汤，黄芪五倍于当归。")}) {
            QTest::addRow("GB18030 %s", qPrintable(word))
                << EncodeText(word, TextEncoding::Gb18030) << TextEncoding::Gb18030 << word;
        }
    }
    void encodingsAreToldApart() {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, text);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(DetectEncoding(bytes), encoding);
        const DecodedText decoded = DecodeText(bytes, encoding);
        QVERIFY(!decoded.failure);
        QCOMPARE(decoded.text, text);
    }

    // A byte that does not decode, or a NUL, is placed on its line.
    void undecodableBytesAreFound() {
        const QByteArray big5 =
            EncodeText(QStringLiteral("第一行\n第二行\n"), TextEncoding::Big5) + "\xA4 \n";
        QCOMPARE(DecodeText(big5, TextEncoding::Big5).failure->line, 3);
        const QByteArray gb = EncodeText(kSimplified, TextEncoding::Gb18030);
        QCOMPARE(DecodeText(gb, TextEncoding::Utf8).failure->line, 1);
        QCOMPARE(DecodeText(QByteArray("a\nb\nc\0d", 7), TextEncoding::Utf8).failure->line, 3);
        // The same bytes in another encoding: the user's choice is what counts.
        QVERIFY(!DecodeText(EncodeText(kTraditional, TextEncoding::Big5), TextEncoding::Gb18030)
                     .failure);
    }

    void textIsSplitByTheRuleChosen() {
        const QString book = QStringLiteral("序言一句。\n\n卷一\n第一章 总论\n"
                                            "人参，味甘微寒。\n\n主补五脏。\n"
                                            "卷二\n甘草，味甘平。\n卷三\n");
        const QString pattern = DefaultHeadingPattern();
        const auto whole = SplitText(book, SplitRule::WholeFile, pattern, QStringLiteral("本草"));
        QCOMPARE(whole.size(), 1u);
        QCOMPARE(whole[0].title, QStringLiteral("本草"));
        QCOMPARE(whole[0].body, book.trimmed());

        const auto paragraphs = SplitText(book, SplitRule::Paragraph, pattern, {});
        QCOMPARE(TitlesOf(paragraphs),
                 (QStringList{QStringLiteral("序言一句。"), QStringLiteral("卷一"),
                              QStringLiteral("主补五脏。")}));
        QCOMPARE(paragraphs[1].line, 3);
        QCOMPARE(paragraphs[2].body, QStringLiteral("主补五脏。\n卷二\n甘草，味甘平。\n卷三"));

        // Headings with nothing between them make one title; a last heading with no text
        // makes no note; the text before the first heading is titled by the file.
        const auto headings = SplitText(book, SplitRule::Heading, pattern, QStringLiteral("本草"));
        QCOMPARE(TitlesOf(headings),
                 (QStringList{QStringLiteral("本草"), QStringLiteral("卷一 第一章 总论"),
                              QStringLiteral("卷二")}));
        QCOMPARE(headings[1].body, QStringLiteral("人参，味甘微寒。\n\n主补五脏。"));
        QCOMPARE(headings[1].line, 3);
        QCOMPARE(headings[2].line, 8);

        // The user's own pattern, and one that is not a pattern.
        const auto volumes = SplitText(book, SplitRule::Heading, QStringLiteral("^卷"), {});
        QCOMPARE(TitlesOf(volumes).mid(1),
                 (QStringList{QStringLiteral("卷一"), QStringLiteral("卷二")}));
        QCOMPARE(volumes[1].body.left(6), QStringLiteral("第一章 总论"));
        const auto none = SplitText(book, SplitRule::Heading, QStringLiteral("(["), {});
        QCOMPARE(none.size(), 1u);
        // A long line is no heading, whatever the pattern says.
        QCOMPARE(SplitText(QString(30, QChar(u'卷')) + QStringLiteral("\n正文"), SplitRule::Heading,
                           QStringLiteral("^卷"), QStringLiteral("书"))
                     .size(),
                 1u);
    }

    void jsonLinesAreReadLineByLine() {
        const QByteArray good = "{\"编号\": 9, \"标题\": \"方歌\", \"文本\": \"四君子汤\"}\n\n"
                                "{\"文本\": \"二陈汤\", \"标题\": \"化痰\", \"来源\": \"课堂\"}\n";
        const auto read = ParseNotesJsonLines(good);
        QCOMPARE(TitlesOf(read), (QStringList{QStringLiteral("方歌"), QStringLiteral("化痰")}));
        QCOMPARE(read[1].body, QStringLiteral("二陈汤"));
        QCOMPARE(read[1].line, 3);

        const QByteArray first = "{\"标题\": \"甲\", \"文本\": \"乙\"}\n";
        const auto refusal = [&](const QByteArray& line) {
            return Refusal([&] { ParseNotesJsonLines(first + first + line + first); });
        };
        const auto notObject = std::make_pair(ImportError::Reason::NotAnObject, qsizetype(3));
        QCOMPARE(refusal("[\"标题\", \"文本\"]\n"), notObject);
        QCOMPARE(refusal("{\"标题\": \"丙\",\n"), notObject);
        QCOMPARE(refusal("\"标题\"\n"), notObject);
        QCOMPARE(refusal("{\"标题\": \"丙\"}\n"),
                 std::make_pair(ImportError::Reason::MissingField, qsizetype(3)));
        QCOMPARE(refusal("{\"标题\": 3, \"文本\": \"丁\"}\n"),
                 std::make_pair(ImportError::Reason::MissingField, qsizetype(3)));
        QCOMPARE(refusal(EncodeText(QStringLiteral("{\"标题\": \"丙\"}\n"), TextEncoding::Gb18030)),
                 std::make_pair(ImportError::Reason::Undecodable, qsizetype(3)));
        QCOMPARE(Refusal([] { ParseNotesJsonLines("\n\n"); }).first, ImportError::Reason::Empty);
    }

    void csvFollowsTheQuotingRules() {
        const QString csv = QStringLiteral("来源,文本,标题\n"
                                           "课堂,\"人参，甘草, 白术\",四君子\n"
                                           "书,\"第一行\n第二行 \"\"引\"\"\",\"二陈, 汤\"\n"
                                           "\n"
                                           "笔记,末行\n");
        const auto read = ParseNotesCsv(csv);
        QCOMPARE(TitlesOf(read),
                 (QStringList{QStringLiteral("四君子"), QStringLiteral("二陈, 汤"), QString()}));
        QCOMPARE(read[0].body, QStringLiteral("人参，甘草, 白术"));
        QCOMPARE(read[1].body, QStringLiteral("第一行\n第二行 \"引\""));
        QCOMPARE(read[1].line, 3);
        QCOMPARE(read[2].line, 6);

        QCOMPARE(Refusal([] { ParseNotesCsv(QStringLiteral("题目,正文\n甲,乙\n")); }),
                 std::make_pair(ImportError::Reason::NoColumns, qsizetype(1)));
        QCOMPARE(
            Refusal([] { ParseNotesCsv(QStringLiteral("标题,文本\n甲,乙\n丙,\"丁\n\n戊\n")); }),
            std::make_pair(ImportError::Reason::UnclosedQuote, qsizetype(3)));
        QCOMPARE(Refusal([] { ParseNotesCsv(QStringLiteral("标题,文本\n甲,乙\n丙,丁\"戊\n")); }),
                 std::make_pair(ImportError::Reason::StrayQuote, qsizetype(3)));
        QCOMPARE(Refusal([] { ParseNotesCsv(QStringLiteral("标题,文本\n\"甲\"乙,丙\n")); }),
                 std::make_pair(ImportError::Reason::StrayQuote, qsizetype(2)));
    }

    void titlesAreMadeUnique() {
        QCOMPARE(TitleSuffix(2), QStringLiteral("（二）"));
        QCOMPARE(TitleSuffix(10), QStringLiteral("（十）"));
        QCOMPARE(TitleSuffix(11), QStringLiteral("（十一）"));
        QCOMPARE(TitleSuffix(20), QStringLiteral("（二十）"));
        QCOMPARE(TitleSuffix(101), QStringLiteral("（一百零一）"));
        QCOMPARE(TitleSuffix(110), QStringLiteral("（一百一十）"));
        QCOMPARE(TitleSuffix(1005), QStringLiteral("（一千零五）"));

        const std::vector<ImportedNote> notes{{QStringLiteral("卷一"), QStringLiteral("a"), 1},
                                              {QStringLiteral("序"), QStringLiteral("b"), 2},
                                              {QStringLiteral("卷一"), QStringLiteral("c"), 3},
                                              {QStringLiteral("序"), QStringLiteral("d"), 4},
                                              {QString(), QStringLiteral("\n 无题之文\n"), 5}};
        const TitlePlan plan =
            UniqueTitles(notes, {QStringLiteral("卷一"), QStringLiteral("卷一（二）"),
                                 QStringLiteral("无题之文")});
        QCOMPARE(plan.titles, (QStringList{QStringLiteral("卷一（三）"), QStringLiteral("序"),
                                           QStringLiteral("卷一（四）"), QStringLiteral("序（二）"),
                                           QStringLiteral("无题之文（二）")}));
        QCOMPARE(plan.renamed, 4);
    }

    // The notes go in after the largest number with titles of their own, and the search of
    // 我的资料库 finds them once the change is announced.
    void importAddsNotesTheSearchFinds() {
        SearchFields fields;
        fields.selected = Category::MyLibrary;
        KeywordSearch search(fields, &engine);
        fields.keywordBox = QStringLiteral("徇齐");
        search.NewSearch();
        QVERIFY(fields.resultList.isEmpty());

        const auto book =
            SplitText(kSimplified + QStringLiteral("卷一\n人参，味甘微寒。\n"), SplitRule::Heading,
                      DefaultHeadingPattern(), QStringLiteral("素问"));
        QCOMPARE(UniqueTitles(book, TakenTitles(notes)).renamed, 1);
        SqlConnection db = PersonalRecordSet::Connect(notes);
        AnnounceFileChange(notes);
        const std::optional<ImportSummary> done = ImportNotes(db, book);
        QVERIFY(done);
        QCOMPARE(done->imported, 2);
        QCOMPARE(done->renamed, 1);
        QCOMPARE(done->firstNumber, 21);
        QCOMPARE(Rows(notes), (QStringList{QStringLiteral("3 读书笔记"), QStringLiteral("20 卷一"),
                                           QStringLiteral("21 上古天真论篇第一"),
                                           QStringLiteral("22 卷一（二）")}));

        search.NewSearch();
        QCOMPARE(fields.resultList, QStringList{QStringLiteral("上古天真论篇第一")});
        PersonalRecordSet set;
        set.load(notes);
        QCOMPARE(set.count(), 4);
    }

    // A failure half-way, whether of the file or of the caller, and a cancel leave the file
    // byte for byte as it was.
    void importIsAllOrNothing() {
        // The file refuses the 300th note.
        {
            SqlConnection db;
            db.open(notes, QString());
            db.exec(QStringLiteral("CREATE TABLE me1new (编号 INTEGER NOT NULL UNIQUE, "
                                   "标题 TEXT UNIQUE, 文本 TEXT CHECK (文本 <> '拒绝'), "
                                   "相符个数 INTEGER NOT NULL DEFAULT 0); "
                                   "INSERT INTO me1new SELECT * FROM me1; DROP TABLE me1; "
                                   "ALTER TABLE me1new RENAME TO me1"));
        }
        const QByteArray before = Bytes(notes);
        std::vector<ImportedNote> book = Book(600);
        book[299].body = QStringLiteral("拒绝");
        {
            SqlConnection db = PersonalRecordSet::Connect(notes);
            QVERIFY_THROWS_EXCEPTION(PersonalSaveError, ImportNotes(db, book));
        }
        QCOMPARE(Bytes(notes), before);

        book[299].body = QStringLiteral("可以");
        {
            SqlConnection db = PersonalRecordSet::Connect(notes);
            qsizetype calls = 0;
            QVERIFY_THROWS_EXCEPTION(PersonalSaveError,
                                     ImportNotes(db, book, [&](qsizetype done, qsizetype) {
                                         if (++calls == 4)
                                             throw std::runtime_error("gone");
                                         return done < 10000;
                                     }));
            QCOMPARE(calls, 4);
        }
        QCOMPARE(Bytes(notes), before);

        {
            SqlConnection db = PersonalRecordSet::Connect(notes);
            qsizetype reached = 0;
            QVERIFY(!ImportNotes(db, book, [&](qsizetype done, qsizetype total) {
                reached = done;
                return done < total / 2;
            }));
            QVERIFY(reached >= 300);
            // The connection still writes: the cancel ended its transaction.
            QVERIFY(ImportNotes(db, Book(2)));
        }
        QCOMPARE(Rows(notes).size(), 4);
    }

    // The export reads back as the notes it was made from, in both formats, and the JSON Lines
    // are what meridane-builddb takes for the notes.
    void exportReadsBack() {
        {
            SqlConnection db = PersonalRecordSet::Connect(notes);
            QVERIFY(ImportNotes(db, {{QStringLiteral("逗号, 与\"引号\""),
                                      QStringLiteral("第一行,\n第二行 \"末\""), 1}}));
        }
        QTemporaryDir dir;
        const QString jsonl = dir.filePath(QStringLiteral("me1.jsonl"));
        const QString csv = dir.filePath(QStringLiteral("me1.csv"));
        QCOMPARE(ExportNotes(notes, jsonl, NotesFormat::JsonLines), 3);
        QCOMPARE(ExportNotes(notes, csv, NotesFormat::Csv), 3);
        QVERIFY(Bytes(jsonl).startsWith(
            "{\"编号\": 3, \"标题\": \"读书笔记\", \"文本\": \"四君子汤\"}\n"));

        const auto fromJson = ParseNotesJsonLines(Bytes(jsonl));
        const DecodedText csvText = DecodeText(Bytes(csv), DetectEncoding(Bytes(csv)));
        QVERIFY(!csvText.failure);
        const auto fromCsv = ParseNotesCsv(csvText.text);
        const QStringList titles{QStringLiteral("读书笔记"), QStringLiteral("卷一"),
                                 QStringLiteral("逗号, 与\"引号\"")};
        QCOMPARE(TitlesOf(fromJson), titles);
        QCOMPARE(TitlesOf(fromCsv), titles);
        for (const auto* read : {&fromJson, &fromCsv})
            QCOMPARE((*read)[2].body, QStringLiteral("第一行,\n第二行 \"末\""));

        const std::vector<SourceRecord> built = ReadPersonalNotes(jsonl);
        QCOMPARE(built.size(), 3u);
        QCOMPARE(built[1].number, 20);
        QCOMPARE(built[2].title, titles[2]);

        QVERIFY(!ExportNotes(notes, dir.filePath(QStringLiteral("no/such/folder/x.csv")),
                             NotesFormat::Csv));
    }

    // A notes file the editor does not work with is neither read nor written: its trigger,
    // which would empty me1, never runs.
    void oddFilesAreLeftAlone() {
        {
            SqlConnection db;
            db.open(notes, QString());
            db.exec(QStringLiteral(
                "CREATE TRIGGER wipe AFTER INSERT ON me1 BEGIN DELETE FROM me1; END"));
        }
        const QByteArray before = Bytes(notes);
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(DbError, TakenTitles(notes));
        QVERIFY_THROWS_EXCEPTION(
            DbError,
            ExportNotes(notes, dir.filePath(QStringLiteral("x.jsonl")), NotesFormat::JsonLines));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.jsonl"))));
        QVERIFY_THROWS_EXCEPTION(PersonalSaveError, PersonalRecordSet::Connect(notes));
        QCOMPARE(Bytes(notes), before);
    }
};

QTEST_GUILESS_MAIN(NotesImportTest)
#include "tst_notes_import.moc"
