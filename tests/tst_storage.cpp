// Connection strings, keyed and plain files, and the statement routines' failure handling.
#include "search/modado.h"
#include "search/program_folder.h"
#include "search/result_reader.h"
#include "search/sqlite_db.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace meridane;
using namespace meridane::test;

class StorageTest : public QObject {
    Q_OBJECT

private slots:
    void connectionStrings() {
        SetProgramFolder(QStringLiteral("/opt/some folder/Meridane/"));
        QCOMPARE(KnowledgeConnectionString(),
                 QStringLiteral(
                     "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/some "
                     "folder/Meridane\\msjic.dll;Jet OLEDB:Database Password=lanternfishbay"));
        QCOMPARE(PersonalConnectionString(),
                 QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/opt/some "
                                "folder/Meridane\\msjic;Jet OLEDB:"));
        const ConnectionString k = ConnectionString::parse(KnowledgeConnectionString());
        QCOMPARE(k.provider, QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
        QCOMPARE(k.dataSource, QStringLiteral("/opt/some folder/Meridane/msjic.dll"));
        QCOMPARE(k.password, QStringLiteral("lanternfishbay"));
        const ConnectionString p = ConnectionString::parse(PersonalConnectionString());
        QCOMPARE(p.dataSource, QStringLiteral("/opt/some folder/Meridane/msjic"));
        QVERIFY(p.password.isEmpty());
        // Keys are not case-sensitive; unknown parts are ignored.
        const ConnectionString o = ConnectionString::parse(
            QStringLiteral("data source=/x/y;Mode=Share;jet oledb:database password=a=b"));
        QCOMPARE(o.dataSource, QStringLiteral("/x/y"));
        QCOMPARE(o.password, QStringLiteral("a=b"));
    }

    void keyedAndPlainFiles() {
        TempProgramFolder folder({}, {Rec(1, QStringLiteral("笔记"), QStringLiteral("正文"))});
        const auto open = [](const QString& path, const QString& password) {
            SqlConnection c;
            try {
                c.open(path, password);
                return true;
            } catch (const DbError&) {
                return false;
            }
        };
        QVERIFY(open(WorkingCopyPath(), kDatabasePassword));
        QVERIFY(!open(WorkingCopyPath(), QString()));
        QVERIFY(!open(WorkingCopyPath(), QStringLiteral("lanternfishba")));
        QVERIFY(open(PersonalDbPath(), QString()));
        QVERIFY(!open(PersonalDbPath(), kDatabasePassword));
        // The knowledge file is really encrypted: no table name is readable in it.
        QFile f(WorkingCopyPath());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(!f.readAll().contains("CREATE TABLE"));
        // Opening never creates a file.
        const QString missing = folder.path() + QStringLiteral("/none.db");
        QVERIFY(!open(missing, QString()));
        QVERIFY(!QFile::exists(missing));
        // The stamp is readable through the cached raw key, over and over.
        for (int i = 0; i < 3; ++i) {
            QString stamp;
            ReadRows(KnowledgeConnectionString(), QStringLiteral("SELECT cntr FROM cnt"),
                     [&](const SqlStatement& r) { stamp = r.text(0); });
            QCOMPARE(stamp, QStringLiteral("2008-05-20"));
        }
    }

    void rawKeyIsDerivedOncePerSalt() {
        const QByteArray a(16, 'a'), b(16, 'b');
        const QString ka = RawKeyFor(kDatabasePassword, a);
        QCOMPARE(ka.size(), 2 + 96 + 1);
        QVERIFY(ka.startsWith(QStringLiteral("x'")));
        QVERIFY(ka.endsWith(QString::fromLatin1(a.toHex()) + QLatin1Char('\'')));
        QCOMPARE(RawKeyFor(kDatabasePassword, a), ka);
        QVERIFY(RawKeyFor(kDatabasePassword, b) != ka);
        QVERIFY(RawKeyFor(QStringLiteral("other"), a) != ka);
    }

