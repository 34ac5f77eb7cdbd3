#include "skin/skin_window.h"

#include "core/about_box.h"
#include "core/ambient.h"
#include "skin/abstract.h"
#include "skin/system_menu.h"
#include "skin/window_system.h"

#include <QApplication>
#include <QChildEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <utility>

namespace drapix {

// The frame: a child of the host under everything else, painting the skin's canvas and taking
// the mouse on the caption and rims.
class SkinFrame : public QWidget {
public:
    SkinFrame(SkinWindow* skin, QWidget* host) : QWidget(host), skin_(skin) {
        setObjectName(QStringLiteral("drapix_frame"));
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawPixmap(0, 0, skin_->canvas());
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (inClient(e))
            e->ignore();
        else
            skin_->framePress(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override { skin_->frameMove(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { skin_->frameRelease(e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        if (inClient(e))
            e->ignore();
        else
            skin_->frameDoubleClick(e);
    }
    // A right click on the frame opens the system menu only; in the client area (where a host
    // that lays out its controls may leave gaps) it belongs to the host.
    void contextMenuEvent(QContextMenuEvent* e) override {
        e->setAccepted(!skin_->clientRect().contains(e->pos()));
    }

private:
    // Input in the client area, which the frame lies under in a host that lays out its controls:
    // the host has it, as if the frame were not there (a press starting no drag).
    bool inClient(QMouseEvent* e) const {
        return skin_->clientRect().contains(e->position().toPoint());
    }

    SkinWindow* skin_;
};

namespace {

const char* const kSkinName = "drapix_skin";

Qt::CursorShape CursorFor(HitZone zone) {
    switch (zone) {
    case HitZone::TopLeft:
    case HitZone::BottomRight:
        return Qt::SizeFDiagCursor;
    case HitZone::TopRight:
    case HitZone::BottomLeft:
        return Qt::SizeBDiagCursor;
    case HitZone::Top:
    case HitZone::Bottom:
        return Qt::SizeVerCursor;
    case HitZone::Left:
    case HitZone::Right:
        return Qt::SizeHorCursor;
    default:
        return Qt::ArrowCursor;
    }
}

// A geometry sized by hand from a drag of the given edges, kept at least at the minimum.
QRect SizedByHand(QRect g, Qt::Edges edges, QPoint delta, QSize minimum) {
    if (edges & Qt::LeftEdge)
        g.setLeft(qMin(g.left() + delta.x(), g.right() + 1 - minimum.width()));
    if (edges & Qt::RightEdge)
        g.setRight(qMax(g.right() + delta.x(), g.left() + minimum.width() - 1));
    if (edges & Qt::TopEdge)
        g.setTop(qMin(g.top() + delta.y(), g.bottom() + 1 - minimum.height()));
    if (edges & Qt::BottomEdge)
        g.setBottom(qMax(g.bottom() + delta.y(), g.top() + minimum.height() - 1));
    return g;
}

} // namespace

SkinWindow::SkinWindow(QWidget* host, abstract* target, const WindowKind& kind)
    : QObject(host), host_(host), target_(target), kind_(kind) {
    setObjectName(QString::fromLatin1(kSkinName));
    // The window manager's frame goes, without taking the window down (which would have it
    // placed anew); the window keeps the place where its frame was.
    const QPoint at = host->frameGeometry().topLeft();
    const QSize size = host->size();
    const Qt::WindowFlags flags = host->windowFlags() | Qt::FramelessWindowHint;
    host->overrideWindowFlags(flags);
    if (QWindow* w = host->windowHandle())
        w->setFlags(flags);
    host->resize(size);
    placeAt(at);

    // The control that has, or will have once the window is active, the keyboard focus.
    QWidget* focus = host->focusWidget();
    byMargins_ = host->layout() != nullptr;
    if (byMargins_) {
        // The layout keeps its children; it is given the client area only.
        hostMargins_ = host->contentsMargins();
        host->setContentsMargins(hostMargins_ + ClientInsets());
    } else {
        client_ = new QWidget(host);
        client_->setObjectName(QStringLiteral("drapix_client"));
        client_->setMouseTracking(true);
    }
    if (kind_.sizable) {
        QSize minimum = MinimumTrackSize();
        // A layout that needs more keeps what it needs (with the frame around it).
        if (byMargins_)
            minimum = minimum.expandedTo(host->layout()->totalMinimumSize());
        host->setMinimumSize(minimum);
    }
    frame_ = new SkinFrame(this, host);
    if (client_) {
        for (QObject* o : host->children()) {
            if (o->isWidgetType())
                adoptChild(static_cast<QWidget*>(o));
        }
        client_->show();
    }
    layoutPieces();
    frame_->show();
    frame_->lower();
    host->installEventFilter(this);
    frame_->installEventFilter(this);
    if (QWindow* w = host->windowHandle())
        w->installEventFilter(this);
    auto* alt = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), host);
    alt->setObjectName(QStringLiteral("drapix_system_menu_key"));
    alt->setContext(Qt::WindowShortcut);
    connect(this, &QObject::destroyed, alt, &QObject::deleteLater);
    connect(alt, &QShortcut::activated, this, [this] {
        const QRect r = windowRect();
        OpenSystemMenu(QPoint(r.x() + 9, r.y() + 46));
    });
    if (focus && focus->window() == host)
        focus->setFocus();
    cutForm_.ShapeWindow(host);
}

void SkinWindow::placeAt(QPoint at) {
    // A window manager takes its frame away some time after it is asked to: until then a move
    // or a new size would be read as one of the framed window, and its reports of the framed
    // window's size would come after them. Without a window manager there is no frame; a
    // window system that keeps a frame gets no move. The user's first move or maximize ends
    // the wait for the place. Other window systems take the frame away at once.
    // The window's own rectangle is set, not the frame's place, which Qt may still reckon
    // with the old frame.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        host_->setGeometry(QRect(at, host_->size()));
        return;
    }
    auto* watch = new QTimer(this);
    placeWatch_ = watch;
    watch->setInterval(10);
    connect(watch, &QTimer::timeout, this, [this, watch, at, ticks = 0]() mutable {
        QWindow* w = host_ ? host_->windowHandle() : nullptr;
        const bool framed = w && !w->frameMargins().isNull();
        if (framed && ++ticks < 100)
            return;
        placeWatch_ = nullptr;
        watch->deleteLater();
        applySize();
        if (!framed && host_ && !maximized() && host_->geometry().topLeft() != at)
            host_->setGeometry(QRect(at, host_->size()));
    });
    watch->start();
}

void SkinWindow::SettleSize(QSize size, std::function<void()> applied) {
    settleSize_ = size;
    settleApplied_ = std::move(applied);
    if (!placeWatch_)
        applySize();
}

void SkinWindow::applySize() {
    if (!host_ || !settleSize_.isValid())
        return;
    const QSize size = std::exchange(settleSize_, QSize());
    if (settleApplied_)
        std::exchange(settleApplied_, nullptr)();
    if (kind_.sizable)
        host_->resize(size);
    else
        host_->setFixedSize(size);
}

SkinWindow::~SkinWindow() {
    if (byMargins_ && host_)
        host_->setContentsMargins(hostMargins_);
    delete frame_.data();
    delete menu_.data();
}

QWidget* SkinWindow::frame() const {
    return frame_;
}

QMenu* SkinWindow::systemMenu() const {
    return menu_;
}

void SkinWindow::adoptChild(QWidget* w) {
    if (!host_ || !client_ || !w || w->parentWidget() != host_ || w->isWindow() || w == client_ ||
        w == frame_ || w->inherits("Lustrane"))
        return;
    const bool hidden = w->isHidden();
    const QPoint pos = w->pos();
    w->setParent(client_);
    w->move(pos);
    if (!hidden)
        w->show();
}

QRect SkinWindow::windowRect() const {
    // Without the window manager's frame the widget is the whole window.
    return host_ ? host_->geometry() : QRect();
}

void SkinWindow::layoutPieces() {
    if (!host_)
        return;
    const QRect all = host_->rect();
    if (frame_)
        frame_->setGeometry(all);
    if (canvas_.size() != all.size()) {
        canvas_ = QPixmap(all.size().expandedTo(QSize(1, 1)));
        canvas_.fill(Qt::transparent);
    }
    if (client_)
        client_->setGeometry(clientRect());
}

QRect SkinWindow::clientRect() const {
    return host_ ? host_->rect().marginsRemoved(ClientInsets()) : QRect();
}

void SkinWindow::RepaintFrame() {
    if (!frame_ || !host_)
        return;
    frame_->update(QRegion(frame_->rect()).subtracted(clientRect()));
}

CaptionButtonLogic::Input SkinWindow::input(QPoint cursor) const {
    CaptionButtonLogic::Input in;
    in.window = windowRect();
    in.cursor = cursor;
    in.kind = kind_;
    in.maximized = maximized();
    in.userMode = UserMode();
    return in;
}

void SkinWindow::captionButtonEvent(QEvent::Type type, QPoint global) {
    if (!host_ || !target_)
        return;
    const CaptionButtonLogic::Input in = input(global);
    CaptionButtonLogic::Command command = CaptionButtonLogic::Command::None;
    if (type == QEvent::MouseMove)
        buttons_.mouseMove(in);
    else if (type == QEvent::MouseButtonPress)
        buttons_.press(in);
    else
        command = buttons_.release(in);
    target_->buttonEstate(buttons_.state());
    target_->drawf(host_);
    int sys = 0;
    switch (command) {
    case CaptionButtonLogic::Command::Close:
        sys = SC_CLOSE;
        break;
    case CaptionButtonLogic::Command::Minimize:
        sys = SC_MINIMIZE;
        break;
    case CaptionButtonLogic::Command::Maximize:
        sys = SC_MAXIMIZE;
        break;
    case CaptionButtonLogic::Command::Restore:
        sys = SC_RESTORE;
        break;
    case CaptionButtonLogic::Command::None:
        return;
    }
    // After the release has been delivered: closing may destroy the window.
    QMetaObject::invokeMethod(
        this, [this, sys] { SysCommand(sys); }, Qt::QueuedConnection);
}

void SkinWindow::SysCommand(int command) {
    if (!host_)
        return;
    switch (command) {
    case SC_MINIMIZE:
        host_->showMinimized();
        break;
    case SC_MAXIMIZE:
        if (host_->isMinimized())
            unminimize();
        maximize();
        break;
    case SC_RESTORE:
        if (host_->isMinimized())
            unminimize();
        else
            restore();
        break;
    case SC_CLOSE:
        host_->close();
        break;
    case SC_MOVE:
    case SC_SIZE:
        StartKeyboardMoveResize(host_, command == SC_SIZE);
        break;
    default:
        break;
    }
}

void SkinWindow::MenuCommand(int command) {
    if (command == kAboutCommand) {
        ShowAboutBox(kAboutTitleDesign, kAboutProductDesign, host_);
        return;
    }
    if (UserMode())
        SysCommand(command);
}

QRect SkinWindow::workArea() const {
    QScreen* screen = host_ && host_->screen() ? host_->screen() : QGuiApplication::primaryScreen();
    return screen->availableGeometry();
}

void SkinWindow::leaveWindowSystemMaximized() {
    QWindow* w = host_ ? host_->windowHandle() : nullptr;
    if (w && (w->windowStates() & Qt::WindowMaximized))
        w->setWindowStates(w->windowStates() & ~Qt::WindowMaximized);
}

void SkinWindow::unminimize() {
    if (!host_)
        return;
    const bool keep = maximized();
    ownStateChange_ = true;
    host_->setWindowState(host_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
    ownStateChange_ = false;
    if (keep)
        host_->overrideWindowState(host_->windowState() | Qt::WindowMaximized);
}

void SkinWindow::maximize() {
    if (maximized() || !host_ || !kind_.maximizeBox)
        return;
    if (placeWatch_) {
        delete placeWatch_.data();
        applySize();
    }
    leaveWindowSystemMaximized();
    host_->setGeometry(placement_.maximize(host_->geometry(), workArea()));
    // Qt sees the window maximized (so that showNormal() restores it); the window system does
    // not, and leaves the placement to the skin.
    if (!(host_->windowState() & Qt::WindowMaximized))
        host_->overrideWindowState(host_->windowState() | Qt::WindowMaximized);
    buttons_.sizeChanged(true);
    if (target_) {
        target_->buttonEstate(buttons_.state());
        target_->drawf(host_);
    }
}

void SkinWindow::restore() {
    if (!maximized() || !host_)
        return;
    const QRect normal = placement_.restore();
    if (host_->windowState() & Qt::WindowMaximized)
        host_->overrideWindowState(host_->windowState() & ~Qt::WindowMaximized);
    host_->setGeometry(normal);
    buttons_.sizeChanged(false);
    if (target_) {
        target_->buttonEstate(buttons_.state());
        target_->drawf(host_);
    }
}

void SkinWindow::noteGeometry() {
    constexpr Qt::WindowStates kNotNormal =
        Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen;
    if (!host_ || (host_->windowState() & kNotNormal))
        return;
    if (const QWindow* w = host_->windowHandle(); w && (w->windowStates() & kNotNormal))
        return;
    placement_.geometryChanged(host_->geometry(), workArea());
}

void SkinWindow::stateRequest(PlacementLogic::Request request) {
    if (!host_)
        return;
    const Qt::WindowStates state = host_->windowState();
    switch (request) {
    case PlacementLogic::Request::Maximize:
        if (maximized() || !(state & Qt::WindowMaximized))
            return; // restored again in the meantime
        if (!kind_.maximizeBox) {
            // A window that cannot grow stays as it is.
            leaveWindowSystemMaximized();
            host_->overrideWindowState(state & ~Qt::WindowMaximized);
            return;
        }
        maximize();
        return;
    case PlacementLogic::Request::Restore:
        if (!(state & Qt::WindowMaximized))
            restore();
        return;
    case PlacementLogic::Request::KeepMaximized:
        if (!maximized())
            return;
        leaveWindowSystemMaximized();
        if (!(state & Qt::WindowMinimized)) {
            const QRect placement = MaximizedPlacement(workArea());
            if (host_->geometry() != placement)
                host_->setGeometry(placement); // Qt drops its maximized flag on a new geometry
        }
        if (!(host_->windowState() & Qt::WindowMaximized))
            host_->overrideWindowState(host_->windowState() | Qt::WindowMaximized);
        return;
    case PlacementLogic::Request::None:
        return;
    }
}

bool SkinWindow::KeyboardMoveResizeAvailable() {
    return WindowManagerMovesByKeyboard();
}

void SkinWindow::buildMenu() {
    if (!menu_) {
        menu_ = new SystemMenu(host_);
        menu_->setObjectName(QStringLiteral("drapix_system_menu"));
        // The command runs after the menu has gone (a keyboard move needs the pointer free).
        connect(menu_, &QMenu::triggered, this, [this](QAction* chosen) {
            const int command = chosen->data().toInt();
            QMetaObject::invokeMethod(
                this, [this, command] { MenuCommand(command); }, Qt::QueuedConnection);
        });
    }
    const bool minimized = host_->isMinimized();
    const bool keyboard = KeyboardMoveResizeAvailable();
    auto* m = static_cast<SystemMenu*>(menu_.data());
    m->Rebuild({
        {QStringLiteral("还原(&R)"), SC_RESTORE, maximized() || minimized},
        {QStringLiteral("移动(&M)"), SC_MOVE, keyboard && !maximized() && !minimized},
        {QStringLiteral("大小(&S)"), SC_SIZE,
         keyboard && kind_.sizable && !maximized() && !minimized},
        {QStringLiteral("最小化(&N)"), SC_MINIMIZE, kind_.minimizeBox && !minimized},
        {QStringLiteral("最大化(&X)"), SC_MAXIMIZE, kind_.maximizeBox && !maximized()},
        {QString(), 0, true},
        {QStringLiteral("关闭(&C)\tAlt+F4"), SC_CLOSE, true},
        {QString(), 0, true},
        {QStringLiteral("关于(&A)..."), kAboutCommand, true},
    });
}

void SkinWindow::OpenSystemMenu(QPoint at) {
    if (!host_)
        return;
    buildMenu();
    menu_->popup(at);
}

void SkinWindow::framePress(QMouseEvent* e) {
    if (placeWatch_) {
        delete placeWatch_.data();
        applySize();
    }
    const QPoint global = e->globalPosition().toPoint();
    const HitZone zone = HitTest(windowRect(), global, kind_.sizable);
    drag_ = Drag::None;
    if (zone == HitZone::Client)
        return;
    if (e->button() == Qt::RightButton) {
        OpenSystemMenu(global);
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    if (zone == HitZone::Caption) {
        if (IconSquare(windowRect()).contains(global)) {
            OpenSystemMenu(global);
            return;
        }
        if (maximized())
            return; // a maximized window cannot be dragged by its caption
        // The move starts when the mouse moves with the button held: a window system asked to
        // move on a click that has already ended keeps the mouse to itself.
        drag_ = Drag::Armed;
        dragStart_ = global;
        dragGeometry_ = host_->geometry();
        return;
    }
    const Qt::Edges edges = SizingEdges(zone);
    if (!edges || maximized())
        return;
    QWindow* w = host_->windowHandle();
    if (w && w->startSystemResize(edges))
        return;
    drag_ = Drag::ManualSize;
    dragEdges_ = edges;
    dragStart_ = global;
    dragGeometry_ = host_->geometry();
}

void SkinWindow::frameMove(QMouseEvent* e) {
    const QPoint global = e->globalPosition().toPoint();
    if (!(e->buttons() & Qt::LeftButton)) {
        drag_ = Drag::None;
        frame_->setCursor(CursorFor(HitTest(windowRect(), global, kind_.sizable)));
        return;
    }
    switch (drag_) {
    case Drag::Armed: {
        if (global == dragStart_)
            return;
        // The window system moves the window from here on, keeping the point pressed under the
        // mouse; where it refuses, the skin moves it.
        QWindow* w = host_->windowHandle();
        if (StartMoveFrom(host_, dragStart_)) {
            drag_ = Drag::Moving;
            // The window manager has the mouse now and sees the release: the window's own
            // record of the held button ends here.
            QMouseEvent up(QEvent::MouseButtonRelease, w->mapFromGlobal(QPointF(global)),
                           QPointF(global), Qt::LeftButton, Qt::NoButton, e->modifiers());
            QCoreApplication::sendEvent(w, &up);
            return;
        }
        if (w && w->startSystemMove()) {
            drag_ = Drag::Moving;
            return;
        }
        drag_ = Drag::ManualMove;
        [[fallthrough]];
    }
    case Drag::ManualMove:
        host_->move(dragGeometry_.topLeft() + (global - dragStart_));
        return;
    case Drag::ManualSize:
        host_->setGeometry(SizedByHand(dragGeometry_, dragEdges_, global - dragStart_,
                                       host_->minimumSize().expandedTo(MinimumTrackSize())));
        return;
    default:
        return;
    }
}

void SkinWindow::frameRelease(QMouseEvent*) {
    drag_ = Drag::None;
    // The double click's command runs once the button is up: a window that the window system
    // sees resized under a held button stops getting the next clicks.
    if (const int command = std::exchange(pendingCommand_, 0))
        SysCommand(command);
}

void SkinWindow::frameDoubleClick(QMouseEvent* e) {
    drag_ = Drag::None;
    const QPoint global = e->globalPosition().toPoint();
    if (e->button() != Qt::LeftButton ||
        HitTest(windowRect(), global, kind_.sizable) != HitZone::Caption ||
        IconSquare(windowRect()).contains(global) || !kind_.maximizeBox)
        return;
    pendingCommand_ = maximized() ? SC_RESTORE : SC_MAXIMIZE;
}

bool SkinWindow::eventFilter(QObject* watched, QEvent* event) {
    if (!host_)
        return false;
    const QEvent::Type t = event->type();
    if (watched == host_) {
        switch (t) {
        case QEvent::Move:
            noteGeometry();
            break;
        case QEvent::Resize:
            noteGeometry();
            layoutPieces();
            cutForm_.ShapeWindow(host_);
            buttons_.sizeChanged(maximized());
            if (target_) {
                target_->buttonEstate(buttons_.state());
                target_->drawf(host_);
            }
            break;
        case QEvent::Show:
        case QEvent::ActivationChange:
        case QEvent::WindowTitleChange:
        case QEvent::WindowIconChange:
            if (target_)
                target_->drawf(host_);
            break;
        case QEvent::WindowStateChange: {
            // A maximize asked for by someone else (the window manager, a program) becomes the
            // skin's own placement; a request for the normal state restores.
            auto* change = static_cast<QWindowStateChangeEvent*>(event);
            if (change->isOverride() || ownStateChange_)
                break;
            const PlacementLogic::Request request =
                placement_.stateChanged(host_->windowState(), change->spontaneous());
            // The window system's own idea of the state is answered at once, so that Qt
            // never sees the skin's maximized window as normal.
            if (request == PlacementLogic::Request::KeepMaximized)
                stateRequest(request);
            else if (request != PlacementLogic::Request::None)
                QMetaObject::invokeMethod(
                    this, [this, request] { stateRequest(request); }, Qt::QueuedConnection);
            break;
        }
        case QEvent::ChildAdded: {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (client_ && child->isWidgetType()) {
                QPointer<QWidget> w(static_cast<QWidget*>(child));
                QMetaObject::invokeMethod(
                    this, [this, w] { adoptChild(w); }, Qt::QueuedConnection);
            }
            break;
        }
        default:
            break;
        }
        return false;
    }
    if (t == QEvent::Leave && watched == frame_) {
        // The mouse has left the frame: nothing stays highlighted.
        if (!buttons_.pressed())
            captionButtonEvent(QEvent::MouseMove, QPoint(INT_MIN / 2, INT_MIN / 2));
        return false;
    }
    // The window's mouse input, once per event, before it reaches the widget under the mouse:
    // the caption buttons follow the mouse over the whole window.
    if (watched != host_->windowHandle() ||
        (t != QEvent::MouseMove && t != QEvent::MouseButtonPress &&
         t != QEvent::MouseButtonRelease))
        return false;
    auto* me = static_cast<QMouseEvent*>(event);
    if (t != QEvent::MouseMove && me->button() != Qt::LeftButton)
        return false;
    captionButtonEvent(t, me->globalPosition().toPoint());
    return false;
}

SkinWindow* HookWindow(QWidget* window, abstract* target, const WindowKind& kind) {
    if (!window)
        return nullptr;
    UnhookWindow(window);
    return new SkinWindow(window, target, kind);
}

void UnhookWindow(QWidget* window) {
    delete SkinOf(window);
}

SkinWindow* SkinOf(const QWidget* window) {
    if (!window)
        return nullptr;
    return window->findChild<SkinWindow*>(QString::fromLatin1(kSkinName),
                                          Qt::FindDirectChildrenOnly);
}

bool IsZoomed(const QWidget* window) {
    const SkinWindow* s = SkinOf(window);
    return s && s->maximized();
}

QRect RestoredGeometry(const QWidget* window) {
    const SkinWindow* s = SkinOf(window);
    return s && s->maximized() ? s->normalGeometry() : window->geometry();
}

WindowKind KindOf(const QWidget* window) {
    WindowKind k;
    const Qt::WindowFlags f = window->windowFlags();
    const Qt::WindowType type = window->windowType();
    k.sizable = window->minimumSize() != window->maximumSize() &&
                !f.testFlag(Qt::MSWindowsFixedSizeDialogHint);
    k.toolWindow = type == Qt::Tool;
    k.dialogFrame = type == Qt::Dialog && !k.sizable;
    k.systemMenu = f.testFlag(Qt::WindowSystemMenuHint);
    k.minimizeBox = f.testFlag(Qt::WindowMinimizeButtonHint);
    k.maximizeBox = f.testFlag(Qt::WindowMaximizeButtonHint) && k.sizable;
    return k;
}

bool CursorInRect(const QRect& screenRect) {
    return screenRect.contains(QCursor::pos());
}

} // namespace drapix
