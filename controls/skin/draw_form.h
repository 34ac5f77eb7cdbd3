// cDraw_form: the drawing engine of the skin. Each frame piece (the caption strip with its text,
// icon and button overlay; the bottom rim; the left and right rims) is composed off-screen and
// reaches the window in one copy.
#pragma once

#include "drapix_global.h"

#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPainter;

namespace drapix {

class DRAPIX_EXPORT cDraw_form {
public:
    QPointer<QWidget> fatherFormHwnd; // the window being painted
    QIcon form_icon;                  // the icon of the caption

    void SetTop(const QPixmap& p) { top_ = p; }
    void SetBottom(const QPixmap& p) { bottom_ = p; }
    void SetLeft(const QPixmap& p) { left_ = p; }
    void SetRight(const QPixmap& p) { right_ = p; }
    void SetClose(const QPixmap& hover, const QPixmap& pressed);
    void SetMinimize(const QPixmap& hover, const QPixmap& pressed);
    void SetMaximize(const QPixmap& hover, const QPixmap& pressed);
    void SetRestore(const QPixmap& pressed, const QPixmap& hover, const QPixmap& normal);
    void SetButtonState(int state) { state_ = state; }
    int buttonState() const { return state_; }
    const QPixmap& top() const { return top_; }

    // The caption text read by the last caption repaint.
    QString captionText() const { return caption_; }
    // The sizes recorded by the last caption and bottom repaints (empty before them).
    QSize topSize() const { return topSize_; }
    QSize bottomSize() const { return bottomSize_; }

    // The pieces, composed off-screen. window: the window's size; active: the window is the
    // active one; maximized: the window is maximized (restore pictures instead of maximize).
    QPixmap ComposeTop(QSize window, bool active, bool maximized);
    QPixmap ComposeBottom(QSize window);
    QPixmap ComposeRim(QSize window, const QPixmap& rim);

    // Each composes its piece and copies it onto the painter (window coordinates).
    void DrawTop(QPainter& p, QSize window, bool active, bool maximized);
    void DrawBottom(QPainter& p, QSize window);
    void DrawLeftRim(QPainter& p, QSize window);
    void DrawRightRim(QPainter& p, QSize window);
    // The button overlay of the current state onto a composed caption strip.
    void DrawCaptionButton(QPainter& strip, int w, bool maximized) const;

private:
    QPixmap top_, bottom_, left_, right_;
    QPixmap closeHover_, closePressed_, minHover_, minPressed_, maxHover_, maxPressed_;
    QPixmap restorePressed_, restoreHover_, restoreNormal_;
    int state_ = 0;
    QString caption_;
    QSize topSize_{0, 0};
    QSize bottomSize_{0, 0};
};

} // namespace drapix
