#include "buttons/command_logic.h"

#include "artwork/artwork_table.h"

#include <limits>

namespace drapix {

QString EventName(CommandEventId id) {
    switch (id) {
    case CommandEventId::Click:
        return QStringLiteral("Click");
    case CommandEventId::DblClick:
        return QStringLiteral("DblClick");
    case CommandEventId::KeyDown:
        return QStringLiteral("KeyDown");
    case CommandEventId::KeyPress:
        return QStringLiteral("KeyPress");
    case CommandEventId::KeyUp:
        return QStringLiteral("KeyUp");
    case CommandEventId::MouseOut:
        return QStringLiteral("MouseOut");
    case CommandEventId::MouseDown:
        return QStringLiteral("MouseDown");
    case CommandEventId::MouseMove:
        return QStringLiteral("MouseMove");
    case CommandEventId::MouseUp:
        return QStringLiteral("MouseUp");
    }
    return {};
}

std::vector<FaceSlice> FaceSlices(QSize inner, QSize picture) {
    // Worked in 64 bits; anything that does not fit a 32-bit rectangle paints nothing.
    const qint64 sw = inner.width(), sh = inner.height();
    const qint64 pw = picture.width(), ph = picture.height();
    if (sw <= 0 || sh <= 0 || pw <= 0 || ph <= 0)
        return {};
    constexpr qint64 kMax = std::numeric_limits<int>::max() / 2;
    if (sw > kMax || sh > kMax || pw > kMax || ph > kMax)
        return {};
    // The frame: 5 pixels, or half of the smaller of control and picture when that is less.
    const qint64 fx = std::min<qint64>({5, sw / 2, pw / 2});
    const qint64 fy = std::min<qint64>({5, sh / 2, ph / 2});
    const auto r = [](qint64 x, qint64 y, qint64 w, qint64 h) {
        return QRect(int(x), int(y), int(w), int(h));
    };
    const qint64 cw = sw - 2 * fx, ch = sh - 2 * fy, pcw = pw - 2 * fx, pch = ph - 2 * fy;
    std::vector<FaceSlice> slices = {
        {r(0, 0, fx, fy), r(0, 0, fx, fy)},
        {r(fx, 0, cw, fy), r(fx, 0, pcw, fy)},
        {r(sw - fx, 0, fx, fy), r(pw - fx, 0, fx, fy)},
        {r(0, fy, fx, ch), r(0, fy, fx, pch)},
        {r(0, sh - fy, fx, fy), r(0, ph - fy, fx, fy)},
        {r(fx, sh - fy, cw, fy), r(fx, ph - fy, pcw, fy)},
        {r(sw - fx, sh - fy, fx, fy), r(pw - fx, ph - fy, fx, fy)},
        {r(sw - fx, fy, fx, ch), r(pw - fx, fy, fx, pch)},
        {r(fx, fy, cw, ch), r(fx, fy, pcw, pch)},
    };
    // Empty pieces (a zero frame, or no room for the centre) are left out.
    std::erase_if(slices,
                  [](const FaceSlice& s) { return s.target.isEmpty() || s.source.isEmpty(); });
    return slices;
}

QPolygon ButtonRegion(int w, int h) {
    QPolygon p;
    p << QPoint(2, 0) << QPoint(0, 2) << QPoint(0, h - 3) << QPoint(2, h) << QPoint(w - 2, h)
      << QPoint(w - 1, h - 2) << QPoint(w, h - 6) << QPoint(w, 2) << QPoint(w - 3, 0);
    return p;
}

QRect FocusFrameRect(int w, int h) {
    return QRect(QPoint(3, 3), QPoint(w - 3 - 1, h - 3 - 1));
}

CommandLogic::CommandLogic() = default;

void CommandLogic::setMetrics(QSize inner, QSizeF caption, QSizeF icon) {
    inner_ = inner;
    caption_ = caption;
    icon_ = icon;
}

void CommandLogic::emitEvent(const CommandEvent& e) {
    if (raise)
        raise(e);
}

void CommandLogic::paintFace(FaceState state) {
    const QString name = FacePictureName(style_, int(state));
    if (name.isEmpty())
        return; // a style outside 0-5 paints nothing; the last face stays
    face_ = state;
    facePicture_ = name;
    frameShown_ = false; // a face paint replaces the focus frame
    ++facePaints_;
}

// The dotted frame is drawn by inverting: drawing it twice removes it.
void CommandLogic::drawFocusFrame() {
    frameShown_ = !frameShown_;
}

void CommandLogic::frameIfFocused() {
    if (hasFocus_ && style_ != int(按钮样式::Lustrane菜单按钮))
        drawFocusFrame();
}

void CommandLogic::arrangeContent(int position) {
    const double sw = inner_.width(), sh = inner_.height();
    const double lw = caption_.width(), lh = caption_.height();
    const double iw = icon_.width(), ih = icon_.height();
    const QPointF centred(sw / 2 - lw / 2, sh / 2 - lh / 2);
    switch (position) {
    case 0:
        iconVisible_ = false;
        captionPos_ = centred;
        break;
    case 1:
    case 2:
        if (!isEnabled_) {
            iconVisible_ = false;
            captionPos_ = centred;
        } else if (position == 1) {
            iconVisible_ = true;
            iconPos_ = QPointF(6, sh / 2 - ih / 2);
            captionPos_ = QPointF(iw + 12, sh / 2 - lh / 2);
        } else {
            iconVisible_ = true;
            iconPos_ = QPointF(sw - 6 - iw, sh / 2 - ih / 2);
            captionPos_ = QPointF(6, sh / 2 - lh / 2);
        }
        break;
    default:
        break; // any other value leaves icon and caption where they are
    }
}

void CommandLogic::shiftContent() {
    captionPos_ += QPointF(1, 1);
    iconPos_ += QPointF(1, 1);
}

void CommandLogic::applyRegion() {
    region_ = ButtonRegion(inner_.width(), inner_.height());
}

void CommandLogic::setStyle(int style) {
    style_ = style;
    resized();
}

void CommandLogic::setIconPosition(int position) {
    if (!isEnabled_)
        paintFace(FaceState::Disabled);
    arrangeContent(position);
    iconPosition_ = position;
}

void CommandLogic::setEnabled(bool enabled) {
    isEnabled_ = enabled;
    if (enabled) {
        arrangeContent(iconPosition_);
        paintFace(FaceState::Normal);
    } else {
        arrangeContent(0);
        paintFace(FaceState::Disabled);
    }
}

void CommandLogic::iconChanged() {
    arrangeContent(iconPosition_);
}

void CommandLogic::fontChanged() {
    arrangeContent(iconPosition_);
}

void CommandLogic::initialise() {
    setEnabled(true);
    setStyle(int(按钮样式::Lustrane));
}

void CommandLogic::resized() {
    if (isEnabled_) {
        paintFace(FaceState::Normal);
        arrangeContent(iconPosition_);
        applyRegion();
    } else {
        paintFace(FaceState::Disabled);
        arrangeContent(0);
    }
}

void CommandLogic::shown() {
    applyRegion();
}

void CommandLogic::gotFocus() {
    if (isEnabled_) {
        if (!isPressed_) {
            paintFace(FaceState::Focused);
            if (style_ != int(按钮样式::Lustrane菜单按钮))
                drawFocusFrame();
        } else if (style_ != int(按钮样式::Lustrane菜单按钮)) {
            drawFocusFrame(); // a menu-bar button never shows the frame
        }
        hasFocus_ = true;
    }
}

void CommandLogic::lostFocus() {
    if (isEnabled_) {
        paintFace(FaceState::Normal);
        hasFocus_ = false;
    }
}

void CommandLogic::mouseDown(int button, int shift, double x, double y) {
    if (button != 1)
        return;
    isPressed_ = true;
    paintFace(FaceState::Pressed);
    if (style_ != int(按钮样式::Lustrane菜单按钮))
        drawFocusFrame();
    shiftContent();
    emitEvent({CommandEventId::MouseDown, button, shift, x, y});
}

void CommandLogic::mouseMove(int button, int shift, double x, double y, bool over) {
    if (!isPressed_)
        paintFace(FaceState::Hover);
    frameIfFocused();
    timerRunning_ = true;
    if (over)
        hovered_ = true;
    emitEvent({CommandEventId::MouseMove, button, shift, x, y});
}

void CommandLogic::mouseUp(int button, int shift, double x, double y) {
    isPressed_ = false;
    if (style_ == int(按钮样式::Lustrane)) {
        paintFace(FaceState::Focused);
        frameIfFocused();
    } else if (style_ == int(按钮样式::Lustrane菜单按钮)) {
        paintFace(FaceState::Focused);
    } else if (hasFocus_) {
        paintFace(FaceState::Focused);
        drawFocusFrame();
    }
    arrangeContent(iconPosition_);
    emitEvent({CommandEventId::MouseUp, button, shift, x, y});
}

void CommandLogic::click() {
    emitEvent({CommandEventId::Click});
}

void CommandLogic::accessKeyPress() {
    emitEvent({CommandEventId::Click});
}

void CommandLogic::dblClick() {
    emitEvent({CommandEventId::DblClick});
    mouseDown(1, 0, 0, 0);
}

void CommandLogic::keyDown(int keyCode, int shift) {
    isPressed_ = true;
    paintFace(FaceState::Pressed);
    frameIfFocused();
    shiftContent();
    CommandEvent e{CommandEventId::KeyDown};
    e.keyCode = keyCode;
    e.shift = shift;
    emitEvent(e);
    arrangeContent(iconPosition_);
    isPressed_ = false;
    paintFace(FaceState::Focused);
    frameIfFocused();
}

void CommandLogic::keyPress(int keyAscii) {
    isPressed_ = true;
    paintFace(FaceState::Pressed);
    frameIfFocused();
    frameIfFocused();
    shiftContent();
    CommandEvent e{CommandEventId::KeyPress};
    e.keyAscii = keyAscii;
    emitEvent(e);
    arrangeContent(iconPosition_);
    isPressed_ = false;
    paintFace(FaceState::Focused);
    frameIfFocused();
}

void CommandLogic::keyUp(int keyCode, int shift) {
    arrangeContent(iconPosition_);
    isPressed_ = false;
    paintFace(FaceState::Focused);
    frameIfFocused();
    CommandEvent e{CommandEventId::KeyUp};
    e.keyCode = keyCode;
    e.shift = shift;
    emitEvent(e);
}

void CommandLogic::timerTick(bool cursorInside) {
    if (cursorInside)
        return;
    if (isEnabled_) {
        if (style_ == int(按钮样式::Lustrane菜单按钮)) {
            paintFace(FaceState::Normal);
        } else if (hasFocus_) {
            paintFace(FaceState::Focused);
            drawFocusFrame();
        } else {
            paintFace(FaceState::Normal);
        }
    }
    timerRunning_ = false;
    if (hovered_) {
        hovered_ = false;
        emitEvent({CommandEventId::MouseOut});
    }
}

void CommandLogic::captionChanged() {
    resized();
}

void CommandLogic::partClick() {
    emitEvent({CommandEventId::Click});
}

void CommandLogic::partDblClick() {
    mouseDown(1, 0, 0, 0);
}

} // namespace drapix
