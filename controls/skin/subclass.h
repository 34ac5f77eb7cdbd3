// The window helpers that the skin and the buttons share.
#pragma once

#include "drapix_global.h"

#include <QRect>

namespace drapix {

// Whether the mouse cursor lies inside the rectangle (screen coordinates; the right and bottom
// edges are outside, as for a window rectangle).
DRAPIX_EXPORT bool CursorInRect(const QRect& screenRect);

} // namespace drapix
