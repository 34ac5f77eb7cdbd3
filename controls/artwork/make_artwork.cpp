// drapix-artwork: draws every picture of the library's table into an image file of its size
// and writes the resource list that the library embeds. A file of the same name in the
// "drawn" folder (hand-drawn artwork) is copied instead, after its size has been checked.
//
//   drapix-artwork --out DIR [--drawn DIR]
#include "artwork/artwork_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>

using namespace drapix;

namespace {

QColor Mix(QRgb a, QRgb b, double t) {
    const auto c = [t](int x, int y) { return int(x + (y - x) * t + 0.5); };
    return QColor(c(qRed(a), qRed(b)), c(qGreen(a), qGreen(b)), c(qBlue(a), qBlue(b)));
}

// Border, top and bottom rows, an inner ring down the sides and a body shaded from the top
// colour through the body colour (exactly at the middle row) to the bottom colour.
QImage DrawFace(const PictureInfo& p) {
    const FaceColours& f = *p.face;
    const int w = p.width, h = p.height, mid = h / 2;
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        QColor row;
        if (y == 1)
            row = QColor(f.top);
        else if (y == h - 2)
            row = QColor(f.bottom);
        else if (y <= 0)
            row = Mix(f.top, 0xFFFFFF, 0.3);
        else if (y >= h - 1)
            row = Mix(f.bottom, 0x000000, 0.1);
        else if (y <= mid)
            row = Mix(f.top, f.body, double(y - 1) / double(mid - 1));
        else
            row = Mix(f.body, f.bottom, double(y - mid) / double(h - 2 - mid));
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, row.rgb());
    }
    if (f.ring) {
        for (int y = 2; y <= h - 3; ++y) {
            img.setPixel(1, y, *f.ring);
            img.setPixel(w - 2, y, *f.ring);
        }
    }
    if (f.border) {
        for (int x = 1; x < w - 1; ++x) {
            img.setPixel(x, 0, *f.border);
            img.setPixel(x, h - 1, *f.border);
        }
        for (int y = 1; y < h - 1; ++y) {
            img.setPixel(0, y, *f.border);
            img.setPixel(w - 1, y, *f.border);
        }
        // Softened corners.
        const QRgb corner = Mix(*f.border, f.body, 0.6).rgb();
        for (const QPoint c :
             {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)})
            img.setPixel(c, corner);
    }
    return img;
}

const QColor kCaptionDark(0x1E, 0x4E, 0xA8);
const QColor kCaptionLight(0x6E, 0x9C, 0xE4);
const QColor kBody(0xD5, 0xDE, 0xF2);

void PaintStripBackground(QPainter& g, int w, int h) {
    QLinearGradient band(0, 0, 0, h);
    band.setColorAt(0, kCaptionLight);
    band.setColorAt(0.5, kCaptionDark);
    band.setColorAt(1, QColor(0x2A, 0x5C, 0xB8));
    g.fillRect(0, 13, w, h - 13, band);
    // The tab at the top right that carries the caption buttons.
    QPainterPath tab;
    tab.moveTo(w - 131, 14);
    tab.cubicTo(w - 118, 13, w - 110, 0, w - 98, 0);
    tab.lineTo(w - 8, 0);
    tab.quadTo(w, 0, w, 8);
    tab.lineTo(w, 14);
    tab.closeSubpath();
    g.fillPath(tab, band);
    g.setPen(QColor(0xB8, 0xD0, 0xF4));
    g.drawLine(7, 13, w - 131, 13);
}

enum class Glyph { Minimize, Maximize, Restore, Close };

