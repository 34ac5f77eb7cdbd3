// The notification area, as the tray control sees it: icons added, changed and deleted with
// Shell_NotifyIcon, keyed by their window and id, and each icon's mouse actions sent back to
// its window as the icon's callback message (a TrayCallbackEvent carrying the mouse message).
//
// What shows the icons depends on the desktop:
// - an X11 notification area (the freedesktop system-tray protocol): an icon window of our
//   own that the tray embeds; it reports every press, release and double click of the left
//   and right buttons, and shows the tip as its own tooltip;
// - otherwise (a D-Bus status-notifier host, Windows, macOS): QSystemTrayIcon, whose
//   activations are mapped to the mouse messages they stand for (see the README).
// An icon added while no notification area runs is kept, and shown as soon as an X11
// notification area appears.
#pragma once

#include "buttons/mouse_messages.h"
#include "drapix_global.h"

#include <QEvent>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <optional>

namespace drapix {

// Shell_NotifyIcon messages and record flags.
constexpr quint32 NIM_ADD = 0;
constexpr quint32 NIM_MODIFY = 1;
constexpr quint32 NIM_DELETE = 2;
constexpr quint32 NIF_MESSAGE = 1;
constexpr quint32 NIF_ICON = 2;
constexpr quint32 NIF_TIP = 4;

// The tip field holds 64 characters.
constexpr int kTipLength = 64;

// One icon's record. The icon is a copy: changing the picture afterwards changes nothing in
// the notification area until NIM_MODIFY with NIF_ICON.
struct NOTIFYICONDATA {
    quint32 cbSize = 0;
    QPointer<QWidget> hWnd;
    quint32 uID = 0;
    quint32 uFlags = 0;
    quint32 uCallbackMessage = 0;
    QPixmap hIcon;
    QString szTip;
};

// Adds (NIM_ADD), changes (NIM_MODIFY) or deletes (NIM_DELETE) the icon of data.hWnd and
// data.uID. False when the window is missing, the icon exists already (add) or does not
// exist (change, delete).
DRAPIX_EXPORT bool Shell_NotifyIcon(quint32 message, const NOTIFYICONDATA& data);

// An icon's callback message, posted to its window.
class DRAPIX_EXPORT TrayCallbackEvent : public QEvent {
public:
    TrayCallbackEvent(quint32 message, quint32 wParam, quint32 lParam)
        : QEvent(eventType()), message_(message), wParam_(wParam), lParam_(lParam) {}
    static QEvent::Type eventType();
    quint32 message() const { return message_; }
    quint32 wParam() const { return wParam_; } // the icon's id
    quint32 lParam() const { return lParam_; } // the mouse message

private:
    quint32 message_;
    quint32 wParam_;
    quint32 lParam_;
};

// What the notification area holds for one icon.
struct NotifyIconInfo {
    QPixmap icon;
    QString tip;     // the tip as shown (the field without its padding)
    bool shown;      // shown in a notification area (embedded by an X11 tray)
    QRect geometry;  // on the screen, when shown
    QString shownBy; // "xembed", "qt" or "none"
    QWidget* window; // the X11 icon window, when there is one
};
DRAPIX_EXPORT std::optional<NotifyIconInfo> FindNotifyIcon(const QWidget* hWnd, quint32 uID);
DRAPIX_EXPORT int NotifyIconCount();

// Whether an X11 notification area runs now (its selection has an owner).
DRAPIX_EXPORT bool X11NotificationAreaRunning();

} // namespace drapix
