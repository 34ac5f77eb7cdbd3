// The notes editor's record set and the restore of the notes file, without a window: which rows a
// save writes, what it does when the file is not as it was read, how new notes are numbered,
// what the search sees after an in-place save, and which backups a restore accepts.
#include "search/keyword_search.h"
#include "search/memory/engine.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"
#include "services/personal_records.h"
#include "test_support.h"

#include <QFile>
#include <QtTest>

#include <filesystem>

using namespace meridane;
using namespace meridane::test;

namespace {

std::vector<SourceRecord> Notes() {
    return {Rec(3, QStringLiteral("读书笔记"), QStringLiteral("四君子汤补气")),
            Rec(7, QStringLiteral("门诊记录"), QStringLiteral("患者发热三日，恶寒")),
            Rec(12, QStringLiteral("方歌"), QStringLiteral("补气四君，化痰二陈")),
            Rec(20, QStringLiteral("药对"), QStringLiteral("黄芪配当归"))};
}

// Every row of me1 in rowid order: 编号 with its storage class, title, body.
QStringList Rows(const QString& file) {
    SqlConnection db;
    db.open(file, QString());
    SqlStatement rows =
        db.prepare(QStringLiteral("SELECT typeof(编号), 编号, 标题, 文本 FROM me1 ORDER BY rowid"));
    QStringList out;
    while (rows.step())
        out << QStringLiteral("%1 %2|%3|%4")
                   .arg(rows.text(0), rows.text(1), rows.text(2), rows.text(3));
    return out;
}

void Exec(const QString& file, const QString& sql) {
    SqlConnection db;
    db.open(file, QString(), SqlConnection::Mode::CreateIfMissing);
    db.exec(sql);
}

QByteArray Bytes(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void WriteBytes(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Moves to the record titled title; false when the set has none.
bool MoveTo(PersonalRecordSet& set, const QString& title) {
    set.moveFirst();
    for (int i = 0; i < set.count(); ++i, set.moveNext())
        if (set.current()->title == title)
            return true;
    return false;
}

QStringList Titles(const PersonalRecordSet& set) {
    PersonalRecordSet copy = set;
    QStringList out;
    copy.moveFirst();
    for (int i = 0; i < copy.count(); ++i, copy.moveNext())
        out << NumberText(copy.current()->number) + QLatin1Char(' ') + copy.current()->title;
    return out;
}

// Turns file (a notes database as the program writes it) into one of the kinds of file below.
void MakeOdd(const QString& file, const QString& kind) {
    if (kind == QLatin1String("trigger"))
        Exec(file, QStringLiteral("CREATE TRIGGER wipe AFTER UPDATE ON me1 BEGIN DELETE FROM me1; "
                                  "END"));
    if (kind == QLatin1String("trigger elsewhere"))
        Exec(file, QStringLiteral("CREATE TABLE log (x TEXT); CREATE TRIGGER keep AFTER INSERT ON "
                                  "log BEGIN DELETE FROM me1; END"));
    if (kind == QLatin1String("me1 a view"))
        Exec(file, QStringLiteral("ALTER TABLE me1 RENAME TO stored; CREATE VIEW me1 AS SELECT * "
                                  "FROM stored"));
    if (kind == QLatin1String("me2 a view"))
        Exec(file, QStringLiteral("CREATE VIEW ME2 AS SELECT * FROM me1"));
    if (kind == QLatin1String("virtual table")) {
        // A module the engine may lack: the schema entry alone is what the check sees.
        Exec(file, QStringLiteral("PRAGMA writable_schema=ON; INSERT INTO sqlite_master VALUES "
                                  "('table', 'outside', 'outside', 0, 'CREATE VIRTUAL TABLE "
                                  "outside USING elsewhere(x)'); PRAGMA writable_schema=OFF"));
    }
    const QString columns = QStringLiteral("编号 INTEGER, 标题 TEXT, 文本 TEXT, 相符个数 INTEGER");
    const QString copy = QStringLiteral("INSERT INTO me1 (编号, 标题, 文本, 相符个数) SELECT 编号, "
                                        "标题, 文本, 相符个数 FROM old");
    if (kind == QLatin1String("without rowid"))
        Exec(file, QStringLiteral("ALTER TABLE me1 RENAME TO old; CREATE TABLE me1 (%1, PRIMARY "
                                  "KEY (编号)) WITHOUT ROWID; %2; DROP TABLE old")
                       .arg(columns, copy));
    if (kind == QLatin1String("every rowid name taken"))
        Exec(file, QStringLiteral("ALTER TABLE me1 RENAME TO old; CREATE TABLE me1 (%1, rowid "
                                  "TEXT, OID TEXT, _rowid_ TEXT); %2; DROP TABLE old")
                       .arg(columns, copy));
    if (kind == QLatin1String("own rowid column"))
        Exec(file, QStringLiteral("ALTER TABLE me1 RENAME TO old; CREATE TABLE me1 (%1, rowid "
                                  "TEXT); %2; UPDATE me1 SET rowid = 'r' || 编号; DROP TABLE old")
                       .arg(columns, copy));
}

const char* const kOddKinds[] = {
    "trigger",       "trigger elsewhere",     "me1 a view", "me2 a view", "virtual table",
    "without rowid", "every rowid name taken"};

} // namespace

class PersonalRecordsTest : public QObject {
    Q_OBJECT

    // The in-memory search of the process, as main() of the program makes it.
    memory::Engine engine;
    std::unique_ptr<TempProgramFolder> folder;
    std::unique_ptr<ScriptedMessages> messages;
    QString notes;

private slots:
    void init() {
        folder = std::make_unique<TempProgramFolder>(KnowledgeSources{}, Notes());
        messages = std::make_unique<ScriptedMessages>();
        notes = PersonalDbPath();
    }
    void cleanup() {
        messages.reset();
        folder.reset();
    }

    // A file made elsewhere may number two notes alike, or not at all: every edit and deletion
    // still reaches exactly the row it was made on.
    void rowsAreAddressedOneByOne() {
        QVERIFY(QFile::remove(notes));
        Exec(notes, QStringLiteral(
                        "CREATE TABLE me1 (编号 INTEGER, 标题 TEXT, 文本 TEXT, 相符个数 INTEGER);"
                        "INSERT INTO me1 VALUES (1, '一号甲', '甲', 0);"
                        "INSERT INTO me1 VALUES ('七', '文字号', '丙', 0);"
                        "INSERT INTO me1 VALUES (NULL, '无号', '乙', 0);"
                        "INSERT INTO me1 VALUES (1, '一号乙', '丁', 0);"
                        "INSERT INTO me1 VALUES (2.5, '小数号', '戊', 0);"));
        PersonalRecordSet set;
        set.load(notes);
        QCOMPARE(Titles(set), (QStringList{QStringLiteral(" 无号"), QStringLiteral("1 一号甲"),
                                           QStringLiteral("1 一号乙"), QStringLiteral("2.5 小数号"),
                                           QStringLiteral("七 文字号")}));
        QVERIFY(MoveTo(set, QStringLiteral("一号乙")));
        set.deleteCurrent();
        QVERIFY(MoveTo(set, QStringLiteral("无号")));
        set.setBody(QStringLiteral("乙改"));
        QVERIFY(MoveTo(set, QStringLiteral("文字号")));
        set.setTitle(QStringLiteral("文字号改"));
        set.addNew();
        QCOMPARE(NumberText(set.current()->number), QStringLiteral("3"));
        set.setTitle(QStringLiteral("新笔记"));
        set.save(notes);
        QCOMPARE(Rows(notes), (QStringList{QStringLiteral("integer 1|一号甲|甲"),
                                           QStringLiteral("text 七|文字号改|丙"),
                                           QStringLiteral("null |无号|乙改"),
                                           QStringLiteral("real 2.5|小数号|戊"),
                                           QStringLiteral("integer 3|新笔记|")}));
        QVERIFY(!set.hasPendingChanges());

        // The note without a number goes alone.
        QVERIFY(MoveTo(set, QStringLiteral("无号")));
        set.deleteCurrent();
        set.save(notes);
        QCOMPARE(Rows(notes).size(), 4);
        QVERIFY(!Rows(notes).contains(QStringLiteral("null |无号|乙改")));
    }

    // Files made from now on give every note a number, and never one number to two notes.
    void newFilesNumberEveryNote() {
        QVERIFY_THROWS_EXCEPTION(BuildError,
                                 WritePersonalDb({Rec(1, QStringLiteral("甲"), QString()),
                                                  Rec(1, QStringLiteral("乙"), QString())},
                                                 notes + QStringLiteral("2")));
        QVERIFY(!QFile::exists(notes + QStringLiteral("2")));
        for (const char* sql : {"INSERT INTO me1 (编号, 标题) VALUES (NULL, '无号')",
                                "INSERT INTO me1 (标题) VALUES ('无号')",
                                "INSERT INTO me1 (编号, 标题) VALUES (7, '重号')"})
            QVERIFY_THROWS_EXCEPTION(DbError, Exec(notes, QString::fromUtf8(sql)));
        QCOMPARE(Rows(notes).size(), 4);
    }

    // Deletions go first and edits before new notes, so that a title given up in a save can be
    // taken in the same save.
    void titlesGivenUpCanBeTaken() {
        PersonalRecordSet set;
        set.load(notes);
        QVERIFY(MoveTo(set, QStringLiteral("门诊记录")));
        set.deleteCurrent();
        set.addNew();
        set.setTitle(QStringLiteral("门诊记录"));
        QVERIFY(MoveTo(set, QStringLiteral("方歌")));
        set.deleteCurrent();
        QVERIFY(MoveTo(set, QStringLiteral("读书笔记")));
        set.setTitle(QStringLiteral("方歌"));
        QVERIFY(MoveTo(set, QStringLiteral("药对")));
        set.setTitle(QStringLiteral("药对二"));
        set.addNew();
        set.setTitle(QStringLiteral("药对"));
        set.save(notes);
        QCOMPARE(Rows(notes), (QStringList{QStringLiteral("integer 3|方歌|四君子汤补气"),
                                           QStringLiteral("integer 20|药对二|黄芪配当归"),
                                           QStringLiteral("integer 21|门诊记录|"),
                                           QStringLiteral("integer 22|药对|")}));
    }

    // A new note gets its number when it is saved: one more than the largest in the file then.
    void newNotesNumberedWhenSaved() {
        PersonalRecordSet set;
        set.load(notes);
        set.addNew();
        QCOMPARE(NumberText(set.current()->number), QStringLiteral("21"));
        set.setTitle(QStringLiteral("新笔记"));
        Exec(notes, QStringLiteral("INSERT INTO me1 VALUES (40, '别处加的', '', 0)"));
        set.save(notes);
        QCOMPARE(NumberText(set.current()->number), QStringLiteral("41"));
        QCOMPARE(Rows(notes).last(), QStringLiteral("integer 41|新笔记|"));
        set.addNew();
        QCOMPARE(NumberText(set.current()->number), QStringLiteral("42"));
    }

    // The file no longer holds a row the changes address: nothing is written, the changes stay,
    // and the reason says so.
    void changedFileWritesNothing_data() {
        QTest::addColumn<bool>("deleteIt");
        QTest::newRow("edit") << false;
        QTest::newRow("delete") << true;
    }
    void changedFileWritesNothing() {
        QFETCH(bool, deleteIt);
        PersonalRecordSet set;
        set.load(notes);
        QVERIFY(MoveTo(set, QStringLiteral("读书笔记")));
        set.setBody(QStringLiteral("改过"));
        QVERIFY(MoveTo(set, QStringLiteral("方歌")));
        if (deleteIt)
            set.deleteCurrent();
        else
            set.setBody(QStringLiteral("也改过"));
        set.addNew();
        set.setTitle(QStringLiteral("新笔记"));
        Exec(notes, QStringLiteral("DELETE FROM me1 WHERE 标题='方歌'"));
        const QStringList before = Rows(notes);
        try {
            set.save(notes);
            QFAIL("the save went through");
        } catch (const PersonalSaveError& e) {
            QCOMPARE(e.reason(), PersonalSaveError::Reason::ChangedElsewhere);
        }
        QCOMPARE(Rows(notes), before);
        QVERIFY(set.hasPendingChanges());
        QCOMPARE(set.current()->title, QStringLiteral("新笔记"));
    }

    // Two copies of the notes: the second deletes the last note and adds one, which the file
    // gives the freed row id; the first, read before, then saves its change of the deleted note.
    // Nothing is written over the new note, and the reason says so. A search of the notes in
    // between changes only the hit counts, which do not stand in a save's way.
    void reusedRowIsNotOverwritten_data() {
        QTest::addColumn<bool>("deleteIt");
        QTest::newRow("edit") << false;
        QTest::newRow("delete") << true;
    }
    void reusedRowIsNotOverwritten() {
        QFETCH(bool, deleteIt);
        PersonalRecordSet first, second;
        first.load(notes);
        second.load(notes);
        QVERIFY(MoveTo(second, QStringLiteral("药对")));
        second.deleteCurrent();
        second.addNew();
        second.setTitle(QStringLiteral("新笔记"));
        second.setBody(QStringLiteral("第二个窗口写的"));
        second.save(notes);
        const QStringList saved = Rows(notes);
        QCOMPARE(saved.last(), QStringLiteral("integer 21|新笔记|第二个窗口写的"));
        {
            SqlConnection db;
            db.open(notes, QString());
            SqlStatement reused =
                db.prepare(QStringLiteral("SELECT rowid FROM me1 WHERE 标题='新笔记'"));
            QVERIFY(reused.step());
            QCOMPARE(reused.integer(0), qint64(4)); // the row id 药对 had
        }

        QVERIFY(MoveTo(first, QStringLiteral("药对")));
        if (deleteIt)
            first.deleteCurrent();
        else
            first.setBody(QStringLiteral("第一个窗口改的"));
        try {
            first.save(notes);
            QFAIL("the save went through");
        } catch (const PersonalSaveError& e) {
            QCOMPARE(e.reason(), PersonalSaveError::Reason::ChangedElsewhere);
        }
        QCOMPARE(Rows(notes), saved);
        QVERIFY(first.hasPendingChanges());

        // Read again, the change goes where it is meant to.
        first.load(notes);
        SearchFields fields;
        fields.selected = Option::Option5;
        KeywordSearch search(fields, &engine);
        fields.keywordBox = QStringLiteral("补气");
        search.Command1Click();
        engine.finishPendingWrites();
        QCOMPARE(fields.resultList.size(), 2);
        QVERIFY(MoveTo(first, QStringLiteral("读书笔记")));
        first.setBody(QStringLiteral("四君子汤补气，改"));
        QVERIFY(MoveTo(first, QStringLiteral("方歌")));
        first.deleteCurrent();
        first.save(notes);
        QCOMPARE(Rows(notes), (QStringList{QStringLiteral("integer 3|读书笔记|四君子汤补气，改"),
                                           QStringLiteral("integer 7|门诊记录|患者发热三日，恶寒"),
                                           QStringLiteral("integer 21|新笔记|第二个窗口写的")}));

        // A saved change is the note's new state: the next change of it goes through too.
        QVERIFY(MoveTo(first, QStringLiteral("读书笔记")));
        first.setTitle(QStringLiteral("读书笔记二"));
        first.save(notes);
        QCOMPARE(Rows(notes).first(), QStringLiteral("integer 3|读书笔记二|四君子汤补气，改"));
        QVERIFY(MoveTo(first, QStringLiteral("新笔记")));
        first.deleteCurrent();
        first.save(notes);
        QCOMPARE(Rows(notes).size(), 2);
    }

    // A file whose me1 the editor cannot write safely is neither read nor written, and nothing
    // of it runs; a column of me1's own named rowid is just a column.
    void oddFilesAreRefused() {
        for (const char* kind : kOddKinds) {
            const QString name = QString::fromLatin1(kind);
            const QString file = folder->path() + QStringLiteral("/odd");
            QFile::remove(file);
            WritePersonalDb(Notes(), file);
            MakeOdd(file, name);
            const QByteArray before = Bytes(file);
            PersonalRecordSet set;
            set.load(notes);
            set.addNew();
            set.setTitle(QStringLiteral("新笔记"));
            try {
                set.load(file);
                QFAIL(qPrintable(name + QStringLiteral(": loaded")));
            } catch (const UnusableNotesError&) {
            }
            QCOMPARE(set.count(), 5);
            try {
                set.save(file);
                QFAIL(qPrintable(name + QStringLiteral(": saved")));
            } catch (const PersonalSaveError& e) {
                QCOMPARE(e.reason(), PersonalSaveError::Reason::CannotOpen);
            }
            QVERIFY2(!IsNotesDatabase(file), kind);
            QVERIFY2(Bytes(file) == before, kind);
        }

        const QString file = folder->path() + QStringLiteral("/own");
        WritePersonalDb(Notes(), file);
        MakeOdd(file, QStringLiteral("own rowid column"));
        QVERIFY(IsNotesDatabase(file));
        PersonalRecordSet set;
        set.load(file);
        QCOMPARE(set.count(), 4);
        QVERIFY(MoveTo(set, QStringLiteral("方歌")));
        set.setBody(QStringLiteral("改过"));
        QVERIFY(MoveTo(set, QStringLiteral("门诊记录")));
        set.deleteCurrent();
        set.addNew();
        set.setTitle(QStringLiteral("新笔记"));
        set.save(file);
        // Here "rowid" in a statement is me1's own column.
        SqlConnection db;
        db.open(file, QString());
        SqlStatement rows =
            db.prepare(QStringLiteral("SELECT 编号, 标题, 文本, rowid FROM me1 ORDER BY 编号"));
        QStringList values;
        while (rows.step())
            values << QStringLiteral("%1|%2|%3|%4")
                          .arg(rows.text(0), rows.text(1), rows.text(2), rows.text(3));
        QCOMPARE(values, (QStringList{QStringLiteral("3|读书笔记|四君子汤补气|r3"),
                                      QStringLiteral("12|方歌|改过|r12"),
                                      QStringLiteral("20|药对|黄芪配当归|r20"),
                                      QStringLiteral("21|新笔记||")}));
    }

    void saveFailuresSayWhy() {
        PersonalRecordSet set;
        set.load(notes);
        set.addNew();
        set.setTitle(QStringLiteral("方歌"));
        try {
            set.save(notes);
            QFAIL("the save went through");
        } catch (const PersonalSaveError& e) {
            QCOMPARE(e.reason(), PersonalSaveError::Reason::DuplicateTitle);
        }
        for (const QByteArray& content : {QByteArray(), QByteArray("not a database at all")}) {
            WriteBytes(notes, content);
            try {
                PersonalRecordSet::Connect(notes);
                QFAIL("opened");
            } catch (const PersonalSaveError& e) {
                QCOMPARE(e.reason(), PersonalSaveError::Reason::CannotOpen);
            }
        }
    }

    // A text the filter cannot take leaves the filter, the records shown and the current one.
    void badFilterKeepsTheView() {
        PersonalRecordSet set;
        set.load(notes);
        QVERIFY(set.setFilter(PersonalRecordSet::Column::Title, QStringLiteral("记")));
        set.moveLast();
        QCOMPARE(set.count(), 2);
        QVERIFY(!set.setFilter(PersonalRecordSet::Column::Body, QStringLiteral("it's")));
        QCOMPARE(set.count(), 2);
        QCOMPARE(set.position(), 1);
        QCOMPARE(set.current()->title, QStringLiteral("门诊记录"));
        set.setBody(QStringLiteral("typed after"));
        QVERIFY(set.hasPendingChanges());
    }

    // The search keeps me1 in memory while the file is as it was; the engine's change counter
    // in the file's header is what tells an in-place save from no change when size, identity
    // and time say nothing (a coarse file time, or a save within one tick).
    void searchSeesAnInPlaceSave() {
        SearchFields fields;
        fields.selected = Option::Option5;
        KeywordSearch search(fields, &engine);
        fields.keywordBox = QStringLiteral("恶寒");
        search.Command1Click();
        QVERIFY(search.lastSearchInMemory());
        QCOMPARE(fields.resultList, QStringList{QStringLiteral("门诊记录")});

        const auto header = [this] { return Bytes(notes).mid(24, 4); };
        const QByteArray counter = header();
        const qint64 size = QFileInfo(notes).size();
        const std::filesystem::path path = notes.toStdString();
        const auto time = std::filesystem::last_write_time(path);
        PersonalRecordSet set;
        set.load(notes);
        QVERIFY(MoveTo(set, QStringLiteral("方歌")));
        set.setBody(QStringLiteral("补气四君，恶寒"));
        set.save(notes);
        QVERIFY(header() != counter);
        QCOMPARE(QFileInfo(notes).size(), size);
        std::filesystem::last_write_time(path, time);

        search.Command1Click();
        QVERIFY(search.lastSearchInMemory());
        QCOMPARE(fields.resultList,
                 (QStringList{QStringLiteral("门诊记录"), QStringLiteral("方歌")}));
    }

    // The restore and the save both say that they change the notes file before they do.
    void restoreAndSaveAnnounceTheirWrites() {
        static QStringList heard;
        static const bool listening = [] {
            SubscribeToFileChanges([](const QString& path) { heard << path; });
            return true;
        }();
        QVERIFY(listening);
        heard.clear();
        PersonalRecordSet set;
        set.load(notes);
        QVERIFY(MoveTo(set, QStringLiteral("方歌")));
        set.setBody(QStringLiteral("改过的方歌"));
        set.save(notes);
        QCOMPARE(heard, QStringList{notes});

        heard.clear();
        const QString backup = folder->path() + QStringLiteral("/msjicbak");
        WritePersonalDb({Rec(1, QStringLiteral("备份里的"), QStringLiteral("备份"))}, backup);
        QCOMPARE(int(RestoreNotes(backup, notes)), int(RestoreOutcome::Restored));
        QCOMPARE(heard, QStringList{notes});
    }

    // A restore takes only a notes database that passes its checks, and keeps the file it
    // replaces as msjic.bak until the next restore that succeeds.
    void restoreChecksTheBackup_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("outcome");
        const int notNotes = int(RestoreOutcome::NotNotes);
        QTest::newRow("missing") << "missing" << int(RestoreOutcome::NoBackup);
        QTest::newRow("folder") << "folder" << int(RestoreOutcome::NoBackup);
        QTest::newRow("empty") << "empty" << notNotes;
        QTest::newRow("text") << "text" << notNotes;
        QTest::newRow("keyed") << "keyed" << notNotes;
        QTest::newRow("no me1") << "no me1" << notNotes;
        QTest::newRow("me1 without 文本") << "me1 without 文本" << notNotes;
        QTest::newRow("damaged") << "damaged" << notNotes;
        for (const char* kind : kOddKinds)
            QTest::newRow(kind) << QString::fromLatin1(kind) << notNotes;
        QTest::newRow("good") << "good" << int(RestoreOutcome::Restored);
        QTest::newRow("own rowid column") << "own rowid column" << int(RestoreOutcome::Restored);
    }
    void restoreChecksTheBackup() {
        QFETCH(QString, kind);
        QFETCH(int, outcome);
        const QString backup = folder->path() + QStringLiteral("/msjicbak");
        const QString kept = notes + QStringLiteral(".bak");
        WriteBytes(kept, "kept from an earlier restore");
        if (kind == QStringLiteral("folder")) {
            QVERIFY(QDir().mkpath(backup));
        } else if (kind == QStringLiteral("empty")) {
            WriteBytes(backup, {});
        } else if (kind == QStringLiteral("text")) {
            WriteBytes(backup, "SQLite format 3" + QByteArray(2000, 'x'));
        } else if (kind == QStringLiteral("keyed")) {
            QVERIFY(QFile::copy(WorkingCopyPath(), backup));
        } else if (kind == QStringLiteral("no me1")) {
            Exec(backup, QStringLiteral("CREATE TABLE notes (编号, 标题, 文本, 相符个数)"));
        } else if (kind == QStringLiteral("me1 without 文本")) {
            Exec(backup, QStringLiteral("CREATE TABLE me1 (编号, 标题, 相符个数)"));
        } else if (kind == QStringLiteral("damaged")) {
            std::vector<SourceRecord> many;
            for (int i = 0; i < 400; ++i)
                many.push_back(
                    Rec(i + 1, QStringLiteral("笔记%1").arg(i), QString(200, QChar(0x4E00 + i))));
            WritePersonalDb(many, backup);
            QByteArray bytes = Bytes(backup);
            QVERIFY(bytes.size() > 8 * 4096);
            bytes.replace(bytes.size() - 3 * 4096, 4096, QByteArray(4096, '\x5A'));
            WriteBytes(backup, bytes);
        } else if (kind == QStringLiteral("good")) {
            WritePersonalDb({Rec(1, QStringLiteral("备份里的"), QStringLiteral("备份"))}, backup);
        } else if (kind != QStringLiteral("missing")) {
            WritePersonalDb({Rec(1, QStringLiteral("备份里的"), QStringLiteral("备份"))}, backup);
            MakeOdd(backup, kind);
        }
        const QByteArray before = Bytes(notes);
        const QByteArray backupBefore = Bytes(backup);

        QCOMPARE(int(RestoreNotes(backup, notes)), outcome);
        QVERIFY(QDir(folder->path()).entryList({QStringLiteral("*.partial")}).isEmpty());
        if (outcome == int(RestoreOutcome::Restored)) {
            QCOMPARE(Bytes(notes), backupBefore);
            QCOMPARE(Bytes(kept), before);
            QVERIFY(IsNotesDatabase(notes));
        } else {
            QCOMPARE(Bytes(notes), before);
            QCOMPARE(Bytes(kept), QByteArray("kept from an earlier restore"));
            QCOMPARE(Rows(notes).size(), 4);
        }
    }
};

QTEST_GUILESS_MAIN(PersonalRecordsTest)
#include "tst_personal_records.moc"
