#include "buttons/notify_area.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSystemTrayIcon>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#ifdef DRAPIX_HAVE_XCB
#include "buttons/xembed_tray.h"
#endif

namespace drapix {

namespace {

// What shows one icon.
class Presenter {
public:
    virtual ~Presenter() = default;
    virtual void setIcon(const QPixmap& icon) = 0;
    virtual void setTip(const QString& tip) = 0;
    virtual bool shown() const = 0;
    virtual QRect geometry() const = 0;
    virtual QString name() const = 0;
    virtual QWidget* window() const { return nullptr; }
};

// QSystemTrayIcon: a D-Bus status-notifier host, Windows, macOS. It reports activations, not
// mouse messages; each is mapped to the message it stands for.
class QtPresenter : public Presenter {
public:
    explicit QtPresenter(std::function<void(quint32)> notify) {
        QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_,
                         [notify](QSystemTrayIcon::ActivationReason reason) {
                             switch (reason) {
                             case QSystemTrayIcon::Trigger:
                                 notify(WM_LBUTTONUP);
                                 break;
                             case QSystemTrayIcon::DoubleClick:
                                 notify(WM_LBUTTONDBLCLK);
                                 break;
                             case QSystemTrayIcon::Context:
                                 notify(WM_RBUTTONUP);
                                 break;
                             case QSystemTrayIcon::MiddleClick:
                                 notify(WM_MBUTTONUP);
                                 break;
                             default:
                                 break;
                             }
                         });
    }
    void setIcon(const QPixmap& icon) override {
        if (icon.isNull()) {
            // No picture: an empty place in the notification area.
            QPixmap empty(16, 16);
            empty.fill(Qt::transparent);
            icon_.setIcon(QIcon(empty));
        } else {
            icon_.setIcon(QIcon(icon));
        }
        icon_.show();
    }
    void setTip(const QString& tip) override { icon_.setToolTip(tip); }
    bool shown() const override {
        return icon_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
    }
    QRect geometry() const override { return icon_.geometry(); }
    QString name() const override { return QStringLiteral("qt"); }

private:
    QSystemTrayIcon icon_;
};

#ifdef DRAPIX_HAVE_XCB
// An icon window of our own, embedded by the X11 notification area whenever one runs.
class XEmbedPresenter : public Presenter {
public:
    XEmbedPresenter(XEmbedTrayClient* client, std::function<void(quint32)> notify)
        : client_(client), notify_(std::move(notify)) {
        connection_ = QObject::connect(client_, &XEmbedTrayClient::managerChanged, client_,
                                       [this] { sync(); });
        sync();
    }
    ~XEmbedPresenter() override {
        QObject::disconnect(connection_);
        delete window_;
    }
    void setIcon(const QPixmap& icon) override {
        icon_ = icon;
        if (window_)
            window_->setIcon(icon);
    }
    void setTip(const QString& tip) override {
        tip_ = tip;
        if (window_)
            window_->setToolTip(tip);
    }
    bool shown() const override {
        return client_ && window_ && client_->embedded(quint32(window_->winId()));
    }
    QRect geometry() const override {
        return client_ && window_ ? client_->screenRect(quint32(window_->winId())) : QRect();
    }
    QString name() const override { return QStringLiteral("xembed"); }
    QWidget* window() const override { return window_; }

private:
    // A window for the notification area that runs now; none while none runs. A window that
    // a notification area held when it ended is thrown away (the X server hands it back to
    // the root window), and a new one is docked in the next.
    void sync() {
        const quint32 manager = client_ ? client_->manager() : 0;
        if (manager == dockedTo_)
            return;
        delete window_;
        window_ = nullptr;
        dockedTo_ = manager;
        if (!manager)
            return;
        window_ = new TrayIconWindow(notify_);
        window_->setIcon(icon_);
        window_->setToolTip(tip_);
        client_->requestDock(quint32(window_->winId()));
        window_->show();
    }

    QPointer<XEmbedTrayClient> client_;
    std::function<void(quint32)> notify_;
    QMetaObject::Connection connection_;
    QPointer<TrayIconWindow> window_;
    quint32 dockedTo_ = 0;
    QPixmap icon_;
    QString tip_;
};
#endif

std::unique_ptr<Presenter> MakePresenter(std::function<void(quint32)> notify) {
#ifdef DRAPIX_HAVE_XCB
    // An X11 notification area reports every mouse message; prefer it. Without one, a
    // status-notifier host when there is one; else wait for an X11 notification area.
    if (XEmbedTrayClient* client = XEmbedTrayClient::instance()) {
        if (client->manager() || !QSystemTrayIcon::isSystemTrayAvailable())
            return std::make_unique<XEmbedPresenter>(client, std::move(notify));
        return std::make_unique<QtPresenter>(std::move(notify));
    }
#endif
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ||
        !QSystemTrayIcon::isSystemTrayAvailable())
        return nullptr;
    return std::make_unique<QtPresenter>(std::move(notify));
}

