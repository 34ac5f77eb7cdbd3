// CutForm: the 40-point outline of a skinned window, scaled to the window's size and applied
// as its mask (winding fill).
#pragma once

#include "drapix_global.h"

#include <QPolygon>

class QWidget;

namespace drapix {

class DRAPIX_EXPORT CutForm {
public:
    // The 40 points for a window of w x h pixels, in window coordinates. Each coordinate is a
    // twips constant, or the width or height in twips less a constant, divided by 15 and
    // rounded to the nearest integer (halves to even).
    static QPolygon OutlinePoints(int w, int h);

    // Applies the outline of the window's current outer size as its mask.
    void ShapeWindow(QWidget* window) const;
};

} // namespace drapix
