#include "skin/tooltip.h"

#include "core/ambient.h"
#include "core/twips.h"

#include <QLabel>
#include <QPainter>
#include <QPointer>

namespace drapix {

namespace {
QPointer<Tooltip> g_tooltip;
}

Tooltip::Tooltip()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("Tooltip"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose, false);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, OleColor(0x80000018));
    setPalette(pal);
    setAutoFillBackground(true);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(NamedFont(QStringLiteral("宋体"), 9));
    QPalette text = Label1->palette();
    text.setColor(QPalette::WindowText, OleColor(0x80000017));
    Label1->setPalette(text);
    Label1->move(TwipsToPixels(60), TwipsToPixels(35));
}

void Tooltip::ShowText(const QString& text, QPoint at) {
    Label1->setText(text);
    Label1->adjustSize();
    // The width follows the text: the label and 140 twips.
    resize(Label1->width() + TwipsToPixels(140), Label1->height() + 2 * TwipsToPixels(35));
    move(at);
    show();
    raise();
}

void Tooltip::paintEvent(QPaintEvent*) {
    // Shape1: the outline.
    QPainter p(this);
    p.setPen(QColor(0, 0, 0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

Tooltip* TooltipWindow() {
    if (!g_tooltip)
        g_tooltip = new Tooltip;
    return g_tooltip;
}

void CloseTooltip() {
    if (g_tooltip)
        g_tooltip->close();
}

bool TooltipVisible() {
    return g_tooltip && g_tooltip->isVisible();
}

} // namespace drapix
