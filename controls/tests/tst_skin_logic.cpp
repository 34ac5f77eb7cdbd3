// The skin's decisions as plain code: hit zones at the edges of every zone, caption-button state
// sequences, the strip table, the size growth table, the maximized placement, the piece geometry,
// the system menu's item sizes and texts, the tooltip texts and the transparency clamp.
#include "skin/skin_logic.h"

#include <QtTest>

using namespace drapix;

namespace {

const QRect kWindow(100, 50, 400, 300); // L 100, T 50, R 500, B 350

HitZone At(int x, int y, bool sizable = true) {
    return HitTest(kWindow, QPoint(x, y), sizable);
}

CaptionButtonLogic::Input In(QPoint cursor, bool maximized = false, bool userMode = true,
                             WindowKind kind = {}) {
    CaptionButtonLogic::Input in;
    in.window = kWindow;
    in.cursor = cursor;
    in.kind = kind;
    in.maximized = maximized;
    in.userMode = userMode;
    return in;
}

// Inside each button (R 500, T 50).
const QPoint kClose(500 - 30, 70);
const QPoint kMinimize(500 - 80, 70);
const QPoint kMaximize(500 - 50, 70);
const QPoint kCaption(250, 80);

} // namespace

class SkinLogicTest : public QObject {
    Q_OBJECT

private slots:
    void hitZonesAtTheirEdges() {
        const int L = 100, T = 50, R = 500, B = 350;
        // Top-left corner: x L..L+10, y T+14..T+21.
        QCOMPARE(At(L, T + 14), HitZone::TopLeft);
        QCOMPARE(At(L + 10, T + 21), HitZone::TopLeft);
        QCOMPARE(At(L + 5, T + 13), HitZone::Nowhere);
        // Top-right corner: x R-11..R-1, y T..T+12.
        QCOMPARE(At(R - 11, T), HitZone::TopRight);
        QCOMPARE(At(R - 1, T + 12), HitZone::TopRight);
        QCOMPARE(At(R, T), HitZone::Nowhere); // outside the window
        // Top edge: x L+11..R-116, y T+13..T+15.
        QCOMPARE(At(L + 11, T + 13), HitZone::Top);
        QCOMPARE(At(R - 116, T + 15), HitZone::Top);
        QCOMPARE(At(R - 115, T + 15), HitZone::Client); // the caption buttons' zone begins
        // Bottom-left corner: x L..L+12, y B-17..B-1.
        QCOMPARE(At(L, B - 17), HitZone::BottomLeft);
        QCOMPARE(At(L + 12, B - 1), HitZone::BottomLeft);
        QCOMPARE(At(L + 13, B - 1), HitZone::Bottom); // the platform's bottom border
        // Bottom-right corner: x R-9..R-1, y B-9..B-1.
        QCOMPARE(At(R - 9, B - 9), HitZone::BottomRight);
        QCOMPARE(At(R - 1, B - 1), HitZone::BottomRight);
        QCOMPARE(At(R - 10, B - 1), HitZone::Bottom);
        // Caption: x L+9..R-133, y T+17..T+45.
        QCOMPARE(At(L + 11, T + 17), HitZone::Caption);
        QCOMPARE(At(R - 133, T + 45), HitZone::Caption);
        QCOMPARE(At(R - 132, T + 45), HitZone::Nowhere);
        QCOMPARE(At(L + 9, T + 22), HitZone::Caption); // below the top-left corner
        // Caption buttons: x R-119..R-12, y T+8..T+45, answered as client.
        QCOMPARE(At(R - 119, T + 8), HitZone::Client);
        QCOMPARE(At(R - 12, T + 45), HitZone::Client);
        QCOMPARE(At(R - 11, T + 20), HitZone::Nowhere);
        // The platform's default: the client area, and the left, right and bottom borders.
        QCOMPARE(At(L + 16, T + 47), HitZone::Client);
        QCOMPARE(At(R - 10, B - 11), HitZone::Client);
        QCOMPARE(At(L + 15, T + 100), HitZone::Nowhere);
        QCOMPARE(At(L + 3, T + 100), HitZone::Left);
        QCOMPARE(At(L + 4, T + 100), HitZone::Nowhere);
        QCOMPARE(At(R - 4, T + 100), HitZone::Right);
        QCOMPARE(At(R - 5, T + 100), HitZone::Nowhere);
        QCOMPARE(At(L + 200, B - 4), HitZone::Bottom);
        QCOMPARE(At(L + 200, B - 5), HitZone::Nowhere);
    }

