// The skin's handling of its host window's events: it takes the window manager's frame away,
// keeps the client area 16 pixels from the left, 47 from the top, 9 from the right and 10 from
// the bottom, answers the hit zones (a press in a sizing zone sizes the window, in the caption
// moves it, through the window system where it can), runs the caption buttons, maximizes to
// its own placement, limits the minimum size, reshapes the outline on every resize and opens
// the owner-drawn system menu. Painting is asked of the callback target (abstract).
//
// The client area is kept free in one of two ways. A host that lays its controls out itself (it
// has a layout, as every QMainWindow has) keeps its children and its layout: the frame is added
// to its contents margins, so that the layout, and the menu bar it holds, fill the client area
// and follow every resize. A form whose controls are placed by coordinates gets a client widget
// at the client area's place that takes its controls, so that their coordinates count from the
// client area's corner.
//
// The state is kept per host window, so that several skinned windows of one process each work.
#pragma once

#include "core/cut_form.h"
#include "drapix/lustrane.h"
#include "drapix_global.h"
#include "skin/skin_logic.h"

#include <QEvent>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>

class QMenu;
class QTimer;

namespace drapix {

class abstract;
class SkinFrame;

class DRAPIX_EXPORT SkinWindow : public QObject {
    Q_OBJECT
public:
    // System commands, with the window system's numbers.
    enum SysCommand {
        SC_SIZE = 0xF000,
        SC_MOVE = 0xF010,
        SC_MINIMIZE = 0xF020,
        SC_MAXIMIZE = 0xF030,
        SC_NEXTWINDOW = 0xF040,
        SC_CLOSE = 0xF060,
        SC_RESTORE = 0xF120,
    };

    SkinWindow(QWidget* host, abstract* target, const WindowKind& kind);
    ~SkinWindow() override;

    QWidget* host() const { return host_; }
    const WindowKind& kind() const { return kind_; }
    // The widget that holds the form's controls, at the client area's place; null for a host
    // that lays its controls out itself (the frame is then in its contents margins).
    QWidget* client() const { return client_; }
    // The client area in the window's coordinates.
    QRect clientRect() const;
    QWidget* frame() const;
    bool maximized() const { return placement_.maximized(); }
    // The geometry a restore gives back.
    QRect normalGeometry() const { return placement_.normalGeometry(); }
    const CaptionButtonLogic& buttons() const { return buttons_; }
    // The window rectangle in screen pixels.
    QRect windowRect() const;

    // The frame's picture, as the callback target last composed it (the window's size).
    QPixmap& canvas() { return canvas_; }
    // Shows the canvas on the frame (not over the client area).
    void RepaintFrame();
    // What a system command does (the menu sends them in user mode only).
    void SysCommand(int command);
    // A menu command: system commands in user mode, the about dialog (2003) in any mode.
    void MenuCommand(int command);
    // Opens the system menu at a screen point (it runs its command when one is chosen).
    void OpenSystemMenu(QPoint at);
    // Gives the window its size with the frame once the window manager has taken its own frame
    // away (at once without one); applied runs just before.
    void SettleSize(QSize size, std::function<void()> applied);
    // The system menu as it was last built (for tests), null before.
    QMenu* systemMenu() const;
    // Whether the window manager offers keyboard moving and sizing ("移动", "大小").
    static bool KeyboardMoveResizeAvailable();

    // The frame's mouse input (from SkinFrame).
    void framePress(QMouseEvent* e);
    void frameMove(QMouseEvent* e);
    void frameRelease(QMouseEvent* e);
    void frameDoubleClick(QMouseEvent* e);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutPieces();
    void placeAt(QPoint at);
    void applySize();
    void captionButtonEvent(QEvent::Type type, QPoint global);
    CaptionButtonLogic::Input input(QPoint cursor) const;
    void maximize();
    void restore();
    // The screen's work area.
    QRect workArea() const;
    // Takes the window system's own maximized state away (the skin keeps its placement).
    void leaveWindowSystemMaximized();
    // Shows a minimized window again, maximized by the skin if it was.
    void unminimize();
    // Notes the window's geometry as its normal one while it is in its normal state.
    void noteGeometry();
    // What a change of the window's state from outside asks for.
    void stateRequest(PlacementLogic::Request request);
    void adoptChild(QWidget* w);
    void buildMenu();

    QPointer<QWidget> host_;
    abstract* target_;
    WindowKind kind_;
    QPointer<SkinFrame> frame_;
    QPointer<QWidget> client_;
    QPointer<QMenu> menu_;
    QPointer<QTimer> placeWatch_;
    QSize settleSize_;
    std::function<void()> settleApplied_;
    CaptionButtonLogic buttons_;
    CutForm cutForm_;
    PlacementLogic placement_;
    // Set while the skin itself changes the window's state.
    bool ownStateChange_ = false;
    // A press in the caption or a sizing zone; moving or sizing by hand where the window system
    // refuses to.
    enum class Drag { None, Armed, Moving, ManualMove, ManualSize };
    Drag drag_ = Drag::None;
    Qt::Edges dragEdges_;
    QPoint dragStart_;
    QRect dragGeometry_;
    QPixmap canvas_;
    int pendingCommand_ = 0;
    // The host lays its controls out itself; its contents margins before the skin added the frame.
    bool byMargins_ = false;
    QMargins hostMargins_;
};

// Installs the skin's event handling on a top-level window (the frame is taken away at once).
DRAPIX_EXPORT SkinWindow* HookWindow(QWidget* window, abstract* target, const WindowKind& kind);
// Removes it again (the window keeps its size and outline).
DRAPIX_EXPORT void UnhookWindow(QWidget* window);
// The skin of a window, or null.
DRAPIX_EXPORT SkinWindow* SkinOf(const QWidget* window);
// IsZoomed and RestoredGeometry: <drapix/lustrane.h>.
// The kind of a Qt window, read from its flags and size limits (before the frame is taken).
DRAPIX_EXPORT WindowKind KindOf(const QWidget* window);

// Whether the mouse cursor lies inside the rectangle (screen coordinates; the right and bottom
// edges are outside, as for a window rectangle).
DRAPIX_EXPORT bool CursorInRect(const QRect& screenRect);

} // namespace drapix