struct Icon {
    const QWidget* key = nullptr; // the window, also while it is being destroyed
    QPointer<QWidget> hWnd;
    quint32 uID = 0;
    quint32 callback = 0;
    QPixmap icon;
    QString tip;
    std::unique_ptr<Presenter> presenter;
    QMetaObject::Connection destroyed;
};

// The icons of the process. Icons whose windows outlive the application are left alone at
// exit: their presenters can no longer be taken down.
struct IconTable {
    std::vector<std::unique_ptr<Icon>> icons;
    ~IconTable() {
        if (QCoreApplication::instance())
            return;
        for (auto& i : icons)
            (void)i->presenter.release();
    }
};

std::vector<std::unique_ptr<Icon>>& Icons() {
    static IconTable table;
    return table.icons;
}

std::vector<std::unique_ptr<Icon>>::iterator FindIcon(const QWidget* hWnd, quint32 uID) {
    auto& icons = Icons();
    return std::find_if(icons.begin(), icons.end(), [&](const std::unique_ptr<Icon>& i) {
        return i->key == hWnd && i->uID == uID;
    });
}

// The tip as shown: the field without the blanks that pad it.
QString ShownTip(const QString& field) {
    QString tip = field.left(kTipLength);
    while (tip.endsWith(QLatin1Char(' ')))
        tip.chop(1);
    return tip;
}

void Apply(Icon& icon, const NOTIFYICONDATA& data) {
    if (data.uFlags & NIF_MESSAGE)
        icon.callback = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) {
        icon.icon = data.hIcon;
        if (icon.presenter)
            icon.presenter->setIcon(icon.icon);
    }
    if (data.uFlags & NIF_TIP) {
        icon.tip = ShownTip(data.szTip);
        if (icon.presenter)
            icon.presenter->setTip(icon.tip);
    }
}

void Erase(const QWidget* hWnd, quint32 uID) {
    auto& icons = Icons();
    auto it = FindIcon(hWnd, uID);
    if (it == icons.end())
        return;
    std::unique_ptr<Icon> icon = std::move(*it);
    icons.erase(it);
    QObject::disconnect(icon->destroyed);
}

} // namespace

QEvent::Type TrayCallbackEvent::eventType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

bool Shell_NotifyIcon(quint32 message, const NOTIFYICONDATA& data) {
    QWidget* hWnd = data.hWnd.data();
    if (!hWnd)
        return false;
    auto& icons = Icons();
    auto it = FindIcon(hWnd, data.uID);
    switch (message) {
    case NIM_ADD: {
        if (it != icons.end())
            return false;
        auto icon = std::make_unique<Icon>();
        icon->key = hWnd;
        icon->hWnd = hWnd;
        icon->uID = data.uID;
        Icon* raw = icon.get();
        // The icon's mouse messages go to its window as its callback message.
        raw->presenter = MakePresenter([raw](quint32 mouse) {
            if (raw->hWnd && raw->callback)
                QCoreApplication::postEvent(raw->hWnd,
                                            new TrayCallbackEvent(raw->callback, raw->uID, mouse));
        });
        // An icon does not outlive its window.
        const quint32 uID = data.uID;
        raw->destroyed =
            QObject::connect(hWnd, &QObject::destroyed, [hWnd, uID] { Erase(hWnd, uID); });
        if (raw->presenter) {
            raw->presenter->setIcon(QPixmap());
            raw->presenter->setTip(QString());
        }
        Apply(*raw, data);
        icons.push_back(std::move(icon));
        return true;
    }
    case NIM_MODIFY:
        if (it == icons.end())
            return false;
        Apply(**it, data);
        return true;
    case NIM_DELETE:
        if (it == icons.end())
            return false;
        Erase(hWnd, data.uID);
        return true;
    default:
        return false;
    }
}

std::optional<NotifyIconInfo> FindNotifyIcon(const QWidget* hWnd, quint32 uID) {
    auto it = FindIcon(hWnd, uID);
    if (it == Icons().end())
        return std::nullopt;
    const Icon& icon = **it;
    NotifyIconInfo info{icon.icon, icon.tip, false, QRect(), QStringLiteral("none"), nullptr};
    if (icon.presenter) {
        info.shown = icon.presenter->shown();
        info.geometry = info.shown ? icon.presenter->geometry() : QRect();
        info.shownBy = icon.presenter->name();
        info.window = icon.presenter->window();
    }
    return info;
}

int NotifyIconCount() {
    return int(Icons().size());
}

bool X11NotificationAreaRunning() {
#ifdef DRAPIX_HAVE_XCB
    XEmbedTrayClient* client = XEmbedTrayClient::instance();
    return client && client->manager() != 0;
#else
    return false;
#endif
}

} // namespace drapix
