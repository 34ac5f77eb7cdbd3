// The start-up check and the online update against a real HTTP server on 127.0.0.1: notices
// with and without an update, servers that refuse, never answer, lack the file, cut it short,
// never stop sending, drip, redirect elsewhere; downloaded databases that lack columns or carry
// views and triggers; signed sites; a cancelled update; and a complete update that restarts the
// program.
#include "buttons/command.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/download.h"
#include "services/lifecycle.h"
#include "services/site.h"
#include "services/update_check.h"
#include "shell/main_window.h"
#include "shell/record_pane.h"
#include "shell/shell_services.h"
#include "shell_test_support.h"
#include "test_site.h"
#include "test_support.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRadioButton>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

const QString kUpdatePath = QStringLiteral("/bak/cgzl2/cabe22.dll");
const QString kKnowledgePath = QStringLiteral("/bak/cgzl2/bk6.mp3");

KnowledgeSources Sources(const QString& title) {
    KnowledgeSources s;
    s.An1 = {Rec(1, title, QStringLiteral("组成：人参、白术、茯苓、甘草。"))};
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("大补元气")),
             Rec(2, QStringLiteral("黄芪"), QStringLiteral("补气升阳"))};
    s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("恶寒发热"))};
    s.yishu1 = {Rec(1, QStringLiteral("中风案"), QStringLiteral("口眼歪斜"))};
    return s;
}

QString InstalledStamp() {
    QString stamp;
    SqlConnection db;
    db.open(StoredKnowledgePath(), kDatabasePassword);
    SqlStatement row = db.prepare(QStringLiteral("SELECT cntr FROM cnt"));
    if (row.step())
        stamp = row.text(0);
    return stamp;
}

// Runs statements on a keyed file.
void Exec(const QString& file, const QString& sql) {
    SqlConnection db;
    db.open(file, kDatabasePassword, SqlConnection::Mode::CreateIfMissing);
    db.exec(sql);
}

// Whether a keyed file holds views or triggers.
int CodeObjects(const QString& file) {
    SqlConnection db;
    db.open(file, kDatabasePassword);
    SqlStatement n = db.prepare(
        QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type IN ('view','trigger')"));
    n.step();
    return int(n.integer(0));
}

// Runs meridane-signsite; its standard output, trimmed.
QString SignSite(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MERIDANE_SIGNSITE), args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        qFatal("meridane-signsite failed: %s", p.readAllStandardError().constData());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Limits small enough that a test waits seconds, not half a minute or gigabytes.
TransferLimits TestLimits() {
    TransferLimits l;
    l.startupCheckMs = 2500;
    l.stallMs = 2000;
    l.knowledgeDbBytes = qint64(16) << 20;
    return l;
}

// Limits under which a transfer that never completes can end only at its deadline: no stall
// is ever noticed. A check that returns at all under them has kept its deadline (one that did
// not would never return, and the test function's watchdog fails it).
TransferLimits DeadlineOnly(TransferLimits l) {
    l.stallMs = 24 * 60 * 60 * 1000;
    l.stallMinBytes = 1;
    return l;
}

} // namespace

class UpdateTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine engine;
    QTemporaryDir keys;
    QString publicKey, otherPublicKey;
    std::unique_ptr<QTemporaryDir> siteDir;
    std::unique_ptr<SiteServer> site;
    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<RecordingShell> shell;

    QString sitePath(const QString& file) const {
        return siteDir->path() + QStringLiteral("/bak/cgzl2/") + file;
    }
    QString keyFile(const char* name) const { return keys.filePath(QLatin1String(name)); }
    void signSite(const char* key = "vendor.pem") {
        SignSite(
            {QStringLiteral("--key"), keyFile(key), QStringLiteral("--site"), siteDir->path()});
    }
    void useVendorKey() { SetUpdateKey(QByteArray::fromHex(publicKey.toLatin1())); }

    std::unique_ptr<frmMain> openWindow() {
        auto window = std::make_unique<frmMain>(engine, std::make_unique<SilentDevice>());
        window->show();
        return window;
    }

    // The titles a new search of category (the option button's caption) lists.
    QStringList search(const QString& category, const QString& keywords) {
        auto window = openWindow();
        for (QRadioButton* o :
             {window->Option1, window->Option2, window->Option3, window->Option5, window->Option6})
            if (o->text() == category)
                o->setChecked(true);
        window->Text1[0]->setText(keywords);
        QTest::mouseClick(window->Command1, Qt::LeftButton); // "查询"
        QStringList titles;
        for (int i = 0; i < window->List1->count(); ++i)
            titles << window->List1->item(i)->text();
        window->close();
        return titles;
    }

    // Runs "在线更新" to its end; whether it succeeded (the program restarted).
    bool onlineUpdate() {
        auto window = openWindow();
        QSignalSpy completed(window->DL, &bkDLControl::completed);
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        if (!completed.wait(20000))
            return false;
        const bool ok = !shell->started.isEmpty();
        if (!ok && messages->shown.last().prompt != kDownloadFailed)
            qFatal("a failed update without its message");
        return ok;
    }

    // The start-up check's outcome, with the time it took.
    StartupOutcome startup(qint64* ms = nullptr) {
        QElapsedTimer clock;
        clock.start();
        StartupOutcome out = RunStartup([] {});
        if (ms)
            *ms = clock.elapsed();
        return out;
    }

