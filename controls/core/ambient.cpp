#include "core/ambient.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QPalette>

namespace drapix {

namespace {
bool g_userMode = true;
}

bool UserMode() {
    return g_userMode;
}

void SetUserMode(bool userMode) {
    g_userMode = userMode;
}

QFont NamedFont(const QString& family, qreal points, bool bold) {
    QFont f;
    QStringList families{family};
    if (family == QStringLiteral("宋体") ||
        family.compare(QLatin1String("SimSun"), Qt::CaseInsensitive) == 0)
        families << QStringLiteral("SimSun") << QStringLiteral("Noto Serif CJK SC")
                 << QStringLiteral("AR PL UMing CN");
    else
        families << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Noto Serif CJK SC");
    f.setFamilies(families);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QColor OleColor(quint32 value) {
    if ((value & 0xFF000000u) == 0x80000000u) {
        const QPalette pal = QApplication::palette();
        switch (value & 0xFFu) {
        case 0x05: // window
            return pal.color(QPalette::Base);
        case 0x08: // window text
            return pal.color(QPalette::WindowText);
        case 0x0D: // highlight
            return pal.color(QPalette::Highlight);
        case 0x0E: // highlight text
            return pal.color(QPalette::HighlightedText);
        case 0x0F: // button face
            return pal.color(QPalette::Button);
        case 0x11: // grey text
            return pal.color(QPalette::Disabled, QPalette::Text);
        case 0x12: // button text
            return pal.color(QPalette::ButtonText);
        case 0x17: // tooltip text
            return pal.color(QPalette::ToolTipText);
        case 0x18: // tooltip background
            return pal.color(QPalette::ToolTipBase);
        default:
            return pal.color(QPalette::WindowText);
        }
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

int MenuBarHeight() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return 0;
    QMenuBar bar;
    bar.addAction(QStringLiteral("M"));
    return bar.sizeHint().height();
}

} // namespace drapix
