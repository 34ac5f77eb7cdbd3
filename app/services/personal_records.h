// The editor's copy of the personal notes: every row of me1 in 编号 order, held in memory with
// the changes made to it, written back in one transaction when the user saves.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace meridane {

struct PersonalRecord {
    qint64 number = 0; // 编号
    QString title;     // 标题
    QString body;      // 文本
};

class PersonalRecordSet {
public:
    // Reads every row of me1 from file, dropping all pending changes and the filter. Throws
    // DbError; the set is then unchanged.
    void load(const QString& file);
    // Writes all pending changes in one transaction. Throws DbError (a duplicate title, a file
    // that cannot be written); the file is then as it was and the changes stay pending.
    void save(const QString& file);

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

    // Appends an empty record with the next free 编号 and makes it current.
    void addNew();
    // Deletes the current record; the record after it (or the last one) becomes current.
    void deleteCurrent();
    void setTitle(const QString& title);
    void setBody(const QString& body);

    enum class Column { Title, Body };
    // Shows only the records whose column contains text (letter case aside); an empty text
    // shows all. False for a text the filter cannot take (a single quote); that filter then
    // matches nothing.
    bool setFilter(Column column, const QString& text);

private:
    struct Entry {
        PersonalRecord record;
        qint64 storedNumber = 0; // the row's 编号 in the file
        bool stored = false;     // the row is in the file
        bool modified = false;
        bool deleted = false;
    };
    void refilter();
    Entry& currentEntry();

    std::vector<Entry> entries_;
    std::vector<size_t> visible_; // indexes into entries_
    int pos_ = -1;
    std::optional<std::pair<Column, QString>> filter_;
    bool filterBroken_ = false;
};

} // namespace meridane
