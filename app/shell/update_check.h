// The start-up check for newer data: the installed and the offered data stamps and the notice.
#pragma once

#include <QString>

namespace meridane {

inline const QString kUpdateAnnouncement = QStringLiteral("    系统检测到您有更新！");

// Downloads url to localFile, blocking; true when the file was transferred.
bool DownloadFile(const QString& url, const QString& localFile);

QString UpdateDbPath();    // sys/cabe.dll in the program folder
QString UpdateDbAddress(); // where the start-up check fetches it from

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
