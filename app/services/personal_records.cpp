#include "services/personal_records.h"

#include "services/file_replace.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <limits>

namespace meridane {

namespace {

// What the set reads of me1, and what a save needs to find there; rowid is the name that reaches
// the row ids (NotesRowid).
QString ReadRows(const QString& rowid) {
    return QStringLiteral("SELECT %1, 编号, 标题, 文本, 相符个数 FROM me1 ORDER BY 编号, %1")
        .arg(rowid);
}

// The name that reaches me1's row ids in db: rowid, _rowid_ or oid, whichever no column of me1
// takes for itself. Throws UnusableNotesError for a file the editor does not work with, and
// DbError for one without me1; nothing of the file runs on the way.
QString NotesRowid(SqlConnection& db) {
    // Triggers run with the editor's and the search's writes; a view or a virtual table runs
    // code when it is read.
    SqlStatement code =
        db.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='trigger' OR "
                                  "(type='view' AND lower(name) IN ('me1', 'me2')) OR "
                                  "(type='table' AND coalesce(rootpage, 0) <= 0) LIMIT 1"));
    if (code.step())
        throw UnusableNotesError("the notes file holds triggers, views or virtual tables");
    SqlStatement table = db.prepare(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND lower(name)='me1'"));
    if (!table.step())
        throw DbError("the notes file holds no me1");
    QStringList columns;
    SqlStatement info = db.prepare(QStringLiteral("PRAGMA table_info(me1)"));
    while (info.step())
        columns << info.text(1).toLower();
    for (const QString& name :
         {QStringLiteral("rowid"), QStringLiteral("_rowid_"), QStringLiteral("oid")}) {
        if (columns.contains(name))
            continue;
        try {
            db.prepare(QStringLiteral("SELECT %1 FROM me1 LIMIT 0").arg(name));
        } catch (const DbError&) {
            throw UnusableNotesError("me1 has no row ids");
        }
        return name;
    }
    throw UnusableNotesError("me1's columns take every name of the row id");
}

// The largest whole number a value of 编号 stands for, when it is a number.
std::optional<qint64> WholeNumber(const QVariant& number) {
    switch (number.typeId()) {
    case QMetaType::LongLong:
        return number.toLongLong();
    case QMetaType::Double: {
        const double d = std::floor(number.toDouble());
        if (!std::isfinite(d) || d < -9.2e18 || d > 9.2e18)
            return std::nullopt;
        return qint64(d);
    }
    default:
        return std::nullopt;
    }
}

qint64 After(qint64 number) {
    return number == std::numeric_limits<qint64>::max() ? number : number + 1;
}

[[noreturn]] void Fail(PersonalSaveError::Reason reason, const DbError& cause) {
    throw PersonalSaveError(reason, cause.what());
}

// One statement that must change exactly one row.
void ChangeOneRow(SqlConnection& db, SqlStatement& st) {
    try {
        st.step();
    } catch (const DbError& e) {
        const QString what = QString::fromUtf8(e.what());
        const bool title =
            what.contains(QLatin1String("UNIQUE")) && what.contains(QStringLiteral("me1.标题"));
        Fail(title ? PersonalSaveError::Reason::DuplicateTitle
                   : PersonalSaveError::Reason::CannotWrite,
             e);
    }
    if (db.changes() != 1)
        throw PersonalSaveError(PersonalSaveError::Reason::ChangedElsewhere,
                                "a note is not in the file as it was read");
}

} // namespace

void RollBackAndThrow(SqlConnection& db, const std::exception& e) {
    db.rollbackAfterFailure();
    if (const auto* known = dynamic_cast<const PersonalSaveError*>(&e))
        throw *known;
    throw PersonalSaveError(PersonalSaveError::Reason::CannotWrite, e.what());
}

std::optional<qint64> LargestNumber(SqlConnection& db) {
    SqlStatement largest = db.prepare(
        QStringLiteral("SELECT max(编号) FROM me1 WHERE typeof(编号) IN ('integer', 'real')"));
    return largest.step() ? WholeNumber(largest.value(0)) : std::nullopt;
}

