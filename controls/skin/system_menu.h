// The skin's system menu: a QMenu whose items are drawn by the skin (159 pixels wide, one menu
// line high, separators half; the side strip, the glyphs and the "关于" frames of the about
// dialog's pictures; the highlighted and normal looks; engraved text for disabled items).
// Qt's keyboard navigation and access keys stay.
#pragma once

#include "drapix_global.h"

#include <QMenu>
#include <QProxyStyle>
#include <vector>

namespace drapix {

struct SystemMenuItem {
    QString text; // empty: a separator
    int command;  // a system command, or 2003 for "关于"
    bool enabled;
};

class DRAPIX_EXPORT SystemMenuStyle : public QProxyStyle {
public:
    SystemMenuStyle();
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override;

private:
    QPixmap strip_, normalGlyphs_, highlightGlyphs_, aboutFrames_;
};

class DRAPIX_EXPORT SystemMenu : public QMenu {
    Q_OBJECT
public:
    explicit SystemMenu(QWidget* parent = nullptr);
    // Replaces the items; each action's data is its command. The text keeps its access key,
    // and a tab-separated accelerator is set off by four spaces.
    void Rebuild(const std::vector<SystemMenuItem>& items);
};

} // namespace drapix
