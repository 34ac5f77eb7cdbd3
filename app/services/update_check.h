// The start-up check for newer data: the installed and the offered data stamps and the notice.
#pragma once

#include "services/download.h"

#include <QString>

namespace meridane {

inline const QString kUpdateAnnouncement = QStringLiteral("    系统检测到您有更新！");
inline const QString kAskDownload = QStringLiteral("是否现在下载更新？");
inline const QString kDownloadDone = QStringLiteral("更新下载完成，将重新启动程序！");
inline const QString kAskCancelDownload = QStringLiteral("是否取消下载？");
inline const QString kDownloadFailed = QStringLiteral("与服务器连接失败！下载失败！");
inline const QString kDownloadCancelled = QStringLiteral("下载已取消，资料未作改动。");
inline const QString kDownloadOlder = QStringLiteral("服务器上的资料比现有的旧，未更新！");
// Ends the record pane's text at start when the notice is too long to show whole.
inline const QString kNoticeCut = QStringLiteral("……（公告过长，以下内容未显示）");

QString UpdateDbPath();       // sys/cabe.dll in the program folder
QString UpdateDbAddress();    // where the start-up check fetches it from
QString KnowledgeDbAddress(); // where "在线更新" fetches the new knowledge database from

// The window caption during a download: "Meridane5.0   " + site + "   在线更新进程：  ".
QString DownloadCaptionPrefix();
// The fraction done as a whole percentage: 0.5 gives "50%", 0.996 gives "100%".
QString FormatPercent(float fraction);

// The site paths of the two files, as their signatures name them.
inline const QString kUpdateDbSitePath = QStringLiteral("bak/cgzl2/cabe22.dll");
inline const QString kKnowledgeDbSitePath = QStringLiteral("bak/cgzl2/bk6.mp3");

// A knowledge database is usable: it opens with the program's password and holds An1, yao,
// bing, yishu1 and cnt as plain tables with the columns the program reads (编号, the title,
// 文本 and 相符个数 in the first four places, 关键字 where it is searched, cntr), and nothing
// that runs code (no views, no triggers). Further columns and tables are allowed.
// False too when stop is requested while it looks.
bool IsUsableKnowledgeDb(const QString& file, std::stop_token stop = {});
// What became of a downloaded knowledge database.
enum class KnowledgeDbVerdict {
    Accepted,
    Unusable, // not the tables and columns above, a hit count that is not a whole number, no
              // stamp, or stopped before the copy was whole
    Older,    // its stamp is older than the stored database's
};
// Takes a downloaded knowledge database: when it holds the tables and columns above, its rows
// are copied into a file the program builds itself (plain tables with the program's own column
// types, nothing else), which then stands in place of file. Every 相符个数 must be a whole
// number, and its cntr stamp must not be older than the one of stored (compared as text, as the
// start-up check does; a stored database without a stamp takes any). file is left untouched
// unless the verdict is Accepted; a stop request ends the copy within a moment.
KnowledgeDbVerdict TakeKnowledgeDb(const QString& file, const QString& stored,
                                   std::stop_token stop = {});
// TakeKnowledgeDb against the stored knowledge database of the program folder, accepted or not.
bool AcceptKnowledgeDb(const QString& file, std::stop_token stop = {});
// An update database is usable: plain tables cnt_date (downdate) and gao (gonggao), and nothing
// that runs code.
bool IsUsableUpdateDb(const QString& file, std::stop_token stop = {});

// How the start-up check and "在线更新" fetch their files: the size bounds, the checks above and,
// when the program has a vendor key, the signatures.
TransferOptions UpdateDbTransfer();
TransferOptions KnowledgeDbTransfer();

// Column cntr of the first row of cnt in the stored knowledge database. Throws DbError.
QString ReadInstalledStamp();
// Column downdate of the first row of cnt_date in the update database; an update database that
// is not usable is not read. Throws DbError.
QString ReadUpdateStamp();
// Column gonggao of the first row of gao in the update database, likewise. Throws DbError.
QString ReadNotice();

// Stamps compare as text: there is an update when the offered stamp is the greater.
bool HasUpdate(const QString& installed, const QString& offered);
// The record pane's text at start. A notice longer than the pane shows (kMaxShownChars) is cut
// at a character boundary and followed by a line with kNoticeCut.
QString NoticeText(bool update, const QString& notice);

} // namespace meridane
