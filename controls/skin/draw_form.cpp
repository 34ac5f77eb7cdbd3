#include "skin/draw_form.h"

#include "core/ambient.h"
#include "skin/skin_logic.h"

#include <QPainter>

namespace drapix {

namespace {

void Copy(QPainter& p, const QPixmap& source, const std::vector<Blit>& blits) {
    for (const Blit& b : blits)
        p.drawPixmap(b.target, source, b.source);
}

} // namespace

void cDraw_form::SetClose(const QPixmap& hover, const QPixmap& pressed) {
    closeHover_ = hover;
    closePressed_ = pressed;
}

void cDraw_form::SetMinimize(const QPixmap& hover, const QPixmap& pressed) {
    minHover_ = hover;
    minPressed_ = pressed;
}

void cDraw_form::SetMaximize(const QPixmap& hover, const QPixmap& pressed) {
    maxHover_ = hover;
    maxPressed_ = pressed;
}

void cDraw_form::SetRestore(const QPixmap& pressed, const QPixmap& hover, const QPixmap& normal) {
    restorePressed_ = pressed;
    restoreHover_ = hover;
    restoreNormal_ = normal;
}

QPixmap cDraw_form::ComposeTop(QSize window, bool active, bool maximized) {
    const int w = window.width();
    const QSize ps = top_.size();
    topSize_ = ps;
    QPixmap piece(qMax(w, 1), qMax(ps.height(), 1));
    piece.fill(Qt::transparent);
    QPainter p(&piece);
    Copy(p, top_, TopBackground(w, ps));
    caption_ = fatherFormHwnd ? fatherFormHwnd->windowTitle() : QString();
    p.setPen(active ? QColor(0xFF, 0xFF, 0xFF) : QColor(197, 212, 236));
    p.setFont(NamedFont(QStringLiteral("宋体"), 9, true));
    p.drawText(CaptionTextRect(w), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
    const Blit end = TopRightEnd(w, ps);
    p.drawPixmap(end.target, top_, end.source);
    if (!form_icon.isNull()) {
        const QRect r = CaptionIconRect();
        p.drawPixmap(r, form_icon.pixmap(r.size()));
    }
    if (state_ != 0)
        DrawCaptionButton(p, w, maximized);
    return piece;
}

void cDraw_form::DrawCaptionButton(QPainter& strip, int w, bool maximized) const {
    const ButtonPicture which = OverlayPicture(state_, maximized);
    const QPixmap* pic = nullptr;
    switch (which) {
    case ButtonPicture::CloseHover:
        pic = &closeHover_;
        break;
    case ButtonPicture::ClosePressed:
        pic = &closePressed_;
        break;
    case ButtonPicture::MinimizeHover:
        pic = &minHover_;
        break;
    case ButtonPicture::MinimizePressed:
        pic = &minPressed_;
        break;
    case ButtonPicture::MaximizeHover:
        pic = &maxHover_;
        break;
    case ButtonPicture::MaximizePressed:
        pic = &maxPressed_;
        break;
    case ButtonPicture::RestoreHover:
        pic = &restoreHover_;
        break;
    case ButtonPicture::RestorePressed:
        pic = &restorePressed_;
        break;
    case ButtonPicture::None:
        return;
    }
    strip.drawPixmap(OverlayX(which, w, pic->width()), 0, *pic);
}

QPixmap cDraw_form::ComposeBottom(QSize window) {
    const QSize ps = bottom_.size();
    bottomSize_ = ps;
    QPixmap piece(qMax(window.width(), 1), qMax(ps.height(), 1));
    piece.fill(Qt::transparent);
    QPainter p(&piece);
    Copy(p, bottom_, BottomBlits(window.width(), ps));
    return piece;
}

QPixmap cDraw_form::ComposeRim(QSize window, const QPixmap& rim) {
    const int band = RimBandHeight(window.height(), topSize_.height(), bottomSize_.height());
    QPixmap piece(qMax(rim.width(), 1), qMax(band, 1));
    piece.fill(Qt::transparent);
    QPainter p(&piece);
    Copy(p, rim, RimBlits(band, rim.size()));
    return piece;
}

void cDraw_form::DrawTop(QPainter& p, QSize window, bool active, bool maximized) {
    p.drawPixmap(0, 0, ComposeTop(window, active, maximized));
}

void cDraw_form::DrawBottom(QPainter& p, QSize window) {
    const QPixmap piece = ComposeBottom(window);
    p.drawPixmap(0, window.height() - bottomSize_.height(), piece);
}

void cDraw_form::DrawLeftRim(QPainter& p, QSize window) {
    const int y = topSize_.height();
    p.drawPixmap(0, y, ComposeRim(window, left_));
}

void cDraw_form::DrawRightRim(QPainter& p, QSize window) {
    const int y = topSize_.height();
    p.drawPixmap(window.width() - right_.width(), y, ComposeRim(window, right_));
}

} // namespace drapix
