#include "builddb/source_records.h"

#include "search/knowledge_category.h"
#include "search/program_folder.h"
#include "search/sqlite_db.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <cmath>
#include <filesystem>

namespace meridane {

namespace {

[[noreturn]] void Fail(const QString& file, qsizetype line, const QString& reason) {
    const QString where = line > 0 ? QStringLiteral("%1:%2: ").arg(file).arg(line) : file + ": ";
    throw BuildError((where + reason).toStdString());
}

QString RequiredText(const QJsonObject& o, const char* key, const QString& file, qsizetype line) {
    const QJsonValue v = o.value(QString::fromUtf8(key));
    if (!v.isString())
        Fail(file, line,
             QStringLiteral("\"%1\" is missing or not a string").arg(QString::fromUtf8(key)));
    return v.toString();
}

const KnowledgeCategory& Category(Option option) {
    return *CategoryFor(option);
}

void CreateTable(SqlConnection& db, const KnowledgeCategory& c, bool withKeywords) {
    // The user's own notes are told apart by their titles, and each has a number of its own.
    const bool personal = c.database == DatabaseKind::Personal;
    QString sql =
        QStringLiteral("CREATE TABLE %1 (编号 INTEGER%4, %2 TEXT%3, 文本 TEXT, "
                       "相符个数 INTEGER NOT NULL DEFAULT 0")
            .arg(c.baseTable, c.titleColumn, personal ? QStringLiteral(" UNIQUE") : QString(),
                 personal ? QStringLiteral(" NOT NULL UNIQUE") : QString());
    if (withKeywords)
        sql += QStringLiteral(", 关键字 TEXT");
    db.exec(sql + QLatin1Char(')'));
}

void InsertAll(SqlConnection& db, const KnowledgeCategory& c,
               const std::vector<SourceRecord>& records, bool withKeywords) {
    QString sql =
        QStringLiteral("INSERT INTO %1 (编号, %2, 文本, 相符个数%3) VALUES (?1, ?2, ?3, 0%4)")
            .arg(c.baseTable, c.titleColumn, withKeywords ? QStringLiteral(", 关键字") : QString(),
                 withKeywords ? QStringLiteral(", ?4") : QString());
    SqlStatement insert = db.prepare(sql);
    for (const SourceRecord& r : records) {
        insert.reset();
        insert.bind(1, r.number);
        insert.bind(2, r.title);
        insert.bind(3, r.text);
        if (withKeywords)
            insert.bind(4, r.keywords);
        insert.step();
    }
}

// Builds a database in a temporary file beside target, then moves it into place.
template <typename Fill>
void WriteAtomically(const QString& target, const QString& password, Fill fill) {
    const QFileInfo info(target);
    if (!QDir().mkpath(info.absolutePath()))
        Fail(target, 0, QStringLiteral("cannot create the folder"));
    const QString partial = info.absoluteFilePath() + QStringLiteral(".partial");
    QFile::remove(partial);
    try {
        SqlConnection db;
        db.open(partial, password, SqlConnection::Mode::CreateIfMissing);
        db.exec(QStringLiteral("BEGIN"));
        fill(db);
        db.exec(QStringLiteral("COMMIT"));
        db.close();
        std::error_code ec;
        std::filesystem::rename(partial.toStdString(), info.absoluteFilePath().toStdString(), ec);
        if (ec)
            Fail(target, 0, QString::fromStdString(ec.message()));
    } catch (const DbError& e) {
        QFile::remove(partial);
        Fail(target, 0, QString::fromUtf8(e.what()));
    } catch (...) {
        QFile::remove(partial);
        throw;
    }
}

} // namespace

std::vector<SourceRecord> ReadJsonLines(const QString& path, bool withKeywords) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(path, 0, QStringLiteral("cannot read the file (%1)").arg(file.errorString()));
    std::vector<SourceRecord> records;
    qsizetype lineNo = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty())
            continue;
        QJsonParseError err{};
        const QJsonDocument doc = QJsonDocument::fromJson(line, &err);
        if (err.error != QJsonParseError::NoError)
            Fail(path, lineNo, QStringLiteral("malformed JSON (%1)").arg(err.errorString()));
        if (!doc.isObject())
            Fail(path, lineNo, QStringLiteral("not a JSON object"));
        const QJsonObject o = doc.object();
        SourceRecord r;
        const QJsonValue number = o.value(QStringLiteral("编号"));
        const double n = number.toDouble(std::nan(""));
        if (!number.isDouble() || std::trunc(n) != n)
            Fail(path, lineNo, QStringLiteral("\"编号\" is missing or not a whole number"));
        r.number = qint64(n);
        r.title = RequiredText(o, "标题", path, lineNo);
        r.text = RequiredText(o, "文本", path, lineNo);
        if (withKeywords)
            r.keywords = RequiredText(o, "关键字", path, lineNo);
        records.push_back(std::move(r));
    }
    return records;
}