QString NumberText(const QVariant& number) {
    if (number.isNull())
        return {};
    if (number.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(number.toByteArray());
    return number.toString();
}

void PersonalRecordSet::load(const QString& file) {
    SqlConnection db;
    db.open(file, QString());
    SqlStatement rows = db.prepare(ReadRows(NotesRowid(db)));
    std::vector<Entry> loaded;
    qint64 next = 1;
    while (rows.step()) {
        Entry e;
        e.rowid = rows.integer(0);
        e.record = {rows.value(1), rows.text(2), rows.text(3)};
        e.readNumber = e.record.number;
        e.readTitle = rows.value(2);
        e.readBody = rows.value(3);
        e.stored = true;
        if (const std::optional<qint64> n = WholeNumber(e.record.number))
            next = std::max(next, After(*n));
        loaded.push_back(std::move(e));
    }
    entries_ = std::move(loaded);
    nextNumber_ = next;
    filter_.reset();
    refilter();
    pos_ = visible_.empty() ? -1 : 0;
}

SqlConnection PersonalRecordSet::Connect(const QString& file) {
    SqlConnection db;
    try {
        db.open(file, QString());
        db.prepare(ReadRows(NotesRowid(db)) + QStringLiteral(" LIMIT 0"));
    } catch (const DbError& e) {
        Fail(PersonalSaveError::Reason::CannotOpen, e);
    }
    return db;
}

void PersonalRecordSet::save(SqlConnection& db) {
    std::vector<std::pair<size_t, qint64>> inserted; // entry, rowid
    std::vector<qint64> numbers;                     // the numbers the new notes get
    try {
        db.exec(QStringLiteral("BEGIN IMMEDIATE"));
    } catch (const DbError& e) {
        Fail(PersonalSaveError::Reason::CannotWrite, e);
    }
    try {
        // Checked again under the write lock: what is written is the file as it is now.
        QString rowid;
        try {
            rowid = NotesRowid(db);
        } catch (const DbError& e) {
            Fail(PersonalSaveError::Reason::CannotOpen, e);
        }
        // A row is changed only while it holds what was read from it: a row id the file has
        // since given to another note, or a note changed elsewhere, counts no change.
        const QString asRead =
            QStringLiteral(" WHERE %1=?1 AND 编号 IS ?2 AND 标题 IS ?3 AND 文本 IS ?4").arg(rowid);
        SqlStatement remove = db.prepare(QStringLiteral("DELETE FROM me1") + asRead);
        SqlStatement update =
            db.prepare(QStringLiteral("UPDATE me1 SET 标题=?5, 文本=?6") + asRead);
        const auto bindAsRead = [](SqlStatement& st, const Entry& e) {
            st.bind(1, e.rowid);
            st.bindValue(2, e.readNumber);
            st.bindValue(3, e.readTitle);
            st.bindValue(4, e.readBody);
        };
        SqlStatement insert = db.prepare(
            QStringLiteral("INSERT INTO me1 (编号, 标题, 文本, 相符个数) VALUES (?1, ?2, ?3, 0)"));
        SqlStatement lastRowid = db.prepare(QStringLiteral("SELECT last_insert_rowid()"));
        qint64 next = 1;
        if (const std::optional<qint64> n = LargestNumber(db))
            next = After(*n);

        // Deletions first, so that a title given up by one note can be taken by another; then
        // the edits, so that a title an edited note gives up can be taken by a new one.
        for (const Entry& e : entries_) {
            if (e.deleted && e.stored) {
                remove.reset();
                bindAsRead(remove, e);
                ChangeOneRow(db, remove);
            }
        }
        for (const Entry& e : entries_) {
            if (e.deleted || !e.stored || !e.modified)
                continue;
            update.reset();
            bindAsRead(update, e);
            update.bind(5, e.record.title);
            update.bind(6, e.record.body);
            ChangeOneRow(db, update);
        }
        for (size_t i = 0; i < entries_.size(); ++i) {
            const Entry& e = entries_[i];
            if (e.deleted || e.stored)
                continue;
            insert.reset();
            insert.bind(1, next);
            insert.bind(2, e.record.title);
            insert.bind(3, e.record.body);
            ChangeOneRow(db, insert);
            lastRowid.reset();
            lastRowid.step();
            inserted.emplace_back(i, lastRowid.integer(0));
            numbers.push_back(next);
            next = After(next);
        }
        db.exec(QStringLiteral("COMMIT"));
    } catch (const std::exception& e) {
        RollBackAndThrow(db, e);
    }

    // Written: the set now matches the file.
    for (size_t k = 0; k < inserted.size(); ++k) {
        Entry& e = entries_[inserted[k].first];
        e.rowid = inserted[k].second;
        e.record.number = QVariant::fromValue<qlonglong>(numbers[k]);
        nextNumber_ = std::max(nextNumber_, After(numbers[k]));
    }
    // The deleted entries go; the records shown and the current one stay as they were.
    std::vector<size_t> moved(entries_.size());
    std::vector<Entry> kept;
    kept.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].deleted)
            continue;
        moved[i] = kept.size();
        kept.push_back(std::move(entries_[i]));
        Entry& e = kept.back();
        if (!e.stored || e.modified) {
            e.readNumber = e.record.number;
            e.readTitle = e.record.title;
            e.readBody = e.record.body;
        }
        e.stored = true;
        e.modified = false;
    }
    entries_ = std::move(kept);
    for (size_t& index : visible_)
        index = moved[index];
}

bool PersonalRecordSet::hasPendingChanges() const {
    return std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) {
        return e.deleted ? e.stored : (!e.stored || e.modified);
    });
}

