// The installed program: `cmake --install` into a temporary prefix, then the program and the
// tools started from it with a temporary home (the user's folder filled from the installed data,
// a search, a saved note, the online update against a local site, a second start, a newer
// package), the desktop entry and the metainfo, and the Debian package's contents.
//
// The program's own steps run in this test's executable copied beside the installed program
// (<prefix>/lib/meridane), so that it finds its folders exactly as the program does.
#include "buttons/command.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "shell/main_window.h"
#include "shell/personal_editor.h"
#include "shell/record_pane.h"
#include "shell_test_support.h"
#include "test_site.h"
#include "test_support.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

const QString kStageVariable = QStringLiteral("MERIDANE_INSTALLED_STAGE");
const QString kNoteTitle = QStringLiteral("安装后的笔记");
const QString kNoteBody = QStringLiteral("黄芪入药前先记下");
const QString kSiteTitle = QStringLiteral("网上新版四君子汤");
const QString kPackageTitle = QStringLiteral("新包四君子汤");

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run Start(const QString& program, const QStringList& args,
          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
          int timeoutMs = 120000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForStarted() || !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("did not run to its end: ") + program;
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The environment of a user whose home is home: nothing of the real one's folders.
QProcessEnvironment UserEnvironment(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    for (const char* v : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
        env.remove(QLatin1String(v));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

QByteArray Digest(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return h.result().toHex();
}

// Every file under dir with its digest.
QMap<QString, QByteArray> Digests(const QString& dir) {
    QMap<QString, QByteArray> out;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out[QDir(dir).relativeFilePath(path)] = Digest(path);
    }
    return out;
}

QStringList NoteTitles(const QString& file) {
    QStringList titles;
    SqlConnection db;
    db.open(file, QString());
    SqlStatement row = db.prepare(QStringLiteral("SELECT 标题 FROM me1 ORDER BY 编号"));
    while (row.step())
        titles << row.text(0);
    return titles;
}

KnowledgeSources Sources(const QString& formula) {
    KnowledgeSources s;
    s.An1 = {Rec(1, formula, QStringLiteral("组成：人参、白术、茯苓、甘草。"),
                 QStringLiteral("人参，白术"))};
    s.yao = {Rec(1, QStringLiteral("人参"), QStringLiteral("大补元气"))};
    s.bing = {Rec(1, QStringLiteral("感冒"), QStringLiteral("恶寒发热"))};
    s.yishu1 = {
        Rec(1, QStringLiteral("中风案"), QStringLiteral("口眼歪斜"), QStringLiteral("中风"))};
    return s;
}

} // namespace

// Runs as the installed program: this executable lies in <prefix>/lib/meridane.
class InstalledProgramTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine engine;
    QString prefix, userFolder, dataFolder;
    QTemporaryDir siteDir;
    std::unique_ptr<SiteServer> site;
    QMap<QString, QByteArray> installed;

    std::unique_ptr<frmMain> start() {
        auto window = std::make_unique<frmMain>(engine, std::make_unique<SilentDevice>());
        window->show();
        return window;
    }
    static QStringList search(frmMain& window, QRadioButton* option, const QString& keywords) {
        option->setChecked(true);
        window.Text1[0]->setText(keywords);
        window.Command1Click();
        QStringList titles;
        for (int i = 0; i < window.List1->count(); ++i)
            titles << window.List1->item(i)->text();
        return titles;
    }
    static void typeInto(QPlainTextEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll();
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

private slots:
    void initTestCase() {
        QCoreApplication::setApplicationName(QStringLiteral("Meridane"));
        prefix = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../.."));
        dataFolder = prefix + QStringLiteral("/share/meridane");
        userFolder = QDir::homePath() + QStringLiteral("/.local/share/Meridane");
        installed = Digests(prefix);
        QVERIFY(!installed.isEmpty());

        QVERIFY(siteDir.isValid());
        QDir().mkpath(siteDir.filePath(QStringLiteral("bak/cgzl2")));
        WriteKnowledgeDb(Sources(kSiteTitle), siteDir.filePath(QStringLiteral("bak/cgzl2/bk6.mp3")),
                         QStringLiteral("2008-06-01"));
        WriteUpdateDb(siteDir.filePath(QStringLiteral("bak/cgzl2/cabe22.dll")),
                      QStringLiteral("2008-06-01"), QStringLiteral("本期公告"));
        // Answers from its own thread: the start-up download blocks.
        site = std::make_unique<SiteServer>(siteDir.path());
        qputenv("MERIDANE_SITE_ADDRESS", site->address().toUtf8());
    }

    void worksInTheUsersFolder() {
        QVERIFY(IsInstalledLayout());
        QCOMPARE(ProgramFolder(), userFolder);
        QCOMPARE(ProgramFolder(),
                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
        QCOMPARE(DataFolder(), dataFolder);
        QCOMPARE(MusicTrackPath(3), dataFolder + QStringLiteral("/sound/bk3.mp3"));
        QVERIFY(!QFileInfo::exists(userFolder));
    }

    void firstStartSearchAndNote() {
        ScriptedMessages messages;
        RecordingShell shell;
        auto window = start();
        // The user's folder, filled from the installed data.
        QCOMPARE(Digest(userFolder + QStringLiteral("/sound/bk6.mp3")),
                 Digest(dataFolder + QStringLiteral("/sound/bk6.mp3")));
        QCOMPARE(Digest(userFolder + QStringLiteral("/msjic")),
                 Digest(dataFolder + QStringLiteral("/msjic")));
        QVERIFY(QFileInfo::exists(userFolder + QStringLiteral("/msjic.dll")));
        QVERIFY(QFileInfo(userFolder + QStringLiteral("/sys")).isDir());
        // The site's notice, with the announcement: the site's data is newer.
        QVERIFY(
            window->RichTextBox1->toPlainText().contains(QStringLiteral("系统检测到您有更新！")));
        QVERIFY(window->RichTextBox1->toPlainText().contains(QStringLiteral("本期公告")));

        const QStringList found = search(*window, window->Option1, QStringLiteral("人参"));
        QVERIFY(!found.isEmpty());
        QVERIFY(window->Label2->text().startsWith(QStringLiteral("共有")));

        Form5 editor;
        editor.show();
        QTest::mouseClick(editor.cmdAdd, Qt::LeftButton);
        typeInto(editor.Text2_1, kNoteTitle);
        typeInto(editor.Text2_2, kNoteBody);
        QTest::mouseClick(editor.cmdSave, Qt::LeftButton);
        QCOMPARE(messages.shown.last().prompt, QStringLiteral("保存成功！"));
        editor.close();
        QVERIFY(NoteTitles(userFolder + QStringLiteral("/msjic")).contains(kNoteTitle));
        QCOMPARE(search(*window, window->Option5, QStringLiteral("黄芪入药")),
                 QStringList{kNoteTitle});
        window->close();
        QCOMPARE(Digests(prefix), installed);
    }

    void onlineUpdateReplacesTheUsersCopy() {
        ScriptedMessages messages;
        RecordingShell shell;
        auto window = start();
        QSignalSpy completed(window->DL, &bkDLControl::completed);
        window->Command10Click();
        QVERIFY(completed.wait(30000));
        QCOMPARE(messages.shown.last().prompt, QStringLiteral("更新下载完成，将重新启动程序！"));
        QCOMPARE(shell.started, QStringList{QCoreApplication::applicationFilePath()});
        QCOMPARE(KnowledgeStamp(userFolder + QStringLiteral("/sound/bk6.mp3")),
                 QStringLiteral("2008-06-01"));
        // Never the installed files.
        QCOMPARE(Digests(prefix), installed);
    }

    void secondStartKeepsNoteAndUpdate() {
        ScriptedMessages messages;
        RecordingShell shell;
        auto window = start();
        QCOMPARE(search(*window, window->Option1, QStringLiteral("人参")), QStringList{kSiteTitle});
        QCOMPARE(search(*window, window->Option5, QStringLiteral("黄芪入药")),
                 QStringList{kNoteTitle});
        // Same stamps now: no announcement.
        QVERIFY(
            !window->RichTextBox1->toPlainText().contains(QStringLiteral("系统检测到您有更新！")));
        window->close();
        QCOMPARE(Digests(prefix), installed);
    }

    void newerPackageReplacesTheKnowledgeOnly() {
        // A newer package brings newer data and its own initial notes.
        WriteKnowledgeDb(Sources(kPackageTitle), dataFolder + QStringLiteral("/sound/bk6.mp3"),
                         QStringLiteral("2099-01-01"));
        WritePersonalDb({Rec(1, QStringLiteral("新包笔记"), QStringLiteral("新包"))},
                        dataFolder + QStringLiteral("/msjic"));
        ScriptedMessages messages;
        RecordingShell shell;
        auto window = start();
        QCOMPARE(search(*window, window->Option1, QStringLiteral("人参")),
                 QStringList{kPackageTitle});
        QCOMPARE(search(*window, window->Option5, QStringLiteral("黄芪入药")),
                 QStringList{kNoteTitle});
        window->close();
        QVERIFY(!NoteTitles(userFolder + QStringLiteral("/msjic"))
                     .contains(QStringLiteral("新包笔记")));
    }
};

// Installs the build into a temporary prefix and checks what a user and a packager meet.
class InstallTest : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QString prefix, home;

    QString inPrefix(const QString& relative) const { return prefix + QLatin1Char('/') + relative; }
    QString libDir() const { return QStringLiteral(MERIDANE_INSTALL_LIBDIR); }

private slots:
    void initTestCase() {
        QVERIFY(work.isValid());
        prefix = work.filePath(QStringLiteral("prefix"));
        home = work.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        const Run r = Start(QStringLiteral("cmake"),
                            {QStringLiteral("--install"), QStringLiteral(MERIDANE_BUILD_DIR),
                             QStringLiteral("--prefix"), prefix});
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    }

    // Where a program file in a folder works and reads its data.
    void layouts() {
        QTemporaryDir d;
        const QString user = d.filePath(QStringLiteral("home/.local/share/Meridane"));
        const auto make = [&](const QString& relative) {
            QVERIFY(QDir().mkpath(d.filePath(relative)));
        };
        make(QStringLiteral("portable/sound"));
        QFile(d.filePath(QStringLiteral("portable/sound/bk6.mp3"))).open(QIODevice::WriteOnly);
        make(QStringLiteral("usr/bin"));
        make(QStringLiteral("usr/lib/meridane"));
        make(QStringLiteral("usr/lib/x86_64-linux-gnu/meridane"));
        make(QStringLiteral("usr/share/meridane"));
        make(QStringLiteral("opt/bin"));
        make(QStringLiteral("opt/lib/meridane"));

        FolderLayout l = LayoutFor(d.filePath(QStringLiteral("portable")), user);
        QCOMPARE(l.work, d.filePath(QStringLiteral("portable")));
        QCOMPARE(l.data, l.work);
        QVERIFY(!l.installed);
        for (const char* dir :
             {"usr/bin", "usr/lib/meridane", "usr/lib/x86_64-linux-gnu/meridane"}) {
            l = LayoutFor(d.filePath(QLatin1String(dir)), user);
            QCOMPARE(l.work, user);
            QCOMPARE(l.data, d.filePath(QStringLiteral("usr/share/meridane")));
            QVERIFY(l.installed);
        }
        // No installed data beside it: the program's own folder, as before.
        for (const char* dir : {"opt/bin", "opt/lib/meridane", "usr/share/meridane"}) {
            l = LayoutFor(d.filePath(QLatin1String(dir)), user);
            QCOMPARE(l.work, d.filePath(QLatin1String(dir)));
            QCOMPARE(l.data, l.work);
            QVERIFY(!l.installed);
        }
    }

    void installedFiles() {
        QStringList expected{
            QStringLiteral("bin/meridane"),
            QStringLiteral("bin/meridane-query"),
            QStringLiteral("bin/meridane-builddb"),
            QStringLiteral("lib/meridane/Meridane5.0"),
            libDir() + QStringLiteral("/libdrapix.so.1"),
            libDir() + QStringLiteral("/libdrapix.so.1.0"),
            QStringLiteral("share/meridane/sound/bk6.mp3"),
            QStringLiteral("share/meridane/Ifonts.fon"),
            QStringLiteral("share/meridane/msjic"),
            QStringLiteral("share/applications/example.meridane.Meridane.desktop"),
            QStringLiteral("share/metainfo/example.meridane.Meridane.metainfo.xml"),
            QStringLiteral("share/icons/hicolor/scalable/apps/example.meridane.Meridane.svg"),
        };
        for (int n = 1; n <= 5; ++n)
            expected << QStringLiteral("share/meridane/sound/bk%1.mp3").arg(n);
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            expected << QStringLiteral(
                            "share/icons/hicolor/%1x%1/apps/example.meridane.Meridane.png")
                            .arg(size);
#ifdef MERIDANE_DESIGNER_PLUGIN
        expected << libDir() + QStringLiteral("/qt6/plugins/designer/libdrapix_designer.so");
#endif
        for (const QString& f : std::as_const(expected))
            QVERIFY2(QFileInfo::exists(inPrefix(f)), qPrintable(f));
        QCOMPARE(
            QFileInfo(inPrefix(QStringLiteral("bin/meridane"))).canonicalFilePath(),
            QFileInfo(inPrefix(QStringLiteral("lib/meridane/Meridane5.0"))).canonicalFilePath());
        QVERIFY(QFileInfo(inPrefix(libDir() + QStringLiteral("/libdrapix.so.1"))).isSymLink());
        QCOMPARE(QImage(inPrefix(QStringLiteral(
                            "share/icons/hicolor/48x48/apps/example.meridane.Meridane.png")))
                     .size(),
                 QSize(48, 48));
        // The program and the plugin load the installed library, found from their own folders.
        QStringList users{QStringLiteral("lib/meridane/Meridane5.0")};
#ifdef MERIDANE_DESIGNER_PLUGIN
        users << libDir() + QStringLiteral("/qt6/plugins/designer/libdrapix_designer.so");
#endif
        const QString library =
            QFileInfo(inPrefix(libDir() + QStringLiteral("/libdrapix.so.1.0"))).canonicalFilePath();
        for (const QString& user : std::as_const(users)) {
            const Run ldd = Start(QStringLiteral("ldd"), {inPrefix(user)});
            QVERIFY2(!ldd.out.contains(QStringLiteral("not found")), qPrintable(ldd.out));
            static const QRegularExpression found(QStringLiteral("libdrapix\\.so\\.1 => (\\S+)"));
            const QRegularExpressionMatch m = found.match(ldd.out);
            QVERIFY2(m.hasMatch(), qPrintable(user + QLatin1Char('\n') + ldd.out));
            QCOMPARE(QFileInfo(m.captured(1)).canonicalFilePath(), library);
        }
        // Nothing of a running program: no working copy, no user's notes of the build folder.
        QVERIFY(!QFileInfo::exists(inPrefix(QStringLiteral("share/meridane/msjic.dll"))));
        QVERIFY(!QFileInfo::exists(inPrefix(QStringLiteral("share/meridane/sys"))));
        QCOMPARE(KnowledgeStamp(inPrefix(QStringLiteral("share/meridane/sound/bk6.mp3"))),
                 QStringLiteral(MERIDANE_DATA_STAMP));
    }

    void desktopEntryAndMetainfoValidate() {
        const QString validate =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (validate.isEmpty() || appstream.isEmpty())
            QSKIP("desktop-file-validate or appstreamcli missing (desktop-file-utils, appstream)");
        Run r = Start(
            validate,
            {inPrefix(QStringLiteral("share/applications/example.meridane.Meridane.desktop"))});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(!r.out.contains(QStringLiteral("error")), qPrintable(r.out));
        r = Start(
            appstream,
            {QStringLiteral("validate"), QStringLiteral("--no-net"),
             inPrefix(QStringLiteral("share/metainfo/example.meridane.Meridane.metainfo.xml"))});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    }

    // The program's own steps, run from the installed program's folder.
    void installedProgram() {
        const QString stage = inPrefix(QStringLiteral("lib/meridane/tst_install"));
        QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), stage));
        QProcessEnvironment env = UserEnvironment(home);
        env.insert(kStageVariable, QStringLiteral("1"));
        const Run r = Start(stage, {}, env, 240000);
        QFile::remove(stage);
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    }

    // The tools take the same rule: no --folder needed.
    void toolsWithoutFolder() {
        const QString query = inPrefix(QStringLiteral("bin/meridane-query"));
        // The note saved by the program above, in the user's folder.
        Run r = Start(query,
                      {QStringLiteral("--category"), QStringLiteral("我的资料库"),
                       QStringLiteral("--new"), QStringLiteral("黄芪入药")},
                      UserEnvironment(home));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out, QStringLiteral("共有1条记录\n") + kNoteTitle + QLatin1Char('\n'));

        // A new user: the tool fills their folder itself, from the installed data.
        const QString other = work.filePath(QStringLiteral("other-home"));
        QVERIFY(QDir().mkpath(other));
        r = Start(query,
                  {QStringLiteral("--category"), QStringLiteral("方剂"), QStringLiteral("--new"),
                   QStringLiteral("人参，甘草")},
                  UserEnvironment(other));
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        // The installed data, which the program's run above replaced by a newer package's.
        QCOMPARE(r.out, QStringLiteral("共有1条记录\n") + kPackageTitle + QLatin1Char('\n'));
        const QString folder = other + QStringLiteral("/.local/share/Meridane");
        for (const char* f : {"msjic", "meridane-query.db", "sound/bk6.mp3"})
            QVERIFY2(QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(f)), f);
        // The program's working copy is the program's: the tool keeps one of its own.
        QVERIFY(!QFileInfo::exists(folder + QStringLiteral("/msjic.dll")));
    }

    // The real program, through its launcher: it starts and makes its working copy.
    void launcherStartsTheProgram() {
        const QString other = work.filePath(QStringLiteral("launcher-home"));
        QVERIFY(QDir().mkpath(other));
        QProcess p;
        QProcessEnvironment env = UserEnvironment(other);
        env.insert(QStringLiteral("MERIDANE_SITE_ADDRESS"), QStringLiteral("http://127.0.0.1:9"));
        p.setProcessEnvironment(env);
        p.start(inPrefix(QStringLiteral("bin/meridane")), {});
        QVERIFY(p.waitForStarted());
        const QString copy = other + QStringLiteral("/.local/share/Meridane/msjic.dll");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(copy), 30000);
        QTest::qWait(500);
        QCOMPARE(p.state(), QProcess::Running);
        p.kill();
        p.waitForFinished();
    }

    void debianPackage() {
        const QString out = work.filePath(QStringLiteral("package"));
        const QString dpkg = QStandardPaths::findExecutable(QStringLiteral("dpkg"));
        if (dpkg.isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
            QSKIP("dpkg-shlibdeps missing (dpkg-dev)");
        const QString debArch = Start(dpkg, {QStringLiteral("--print-architecture")}).out.trimmed();
        Run r =
            Start(QStringLiteral("cpack"), {QStringLiteral("--config"),
                                            QStringLiteral(MERIDANE_BUILD_DIR "/CPackConfig.cmake"),
                                            QStringLiteral("-B"), out});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        const QString deb =
            out +
            QStringLiteral("/meridane_%1_%2.deb").arg(QStringLiteral(MERIDANE_VERSION), debArch);
        QVERIFY2(QFileInfo::exists(deb), qPrintable(deb));

        r = Start(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
        QCOMPARE(r.exitCode, 0);
        QStringList expected{
            QStringLiteral("./usr/bin/meridane -> ../lib/meridane/Meridane5.0"),
            QStringLiteral("./usr/bin/meridane-query"),
            QStringLiteral("./usr/lib/meridane/Meridane5.0"),
            QStringLiteral("./usr/") + libDir() + QStringLiteral("/libdrapix.so.1.0"),
            QStringLiteral("./usr/") + libDir() +
                QStringLiteral("/libdrapix.so.1 -> libdrapix.so.1.0"),
            QStringLiteral("./usr/share/meridane/sound/bk6.mp3"),
            QStringLiteral("./usr/share/meridane/sound/bk1.mp3"),
            QStringLiteral("./usr/share/meridane/Ifonts.fon"),
            QStringLiteral("./usr/share/meridane/msjic"),
            QStringLiteral("./usr/share/applications/example.meridane.Meridane.desktop"),
            QStringLiteral("./usr/share/metainfo/example.meridane.Meridane.metainfo.xml"),
            QStringLiteral("./usr/share/icons/hicolor/48x48/apps/example.meridane.Meridane.png"),
            QStringLiteral("./usr/share/icons/hicolor/scalable/apps/example.meridane.Meridane.svg"),
        };
#ifdef MERIDANE_DESIGNER_PLUGIN
        expected << QStringLiteral("./usr/") + libDir() +
                        QStringLiteral("/qt6/plugins/designer/libdrapix_designer.so");
#endif
        for (const QString& f : std::as_const(expected))
            QVERIFY2(r.out.contains(QLatin1Char(' ') + f + QLatin1Char('\n')), qPrintable(f));
        QVERIFY(!r.out.contains(QStringLiteral("msjic.dll")));

        // Dependencies from the binaries.
        r = Start(QStringLiteral("dpkg-deb"),
                  {QStringLiteral("-f"), deb, QStringLiteral("Depends")});
        QCOMPARE(r.exitCode, 0);
        for (const char* p : {"libqt6widgets6", "libqt6network6", "libsqlcipher", "libc6"})
            QVERIFY2(r.out.contains(QLatin1String(p)), qPrintable(r.out));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet(qPrintable(kStageVariable))) {
        InstalledProgramTest stage;
        return QTest::qExec(&stage, argc, argv);
    }
    InstallTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_install.moc"
