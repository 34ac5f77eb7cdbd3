// The program file as a user starts it, under Xvfb with a window manager (scripts/with-x-display):
// its answers on the terminal, one running program per working folder (a second start brings the
// first to the front, a crashed one leaves nothing held), and the window's class, which ties it
// to its menu entry.
#include "search/program_folder.h"
#include "services/single_instance.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run Execute(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString Tool(const char* name, const QStringList& args) {
    QProcess p;
    p.start(QLatin1String(name), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// The visible top-level windows of a process.
QStringList WindowsOf(qint64 pid) {
    return Tool("xdotool", {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                            QStringLiteral("--pid"), QString::number(pid)})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// WM_CLASS of a window: instance and class.
QStringList WindowClass(const QString& window) {
    const QString line = Tool("xprop", {QStringLiteral("-id"), window, QStringLiteral("WM_CLASS")});
    QStringList parts;
    const QRegularExpression quoted(QStringLiteral("\"([^\"]*)\""));
    for (auto it = quoted.globalMatch(line); it.hasNext();)
        parts << it.next().captured(1);
    return parts;
}

bool IsViewable(const QString& window) {
    return Tool("xwininfo", {QStringLiteral("-id"), window}).contains(QStringLiteral("IsViewable"));
}

// The desktop entry's StartupWMClass.
QString EntryWindowClass() {
    QSettings entry(
        QStringLiteral(MERIDANE_SOURCE_DIR "/packaging/example.meridane.Meridane.desktop"),
        QSettings::IniFormat);
    return entry.value(QStringLiteral("Desktop Entry/StartupWMClass")).toString();
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    std::unique_ptr<TempProgramFolder> folder;
    QString program; // a copy of the program file, working in the folder beside it

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home.path() + QStringLiteral("/data"));
        env.insert(QStringLiteral("MERIDANE_SITE_ADDRESS"), QStringLiteral("http://127.0.0.1:9"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        return env;
    }

    // Starts the program and waits for its window.
    bool start(QProcess& p, const QString& file, QString* window = nullptr) {
        p.setProcessEnvironment(environment());
        p.start(file, {});
        if (!p.waitForStarted())
            return false;
        QStringList windows;
        (void)QTest::qWaitFor(
            [&] {
                windows = WindowsOf(p.processId());
                return !windows.isEmpty() || p.state() != QProcess::Running;
            },
            30000);
        if (windows.isEmpty())
            return false;
        if (window)
            *window = windows.first();
        return true;
    }

private slots:
    void initTestCase() {
        for (const char* tool : {"xdotool", "xprop", "xwininfo"})
            if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
                QSKIP("needs xdotool, xprop and xwininfo (xdotool, x11-utils)");
        KnowledgeSources sources;
        sources.An1 = {Rec(1, QStringLiteral("四君子汤"), QStringLiteral("人参、白术"),
                           QStringLiteral("补气"))};
        folder = std::make_unique<TempProgramFolder>(sources);
        program = folder->path() + QStringLiteral("/Meridane5.0");
        QVERIFY(QFile::copy(QStringLiteral(MERIDANE_PROGRAM), program));
        QVERIFY(
            QFile::setPermissions(program, QFile::permissions(QStringLiteral(MERIDANE_PROGRAM))));
    }

    void answersOnTheTerminal() {
        QProcessEnvironment env = environment();
        env.remove(QStringLiteral("DISPLAY")); // no window is made
        Run r = Execute(program, {QStringLiteral("--help")}, env);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("Usage: Meridane5.0")), qPrintable(r.out + r.err));
        r = Execute(program, {QStringLiteral("--version")}, env);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("Meridane5.0 " MERIDANE_VERSION "\n"));
        QVERIFY(!QFile::exists(folder->path() + QStringLiteral("/meridane.lock")));
    }

    void onePerWorkingFolder() {
        QProcess first;
        QString window;
        QVERIFY(start(first, program, &window));
        const QStringList wmClass = WindowClass(window);
        QCOMPARE(wmClass.size(), 2);
        QCOMPARE(wmClass.at(1), EntryWindowClass());

        // A second start: the first window comes to the front (here: out of its minimized
        // state), the second program ends at once, and the first goes on.
        // The window is found before it shows, and the skin maps it anew as it takes the frame:
        // a minimize sent meanwhile is lost, so it is sent again until the window stays down.
        QTRY_VERIFY_WITH_TIMEOUT(IsViewable(window), 30000);
        QVERIFY(QTest::qWaitFor(
            [&] {
                Tool("xdotool", {QStringLiteral("windowminimize"), window});
                return QTest::qWaitFor([&] { return !IsViewable(window); }, 1000);
            },
            20000));
        const Run second = Execute(program, {}, environment());
        QCOMPARE(second.exitCode, 0);
        QTRY_VERIFY_WITH_TIMEOUT(IsViewable(window), 10000);
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(WindowsOf(first.processId()), QStringList{window});

        // A crash leaves the folder free: the next start runs, started through a link of
        // another name (as the menu entry's command is), with the same window class.
        first.kill();
        QVERIFY(first.waitForFinished());
        QVERIFY(QFile::exists(SingleInstance::LockFilePath(folder->path())));
        const QString link = home.path() + QStringLiteral("/meridane");
        QVERIFY(QFile::link(program, link));
        QProcess third;
        QString thirdWindow;
        QVERIFY(start(third, link, &thirdWindow));
        QTest::qWait(500);
        QCOMPARE(third.state(), QProcess::Running);
        QCOMPARE(WindowClass(thirdWindow).value(1), EntryWindowClass());
        third.terminate();
        if (!third.waitForFinished(10000))
            third.kill();
    }
};

QTEST_MAIN(ProgramTest)
#include "tst_program.moc"
