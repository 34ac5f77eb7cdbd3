#include "services/update_check.h"

#include "search/program_folder.h"
#include "search/record_display.h"
#include "search/sqlite_db.h"
#include "services/file_replace.h"
#include "services/site.h"

#include <QFile>

#include <sqlite3.h>

#include <memory>
#include <optional>

namespace meridane {

namespace {

const QString kHits = QStringLiteral("相符个数");
// The update database in the program folder, as its connection string names it.
const QString kUpdateDbInFolder = QStringLiteral("sys\\cabe.dll");
// How many steps of the database engine run between two looks at a stop request.
constexpr int kStopCheckSteps = 1000;

QString KeyedConnectionString(const QString& relativePath) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + ProgramFolder() +
           QLatin1Char('\\') + relativePath + QStringLiteral(";Jet OLEDB:Database Password=") +
           kDatabasePassword;
}

// A table the program reads: columns that must stand at the first places, in order (an empty
// name takes any column), and columns that must be there somewhere.
struct TableNeeds {
    QString name;
    QStringList leading;
    QStringList somewhere;
};

struct Column {
    QString name, type;
};

// The columns of a plain table of db (not a view, not a virtual table), or none.
std::optional<std::vector<Column>> PlainTableColumns(SqlConnection& db, const QString& table) {
    SqlStatement kind = db.prepare(QStringLiteral(
        "SELECT rootpage FROM sqlite_master WHERE type='table' AND name=?1 LIMIT 1"));
    kind.bind(1, table);
    if (!kind.step() || kind.integer(0) <= 0) // virtual tables have no pages of their own
        return std::nullopt;
    std::vector<Column> columns;
    SqlStatement info =
        db.prepare(QStringLiteral("PRAGMA table_info(%1)").arg(QuoteIdentifier(table)));
    while (info.step())
        columns.push_back({info.text(1), info.text(2)});
    return columns;
}

bool HasLayout(SqlConnection& db, const std::vector<TableNeeds>& tables) {
    for (const TableNeeds& t : tables) {
        const auto columns = PlainTableColumns(db, t.name);
        if (!columns || columns->size() < size_t(t.leading.size()))
            return false;
        for (qsizetype i = 0; i < t.leading.size(); ++i)
            if (!t.leading[i].isEmpty() && (*columns)[size_t(i)].name != t.leading[i])
                return false;
        for (const QString& name : t.somewhere) {
            if (std::none_of(columns->begin(), columns->end(),
                             [&](const Column& c) { return c.name == name; }))
                return false;
        }
    }
    return true;
}

// Views and triggers run code when a table or view is read or written.
bool RunsNoCode(SqlConnection& db) {
    SqlStatement code = db.prepare(
        QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('view','trigger') LIMIT 1"));
    return !code.step();
}

const std::vector<TableNeeds>& KnowledgeTables() {
    static const std::vector<TableNeeds> tables = [] {
        const QString number = QStringLiteral("编号"), body = QStringLiteral("文本"),
                      keywords = QStringLiteral("关键字");
        const QStringList leading{number, QString(), body, kHits};
        return std::vector<TableNeeds>{{QStringLiteral("An1"), leading, {keywords}},
                                       {QStringLiteral("yao"), leading, {}},
                                       {QStringLiteral("bing"), leading, {}},
                                       {QStringLiteral("yishu1"), leading, {keywords}},
                                       {QStringLiteral("cnt"), {}, {QStringLiteral("cntr")}}};
    }();
    return tables;
}

const std::vector<TableNeeds>& UpdateTables() {
    static const std::vector<TableNeeds> tables{
        {QStringLiteral("cnt_date"), {}, {QStringLiteral("downdate")}},
        {QStringLiteral("gao"), {}, {QStringLiteral("gonggao")}}};
    return tables;
}

// The type the program gives a copied column, whatever the download declares: the record
// tables' 编号 and 相符个数 are whole numbers, every other column is text.
QString ProgramType(const QString& table, size_t position) {
    if (table == QLatin1String("cnt"))
        return QStringLiteral("TEXT");
    switch (position) {
    case 0:
        return QStringLiteral("INTEGER");
    case 3:
        return QStringLiteral("INTEGER NOT NULL DEFAULT 0");
    default:
        return QStringLiteral("TEXT");
    }
}

using RawStatement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

RawStatement PrepareRaw(SqlConnection& db, const QString& sql) {
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db.handle(), utf8.constData(), int(utf8.size()), &stmt, nullptr) !=
        SQLITE_OK)
        throw DbError(db.lastError().toStdString());
    return RawStatement(stmt, sqlite3_finalize);
}

