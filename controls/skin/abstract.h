// abstract: how the skin's window handling asks for a repaint of the frame and reports the
// caption-button state. The class itself does nothing; cNeoCaption supplies the behaviour.
#pragma once

#include "drapix_global.h"

class QWidget;

namespace drapix {

class DRAPIX_EXPORT abstract {
public:
    virtual ~abstract() = default;
    // Repaint the skin of the window.
    virtual void drawf(QWidget* hwnd) { (void)hwnd; }
    // The caption-button state code (0-7).
    virtual void buttonEstate(int butEstate) { (void)butEstate; }
};

} // namespace drapix
