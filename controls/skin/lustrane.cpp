#include "skin/lustrane.h"

#include "core/about_box.h"
#include "core/ambient.h"
#include "core/live_objects.h"
#include "core/pictures.h"
#include "core/property_bag.h"
#include "skin/neo_caption.h"
#include "skin/skin_window.h"
#include "skin/tooltip.h"

#include <QApplication>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

using namespace drapix;

namespace {

// The menu bar that the form's layout holds (a QMainWindow's), or null.
QMenuBar* LineMenuBar(const QWidget* form) {
    return form->layout() ? qobject_cast<QMenuBar*>(form->layout()->menuBar()) : nullptr;
}

// Whether the skin takes the form's menu bar away, so that the form's height loses the menu line.
bool MenuBarGoes(const QWidget* form) {
    return !LineMenuBar(form) && form->findChild<QMenuBar*>();
}

} // namespace

namespace drapix {

QWidget* NewLustrane(QWidget* parent) {
    return new Lustrane(parent);
}

QWidget* LoadLustrane(QWidget* parent, const QString& name, const PropertyBag&, bool) {
    // The control keeps no properties of its own; its extent is fixed.
    auto* l = new Lustrane(parent);
    l->setObjectName(name);
    return l;
}

} // namespace drapix

Lustrane::Lustrane(QWidget* parent)
    : QWidget(parent), timer1_(new QTimer(this)), timer3_(new QTimer(this)) {
    ObjectCreated();
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(10);
    timer3_->setObjectName(QStringLiteral("Timer3"));
    timer3_->setInterval(800);
    connect(timer1_, &QTimer::timeout, this, &Lustrane::Timer1Timer);
    connect(timer3_, &QTimer::timeout, this, &Lustrane::Timer3Timer);
    // Invisible in a running program.
    if (UserMode())
        setVisible(false);
    // The size is fixed to the picture, and the control shows the skin's outline.
    setFixedSize(180, 131);
    cutForm_ = std::make_unique<CutForm>();
    cutForm_->ShapeWindow(this);
    // Initialize.
    timer1_->start();
}

Lustrane::~Lustrane() {
    // Terminate: the skin's event handling goes, the tooltip closes, the timers stop.
    if (caption_ && host_)
        UnhookWindow(host_);
    attachTicks_ = 0;
    CloseTooltip();
    tooltipShown_ = false;
    timer1_->stop();
    timer3_->stop();
    caption_.reset();
    cutForm_.reset();
    ObjectDestroyed();
}

QWidget* Lustrane::parentForm() const {
    return parentWidget() ? parentWidget()->window() : nullptr;
}

void Lustrane::Timer1Timer() {
    // In a form designer the control only shows its picture: the form being designed is not a
    // window of its own there, and the window around it is the designer's.
    if (!UserMode()) {
        timer1_->stop();
        return;
    }
    QWidget* form = parentForm();
    if (!form || !form->isVisible())
        return;
    // Menu detection: the form's menu bar.
    const QList<QMenuBar*> bars = form->findChildren<QMenuBar*>();
    formHasMenu_ = !bars.isEmpty();
    if (formHasMenu_)
        form->setProperty("Menu", 1);
    // Duplicate check.
    const QList<Lustrane*> skins = form->findChildren<Lustrane*>();
    if (skins.size() >= 2) {
        timer1_->stop();
        // The other instance may be showing the same warning already.
        if (!AboutDialogShown())
            ShowDuplicateWarning(kAboutProductDesign, kLustraneDuplicateWarning);
        return;
    }
    if (attachTicks_ == 0)
        attach(form);
    if (++attachTicks_ > 2) {
        attachTicks_ = 1;
        timer1_->stop();
    }
}

void Lustrane::attach(QWidget* form) {
    // Only a top-level form gets the skin (in a form designer the form is embedded).
    if (!form->isWindow() || form->windowType() == Qt::Desktop)
        return;
    host_ = form;
    // The back colour rule: the system's button face becomes #D5DEF2.
    if (form->palette().color(QPalette::Window) == OleColor(0x8000000F)) {
        QPalette pal = form->palette();
        pal.setColor(QPalette::Window, kSkinFace);
        form->setPalette(pal);
        form->setAutoFillBackground(true);
    }
    const WindowKind kind = KindOf(form);
    // The menu bar goes; its handle is kept. A menu bar that the form's layout holds (a
    // QMainWindow's) stays where the layout puts it: in the line below the caption, where its
    // menus open by mouse and by their access keys. The client area keeps its height for it.
    int menuHeight = 0;
    const QList<QMenuBar*> bars = form->findChildren<QMenuBar*>(Qt::FindDirectChildrenOnly);
    QMenuBar* lineBar = LineMenuBar(form);
    if (lineBar)
        formMenu_ = lineBar;
    else if (!bars.isEmpty())
        formMenu_ = bars.first();
    if (!lineBar && (formMenu_ || formHasMenu_)) {
        for (QMenuBar* bar : bars)
            bar->hide();
        menuHeight = MenuHeight();
    }
    // Room for the frame: the size grows once the window manager's frame is gone.
    const QSize grown = GrownSize(form->size(), kind, menuHeight);
    const QSize growth = grown - form->size();

    caption_ = std::make_unique<cNeoCaption>();
    caption_->Attach(form, Picture(QStringLiteral("Img_Lustrane_Top")),
                     Picture(QStringLiteral("ImgLustraneLeftRim")),
                     Picture(QStringLiteral("ImgLustraneRightRim")),
                     Picture(QStringLiteral("ImgLustraneBottomRim")), kind);
    caption_->picf(Picture(QStringLiteral("nominbotton")), Picture(QStringLiteral("nomaxbotton")),
                   Picture(QStringLiteral("nominmaxbutton")));
    caption_->imgClose(Picture(QStringLiteral("picMclose")), Picture(QStringLiteral("picDclose")));
    caption_->imgmin(Picture(QStringLiteral("ImgmouseMinMove")),
                     Picture(QStringLiteral("ImgmouseMinDown")));
    caption_->imgMax(Picture(QStringLiteral("ImgmouseMaxMove")),
                     Picture(QStringLiteral("ImgmouseMaxDown")));
    caption_->maxminImage(Picture(QStringLiteral("Imgdeoxidize")),
                          Picture(QStringLiteral("ImgdeoxidizeMove")),
                          Picture(QStringLiteral("imgdeoxidizeDown")));
    caption_->imgyesno(Picture(QStringLiteral("Imgyesmin")), Picture(QStringLiteral("Imgnomin")));
    if (SkinWindow* skin = SkinOf(form))
        skin->SettleSize(grown, [this, growth] { growth_ = growth; });
    caption_->drawf(form);
    timer3_->start();
}