void PaintRoundButton(QPainter& g, QRectF r, Glyph glyph, int state) {
    QColor base = glyph == Glyph::Close ? QColor(0xD8, 0x4A, 0x3A) : QColor(0x3F, 0x7F, 0xD6);
    if (state & StateHover)
        base = base.lighter(130);
    if (state & StatePressed)
        base = base.darker(130);
    const QRectF disc = r.adjusted(2, 2, -2, -2);
    QRadialGradient shine(disc.center() - QPointF(0, disc.height() / 4), disc.width() / 1.4);
    shine.setColorAt(0, base.lighter(160));
    shine.setColorAt(1, base);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(base.darker(160), 1));
    g.setBrush(shine);
    g.drawEllipse(disc);
    g.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    g.setBrush(Qt::NoBrush);
    const QPointF c = disc.center();
    const double s = disc.width() / 5;
    switch (glyph) {
    case Glyph::Minimize:
        g.drawLine(QPointF(c.x() - s, c.y() + s / 2), QPointF(c.x() + s, c.y() + s / 2));
        break;
    case Glyph::Maximize:
        g.drawRect(QRectF(c.x() - s, c.y() - s, 2 * s, 2 * s));
        break;
    case Glyph::Restore:
        g.drawRect(QRectF(c.x() - s, c.y() - s / 2, 1.5 * s, 1.5 * s));
        g.drawLine(QPointF(c.x() - s / 2, c.y() - s), QPointF(c.x() + s, c.y() - s));
        g.drawLine(QPointF(c.x() + s, c.y() - s), QPointF(c.x() + s, c.y() + s / 2));
        break;
    case Glyph::Close:
        g.drawLine(c + QPointF(-s, -s), c + QPointF(s, s));
        g.drawLine(c + QPointF(-s, s), c + QPointF(s, -s));
        break;
    }
    g.setRenderHint(QPainter::Antialiasing, false);
}

// The caption buttons sit where the frame painter puts their overlays: close at W - 38,
// maximize at W - 66, minimize at W - 95.
void PaintCaptionButtons(QPainter& g, int w, int flags) {
    const QRectF close(w - 38, 9, 28, 28), max(w - 66, 11, 25, 25), min(w - 95, 11, 25, 25);
    PaintRoundButton(g, close, Glyph::Close, 0);
    if (flags & HasMaximize)
        PaintRoundButton(g, max, (flags & Maximized) ? Glyph::Restore : Glyph::Maximize, 0);
    if (flags & HasMinimize)
        PaintRoundButton(g, min, Glyph::Minimize, 0);
}

QImage NewImage(const PictureInfo& p, QColor fill = Qt::transparent) {
    QImage img(p.width, p.height, QImage::Format_ARGB32_Premultiplied);
    img.fill(fill);
    return img;
}

QImage DrawStrip(const PictureInfo& p) {
    QImage img = NewImage(p);
    QPainter g(&img);
    PaintStripBackground(g, p.width, p.height);
    // The caption tab at the left, under the form's icon.
    g.fillRect(0, 14, 25, p.height - 14, kCaptionDark.darker(115));
    PaintCaptionButtons(g, p.width, p.flags);
    return img;
}

QImage DrawRim(const PictureInfo& p) {
    QImage img = NewImage(p, kBody);
    QPainter g(&img);
    const bool vertical = p.kind != PictureKind::BottomRim;
    QLinearGradient shade =
        vertical ? QLinearGradient(0, 0, p.width, 0) : QLinearGradient(0, 0, 0, p.height);
    const bool outerFirst = p.kind == PictureKind::LeftRim;
    shade.setColorAt(outerFirst ? 0 : 1, kCaptionDark);
    shade.setColorAt(outerFirst ? 1 : 0, kCaptionLight);
    g.fillRect(img.rect(), shade);
    g.setPen(kCaptionDark.darker(140));
    if (p.kind == PictureKind::LeftRim)
        g.drawLine(0, 0, 0, p.height - 1);
    else if (p.kind == PictureKind::RightRim)
        g.drawLine(p.width - 1, 0, p.width - 1, p.height - 1);
    else
        g.drawLine(0, p.height - 1, p.width - 1, p.height - 1);
    return img;
}