// Copies table's rows from src into a plain table of the same columns in dst, value by value.
void CopyTable(SqlConnection& src, SqlConnection& dst, const QString& table) {
    const auto columns = PlainTableColumns(src, table);
    if (!columns)
        throw DbError("not a plain table");
    QStringList defs, names, params;
    for (const Column& c : *columns) {
        defs << QuoteIdentifier(c.name) + QLatin1Char(' ') +
                    ProgramType(table, size_t(defs.size()));
        names << QuoteIdentifier(c.name);
        params << QStringLiteral("?%1").arg(params.size() + 1);
    }
    const QString quoted = QuoteIdentifier(table);
    dst.exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted, defs.join(QStringLiteral(", "))));
    RawStatement read = PrepareRaw(
        src, QStringLiteral("SELECT %1 FROM %2").arg(names.join(QStringLiteral(", ")), quoted));
    RawStatement write = PrepareRaw(dst, QStringLiteral("INSERT INTO %1 VALUES (%2)")
                                             .arg(quoted, params.join(QStringLiteral(", "))));
    const int n = int(columns->size());
    int rc;
    while ((rc = sqlite3_step(read.get())) == SQLITE_ROW) {
        sqlite3_reset(write.get());
        for (int i = 0; i < n; ++i)
            sqlite3_bind_value(write.get(), i + 1, sqlite3_column_value(read.get(), i));
        if (sqlite3_step(write.get()) != SQLITE_DONE)
            throw DbError(dst.lastError().toStdString());
    }
    if (rc != SQLITE_DONE)
        throw DbError(src.lastError().toStdString());
    // A hit count the column cannot hold as a whole number would be counted and ranked as text.
    if (table != QLatin1String("cnt")) {
        SqlStatement odd =
            dst.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE typeof(%2) <> 'integer' LIMIT 1")
                            .arg(quoted, QuoteIdentifier(kHits)));
        if (odd.step())
            throw DbError("a hit count that is not a whole number");
    }
}

// The first row's value of column in table of the file in the program folder; a table without
// rows is a failure too. check, when given, must pass first.
QString FirstValue(const QString& file, const QString& table, const QString& column,
                   bool (*check)(SqlConnection&) = nullptr) {
    SqlConnection db;
    db.open(ConnectionString::parse(KeyedConnectionString(file)));
    if (check && !check(db))
        throw DbError(("not usable: " + file).toStdString());
    SqlStatement row = db.prepare(QStringLiteral("SELECT %1 FROM %2 LIMIT 1")
                                      .arg(QuoteIdentifier(column), QuoteIdentifier(table)));
    if (!row.step())
        throw DbError(("no rows in " + file).toStdString());
    return row.value(0).toString();
}

// Makes every statement on db end with an error once stop is requested.
void StopWith(SqlConnection& db, const std::stop_token& stop) {
    if (!stop.stop_possible())
        return;
    sqlite3_progress_handler(
        db.handle(), kStopCheckSteps,
        [](void* token) {
            return static_cast<const std::stop_token*>(token)->stop_requested() ? 1 : 0;
        },
        const_cast<std::stop_token*>(&stop));
}

bool UpdateDbIsUsable(SqlConnection& db) {
    return HasLayout(db, UpdateTables()) && RunsNoCode(db);
}

} // namespace

QString UpdateDbPath() {
    return ProgramFolder() + QStringLiteral("/sys/cabe.dll");
}

QString UpdateDbAddress() {
    return SiteAddress() + QLatin1Char('/') + kUpdateDbSitePath;
}

QString KnowledgeDbAddress() {
    return SiteAddress() + QLatin1Char('/') + kKnowledgeDbSitePath;
}

QString DownloadCaptionPrefix() {
    return kProductCaption + QStringLiteral("   ") + SiteAddress() +
           QStringLiteral("   在线更新进程：  ");
}

QString FormatPercent(float fraction) {
    return QString::number(qRound(double(fraction) * 100.0)) + QLatin1Char('%');
}

