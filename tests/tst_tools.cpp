// The two command-line tools, run as a user runs them: the database builder with good and bad
// sources, and the query tool on a program folder.
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "services/text_encoding.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <unistd.h>

using namespace meridane;
using namespace meridane::test;

namespace {

struct Run {
    int exitCode;
    QString out;
    QString err;
};

Run Start(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {-1, {}, QStringLiteral("timed out")};
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// The connection string of a knowledge database the tools wrote.
QString KeyedSource(const QString& path) {
    return QStringLiteral("Data Source=%1;Jet OLEDB:Database Password=%2")
        .arg(path, kDatabasePassword);
}

// The first line a run printed.
QString FirstLine(const QString& out) {
    return out.section(QLatin1Char('\n'), 0, 0);
}

const QByteArray kYao =
    "{\"编号\": 1, \"标题\": \"人参\", \"文本\": \"甘微苦\", \"出处\": \"x\"}\n\n"
    "{\"编号\": 2, \"标题\": \"黄连\", \"文本\": \"苦寒\"}\n";
const QByteArray kWithKeywords =
    "{\"编号\": 1, \"标题\": \"四君子汤\", \"文本\": \"人参\", \"关键字\": \"补气 人参\"}\n";

} // namespace

class ToolsTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine engine;
    QTemporaryDir dir;
    QString src() const { return dir.path() + QStringLiteral("/src"); }
    QString target() const { return dir.path() + QStringLiteral("/out/bk6.mp3"); }

    void writeGoodSources() {
        QDir().mkpath(src());
        WriteFile(src() + QStringLiteral("/An1.jsonl"), kWithKeywords);
        WriteFile(src() + QStringLiteral("/yao.jsonl"), kYao);
        WriteFile(src() + QStringLiteral("/bing.jsonl"), kYao);
        WriteFile(src() + QStringLiteral("/yishu1.jsonl"), kWithKeywords);
    }

    Run build(const QStringList& extra = {}) {
        return Start(QStringLiteral(MERIDANE_BUILDDB),
                     QStringList{QStringLiteral("--source"), src(), QStringLiteral("--knowledge"),
                                 target()} +
                         extra);
    }

private slots:
    void init() {
        QDir(dir.path()).removeRecursively();
        QDir().mkpath(dir.path());
        writeGoodSources();
    }

