// The editor's copy of the personal notes: every row of me1 in 编号 order, held in memory with
// the changes made to it, written back in one transaction when the user saves.
#pragma once

#include "search/sqlite_db.h"

#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace meridane {

struct PersonalRecord {
    // 编号 as the file holds it: a whole number, as a rule, but a file made elsewhere may hold
    // another number, a text or nothing (a null QVariant).
    QVariant number;
    QString title; // 标题
    QString body;  // 文本
};

// 编号 as the position line shows it: the number in decimal, a text as it is, nothing as "".
QString NumberText(const QVariant& number);
// The largest whole number 编号 holds in me1, when there is one.
std::optional<qint64> LargestNumber(SqlConnection& db);

// Why a save wrote nothing.
class PersonalSaveError : public DbError {
public:
    enum class Reason {
        CannotOpen,       // the file is missing, not a database, or has no me1 to write
        DuplicateTitle,   // a note's title is taken by another note
        ChangedElsewhere, // a row the changes address is no longer in the file as it was read
        CannotWrite,      // the file rejected the changes for another reason
    };
    PersonalSaveError(Reason reason, const std::string& what) : DbError(what), reason_(reason) {}
    Reason reason() const { return reason_; }

private:
    Reason reason_;
};

// Rolls back db's open transaction after e and throws e as a PersonalSaveError (CannotWrite
// unless it is one already).
[[noreturn]] void RollBackAndThrow(SqlConnection& db, const std::exception& e);

// A notes file that opens but that the editor does not work with: me1 is not a plain table with
// rows of its own (a view, a virtual table, a table without row ids, or one whose columns take
// every name of the row id), or the file holds triggers, which would run with every change.
class UnusableNotesError : public DbError {
public:
    using DbError::DbError;
};

class PersonalRecordSet {
public:
    // Reads every row of me1 from file, dropping all pending changes and the filter. Throws
    // DbError (UnusableNotesError for a file the editor does not work with, see there); the set
    // is then unchanged, and nothing of the file has run.
    void load(const QString& file);
    // Opens file for a save and checks that it holds an me1 the set can write (as load does).
    // Throws PersonalSaveError (CannotOpen).
    static SqlConnection Connect(const QString& file);
    // Writes all pending changes in one transaction: every edit and deletion to the one row it
    // was read from (by row id, whatever 编号 holds), and only while that row still holds the
    // 编号, title and body read from it; every new note with the next number (largest whole
    // number in the file + 1). The records shown and the current record stay.
    // Throws PersonalSaveError; the file is then as it was and the changes stay pending.
    void save(SqlConnection& db);
    // Whoever saves through a connection of their own announces the change of its file first.
    void save(const QString& file) {
        SqlConnection db = Connect(file);
        AnnounceFileChange(file);
        save(db);
    }

    bool hasPendingChanges() const;

    // The records as currently filtered.
    int count() const { return int(visible_.size()); }
    // 0-based place of the current record; -1 before the first, count() past the last.
    int position() const { return pos_; }
    bool bof() const { return pos_ < 0 || visible_.empty(); }
    bool eof() const { return pos_ >= count() || visible_.empty(); }
    const PersonalRecord* current() const;

    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    // Makes the first record shown whose 编号 is the whole number number current; false (and
    // nothing moves) when none is shown.
    bool moveToNumber(qint64 number);

    // Appends an empty record and makes it current. Until it is saved it shows the number it
    // would get if nothing else changed the file.
    void addNew();
    // Deletes the current record; the record after it (or the last one) becomes current.
    void deleteCurrent();
    void setTitle(const QString& title);
    void setBody(const QString& body);

    enum class Column { Title, Body };
    // Shows only the records whose column contains text (letter case aside); an empty text
    // shows all. False for a text the filter cannot take (a single quote): the filter set
    // before, the records shown and the current record then stay as they were.
    bool setFilter(Column column, const QString& text);

private:
    struct Entry {
        PersonalRecord record;
        // 编号, 标题 and 文本 as the file held them when they were read or last written, each
        // with its storage class.
        QVariant readNumber, readTitle, readBody;
        qint64 rowid = 0;    // the row in the file, when stored
        bool stored = false; // the row is in the file
        bool modified = false;
        bool deleted = false;
    };
    void refilter();
    Entry& currentEntry();

    std::vector<Entry> entries_;
    std::vector<size_t> visible_; // indexes into entries_
    int pos_ = -1;
    std::optional<std::pair<Column, QString>> filter_;
    qint64 nextNumber_ = 1; // what the next new record shows
};

// Whether file is a notes database the editor can work with: an SQLite file without a key that
// holds me1 as a plain table with its columns and row ids, no triggers, no view named me1 or
// me2, no virtual tables, and that passes the integrity check.
bool IsNotesDatabase(const QString& file);

enum class RestoreOutcome {
    Restored,
    NoBackup,    // the backup is missing or cannot be read
    NotNotes,    // the backup is not a notes database (IsNotesDatabase); nothing was replaced
    CannotWrite, // the notes file could not be replaced; it is as it was
};

// Replaces target by a copy of backup once the copy has passed IsNotesDatabase. The file it
// replaces is kept beside it as target + ".bak" until the next restore that succeeds.
RestoreOutcome RestoreNotes(const QString& backup, const QString& target);

} // namespace meridane
