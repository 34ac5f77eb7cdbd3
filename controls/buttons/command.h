// Command: the picture-faced push button. Its state machine and geometry live in
// CommandLogic; this widget feeds it what happens and paints what it decides.
//
// C++ accessors and stored keys carry the control's own (partly Chinese) names; everything
// that goes through the meta-object system has an ASCII name, mapped by Q_CLASSINFO.
#pragma once

#include "buttons/command_logic.h"
#include "drapix_global.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <vector>

class QShortcut;
class QTimer;

namespace drapix {
class PropertyBag;
QWidget* NewCommand(QWidget* parent);
// The caption a new button shows, and the stored default caption.
inline const QString kCommandDesignCaption = QStringLiteral("Command");
inline const QString kProductFamilyText = QStringLiteral("Lustrane窗体控件");
} // namespace drapix

class DRAPIX_EXPORT Command : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("buttonStyle", "按钮类型")
    Q_CLASSINFO("buttonIcon", "按钮上的图标")
    Q_CLASSINFO("iconPosition", "图标位置")
    Q_CLASSINFO("accessKeys", "按钮热键")
    Q_PROPERTY(int buttonStyle READ buttonStyle WRITE setButtonStyle)
    Q_PROPERTY(QPixmap buttonIcon READ buttonIcon WRITE setButtonIcon)
    Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int iconPosition READ iconPosition WRITE setIconPosition)
    Q_PROPERTY(uint fontColor READ FontColor WRITE SetFontColor)
    Q_PROPERTY(QString accessKeys READ accessKeys WRITE setAccessKeys)
    Q_PROPERTY(bool isDefault READ Default WRITE SetDefault)
    Q_PROPERTY(bool isCancel READ Cancel WRITE SetCancel)
    Q_PROPERTY(QPixmap menuPicture READ MenuPicture STORED false)
    Q_PROPERTY(int menuHeight READ MenuHeight STORED false)

public:
    explicit Command(QWidget* parent = nullptr);
    ~Command() override;

    // Properties, under the control's own names.
    int 按钮类型() const { return logic_.style(); }
    void Set按钮类型(int style);
    QPixmap 按钮上的图标() const { return icon_; }
    void Set按钮上的图标(const QPixmap& picture);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    int 图标位置() const { return logic_.iconPosition(); }
    void Set图标位置(int position);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);
    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    uint FontColor() const { return fontColor_; }
    void SetFontColor(uint colour); // 0x00BBGGRR or a system colour 0x800000nn
    QString 按钮热键() const { return accessKeys_; }
    void Set按钮热键(const QString& keys);
    QPixmap MenuPicture() const;
    int MenuHeight() const;
    // The host form's default (Enter) and cancel (Esc) button.
    bool Default() const { return isDefault_; }
    void SetDefault(bool on);
    bool Cancel() const { return isCancel_; }
    void SetCancel(bool on);

    // The meta-object names of the same properties.
    int buttonStyle() const { return 按钮类型(); }
    void setButtonStyle(int v) { Set按钮类型(v); }
    QPixmap buttonIcon() const { return 按钮上的图标(); }
    void setButtonIcon(const QPixmap& v) { Set按钮上的图标(v); }
    int iconPosition() const { return 图标位置(); }
    void setIconPosition(int v) { Set图标位置(v); }
    QString accessKeys() const { return 按钮热键(); }
    void setAccessKeys(const QString& v) { Set按钮热键(v); }

    // Persistence.
    void InitProperties();
    // False when a stored value had the wrong type; the problems are in the bag.
    bool ReadProperties(const drapix::PropertyBag& bag);
    void WriteProperties(drapix::PropertyBag& bag) const;

    const drapix::CommandLogic& logic() const { return logic_; }
    // Where the caption and the icon are painted.
    QRectF captionRect() const;
    QRectF iconRect() const;

    Q_INVOKABLE void ShowAboutBox();
    // What an accessibility tool's "press" does.
    void press();

    QSize sizeHint() const override { return {94, 38}; }

signals:
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseOut();
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);
    // Every event above, by name, as it is raised.
    void EventRaised(const QString& name);
    // The host's change notice ("按钮类型", "Caption", ...).
    void PropertyChanged(const QString& name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void raised(const drapix::CommandEvent& e);
    void measure();
    void sync();
    void tick();
    void rebuildShortcuts();
    // Which part a point lies on: 1 caption, 2 icon, 0 the face; offset: the part's origin.
    int partAt(QPointF p, QPointF* offset) const;

    drapix::CommandLogic logic_;
    QTimer* timer_;
    QString caption_;
    QPixmap icon_;
    uint fontColor_ = 0;
    QString accessKeys_;
    bool isDefault_ = false;
    bool isCancel_ = false;
    std::vector<QShortcut*> shortcuts_;
    bool leftDown_ = false;
    bool afterDoubleClick_ = false;
    bool spaceDown_ = false;
    QPolygon appliedRegion_;
};