const PersonalRecord* PersonalRecordSet::current() const {
    if (bof() || eof())
        return nullptr;
    return &entries_[visible_[size_t(pos_)]].record;
}

PersonalRecordSet::Entry& PersonalRecordSet::currentEntry() {
    return entries_[visible_[size_t(pos_)]];
}

void PersonalRecordSet::moveFirst() {
    pos_ = visible_.empty() ? -1 : 0;
}
void PersonalRecordSet::movePrevious() {
    pos_ = std::max(pos_ - 1, visible_.empty() ? -1 : 0);
}
void PersonalRecordSet::moveNext() {
    pos_ = std::min(pos_ + 1, count() - 1);
}
void PersonalRecordSet::moveLast() {
    pos_ = count() - 1;
}

bool PersonalRecordSet::moveToNumber(qint64 number) {
    for (size_t i = 0; i < visible_.size(); ++i) {
        const QVariant& n = entries_[visible_[i]].record.number;
        if (n.typeId() == QMetaType::LongLong && n.toLongLong() == number) {
            pos_ = int(i);
            return true;
        }
    }
    return false;
}

void PersonalRecordSet::addNew() {
    Entry e;
    e.record.number = QVariant::fromValue<qlonglong>(nextNumber_);
    nextNumber_ = After(nextNumber_);
    entries_.push_back(std::move(e));
    // A new record shows whatever the filter, as it does until the filter is set again.
    visible_.push_back(entries_.size() - 1);
    pos_ = count() - 1;
}

void PersonalRecordSet::deleteCurrent() {
    if (!current())
        return;
    currentEntry().deleted = true;
    visible_.erase(visible_.begin() + pos_);
    pos_ = std::min(pos_, count() - 1);
}

void PersonalRecordSet::setTitle(const QString& title) {
    if (current() && currentEntry().record.title != title) {
        currentEntry().record.title = title;
        currentEntry().modified = true;
    }
}

void PersonalRecordSet::setBody(const QString& body) {
    if (current() && currentEntry().record.body != body) {
        currentEntry().record.body = body;
        currentEntry().modified = true;
    }
}

bool PersonalRecordSet::setFilter(Column column, const QString& text) {
    if (text.contains(QLatin1Char('\'')))
        return false;
    if (text.isEmpty())
        filter_.reset();
    else
        filter_ = std::make_pair(column, text);
    refilter();
    pos_ = visible_.empty() ? -1 : 0;
    return true;
}

void PersonalRecordSet::refilter() {
    visible_.clear();
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (e.deleted)
            continue;
        if (filter_) {
            const QString& field = filter_->first == Column::Title ? e.record.title : e.record.body;
            if (!field.contains(filter_->second, Qt::CaseInsensitive))
                continue;
        }
        visible_.push_back(i);
    }
}

bool IsNotesDatabase(const QString& file) {
    try {
        SqlConnection db;
        db.open(file, QString());
        db.prepare(ReadRows(NotesRowid(db)) + QStringLiteral(" LIMIT 0"));
        SqlStatement check = db.prepare(QStringLiteral("PRAGMA integrity_check"));
        return check.step() && check.text(0) == QLatin1String("ok") && !check.step();
    } catch (const DbError&) {
        return false;
    }
}

RestoreOutcome RestoreNotes(const QString& backup, const QString& target) {
    if (!QFileInfo(backup).isFile())
        return RestoreOutcome::NoBackup;
    QFile source(backup);
    if (!source.open(QIODevice::ReadOnly))
        return RestoreOutcome::NoBackup;
    source.close();

    // The copy is checked, not the backup itself, so that what is checked is what is used.
    const QString partial = PartialPath(target);
    QFile::remove(partial);
    if (!QFile::copy(backup, partial)) {
        QFile::remove(partial);
        return RestoreOutcome::CannotWrite;
    }
    QFile::setPermissions(partial, QFile::permissions(partial) | QFile::WriteOwner);
    if (!IsNotesDatabase(partial)) {
        QFile::remove(partial);
        return RestoreOutcome::NotNotes;
    }

    // The file being replaced is kept; an older kept file goes only once the new one is in place.
    const QString kept = target + QStringLiteral(".bak");
    const QString keptPartial = PartialPath(kept);
    const bool hadTarget = QFileInfo::exists(target);
    QFile::remove(keptPartial);
    if (hadTarget && !QFile::copy(target, keptPartial)) {
        QFile::remove(keptPartial);
        QFile::remove(partial);
        return RestoreOutcome::CannotWrite;
    }
    AnnounceFileChange(target);
    if (!ReplaceWith(partial, target)) {
        QFile::remove(keptPartial);
        return RestoreOutcome::CannotWrite;
    }
    if (hadTarget)
        ReplaceWith(keptPartial, kept);
    return RestoreOutcome::Restored;
}

} // namespace meridane