KnowledgeSources ReadKnowledgeSources(const QString& dir) {
    const auto in = [&dir](const char* name) {
        return dir + QLatin1Char('/') + QLatin1String(name);
    };
    KnowledgeSources s;
    s.An1 = ReadJsonLines(in("An1.jsonl"), true);
    s.yao = ReadJsonLines(in("yao.jsonl"), false);
    s.bing = ReadJsonLines(in("bing.jsonl"), false);
    s.yishu1 = ReadJsonLines(in("yishu1.jsonl"), true);
    return s;
}

bool IsValidStamp(const QString& stamp) {
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return form.match(stamp).hasMatch() && QDate::fromString(stamp, Qt::ISODate).isValid();
}

void WriteKnowledgeDb(const KnowledgeSources& sources, const QString& file, const QString& stamp) {
    if (!IsValidStamp(stamp))
        Fail(file, 0, QStringLiteral("the stamp \"%1\" is not a date YYYY-MM-DD").arg(stamp));
    WriteAtomically(file, kDatabasePassword, [&](SqlConnection& db) {
        const struct {
            Option option;
            const std::vector<SourceRecord>& records;
        } tables[] = {{Option::Option1, sources.An1},
                      {Option::Option2, sources.yao},
                      {Option::Option3, sources.bing},
                      {Option::Option6, sources.yishu1}};
        for (const auto& t : tables) {
            const KnowledgeCategory& c = Category(t.option);
            const bool withKeywords = c.searchedColumn == QStringLiteral("关键字");
            CreateTable(db, c, withKeywords);
            InsertAll(db, c, t.records, withKeywords);
        }
        db.exec(QStringLiteral("CREATE TABLE cnt (cntr TEXT)"));
        db.exec(QStringLiteral("INSERT INTO cnt (cntr) VALUES (?1)"), {stamp});
    });
}

void WritePersonalDb(const std::vector<SourceRecord>& notes, const QString& file) {
    WriteAtomically(file, QString(), [&](SqlConnection& db) {
        const KnowledgeCategory& c = Category(Option::Option5);
        CreateTable(db, c, false);
        InsertAll(db, c, notes, false);
    });
}

void WriteUpdateDb(const QString& file, const QString& stamp, const QString& notice) {
    if (!IsValidStamp(stamp))
        Fail(file, 0, QStringLiteral("the stamp \"%1\" is not a date YYYY-MM-DD").arg(stamp));
    WriteAtomically(file, kDatabasePassword, [&](SqlConnection& db) {
        db.exec(QStringLiteral("CREATE TABLE cnt_date (downdate TEXT)"));
        db.exec(QStringLiteral("INSERT INTO cnt_date (downdate) VALUES (?1)"), {stamp});
        db.exec(QStringLiteral("CREATE TABLE gao (gonggao TEXT)"));
        db.exec(QStringLiteral("INSERT INTO gao (gonggao) VALUES (?1)"), {notice});
    });
}

} // namespace meridane
