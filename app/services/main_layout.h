// The main window's geometry in twips and the rules that follow the window's size.
#pragma once

#include "services/twips.h"

#include <QRect>
#include <QSize>

namespace meridane {

struct TwipRect {
    float left, top, width, height;
};

// The controls whose geometry changes with the window (design values at start).
struct MainGeometry {
    TwipRect Frame1{120, 240, 3375, 7695};
    TwipRect List1{120, 840, 3132, 6144};     // in Frame1
    TwipRect Command1{1080, 7080, 855, 375};  // in Frame1
    TwipRect Command2{2040, 7080, 1215, 375}; // in Frame1
    TwipRect RichTextBox1{3600, 360, 7575, 6855};
    TwipRect Command4{3600, 7320, 855, 375};
    TwipRect Command5{4680, 7320, 855, 375};
    TwipRect Command6{5760, 7320, 855, 375};
    TwipRect Command9{6840, 7320, 855, 375};
    TwipRect Command10{7920, 7320, 855, 375};
    TwipRect Command7{9000, 7320, 855, 375};
    TwipRect Command8{10080, 7320, 855, 375};
};

// The window size set at load, in twips.
constexpr float kLoadHeight = 8685;
constexpr float kLoadWidth = 11490;

// Applies the resize rules for the window's outer height and width (twips), in order. A step
// that would give a negative height or width ends the pass; the later steps keep their
// previous values. Returns the number of steps carried out (6 when all were).
int ApplyResizeRules(MainGeometry& g, float height, float width);

// Where a window lies wholly within the work area: wanted is its frame's top left and its own
// size, frame what its frame adds to that size. A size that does not fit shrinks to fit, and the
// place moves as little as it must. Returns the place and the own size, like wanted.
QRect FitIntoWorkArea(const QRect& workArea, const QRect& wanted, QSize frame);

} // namespace meridane
