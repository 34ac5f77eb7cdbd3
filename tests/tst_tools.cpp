// The two command-line tools, run as a user runs them: the database builder with good and bad
// sources, and the query tool on a program folder.
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

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

void Write(const QString& path, const QByteArray& content) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

const QByteArray kYao =
    "{\"编号\": 1, \"标题\": \"人参\", \"文本\": \"甘微苦\", \"出处\": \"x\"}\n\n"
    "{\"编号\": 2, \"标题\": \"黄连\", \"文本\": \"苦寒\"}\n";
const QByteArray kWithKeywords =
    "{\"编号\": 1, \"标题\": \"四君子汤\", \"文本\": \"人参\", \"关键字\": \"补气 人参\"}\n";

} // namespace

class ToolsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString src() const { return dir.path() + QStringLiteral("/src"); }
    QString target() const { return dir.path() + QStringLiteral("/out/bk6.mp3"); }

    void writeGoodSources() {
        QDir().mkpath(src());
        Write(src() + QStringLiteral("/An1.jsonl"), kWithKeywords);
        Write(src() + QStringLiteral("/yao.jsonl"), kYao);
        Write(src() + QStringLiteral("/bing.jsonl"), kYao);
        Write(src() + QStringLiteral("/yishu1.jsonl"), kWithKeywords);
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
        const QString cs = QStringLiteral("Data Source=%1;Jet OLEDB:Database Password=%2")
                               .arg(target(), kDatabasePassword);
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
            Write(path, content);
        // An older database stays as it was, and nothing half-written is left.
        QDir().mkpath(dir.path() + QStringLiteral("/out"));
        Write(target(), "old");
        const Run r = build();
        QCOMPARE(r.exitCode, 1);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QFile old(target());
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(QDir(dir.path() + QStringLiteral("/out")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});
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
        Write(src() + QStringLiteral("/me1.jsonl"), notes);
        QDir().mkpath(dir.path() + QStringLiteral("/out"));
        Write(target(), "old");
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
