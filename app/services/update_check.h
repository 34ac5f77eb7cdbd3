// The start-up check for newer data: the installed and the offered data stamps and the notice.
#pragma once

#include <QString>

namespace meridane {

inline const QString kUpdateAnnouncement = QStringLiteral("    系统检测到您有更新！");
inline const QString kAskDownload = QStringLiteral("是否现在下载更新？");
inline const QString kDownloadDone = QStringLiteral("更新下载完成，将重新启动程序！");
inline const QString kDownloadFailed = QStringLiteral("与服务器连接失败！下载失败！");

QString UpdateDbPath();       // sys/cabe.dll in the program folder
QString UpdateDbAddress();    // where the start-up check fetches it from
QString KnowledgeDbAddress(); // where "在线更新" fetches the new knowledge database from

// The window caption during a download: "Meridane5.0   " + site + "   在线更新进程：  ".
QString DownloadCaptionPrefix();
// The fraction done as a whole percentage: 0.5 gives "50%", 0.996 gives "100%".
QString FormatPercent(float fraction);

// A downloaded knowledge database is usable: it opens with the program's password, passes the
// integrity check and holds the four knowledge tables and cnt.
bool IsUsableKnowledgeDb(const QString& file);

// Column cntr of the first row of cnt in the stored knowledge database. Throws DbError.
QString ReadInstalledStamp();
// Column downdate of the first row of cnt_date in the update database. Throws DbError.
QString ReadUpdateStamp();
// Column gonggao of the first row of gao in the update database. Throws DbError.
QString ReadNotice();

// Stamps compare as text: there is an update when the offered stamp is the greater.
bool HasUpdate(const QString& installed, const QString& offered);
// The record pane's text at start.
QString NoticeText(bool update, const QString& notice);

} // namespace meridane
