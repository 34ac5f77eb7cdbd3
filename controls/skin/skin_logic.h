// The skin's decisions, as plain functions of rectangles and points: hit-test zones, caption-
// button rectangles and state codes, the caption strip for the window's buttons and state, the
// geometry of every frame piece, the size a form grows by, the maximized placement, the system
// menu's item sizes and texts, and the tooltip text. The widgets only feed them and show the
// result.
//
// Rectangles are window rectangles as the skin sees them: left and top inside, right and bottom
// outside (a point is inside when left <= x < right and top <= y < bottom).
#pragma once

#include "drapix_global.h"

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace drapix {

// A rectangle by its four edges; an empty or inverted one contains nothing.
struct EdgeRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool contains(QPoint p) const {
        return left <= p.x() && p.x() < right && top <= p.y() && p.y() < bottom;
    }
    QRect toRect() const { return QRect(left, top, right - left, bottom - top); }
    friend bool operator==(const EdgeRect&, const EdgeRect&) = default;
};

// What the skin needs to know of a window's kind. The skin reads it from the Qt window before
// it takes the frame away:
//   sizable      the window is not of fixed size (minimum size differs from maximum size)
//   toolWindow   Qt::Tool
//   dialogFrame  Qt::Dialog that is not sizable
//   systemMenu   Qt::WindowSystemMenuHint
//   minimizeBox  Qt::WindowMinimizeButtonHint
//   maximizeBox  Qt::WindowMaximizeButtonHint (and sizable: a fixed window cannot grow)
struct WindowKind {
    bool sizable = true;
    bool toolWindow = false;
    bool dialogFrame = false;
    bool systemMenu = true;
    bool minimizeBox = true;
    bool maximizeBox = true;
};

// The hit-test answers, with the numbers the window system gives them.
enum class HitZone {
    Nowhere = 0,
    Client = 1,
    Caption = 2,
    Left = 10,
    Right = 11,
    Top = 12,
    TopLeft = 13,
    TopRight = 14,
    Bottom = 15,
    BottomLeft = 16,
    BottomRight = 17,
};

// The client area's distance from the window's edges: 16 left, 47 top, 9 right, 10 bottom.
DRAPIX_EXPORT QMargins ClientInsets();
// The width of the standard sizing border along the left, right and bottom edges, where the
// skin's own zones leave the window to the platform's default.
constexpr int kSizingBorder = 4;
// The window-icon square, a left click on which opens the system menu.
DRAPIX_EXPORT EdgeRect IconSquare(const QRect& window);

// The zone under a screen point: the skin's zones in their order (corners, top edge, caption,
// caption buttons; the sizing zones only for a sizable window, Nowhere there otherwise), then
// the platform's default: the client area, the left, right and bottom sizing borders of a
// sizable window, and Nowhere for the rest of the frame.
DRAPIX_EXPORT HitZone HitTest(const QRect& window, QPoint p, bool sizable);
// The Qt edges a sizing zone moves (none for other zones).
DRAPIX_EXPORT Qt::Edges SizingEdges(HitZone zone);

// The caption buttons' rectangles.
struct CaptionButtonRects {
    EdgeRect close, minimize, maximize;
};
DRAPIX_EXPORT CaptionButtonRects CaptionButtons(const QRect& window);

// The smallest size a skinned window can be given: 2460 x 825 twips.
DRAPIX_EXPORT QSize MinimumTrackSize();

// The caption buttons: hover, press and release, and the state code (0-7) they show.
//   0 nothing highlighted, 1 close under the mouse, 2 close pressed, 3 minimize under the mouse,
//   4 minimize pressed, 5 maximize under the mouse, 6 maximize pressed, 7 maximized, nothing
//   highlighted.
// A click is recognised by the release alone: a press elsewhere and a release on a button acts.
class DRAPIX_EXPORT CaptionButtonLogic {
public:
    struct Input {
        QRect window;  // the window rectangle, screen pixels
        QPoint cursor; // the cursor, screen pixels
        WindowKind kind;
        bool maximized = false;
        bool userMode = true;
    };
    enum class Command { None, Close, Minimize, Maximize, Restore };

    int state() const { return state_; }
    bool pressed() const { return pressed_; }
    void setState(int state) { state_ = state; }

    void mouseMove(const Input& in);
    void press(const Input& in);
    Command release(const Input& in);
    // Every size change: 7 when the window is now maximized, 0 otherwise.
    void sizeChanged(bool maximized) { state_ = maximized ? 7 : 0; }

private:
    int state_ = 0;
    bool pressed_ = false;
};

// The caption strip for the window's buttons and state.
enum class Strip { Normal, Maximized, NoMaximize, NoMinimize, MaximizedNoMinimize, NoButtons };
DRAPIX_EXPORT Strip ChooseStrip(bool minimizeBox, bool maximizeBox, bool maximized);
// The picture of the strip ("Img_Lustrane_Top", "Imgyesmin", ...).
DRAPIX_EXPORT QString StripPicture(Strip strip);

// The caption button overlay of a state code.
enum class ButtonPicture {
    None,
    CloseHover,
    ClosePressed,
    MinimizeHover,
    MinimizePressed,
    MaximizeHover,
    MaximizePressed,
    RestoreHover,
    RestorePressed,
};
DRAPIX_EXPORT ButtonPicture OverlayPicture(int state, bool maximized);
// Where the overlay of width pictureWidth goes in a caption of width w (its top is 0).
DRAPIX_EXPORT int OverlayX(ButtonPicture picture, int w, int pictureWidth);

