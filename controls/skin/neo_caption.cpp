#include "skin/neo_caption.h"

#include "skin/skin_window.h"

#include <QPainter>

namespace drapix {

cNeoCaption::cNeoCaption() = default;

cNeoCaption::~cNeoCaption() {
    if (window_)
        UnhookWindow(window_);
}

cDraw_form* cNeoCaption::drawer() {
    if (!drawer_)
        drawer_ = std::make_unique<cDraw_form>();
    return drawer_.get();
}

void cNeoCaption::Attach(QWidget* f, const QPixmap& pictop, const QPixmap& PicLeft,
                         const QPixmap& PicRight, const QPixmap& PicBottom,
                         const WindowKind& kind) {
    window_ = f;
    kind_ = kind;
    drawer()->fatherFormHwnd = f;
    top_ = pictop;
    left_ = PicLeft;
    right_ = PicRight;
    bottom_ = PicBottom;
    HookWindow(f, this, kind);
    f->setUpdatesEnabled(false);
    locked_ = true;
}

void cNeoCaption::picf(const QPixmap& pic1, const QPixmap& pic2, const QPixmap& pic3) {
    noMin_ = pic1;
    noMax_ = pic2;
    noBoth_ = pic3;
}

void cNeoCaption::imgClose(const QPixmap& img1, const QPixmap& img2) {
    drawer()->SetClose(img1, img2);
}

void cNeoCaption::imgmin(const QPixmap& img1, const QPixmap& img2) {
    drawer()->SetMinimize(img1, img2);
}

void cNeoCaption::imgMax(const QPixmap& img1, const QPixmap& img2) {
    drawer()->SetMaximize(img1, img2);
}

void cNeoCaption::maxminImage(const QPixmap& img1, const QPixmap& img2, const QPixmap& img3) {
    drawer()->SetRestore(img3, img2, img1);
}

void cNeoCaption::imgyesno(const QPixmap& img1, const QPixmap& img2) {
    maximized_ = img1;
    maximizedNoMin_ = img2;
}

void cNeoCaption::drawf(QWidget* hwnd) {
    if (!hwnd)
        return;
    cDraw_form* d = drawer();
    d->fatherFormHwnd = hwnd;
    strip_ = ChooseStrip(kind_.minimizeBox, kind_.maximizeBox, IsZoomed(hwnd));
    const QPixmap* strip = &top_;
    switch (strip_) {
    case Strip::Normal:
        strip = &top_;
        break;
    case Strip::Maximized:
        strip = &maximized_;
        break;
    case Strip::NoMaximize:
        strip = &noMax_;
        break;
    case Strip::NoMinimize:
        strip = &noMin_;
        break;
    case Strip::MaximizedNoMinimize:
        strip = &maximizedNoMin_;
        break;
    case Strip::NoButtons:
        strip = &noBoth_;
        break;
    }
    d->form_icon = hwnd->windowIcon();
    d->SetTop(*strip);
    d->SetLeft(left_);
    d->SetRight(right_);
    d->SetBottom(bottom_);
    if (SkinWindow* skin = SkinOf(hwnd)) {
        QPainter p(&skin->canvas());
        Paint(p, skin->canvas().size());
        p.end();
        skin->RepaintFrame();
    }
    if (locked_) {
        hwnd->setUpdatesEnabled(true);
        locked_ = false;
    }
}

void cNeoCaption::buttonEstate(int butEstate) {
    drawer()->SetButtonState(butEstate);
}

void cNeoCaption::Paint(QPainter& p, QSize window) {
    cDraw_form* d = drawer();
    QWidget* w = d->fatherFormHwnd;
    const bool active = w && w->isActiveWindow();
    const bool zoomed = w && IsZoomed(w);
    d->DrawLeftRim(p, window);
    d->DrawRightRim(p, window);
    d->DrawBottom(p, window);
    d->DrawTop(p, window, active, zoomed);
}

} // namespace drapix