    void fixedWindowsHaveNoSizingZones() {
        const int L = 100, T = 50, R = 500, B = 350;
        QCOMPARE(At(L, T + 14, false), HitZone::Nowhere);
        QCOMPARE(At(R - 1, T + 1, false), HitZone::Nowhere);
        QCOMPARE(At(L + 50, T + 14, false), HitZone::Nowhere);
        QCOMPARE(At(L + 1, B - 1, false), HitZone::Nowhere);
        QCOMPARE(At(R - 1, B - 1, false), HitZone::Nowhere);
        QCOMPARE(At(L + 1, T + 100, false), HitZone::Nowhere);
        QCOMPARE(At(R - 1, T + 100, false), HitZone::Nowhere);
        QCOMPARE(At(L + 200, B - 1, false), HitZone::Nowhere);
        // Caption and buttons stay.
        QCOMPARE(At(L + 100, T + 30, false), HitZone::Caption);
        QCOMPARE(At(R - 30, T + 20, false), HitZone::Client);
        QCOMPARE(SizingEdges(HitZone::TopLeft), Qt::TopEdge | Qt::LeftEdge);
        QCOMPARE(SizingEdges(HitZone::Caption), Qt::Edges());
    }

    void buttonRectanglesAndIcon() {
        const CaptionButtonRects b = CaptionButtons(kWindow);
        QCOMPARE(b.close, (EdgeRect{462, 61, 483, 85}));
        QCOMPARE(b.minimize, (EdgeRect{407, 63, 427, 85}));
        QCOMPARE(b.maximize, (EdgeRect{436, 63, 456, 85}));
        QCOMPARE(IconSquare(kWindow), (EdgeRect{117, 71, 126, 82}));
        QCOMPARE(MinimumTrackSize(), QSize(164, 55));
        QCOMPARE(ClientInsets(), QMargins(16, 47, 9, 10));
    }

    void hoverPressAndRelease() {
        CaptionButtonLogic b;
        using C = CaptionButtonLogic::Command;
        b.mouseMove(In(kClose));
        QCOMPARE(b.state(), 1);
        b.mouseMove(In(kMinimize));
        QCOMPARE(b.state(), 3);
        b.mouseMove(In(kMaximize));
        QCOMPARE(b.state(), 5);
        b.mouseMove(In(kCaption));
        QCOMPARE(b.state(), 0);
        b.mouseMove(In(kCaption, true));
        QCOMPARE(b.state(), 7);

        // Close: press, hover elsewhere keeps the pressed picture, release on it closes.
        b.press(In(kClose));
        QVERIFY(b.pressed());
        QCOMPARE(b.state(), 2);
        b.mouseMove(In(kMinimize));
        QCOMPARE(b.state(), 2);
        b.mouseMove(In(kClose));
        QCOMPARE(b.state(), 2);
        QCOMPARE(b.release(In(kClose)), C::Close);
        QVERIFY(!b.pressed());
        QCOMPARE(b.state(), 0);

        b.press(In(kMinimize));
        QCOMPARE(b.state(), 4);
        QCOMPARE(b.release(In(kMinimize)), C::Minimize);
        QCOMPARE(b.state(), 0);

        b.press(In(kMaximize));
        QCOMPARE(b.state(), 6);
        QCOMPARE(b.release(In(kMaximize)), C::Maximize);
        QCOMPARE(b.state(), 0);
        // On a maximized window the same button restores; the state waits for the size change.
        b.press(In(kMaximize, true));
        QCOMPARE(b.release(In(kMaximize, true)), C::Restore);
        QCOMPARE(b.state(), 6);
        b.sizeChanged(false);
        QCOMPARE(b.state(), 0);
        b.sizeChanged(true);
        QCOMPARE(b.state(), 7);

        // A press outside and a release on a button acts: the click is the release.
        b.setState(0);
        b.press(In(kCaption));
        QVERIFY(!b.pressed());
        QCOMPARE(b.release(In(kMinimize)), C::Minimize);
        // A press on a button and a release elsewhere does nothing but end the press.
        b.press(In(kClose));
        QCOMPARE(b.release(In(kCaption)), C::None);
        QVERIFY(!b.pressed());
        QCOMPARE(b.state(), 2);
        b.mouseMove(In(kCaption));
        QCOMPARE(b.state(), 0);
    }

