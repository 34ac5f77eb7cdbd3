// The database builder's reading of JSON Lines sources and its temporary file.
#include "builddb/source_records.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "test_support.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

QByteArray Line(const QByteArray& number, const QByteArray& title = "\"题\"") {
    return "{\"编号\": " + number + ", \"标题\": " + title + ", \"文本\": \"正文\"}\n";
}

} // namespace

class BuildDbTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString source() const { return dir.path() + QStringLiteral("/bing.jsonl"); }

private slots:
    // A number is taken only when it is exactly a whole number of 64 bits.
    void numbers_data() {
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<qint64>("number");
        QTest::newRow("plain") << QByteArray("42") << true << qint64(42);
        QTest::newRow("beyond the doubles")
            << QByteArray("9007199254740993") << true << qint64(9007199254740993);
        QTest::newRow("largest") << QByteArray("9223372036854775807") << true
                                 << std::numeric_limits<qint64>::max();
        QTest::newRow("smallest") << QByteArray("-9223372036854775808") << true
                                  << std::numeric_limits<qint64>::min();
        QTest::newRow("whole with a point") << QByteArray("7.000") << true << qint64(7);
        QTest::newRow("exponent") << QByteArray("12e3") << true << qint64(12000);
        QTest::newRow("exponent down") << QByteArray("1500e-2") << true << qint64(15);
        QTest::newRow("zero") << QByteArray("-0.0e5") << true << qint64(0);
        QTest::newRow("too large") << QByteArray("9223372036854775808") << false << qint64(0);
        QTest::newRow("far too large") << QByteArray("1e300") << false << qint64(0);
        QTest::newRow("too small") << QByteArray("-9223372036854775809") << false << qint64(0);
        QTest::newRow("fraction") << QByteArray("2.5") << false << qint64(0);
        QTest::newRow("small fraction") << QByteArray("1e-2") << false << qint64(0);
        QTest::newRow("huge exponent") << QByteArray("1e99999999999") << false << qint64(0);
        QTest::newRow("text") << QByteArray("\"3\"") << false << qint64(0);
        QTest::newRow("leading zero") << QByteArray("012") << false << qint64(0);
    }

    void numbers() {
        QFETCH(QByteArray, written);
        QFETCH(bool, taken);
        QFETCH(qint64, number);
        WriteFile(source(), Line("1") + "\n" + Line(written));
        if (!taken) {
            try {
                ReadJsonLines(source(), false);
                QFAIL("the number was taken");
            } catch (const BuildError& e) {
                QVERIFY2(QString::fromUtf8(e.what()).startsWith(source() + QStringLiteral(":3: ")),
                         e.what());
            }
            return;
        }
        const std::vector<SourceRecord> records = ReadJsonLines(source(), false);
        QCOMPARE(records.size(), size_t(2));
        QCOMPARE(records[1].number, number);
        // ...and the database holds it as it was written.
        KnowledgeSources sources;
        sources.bing = records;
        const QString db = dir.path() + QStringLiteral("/k.db");
        WriteKnowledgeDb(sources, db, QStringLiteral("2008-05-20"));
        SqlConnection c;
        c.open(db, kDatabasePassword);
        SqlStatement row = c.prepare(QStringLiteral("SELECT 编号 FROM bing ORDER BY rowid"));
        QVERIFY(row.step() && row.step());
        QCOMPARE(row.integer(0), number);
    }

    // Text that the database could not hold as written stops the build.
    void strings_data() {
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<QString>("taken"); // null: refused
        QTest::newRow("escapes") << QByteArray("\"a\\\"b\\\\c\\/\\n\\u4e2d\"")
                                 << QStringLiteral("a\"b\\c/\n中");
        QTest::newRow("surrogate pair")
            << QByteArray("\"\\ud840\\udc0b\"") << QString::fromUtf16(u"\U0002000B");
        QTest::newRow("escaped NUL") << QByteArray("\"a\\u0000b\"") << QString();
        QTest::newRow("raw NUL") << QByteArray("\"a\0b\"", 5) << QString();
        QTest::newRow("lone high surrogate") << QByteArray("\"\\ud800x\"") << QString();
        QTest::newRow("lone high surrogate at the end") << QByteArray("\"\\ud800\"") << QString();
        QTest::newRow("lone low surrogate") << QByteArray("\"\\udc00\"") << QString();
        QTest::newRow("two high surrogates") << QByteArray("\"\\ud800\\ud800\"") << QString();
        QTest::newRow("bad UTF-8") << QByteArray("\"\xe4\xb8\"") << QString();
        QTest::newRow("control character") << QByteArray("\"a\tb\"") << QString();
        QTest::newRow("unclosed") << QByteArray("\"ab") << QString();
        // No control character is kept but tab and line feed, raw or escaped.
        QTest::newRow("escaped tab and line feed")
            << QByteArray("\"a\\tb\\nc\\u0009\"") << QStringLiteral("a\tb\nc\t");
        QTest::newRow("raw DEL") << QByteArray("\"a\x7f b\"") << QString();
        QTest::newRow("raw U+0085") << QByteArray("\"a\xc2\x85 b\"") << QString();
        QTest::newRow("raw U+009F") << QByteArray("\"a\xc2\x9f b\"") << QString();
        QTest::newRow("escaped U+0001") << QByteArray("\"a\\u0001b\"") << QString();
        QTest::newRow("escaped ESC") << QByteArray("\"a\\u001bb\"") << QString();
        QTest::newRow("escaped DEL") << QByteArray("\"a\\u007Fb\"") << QString();
        QTest::newRow("escaped U+0085") << QByteArray("\"a\\u0085b\"") << QString();
        QTest::newRow("escaped backspace") << QByteArray("\"a\\bb\"") << QString();
        QTest::newRow("escaped form feed") << QByteArray("\"a\\fb\"") << QString();
        QTest::newRow("escaped carriage return") << QByteArray("\"a\\rb\"") << QString();
        QTest::newRow("U+00A0 is text")
            << QByteArray("\"a\xc2\xa0 b\"") << QStringLiteral("a\u00a0 b");
    }

    void strings() {
        QFETCH(QByteArray, title);
        QFETCH(QString, taken);
        WriteFile(source(), Line("1", title));
        if (taken.isNull()) {
            QVERIFY_THROWS_EXCEPTION(BuildError, ReadJsonLines(source(), false));
            try {
                ReadJsonLines(source(), false);
            } catch (const BuildError& e) {
                QVERIFY2(QString::fromUtf8(e.what()).startsWith(source() + QStringLiteral(":1: ")),
                         e.what());
            }
            return;
        }
        QCOMPARE(ReadJsonLines(source(), false).at(0).title, taken);
    }

    // Other members are passed over, whatever they hold; the line must still be one object.
    void structure() {
        WriteFile(source(), "{\"出处\": {\"卷\": [1, 2.5e3, true, null, \"x\"]}, " +
                                Line("3").mid(1) + "   \n\n");
        QCOMPARE(ReadJsonLines(source(), false).at(0).number, qint64(3));
        for (const QByteArray& bad :
             {QByteArray("[1]\n"), Line("1").trimmed() + "x\n", QByteArray("{\"编号\": 1,}\n"),
              QByteArray("{\"编号\": 1 \"标题\": \"a\"}\n")}) {
            WriteFile(source(), bad);
            QVERIFY_THROWS_EXCEPTION(BuildError, ReadJsonLines(source(), false));
        }
    }

    // A temporary file that the builder did not make is left alone, and the build stops.
    void foreignPartialFileIsLeftAlone() {
        const QString target = dir.path() + QStringLiteral("/sub/k.db");
        WriteKnowledgeDb({}, target, QStringLiteral("2008-05-20"));
        QVERIFY(!QFile::exists(target + QStringLiteral(".partial")));
        const QByteArray before = ReadAll(target);
        WriteFile(target + QStringLiteral(".partial"), "another build's file");
        try {
            WriteKnowledgeDb({}, target, QStringLiteral("2008-06-01"));
            QFAIL("the build went on");
        } catch (const BuildError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral(".partial")), e.what());
        }
        QFile partial(target + QStringLiteral(".partial"));
        QVERIFY(partial.open(QIODevice::ReadOnly));
        QCOMPARE(partial.readAll(), QByteArray("another build's file"));
        QFile after(target);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), before);
        // Once it is gone, the build works again.
        partial.close();
        QVERIFY(partial.remove());
        WritePersonalDb({test::Rec(1, QStringLiteral("a"), QStringLiteral("b"))}, target);
        QVERIFY(!QFile::exists(target + QStringLiteral(".partial")));
    }

    // A click finds a record by its title: the data shipped with the program has no title twice
    // in a table.
    void bundledTitlesAreUnique() {
        const QString dir = QStringLiteral(MERIDANE_SOURCE_DIR "/data/source");
        const KnowledgeSources sources = ReadKnowledgeSources(dir);
        const std::pair<const char*, const std::vector<SourceRecord>*> tables[] = {
            {"An1", &sources.An1},
            {"yao", &sources.yao},
            {"bing", &sources.bing},
            {"yishu1", &sources.yishu1}};
        const std::vector<SourceRecord> notes =
            ReadJsonLines(dir + QStringLiteral("/me1.jsonl"), false);
        const auto verifyUnique = [](const char* table, const std::vector<SourceRecord>& rows) {
            QVERIFY2(!rows.empty(), table);
            QSet<QString> titles;
            for (const SourceRecord& r : rows) {
                QVERIFY2(
                    !titles.contains(r.title),
                    qPrintable(QStringLiteral("%1: %2 twice").arg(QLatin1String(table), r.title)));
                titles.insert(r.title);
            }
        };
        for (const auto& [table, rows] : tables)
            verifyUnique(table, *rows);
        verifyUnique("me1", notes);
    }
};

QTEST_GUILESS_MAIN(BuildDbTest)
#include "tst_builddb.moc"