// One copy of a frame piece: a source rectangle of the picture onto a rectangle of the piece;
// stretched when the sizes differ.
struct Blit {
    QRect source;
    QRect target;
    friend bool operator==(const Blit&, const Blit&) = default;
};

// The caption strip of a window w wide from a picture of the given size: the middle columns
// stretched over the whole width, the left 25 columns, then (after the text) the right 131.
DRAPIX_EXPORT std::vector<Blit> TopBackground(int w, QSize picture);
DRAPIX_EXPORT Blit TopRightEnd(int w, QSize picture);
// The caption text's rectangle (single line, vertically centred) and the icon's.
DRAPIX_EXPORT QRect CaptionTextRect(int w);
DRAPIX_EXPORT QRect CaptionIconRect();
// The bottom rim of a window w wide, in piece coordinates; the piece sits at y h - height.
DRAPIX_EXPORT std::vector<Blit> BottomBlits(int w, QSize picture);
// A side rim: its band height is h less the caption and bottom heights recorded by the last
// caption and bottom repaints (0 before the first); the piece sits at y topHeight.
DRAPIX_EXPORT int RimBandHeight(int h, int topHeight, int bottomHeight);
DRAPIX_EXPORT std::vector<Blit> RimBlits(int band, QSize picture);

// The size a form grows by when the skin takes its frame, by its kind (first match wins):
// sizable tool window 230 x 470 twips, sizable 230 x 425, dialog frame 260 x 455, tool window
// 260 x 500, system menu 260 x 455, none of these 350 x 830. A form that had a menu bar loses
// the menu line from the height. Pixels, rounded to the nearest (halves to even).
DRAPIX_EXPORT QSize GrowthTwips(const WindowKind& kind);
DRAPIX_EXPORT QSize GrownSize(QSize size, const WindowKind& kind, int removedMenuHeight = 0);

// The placement of a maximized window on a work area (right and bottom outside): one pixel in
// from the work area's top-left corner, and one pixel less wide and high than the work area.
// For a work area at the origin this is (left + 1, top + 1, right - 1, bottom - 1).
DRAPIX_EXPORT QRect MaximizedPlacement(const QRect& workArea);

// Where a skinned window goes when it is restored, and what a change of its state asks of the
// skin. The skin keeps its own maximized placement and never leaves the window system believing
// the window maximized: a maximize asked for by the window manager (its shortcut or menu) or by
// a program becomes the skin's own, and a request for the normal state restores the geometry the
// window had before it was maximized.
class DRAPIX_EXPORT PlacementLogic {
public:
    bool maximized() const { return maximized_; }
    // The geometry a restore gives back; invalid until one has been seen.
    QRect normalGeometry() const { return normal_; }

    // The window was moved or sized. While it is maximized nothing is noted; nor is a rectangle
    // as large as the maximized placement, which is a window manager's maximize reported before
    // its change of state.
    void geometryChanged(const QRect& geometry, const QRect& workArea);
    // Maximizes a window that now has the given geometry; returns the placement to give it.
    QRect maximize(const QRect& current, const QRect& workArea);
    // Ends the maximized state; returns the geometry to give the window back.
    QRect restore();

    enum class Request {
        None,          // nothing to do
        Maximize,      // maximize to the skin's placement
        Restore,       // back to the normal geometry
        KeepMaximized, // stay at the skin's placement; the window system's own state goes
    };
    // The window's state changed to the given one, asked for by the program (fromWindowSystem
    // false) or reported by the window system. A minimize keeps the placement as it is; the
    // window system, which is not told of the skin's maximize, cannot end it.
    Request stateChanged(Qt::WindowStates state, bool fromWindowSystem) const;

private:
    bool maximized_ = false;
    QRect normal_;
};

// The system menu.
constexpr int kMenuLine = 20;       // one menu line: the menu-bar height at 96 dpi
constexpr int kMenuItemWidth = 159; // every item
constexpr int kAboutCommand = 2003; // "关于(&A)..."
// An item's size: a separator (id 0) is half a menu line, halves to even.
DRAPIX_EXPORT QSize MenuItemSize(int id, int menuLine = kMenuLine);
// The text drawn for an item: a tab-separated accelerator is set off by four spaces.
DRAPIX_EXPORT QString MenuItemText(const QString& text);
enum class MenuGlyph { None, Restore, Minimize, Maximize, Close, About };
// The glyph an item's text chooses by its first two characters.
DRAPIX_EXPORT MenuGlyph GlyphFor(const QString& text);
// The glyph's 10 x 10 cell in a glyph sheet (column by disabled, row by glyph).
DRAPIX_EXPORT QRect GlyphCell(MenuGlyph glyph, bool disabled);

// The tooltip over the caption buttons: "关闭", "最小化", "最大化" or "往下还原", or empty.
DRAPIX_EXPORT QString TooltipText(const QRect& window, QPoint cursor, const WindowKind& kind,
                                  bool maximized);

// The alpha given to the skin's transparency: a value below 0 or above 255 becomes 255.
DRAPIX_EXPORT short ClampClarity(short value);

} // namespace drapix