    void buttonsTheWindowLacks() {
        CaptionButtonLogic b;
        using C = CaptionButtonLogic::Command;
        WindowKind none;
        none.minimizeBox = false;
        none.maximizeBox = false;
        b.mouseMove(In(kMinimize, false, true, none));
        QCOMPARE(b.state(), 0);
        // Over the maximize button of a window without one the state stays as it was.
        b.mouseMove(In(kClose, false, true, none));
        QCOMPARE(b.state(), 1);
        b.mouseMove(In(kMaximize, false, true, none));
        QCOMPARE(b.state(), 1);
        b.press(In(kMaximize, false, true, none));
        QVERIFY(!b.pressed());
        QCOMPARE(b.release(In(kMaximize, false, true, none)), C::None);
        QCOMPARE(b.release(In(kMinimize, false, true, none)), C::None);
    }

    void outsideUserModeOnlyCloseHighlights() {
        CaptionButtonLogic b;
        using C = CaptionButtonLogic::Command;
        b.mouseMove(In(kMinimize, false, false));
        QCOMPARE(b.state(), 0);
        b.mouseMove(In(kMaximize, false, false));
        QCOMPARE(b.state(), 0);
        b.mouseMove(In(kClose, false, false));
        QCOMPARE(b.state(), 1);
        b.press(In(kMaximize, false, false));
        QVERIFY(!b.pressed());
        b.press(In(kClose, false, false));
        QCOMPARE(b.state(), 2);
        QCOMPARE(b.release(In(kClose, false, false)), C::None);
        QCOMPARE(b.state(), 0);
        QCOMPARE(b.release(In(kMinimize, false, false)), C::None);
        QCOMPARE(b.release(In(kMaximize, false, false)), C::None);
    }

    void stripTable() {
        QCOMPARE(ChooseStrip(true, true, false), Strip::Normal);
        QCOMPARE(ChooseStrip(true, true, true), Strip::Maximized);
        QCOMPARE(ChooseStrip(true, false, false), Strip::NoMaximize);
        QCOMPARE(ChooseStrip(true, false, true), Strip::NoMaximize);
        QCOMPARE(ChooseStrip(false, true, false), Strip::NoMinimize);
        QCOMPARE(ChooseStrip(false, true, true), Strip::MaximizedNoMinimize);
        QCOMPARE(ChooseStrip(false, false, false), Strip::NoButtons);
        QCOMPARE(ChooseStrip(false, false, true), Strip::NoButtons);
        QCOMPARE(StripPicture(Strip::Normal), QStringLiteral("Img_Lustrane_Top"));
        QCOMPARE(StripPicture(Strip::Maximized), QStringLiteral("Imgyesmin"));
        QCOMPARE(StripPicture(Strip::MaximizedNoMinimize), QStringLiteral("Imgnomin"));
        QCOMPARE(StripPicture(Strip::NoMinimize), QStringLiteral("nominbotton"));
        QCOMPARE(StripPicture(Strip::NoMaximize), QStringLiteral("nomaxbotton"));
        QCOMPARE(StripPicture(Strip::NoButtons), QStringLiteral("nominmaxbutton"));
    }

