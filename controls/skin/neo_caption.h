// cNeoCaption: the painter bound to one skinned window. It keeps the skin's pictures, hooks the
// window on Attach, chooses the caption strip for the window's buttons and state, and answers
// the window handling's requests through abstract.
#pragma once

#include "skin/abstract.h"
#include "skin/draw_form.h"
#include "skin/skin_logic.h"

#include <QPixmap>
#include <QPointer>
#include <memory>

class QPainter;

namespace drapix {

class SkinWindow;

class DRAPIX_EXPORT cNeoCaption : public abstract {
public:
    cNeoCaption();
    ~cNeoCaption() override;

    // Takes the window's frame, stores the pictures, installs the skin's window handling (with
    // this object as its callback target) and holds the window's updates until the first drawf.
    // kind: the window's kind, read before the frame was taken.
    void Attach(QWidget* f, const QPixmap& pictop, const QPixmap& PicLeft, const QPixmap& PicRight,
                const QPixmap& PicBottom, const WindowKind& kind);
    void picf(const QPixmap& pic1, const QPixmap& pic2, const QPixmap& pic3);
    void imgClose(const QPixmap& img1, const QPixmap& img2);
    void imgmin(const QPixmap& img1, const QPixmap& img2);
    void imgMax(const QPixmap& img1, const QPixmap& img2);
    void maxminImage(const QPixmap& img1, const QPixmap& img2, const QPixmap& img3);
    void imgyesno(const QPixmap& img1, const QPixmap& img2);

    void drawf(QWidget* hwnd) override;
    void buttonEstate(int butEstate) override;

    // Paints the frame in the order left rim, right rim, bottom, caption (the skin's frame
    // widget calls it from its paint event).
    void Paint(QPainter& p, QSize window);

    cDraw_form* drawer();
    bool locked() const { return locked_; }
    // The strip chosen by the last drawf.
    Strip strip() const { return strip_; }

private:
    std::unique_ptr<cDraw_form> drawer_;
    QPointer<QWidget> window_;
    bool locked_ = false;
    WindowKind kind_;
    Strip strip_ = Strip::Normal;
    QPixmap top_, left_, right_, bottom_;
    QPixmap noMin_, noMax_, noBoth_;
    QPixmap maximized_, maximizedNoMin_;
};

} // namespace drapix