QImage DrawCaptionButton(const PictureInfo& p) {
    QImage img = NewImage(p);
    QPainter g(&img);
    PaintStripBackground(g, 131 + p.width, p.height);
    Glyph glyph = Glyph::Close;
    if (p.flags & MinimizeButton)
        glyph = Glyph::Minimize;
    else if (p.flags & MaximizeButton)
        glyph = Glyph::Maximize;
    else if (p.flags & RestoreButton)
        glyph = Glyph::Restore;
    img.fill(Qt::transparent);
    QLinearGradient band(0, 0, 0, p.height);
    band.setColorAt(0, kCaptionLight);
    band.setColorAt(0.5, kCaptionDark);
    band.setColorAt(1, QColor(0x2A, 0x5C, 0xB8));
    g.fillRect(img.rect(), band);
    const QRectF r = glyph == Glyph::Close ? QRectF(0, 9, 28, 28) : QRectF(0, 11, 25, 25);
    PaintRoundButton(g, r, glyph, p.flags);
    return img;
}

QImage DrawSkinDesign(const PictureInfo& p) {
    QImage img = NewImage(p, kBody);
    QPainter g(&img);
    g.fillRect(0, 0, p.width, 13, Qt::transparent);
    PaintStripBackground(g, p.width, 46);
    PaintCaptionButtons(g, p.width, HasMinimize | HasMaximize);
    g.setPen(Qt::white);
    g.drawText(QRect(8, 14, p.width - 100, 30), Qt::AlignVCenter, QStringLiteral("Lustrane"));
    g.setPen(kCaptionDark);
    g.drawRect(0, 46, p.width - 1, p.height - 47);
    return img;
}

QImage DrawTrayIcon(const PictureInfo& p) {
    QImage img = NewImage(p);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    QRadialGradient r(QPointF(18, 16), 34);
    r.setColorAt(0, kCaptionLight.lighter(150));
    r.setColorAt(1, kCaptionDark);
    g.setBrush(r);
    g.setPen(QPen(kCaptionDark.darker(150), 2));
    g.drawRoundedRect(QRectF(3, 3, 42, 42), 10, 10);
    g.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(16, 14, 16, 34);
    g.drawArc(QRectF(8, 14, 24, 20), -90 * 16, 180 * 16);
    g.end();
    // 256 colours, as the icon format of the tray expects.
    return img.convertToFormat(QImage::Format_Indexed8);
}

QImage DrawTrayDesign(const PictureInfo& p) {
    QImage img = NewImage(p, QColor(0xD4, 0xD0, 0xC8));
    QPainter g(&img);
    g.setPen(QColor(0x80, 0x80, 0x80));
    g.drawRect(0, 0, p.width - 1, p.height - 1);
    const QColor icons[] = {QColor(0x3F, 0x7F, 0xD6), QColor(0x4C, 0xA8, 0x4C),
                            QColor(0xD8, 0x8A, 0x2A)};
    for (int i = 0; i < 3; ++i)
        g.fillRect(6 + 20 * i, 6, 16, 16, icons[i]);
    g.setPen(Qt::black);
    g.drawText(QRect(68, 0, p.width - 72, p.height), Qt::AlignVCenter,
               QStringLiteral("Lustrane窗体控件"));
    return img;
}

QImage DrawAboutBack(const PictureInfo& p) {
    QImage img = NewImage(p, kBody);
    QPainter g(&img);
    g.fillRect(0, 0, p.width, 13, Qt::transparent);
    PaintStripBackground(g, p.width, 46);
    // The blue caption tab at the top left.
    QPainterPath tab;
    tab.moveTo(0, 46);
    tab.lineTo(0, 19);
    tab.quadTo(0, 13, 7, 13);
    tab.lineTo(150, 13);
    tab.cubicTo(165, 13, 170, 30, 185, 30);
    tab.lineTo(185, 46);
    tab.closeSubpath();
    g.fillPath(tab, kCaptionDark.darker(110));
    PaintCaptionButtons(g, p.width, HasMinimize | HasMaximize);
    g.setPen(QColor(0x9D, 0xB2, 0xDC));
    g.drawRect(0, 46, p.width - 1, p.height - 47);
    return img;
}