    void overlaysAndPieces() {
        const int w = 800;
        QCOMPARE(OverlayPicture(5, false), ButtonPicture::MaximizeHover);
        QCOMPARE(OverlayPicture(5, true), ButtonPicture::RestoreHover);
        QCOMPARE(OverlayPicture(6, true), ButtonPicture::RestorePressed);
        QCOMPARE(OverlayPicture(7, true), ButtonPicture::None);
        QCOMPARE(OverlayPicture(0, false), ButtonPicture::None);
        // With the supplied sizes the overlays sit at W - 38, W - 95 and W - 66.
        QCOMPARE(OverlayX(ButtonPicture::CloseHover, w, 28), w - 38);
        QCOMPARE(OverlayX(ButtonPicture::MinimizePressed, w, 25), w - 95);
        QCOMPARE(OverlayX(ButtonPicture::RestoreHover, w, 25), w - 66);

        const QSize strip(563, 46);
        QCOMPARE(TopBackground(w, strip).front(),
                 (Blit{QRect(25, 0, 418, 46), QRect(0, 0, w, 46)}));
        QCOMPARE(TopRightEnd(w, strip), (Blit{QRect(432, 0, 131, 46), QRect(w - 131, 0, 131, 46)}));
        QCOMPARE(CaptionTextRect(w), QRect(QPoint(35, 10), QPoint(w - 1, 44)));
        QCOMPARE(CaptionIconRect(), QRect(15, 17, 18, 18));
        const std::vector<Blit> bottom = BottomBlits(w, QSize(155, 9));
        QCOMPARE(bottom.size(), size_t(3));
        QCOMPARE(bottom[2], (Blit{QRect(24, 0, 131, 9), QRect(w - 131, 0, 131, 9)}));
        // The first repaint runs the rims over the whole height, later ones between the pieces.
        QCOMPARE(RimBandHeight(600, 0, 0), 600);
        QCOMPARE(RimBandHeight(600, 46, 9), 545);
        const std::vector<Blit> rim = RimBlits(545, QSize(15, 72));
        QCOMPARE(rim[0], (Blit{QRect(0, 42, 15, 12), QRect(0, 0, 15, 545)}));
        QCOMPARE(rim[2], (Blit{QRect(0, 36, 15, 36), QRect(0, 509, 15, 36)}));
    }

    void sizeGrowth() {
        WindowKind k; // sizable, system menu
        QCOMPARE(GrowthTwips(k), QSize(230, 425));
        QCOMPARE(GrownSize(QSize(766, 579), k), QSize(781, 607));
        k.toolWindow = true;
        QCOMPARE(GrownSize(QSize(100, 100), k), QSize(115, 131));
        k = {};
        k.sizable = false;
        k.dialogFrame = true;
        QCOMPARE(GrownSize(QSize(100, 100), k), QSize(117, 130));
        k.dialogFrame = false;
        k.toolWindow = true;
        QCOMPARE(GrownSize(QSize(100, 100), k), QSize(117, 133));
        k.toolWindow = false;
        QCOMPARE(GrownSize(QSize(100, 100), k), QSize(117, 130));
        k.systemMenu = false;
        QCOMPARE(GrownSize(QSize(100, 100), k), QSize(123, 155));
        // A form that had a menu bar loses the menu line first (then rounds).
        QCOMPARE(GrownSize(QSize(766, 579), WindowKind{}, 20), QSize(781, 587));
    }

    void maximizedPlacement() {
        QCOMPARE(MaximizedPlacement(QRect(0, 0, 1024, 738)), QRect(1, 1, 1023, 737));
        // A panel on the left or top, or a second screen: one pixel in, the rest of the area.
        QCOMPARE(MaximizedPlacement(QRect(60, 30, 964, 738)), QRect(61, 31, 963, 737));
        QCOMPARE(MaximizedPlacement(QRect(1024, 0, 1280, 1024)), QRect(1025, 1, 1279, 1023));
    }