private slots:
    void initTestCase() {
        publicKey = SignSite({QStringLiteral("--new-key"), keyFile("vendor.pem")});
        otherPublicKey = SignSite({QStringLiteral("--new-key"), keyFile("other.pem")});
        QCOMPARE(publicKey.size(), 64);
        QCOMPARE(SignSite({QStringLiteral("--public-key"), keyFile("vendor.pem")}), publicKey);
        QVERIFY(publicKey != otherPublicKey);
    }

    void init() {
        SetLimits(TestLimits());
        siteDir = std::make_unique<QTemporaryDir>();
        QDir().mkpath(siteDir->path() + QStringLiteral("/bak/cgzl2"));
        WriteKnowledgeDb(Sources(QStringLiteral("新版四君子汤")),
                         sitePath(QStringLiteral("bk6.mp3")), QStringLiteral("2008-06-01"));
        WriteUpdateDb(sitePath(QStringLiteral("cabe22.dll")), QStringLiteral("2008-06-01"),
                      QStringLiteral("本期公告"));
        site = std::make_unique<SiteServer>(siteDir->path());
        qputenv("MERIDANE_SITE_ADDRESS", site->address().toUtf8());
        folder = std::make_unique<TempProgramFolder>(Sources(QStringLiteral("四君子汤")));
        WriteFile(folder->path() + QStringLiteral("/Ifonts.fon"), "placeholder\n");
        messages = std::make_unique<ScriptedMessages>();
        shell = std::make_unique<RecordingShell>();
    }

    void cleanup() {
        shell.reset();
        messages.reset();
        folder.reset();
        site.reset();
        siteDir.reset();
        qunsetenv("MERIDANE_SITE_ADDRESS");
        SetLimits(TransferLimits{});
        SetUpdateKey({});
    }

    void productionLimits() {
        const TransferLimits l;
        QCOMPARE(l.startupCheckMs, 5000);
        QCOMPARE(l.stallMs, 30000);
        QCOMPARE(l.noticeDbBytes, qint64(4) * 1024 * 1024);
        QCOMPARE(l.knowledgeDbBytes, qint64(4) * 1024 * 1024 * 1024);
        QVERIFY(UpdateKey().isEmpty()); // the default build asks for no signatures
    }

    void startupNotice_data() {
        QTest::addColumn<QString>("offered");
        QTest::addColumn<bool>("announced");
        QTest::newRow("newer") << QStringLiteral("2008-06-01") << true;
        QTest::newRow("equal") << QStringLiteral("2008-05-20") << false;
        QTest::newRow("older") << QStringLiteral("2008-05-01") << false;
    }

    void startupNotice() {
        QFETCH(QString, offered);
        QFETCH(bool, announced);
        WriteUpdateDb(sitePath(QStringLiteral("cabe22.dll")), offered, QStringLiteral("本期公告"));
        auto window = openWindow();
        QCOMPARE(site->requested(), QStringList{kUpdatePath});
        QCOMPARE(window->Text3->text(), QStringLiteral("2008-05-20"));
        QCOMPARE(window->Text4->text(), offered);
        QCOMPARE(window->RichTextBox1->toPlainText(),
                 announced ? QStringLiteral("\n    系统检测到您有更新！\n本期公告")
                           : QStringLiteral("\n\n本期公告"));
        QVERIFY(QFile::exists(UpdateDbPath()));
        window->close();
        QVERIFY(!QFile::exists(UpdateDbPath()));
        QVERIFY(messages->shown.isEmpty());
    }

    // A notice too long to lay out in good time: the pane shows its first part and a line that
    // says it was cut, whether the notice is one line without a break or very many short ones.
    void longNotice_data() {
        QTest::addColumn<QString>("notice");
        QTest::newRow("one line") << QString(3 * 1024 * 1024, QLatin1Char('x'));
        QString lines;
        while (lines.size() < 1024 * 1024)
            lines += QStringLiteral("公告\n");
        QTest::newRow("short lines") << lines;
        // A character of two UTF-16 units across the bound is left out whole.
        QTest::newRow("pair at the bound") << QString(kMaxShownChars - 1, QLatin1Char('x')) +
                                                  QStringLiteral("\U00020000 and more");
    }

    void longNotice() {
        QFETCH(QString, notice);
        WriteUpdateDb(sitePath(QStringLiteral("cabe22.dll")), QStringLiteral("2008-06-01"), notice);
        auto window = openWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        const QString shown = notice.left(
            notice.at(kMaxShownChars - 1).isHighSurrogate() ? kMaxShownChars - 1 : kMaxShownChars);
        QCOMPARE(window->RichTextBox1->toPlainText(),
                 QStringLiteral("\n    系统检测到您有更新！\n") + shown + QLatin1Char('\n') +
                     kNoticeCut);
        QCOMPARE(kNoticeCut, QStringLiteral("……（公告过长，以下内容未显示）"));
        // The window answers: 退出 ends it.
        QTest::mouseClick(window->Command8, Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QVERIFY(!QFile::exists(UpdateDbPath()));
    }

    void stampsCompareAsText() {
        QVERIFY(HasUpdate(QString(), QStringLiteral("2008-06-01")));
        QVERIFY(HasUpdate(QStringLiteral("2008-05-20"), QStringLiteral("2008-05-20a")));
        QVERIFY(!HasUpdate(QStringLiteral("2008-06-01"), QStringLiteral("2008-06-01")));
        QVERIFY(!HasUpdate(QStringLiteral("2008-06-01"), QString()));
        QCOMPARE(FormatPercent(0.004f), QStringLiteral("0%"));
        QCOMPARE(FormatPercent(0.5f), QStringLiteral("50%"));
        QCOMPARE(FormatPercent(0.996f), QStringLiteral("100%"));
        QCOMPARE(FormatPercent(1.f), QStringLiteral("100%"));
    }

    void downloadFailures() {
        const QString target = folder->path() + QStringLiteral("/sys/cabe.dll");
        WriteFile(target, "old");

        // Not on the site.
        QVERIFY(!DownloadFile(site->address() + QStringLiteral("/bak/cgzl2/none.dll"), target));
        QCOMPARE(ReadAll(target), QByteArray("old"));

        // Cut short.
        site->serve(kUpdatePath, Serve::Truncate);
        QVERIFY(!DownloadFile(UpdateDbAddress(), target));
        QCOMPARE(ReadAll(target), QByteArray("old"));

        // Accepted and never answered: ended by the start-up check's deadline.
        site->serve(kUpdatePath, Serve::Hang);
        SetLimits(DeadlineOnly(TransferLimits{}));
        QVERIFY(!DownloadFile(UpdateDbAddress(), target));
        SetLimits(TransferLimits{});
        QCOMPARE(ReadAll(target), QByteArray("old"));

        // Nobody listening.
        const QString refused = QStringLiteral("http://127.0.0.1:9/bak/cgzl2/cabe22.dll");
        QVERIFY(!DownloadFile(refused, target));
        QCOMPARE(ReadAll(target), QByteArray("old"));
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sys")).entryList(QDir::Files),
                 QStringList{QStringLiteral("cabe.dll")});

        // And a whole file replaces the old one.
        site->reset();
        QVERIFY(DownloadFile(UpdateDbAddress(), target));
        QCOMPARE(ReadAll(target), ReadAll(sitePath(QStringLiteral("cabe22.dll"))));
    }

    void startupWithoutSite() {
        qputenv("MERIDANE_SITE_ADDRESS", "http://127.0.0.1:9");
        auto window = openWindow();
        QCOMPARE(window->Text3->text(), QStringLiteral("2008-05-20"));
        QCOMPARE(window->Text4->text(), QString());
        QCOMPARE(window->RichTextBox1->toPlainText(), QString());
        QCOMPARE(window->Combo1->count(), 12);
        QVERIFY(messages->shown.isEmpty());
    }

    // Whatever the site sends, the start-up check ends within its time, keeps nothing and
    // shows nothing. Only the deadline or the size bound can end it here, never a stall.
    void startupCheckIsBounded_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("endless body") << int(Serve::Endless);
        QTest::newRow("drip") << int(Serve::Drip);
        QTest::newRow("never answers") << int(Serve::Hang);
        QTest::newRow("length over the bound") << int(Serve::Oversize);
    }

    void startupCheckIsBounded() {
        QFETCH(int, how);
        site->serve(kUpdatePath, Serve(how));
        SetLimits(DeadlineOnly(TestLimits()));
        qint64 ms = 0;
        const StartupOutcome out = startup(&ms);
        qInfo("start-up check took %lld ms (bound %d ms)", ms, Limits().startupCheckMs);
        QCOMPARE(out.installedStamp, QStringLiteral("2008-05-20"));
        QCOMPARE(out.offeredStamp, QString());
        QVERIFY(out.notice.isNull());
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sys")).entryList(QDir::Files),
                 QStringList());
    }

    void oversizeUpdateDb() {
        TransferLimits l = TestLimits();
        l.noticeDbBytes = QFileInfo(sitePath(QStringLiteral("cabe22.dll"))).size() - 1;
        SetLimits(l);
        QVERIFY(startup().notice.isNull());
        QVERIFY(!QFile::exists(UpdateDbPath()));
        l.noticeDbBytes += 1;
        SetLimits(l);
        QCOMPARE(startup().notice,
                 QStringLiteral("\r\n") + kUpdateAnnouncement + QStringLiteral("\r\n本期公告"));
    }

    // A notice database that lacks a table or a column the check reads, or that carries
    // anything that runs code, ends the check silently and is not kept.
    void unusableUpdateDb_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("no downdate") << QStringLiteral(
            "CREATE TABLE cnt_date (other TEXT); INSERT INTO cnt_date VALUES ('2008-06-01');"
            "CREATE TABLE gao (gonggao TEXT); INSERT INTO gao VALUES ('公告');");
        QTest::newRow("no gonggao") << QStringLiteral(
            "CREATE TABLE cnt_date (downdate TEXT); INSERT INTO cnt_date VALUES ('2008-06-01');"
            "CREATE TABLE gao (other TEXT); INSERT INTO gao VALUES ('公告');");
        QTest::newRow("no gao") << QStringLiteral(
            "CREATE TABLE cnt_date (downdate TEXT); INSERT INTO cnt_date VALUES ('2008-06-01');");
        QTest::newRow("gao an endless view") << QStringLiteral(
            "CREATE TABLE cnt_date (downdate TEXT); INSERT INTO cnt_date VALUES ('2008-06-01');"
            "CREATE VIEW gao AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM r) "
            "SELECT 'x' AS gonggao FROM r WHERE n < 0;");
        QTest::newRow("a trigger") << QStringLiteral(
            "CREATE TABLE cnt_date (downdate TEXT); INSERT INTO cnt_date VALUES ('2008-06-01');"
            "CREATE TABLE gao (gonggao TEXT); INSERT INTO gao VALUES ('公告');"
            "CREATE TRIGGER t AFTER UPDATE ON gao BEGIN DELETE FROM cnt_date; END;");
        QTest::newRow("no rows") << QStringLiteral(
            "CREATE TABLE cnt_date (downdate TEXT); CREATE TABLE gao (gonggao TEXT);");
    }

    void unusableUpdateDb() {
        QFETCH(QString, sql);
        QFile::remove(sitePath(QStringLiteral("cabe22.dll")));
        Exec(sitePath(QStringLiteral("cabe22.dll")), sql);
        auto window = openWindow();
        QCOMPARE(window->Text3->text(), QStringLiteral("2008-05-20"));
        QCOMPARE(window->RichTextBox1->toPlainText(), QString());
        QVERIFY(messages->shown.isEmpty());
        if (QTest::currentDataTag() != QLatin1String("no rows"))
            QVERIFY(!QFile::exists(UpdateDbPath()));
    }

    void extraColumnsAreAllowed() {
        QFile::remove(sitePath(QStringLiteral("cabe22.dll")));
        Exec(sitePath(QStringLiteral("cabe22.dll")),
             QStringLiteral("CREATE TABLE cnt_date (id INTEGER, downdate TEXT, note TEXT);"
                            "INSERT INTO cnt_date VALUES (1, '2008-06-01', 'x');"
                            "CREATE TABLE gao (id INTEGER, gonggao TEXT);"
                            "INSERT INTO gao VALUES (1, '公告'); INSERT INTO gao VALUES (2, '旧');"
                            "CREATE INDEX gao_id ON gao (id);"));
        QCOMPARE(startup().notice,
                 QStringLiteral("\r\n") + kUpdateAnnouncement + QStringLiteral("\r\n公告"));
    }

    // An update database left in sys/ is never read: the start-up removes it before its
    // download, even when no site answers. (Reading its view would never end, so a start-up
    // that returns at all has not read it.)
    void staleUpdateDbIsNotRead() {
        qputenv("MERIDANE_SITE_ADDRESS", "http://127.0.0.1:9");
        Exec(UpdateDbPath(),
             QStringLiteral(
                 "CREATE TABLE cnt_date (downdate TEXT); INSERT INTO cnt_date VALUES ('2099');"
                 "CREATE VIEW gao AS WITH RECURSIVE r(n) AS (SELECT 1 UNION ALL SELECT n + 1 "
                 "FROM r) SELECT 'x' AS gonggao FROM r WHERE n < 0;"));
        const StartupOutcome out = startup();
        QCOMPARE(out.offeredStamp, QString());
        QVERIFY(!QFile::exists(UpdateDbPath()));

        // Nor is a good one of an earlier run.
        WriteUpdateDb(UpdateDbPath(), QStringLiteral("2099-01-01"), QStringLiteral("旧公告"));
        QVERIFY(startup().notice.isNull());
        QVERIFY(!QFile::exists(UpdateDbPath()));
    }

    void redirects() {
        SiteServer elsewhere(siteDir->path(), QHostAddress(QStringLiteral("127.0.0.2")));
        const QString target = folder->path() + QStringLiteral("/sys/cabe.dll");

        // Another host: not followed.
        site->redirect(kUpdatePath, elsewhere.address() + kUpdatePath);
        QVERIFY(!DownloadFile(UpdateDbAddress(), target));
        QVERIFY(!QFile::exists(target));
        QVERIFY(elsewhere.requested().isEmpty());
        QVERIFY(startup().notice.isNull());

        // The same host: followed.
        QFile::copy(sitePath(QStringLiteral("cabe22.dll")), sitePath(QStringLiteral("moved.dll")));
        site->redirect(kUpdatePath, QStringLiteral("/bak/cgzl2/moved.dll"));
        QVERIFY(DownloadFile(UpdateDbAddress(), target));
        QCOMPARE(ReadAll(target), ReadAll(sitePath(QStringLiteral("cabe22.dll"))));

        // The online update likewise.
        site->redirect(kKnowledgePath, elsewhere.address() + kKnowledgePath);
        QVERIFY(!onlineUpdate());
        QVERIFY(elsewhere.requested().isEmpty());
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-05-20"));
    }

    void onlineUpdateSucceeds() {
        auto window = openWindow();
        QSignalSpy closed(window->DL, &bkDLControl::completed);

        // No: nothing happens.
        messages->answers << MsgAnswer::No;
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        QCOMPARE(messages->shown.last().prompt, QStringLiteral("是否现在下载更新？"));
        QCOMPARE(messages->shown.last().flags, 4);
        QVERIFY(!site->requested().contains(kKnowledgePath));

        // Yes: the caption follows the transfer, the new database replaces the old one, the
        // program ends and starts again.
        QStringList captions;
        connect(window->DL, &bkDLControl::progress, this,
                [&] { captions << window->windowTitle(); });
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        QVERIFY(closed.wait(10000));
        QVERIFY(!captions.isEmpty());
        QCOMPARE(captions.last(), DownloadCaptionPrefix() + QStringLiteral("100%"));
        QVERIFY(captions.last().startsWith(QStringLiteral("Meridane5.0   ") + SiteAddress() +
                                           QStringLiteral("   在线更新进程：  ")));
        QCOMPARE(messages->shown.last().prompt, QStringLiteral("更新下载完成，将重新启动程序！"));
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-06-01"));
        QVERIFY(!window->isVisible());
        QCOMPARE(ReadAll(WorkingCopyPath()), QByteArray("placeholder\n")); // shutdown ran
        QCOMPARE(shell->started, QStringList{QCoreApplication::applicationFilePath()});
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sound")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});
        QCOMPARE(search(QStringLiteral("中药"), QStringLiteral("补")),
                 (QStringList{QStringLiteral("人参"), QStringLiteral("黄芪")}));
    }

    void onlineUpdateFailures_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("truncated") << QStringLiteral("truncate");
        QTest::newRow("missing") << QStringLiteral("404");
        QTest::newRow("not a database") << QStringLiteral("junk");
        QTest::newRow("refused") << QStringLiteral("refused");
        QTest::newRow("endless body") << QStringLiteral("endless");
        QTest::newRow("drip") << QStringLiteral("drip");
        QTest::newRow("over the size bound") << QStringLiteral("oversize");
        QTest::newRow("length over the bound") << QStringLiteral("announced");
        QTest::newRow("no 关键字 in An1") << QStringLiteral("column");
        QTest::newRow("yao a view") << QStringLiteral("view");
        QTest::newRow("columns out of place") << QStringLiteral("order");
        QTest::newRow("a hit count in words") << QStringLiteral("words");
        QTest::newRow("a hit count with a fraction") << QStringLiteral("fraction");
        QTest::newRow("no hit count") << QStringLiteral("null");
    }

    void onlineUpdateFailures() {
        QFETCH(QString, how);
        const QString file = sitePath(QStringLiteral("bk6.mp3"));
        if (how == QLatin1String("truncate"))
            site->serve(kKnowledgePath, Serve::Truncate);
        if (how == QLatin1String("404"))
            QFile::remove(file);
        if (how == QLatin1String("junk"))
            WriteFile(file, QByteArray(8192, 'x'));
        if (how == QLatin1String("refused"))
            qputenv("MERIDANE_SITE_ADDRESS", "http://127.0.0.1:9");
        if (how == QLatin1String("endless"))
            site->serve(kKnowledgePath, Serve::Endless);
        if (how == QLatin1String("drip"))
            site->serve(kKnowledgePath, Serve::Drip);
        if (how == QLatin1String("announced"))
            site->serve(kKnowledgePath, Serve::Oversize);
        if (how == QLatin1String("oversize")) {
            TransferLimits l = TestLimits();
            l.knowledgeDbBytes = QFileInfo(file).size() - 1;
            SetLimits(l);
        }
        if (how == QLatin1String("column"))
            Exec(file,
                 QStringLiteral("ALTER TABLE An1 RENAME TO old; CREATE TABLE An1 (编号 "
                                "INTEGER, 标题 TEXT, 文本 TEXT, 相符个数 INTEGER);"
                                "INSERT INTO An1 SELECT 编号, 标题, 文本, 相符个数 FROM old;"));
        if (how == QLatin1String("view"))
            Exec(file, QStringLiteral("ALTER TABLE yao RENAME TO old; CREATE VIEW yao AS "
                                      "SELECT * FROM old;"));
        // Hit counts in a column declared as text, one of them not a whole number.
        const QString textCounts = QStringLiteral(
            "ALTER TABLE yao RENAME TO old; CREATE TABLE yao (编号 INTEGER, 药名 TEXT, 文本 TEXT, "
            "相符个数 TEXT); INSERT INTO yao SELECT 编号, 药名, 文本, 相符个数 FROM old; "
            "DROP TABLE old; UPDATE yao SET 相符个数 = %1 WHERE 编号 = 2;");
        if (how == QLatin1String("words"))
            Exec(file, textCounts.arg(QStringLiteral("'两'")));
        if (how == QLatin1String("fraction"))
            Exec(file, textCounts.arg(QStringLiteral("2.5")));
        if (how == QLatin1String("null"))
            Exec(file, textCounts.arg(QStringLiteral("NULL")));
        if (how == QLatin1String("order"))
            Exec(file, QStringLiteral("ALTER TABLE bing RENAME TO old; CREATE TABLE bing (病名 "
                                      "TEXT, 编号 INTEGER, 文本 TEXT, 相符个数 INTEGER);"));
        const QByteArray before = ReadAll(StoredKnowledgePath());

        QElapsedTimer clock;
        clock.start();
        QVERIFY(!onlineUpdate());
        qInfo("failed after %lld ms", clock.elapsed());
        QCOMPARE(messages->shown.last().prompt, QStringLiteral("与服务器连接失败！下载失败！"));
        QVERIFY(shell->started.isEmpty());
        QCOMPARE(ReadAll(StoredKnowledgePath()), before);
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sound")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});
    }

    // What runs code in a downloaded knowledge database does not come along: its rows are
    // copied into a file of the program's own.
    void knowledgeDbIsCopiedClean() {
        const QString file = sitePath(QStringLiteral("bk6.mp3"));
        Exec(file, QStringLiteral(
                       "CREATE TRIGGER slow AFTER UPDATE ON An1 BEGIN SELECT count(*) FROM An1 a, "
                       "An1 b, An1 c, An1 d, An1 e, An1 f; END;"
                       "CREATE TRIGGER tamper AFTER UPDATE ON yao BEGIN DELETE FROM yao WHERE "
                       "编号 > 1; UPDATE yao SET 药名 = '篡改'; END;"
                       "CREATE VIEW extra AS SELECT * FROM yao;"
                       "CREATE TABLE notes (x TEXT);"
                       "ALTER TABLE yao ADD COLUMN 备注 TEXT;"));
        QCOMPARE(CodeObjects(file), 3);
        QVERIFY(!IsUsableKnowledgeDb(file));
        QVERIFY(onlineUpdate());
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-06-01"));
        QCOMPARE(CodeObjects(StoredKnowledgePath()), 0);
        QVERIFY(IsUsableKnowledgeDb(StoredKnowledgePath()));
        QCOMPARE(search(QStringLiteral("中药"), QStringLiteral("补")),
                 (QStringList{QStringLiteral("人参"), QStringLiteral("黄芪")}));
        QCOMPARE(search(QStringLiteral("中药"), QStringLiteral("补")),
                 (QStringList{QStringLiteral("人参"), QStringLiteral("黄芪")}));
        // The column beyond the first four came along.
        SqlConnection db;
        db.open(StoredKnowledgePath(), kDatabasePassword);
        db.prepare(QStringLiteral("SELECT 备注 FROM yao LIMIT 1"));
    }

    // A download that declares the hit count as text gets the program's own column types in
    // its copy: the hit counts still count and rank as numbers, by the statements and in memory.
    void hitCountsStayNumbers() {
        const QString file = sitePath(QStringLiteral("bk6.mp3"));
        Exec(file,
             QStringLiteral("DROP TABLE bing; CREATE TABLE bing (编号 TEXT, 病名 TEXT, 文本 TEXT, "
                            "相符个数 TEXT);"
                            "INSERT INTO bing VALUES ('1', '一证', '甲', '0');"
                            "INSERT INTO bing VALUES ('2', '九证', '甲乙丙丁戊己庚辛壬', '0');"
                            "INSERT INTO bing VALUES ('3', '十证', '甲乙丙丁戊己庚辛壬癸', '0');"));
        QVERIFY(onlineUpdate());
        SqlConnection db;
        db.open(StoredKnowledgePath(), kDatabasePassword);
        SqlStatement info = db.prepare(QStringLiteral("PRAGMA table_info(bing)"));
        QStringList types;
        while (info.step())
            types << info.text(2);
        QCOMPARE(types, (QStringList{QStringLiteral("INTEGER"), QStringLiteral("TEXT"),
                                     QStringLiteral("TEXT"), QStringLiteral("INTEGER")}));
        db.close();
        const QString keywords = QStringLiteral("甲，乙，丙，丁，戊，己，庚，辛，壬，癸");
        const QStringList ranked{QStringLiteral("十证"), QStringLiteral("九证"),
                                 QStringLiteral("一证")};
        QCOMPARE(search(QStringLiteral("病理"), keywords), ranked);
        QCOMPARE(search(QStringLiteral("病理"), keywords), ranked);
    }

    // Data older than the data in use is not taken, signed or not: the user is told so and goes
    // on working with what they have.
    void olderDataIsRefused_data() {
        QTest::addColumn<bool>("signedSite");
        QTest::newRow("unsigned") << false;
        QTest::newRow("signed") << true;
    }
    void olderDataIsRefused() {
        QFETCH(bool, signedSite);
        WriteKnowledgeDb(Sources(QStringLiteral("旧版四君子汤")),
                         sitePath(QStringLiteral("bk6.mp3")), QStringLiteral("2008-05-01"));
        if (signedSite) {
            useVendorKey();
            signSite();
        }
        const QByteArray before = ReadAll(StoredKnowledgePath());
        auto window = openWindow();
        const QString caption = window->windowTitle();
        QSignalSpy completed(window->DL, &bkDLControl::completed);
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        QVERIFY(completed.wait(20000));
        QVERIFY(site->requested().contains(kKnowledgePath));
        QCOMPARE(messages->shown.last().prompt,
                 QStringLiteral("服务器上的资料比现有的旧，未更新！"));
        QCOMPARE(messages->shown.last().flags, 0);
        QCOMPARE(messages->shown.last().title, QStringLiteral("Meridane"));
        QVERIFY(shell->started.isEmpty());
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), caption);
        QCOMPARE(ReadAll(StoredKnowledgePath()), before);
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sound")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});
        window->close();

        // The same data as in use may be fetched again.
        WriteKnowledgeDb(Sources(QStringLiteral("同版四君子汤")),
                         sitePath(QStringLiteral("bk6.mp3")), QStringLiteral("2008-05-20"));
        if (signedSite)
            signSite();
        QVERIFY(onlineUpdate());
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-05-20"));
        QVERIFY(ReadAll(StoredKnowledgePath()) != before);
    }

    void cancelOnlineUpdate() {
        site->serve(kKnowledgePath, Serve::Drip);
        site->setDripMs(50);
        auto window = openWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QSignalSpy completed(window->DL, &bkDLControl::completed);
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        QTRY_VERIFY(window->windowTitle().startsWith(DownloadCaptionPrefix()));

        // No: the download goes on.
        messages->answers << MsgAnswer::No;
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QCOMPARE(messages->shown.last().prompt, kAskCancelDownload);
        QCOMPARE(messages->shown.last().flags, 4);
        QVERIFY(window->DL->running());

        // Yes: the download ends, the program says so and goes on with the data it had.
        messages->answers << MsgAnswer::Yes;
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QTRY_COMPARE(completed.size(), 1);
        QCOMPARE(messages->shown.last().prompt, kDownloadCancelled);
        QCOMPARE(messages->count(kDownloadFailed), 0);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Meridane5.0   ") + SiteAddress());
        QVERIFY(shell->started.isEmpty());
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-05-20"));
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sound")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});
        // The window still searches, and a new download can start.
        window->Text1[0]->setText(QStringLiteral("人参"));
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QVERIFY(window->List1->count() > 0);
        site->serve(kKnowledgePath, Serve::File);
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        QTRY_COMPARE(completed.size(), 2);
        QCOMPARE(messages->shown.last().prompt, kDownloadDone);
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-06-01"));
    }

    // A download that ends while "是否取消下载？" is open tells its outcome once the question
    // is answered, never on top of it; a late Yes cancels nothing.
    void downloadEndsWhileAskingToCancel() {
        auto window = openWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QSignalSpy completed(window->DL, &bkDLControl::completed);

        // A modal question runs the event loop until it is answered.
        struct Asking : MessageService {
            QSignalSpy* completed = nullptr;
            QStringList shown, shownOnTop;
            bool open = false;
            int MsgBox(const QString& prompt, int, const QString&) override {
                (open ? shownOnTop : shown) << prompt;
                if (prompt != kAskCancelDownload)
                    return MsgAnswer::Yes;
                open = true;
                (void)QTest::qWaitFor([this] { return completed->size() > 0; }, 20000);
                QTest::qWait(100);
                open = false;
                return MsgAnswer::Yes;
            }
        } asking;
        asking.completed = &completed;
        SetMessageService(&asking);
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        QVERIFY(window->DL->running());
        QTest::keyClick(window.get(), Qt::Key_Escape);
        SetMessageService(messages.get());

        QCOMPARE(completed.size(), 1);
        QVERIFY2(asking.shownOnTop.isEmpty(), qPrintable(asking.shownOnTop.join(u',')));
        QCOMPARE(asking.shown, (QStringList{kAskDownload, kAskCancelDownload, kDownloadDone}));
        QCOMPARE(shell->started.size(), 1);
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-06-01"));
    }

    // The received file is checked and copied on a thread of its own: the window's thread goes
    // on meanwhile, and a cancel stops the check, with the stored database left as it was.
    void checkRunsBesideTheWindow() {
        std::atomic<bool> checking{false}, onWindowThread{true}, sawStop{false};
        bkDLControl dl;
        dl.SourceAddress = KnowledgeDbAddress();
        dl.TargetFolder = folder->path() + QStringLiteral("/sound");
        dl.options = KnowledgeDbTransfer();
        dl.check = [&](const QString&, std::stop_token stop) {
            onWindowThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            checking = true;
            // Waits for the cancel; where nothing can cancel it, it gives up after a while, so
            // that the test fails instead of hanging.
            const QDeadlineTimer giveUp(10000);
            while (!stop.stop_requested() && !giveUp.hasExpired())
                QThread::msleep(2);
            sawStop = stop.stop_requested();
            return false;
        };
        QSignalSpy completed(&dl, &bkDLControl::completed);
        dl.Start();
        QTRY_VERIFY(checking);
        QVERIFY(!onWindowThread);
        QVERIFY(dl.running());
        QVERIFY(completed.isEmpty());
        bool turned = false;
        QTimer::singleShot(0, this, [&] { turned = true; });
        QTRY_VERIFY(turned);

        dl.Cancel();
        QTRY_COMPARE(completed.size(), 1);
        QVERIFY(sawStop);
        QVERIFY(!dl.running());
        QVERIFY(!dl.succeeded());
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-05-20"));
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sound")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});

        // The program's own copy gives up at once when asked to stop, and leaves the file as it
        // was.
        const QString file = sitePath(QStringLiteral("bk6.mp3"));
        const QByteArray before = ReadAll(file);
        std::stop_source stopped;
        stopped.request_stop();
        QVERIFY(!AcceptKnowledgeDb(file, stopped.get_token()));
        QVERIFY(!IsUsableKnowledgeDb(file, stopped.get_token()));
        QCOMPARE(ReadAll(file), before);
        QVERIFY(!QFile::exists(file + QStringLiteral(".clean")));
        QVERIFY(AcceptKnowledgeDb(file));
    }

    // Esc pressed while the whole file is being checked and copied asks whether to cancel; on No
    // the update goes on to its end.
    void escWhileChecking() {
        auto window = openWindow();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QSignalSpy completed(window->DL, &bkDLControl::completed);
        bool pressed = false;
        connect(window->DL, &bkDLControl::progress, this, [&](float fraction) {
            if (fraction < 1.0f || pressed)
                return;
            pressed = true;
            QMetaObject::invokeMethod(
                window.get(), [&] { QTest::keyClick(window.get(), Qt::Key_Escape); },
                Qt::QueuedConnection);
        });
        messages->answers << MsgAnswer::Yes << MsgAnswer::No;
        QTest::mouseClick(window->Command10, Qt::LeftButton);
        QVERIFY(completed.wait(20000));
        QVERIFY(pressed);
        QCOMPARE(messages->count(kAskCancelDownload), 1);
        QCOMPARE(messages->shown.last().prompt, kDownloadDone);
        QCOMPARE(InstalledStamp(), QStringLiteral("2008-06-01"));
    }

    void captionBelowHundredFails() {
        // A transfer whose last progress showed 99% counts as failed, even if it stored a file.
        auto window = openWindow();
        window->DLProgress(0.994f);
        QCOMPARE(window->windowTitle(), DownloadCaptionPrefix() + QStringLiteral("99%"));
        window->DLCompleted();
        QCOMPARE(messages->shown.last().prompt, QStringLiteral("与服务器连接失败！下载失败！"));
        QVERIFY(shell->started.isEmpty());
    }

    // With a vendor key, a file counts only with its valid signature beside it.
    void signedSite_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("good") << QStringLiteral("good") << true;
        QTest::newRow("missing") << QStringLiteral("missing") << false;
        QTest::newRow("wrong key") << QStringLiteral("wrong") << false;
        QTest::newRow("tampered file") << QStringLiteral("tampered") << false;
        QTest::newRow("not a signature") << QStringLiteral("junk") << false;
        QTest::newRow("other file's signature") << QStringLiteral("swapped") << false;
    }

    void signedSite() {
        QFETCH(QString, how);
        QFETCH(bool, accepted);
        useVendorKey();
        signSite(how == QLatin1String("wrong") ? "other.pem" : "vendor.pem");
        const QString update = sitePath(QStringLiteral("cabe22.dll"));
        const QString knowledge = sitePath(QStringLiteral("bk6.mp3"));
        if (how == QLatin1String("missing")) {
            QFile::remove(update + QStringLiteral(".sig"));
            QFile::remove(knowledge + QStringLiteral(".sig"));
        }
        if (how == QLatin1String("tampered")) {
            WriteUpdateDb(update, QStringLiteral("2008-06-01"), QStringLiteral("改过的公告"));
            Exec(knowledge, QStringLiteral("UPDATE yao SET 药名 = '篡改'"));
        }
        if (how == QLatin1String("junk")) {
            WriteFile(update + QStringLiteral(".sig"), "not a signature\n");
            WriteFile(knowledge + QStringLiteral(".sig"), QByteArray(2000, 'A'));
        }
        if (how == QLatin1String("swapped")) {
            const QByteArray a = ReadAll(update + QStringLiteral(".sig"));
            WriteFile(update + QStringLiteral(".sig"), ReadAll(knowledge + QStringLiteral(".sig")));
            WriteFile(knowledge + QStringLiteral(".sig"), a);
        }

        auto window = openWindow();
        QCOMPARE(site->requested().first(), kUpdatePath + QStringLiteral(".sig"));
        QCOMPARE(window->RichTextBox1->toPlainText(),
                 accepted ? QStringLiteral("\n    系统检测到您有更新！\n本期公告") : QString());
        QCOMPARE(QFile::exists(UpdateDbPath()), accepted);
        window->close();

        QCOMPARE(onlineUpdate(), accepted);
        QCOMPARE(InstalledStamp(),
                 accepted ? QStringLiteral("2008-06-01") : QStringLiteral("2008-05-20"));
        QVERIFY(messages->shown.last().prompt == (accepted ? kDownloadDone : kDownloadFailed));
    }

    void signatures() {
        const QString update = sitePath(QStringLiteral("cabe22.dll"));
        signSite();
        const QByteArray key = QByteArray::fromHex(publicKey.toLatin1());
        const QByteArray sig = ReadAll(update + QStringLiteral(".sig"));
        QVERIFY(VerifySiteFile(kUpdateDbSitePath, update, sig, key));
        QVERIFY(!VerifySiteFile(kKnowledgeDbSitePath, update, sig, key));
        QVERIFY(!VerifySiteFile(kUpdateDbSitePath, update, sig,
                                QByteArray::fromHex(otherPublicKey.toLatin1())));
        QVERIFY(!VerifySiteFile(kUpdateDbSitePath, update, sig, QByteArray()));
        QByteArray flipped = QByteArray::fromBase64(sig);
        flipped[10] = char(flipped[10] ^ 1);
        QVERIFY(!VerifySiteFile(kUpdateDbSitePath, update, flipped.toBase64(), key));
    }
};

QTEST_MAIN(UpdateTest)
#include "tst_update.moc"