    void buildsBothDatabases() {
        const QString personal = dir.path() + QStringLiteral("/out/msjic");
        const Run r = build({QStringLiteral("--personal"), personal, QStringLiteral("--stamp"),
                             QStringLiteral("2008-06-01")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        const QString cs = KeyedSource(target());
        QStringList rows;
        ReadRows(cs, QStringLiteral("SELECT cntr FROM cnt"),
                 [&](const SqlStatement& s) { rows << s.text(0); });
        ReadRows(cs, QStringLiteral("SELECT * FROM An1"), [&](const SqlStatement& s) {
            rows << QString::number(s.columnCount()) << s.value(0).typeName() << s.text(1)
                 << s.text(4);
        });
        ReadRows(cs, QStringLiteral("SELECT 编号, 药名, 文本, 相符个数 FROM yao ORDER BY 编号"),
                 [&](const SqlStatement& s) { rows << s.text(1) + s.text(3); });
        QCOMPARE(rows, QStringList({QStringLiteral("2008-06-01"), QStringLiteral("5"),
                                    QStringLiteral("qlonglong"), QStringLiteral("四君子汤"),
                                    QStringLiteral("补气 人参"), QStringLiteral("人参0"),
                                    QStringLiteral("黄连0")}));
        // Without me1.jsonl the personal table is there and empty.
        int notes = -1;
        ReadRows(QStringLiteral("Data Source=") + personal,
                 QStringLiteral("SELECT count(*) FROM me1"),
                 [&](const SqlStatement& s) { notes = int(s.integer(0)); });
        QCOMPARE(notes, 0);
    }

    void badSourcesNameFileAndLine_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed") << "bing.jsonl" << (kYao + "{\"编号\": 3, \"标题\": \n")
                                   << "bing.jsonl:4: malformed JSON";
        QTest::newRow("no title") << "yao.jsonl" << QByteArray("{\"编号\": 1, \"文本\": \"甘\"}\n")
                                  << "yao.jsonl:1: \"标题\" is missing";
        QTest::newRow("number not whole")
            << "yao.jsonl" << QByteArray("{\"编号\": 1.5, \"标题\": \"a\", \"文本\": \"b\"}\n")
            << "yao.jsonl:1: \"编号\"";
        QTest::newRow("no keywords") << "yishu1.jsonl" << kYao << "yishu1.jsonl:1: \"关键字\"";
        QTest::newRow("not an object")
            << "An1.jsonl" << QByteArray("[1, 2]\n") << "An1.jsonl:1: not a JSON object";
        QTest::newRow("missing file") << "An1.jsonl" << QByteArray() << "An1.jsonl: cannot read";
        QTest::newRow("DEL in a text")
            << "bing.jsonl" << (kYao + "{\"编号\": 3, \"标题\": \"a\x7f\", \"文本\": \"b\"}\n")
            << "bing.jsonl:4: a string holds the control character U+007F";
        QTest::newRow("escaped control in a text")
            << "An1.jsonl"
            << QByteArray("{\"编号\": 1, \"标题\": \"a\", \"文本\": \"b\\u001b[0m\", "
                          "\"关键字\": \"k\"}\n")
            << "An1.jsonl:1: a string holds the control character U+001B";
    }

    void badSourcesNameFileAndLine() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const QString path = src() + QLatin1Char('/') + file;
        if (content.isEmpty())
            QFile::remove(path);
        else
            WriteFile(path, content);
        // An older database stays as it was, and nothing half-written is left.
        QDir().mkpath(dir.path() + QStringLiteral("/out"));
        WriteFile(target(), "old");
        const Run r = build();
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QFile old(target());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(QDir(dir.path() + QStringLiteral("/out")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});
    }

