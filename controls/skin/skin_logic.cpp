#include "skin/skin_logic.h"

#include "core/twips.h"

#include <cmath>

namespace drapix {

namespace {

// Nearest integer, an exact half to the even neighbour.
int Round(double v) {
    return int(std::nearbyint(v));
}

struct Edges {
    int L, T, R, B;
};

Edges EdgesOf(const QRect& w) {
    return {w.x(), w.y(), w.x() + w.width(), w.y() + w.height()};
}

} // namespace

QMargins ClientInsets() {
    return QMargins(16, 47, 9, 10);
}

EdgeRect IconSquare(const QRect& window) {
    const Edges e = EdgesOf(window);
    return {e.L + 17, e.T + 21, e.L + 26, e.T + 32};
}

HitZone HitTest(const QRect& window, QPoint p, bool sizable) {
    const auto [L, T, R, B] = EdgesOf(window);
    struct Zone {
        EdgeRect rect;
        HitZone answer;
        bool sizing;
    };
    const Zone zones[] = {
        {{L, T + 14, L + 11, T + 22}, HitZone::TopLeft, true},
        {{R - 11, T, R, T + 13}, HitZone::TopRight, true},
        {{L + 11, T + 13, R - 115, T + 16}, HitZone::Top, true},
        {{L, B - 17, L + 13, B}, HitZone::BottomLeft, true},
        {{R - 9, B - 9, R, B}, HitZone::BottomRight, true},
        {{L + 9, T + 17, R - 132, T + 46}, HitZone::Caption, false},
        {{R - 119, T + 8, R - 11, T + 46}, HitZone::Client, false},
    };
    for (const Zone& z : zones) {
        if (z.rect.contains(p))
            return z.sizing && !sizable ? HitZone::Nowhere : z.answer;
    }
    // The platform's default for the rest of the window.
    const QMargins in = ClientInsets();
    if (EdgeRect{L + in.left(), T + in.top(), R - in.right(), B - in.bottom()}.contains(p))
        return HitZone::Client;
    if (!EdgeRect{L, T, R, B}.contains(p) || !sizable)
        return HitZone::Nowhere;
    if (p.y() >= B - kSizingBorder)
        return HitZone::Bottom;
    if (p.x() < L + kSizingBorder)
        return HitZone::Left;
    if (p.x() >= R - kSizingBorder)
        return HitZone::Right;
    return HitZone::Nowhere;
}

Qt::Edges SizingEdges(HitZone zone) {
    switch (zone) {
    case HitZone::Left:
        return Qt::LeftEdge;
    case HitZone::Right:
        return Qt::RightEdge;
    case HitZone::Top:
        return Qt::TopEdge;
    case HitZone::Bottom:
        return Qt::BottomEdge;
    case HitZone::TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case HitZone::TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case HitZone::BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case HitZone::BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

CaptionButtonRects CaptionButtons(const QRect& window) {
    const auto [L, T, R, B] = EdgesOf(window);
    Q_UNUSED(L);
    Q_UNUSED(B);
    return {{R - 38, T + 11, R - 17, T + 35},
            {R - 93, T + 13, R - 73, T + 35},
            {R - 64, T + 13, R - 44, T + 35}};
}

QSize MinimumTrackSize() {
    return QSize(TwipsToPixels(2460), TwipsToPixels(825));
}

void CaptionButtonLogic::mouseMove(const Input& in) {
    const CaptionButtonRects b = CaptionButtons(in.window);
    if (b.close.contains(in.cursor)) {
        if (!pressed_)
            state_ = 1;
        return;
    }
    if (b.minimize.contains(in.cursor) && in.userMode && in.kind.minimizeBox) {
        if (!pressed_)
            state_ = 3;
        return;
    }
    if (b.maximize.contains(in.cursor) && in.userMode) {
        if (in.kind.maximizeBox && !pressed_)
            state_ = 5;
        return;
    }
    state_ = in.maximized ? 7 : 0;
}

void CaptionButtonLogic::press(const Input& in) {
    const CaptionButtonRects b = CaptionButtons(in.window);
    if (b.maximize.contains(in.cursor) && in.userMode && in.kind.maximizeBox) {
        pressed_ = true;
        state_ = 6;
    } else if (b.minimize.contains(in.cursor) && in.userMode && in.kind.minimizeBox) {
        pressed_ = true;
        state_ = 4;
    } else if (b.close.contains(in.cursor)) {
        pressed_ = true;
        state_ = 2;
    }
}

CaptionButtonLogic::Command CaptionButtonLogic::release(const Input& in) {
    pressed_ = false;
    const CaptionButtonRects b = CaptionButtons(in.window);
    if (b.close.contains(in.cursor)) {
        state_ = 0;
        return in.userMode ? Command::Close : Command::None;
    }
    if (b.minimize.contains(in.cursor) && in.userMode && in.kind.minimizeBox) {
        state_ = 0;
        return Command::Minimize;
    }
    if (b.maximize.contains(in.cursor) && in.userMode && in.kind.maximizeBox) {
        if (!in.maximized)
            state_ = 0;
        return in.maximized ? Command::Restore : Command::Maximize;
    }
    return Command::None;
}

Strip ChooseStrip(bool minimizeBox, bool maximizeBox, bool maximized) {
    if (minimizeBox && maximizeBox)
        return maximized ? Strip::Maximized : Strip::Normal;
    if (minimizeBox)
        return Strip::NoMaximize;
    if (maximizeBox)
        return maximized ? Strip::MaximizedNoMinimize : Strip::NoMinimize;
    return Strip::NoButtons;
}

QString StripPicture(Strip strip) {
    switch (strip) {
    case Strip::Normal:
        return QStringLiteral("Img_Lustrane_Top");
    case Strip::Maximized:
        return QStringLiteral("Imgyesmin");
    case Strip::NoMaximize:
        return QStringLiteral("nomaxbotton");
    case Strip::NoMinimize:
        return QStringLiteral("nominbotton");
    case Strip::MaximizedNoMinimize:
        return QStringLiteral("Imgnomin");
    case Strip::NoButtons:
        return QStringLiteral("nominmaxbutton");
    }
    return {};
}

ButtonPicture OverlayPicture(int state, bool maximized) {
    switch (state) {
    case 1:
        return ButtonPicture::CloseHover;
    case 2:
        return ButtonPicture::ClosePressed;
    case 3:
        return ButtonPicture::MinimizeHover;
    case 4:
        return ButtonPicture::MinimizePressed;
    case 5:
        return maximized ? ButtonPicture::RestoreHover : ButtonPicture::MaximizeHover;
    case 6:
        return maximized ? ButtonPicture::RestorePressed : ButtonPicture::MaximizePressed;
    default:
        return ButtonPicture::None;
    }
}

int OverlayX(ButtonPicture picture, int w, int pictureWidth) {
    switch (picture) {
    case ButtonPicture::CloseHover:
    case ButtonPicture::ClosePressed:
        return w - pictureWidth - 10;
    case ButtonPicture::MinimizeHover:
    case ButtonPicture::MinimizePressed:
        return w - pictureWidth - 70;
    case ButtonPicture::None:
        return 0;
    default:
        return w - pictureWidth - 41;
    }
}

std::vector<Blit> TopBackground(int w, QSize picture) {
    const int ph = picture.height();
    return {{QRect(25, 0, 418, ph), QRect(0, 0, w, ph)},
            {QRect(0, 0, 25, ph), QRect(0, 0, 25, ph)}};
}

Blit TopRightEnd(int w, QSize picture) {
    const int ph = picture.height();
    return {QRect(picture.width() - 131, 0, 131, ph), QRect(w - 131, 0, 131, ph)};
}

QRect CaptionTextRect(int w) {
    return QRect(35, 10, w - 35, 45 - 10);
}

QRect CaptionIconRect() {
    return QRect(15, 17, 18, 18);
}

std::vector<Blit> BottomBlits(int w, QSize picture) {
    const int ph = picture.height();
    return {{QRect(14, 0, 70, ph), QRect(0, 0, w, ph)},
            {QRect(0, 0, 14, ph), QRect(0, 0, 14, ph)},
            {QRect(picture.width() - 131, 0, 131, ph), QRect(w - 131, 0, 131, ph)}};
}

int RimBandHeight(int h, int topHeight, int bottomHeight) {
    return h - topHeight - bottomHeight;
}

std::vector<Blit> RimBlits(int band, QSize picture) {
    const int pw = picture.width();
    const int ph = picture.height();
    const int half = Round(ph / 2.0);
    return {{QRect(0, ph - 30, pw, ph - 60), QRect(0, 0, pw, band)},
            {QRect(0, 0, pw, half), QRect(0, 0, pw, half)},
            {QRect(0, half, pw, half), QRect(0, band - half, pw, half)}};
}

QSize GrowthTwips(const WindowKind& k) {
    if (k.sizable && k.toolWindow)
        return {230, 470};
    if (k.sizable)
        return {230, 425};
    if (k.dialogFrame)
        return {260, 455};
    if (k.toolWindow)
        return {260, 500};
    if (k.systemMenu)
        return {260, 455};
    return {350, 830};
}

QSize GrownSize(QSize size, const WindowKind& kind, int removedMenuHeight) {
    const QSize g = GrowthTwips(kind);
    return QSize(size.width() + TwipsToNearestPixel(g.width()),
                 size.height() - removedMenuHeight + TwipsToNearestPixel(g.height()));
}

QRect MaximizedPlacement(const QRect& workArea) {
    return QRect(workArea.x() + 1, workArea.y() + 1, workArea.width() - 1, workArea.height() - 1);
}

namespace {

// Whether a rectangle is as large as the maximized placement on the work area.
bool AsLargeAsMaximized(const QRect& geometry, const QRect& workArea) {
    const QRect maximized = MaximizedPlacement(workArea);
    return geometry.width() >= maximized.width() && geometry.height() >= maximized.height();
}

} // namespace

void PlacementLogic::geometryChanged(const QRect& geometry, const QRect& workArea) {
    if (maximized_ || !geometry.isValid() || AsLargeAsMaximized(geometry, workArea))
        return;
    normal_ = geometry;
}

QRect PlacementLogic::maximize(const QRect& current, const QRect& workArea) {
    geometryChanged(current, workArea);
    if (!normal_.isValid())
        normal_ = current;
    maximized_ = true;
    return MaximizedPlacement(workArea);
}

QRect PlacementLogic::restore() {
    maximized_ = false;
    return normal_;
}

PlacementLogic::Request PlacementLogic::stateChanged(Qt::WindowStates state,
                                                     bool fromWindowSystem) const {
    if (state & Qt::WindowMinimized)
        return Request::None;
    const bool asked = state & Qt::WindowMaximized;
    if (asked && !maximized_)
        return Request::Maximize;
    if (!maximized_)
        return Request::None;
    if (fromWindowSystem)
        return Request::KeepMaximized;
    return asked ? Request::None : Request::Restore;
}

QSize MenuItemSize(int id, int menuLine) {
    return QSize(kMenuItemWidth, id != 0 ? menuLine : Round(menuLine / 2.0));
}

QString MenuItemText(const QString& text) {
    const QString spaces = QStringLiteral("    ");
    if (text.startsWith(QStringLiteral("关闭")))
        return text.left(6) + spaces + text.mid(7);
    if (text.startsWith(QStringLiteral("下一")))
        return text.left(7) + spaces + text.mid(8);
    return text;
}

MenuGlyph GlyphFor(const QString& text) {
    const QString head = text.left(2);
    if (head == QStringLiteral("还原") || head == QStringLiteral("恢复"))
        return MenuGlyph::Restore;
    if (head == QStringLiteral("最小"))
        return MenuGlyph::Minimize;
    if (head == QStringLiteral("最大"))
        return MenuGlyph::Maximize;
    if (head == QStringLiteral("关闭"))
        return MenuGlyph::Close;
    if (head == QStringLiteral("关于"))
        return MenuGlyph::About;
    return MenuGlyph::None;
}

QRect GlyphCell(MenuGlyph glyph, bool disabled) {
    int row = -1;
    switch (glyph) {
    case MenuGlyph::Restore:
        row = 0;
        break;
    case MenuGlyph::Minimize:
        row = 1;
        break;
    case MenuGlyph::Maximize:
        row = 2;
        break;
    case MenuGlyph::Close:
        row = 3;
        break;
    default:
        return {};
    }
    return QRect(disabled ? 10 : 0, row * 10, 10, 10);
}

QString TooltipText(const QRect& window, QPoint cursor, const WindowKind& kind, bool maximized) {
    const CaptionButtonRects b = CaptionButtons(window);
    if (b.close.contains(cursor))
        return QStringLiteral("关闭");
    if (kind.minimizeBox && b.minimize.contains(cursor))
        return QStringLiteral("最小化");
    if (kind.maximizeBox && b.maximize.contains(cursor))
        return maximized ? QStringLiteral("往下还原") : QStringLiteral("最大化");
    return {};
}

short ClampClarity(short value) {
    return value < 0 || value > 255 ? short(255) : value;
}

} // namespace drapix
