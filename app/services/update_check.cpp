#include "services/update_check.h"

#include "search/program_folder.h"
#include "search/result_reader.h"
#include "services/site.h"

namespace meridane {

namespace {

QString KeyedConnectionString(const QString& relativePath) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + ProgramFolder() +
           QLatin1Char('\\') + relativePath + QStringLiteral(";Jet OLEDB:Database Password=") +
           kDatabasePassword;
}

// The first row's value of column in sql; a table without rows is a failure too.
QString FirstValue(const QString& file, const QString& sql, const QString& column) {
    QString value;
    bool found = false;
    ReadRows(KeyedConnectionString(file), sql, [&](const SqlStatement& row) {
        if (found)
            return;
        found = true;
        for (int i = 0; i < row.columnCount(); ++i) {
            if (row.columnName(i) == column)
                value = row.value(i).toString();
        }
    });
    if (!found)
        throw DbError(("no rows in " + file).toStdString());
    return value;
}

} // namespace

QString UpdateDbPath() {
    return ProgramFolder() + QStringLiteral("/sys/cabe.dll");
}

QString UpdateDbAddress() {
    return SiteAddress() + QStringLiteral("/bak/cgzl2/cabe22.dll");
}

QString KnowledgeDbAddress() {
    return SiteAddress() + QStringLiteral("/bak/cgzl2/bk6.mp3");
}

QString DownloadCaptionPrefix() {
    return kProductCaption + QStringLiteral("   ") + SiteAddress() +
           QStringLiteral("   在线更新进程：  ");
}

QString FormatPercent(float fraction) {
    return QString::number(qRound(double(fraction) * 100.0)) + QLatin1Char('%');
}

bool IsUsableKnowledgeDb(const QString& file) {
    try {
        SqlConnection db;
        db.open(file, kDatabasePassword);
        bool intact = false;
        SqlStatement check = db.prepare(QStringLiteral("PRAGMA integrity_check"));
        if (check.step())
            intact = check.text(0) == QLatin1String("ok");
        if (!intact)
            return false;
        for (const char* table : {"An1", "yao", "bing", "yishu1", "cnt"}) {
            SqlStatement probe = db.prepare(
                QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1"));
            probe.bind(1, QString::fromLatin1(table));
            if (!probe.step())
                return false;
        }
        return true;
    } catch (const DbError&) {
        return false;
    }
}

QString ReadInstalledStamp() {
    return FirstValue(QStringLiteral("sound\\bk6.mp3"), QStringLiteral("SELECT * FROM cnt"),
                      QStringLiteral("cntr"));
}

QString ReadUpdateStamp() {
    return FirstValue(QStringLiteral("sys\\cabe.dll"), QStringLiteral("SELECT * FROM cnt_date"),
                      QStringLiteral("downdate"));
}

QString ReadNotice() {
    return FirstValue(QStringLiteral("sys\\cabe.dll"), QStringLiteral("SELECT * FROM gao"),
                      QStringLiteral("gonggao"));
}

bool HasUpdate(const QString& installed, const QString& offered) {
    return QString::compare(offered, installed, Qt::CaseSensitive) > 0;
}

QString NoticeText(bool update, const QString& notice) {
    const QString crlf = QStringLiteral("\r\n");
    return update ? crlf + kUpdateAnnouncement + crlf + notice : crlf + crlf + notice;
}

} // namespace meridane
