#include "buttons/systray.h"

#include "buttons/about_dialog.h"
#include "core/ambient.h"
#include "core/live_objects.h"
#include "core/pictures.h"
#include "core/property_bag.h"
#include "core/twips.h"

#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cstdio>

using namespace drapix;

namespace drapix {

// What a tray control holds besides its widget.
class SysTrayPrivate {
public:
    NOTIFYICONDATA record_;
};

QWidget* NewSysTray(QWidget* parent) {
    return new SysTray(parent);
}

} // namespace drapix

SysTray::SysTray(QWidget* parent)
    : QWidget(parent), Timer1(new QTimer(this)), image1_(Picture(QStringLiteral("SysTrayIcon"))),
      design_(Picture(QStringLiteral("SysTrayDesign"))), d_(std::make_unique<SysTrayPrivate>()) {
    ObjectCreated();
    // A control made in code or by a form compiled from Designer's file is a newly placed one;
    // stored properties, where a form has them, are read over this state.
    InitProperties();
    // Whatever size the host gives: the design picture's 200 x 28 (3000 x 420 twips).
    setFixedSize(TwipsToPixels(3000), TwipsToPixels(420));
    // Invisible while the program runs.
    if (UserMode())
        hide();
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, &SysTray::attachStep);
    Timer1->start();
}

SysTray::~SysTray() {
    RemoveFromTray();
    ObjectDestroyed();
}

void SysTray::SetIcon(const QPixmap& picture) {
    image1_ = picture;
    emit PropertyChanged(QStringLiteral("Icon"));
}

void SysTray::SetCaption(const QString& caption) {
    caption_ = caption;
    emit PropertyChanged(QStringLiteral("Caption"));
}

int SysTray::MenuHeight() const {
    return MenuBarHeight();
}

const NOTIFYICONDATA& SysTray::iconRecord() const {
    return d_->record_;
}

bool SysTray::timerRunning() const {
    return Timer1->isActive();
}

void SysTray::attachStep() {
    // The host form: the window the control sits in.
    QWidget* host = parentWidget() ? window() : nullptr;
    if (!host)
        return;
    const QList<SysTray*> trays = host->findChildren<SysTray*>();
    if (trays.size() > 1) {
        // Every control of the form has found it: the form gets one warning, however quickly
        // it is closed.
        for (SysTray* t : trays)
            t->Timer1->stop();
        if (AboutDialogShown())
            return;
        ShowDuplicateWarning(kSysTrayProduct, kSysTrayDuplicateWarning, host);
        return; // the control may be gone by now
    }
    d_->record_.uFlags = 0;
    Shell_NotifyIcon(NIM_DELETE, d_->record_);
    UnhookTrayWindow(d_->record_.hWnd, this);
    if (!UserMode())
        return;
    host->winId(); // the host's native window, which the hook watches
    hostWindow_ = host;
    if (attachCounter_ == 0) {
        HookTrayWindow(this, host,
                       {[this](drapix::TrayEvent event) { RaiseTrayEvent(event); },
                        [this] { RemoveFromTray(); }});
        AddToTray();
        UpdateTrayTip();
    }
    attachCounter_ = qint16(std::min(attachCounter_ + 1, 1));
    Timer1->stop();
}

void SysTray::AddToTray() {
    d_->record_.uID = 0;
    d_->record_.hWnd = hostWindow_;
    d_->record_.cbSize = 88;
    d_->record_.hIcon = image1_;
    d_->record_.uCallbackMessage = TrayCallbackMessage;
    d_->record_.uFlags = NIF_MESSAGE | NIF_ICON;
    Shell_NotifyIcon(NIM_ADD, d_->record_);
}

void SysTray::UpdateTrayTip() {
    d_->record_.szTip = TrayTipField(caption_);
    d_->record_.uFlags = NIF_TIP;
    Shell_NotifyIcon(NIM_MODIFY, d_->record_);
}

void SysTray::RemoveFromTray() {
    // Called before the first attach, it keeps the icon away as well.
    Timer1->stop();
    d_->record_.uFlags = 0;
    Shell_NotifyIcon(NIM_DELETE, d_->record_);
    UnhookTrayWindow(d_->record_.hWnd, this);
}

void SysTray::RaiseTrayEvent(TrayEvent event) {
    switch (event) {
    case TrayEvent::rMouseDblClick:
        emit rMouseDblClick();
        break;
    case TrayEvent::lMouseDblClick:
        emit lMouseDblClick();
        break;
    case TrayEvent::lMouseDown:
        emit lMouseDown();
        break;
    case TrayEvent::rMouseDown:
        emit rMouseDown();
        break;
    }
    emit EventRaised(TrayEventName(event));
}

void SysTray::ShowAboutBox() {
    drapix::ShowAboutBox(QStringLiteral("关于Lustrane窗体托盘控件"), kSysTrayProduct, this);
}

void SysTray::InitProperties() {
    caption_ = kSysTrayStudioText;
}

bool SysTray::ReadProperties(const PropertyBag& bag) {
    const int before = int(bag.problems().size());
    caption_ = bag.ReadProperty(QStringLiteral("Caption"), kSysTrayStudioText).toString();
    const QImage picture =
        bag.ReadProperty(QStringLiteral("Icon"), PictureValue(QImage())).value<QImage>();
    SetIcon(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
    return bag.problems().size() == before;
}

void SysTray::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty(QStringLiteral("Caption"), caption_, kSysTrayStudioText);
    bag.WriteProperty(QStringLiteral("Icon"), PictureValue(image1_.toImage()),
                      PictureValue(QImage()));
}

void SysTray::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, design_);
}
