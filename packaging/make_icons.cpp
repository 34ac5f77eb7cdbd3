// meridane-make-icons: draws the program's icon (the picture of its window icon: a pale disc,
// a green leaf and a red stalk) in the icon theme's sizes, as PNG files and as one SVG.
//   meridane-make-icons OUTDIR NAME   writes OUTDIR/hicolor/<n>x<n>/apps/NAME.png and
//                                     OUTDIR/hicolor/scalable/apps/NAME.svg
#include "shell/program_icon.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

using namespace meridane::program_icon;

QImage Draw(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    Paint(p, size);
    return image;
}

QString Svg() {
    constexpr qreal side = 256;
    const auto n = [](qreal v) { return QString::number(v * side, 'f', 2); };
    const auto pt = [&](QPointF q) { return n(q.x()) + QLatin1Char(',') + n(q.y()); };
    const qreal r = (1 - 2 * kDiscInset) / 2;
    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
                          "viewBox=\"0 0 256 256\">\n");
    svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%1\" r=\"%2\" fill=\"%3\" stroke=\"%4\" "
                          "stroke-width=\"%5\"/>\n")
               .arg(n(0.5), n(r), kDisc.name(), kRim.name(), n(kRimWidth));
    svg +=
        QStringLiteral("  <path d=\"M %1 C %2 %3 %4 C %5 %6 %1 Z\" fill=\"%7\" stroke=\"none\"/>\n")
            .arg(pt(kLeafBase), pt(kUpper1), pt(kUpper2), pt(kLeafTip), pt(kLower1), pt(kLower2),
                 kLeaf.name());
    svg += QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" "
                          "stroke-width=\"%6\"/>\n")
               .arg(n(kLeafBase.x()), n(kLeafBase.y()), n(kStalkEnd.x()), n(kStalkEnd.y()),
                    kStalk.name(), n(kStalkWidth));
    svg += QStringLiteral("</svg>\n");
    return svg;
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        std::fputs("usage: meridane-make-icons OUTDIR NAME\n", stderr);
        return 2;
    }
    const QDir out(args.at(0) + QStringLiteral("/hicolor"));
    const QString& name = args.at(1);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1x%1/apps").arg(size);
        if (!out.mkpath(dir) ||
            !Draw(size).save(out.filePath(dir + QLatin1Char('/') + name + QStringLiteral(".png"))))
            return 1;
    }
    QFile svg(out.filePath(QStringLiteral("scalable/apps/") + name + QStringLiteral(".svg")));
    if (!out.mkpath(QStringLiteral("scalable/apps")) || !svg.open(QIODevice::WriteOnly))
        return 1;
    svg.write(Svg().toUtf8());
    return 0;
}