QImage DrawLogo(const PictureInfo& p) {
    QImage img = NewImage(p, kBody);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    QLinearGradient r(0, 0, 0, 40);
    r.setColorAt(0, kCaptionLight);
    r.setColorAt(1, kCaptionDark);
    g.setBrush(r);
    g.setPen(Qt::NoPen);
    g.drawEllipse(QRectF(34, 2, 36, 36));
    g.setPen(QPen(Qt::white, 3));
    g.drawArc(QRectF(42, 10, 20, 20), 30 * 16, 300 * 16);
    QFont f;
    f.setPixelSize(15);
    f.setBold(true);
    g.setFont(f);
    g.setPen(kCaptionDark);
    g.drawText(QRect(0, 40, p.width, 20), Qt::AlignCenter, QStringLiteral("Drapix"));
    return img;
}

QImage DrawMenuStrip(const PictureInfo& p) {
    QImage img = NewImage(p);
    QPainter g(&img);
    QLinearGradient r(0, 0, 0, p.height);
    r.setColorAt(0, kCaptionLight);
    r.setColorAt(1, kCaptionDark);
    g.fillRect(img.rect(), r);
    g.translate(p.width / 2 + 5, p.height - 6);
    g.rotate(-90);
    QFont f;
    f.setPixelSize(13);
    f.setBold(true);
    g.setFont(f);
    g.setPen(Qt::white);
    g.drawText(0, 0, QStringLiteral("Lustrane"));
    return img;
}

// Picture2 and Picture3: two columns (enabled, disabled) of four 10 x 10 glyphs (restore,
// minimize, maximize, close). Picture4: two 14 x 18 frames of the "about" item's mark.
QImage DrawMenuGlyphs(const PictureInfo& p) {
    QImage img = NewImage(p, QColor(0xCE, 0xDA, 0xF2));
    QPainter g(&img);
    if (p.width == 14) {
        for (int i = 0; i < 2; ++i) {
            const QRect frame(0, 18 * i, 14, 18);
            g.fillRect(frame, i == 0 ? QColor(0x31, 0x6A, 0xC5) : QColor(0xCE, 0xDA, 0xF2));
            g.setPen(i == 0 ? Qt::white : kCaptionDark);
            g.drawEllipse(frame.adjusted(2, 3, -3, -4));
            g.drawLine(frame.center().x(), frame.top() + 7, frame.center().x(), frame.top() + 12);
        }
        return img;
    }
    const bool highlighted = p.flags & StateHover;
    if (highlighted)
        img.fill(QColor(0x31, 0x6A, 0xC5));
    for (int col = 0; col < 2; ++col) {
        const QColor ink = col == 1 ? QColor(0xA0, 0xA0, 0xA0)
                                    : (highlighted ? QColor(Qt::white) : QColor(Qt::black));
        g.setPen(ink);
        const int x = 10 * col;
        g.drawRect(x + 2, 4, 4, 4); // restore
        g.drawLine(x + 4, 2, x + 8, 2);
        g.drawLine(x + 8, 2, x + 8, 6);
        g.drawLine(x + 2, 17, x + 7, 17); // minimize
        g.drawRect(x + 2, 22, 6, 6);      // maximize
        g.drawLine(x + 2, 32, x + 7, 37); // close
        g.drawLine(x + 2, 37, x + 7, 32);
    }
    return img;
}

QImage DrawToolbox(const PictureInfo& p) {
    QImage img(p.width, p.height, QImage::Format_RGB888);
    img.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter g(&img);
    if (p.flags & ForCommand) {
        g.fillRect(1, 3, 14, 9, QColor(0xE3, 0xE7, 0xF4));
        g.setPen(QColor(0x5D, 0x69, 0x6E));
        g.drawRect(1, 3, 13, 8);
        g.fillRect(4, 7, 8, 1, QColor(0x30, 0x30, 0x30));
    } else if (p.flags & ForSysTray) {
        g.fillRect(0, 9, 16, 6, QColor(0xD4, 0xD0, 0xC8));
        g.fillRect(2, 10, 4, 4, QColor(0x3F, 0x7F, 0xD6));
        g.fillRect(7, 10, 4, 4, QColor(0x4C, 0xA8, 0x4C));
        g.setPen(QColor(0x1E, 0x4E, 0xA8));
        g.drawRect(3, 1, 9, 6);
    } else {
        g.fillRect(1, 1, 14, 4, kCaptionDark);
        g.fillRect(1, 5, 14, 9, kBody);
        g.setPen(kCaptionDark);
        g.drawRect(1, 1, 13, 12);
        g.fillRect(11, 2, 2, 2, QColor(0xD8, 0x4A, 0x3A));
    }
    return img;
}