    // Plain-text books fill knowledge tables: split by the rule given, in whichever encoding
    // they are, numbered in order, with titles of their own; a table without a book comes from
    // the source, or is empty without one; a book that does not decode names its line.
    void buildsTablesFromTextBooks() {
        const QString gb = dir.path() + QStringLiteral("/本草.txt");
        const QString utf8 = dir.path() + QStringLiteral("/续编.txt");
        WriteFile(gb, EncodeText(QStringLiteral("本草简编，二卷。\n\n人参\n味甘微寒，主补五脏。\n\n"
                                                "黄连\n味苦寒。\n"),
                                 TextEncoding::Gb18030));
        WriteFile(utf8, QStringLiteral("人参\n又名人衔。\n").toUtf8());
        Run r = build({QStringLiteral("--text"), QStringLiteral("yao=") + gb,
                       QStringLiteral("--text"), QStringLiteral("yao=") + utf8,
                       QStringLiteral("--split"), QStringLiteral("heading")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        const QString cs = KeyedSource(target());
        QStringList rows;
        ReadRows(cs, QStringLiteral("SELECT 编号, 药名, 文本 FROM yao ORDER BY 编号"),
                 [&](const SqlStatement& s) { rows << s.text(0) + s.text(1) + s.text(2); });
        ReadRows(cs, QStringLiteral("SELECT 标题 FROM An1"),
                 [&](const SqlStatement& s) { rows << s.text(0); });
        QCOMPARE(rows, (QStringList{QStringLiteral("1本草本草简编，二卷。"),
                                    QStringLiteral("2人参味甘微寒，主补五脏。"),
                                    QStringLiteral("3黄连味苦寒。"),
                                    QStringLiteral("4人参（二）又名人衔。"),
                                    QStringLiteral("四君子汤")}));

        const QString books = dir.path() + QStringLiteral("/out/books.db");
        r = Start(QStringLiteral(MERIDANE_BUILDDB),
                  {QStringLiteral("--knowledge"), books, QStringLiteral("--text"),
                   QStringLiteral("An1=") + gb, QStringLiteral("--split"),
                   QStringLiteral("paragraph")});
        QCOMPARE(r.err, QString());
        rows.clear();
        const QString booksCs = KeyedSource(books);
        ReadRows(booksCs, QStringLiteral("SELECT 标题, 关键字 FROM An1 ORDER BY 编号"),
                 [&](const SqlStatement& s) { rows << s.text(0) + QLatin1Char('|') + s.text(1); });
        ReadRows(booksCs, QStringLiteral("SELECT count(*) FROM yao"),
                 [&](const SqlStatement& s) { rows << s.text(0); });
        QCOMPARE(rows,
                 (QStringList{QStringLiteral("本草简编，二卷。|本草简编，二卷。 本草简编，二卷。"),
                              QStringLiteral("人参|人参 人参 味甘微寒，主补五脏。"),
                              QStringLiteral("黄连|黄连 黄连 味苦寒。"), QStringLiteral("0")}));

        const QString big5 = dir.path() + QStringLiteral("/壞.txt");
        WriteFile(big5,
                  EncodeText(QStringLiteral("人參\n味甘。\n"), TextEncoding::Big5) + "\xA4 \n");
        QDir().mkpath(dir.path() + QStringLiteral("/out"));
        WriteFile(target(), "old");
        r = build({QStringLiteral("--text"), QStringLiteral("bing=") + big5,
                   QStringLiteral("--encoding"), QStringLiteral("big5")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(big5 + QStringLiteral(":3: the text does not decode as Big5")),
                 qPrintable(r.err));
        QCOMPARE(ReadAll(target()), QByteArray("old"));
        QCOMPARE(Start(QStringLiteral(MERIDANE_BUILDDB),
                       {QStringLiteral("--knowledge"), books, QStringLiteral("--text"),
                        QStringLiteral("me1=") + gb})
                     .exitCode,
                 2);
    }

    // Each note has a title and a number of its own: the second one is named by its line, and
    // neither database is written.
    void duplicateNotesNameTheirLine_data() {
        QTest::addColumn<QByteArray>("notes");
        QTest::addColumn<QString>("message");
        QTest::newRow("number") << QByteArray("{\"编号\": 1, \"标题\": \"甲\", \"文本\": \"x\"}\n\n"
                                              "{\"编号\": 2, \"标题\": \"乙\", \"文本\": \"x\"}\n"
                                              "{\"编号\": 1, \"标题\": \"丙\", \"文本\": \"x\"}\n")
                                << "me1.jsonl:4: \"编号\" 1 is given again (first on line 1)";
        QTest::newRow("title") << QByteArray("{\"编号\": 1, \"标题\": \"甲\", \"文本\": \"x\"}\n"
                                             "{\"编号\": 2, \"标题\": \"甲\", \"文本\": \"y\"}\n")
                               << "me1.jsonl:2: \"标题\" \"甲\" is given again (first on line 1)";
    }

    void duplicateNotesNameTheirLine() {
        QFETCH(QByteArray, notes);
        QFETCH(QString, message);
        WriteFile(src() + QStringLiteral("/me1.jsonl"), notes);
        QDir().mkpath(dir.path() + QStringLiteral("/out"));
        WriteFile(target(), "old");
        const Run r =
            build({QStringLiteral("--personal"), dir.path() + QStringLiteral("/out/msjic")});
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(src() + QLatin1Char('/') + message), qPrintable(r.err));
        QVERIFY2(!r.err.contains(QStringLiteral("UNIQUE")), qPrintable(r.err));
        QFile old(target());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(QDir(dir.path() + QStringLiteral("/out")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});
    }

    // The tool searches a working copy of its own: the program's copy, which its shutdown
    // leaves as a copy of Ifonts.fon, neither disturbs it nor is disturbed by it.
    void queryToolKeepsAWorkingCopyOfItsOwn() {
        KnowledgeSources s;
        s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("发热恶寒")),
                  Rec(2, QStringLiteral("暑湿"), QStringLiteral("发热汗出，身重"))};
        TempProgramFolder folder(s);
        const QString programCopy = folder.path() + QStringLiteral("/msjic.dll");
        WriteFile(programCopy, "what Ifonts.fon holds\n");
        const QString tool = QStringLiteral(MERIDANE_QUERY);
        const QStringList base{QStringLiteral("--folder"), folder.path(),
                               QStringLiteral("--category"), QStringLiteral("病理")};
        Run r =
            Start(tool, base + QStringList{QStringLiteral("--new"), QStringLiteral("汗出，发热")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("共有2条记录\n暑湿\n感冒\n"));
        QCOMPARE(ReadAll(programCopy), QByteArray("what Ifonts.fon holds\n"));
        QVERIFY(QFileInfo::exists(folder.path() + QLatin1Char('/') + kQueryWorkingCopyName));

        // The program starts and searches its own copy; the tool goes on from its own search.
        QVERIFY(MakeWorkingCopy());
        SearchFields fields;
        fields.selected = Category::Pathology;
        fields.keywordBox = QStringLiteral("恶寒");
        KeywordSearch(fields, &engine).NewSearch();
        engine.finishPendingWrites();
        QCOMPARE(fields.resultList, QStringList{QStringLiteral("感冒")});
        r = Start(tool, base + QStringList{QStringLiteral("--within"), QStringLiteral("发热")});
        QCOMPARE(r.out, QStringLiteral("共有2条记录\n感冒\n暑湿\n"));
        KeywordSearch(fields, &engine).SearchWithinResults();
        QCOMPARE(fields.resultList, QStringList{QStringLiteral("感冒")});

        // A copy of the tool's own that is no database (cut short) is made again.
        WriteFile(folder.path() + QLatin1Char('/') + kQueryWorkingCopyName, "SQLite format 3");
        r = Start(tool, base + QStringList{QStringLiteral("--new"), QStringLiteral("身重")});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.out, QStringLiteral("共有1条记录\n暑湿\n"));
    }

