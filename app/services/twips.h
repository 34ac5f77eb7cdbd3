// Twips, the unit of the program's design coordinates: 15 to a pixel at 96 dots per inch.
#pragma once

#include <QtGlobal>

namespace meridane {

constexpr int kTwipsPerPixel = 15;

// The nearest whole pixel, a half away from zero: every window of the program places its
// controls, and draws, with this one conversion, whether the length is a design value or worked
// out as the window is resized.
inline int TwipsToPixels(double twips) {
    return qRound(twips / kTwipsPerPixel);
}

} // namespace meridane