QImage Draw(const PictureInfo& p) {
    switch (p.kind) {
    case PictureKind::ButtonFace:
        return DrawFace(p);
    case PictureKind::CaptionStrip:
        return DrawStrip(p);
    case PictureKind::LeftRim:
    case PictureKind::RightRim:
    case PictureKind::BottomRim:
        return DrawRim(p);
    case PictureKind::CaptionButton:
        return DrawCaptionButton(p);
    case PictureKind::SkinDesign:
        return DrawSkinDesign(p);
    case PictureKind::TrayIcon:
        return DrawTrayIcon(p);
    case PictureKind::TrayDesign:
        return DrawTrayDesign(p);
    case PictureKind::AboutBack:
        return DrawAboutBack(p);
    case PictureKind::AboutLogo:
        return DrawLogo(p);
    case PictureKind::MenuStrip:
        return DrawMenuStrip(p);
    case PictureKind::MenuGlyphs:
        return DrawMenuGlyphs(p);
    case PictureKind::ToolboxBitmap:
        return DrawToolbox(p);
    }
    return {};
}

int Fail(const QString& message) {
    std::fprintf(stderr, "drapix-artwork: %s\n", qPrintable(message));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QString out, drawn;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--out"))
            out = args[i + 1];
        else if (args[i] == QLatin1String("--drawn"))
            drawn = args[i + 1];
        else
            return Fail(QStringLiteral("unknown argument ") + args[i]);
    }
    if (out.isEmpty())
        return Fail(QStringLiteral("usage: drapix-artwork --out DIR [--drawn DIR]"));
    if (!QDir().mkpath(out))
        return Fail(QStringLiteral("cannot make ") + out);

    QString qrc = QStringLiteral("<RCC>\n  <qresource prefix=\"/drapix/pictures\">\n");
    for (const PictureInfo& p : Pictures()) {
        const QString target = QDir(out).filePath(p.fileName());
        const QString handDrawn = drawn.isEmpty() ? QString() : QDir(drawn).filePath(p.fileName());
        if (!handDrawn.isEmpty() && QFileInfo::exists(handDrawn)) {
            const QImage img(handDrawn);
            if (img.width() != p.width || img.height() != p.height)
                return Fail(QStringLiteral("%1 is %2 x %3, not %4 x %5")
                                .arg(handDrawn)
                                .arg(img.width())
                                .arg(img.height())
                                .arg(p.width)
                                .arg(p.height));
            QFile::remove(target);
            if (!QFile::copy(handDrawn, target))
                return Fail(QStringLiteral("cannot copy ") + handDrawn);
        } else {
            const QImage img = Draw(p);
            const char* format = p.kind == PictureKind::ToolboxBitmap ? "BMP" : "PNG";
            if (img.size() != QSize(p.width, p.height) || !img.save(target, format))
                return Fail(QStringLiteral("cannot write ") + target);
        }
        qrc += QStringLiteral("    <file>%1</file>\n").arg(p.fileName());
    }
    qrc += QStringLiteral("  </qresource>\n</RCC>\n");

    // Written only when it changes, so that an unchanged list compiles nothing again.
    const QString qrcPath = QDir(out).filePath(QStringLiteral("drapix_artwork.qrc"));
    QFile old(qrcPath);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == qrc.toUtf8())
        return 0;
    QSaveFile file(qrcPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(qrc.toUtf8()) < 0 || !file.commit())
        return Fail(QStringLiteral("cannot write ") + qrcPath);
    return 0;
}
