// The control library for other programs: its two install components, libdrapix1 and
// libdrapix-dev, into a prefix of their own; pkg-config and the CMake package find it there, and
// the example program builds against it alone and checks itself on an X display.
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run Start(const QString& program, const QStringList& args,
          const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
          const QString& dir = QString()) {
    QProcess p;
    p.setProcessEnvironment(env);
    if (!dir.isEmpty())
        p.setWorkingDirectory(dir);
    p.start(program, args);
    Run r;
    // A compile on a busy machine: the test's watchdog ends a hang, not this bound.
    if (!p.waitForStarted() || !p.waitForFinished(-1)) {
        r.err = QStringLiteral("did not run: ") + program;
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const QString kLibDir = QStringLiteral(MERIDANE_INSTALL_LIBDIR);

} // namespace

class TestSdk : public QObject {
    Q_OBJECT

    QTemporaryDir work;
    QString prefix;

    QString inPrefix(const QString& relative) const { return prefix + QLatin1Char('/') + relative; }

private slots:
    void initTestCase() {
        QVERIFY(work.isValid());
        prefix = work.filePath(QStringLiteral("prefix"));
        for (const char* component : {"libdrapix1", "libdrapix-dev"}) {
            const Run r = Start(QStringLiteral("cmake"),
                                {QStringLiteral("--install"), QStringLiteral(MERIDANE_BUILD_DIR),
                                 QStringLiteral("--prefix"), prefix, QStringLiteral("--component"),
                                 QLatin1String(component)});
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        }
    }

    // The library, its headers, CMake package and drapix.pc; nothing private, nothing of the
    // program.
    void installsTheLibraryAndItsDevelopmentFiles() {
        const QStringList expected{
            kLibDir + QStringLiteral("/libdrapix.so.1.0"),
            kLibDir + QStringLiteral("/libdrapix.so.1"),
            kLibDir + QStringLiteral("/libdrapix.so"),
            kLibDir + QStringLiteral("/cmake/Drapix/DrapixConfig.cmake"),
            kLibDir + QStringLiteral("/cmake/Drapix/DrapixConfigVersion.cmake"),
            kLibDir + QStringLiteral("/cmake/Drapix/DrapixTargets.cmake"),
            kLibDir + QStringLiteral("/pkgconfig/drapix.pc"),
            QStringLiteral("include/drapix/command.h"),
            QStringLiteral("include/drapix/lustrane.h"),
            QStringLiteral("include/drapix/systray.h"),
            QStringLiteral("include/drapix/drapix_global.h"),
            QStringLiteral("include/drapix/version.h"),
        };
        for (const QString& f : expected)
            QVERIFY2(QFileInfo::exists(inPrefix(f)), qPrintable(f));
        QVERIFY(QFileInfo(inPrefix(kLibDir + QStringLiteral("/libdrapix.so"))).isSymLink());
        QCOMPARE(
            QFileInfo(inPrefix(kLibDir + QStringLiteral("/libdrapix.so"))).canonicalFilePath(),
            QFileInfo(inPrefix(kLibDir + QStringLiteral("/libdrapix.so.1.0"))).canonicalFilePath());
        // Only the public headers, and nothing of the program.
        QDirIterator headers(inPrefix(QStringLiteral("include")), QDir::Files,
                             QDirIterator::Subdirectories);
        while (headers.hasNext()) {
            const QString h = headers.next();
            QVERIFY2(h.startsWith(inPrefix(QStringLiteral("include/drapix/"))), qPrintable(h));
            QFile file(h);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray text = file.readAll();
            for (const char* inner : {"\"core/", "\"skin/", "\"buttons/", "\"artwork/"})
                QVERIFY2(!text.contains(inner), qPrintable(h + QLatin1Char(' ') + inner));
        }
        for (const char* program : {"bin/meridane", "lib/meridane", "share/meridane"})
            QVERIFY2(!QFileInfo::exists(inPrefix(QLatin1String(program))), program);
    }

    void pkgConfigFindsTheLibrary() {
        const QString pkgConfig = QStandardPaths::findExecutable(QStringLiteral("pkg-config"));
        if (pkgConfig.isEmpty())
            QSKIP("pkg-config missing");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PKG_CONFIG_PATH"),
                   inPrefix(kLibDir + QStringLiteral("/pkgconfig")));
        Run r = Start(pkgConfig, {QStringLiteral("--modversion"), QStringLiteral("drapix")}, env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        QCOMPARE(r.out.trimmed(), QStringLiteral(DRAPIX_VERSION));
        r = Start(pkgConfig,
                  {QStringLiteral("--cflags"), QStringLiteral("--libs"), QStringLiteral("drapix")},
                  env);
        QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        const QString include = QDir::cleanPath(inPrefix(QStringLiteral("include")));
        const QString lib = QDir::cleanPath(inPrefix(kLibDir));
        QVERIFY2(r.out.contains(QStringLiteral("-ldrapix")), qPrintable(r.out));
        bool foundInclude = false, foundLib = false;
        for (const QString& word : r.out.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (word.startsWith(QStringLiteral("-I")))
                foundInclude |= QDir::cleanPath(word.mid(2)) == include;
            if (word.startsWith(QStringLiteral("-L")))
                foundLib |= QDir::cleanPath(word.mid(2)) == lib;
        }
        QVERIFY2(foundInclude && foundLib, qPrintable(r.out));
    }

    // A program that asks for a version the library does not offer is told so at configure time.
    void packageVersionIsChecked() {
        QTemporaryDir project;
        QFile lists(project.filePath(QStringLiteral("CMakeLists.txt")));
        QVERIFY(lists.open(QIODevice::WriteOnly));
        lists.write("cmake_minimum_required(VERSION 3.16)\nproject(Wants LANGUAGES CXX)\n"
                    "find_package(Drapix 2.0 REQUIRED)\n");
        lists.close();
        const Run r = Start(QStringLiteral("cmake"),
                            {QStringLiteral("-S"), project.path(), QStringLiteral("-B"),
                             project.filePath(QStringLiteral("build")),
                             QStringLiteral("-DCMAKE_PREFIX_PATH=") + prefix});
        QVERIFY(r.exitCode != 0);
        QVERIFY2(r.err.contains(QStringLiteral("DrapixConfig.cmake")) &&
                     r.err.contains(QStringLiteral(DRAPIX_VERSION)),
                 qPrintable(r.err));
    }

    void exampleBuildsAndChecksItself() {
        const QString build = work.filePath(QStringLiteral("example"));
        Run r = Start(QStringLiteral("cmake"),
                      {QStringLiteral("-S"),
                       QStringLiteral(MERIDANE_SOURCE_DIR "/examples/drapix-window"),
                       QStringLiteral("-B"), build, QStringLiteral("-DCMAKE_BUILD_TYPE=Release"),
                       QStringLiteral("-DCMAKE_PREFIX_PATH=") + prefix,
                       QStringLiteral("-DCMAKE_COMPILE_WARNING_AS_ERROR=ON")});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        r = Start(QStringLiteral("cmake"), {QStringLiteral("--build"), build});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        r = Start(QStringLiteral("sh"),
                  {QStringLiteral(MERIDANE_SOURCE_DIR "/scripts/with-x-display"),
                   build + QStringLiteral("/drapix-window"), QStringLiteral("--self-check")},
                  env);
        if (r.exitCode == 77)
            QSKIP(qPrintable(r.out.trimmed()));
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
        for (const char* line :
             {"ok   searchButton style 3 enabled true", "ok   printButton style 3 enabled true",
              "ok   quitButton style 3 enabled true", "ok   menuButton style 5 enabled true",
              "ok   tool bar", "ok   menu bar with its menu", "ok   status bar",
              "ok   skin attached", "ok   central widget with its layout",
              "ok   searchButton inside the central widget",
              "ok   menu bar below the caption, above the central widget",
              "ok   central widget follows a resize", "ok   first menu opens from the menu bar"})
            QVERIFY2(r.out.contains(QLatin1String(line)), qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestSdk)
#include "tst_sdk.moc"
