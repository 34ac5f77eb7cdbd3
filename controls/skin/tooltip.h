// Tooltip: the small pop-up over the skin's caption buttons. One per process, shared; topmost,
// never activated, as wide as its text needs.
#pragma once

#include "drapix_global.h"

#include <QWidget>

class QLabel;

namespace drapix {

class DRAPIX_EXPORT Tooltip : public QWidget {
    Q_OBJECT
public:
    Tooltip();
    QLabel* Label1;
    // Shows the text with its top-left corner at a screen point.
    void ShowText(const QString& text, QPoint at);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The shared window, created on first use.
DRAPIX_EXPORT Tooltip* TooltipWindow();
// Closes the shared window if it exists.
DRAPIX_EXPORT void CloseTooltip();
DRAPIX_EXPORT bool TooltipVisible();

} // namespace drapix
