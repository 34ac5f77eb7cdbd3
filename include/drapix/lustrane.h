// <drapix/lustrane.h>: Lustrane, the form-skin control, and what a host form asks of its skin.
//
// Lustrane: the form-skin control. A form that carries one loses the window manager's frame and
// its menu bar and wears the skin: a painted caption with its own buttons, rims, a shaped
// outline, an owner-drawn system menu and tooltips over the caption buttons. The control itself
// is invisible in a running program; in a form designer it shows its 180 x 131 picture.
//
// Everything starts from its two timers: Timer1 (10 ms) waits until the form is visible, checks
// that the form holds no second Lustrane and attaches; Timer3 (800 ms) runs the tooltips.
#pragma once

#include <drapix/drapix_global.h>

#include <QMenuBar>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <functional>
#include <memory>

class QTimer;

namespace drapix {
class cNeoCaption;
class CutForm;
} // namespace drapix

/// The form-skin control: the form that holds it wears the skin once it is shown.
class DRAPIX_EXPORT Lustrane : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("formMenuHandle", "窗体菜单句柄")
    Q_CLASSINFO("setTransparency", "窗体透明")
    Q_CLASSINFO("setTopmost", "使窗体在最顶端")
    /// The height of a standard menu bar in pixels.
    Q_PROPERTY(int menuHeight READ MenuHeight STORED false)
    /// The built-in 87 x 23 menu-bar picture.
    Q_PROPERTY(QPixmap menuPicture READ MenuPicture STORED false)

public:
    /// A newly placed control: its attach timer runs, and it attaches to the form it is in once
    /// that form is shown.
    explicit Lustrane(QWidget* parent = nullptr);
    ~Lustrane() override;

    /// The menu bar taken from the form at attach (null before, or when it had none).
    QMenuBar* 窗体菜单句柄() const { return formMenu_; }
    /// One menu line: 20 pixels.
    int MenuHeight() const;
    /// The built-in 87 x 23 menu-bar picture.
    QPixmap MenuPicture() const;
    /// Makes the form translucent with alpha ClarityNumber (a value below 0 or above 255 becomes
    /// 255, in the caller's variable too) and pure blue transparent (where the platform can);
    /// bolClarity False makes it opaque again. True when the form is now translucent.
    bool 窗体透明(bool& bolClarity, short& ClarityNumber);
    /// True keeps the form above other windows; False takes that away and puts it at the bottom.
    void 使窗体在最顶端(bool& bolYesno);
    /// Shows the library's about box for the skin, modally.
    Q_INVOKABLE void ShowAboutBox();

    /// The host form (null before the first attach), and where the control stands.
    QWidget* hostWindow() const { return host_; }
    /// Whether the control has attached to its form.
    bool attached() const { return attachTicks_ != 0 || caption_ != nullptr; }
    /// What the attach added to the form's size (0 x 0 before the form has grown).
    QSize frameGrowth() const { return growth_; }
    /// The attach timer's ticks since the attach (0 before).
    int attachTicks() const { return attachTicks_; }
    /// Whether a caption button's tooltip is shown.
    bool tooltipShown() const { return tooltipShown_; }
    /// The attach timer (10 ms), running until the control has attached.
    QTimer* timer1() const { return timer1_; }
    /// The tooltip timer (800 ms), running after the attach.
    QTimer* timer3() const { return timer3_; }
    /// The caption drawer (the library's own; its tests read it).
    drapix::cNeoCaption* caption() const { return caption_.get(); }

    /// The timers' work (public for tests, which tick them by hand).
    void Timer1Timer();
    void Timer3Timer();

    QSize sizeHint() const override { return {180, 131}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void attach(QWidget* form);
    QWidget* parentForm() const;

    std::unique_ptr<drapix::cNeoCaption> caption_;
    QPointer<QWidget> host_;
    int attachTicks_ = 0;
    std::unique_ptr<drapix::CutForm> cutForm_;
    bool tooltipShown_ = false;
    QPointer<QMenuBar> formMenu_;
    bool formHasMenu_ = false;
    QSize growth_{0, 0};
    QTimer* timer1_;
    QTimer* timer3_;
};

namespace drapix {

/// What a host form asks of its skin. A form without a skin control keeps the window manager's
/// frame, and the answers are the ones for that frame.

/// Whether the form holds a skin control.
DRAPIX_EXPORT bool HasSkin(const QWidget* form);
/// What the skin added to the form's size (0 x 0 without a skin, or before the form has grown).
DRAPIX_EXPORT QSize FrameGrowth(const QWidget* form);
/// What the skin will add to a form of that size when it attaches (0 x 0 without a skin).
DRAPIX_EXPORT QSize PlannedFrameGrowth(const QWidget* form, QSize size);
/// The size the form's layout should use: its outer size as designed, that is without the skin's
/// growth, or with the window manager's frame around it when the form has no skin.
DRAPIX_EXPORT QSize LayoutSize(const QWidget* form);

/// How often, and how many times, WhenFrameKnown looks for the frame (two seconds in all).
inline constexpr int kFrameWatchMs = 20;
inline constexpr int kFrameWatchTicks = 100;
/// Whether the form's frame is known: the skin's, once it has attached; without a skin, the
/// window manager's, once it has reported its margins.
DRAPIX_EXPORT bool FrameKnown(const QWidget* form);
/// Calls then (once, on the form's thread) as soon as the frame is known, or when the watch
/// gives up; the argument says which. Nothing is called when the form goes first.
DRAPIX_EXPORT void WhenFrameKnown(QWidget* form, std::function<void(bool known)> then);

/// Whether the form's skin keeps it maximized (the skin keeps its own placement); false for a
/// form without a skin, whose window manager's state QWidget::isMaximized() tells.
DRAPIX_EXPORT bool IsZoomed(const QWidget* form);
/// The form's rectangle when it is not maximized: the one a restore brings back while the skin
/// keeps it maximized, the form's own otherwise.
DRAPIX_EXPORT QRect RestoredGeometry(const QWidget* form);
/// Maximizes the form: through its skin when it wears one, else through the window manager.
DRAPIX_EXPORT void ShowMaximized(QWidget* form);

} // namespace drapix
