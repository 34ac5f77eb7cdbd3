#include "search/sqlite_db.h"

#include "search/variant_folding.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <openssl/evp.h>
#include <sqlite3.h>

#include <mutex>
#include <utility>
#include <vector>

namespace meridane {

namespace {

// meridane_fold(text): the text with its variant characters folded to one form (see
// VariantFolding); the text as it is when OpenCC's tables cannot be read, NULL for NULL.
void FoldFunction(sqlite3_context* context, int, sqlite3_value** argv) {
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(argv[0]));
    const int bytes = sqlite3_value_bytes(argv[0]);
    const VariantFolding* folding = VariantFolding::Instance();
    if (!folding) {
        sqlite3_result_text(context, text, bytes, SQLITE_TRANSIENT);
        return;
    }
    const QByteArray folded = folding->fold(QString::fromUtf8(text, bytes)).toUtf8();
    sqlite3_result_text(context, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
}

// The functions the program's own statements call, on every connection.
void AddTextFunctions(sqlite3* db) {
    sqlite3_create_function_v2(db, "meridane_fold", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                               FoldFunction, nullptr, nullptr, nullptr);
}

constexpr int kSaltSize = 16;
constexpr int kKeySize = 32;
constexpr int kKdfIterations = 64000; // SQLCipher 3.x default

int g_newFilePageSize = kCipherPageSize;

QByteArray ReadSalt(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray salt = f.read(kSaltSize);
    return salt.size() == kSaltSize ? salt : QByteArray();
}

QString EscapeSqlText(const QString& s) {
    QString out = s;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

} // namespace

ConnectionString ConnectionString::parse(const QString& text) {
    ConnectionString cs;
    const QStringList parts = text.split(QLatin1Char(';'));
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue; // a bare word such as "Jet OLEDB:" carries nothing
        const QString key = part.left(eq).trimmed();
        const QString value = part.mid(eq + 1);
        if (key.compare(QLatin1String("Provider"), Qt::CaseInsensitive) == 0) {
            cs.provider = value;
        } else if (key.compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0) {
            QString path = value;
#ifndef Q_OS_WIN
            // The file part is written with a backslash, as on the program's first platform.
            path.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
            cs.dataSource = path;
        } else if (key.compare(QLatin1String("Jet OLEDB:Database Password"), Qt::CaseInsensitive) ==
                   0) {
            cs.password = value;
        }
    }
    return cs;
}

void SetCipherPageSizeForNewFiles(int bytes) {
    g_newFilePageSize = bytes;
}

QString QuoteIdentifier(const QString& name) {
    QString inner = name;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

// Made before main and gone only after every exit handler, so that a thread that derives a key
// while the process ends still finds them.
QMutex g_keyMutex;
QHash<QByteArray, QString> g_keys;

QString RawKeyFor(const QString& password, const QByteArray& salt) {
    const QByteArray pw = password.toUtf8();
    const QByteArray cacheKey = salt + pw;
    QMutexLocker lock(&g_keyMutex);
    auto& cache = g_keys;
    auto it = cache.constFind(cacheKey);
    if (it != cache.constEnd())
        return *it;
    unsigned char key[kKeySize];
    if (PKCS5_PBKDF2_HMAC_SHA1(pw.constData(), int(pw.size()),
                               reinterpret_cast<const unsigned char*>(salt.constData()),
                               int(salt.size()), kKdfIterations, kKeySize, key) != 1)
        throw DbError("key derivation failed");
    const QByteArray keyHex = QByteArray(reinterpret_cast<const char*>(key), kKeySize).toHex();
    const QString raw = QStringLiteral("x'%1%2'").arg(QString::fromLatin1(keyHex),
                                                      QString::fromLatin1(salt.toHex()));
    cache.insert(cacheKey, raw);
    return raw;
}

SqlConnection::~SqlConnection() {
    close();
}

SqlConnection::SqlConnection(SqlConnection&& other) noexcept : db_(other.db_) {
    other.db_ = nullptr;
}

SqlConnection& SqlConnection::operator=(SqlConnection&& other) noexcept {
    if (this != &other) {
        close();
        db_ = other.db_;
        other.db_ = nullptr;
    }
    return *this;
}

void SqlConnection::open(const QString& path, const QString& password, Mode mode) {
    close();
    if (path.isEmpty())
        throw DbError("no data source");
    const QFileInfo info(path);
    // An empty file is what the engine would take for a new database: only a file that is
    // created may be empty.
    const bool exists = info.exists() && info.size() > 0;
    if (!exists && mode != Mode::CreateIfMissing)
        throw DbError(
            ((info.exists() ? "not a database: " : "no such file: ") + path).toStdString());
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX;
    if (mode == Mode::CreateIfMissing)
        flags |= SQLITE_OPEN_CREATE;
    const QByteArray salt = !password.isEmpty() && exists ? ReadSalt(path) : QByteArray();
    const QString key =
        password.isEmpty() ? QString() : (salt.isEmpty() ? password : RawKeyFor(password, salt));
    // A new keyed file gets the larger page; an existing one may have either.
    const std::vector<int> pageSizes =
        password.isEmpty() ? std::vector<int>{0}
        : exists           ? std::vector<int>{kCipherPageSize, kLegacyCipherPageSize}
                           : std::vector<int>{g_newFilePageSize};
    for (size_t attempt = 0; attempt < pageSizes.size(); ++attempt) {
        sqlite3* db = nullptr;
        const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
        if (rc != SQLITE_OK) {
            const std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
            sqlite3_close(db);
            throw DbError(msg);
        }
        db_ = db;
        // The search writes behind its list while it holds the file's lock, for some seconds
        // on a large table: whoever opens the file meanwhile waits for it.
        sqlite3_busy_timeout(db_, 30000);
        // The engine falls back to reading a file it may not write, and then fails every
        // statement that writes.
        if (mode == Mode::Writable && sqlite3_db_readonly(db_, "main") == 1) {
            close();
            throw DbError(("cannot write " + path).toStdString());
        }
        try {
            if (!key.isEmpty()) {
                exec(QStringLiteral("PRAGMA key = '%1'").arg(EscapeSqlText(key)));
                exec(QStringLiteral("PRAGMA cipher_page_size = %1").arg(pageSizes[attempt]));
            }
            // The key (or its absence) is only checked on the first read of the file.
            exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
            AddTextFunctions(db_);
            return;
        } catch (...) {
            close();
            if (attempt + 1 == pageSizes.size())
                throw;
        }
    }
}

void SqlConnection::close() {
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

QString SqlConnection::lastError() const {
    return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString();
}

qint64 SqlConnection::changes() const {
    return db_ ? sqlite3_changes(db_) : 0;
}

void SqlConnection::rollbackAfterFailure() noexcept {
    if (db_)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqlConnection::exec(const QString& sql, const QStringList& params) {
    if (!db_)
        throw DbError("connection is not open");
    if (params.isEmpty()) {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const std::string msg = err ? err : "statement failed";
            sqlite3_free(err);
            throw DbError(msg);
        }
        return;
    }
    SqlStatement st = prepare(sql);
    st.bindAll(params);
    while (st.step()) {
    }
}

SqlStatement SqlConnection::prepare(const QString& sql) {
    if (!db_)
        throw DbError("connection is not open");
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK)
        throw DbError(sqlite3_errmsg(db_));
    return SqlStatement(stmt, db_);
}

SqlStatement::~SqlStatement() {
    if (stmt_)
        sqlite3_finalize(stmt_);
}

SqlStatement::SqlStatement(SqlStatement&& other) noexcept : stmt_(other.stmt_), db_(other.db_) {
    other.stmt_ = nullptr;
}

void SqlStatement::bind(int index, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void SqlStatement::bind(int index, qint64 value) {
    sqlite3_bind_int64(stmt_, index, value);
}

void SqlStatement::bindNull(int index) {
    sqlite3_bind_null(stmt_, index);
}

void SqlStatement::bindValue(int index, const QVariant& value) {
    if (value.isNull()) {
        bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        bind(index, qint64(value.toLongLong()));
        break;
    case QMetaType::Double:
        sqlite3_bind_double(stmt_, index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(stmt_, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default:
        bind(index, value.toString());
        break;
    }
}

void SqlStatement::bindAll(const QStringList& values) {
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
}

bool SqlStatement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw DbError(sqlite3_errmsg(db_));
}

void SqlStatement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int SqlStatement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

QString SqlStatement::columnName(int column) const {
    return QString::fromUtf8(sqlite3_column_name(stmt_, column));
}

bool SqlStatement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

int SqlStatement::type(int column) const {
    return sqlite3_column_type(stmt_, column);
}

std::string_view SqlStatement::bytes(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? std::string_view(p, size_t(sqlite3_column_bytes(stmt_, column)))
             : std::string_view();
}

QString SqlStatement::text(int column) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QString();
}

qint64 SqlStatement::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QVariant SqlStatement::value(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(stmt_, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt_, column);
    case SQLITE_NULL:
        return {};
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, column)),
                          sqlite3_column_bytes(stmt_, column));
    default:
        return text(column);
    }
}

namespace {
struct FileChangeListeners {
    std::mutex mutex;
    int last = 0;
    std::vector<std::pair<int, FileChangeListener>> listeners;
};
FileChangeListeners& Listeners() {
    static FileChangeListeners instance;
    return instance;
}
} // namespace

int SubscribeToFileChanges(FileChangeListener listener) {
    FileChangeListeners& all = Listeners();
    const std::lock_guard lock(all.mutex);
    all.listeners.emplace_back(++all.last, std::move(listener));
    return all.last;
}

void UnsubscribeFromFileChanges(int subscription) {
    FileChangeListeners& all = Listeners();
    const std::lock_guard lock(all.mutex);
    std::erase_if(all.listeners, [subscription](const auto& l) { return l.first == subscription; });
}

void AnnounceFileChange(const QString& path) {
    FileChangeListeners& all = Listeners();
    std::vector<std::pair<int, FileChangeListener>> copy;
    {
        const std::lock_guard lock(all.mutex);
        copy = all.listeners;
    }
    for (const auto& [subscription, listener] : copy)
        listener(path);
}

} // namespace meridane
