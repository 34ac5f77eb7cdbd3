// <drapix/systray.h>: SysTray, one icon for its host form in the notification area, with a
// tip, and the icon's left and right releases and double clicks as four events. Invisible while
// the program runs; in a form designer it shows its 200 x 28 design picture.
//
// On the first tick of its 10 ms timer in a running program the control attaches itself: it
// watches the host window and adds the icon. A host form that holds more than one SysTray gets
// the library's duplicate warning instead, and no icon.
#pragma once

#include <drapix/drapix_global.h>

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

class QTimer;

namespace drapix {
class PropertyBag;
struct NOTIFYICONDATA;
enum class TrayEvent;
class SysTrayPrivate;
} // namespace drapix

/// The notification-area icon of its host form.
class DRAPIX_EXPORT SysTray : public QWidget {
    Q_OBJECT
    /// The icon shown in the notification area.
    Q_PROPERTY(QPixmap icon READ Icon WRITE setIcon)
    /// The tip shown over the icon (64 characters at most are shown).
    Q_PROPERTY(QString caption READ Caption WRITE setCaption)
    /// The height of a standard menu bar in pixels.
    Q_PROPERTY(int menuHeight READ MenuHeight STORED false)

public:
    /// A newly placed control: the built-in icon and the library's studio text as its tip.
    explicit SysTray(QWidget* parent = nullptr);
    ~SysTray() override;

    /// The tray icon. Setting it does not change an icon already shown.
    QPixmap Icon() const { return image1_; }
    void SetIcon(const QPixmap& picture);
    void setIcon(const QPixmap& picture) { SetIcon(picture); }
    /// The tip text. Setting it does not change a tip already shown.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    void setCaption(const QString& caption) { SetCaption(caption); }
    /// The height of a menu bar; 0 when it cannot be measured.
    int MenuHeight() const;

    /// Takes the icon out of the notification area and the hook off the host window. The icon
    // stays away: the control does not attach again.
    Q_INVOKABLE void RemoveFromTray();
    /// Shows the library's about box for the tray control, modally.
    Q_INVOKABLE void ShowAboutBox();

    /// The newly placed state again: the library's studio text as the tip.
    void InitProperties();
    /// Takes the properties stored in a host form's property bag (the library's form data).
    /// False when a stored value had the wrong type; the problems are in the bag.
    bool ReadProperties(const drapix::PropertyBag& bag);
    void WriteProperties(drapix::PropertyBag& bag) const;

    /// Whether the attach timer still runs (before the icon is added).
    bool timerRunning() const;
    /// 0 before the icon was added, 1 after.
    int attachCounter() const { return attachCounter_; }
    /// The form the icon belongs to, once attached.
    QWidget* hostWindow() const { return hostWindow_; }
    /// The notification-area record (the library's own; its tests read it).
    const drapix::NOTIFYICONDATA& iconRecord() const;

    /// Raises the event of a press on the icon (called by the host window's hook).
    void RaiseTrayEvent(drapix::TrayEvent event);

    QSize sizeHint() const override { return {200, 28}; }

signals:
    /// A right double click on the icon.
    void rMouseDblClick();
    /// A left double click on the icon.
    void lMouseDblClick();
    /// The left button released on the icon.
    void lMouseDown();
    /// The right button released on the icon.
    void rMouseDown();
    /// Every event above, by name, as it is raised.
    void EventRaised(const QString& name);
    /// The host's change notice ("Icon", "Caption").
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void attachStep();
    void AddToTray();
    void UpdateTrayTip();

    QTimer* Timer1;
    QPixmap image1_;
    QPixmap design_;
    QString caption_;
    QPointer<QWidget> hostWindow_;
    qint16 attachCounter_ = 0;
    std::unique_ptr<drapix::SysTrayPrivate> d_;
};
