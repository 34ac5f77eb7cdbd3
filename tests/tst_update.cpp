// The start-up check and the online update against a real HTTP server on 127.0.0.1: notices
// with and without an update, servers that refuse, never answer, lack the file or cut it short,
// and a complete update that restarts the program.
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/download.h"
#include "services/site.h"
#include "services/update_check.h"
#include "shell/main_window.h"
#include "shell/record_pane.h"
#include "shell/shell_services.h"
#include "shell_test_support.h"
#include "test_support.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

// Serves the files of a folder. Paths listed in hang are accepted and never answered; paths in
// truncate get their full length announced and half of the body.
class SiteServer : public QObject {
public:
    explicit SiteServer(const QString& root) : root_(root) {
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection())
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { answer(s); });
        });
        if (!server_.listen(QHostAddress::LocalHost))
            qFatal("cannot listen on 127.0.0.1");
    }
    QString address() const {
        return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort());
    }
    QSet<QString> hang, truncate;
    QStringList requested;

private:
    void answer(QTcpSocket* s) {
        const QByteArray head = s->peek(8192);
        if (!head.contains("\r\n\r\n"))
            return;
        s->readAll();
        const QString path = QString::fromLatin1(head.split(' ').value(1));
        requested << path;
        if (hang.contains(path))
            return;
        QFile f(root_ + path);
        if (!f.open(QIODevice::ReadOnly)) {
            s->write("HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot "
                     "found");
        } else {
            const QByteArray body = f.readAll();
            s->write(
                "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n");
            s->write(truncate.contains(path) ? body.left(body.size() / 2) : body);
        }
        s->flush();
        s->disconnectFromHost();
    }

    QString root_;
    QTcpServer server_;
};