void Lustrane::Timer3Timer() {
    if (!host_)
        return;
    const QPoint cursor = QCursor::pos();
    QWidget* under = QApplication::widgetAt(cursor);
    if (!under || under->window() != host_) {
        if (tooltipShown_)
            CloseTooltip();
        tooltipShown_ = false;
        return;
    }
    const QString text = TooltipText(host_->geometry(), cursor, KindOf(host_), IsZoomed(host_));
    if (text.isEmpty()) {
        if (tooltipShown_)
            CloseTooltip();
        tooltipShown_ = false;
        return;
    }
    tooltipShown_ = true;
    TooltipWindow()->ShowText(text, cursor + QPoint(-10, 20));
}

int Lustrane::MenuHeight() const {
    return kMenuLine;
}

QPixmap Lustrane::MenuPicture() const {
    return Picture(QStringLiteral("ImgMenu"));
}

bool Lustrane::窗体透明(bool& bolClarity, short& ClarityNumber) {
    ClarityNumber = ClampClarity(ClarityNumber);
    QWidget* form = parentForm();
    if (!form)
        return false;
#ifdef Q_OS_WIN
    // A layered window: pure blue fully transparent, the rest at the alpha.
    const HWND hwnd = reinterpret_cast<HWND>(form->winId());
    const LONG ex = GetWindowLongW(hwnd, GWL_EXSTYLE);
    if (bolClarity) {
        SetWindowLongW(hwnd, GWL_EXSTYLE, ex | WS_EX_LAYERED);
        SetLayeredWindowAttributes(hwnd, RGB(0, 0, 255), BYTE(ClarityNumber),
                                   LWA_COLORKEY | LWA_ALPHA);
        return true;
    }
    SetWindowLongW(hwnd, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    return false;
#else
    // X11: the window's opacity (_NET_WM_WINDOW_OPACITY), which a compositing manager applies;
    // there is no colour key.
    if (bolClarity) {
        form->setWindowOpacity(ClarityNumber / 255.0);
        return true;
    }
    form->setWindowOpacity(1.0);
    return false;
#endif
}

void Lustrane::使窗体在最顶端(bool& bolYesno) {
    if (!host_)
        return;
    if (QWindow* w = host_->windowHandle())
        w->setFlag(Qt::WindowStaysOnTopHint, bolYesno);
    if (!bolYesno)
        host_->lower();
}

void Lustrane::ShowAboutBox() {
    drapix::ShowAboutBox(kAboutTitleDesign, kAboutProductDesign, this);
}

void Lustrane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, Picture(QStringLiteral("LustraneDesign")));
}

void Lustrane::resizeEvent(QResizeEvent*) {
    if (!cutForm_)
        cutForm_ = std::make_unique<CutForm>();
    cutForm_->ShapeWindow(this);
}

namespace drapix {

namespace {

Lustrane* SkinControl(const QWidget* form) {
    return form ? form->findChild<Lustrane*>() : nullptr;
}

QMargins ManagerFrame(const QWidget* form) {
    const QWindow* window = form->windowHandle();
    return window ? window->frameMargins() : QMargins();
}

} // namespace

bool HasSkin(const QWidget* form) {
    return SkinControl(form) != nullptr;
}

QSize FrameGrowth(const QWidget* form) {
    const Lustrane* skin = SkinControl(form);
    return skin ? skin->frameGrowth() : QSize();
}

QSize PlannedFrameGrowth(const QWidget* form, QSize size) {
    if (!HasSkin(form))
        return QSize();
    return GrownSize(size, KindOf(form), MenuBarGoes(form) ? kMenuLine : 0) - size;
}

QSize LayoutSize(const QWidget* form) {
    if (const Lustrane* skin = SkinControl(form))
        return form->size() - skin->frameGrowth();
    const QMargins m = ManagerFrame(form);
    return form->size() + QSize(m.left() + m.right(), m.top() + m.bottom());
}

bool FrameKnown(const QWidget* form) {
    if (const Lustrane* skin = SkinControl(form))
        return skin->attached();
    return !ManagerFrame(form).isNull();
}

void WhenFrameKnown(QWidget* form, std::function<void(bool known)> then) {
    auto* watch = new QTimer(form);
    watch->setInterval(kFrameWatchMs);
    QObject::connect(watch, &QTimer::timeout, form,
                     [form, watch, then = std::move(then), ticks = 0]() mutable {
                         const bool known = FrameKnown(form);
                         if (!known && ++ticks < kFrameWatchTicks)
                             return;
                         watch->stop();
                         watch->deleteLater();
                         then(known);
                     });
    watch->start();
}

} // namespace drapix
