#include "core/cut_form.h"

#include "core/twips.h"

#include <QRegion>
#include <QWidget>
#include <cmath>

namespace drapix {

namespace {

// A coordinate in twips: a constant (fromEnd false) or the window's extent less a constant.
struct Twips {
    bool fromEnd;
    int k;
};

constexpr Twips C(int k) {
    return {false, k};
}
constexpr Twips E(int k) {
    return {true, k};
}

struct TwipsPoint {
    Twips x, y;
};

// The outline, designed in twips.
constexpr TwipsPoint kOutline[40] = {
    {C(2490), C(195)}, {C(100), C(195)},  {C(40), C(220)},   {C(35), C(235)},   {C(0), C(280)},
    {C(0), C(270)},    {C(0), C(285)},    {C(0), E(275)},    {C(100), E(165)},  {C(100), E(100)},
    {C(100), E(90)},   {C(195), E(0)},    {C(195), E(15)},   {E(150), E(0)},    {E(115), E(20)},
    {E(60), E(60)},    {E(30), E(90)},    {E(15), E(90)},    {E(15), E(135)},   {E(0), E(0)},
    {E(0), C(120)},    {E(15), C(105)},   {E(25), C(75)},    {E(45), C(45)},    {E(90), C(15)},
    {E(120), C(15)},   {E(135), C(0)},    {E(165), C(0)},    {E(1515), C(0)},   {E(1500), C(0)},
    {E(1590), C(35)},  {E(1620), C(55)},  {E(1645), C(95)},  {E(1680), C(105)}, {E(1740), C(165)},
    {E(1785), C(165)}, {E(1815), C(165)}, {E(1860), C(175)}, {E(1935), C(195)}, {C(2550), C(195)},
};

int ToPixels(Twips t, float extent) {
    // Single precision as the window rectangle is held; nearest, halves to even.
    const float twips = t.fromEnd ? extent * float(kTwipsPerPixel) - float(t.k) : float(t.k);
    return TwipsToNearestPixel(twips);
}

} // namespace

QPolygon CutForm::OutlinePoints(int w, int h) {
    QPolygon points(40);
    for (int i = 0; i < 40; ++i)
        points[i] = QPoint(ToPixels(kOutline[i].x, float(w)), ToPixels(kOutline[i].y, float(h)));
    return points;
}

void CutForm::ShapeWindow(QWidget* window) const {
    if (!window)
        return;
    const QSize size = window->isWindow() ? window->frameGeometry().size() : window->size();
    window->setMask(QRegion(OutlinePoints(size.width(), size.height()), Qt::WindingFill));
}

} // namespace drapix
