#include "services/personal_records.h"

#include "search/sqlite_db.h"

#include <algorithm>

namespace meridane {

void PersonalRecordSet::load(const QString& file) {
    SqlConnection db;
    db.open(file, QString());
    SqlStatement rows =
        db.prepare(QStringLiteral("SELECT 编号, 标题, 文本 FROM me1 ORDER BY 编号"));
    std::vector<Entry> loaded;
    while (rows.step()) {
        Entry e;
        e.record = {rows.integer(0), rows.text(1), rows.text(2)};
        e.storedNumber = e.record.number;
        e.stored = true;
        loaded.push_back(std::move(e));
    }
    entries_ = std::move(loaded);
    filter_.reset();
    filterBroken_ = false;
    refilter();
    pos_ = visible_.empty() ? -1 : 0;
}

void PersonalRecordSet::save(const QString& file) {
    SqlConnection db;
    db.open(file, QString());
    db.exec(QStringLiteral("BEGIN"));
    try {
        SqlStatement remove = db.prepare(QStringLiteral("DELETE FROM me1 WHERE 编号=?1"));
        SqlStatement update =
            db.prepare(QStringLiteral("UPDATE me1 SET 标题=?2, 文本=?3 WHERE 编号=?1"));
        SqlStatement insert = db.prepare(
            QStringLiteral("INSERT INTO me1 (编号, 标题, 文本, 相符个数) VALUES (?1, ?2, ?3, 0)"));
        // Deletions first, so that a title given up by one note can be taken by another.
        for (const Entry& e : entries_) {
            if (e.deleted && e.stored) {
                remove.reset();
                remove.bind(1, e.storedNumber);
                remove.step();
            }
        }
        for (const Entry& e : entries_) {
            if (e.deleted || (e.stored && !e.modified))
                continue;
            SqlStatement& st = e.stored ? update : insert;
            st.reset();
            st.bind(1, e.stored ? e.storedNumber : e.record.number);
            st.bind(2, e.record.title);
            st.bind(3, e.record.body);
            st.step();
        }
        db.exec(QStringLiteral("COMMIT"));
    } catch (const DbError&) {
        try {
            db.exec(QStringLiteral("ROLLBACK"));
        } catch (const DbError&) {
        }
        throw;
    }
    // Written: the set now matches the file.
    const PersonalRecord* keep = current();
    const qint64 keepNumber = keep ? keep->number : -1;
    std::erase_if(entries_, [](const Entry& e) { return e.deleted; });
    for (Entry& e : entries_) {
        e.stored = true;
        e.modified = false;
        e.storedNumber = e.record.number;
    }
    refilter();
    pos_ = visible_.empty() ? -1 : 0;
    for (int i = 0; i < count(); ++i)
        if (entries_[visible_[size_t(i)]].record.number == keepNumber)
            pos_ = i;
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

void PersonalRecordSet::addNew() {
    qint64 next = 1;
    for (const Entry& e : entries_)
        next = std::max({next, e.record.number + 1, e.storedNumber + 1});
    Entry e;
    e.record.number = next;
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
    filterBroken_ = text.contains(QLatin1Char('\''));
    if (text.isEmpty())
        filter_.reset();
    else
        filter_ = std::make_pair(column, text);
    refilter();
    pos_ = visible_.empty() ? -1 : 0;
    return !filterBroken_;
}

void PersonalRecordSet::refilter() {
    visible_.clear();
    if (filterBroken_)
        return;
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

} // namespace meridane