    void placementKeepsTheNormalGeometry() {
        const QRect work(0, 0, 1024, 738);
        const QRect normal(100, 80, 415, 328);
        PlacementLogic p;
        p.geometryChanged(QRect(90, 70, 415, 328), work);
        p.geometryChanged(normal, work);
        // The window manager maximizes: its new size is reported before its new state, and is
        // not taken as the normal one.
        p.geometryChanged(work, work);
        p.geometryChanged(QRect(100, 80, 1024, 738), work);
        QCOMPARE(p.normalGeometry(), normal);
        using R = PlacementLogic::Request;
        QCOMPARE(p.stateChanged(Qt::WindowMaximized, true), R::Maximize);
        QCOMPARE(p.maximize(work, work), MaximizedPlacement(work));
        QVERIFY(p.maximized());
        // While maximized no geometry counts.
        p.geometryChanged(QRect(5, 5, 300, 200), work);
        QCOMPARE(p.restore(), normal);
        QVERIFY(!p.maximized());

        // The skin's own maximize from the normal geometry.
        const QRect moved(300, 200, 500, 400);
        QCOMPARE(p.maximize(moved, work), MaximizedPlacement(work));
        QCOMPARE(p.stateChanged(Qt::WindowMaximized, true), R::KeepMaximized);
        QCOMPARE(p.stateChanged(Qt::WindowMaximized, false), R::None);
        // The window system's echo of the state the skin took away, and a return from the
        // task bar, keep the placement; showNormal() restores.
        QCOMPARE(p.stateChanged(Qt::WindowNoState, true), R::KeepMaximized);
        QCOMPARE(p.stateChanged(Qt::WindowMinimized | Qt::WindowMaximized, false), R::None);
        QCOMPARE(p.stateChanged(Qt::WindowMinimized, true), R::None);
        QCOMPARE(p.stateChanged(Qt::WindowNoState, false), R::Restore);
        QCOMPARE(p.restore(), moved);
        QCOMPARE(p.stateChanged(Qt::WindowNoState, false), R::None);
        QCOMPARE(p.stateChanged(Qt::WindowNoState, true), R::None);
        QCOMPARE(p.stateChanged(Qt::WindowMaximized, false), R::Maximize);

        // A window never seen in a normal geometry keeps the one it has.
        PlacementLogic fresh;
        fresh.maximize(QRect(0, 0, 1024, 738), work);
        QCOMPARE(fresh.restore(), QRect(0, 0, 1024, 738));
    }

    void menuItems() {
        QCOMPARE(MenuItemSize(0xF020), QSize(159, 20));
        QCOMPARE(MenuItemSize(0), QSize(159, 10));
        QCOMPARE(MenuItemSize(0, 19), QSize(159, 10)); // 9.5: halves to even
        QCOMPARE(MenuItemSize(0, 21), QSize(159, 10)); // 10.5
        QCOMPARE(MenuItemText(QStringLiteral("关闭(&C)\tAlt+F4")),
                 QStringLiteral("关闭(&C)    Alt+F4"));
        QCOMPARE(MenuItemText(QStringLiteral("下一个(&T)\tCtrl+F6")),
                 QStringLiteral("下一个(&T)    Ctrl+F6"));
        QCOMPARE(MenuItemText(QStringLiteral("最小化(&N)")), QStringLiteral("最小化(&N)"));
        QCOMPARE(GlyphFor(QStringLiteral("还原(&R)")), MenuGlyph::Restore);
        QCOMPARE(GlyphFor(QStringLiteral("恢复")), MenuGlyph::Restore);
        QCOMPARE(GlyphFor(QStringLiteral("最小化(&N)")), MenuGlyph::Minimize);
        QCOMPARE(GlyphFor(QStringLiteral("最大化(&X)")), MenuGlyph::Maximize);
        QCOMPARE(GlyphFor(QStringLiteral("关闭(&C)")), MenuGlyph::Close);
        QCOMPARE(GlyphFor(QStringLiteral("关于(&A)...")), MenuGlyph::About);
        QCOMPARE(GlyphFor(QStringLiteral("移动(&M)")), MenuGlyph::None);
        QCOMPARE(GlyphCell(MenuGlyph::Maximize, true), QRect(10, 20, 10, 10));
        QCOMPARE(GlyphCell(MenuGlyph::Close, false), QRect(0, 30, 10, 10));
    }

    void tooltipTexts() {
        WindowKind k;
        QCOMPARE(TooltipText(kWindow, kClose, k, false), QStringLiteral("关闭"));
        QCOMPARE(TooltipText(kWindow, kMinimize, k, false), QStringLiteral("最小化"));
        QCOMPARE(TooltipText(kWindow, kMaximize, k, false), QStringLiteral("最大化"));
        QCOMPARE(TooltipText(kWindow, kMaximize, k, true), QStringLiteral("往下还原"));
        QCOMPARE(TooltipText(kWindow, kCaption, k, false), QString());
        k.minimizeBox = false;
        QCOMPARE(TooltipText(kWindow, kMinimize, k, false), QString());
    }

    void clarityClamp() {
        QCOMPARE(ClampClarity(300), short(255));
        QCOMPARE(ClampClarity(-1), short(255));
        QCOMPARE(ClampClarity(0), short(0));
        QCOMPARE(ClampClarity(128), short(128));
    }
};

QTEST_GUILESS_MAIN(SkinLogicTest)
#include "tst_skin_logic.moc"
