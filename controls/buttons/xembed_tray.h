// The X11 tray client: the freedesktop system-tray protocol spoken over a connection of our
// own (xcb). It follows the owner of the screen's tray selection (_NET_SYSTEM_TRAY_S<n>),
// asks the owner to dock icon windows (SYSTEM_TRAY_REQUEST_DOCK) and tells whether a window
// is embedded. Built only where libxcb is (DRAPIX_HAVE_XCB).
#pragma once

#include <QObject>
#include <QPixmap>
#include <QRect>
#include <QWidget>
#include <functional>

class QSocketNotifier;

namespace drapix {

class XEmbedTrayClient : public QObject {
    Q_OBJECT
public:
    // The process's client; nullptr when Qt does not run on X11 or the display cannot be
    // reached.
    static XEmbedTrayClient* instance();
    ~XEmbedTrayClient() override;

    // The window that owns the tray selection now; 0 when no notification area runs.
    quint32 manager() const { return owner_; }
    // Asks the notification area to embed the window; false when none runs.
    bool requestDock(quint32 window);
    // Whether the window sits inside another window (the tray) and is viewable.
    bool embedded(quint32 window);
    // The window's rectangle on the screen; empty when it cannot be read.
    QRect screenRect(quint32 window);

signals:
    // The selection got another owner, or lost its owner.
    void managerChanged();

private:
    explicit XEmbedTrayClient(void* connection, int screen, QObject* parent);
    void readOwner();
    void drain();
    void handle(void* event);

    void* c_; // xcb_connection_t
    quint32 root_ = 0;
    quint32 selection_ = 0;
    quint32 managerAtom_ = 0;
    quint32 opcode_ = 0;
    quint32 owner_ = 0;
    QSocketNotifier* notifier_ = nullptr;
};

// The icon window that the tray embeds: paints the icon, shows the tip as its tooltip and
// reports the mouse messages of the left and right buttons.
class TrayIconWindow : public QWidget {
    Q_OBJECT
public:
    explicit TrayIconWindow(std::function<void(quint32)> notify);
    void setIcon(const QPixmap& icon);
    QPixmap icon() const { return icon_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    std::function<void(quint32)> notify_;
    QPixmap icon_;
};

} // namespace drapix
