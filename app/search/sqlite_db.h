// Thin RAII layer over the SQLite C API of libsqlcipher.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <stdexcept>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace meridane {

// Any failure of the storage layer: a file that cannot be opened, a statement that fails.
class DbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The parts of an OLE DB style connection string that this program uses.
// "Provider=...;Data Source=<folder>\file;Jet OLEDB:Database Password=<pw>"
struct ConnectionString {
    QString provider;
    QString dataSource; // with native separators
    QString password;   // empty: the file is not keyed

    static ConnectionString parse(const QString& text);
};

class SqlStatement;

// Page size of keyed files made by this program, and of those made before it changed.
inline constexpr int kCipherPageSize = 8192;
inline constexpr int kLegacyCipherPageSize = 1024;

// The page size given to keyed files made from now on (kCipherPageSize unless changed; the
// benchmark makes files of the old size with it).
void SetCipherPageSizeForNewFiles(int bytes);

class SqlConnection {
public:
    // OpenExisting: a file that exists and is a database; it is written where it can be and
    // read only where it cannot. Writable: the same, and a file that cannot be written is an
    // error. CreateIfMissing: a missing or empty file becomes a new database.
    enum class Mode { OpenExisting, Writable, CreateIfMissing };

    SqlConnection() = default;
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;
    SqlConnection(SqlConnection&& other) noexcept;
    SqlConnection& operator=(SqlConnection&& other) noexcept;

    // Opens the file; with a password, the file is keyed (SQLCipher) and the key is checked.
    // A new keyed file gets kCipherPageSize; an existing one opens with either page size.
    // Throws DbError for a missing or empty file (unless created), a damaged one, a wrong
    // password, or one that cannot be written in Writable mode.
    void open(const QString& path, const QString& password, Mode mode = Mode::OpenExisting);
    // The search's files: both are written by every search.
    void open(const ConnectionString& cs) { open(cs.dataSource, cs.password, Mode::Writable); }
    void close();
    bool isOpen() const { return db_ != nullptr; }

    // Runs one statement (or, without parameters, several separated by ';'). Throws DbError.
    void exec(const QString& sql, const QStringList& params = {});
    // Ends the open transaction with a rollback, after a failure that is the one to tell: a
    // rollback that fails too is left to the journal, which puts the file back when it is next
    // opened. Never throws.
    void rollbackAfterFailure() noexcept;
    SqlStatement prepare(const QString& sql);
    qint64 changes() const;

    sqlite3* handle() const { return db_; }
    QString lastError() const;

private:
    sqlite3* db_ = nullptr;
};

class SqlStatement {
public:
    SqlStatement(sqlite3_stmt* stmt, sqlite3* db) : stmt_(stmt), db_(db) {}
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;
    SqlStatement(SqlStatement&& other) noexcept;

    void bind(int index, const QString& value); // 1-based, like SQLite
    void bind(int index, qint64 value);
    void bindNull(int index);
    // A value as value() gives it, in the same storage class: null, integer, real, blob or text.
    void bindValue(int index, const QVariant& value);
    void bindAll(const QStringList& values);

    // Steps to the next row; false at the end. Throws DbError.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    bool isNull(int column) const;
    // The column's storage class: SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or
    // SQLITE_NULL. Ask before reading the value, which may convert it.
    int type(int column) const;
    // The value as UTF-8 text (converted like text()), valid until the next step.
    std::string_view bytes(int column) const;
    QString text(int column) const;
    qint64 integer(int column) const;
    QVariant value(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    sqlite3* db_ = nullptr;
};

// name in double quotes, as a table or column name in a statement.
QString QuoteIdentifier(const QString& name);

// The key form of a keyed file, computed at most once per process for each password and salt:
// SQLCipher 3 derives the key with 64,000 PBKDF2-HMAC-SHA1 rounds on every open otherwise.
QString RawKeyFor(const QString& password, const QByteArray& salt);

// The notice "this database file changes": whoever writes or replaces a database file outside a
// search announces it before it does, and whoever keeps something read from a file (the search's
// in-memory images) listens and forgets it. An empty path means every file.
using FileChangeListener = std::function<void(const QString& path)>;
// Returns what UnsubscribeFromFileChanges takes once the listener is to hear no more.
int SubscribeToFileChanges(FileChangeListener listener);
void UnsubscribeFromFileChanges(int subscription);
void AnnounceFileChange(const QString& path = {});

} // namespace meridane