bool IsUsableKnowledgeDb(const QString& file, std::stop_token stop) {
    try {
        SqlConnection db;
        db.open(file, kDatabasePassword);
        StopWith(db, stop);
        return HasLayout(db, KnowledgeTables()) && RunsNoCode(db) && !stop.stop_requested();
    } catch (const DbError&) {
        return false;
    }
}

KnowledgeDbVerdict TakeKnowledgeDb(const QString& file, const QString& stored,
                                   std::stop_token stop) {
    const QString clean = file + QStringLiteral(".clean");
    QFile::remove(clean);
    try {
        SqlConnection src;
        src.open(file, kDatabasePassword);
        StopWith(src, stop);
        if (!HasLayout(src, KnowledgeTables()))
            return KnowledgeDbVerdict::Unusable;
        SqlConnection dst;
        dst.open(clean, kDatabasePassword, SqlConnection::Mode::CreateIfMissing);
        StopWith(dst, stop);
        dst.exec(QStringLiteral("BEGIN"));
        for (const TableNeeds& t : KnowledgeTables())
            CopyTable(src, dst, t.name);
        dst.exec(QStringLiteral("COMMIT"));
        src.close();
        // The stamp as the start-up check will read it from the copy.
        QString stamp;
        {
            SqlStatement row = dst.prepare(QStringLiteral("SELECT cntr FROM cnt LIMIT 1"));
            if (!row.step())
                throw DbError("no stamp");
            stamp = row.value(0).toString();
        }
        dst.close();
        if (HasUpdate(stamp, KnowledgeStamp(stored))) {
            QFile::remove(clean);
            return KnowledgeDbVerdict::Older;
        }
    } catch (const DbError&) {
        QFile::remove(clean);
        return KnowledgeDbVerdict::Unusable;
    }
    if (stop.stop_requested()) {
        QFile::remove(clean);
        return KnowledgeDbVerdict::Unusable;
    }
    return ReplaceWith(clean, file) ? KnowledgeDbVerdict::Accepted : KnowledgeDbVerdict::Unusable;
}

bool AcceptKnowledgeDb(const QString& file, std::stop_token stop) {
    return TakeKnowledgeDb(file, StoredKnowledgePath(), stop) == KnowledgeDbVerdict::Accepted;
}

bool IsUsableUpdateDb(const QString& file, std::stop_token stop) {
    try {
        SqlConnection db;
        db.open(file, kDatabasePassword);
        StopWith(db, stop);
        return UpdateDbIsUsable(db) && !stop.stop_requested();
    } catch (const DbError&) {
        return false;
    }
}

TransferOptions UpdateDbTransfer() {
    TransferOptions o;
    o.maxBytes = Limits().noticeDbBytes;
    o.check = IsUsableUpdateDb;
    o.signatureKey = UpdateKey();
    if (!o.signatureKey.isEmpty())
        o.signedPath = kUpdateDbSitePath;
    return o;
}

TransferOptions KnowledgeDbTransfer() {
    TransferOptions o;
    o.maxBytes = Limits().knowledgeDbBytes;
    o.check = AcceptKnowledgeDb;
    o.signatureKey = UpdateKey();
    if (!o.signatureKey.isEmpty())
        o.signedPath = kKnowledgeDbSitePath;
    return o;
}

QString ReadInstalledStamp() {
    return FirstValue(QStringLiteral("sound\\bk6.mp3"), QStringLiteral("cnt"),
                      QStringLiteral("cntr"));
}

QString ReadUpdateStamp() {
    return FirstValue(kUpdateDbInFolder, QStringLiteral("cnt_date"), QStringLiteral("downdate"),
                      UpdateDbIsUsable);
}

QString ReadNotice() {
    return FirstValue(kUpdateDbInFolder, QStringLiteral("gao"), QStringLiteral("gonggao"),
                      UpdateDbIsUsable);
}

bool HasUpdate(const QString& installed, const QString& offered) {
    return QString::compare(offered, installed, Qt::CaseSensitive) > 0;
}

QString NoticeText(bool update, const QString& notice) {
    const QString crlf = QStringLiteral("\r\n");
    QString shown = ShownPart(notice);
    if (shown.size() < notice.size())
        shown += crlf + kNoticeCut;
    return update ? crlf + kUpdateAnnouncement + crlf + shown : crlf + crlf + shown;
}

} // namespace meridane
