// Twips, the unit of stored extents and design coordinates: 15 to a pixel at 96 dots per inch.
#pragma once

#include <cmath>

namespace drapix {

inline constexpr int kTwipsPerPixel = 15;

// Whole pixels, the fraction dropped: design coordinates and stored extents.
constexpr int TwipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}

// The nearest pixel, an exact half to the even neighbour: lengths worked out at run time.
inline int TwipsToNearestPixel(double twips) {
    return int(std::nearbyint(twips / kTwipsPerPixel));
}

} // namespace drapix
