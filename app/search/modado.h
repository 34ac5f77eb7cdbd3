// Statement execution on the two database files: one fresh connection per statement,
// statement errors swallowed, a notice for a file that cannot be opened.
#pragma once

#include <QString>
#include <QStringList>

namespace meridane {

// Text of the notice shown (title "Meridane", OK only) when a database cannot be opened.
inline const QString kOpenFailureNotice =
    QStringLiteral("无法打开数据库文件，请检查程序目录中的数据是否完整！");

namespace modADO {
// Opens a new connection to the knowledge database in the module slot. On failure shows the
// open-failure notice and returns false.
bool OpenKnowledgeDb();
// Runs sql (parameters bound as text, in order) on the open connection, swallowing any error,
// then closes the connection.
void ExecuteKnowledgeSql(const QString& sql, const QStringList& params = {});
void CloseKnowledgeDb();
} // namespace modADO

namespace modADO2 {
bool OpenPersonalDb();
void ExecutePersonalSql(const QString& sql, const QStringList& params = {});
void ClosePersonalDb();
} // namespace modADO2

} // namespace meridane