KnowledgeSources Sources(const QString& title) {
    KnowledgeSources s;
    s.An1 = {Rec(1, title, QStringLiteral("组成：人参、白术、茯苓、甘草。"))};
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("大补元气"))};
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

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class UpdateTest : public QObject {
    Q_OBJECT

    QTemporaryDir siteDir;
    std::unique_ptr<SiteServer> site;
    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    std::unique_ptr<RecordingShell> shell;

    QString sitePath(const QString& file) const {
        return siteDir.path() + QStringLiteral("/bak/cgzl2/") + file;
    }

    std::unique_ptr<frmMain> openWindow() {
        auto window = std::make_unique<frmMain>(std::make_unique<SilentDevice>());
        window->show();
        return window;
    }

private slots:
    void initTestCase() {
        QDir().mkpath(siteDir.path() + QStringLiteral("/bak/cgzl2"));
        WriteKnowledgeDb(Sources(QStringLiteral("新版四君子汤")),
                         sitePath(QStringLiteral("bk6.mp3")), QStringLiteral("2008-06-01"));
    }

    void init() {
        site = std::make_unique<SiteServer>(siteDir.path());
        qputenv("MERIDANE_SITE_ADDRESS", site->address().toUtf8());
        folder = std::make_unique<TempProgramFolder>(Sources(QStringLiteral("四君子汤")));
        QFile placeholder(folder->path() + QStringLiteral("/Ifonts.fon"));
        QVERIFY(placeholder.open(QIODevice::WriteOnly));
        placeholder.write("placeholder\n");
        messages = std::make_unique<ScriptedMessages>();
        shell = std::make_unique<RecordingShell>();
    }

    void cleanup() {
        shell.reset();
        messages.reset();
        folder.reset();
        site.reset();
        qunsetenv("MERIDANE_SITE_ADDRESS");
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
        QCOMPARE(site->requested, QStringList{QStringLiteral("/bak/cgzl2/cabe22.dll")});
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
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();

        // Not on the site.
        QVERIFY(!DownloadFile(site->address() + QStringLiteral("/bak/cgzl2/none.dll"), target));
        QCOMPARE(ReadAll(target), QByteArray("old"));

        // Cut short.
        WriteUpdateDb(sitePath(QStringLiteral("cabe22.dll")), QStringLiteral("2008-06-01"),
                      QStringLiteral("公告"));
        site->truncate << QStringLiteral("/bak/cgzl2/cabe22.dll");
        QVERIFY(!DownloadFile(UpdateDbAddress(), target));
        QCOMPARE(ReadAll(target), QByteArray("old"));

        // Accepted and never answered: bounded in time.
        site->hang << QStringLiteral("/bak/cgzl2/cabe22.dll");
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!DownloadFile(UpdateDbAddress(), target));
        QVERIFY2(clock.elapsed() < 3 * kDownloadFileTimeoutMs,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(ReadAll(target), QByteArray("old"));

        // Nobody listening.
        const QString refused = QStringLiteral("http://127.0.0.1:9/bak/cgzl2/cabe22.dll");
        QVERIFY(!DownloadFile(refused, target));
        QCOMPARE(ReadAll(target), QByteArray("old"));
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sys")).entryList(QDir::Files),
                 QStringList{QStringLiteral("cabe.dll")});

        // And a whole file replaces the old one.
        site->truncate.clear();
        site->hang.clear();
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

    void onlineUpdate() {
        auto window = openWindow();
        QSignalSpy closed(window->DL, &bkDLControl::completed);

        // No: nothing happens.
        messages->answers << MsgAnswer::No;
        window->Command10Click();
        QCOMPARE(messages->shown.last().prompt, QStringLiteral("是否现在下载更新？"));
        QCOMPARE(messages->shown.last().flags, 4);
        QVERIFY(!site->requested.contains(QStringLiteral("/bak/cgzl2/bk6.mp3")));

        // Yes: the caption follows the transfer, the new database replaces the old one, the
        // program ends and starts again.
        QStringList captions;
        connect(window->DL, &bkDLControl::progress, this,
                [&] { captions << window->windowTitle(); });
        window->Command10Click();
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
    }

    void onlineUpdateFailures_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("truncated") << QStringLiteral("truncate");
        QTest::newRow("missing") << QStringLiteral("404");
        QTest::newRow("not a database") << QStringLiteral("junk");
        QTest::newRow("refused") << QStringLiteral("refused");
    }

    void onlineUpdateFailures() {
        QFETCH(QString, how);
        const QString path = QStringLiteral("/bak/cgzl2/bk6.mp3");
        const QByteArray siteCopy = ReadAll(sitePath(QStringLiteral("bk6.mp3")));
        if (how == QLatin1String("truncate"))
            site->truncate << path;
        auto window = openWindow();
        if (how == QLatin1String("404"))
            QFile::rename(sitePath(QStringLiteral("bk6.mp3")), sitePath(QStringLiteral("away")));
        if (how == QLatin1String("junk")) {
            QFile f(sitePath(QStringLiteral("bk6.mp3")));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray(8192, 'x'));
        }
        if (how == QLatin1String("refused"))
            qputenv("MERIDANE_SITE_ADDRESS", "http://127.0.0.1:9");
        const QByteArray before = ReadAll(StoredKnowledgePath());

        QSignalSpy completed(window->DL, &bkDLControl::completed);
        window->Command10Click();
        QVERIFY(completed.wait(10000));
        QCOMPARE(completed.size(), 1);
        QCOMPARE(messages->shown.last().prompt, QStringLiteral("与服务器连接失败！下载失败！"));
        QVERIFY(!window->isVisible());
        QVERIFY(shell->started.isEmpty());
        QCOMPARE(ReadAll(StoredKnowledgePath()), before);
        QCOMPARE(QDir(folder->path() + QStringLiteral("/sound")).entryList(QDir::Files),
                 QStringList{QStringLiteral("bk6.mp3")});

        // Put the site back as it was.
        QFile::remove(sitePath(QStringLiteral("bk6.mp3")));
        QFile::remove(sitePath(QStringLiteral("away")));
        QFile f(sitePath(QStringLiteral("bk6.mp3")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(siteCopy);
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
};

QTEST_MAIN(UpdateTest)
#include "tst_update.moc"