    void statementRoutines() {
        ScriptedMessages messages;
        TempProgramFolder folder({}, {});
        QVERIFY(modADO::OpenKnowledgeDb());
        modADO::ExecuteKnowledgeSql(QStringLiteral("UPDATE no_such_table SET x=1"));
        QVERIFY(modADO::OpenKnowledgeDb());
        modADO::ExecuteKnowledgeSql(QStringLiteral("CREATE TABLE t (a TEXT)"));
        QVERIFY(modADO2::OpenPersonalDb());
        modADO2::ExecutePersonalSql(QStringLiteral("CREATE TABLE n (a TEXT)"));
        QVERIFY(modADO2::OpenPersonalDb());
        modADO2::ExecutePersonalSql(QStringLiteral("INSERT INTO n VALUES (?1)"),
                                    {QStringLiteral("it's")});
        QVERIFY(messages.shown.isEmpty());
        QString value;
        ReadRows(PersonalConnectionString(), QStringLiteral("SELECT a FROM n"),
                 [&](const SqlStatement& r) { value = r.text(0); });
        QCOMPARE(value, QStringLiteral("it's"));
        // Closing twice, or without an open connection, is harmless.
        modADO::CloseKnowledgeDb();
        modADO2::ClosePersonalDb();

        QVERIFY(QFile::remove(WorkingCopyPath()));
        QVERIFY(QFile::remove(PersonalDbPath()));
        QVERIFY(!modADO::OpenKnowledgeDb());
        QVERIFY(!modADO2::OpenPersonalDb());
        QCOMPARE(messages.shown.size(), 2);
        for (const ShownMessage& m : std::as_const(messages.shown)) {
            QCOMPARE(m.prompt, kOpenFailureNotice);
            QCOMPARE(m.title, QStringLiteral("Meridane"));
            QCOMPARE(m.flags, 0);
        }
        QVERIFY(!QFile::exists(WorkingCopyPath()));
        QVERIFY(!QFile::exists(PersonalDbPath()));
        // A damaged file counts as one that cannot be opened.
        QFile bad(WorkingCopyPath());
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
        bad.close();
        QVERIFY(!modADO::OpenKnowledgeDb());
        QCOMPARE(messages.shown.size(), 3);
    }

    void workingCopy() {
        TempProgramFolder folder({}, {});
        QFile::remove(WorkingCopyPath());
        QVERIFY(EnsureWorkingCopy());
        QVERIFY(QFile::exists(WorkingCopyPath()));
        // A working copy newer than the stored file is kept (it holds the last results);
        // an older one is replaced.
        const auto stamp = [](const QString& path, int secondsAgo) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-secondsAgo),
                                  QFileDevice::FileModificationTime));
        };
        QFile mark(WorkingCopyPath());
        QVERIFY(mark.open(QIODevice::Append));
        mark.write("x");
        mark.close();
        const qint64 marked = QFileInfo(WorkingCopyPath()).size();
        stamp(StoredKnowledgePath(), 100);
        stamp(WorkingCopyPath(), 10);
        QVERIFY(EnsureWorkingCopy());
        QCOMPARE(QFileInfo(WorkingCopyPath()).size(), marked);
        stamp(StoredKnowledgePath(), 5);
        QVERIFY(EnsureWorkingCopy());
        QCOMPARE(QFileInfo(WorkingCopyPath()).size(), QFileInfo(StoredKnowledgePath()).size());
        // A read-only stored file still gives a writable working copy.
        QFile::setPermissions(StoredKnowledgePath(), QFile::ReadOwner);
        QVERIFY(MakeWorkingCopy());
        QVERIFY(QFile::permissions(WorkingCopyPath()) & QFile::WriteOwner);
        QFile::remove(StoredKnowledgePath());
        QVERIFY(!MakeWorkingCopy());
    }

    // A process that ends in the middle of a write leaves the old copy's journal beside it. The
    // engine would play that journal back into the next copy (here: bring back a table that only
    // the old copy had), so making the copy removes it.
    void journalOfTheOldCopyIsNotPlayedIntoTheNew() {
        TempProgramFolder folder({}, {});
        const QString journal = WorkingCopyPath() + QStringLiteral("-journal");
        const QString kept = WorkingCopyPath() + QStringLiteral(".kept");
        {
            SqlConnection db;
            db.open(WorkingCopyPath(), kDatabasePassword);
            db.exec(QStringLiteral("PRAGMA synchronous=OFF; CREATE TABLE only_in_the_old(x)"));
            db.exec(QStringLiteral("BEGIN; CREATE TABLE also_new(y)"));
            QVERIFY(QFile::exists(journal));
            QVERIFY(QFile::copy(journal, kept));
            db.exec(QStringLiteral("ROLLBACK"));
        }
        QVERIFY(QFile::rename(kept, journal));
        QVERIFY(MakeWorkingCopy());
        QVERIFY(!QFile::exists(journal));
        SqlConnection db;
        db.open(WorkingCopyPath(), kDatabasePassword);
        SqlStatement old = db.prepare(
            QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='only_in_the_old'"));
        QVERIFY(old.step());
        QCOMPARE(old.integer(0), 0);
    }
};

QTEST_GUILESS_MAIN(StorageTest)
#include "tst_storage.moc"
