// The installed program: `cmake --install` into a temporary prefix, then the program and the
// tools started from it with a temporary home (the user's folder filled from the installed data,
// a search, a saved note, the online update against a local site, a second start, a newer
// package), the desktop entry and the metainfo, and the Debian packages: what each holds, how
// they depend on each other, and what lintian says of them.
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

#include <unistd.h>

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

// Every file and link under dir (relative to it), with a link's target; no folders.
QMap<QString, QString> Entries(const QString& dir) {
    QMap<QString, QString> out;
    QDirIterator it(dir, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QString target;
        if (it.fileInfo().isSymLink()) {
            char buffer[4096];
            const ssize_t n =
                ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
            target = n > 0 ? QFile::decodeName(QByteArray(buffer, int(n))) : QStringLiteral("?");
        }
        out.insert(QDir(dir).relativeFilePath(path), target);
    }
    return out;
}

// The files and links of a Debian package, relative to /usr, as Entries gives them; every one
// owned by root.
QMap<QString, QString> DebEntries(const QString& deb) {
    QMap<QString, QString> out;
    QProcess p;
    p.start(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
    p.waitForFinished();
    static const QRegularExpression line(
        QStringLiteral("^(\\S+)\\s+(\\S+)\\s+\\d+\\s+\\S+\\s+\\S+\\s+\\./(.*)$"));
    for (const QString& l : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = line.match(l);
        if (!m.hasMatch())
            continue;
        if (m.captured(2) != QLatin1String("root/root"))
            out.insert(QStringLiteral("not owned by root: ") + m.captured(3), QString());
        if (m.captured(1).startsWith(QLatin1Char('d')))
            continue;
        QString path = m.captured(3);
        QString target;
        if (m.captured(1).startsWith(QLatin1Char('l'))) {
            const qsizetype arrow = path.indexOf(QStringLiteral(" -> "));
            target = path.mid(arrow + 4);
            path.truncate(arrow);
        }
        if (!path.startsWith(QStringLiteral("usr/")))
            out.insert(QStringLiteral("outside /usr: ") + path, target);
        else
            out.insert(path.mid(4), target);
    }
    return out;
}

// A map as lines, for comparisons that show the difference.
QStringList Lines(const QMap<QString, QString>& entries) {
    QStringList out;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        out << (it.value().isEmpty() ? it.key() : it.key() + QStringLiteral(" -> ") + it.value());
    return out;
}

QByteArray Gunzip(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    p.waitForFinished();
    return p.readAllStandardOutput();
}

const QString kDebVersion = QStringLiteral(MERIDANE_DEB_VERSION);

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
    QString packageFolder; // the Debian packages, once made

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

    // The Debian packages: one per install component, each holding exactly what its component
    // installs, with its copyright and changelog, and depending on the others as a system's
    // packages do.
    void debianPackages() {
        const QString dpkg = QStandardPaths::findExecutable(QStringLiteral("dpkg"));
        if (dpkg.isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
            QSKIP("dpkg-shlibdeps missing (dpkg-dev)");
        const QString out = work.filePath(QStringLiteral("package"));
        const QString debArch = Start(dpkg, {QStringLiteral("--print-architecture")}).out.trimmed();
        Run r =
            Start(QStringLiteral("cpack"), {QStringLiteral("--config"),
                                            QStringLiteral(MERIDANE_BUILD_DIR "/CPackConfig.cmake"),
                                            QStringLiteral("-B"), out});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        QVERIFY2(!(r.out + r.err).contains(QStringLiteral("Warning")), qPrintable(r.out + r.err));
        packageFolder = out;

        // Whatever the build installs for the development package, it is packaged when there
        // is any.
        QStringList packages{QStringLiteral("libdrapix1"), QStringLiteral("meridane")};
        QMap<QString, QMap<QString, QString>> installs;
        for (const QString& component :
             {QStringLiteral("libdrapix1"), QStringLiteral("libdrapix-dev"),
              QStringLiteral("drapix-designer-plugin"), QStringLiteral("meridane")}) {
            const QString dir = work.filePath(QStringLiteral("component/") + component);
            r = Start(QStringLiteral("cmake"),
                      {QStringLiteral("--install"), QStringLiteral(MERIDANE_BUILD_DIR),
                       QStringLiteral("--component"), component, QStringLiteral("--prefix"), dir});
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
            installs[component] = Entries(dir);
        }
        const bool dev = !installs[QStringLiteral("libdrapix-dev")].isEmpty();
        if (dev)
            packages << QStringLiteral("libdrapix-dev");
#ifdef MERIDANE_DESIGNER_PLUGIN
        packages << QStringLiteral("drapix-designer-plugin");
#endif
        for (const QString& component : installs.keys()) {
            if (!packages.contains(component))
                QVERIFY2(installs[component].isEmpty(), qPrintable(component));
        }
        const QDir made(out);
        QStringList debs = made.entryList({QStringLiteral("*.deb")}, QDir::Files, QDir::Name);
        QStringList expectedDebs;
        for (const QString& p : std::as_const(packages))
            expectedDebs << QStringLiteral("%1_%2_%3.deb").arg(p, kDebVersion, debArch);
        expectedDebs.sort();
        QCOMPARE(debs, expectedDebs);

        // Each package holds what its component installs: nothing more, nothing less.
        QMap<QString, QMap<QString, QString>> contents;
        QMap<QString, QString> everything;
        for (const QString& p : std::as_const(packages)) {
            const QString deb =
                made.filePath(QStringLiteral("%1_%2_%3.deb").arg(p, kDebVersion, debArch));
            contents[p] = DebEntries(deb);
            QCOMPARE(Lines(contents[p]), Lines(installs[p]));
            for (auto it = contents[p].cbegin(); it != contents[p].cend(); ++it) {
                QVERIFY2(!everything.contains(it.key()), qPrintable(it.key()));
                everything.insert(it.key(), it.value());
            }
            // The package's own copyright and changelog, compressed as Debian wants it.
            const QString doc = QStringLiteral("share/doc/") + p;
            QVERIFY2(contents[p].contains(doc + QStringLiteral("/copyright")), qPrintable(p));
            QVERIFY2(contents[p].contains(doc + QStringLiteral("/changelog.Debian.gz")),
                     qPrintable(p));
            const QString unpacked = work.filePath(QStringLiteral("unpacked/") + p);
            QVERIFY(QDir().mkpath(unpacked));
            QCOMPARE(
                Start(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, unpacked}).exitCode,
                0);
            QFile copyright(unpacked + QStringLiteral("/usr/") + doc +
                            QStringLiteral("/copyright"));
            QVERIFY(copyright.open(QIODevice::ReadOnly));
            QVERIFY(copyright.readLine().startsWith(
                "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"));
            const QByteArray changelog = Gunzip(unpacked + QStringLiteral("/usr/") + doc +
                                                QStringLiteral("/changelog.Debian.gz"));
            QVERIFY2(
                changelog.startsWith(QStringLiteral("meridane (%1) ").arg(kDebVersion).toUtf8()),
                changelog.constData());
            // Every program in bin has its manual page.
            for (auto it = contents[p].cbegin(); it != contents[p].cend(); ++it) {
                if (!it.key().startsWith(QStringLiteral("bin/")))
                    continue;
                const QString page =
                    QStringLiteral("share/man/man1/") + it.key().mid(4) + QStringLiteral(".1.gz");
                QVERIFY2(contents[p].contains(page), qPrintable(page));
                QVERIFY(Gunzip(unpacked + QStringLiteral("/usr/") + page).startsWith(".TH "));
            }
            // Every gzip file of the package: best compression, no name and no time inside.
            for (auto it = contents[p].cbegin(); it != contents[p].cend(); ++it) {
                if (!it.key().endsWith(QStringLiteral(".gz")))
                    continue;
                QFile gz(unpacked + QStringLiteral("/usr/") + it.key());
                QVERIFY(gz.open(QIODevice::ReadOnly));
                const QByteArray header = gz.read(10);
                QVERIFY2(header.size() == 10 && (header[3] & 0x08) == 0 &&
                             header.mid(4, 4) == QByteArray(4, '\0') && header[8] == 2,
                         qPrintable(it.key()));
            }
        }
        // The whole install is packaged; the Debian changelogs and lintian's notes only go into
        // the packages.
        for (const QString& p : std::as_const(packages)) {
            everything.remove(QStringLiteral("share/doc/%1/changelog.Debian.gz").arg(p));
            everything.remove(QStringLiteral("share/lintian/overrides/") + p);
        }
        QCOMPARE(Lines(everything), Lines(Entries(prefix)));

        // What each package holds.
        const QString lib = libDir();
        QCOMPARE(contents[QStringLiteral("libdrapix1")].keys(),
                 QStringList({lib + QStringLiteral("/libdrapix.so.1"),
                              lib + QStringLiteral("/libdrapix.so.1.0"),
                              QStringLiteral("share/doc/libdrapix1/changelog.Debian.gz"),
                              QStringLiteral("share/doc/libdrapix1/copyright"),
                              QStringLiteral("share/lintian/overrides/libdrapix1")}));
        QCOMPARE(
            contents[QStringLiteral("libdrapix1")].value(lib + QStringLiteral("/libdrapix.so.1")),
            QStringLiteral("libdrapix.so.1.0"));
        const QMap<QString, QString>& program = contents[QStringLiteral("meridane")];
        QCOMPARE(program.value(QStringLiteral("bin/meridane")),
                 QStringLiteral("../lib/meridane/Meridane5.0"));
        QStringList expected{
            QStringLiteral("bin/meridane-query"),
            QStringLiteral("bin/meridane-builddb"),
            QStringLiteral("lib/meridane/Meridane5.0"),
            QStringLiteral("share/meridane/sound/bk6.mp3"),
            QStringLiteral("share/meridane/sound/bk1.mp3"),
            QStringLiteral("share/meridane/Ifonts.fon"),
            QStringLiteral("share/meridane/msjic"),
            QStringLiteral("share/applications/example.meridane.Meridane.desktop"),
            QStringLiteral("share/metainfo/example.meridane.Meridane.metainfo.xml"),
            QStringLiteral("share/icons/hicolor/48x48/apps/example.meridane.Meridane.png"),
            QStringLiteral("share/icons/hicolor/scalable/apps/example.meridane.Meridane.svg"),
            QStringLiteral("share/man/man1/meridane.1.gz"),
        };
        for (const QString& f : std::as_const(expected))
            QVERIFY2(program.contains(f), qPrintable(f));
        QVERIFY(!program.contains(QStringLiteral("share/meridane/msjic.dll")));
#ifdef MERIDANE_DESIGNER_PLUGIN
        QVERIFY(contents[QStringLiteral("drapix-designer-plugin")].contains(
            lib + QStringLiteral("/qt6/plugins/designer/libdrapix_designer.so")));
#endif
        if (dev) {
            for (const QString& f : contents[QStringLiteral("libdrapix-dev")].keys())
                QVERIFY2(!f.startsWith(lib + QStringLiteral("/libdrapix.so.")), qPrintable(f));
        }

        // The dependencies: on the system's libraries from the binaries, on each other exact.
        const QString exact = QStringLiteral("libdrapix1 (= %1)").arg(kDebVersion);
        QMap<QString, QStringList> depends;
        for (const QString& p : std::as_const(packages)) {
            const QString deb =
                made.filePath(QStringLiteral("%1_%2_%3.deb").arg(p, kDebVersion, debArch));
            r = Start(QStringLiteral("dpkg-deb"),
                      {QStringLiteral("-f"), deb, QStringLiteral("Depends")});
            QCOMPARE(r.exitCode, 0);
            depends[p] = r.out.trimmed().split(QStringLiteral(", "));
            QCOMPARE(Start(QStringLiteral("dpkg-deb"),
                           {QStringLiteral("-f"), deb, QStringLiteral("Version")})
                         .out.trimmed(),
                     kDebVersion);
        }
        const auto mentions = [](const QStringList& list, const char* package) {
            for (const QString& d : list)
                if (d == QLatin1String(package) ||
                    d.startsWith(QLatin1String(package) + QLatin1Char(' ')))
                    return true;
            return false;
        };
        for (const char* p : {"libqt6widgets6", "libc6"})
            QVERIFY2(mentions(depends[QStringLiteral("libdrapix1")], p),
                     qPrintable(depends[QStringLiteral("libdrapix1")].join(QLatin1Char('|'))));
        QVERIFY(!mentions(depends[QStringLiteral("libdrapix1")], "libdrapix1"));
        QVERIFY2(depends[QStringLiteral("meridane")].contains(exact),
                 qPrintable(depends[QStringLiteral("meridane")].join(QLatin1Char('|'))));
        for (const char* p : {"libqt6widgets6", "libqt6network6", "libsqlcipher0", "libc6"})
            QVERIFY2(mentions(depends[QStringLiteral("meridane")], p),
                     qPrintable(depends[QStringLiteral("meridane")].join(QLatin1Char('|'))));
        if (dev) {
            QVERIFY(depends[QStringLiteral("libdrapix-dev")].contains(exact));
            QVERIFY(mentions(depends[QStringLiteral("libdrapix-dev")], "qt6-base-dev"));
        }
#ifdef MERIDANE_DESIGNER_PLUGIN
        QVERIFY(depends[QStringLiteral("drapix-designer-plugin")].contains(exact));
#endif

        // The library's control files: its shlibs, and ldconfig by trigger, never by a script.
        const QString control = work.filePath(QStringLiteral("control"));
        QCOMPARE(
            Start(QStringLiteral("dpkg-deb"),
                  {QStringLiteral("-e"),
                   made.filePath(QStringLiteral("libdrapix1_%1_%2.deb").arg(kDebVersion, debArch)),
                   control})
                .exitCode,
            0);
        QStringList controlFiles = QDir(control).entryList(QDir::Files, QDir::Name);
        QCOMPARE(controlFiles, QStringList({QStringLiteral("control"), QStringLiteral("md5sums"),
                                            QStringLiteral("shlibs"), QStringLiteral("triggers")}));
        QCOMPARE(ReadAll(control + QStringLiteral("/shlibs")),
                 QStringLiteral("libdrapix 1 libdrapix1 (>= %1)\n").arg(kDebVersion).toUtf8());
        QCOMPARE(ReadAll(control + QStringLiteral("/triggers")),
                 QByteArray("activate-noawait ldconfig\n"));
    }

    // lintian, the Debian package checker, finds no error and nothing to warn of.
    void lintianIsQuiet() {
        const QString lintian = QStandardPaths::findExecutable(QStringLiteral("lintian"));
        if (lintian.isEmpty())
            QSKIP("lintian missing: the packages are not checked (Debian package lintian)");
        if (packageFolder.isEmpty())
            QSKIP("no packages were made");
        QStringList args{QStringLiteral("--allow-root"),           QStringLiteral("--fail-on"),
                         QStringLiteral("error,warning"),          QStringLiteral("--display-info"),
                         QStringLiteral("--display-experimental"), QStringLiteral("--pedantic")};
        const QDir made(packageFolder);
        for (const QString& deb : made.entryList({QStringLiteral("*.deb")}, QDir::Files))
            args << made.filePath(deb);
        const Run r = Start(lintian, args, QProcessEnvironment::systemEnvironment(), 900000);
        const QString all = r.out + r.err;
        QVERIFY2(r.exitCode == 0, qPrintable(all));
        static const QRegularExpression serious(QStringLiteral("^[EW]: "),
                                                QRegularExpression::MultilineOption);
        QVERIFY2(!all.contains(serious), qPrintable(all));
        // Let the remaining hints be seen.
        if (!all.trimmed().isEmpty())
            qInfo().noquote() << all.trimmed();
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
