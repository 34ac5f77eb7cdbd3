// SysTray: one icon for its host form in the notification area, with a tip, and the icon's
// left and right releases and double clicks as four events. Invisible while the program runs;
// in a form designer it shows its 200 x 28 design picture.
//
// On the first tick of its 10 ms timer in a running program the control attaches itself: it
// hooks the host window (MSysTray) and adds the icon. A host form that holds more than one
// SysTray gets the library's duplicate warning instead, and no icon.
#pragma once

#include "buttons/msystray.h"
#include "buttons/notify_area.h"
#include "drapix_global.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

class QTimer;

namespace drapix {
class PropertyBag;
QWidget* NewSysTray(QWidget* parent);
// The tip of a newly placed control, and the stored default.
inline const QString kSysTrayStudioText = QStringLiteral("Drapix 工作室");
} // namespace drapix

class DRAPIX_EXPORT SysTray : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QPixmap icon READ Icon WRITE SetIcon)
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int menuHeight READ MenuHeight STORED false)

public:
    explicit SysTray(QWidget* parent = nullptr);
    ~SysTray() override;

    // The tray icon (Image1's picture). Setting it does not change an icon already shown.
    QPixmap Icon() const { return image1_; }
    void SetIcon(const QPixmap& picture);
    // The tip text. Setting it does not change a tip already shown.
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // The height of a menu bar; 0 when it cannot be measured.
    int MenuHeight() const;

    // Takes the icon out of the notification area and the hook off the host window. The icon
    // stays away: the control does not attach again.
    Q_INVOKABLE void RemoveFromTray();
    Q_INVOKABLE void ShowAboutBox();

    // Persistence.
    void InitProperties();
    // False when a stored value had the wrong type; the problems are in the bag.
    bool ReadProperties(const drapix::PropertyBag& bag);
    void WriteProperties(drapix::PropertyBag& bag) const;

    // State, for the host and for tests.
    bool timerRunning() const;
    int attachCounter() const { return attachCounter_; }
    QWidget* hostWindow() const { return hostWindow_; }
    const drapix::NOTIFYICONDATA& iconRecord() const { return record_; }

    // Called by the host window's hook.
    void RaiseTrayEvent(drapix::TrayEvent event);

    QSize sizeHint() const override { return {200, 28}; }

signals:
    void rMouseDblClick();
    void lMouseDblClick();
    void lMouseDown();
    void rMouseDown();
    // Every event above, by name, as it is raised.
    void EventRaised(const QString& name);
    // The host's change notice ("Icon", "Caption").
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
    drapix::NOTIFYICONDATA record_;
};
