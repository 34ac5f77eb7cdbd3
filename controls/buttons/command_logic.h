// The state machine and geometry of the Command button, without a window: which face is
// shown, whether the focus frame is drawn, where the caption and the icon sit, the button's
// outline, the hover timer and the events raised to the host. The widget feeds it the
// notifications it receives and paints only what this class decides.
#pragma once

#include "drapix_global.h"

#include <QPointF>
#include <QPolygon>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <functional>
#include <vector>

namespace drapix {

// Button styles; each selects a set of face pictures.
enum class 按钮样式 : int {
    标准XP蓝色 = 0,
    标准XP绿色 = 1,
    标准XP银色 = 2,
    Lustrane = 3,
    QQ2005标准蓝色 = 4,
    Lustrane菜单按钮 = 5,
};

// Icon positions.
enum class Alignment : int { eNone = 0, eLeft = 1, eRight = 2 };

// The visual states; each has one face picture per style.
enum class FaceState : int { Normal = 0, Focused = 1, Hover = 2, Pressed = 3, Disabled = 4 };

// The events raised to the host, by dispatch id.
enum class CommandEventId : int {
    Click = 1,
    DblClick = 2,
    KeyDown = 3,
    KeyPress = 4,
    KeyUp = 5,
    MouseOut = 6,
    MouseDown = 7,
    MouseMove = 8,
    MouseUp = 9,
};

struct CommandEvent {
    CommandEventId id;
    int button = 0; // MouseDown/Move/Up: 1 left, 2 right, 4 middle
    int shift = 0;  // 1 Shift, 2 Ctrl, 4 Alt
    double x = 0;   // mouse position in pixels, as the part reported it
    double y = 0;
    int keyCode = 0;  // KeyDown/KeyUp
    int keyAscii = 0; // KeyPress
};

DRAPIX_EXPORT QString EventName(CommandEventId id); // "Click", "MouseDown", ...

// One copy of the nine-slice face paint: destination rectangle in the control, source
// rectangle in the picture.
struct FaceSlice {
    QRect target;
    QRect source;
};

// The nine copies of a picture of size picture onto a control of size inner, with a fixed
// 5-pixel frame. A control or a picture smaller than 10 pixels in a direction gets its frame
// halved in that direction so that no slice has a negative size; sizes beyond the 32-bit range
// give no slices at all.
DRAPIX_EXPORT std::vector<FaceSlice> FaceSlices(QSize inner, QSize picture);

// The 9-point outline of a button of w x h pixels.
DRAPIX_EXPORT QPolygon ButtonRegion(int w, int h);

// The dotted focus frame's rectangle (left 3, top 3, right w - 3, bottom h - 3).
DRAPIX_EXPORT QRect FocusFrameRect(int w, int h);

class DRAPIX_EXPORT CommandLogic {
public:
    CommandLogic();

    // Receives every event the control raises, at the moment it is raised.
    std::function<void(const CommandEvent&)> raise;

    // What the window measures: its inner size, the caption's and the icon's size.
    void setMetrics(QSize inner, QSizeF caption, QSizeF icon);
    QSize inner() const { return inner_; }

    // Properties.
    int style() const { return style_; }
    void setStyle(int style); // stores any value, then the resize handling
    int iconPosition() const { return iconPosition_; }
    void setIconPosition(int position); // stores any value
    bool isEnabled() const { return isEnabled_; }
    void setEnabled(bool enabled);
    void iconChanged(); // a new icon: ArrangeContent with the stored position
    void fontChanged(); // a new font: ArrangeContent with the stored position

    // Notifications.
    void initialise(); // a new control: Enabled True, style Lustrane
    void resized();
    void shown();
    void gotFocus();
    void lostFocus();
    void mouseDown(int button, int shift, double x, double y);
    // over: the pointer is over the control (a move with a held button also arrives from
    // outside); only a move over it begins a hover, which ends in one MouseOut.
    void mouseMove(int button, int shift, double x, double y, bool over = true);
    void mouseUp(int button, int shift, double x, double y);
    void click();
    void accessKeyPress();
    void dblClick();
    void keyDown(int keyCode, int shift);
    void keyPress(int keyAscii);
    void keyUp(int keyCode, int shift);
    void timerTick(bool cursorInside);
    void captionChanged();
    void partClick();
    void partDblClick();

    // What the paint reads.
    bool hasFace() const { return !facePicture_.isEmpty(); }
    FaceState face() const { return face_; }
    QString facePicture() const { return facePicture_; } // empty: nothing painted yet
    int facePaints() const { return facePaints_; }
    bool focusFrameShown() const { return frameShown_; }
    QPointF captionPos() const { return captionPos_; }
    QPointF iconPos() const { return iconPos_; }
    bool iconVisible() const { return iconVisible_; }
    QPolygon region() const { return region_; } // empty until first applied
    bool isPressed() const { return isPressed_; }
    bool hasFocus() const { return hasFocus_; }
    bool timerRunning() const { return timerRunning_; }

private:
    void paintFace(FaceState state);
    void drawFocusFrame();
    void frameIfFocused();
    void arrangeContent(int position);
    void shiftContent();
    void applyRegion();
    void emitEvent(const CommandEvent& e);

    QSize inner_{0, 0};
    QSizeF caption_{0, 0};
    QSizeF icon_{0, 0};
    int style_ = 0;
    int iconPosition_ = 0;
    bool isEnabled_ = false;
    bool isPressed_ = false;
    bool hasFocus_ = false;
    bool hovered_ = false;

    FaceState face_ = FaceState::Normal;
    QString facePicture_;
    int facePaints_ = 0;
    bool frameShown_ = false;
    QPointF captionPos_{0, 0};
    QPointF iconPos_{0, 0};
    bool iconVisible_ = false;
    QPolygon region_;
    bool timerRunning_ = true;
};

} // namespace drapix
