#include "buttons/xembed_tray.h"

#include "buttons/mouse_messages.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSocketNotifier>
#include <cstdlib>
#include <xcb/xcb.h>

namespace drapix {

namespace {

constexpr quint32 kRequestDock = 0; // SYSTEM_TRAY_REQUEST_DOCK

QPointer<XEmbedTrayClient> g_client;
bool g_tried = false;

xcb_connection_t* Conn(void* c) {
    return static_cast<xcb_connection_t*>(c);
}

xcb_atom_t InternAtom(xcb_connection_t* c, const QByteArray& name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, quint16(name.size()), name.constData()), nullptr);
    if (!r)
        return XCB_ATOM_NONE;
    const xcb_atom_t atom = r->atom;
    std::free(r);
    return atom;
}

// Makes sure the X server has seen every request Qt has made so far (a window Qt just
// created), before a request of ours names it.
void SyncQtConnection() {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* qt = x11 ? x11->connection() : nullptr;
    if (!qt)
        return;
    std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
}

} // namespace

XEmbedTrayClient* XEmbedTrayClient::instance() {
    if (g_client)
        return g_client;
    if (g_tried || !qApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    g_tried = true;
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return nullptr;
    }
    g_client = new XEmbedTrayClient(c, screen, qApp);
    return g_client;
}

XEmbedTrayClient::XEmbedTrayClient(void* connection, int screen, QObject* parent)
    : QObject(parent), c_(connection) {
    xcb_connection_t* c = Conn(c_);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; it.rem && i < screen; ++i)
        xcb_screen_next(&it);
    root_ = it.rem ? it.data->root : 0;
    selection_ = InternAtom(c, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    managerAtom_ = InternAtom(c, "MANAGER");
    opcode_ = InternAtom(c, "_NET_SYSTEM_TRAY_OPCODE");
    // A new notification area announces itself with a MANAGER message to the root window.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root_, XCB_CW_EVENT_MASK, &mask);
    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(c), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &XEmbedTrayClient::drain);
    readOwner();
    xcb_flush(c);
}

XEmbedTrayClient::~XEmbedTrayClient() {
    xcb_disconnect(Conn(c_));
}

void XEmbedTrayClient::readOwner() {
    xcb_connection_t* c = Conn(c_);
    xcb_window_t owner = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        xcb_get_selection_owner_reply_t* r =
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection_), nullptr);
        owner = r ? r->owner : 0;
        std::free(r);
        if (!owner)
            break;
        // Its end is reported to us; an owner that is gone already is asked for again.
        const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_generic_error_t* e = xcb_request_check(
            c, xcb_change_window_attributes_checked(c, owner, XCB_CW_EVENT_MASK, &mask));
        if (!e)
            break;
        std::free(e);
        owner = 0;
    }
    owner_ = owner;
}

void XEmbedTrayClient::drain() {
    xcb_connection_t* c = Conn(c_);
    const quint32 before = owner_;
    while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
        handle(e);
        std::free(e);
    }
    if (xcb_connection_has_error(c)) {
        notifier_->setEnabled(false);
        owner_ = 0;
    }
    if (owner_ != before)
        emit managerChanged();
}

void XEmbedTrayClient::handle(void* event) {
    auto* e = static_cast<xcb_generic_event_t*>(event);
    switch (e->response_type & 0x7F) {
    case XCB_CLIENT_MESSAGE: {
        auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
        if (m->type == managerAtom_ && m->format == 32 && m->data.data32[1] == selection_)
            readOwner();
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        auto* d = reinterpret_cast<xcb_destroy_notify_event_t*>(e);
        if (owner_ && d->window == owner_)
            readOwner();
        break;
    }
    default:
        break;
    }
}

bool XEmbedTrayClient::requestDock(quint32 window) {
    if (!owner_ || !window)
        return false;
    SyncQtConnection();
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = owner_;
    ev.type = opcode_;
    ev.data.data32[0] = XCB_CURRENT_TIME;
    ev.data.data32[1] = kRequestDock;
    ev.data.data32[2] = window;
    xcb_connection_t* c = Conn(c_);
    xcb_send_event(c, 0, owner_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    return true;
}

bool XEmbedTrayClient::embedded(quint32 window) {
    if (!window)
        return false;
    xcb_connection_t* c = Conn(c_);
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    if (!tree)
        return false;
    const bool inside = tree->parent != tree->root;
    std::free(tree);
    xcb_get_window_attributes_reply_t* attr =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    const bool viewable = attr && attr->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attr);
    QMetaObject::invokeMethod(this, &XEmbedTrayClient::drain, Qt::QueuedConnection);
    return inside && viewable;
}

QRect XEmbedTrayClient::screenRect(quint32 window) {
    if (!window)
        return {};
    xcb_connection_t* c = Conn(c_);
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    xcb_translate_coordinates_reply_t* t = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root_, 0, 0), nullptr);
    QRect r;
    if (g && t)
        r = QRect(t->dst_x, t->dst_y, g->width, g->height);
    std::free(g);
    std::free(t);
    QMetaObject::invokeMethod(this, &XEmbedTrayClient::drain, Qt::QueuedConnection);
    return r;
}

TrayIconWindow::TrayIconWindow(std::function<void(quint32)> notify)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint),
      notify_(std::move(notify)) {
    // Qt's X11 platform knows a window of this name as a tray icon: it maps the window only
    // once the notification area has embedded it (XEMBED_EMBEDDED_NOTIFY) and gives it the
    // notification area's visual. Mapped earlier, the window would be embedded before its size
    // hints are read, and the notification area gives it a width of one pixel.
    setObjectName(QStringLiteral("QSystemTrayIconSys"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_QuitOnClose, false);
    // The size asked for (the window's minimum size, which the notification area reads from
    // its size hints); the notification area gives the size.
    setMinimumSize(22, 22);
    resize(22, 22);
}

void TrayIconWindow::setIcon(const QPixmap& icon) {
    icon_ = icon;
    update();
}

void TrayIconWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    if (icon_.isNull())
        return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = icon_.size().scaled(this->size() - QSize(2, 2), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    p.drawPixmap(target, icon_);
}

void TrayIconWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        notify_(WM_LBUTTONDOWN);
    else if (event->button() == Qt::RightButton)
        notify_(WM_RBUTTONDOWN);
}

void TrayIconWindow::mouseReleaseEvent(QMouseEvent* event) {
    // A release away from the icon (after dragging off it) is not the icon's.
    if (!rect().contains(event->position().toPoint()))
        return;
    if (event->button() == Qt::LeftButton)
        notify_(WM_LBUTTONUP);
    else if (event->button() == Qt::RightButton)
        notify_(WM_RBUTTONUP);
    else if (event->button() == Qt::MiddleButton)
        notify_(WM_MBUTTONUP);
}

void TrayIconWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        notify_(WM_LBUTTONDBLCLK);
    else if (event->button() == Qt::RightButton)
        notify_(WM_RBUTTONDBLCLK);
}

} // namespace drapix