    // A database that cannot be opened ends the tool with one message and status 1.
    void queryToolReportsADatabaseItCannotOpen() {
        KnowledgeSources s;
        s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("发热恶寒"))};
        TempProgramFolder folder(s, {Rec(1, QStringLiteral("笔记"), QStringLiteral("发热"))});
        const QString tool = QStringLiteral(MERIDANE_QUERY);
        WriteFile(StoredKnowledgePath(), "not a database");
        WriteFile(folder.path() + QStringLiteral("/msjic.dll"), "what Ifonts.fon holds\n");
        for (const QString& category : {QStringLiteral("病理"), QStringLiteral("我的资料库")}) {
            if (category == QStringLiteral("我的资料库")) {
                const Run good = Start(tool, {QStringLiteral("--folder"), folder.path(),
                                              QStringLiteral("--category"), category,
                                              QStringLiteral("--new"), QStringLiteral("发热")});
                QCOMPARE(good.out, QStringLiteral("共有1条记录\n笔记\n"));
                WriteFile(PersonalDbPath(), "not a database either");
            }
            for (const QStringList& action :
                 {QStringList{QStringLiteral("--new"), QStringLiteral("发热")},
                  QStringList{QStringLiteral("--within"), QStringLiteral("发热")},
                  QStringList{QStringLiteral("--show"), QStringLiteral("感冒")}}) {
                const Run r = Start(tool, QStringList{QStringLiteral("--folder"), folder.path(),
                                                      QStringLiteral("--category"), category} +
                                              action);
                QCOMPARE(r.exitCode, 1);
                QCOMPARE(r.out, QString());
                QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
                QVERIFY2(r.err.startsWith(QStringLiteral("meridane-query: cannot open the ")),
                         qPrintable(r.err));
            }
        }
        const Run help = Start(tool, {QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QCOMPARE(help.err, QString());
        QVERIFY(help.out.startsWith(QStringLiteral("usage: meridane-query")));
        QVERIFY(help.out.contains(kQueryWorkingCopyName));
    }

    // A tool ended from outside once its list is printed (its output closed, an interrupt, a
    // termination) leaves its working copy holding that search: the next --within goes on
    // from it.
    void queryToolEndedBySignalKeepsItsPrintedSearch() {
        KnowledgeSources s;
        constexpr int kRecords = 30000;
        for (int i = 1; i <= kRecords; ++i) {
            QString text = QStringLiteral("丙，第%1条").arg(i);
            if (i % 2 == 0)
                text += QStringLiteral("，甲");
            if (i % 3 == 0)
                text += QStringLiteral("，乙");
            s.bing.push_back(Rec(i, QStringLiteral("病%1").arg(i), text));
        }
        TempProgramFolder folder(s);
        const QString tool = QStringLiteral(MERIDANE_QUERY);
        const QStringList base{QStringLiteral("--folder"), folder.path(),
                               QStringLiteral("--category"), QStringLiteral("病理")};
        const QStringList first = base + QStringList{QStringLiteral("--new"), QStringLiteral("甲")};
        const QStringList second =
            base + QStringList{QStringLiteral("--new"), QStringLiteral("乙")};
        const QStringList within =
            base + QStringList{QStringLiteral("--within"), QStringLiteral("丙")};
        const QString firstCount = QStringLiteral("共有%1条记录").arg(kRecords / 2);
        const QString secondCount = QStringLiteral("共有%1条记录").arg(kRecords / 3);

        // Output closed before the tool writes a byte, as "| head -1" does once it has its line.
        QCOMPARE(FirstLine(Start(tool, first).out), firstCount);
        {
            int fds[2];
            QVERIFY(pipe(fds) == 0);
            close(fds[0]);
            QProcess p;
            p.setChildProcessModifier([fds] {
                signal(SIGPIPE, SIG_DFL);
                dup2(fds[1], 1);
            });
            p.start(tool, second);
            QVERIFY(p.waitForFinished(60000));
            close(fds[1]);
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
        }
        QCOMPARE(FirstLine(Start(tool, within).out), secondCount);

        // An interrupt or a termination as soon as the list begins to arrive.
        for (int sig : {SIGINT, SIGTERM}) {
            QCOMPARE(FirstLine(Start(tool, first).out), firstCount);
            QProcess p;
            p.setChildProcessModifier([] {
                signal(SIGINT, SIG_DFL);
                signal(SIGTERM, SIG_DFL);
            });
            p.start(tool, second);
            QByteArray seen;
            while (!seen.contains('\n') && p.waitForReadyRead(60000))
                seen += p.readAllStandardOutput();
            QCOMPARE(QString::fromUtf8(seen.left(seen.indexOf('\n'))), secondCount);
            ::kill(pid_t(p.processId()), sig);
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            QCOMPARE(FirstLine(Start(tool, within).out), secondCount);
        }
    }

    void badArguments() {
        QCOMPARE(build({QStringLiteral("--stamp"), QStringLiteral("2008-13-01")}).exitCode, 2);
        QCOMPARE(Start(QStringLiteral(MERIDANE_BUILDDB), {QStringLiteral("--source")}).exitCode, 2);
        QVERIFY(!QFile::exists(target()));
    }

    void queryTool() {
        KnowledgeSources s;
        s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("发热恶寒")),
                  Rec(2, QStringLiteral("暑湿"), QStringLiteral("发热汗出，身重"))};
        TempProgramFolder folder(s);
        QFile::remove(WorkingCopyPath()); // the tool makes it from sound/bk6.mp3
        const QString tool = QStringLiteral(MERIDANE_QUERY);
        const QStringList base{QStringLiteral("--folder"), folder.path(),
                               QStringLiteral("--category"), QStringLiteral("病理")};
        Run r =
            Start(tool, base + QStringList{QStringLiteral("--new"), QStringLiteral("汗出，发热")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("共有2条记录\n暑湿\n感冒\n"));
        QCOMPARE(r.err, QString());
        r = Start(tool, base + QStringList{QStringLiteral("--within"), QStringLiteral("恶寒")});
        QCOMPARE(r.out, QStringLiteral("共有1条记录\n感冒\n"));
        // --show after a search, and alone: the header line and the body a click would show.
        r = Start(tool, base + QStringList{QStringLiteral("--within"), QStringLiteral("发热"),
                                           QStringLiteral("--show"), QStringLiteral("暑湿")});
        QCOMPARE(r.out, QStringLiteral("共有2条记录\n感冒\n暑湿\n页码： 2    相符个数： 1\n"
                                       "发热汗出，身重\n"));
        r = Start(tool, base + QStringList{QStringLiteral("--show"), QStringLiteral("感冒")});
        QCOMPARE(r.out, QStringLiteral("页码： 1    相符个数： 1\n发热恶寒\n"));
        // A title not in the result table leaves the (still empty) header and body as they were.
        r = Start(tool, base + QStringList{QStringLiteral("--show"), QStringLiteral("无此病")});
        QCOMPARE(r.out, QStringLiteral("\n\n"));
        QCOMPARE(r.err, QString());
        // --variants: the window's "繁简通查", on both search paths, --show coloured alike.
        TempProgramFolder old(
            KnowledgeSources{{},
                             {},
                             {Rec(1, QStringLiteral("古方"), QStringLiteral("發熱惡寒")),
                              Rec(2, QStringLiteral("今方"), QStringLiteral("发热"))},
                             {}});

        const QStringList oldBase{QStringLiteral("--folder"), old.path(),
                                  QStringLiteral("--category"), QStringLiteral("病理")};
        for (const QString& engine : {QStringLiteral("memory"), QStringLiteral("statements")}) {
            const QStringList args =
                oldBase + QStringList{QStringLiteral("--engine"), engine, QStringLiteral("--new"),
                                      QStringLiteral("发热,恶寒")};
            QCOMPARE(Start(tool, args).out, QStringLiteral("共有1条记录\n今方\n"));
            QCOMPARE(Start(tool, args + QStringList{QStringLiteral("--variants")}).out,
                     QStringLiteral("共有2条记录\n古方\n今方\n"));
        }
        r = Start(tool, base + QStringList{QStringLiteral("--new"), QString()});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("没有找到您所需的资料！\n"));
        QCOMPARE(r.err, QStringLiteral("[注意！] 您没有输入关键字！\n"));
        // Within results of a category never searched: the search's own error message.
        r = Start(tool, {QStringLiteral("--folder"), folder.path(), QStringLiteral("--category"),
                         QStringLiteral("中药"), QStringLiteral("--within"), QStringLiteral("x")});
        QCOMPARE(r.err, QStringLiteral("[Meridane] 没有找到您所需的资料！\n"));

        for (const QStringList& bad :
             {QStringList{}, base, base + QStringList{QStringLiteral("--new")},
              QStringList{QStringLiteral("--folder"), folder.path(), QStringLiteral("--category"),
                          QStringLiteral("联想"), QStringLiteral("--new"), QStringLiteral("x")},
              QStringList{QStringLiteral("--folder"), folder.path() + QStringLiteral("/nope"),
                          QStringLiteral("--category"), QStringLiteral("病理"),
                          QStringLiteral("--new"), QStringLiteral("x")}}) {
            r = Start(tool, bad);
            QCOMPARE(r.exitCode, 2);
            QVERIFY(r.err.contains(QStringLiteral("usage: meridane-query")));
        }
    }
};

QTEST_GUILESS_MAIN(ToolsTest)
#include "tst_tools.moc"
