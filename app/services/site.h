#pragma once

#include <QByteArray>
#include <QString>

#include <stop_token>

namespace meridane {

// The vendor's web site: scheme and host, no trailing slash. Fixed when the program is built;
// the environment variable MERIDANE_SITE_ADDRESS, when set, replaces it (a private mirror, tests).
QString SiteAddress();

// The guestbook page under the site address, which "网上留言" opens in the web browser.
QString GuestbookAddress();
// What "网上留言" says, followed by the page's address, when no browser opened the page.
inline const QString kGuestbookNotOpened =
    QStringLiteral("无法打开网上留言页面。请将下面的网址复制到网页浏览器中打开：\r\n");

// "Meridane5.0": the main window's caption head and the program file's name.
inline const QString kProductCaption = QStringLiteral("Meridane5.0");

// Signed site files. A file the program takes from the site, say "bak/cgzl2/cabe22.dll", lies
// there with its signature beside it, "bak/cgzl2/cabe22.dll.sig": the Base64 text of the Ed25519
// signature of SignedMessage(path, file).

// The vendor's Ed25519 public key (32 bytes) that site files must be signed with; empty when the
// program was built without one (MERIDANE_UPDATE_KEY), and then no signature is asked for.
QByteArray UpdateKey();
// Replaces the built-in key for the rest of the process (tests; empty: no signatures).
void SetUpdateKey(const QByteArray& publicKey);

// What is signed for the site file at path (relative to the site, "bak/cgzl2/cabe22.dll"):
// a fixed head, the path and the SHA-512 digest of the file. Empty when file cannot be read, or
// when stop is requested while it is read.
QByteArray SignedMessage(const QString& path, const QString& file, std::stop_token stop = {});

// Whether signature (the .sig file's content) is publicKey's valid signature of file as the
// site file at path. False too when stop is requested while the file is read.
bool VerifySiteFile(const QString& path, const QString& file, const QByteArray& signature,
                    const QByteArray& publicKey, std::stop_token stop = {});

} // namespace meridane
