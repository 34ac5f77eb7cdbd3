#include "skin/system_menu.h"

#include "core/ambient.h"
#include "core/pictures.h"
#include "skin/skin_logic.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace drapix {

SystemMenuStyle::SystemMenuStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))),
      strip_(Picture(QStringLiteral("dlgAboutPicture1"))),
      normalGlyphs_(Picture(QStringLiteral("dlgAboutPicture2"))),
      highlightGlyphs_(Picture(QStringLiteral("dlgAboutPicture3"))),
      aboutFrames_(Picture(QStringLiteral("dlgAboutPicture4"))) {}

int SystemMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                 const QWidget* widget) const {
    switch (metric) {
    case PM_MenuPanelWidth:
    case PM_MenuHMargin:
    case PM_MenuVMargin:
    case PM_MenuDesktopFrameWidth:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize SystemMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                        const QSize& size, const QWidget* widget) const {
    if (type == CT_MenuItem) {
        const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const bool separator = mi && mi->menuItemType == QStyleOptionMenuItem::Separator;
        return MenuItemSize(separator ? 0 : 1);
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void SystemMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (element == PE_PanelMenu || element == PE_FrameMenu)
        return;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void SystemMenuStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
    const auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element == CE_MenuEmptyArea)
        return;
    if (element != CE_MenuItem || !mi) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect r = mi->rect;
    const int S = strip_.width();
    const bool separator = mi->menuItemType == QStyleOptionMenuItem::Separator;
    const bool disabled = !(mi->state & State_Enabled);
    const bool selected = (mi->state & State_Selected) && !separator;
    const MenuGlyph glyph = GlyphFor(mi->text);
    // The text as the menu holds it (its accelerator already set off by Rebuild).
    const QString text = mi->text;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
    painter->save();
    painter->setFont(NamedFont(QStringLiteral("宋体"), 9));
    const QRect textAt(r.left() + S + 3, r.top() + 2, r.right() + 1 - (r.left() + S + 3),
                       r.height() - 2);
    if (selected) {
        painter->fillRect(r, QColor(89, 105, 174));
        if (glyph == MenuGlyph::About) {
            if (!disabled)
                painter->drawPixmap(QPoint(r.left() + 4, r.top()), aboutFrames_,
                                    QRect(0, 0, 14, 18));
        } else if (glyph != MenuGlyph::None) {
            painter->drawPixmap(QPoint(r.left() + 4, r.top() + 5), highlightGlyphs_,
                                GlyphCell(glyph, disabled));
        }
        if (disabled) {
            painter->setPen(QColor(128, 128, 128));
            painter->drawText(textAt.translated(-1, 0), flags, text);
        } else {
            painter->setPen(Qt::white);
            painter->drawText(textAt, flags, text);
        }
        painter->restore();
        return;
    }
    painter->fillRect(QRect(r.left() + S, r.top(), r.width() - S, r.height()),
                      QColor(206, 218, 242));
    painter->drawPixmap(QPoint(0, r.top()), strip_, QRect(0, 0, S, r.height()));
    if (separator) {
        // An etched line along the top: shadow, then light.
        const int y = r.top() + 4;
        painter->setPen(QColor(128, 128, 128));
        painter->drawLine(r.left() + 4, y, r.right() - 4, y);
        painter->setPen(Qt::white);
        painter->drawLine(r.left() + 4, y + 1, r.right() - 4, y + 1);
        painter->restore();
        return;
    }
    if (glyph == MenuGlyph::About)
        painter->drawPixmap(QPoint(r.left() + 4, r.top()), aboutFrames_, QRect(0, 18, 14, 18));
    else if (glyph != MenuGlyph::None)
        painter->drawPixmap(QPoint(r.left() + 5, r.top() + 4), normalGlyphs_,
                            GlyphCell(glyph, disabled));
    if (disabled) {
        painter->setPen(Qt::white);
        painter->drawText(textAt.translated(0, 1), flags, text);
        painter->setPen(QColor(128, 128, 128));
        painter->drawText(textAt.translated(-1, 0), flags, text);
    } else {
        painter->setPen(Qt::black);
        painter->drawText(textAt, flags, text);
    }
    painter->restore();
}

SystemMenu::SystemMenu(QWidget* parent) : QMenu(parent) {
    auto* style = new SystemMenuStyle;
    style->setParent(this);
    setStyle(style);
}

void SystemMenu::Rebuild(const std::vector<SystemMenuItem>& items) {
    clear();
    for (const SystemMenuItem& item : items) {
        if (item.text.isEmpty()) {
            addSeparator();
            continue;
        }
        QAction* a = addAction(MenuItemText(item.text));
        a->setData(item.command);
        a->setEnabled(item.enabled);
    }
}

} // namespace drapix
