// The program's icon: a pale disc with a dark rim, a green leaf and a red stalk. The window
// icon (ProgramIcon) and the icon theme's files (packaging/make_icons.cpp) are both drawn from
// this one picture; it needs only Qt Gui, so that the build-time icon tool can use it too.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace meridane::program_icon {

// The picture on a square of side 1.
inline const QColor kRim(0x2F, 0x4F, 0x8F), kDisc(0xD5, 0xDE, 0xF2), kLeaf(0x3A, 0x8A, 0x4A),
    kStalk(0xC0, 0x20, 0x20);
inline constexpr qreal kRimWidth = 1.0 / 16, kStalkWidth = 1.0 / 20;
inline constexpr qreal kDiscInset = 1.0 / 16;
inline constexpr QPointF kLeafBase(0.30, 0.72), kLeafTip(0.74, 0.26);
// The leaf's two sides: base to tip, then tip back to the base, as cubic curves.
inline constexpr QPointF kUpper1(0.25, 0.35), kUpper2(0.55, 0.22);
inline constexpr QPointF kLower1(0.76, 0.50), kLower2(0.60, 0.72);
inline constexpr QPointF kStalkEnd(0.66, 0.34);

// Paints the picture into the square (0, 0, side, side) of p, antialiased.
inline void Paint(QPainter& p, qreal side) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRim, side * kRimWidth));
    p.setBrush(kDisc);
    p.drawEllipse(QRectF(side * kDiscInset, side * kDiscInset, side * (1 - 2 * kDiscInset),
                         side * (1 - 2 * kDiscInset)));
    QPainterPath leaf(side * kLeafBase);
    leaf.cubicTo(side * kUpper1, side * kUpper2, side * kLeafTip);
    leaf.cubicTo(side * kLower1, side * kLower2, side * kLeafBase);
    p.setPen(Qt::NoPen);
    p.setBrush(kLeaf);
    p.drawPath(leaf);
    p.setPen(QPen(kStalk, side * kStalkWidth));
    p.drawLine(side * kLeafBase, side * kStalkEnd);
}

} // namespace meridane::program_icon
