// <drapix/command.h>: Command, the picture-faced push button of Drapix.
//
// A Command made with its constructor is a newly placed button: style Lustrane (3), enabled,
// caption "Command", the built-in picture as its icon, no icon position and no access keys. It
// raises Click on a left click, on Space, on an access key and on Enter or Esc when it is the
// form's default or cancel button.
//
// C++ accessors and stored keys carry the control's own (partly Chinese) names; everything that
// goes through the meta-object system has an ASCII name, mapped by Q_CLASSINFO.
#pragma once

#include <drapix/drapix_global.h>

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <memory>

namespace drapix {
class CommandLogic;
struct CommandEvent;
class CommandPrivate;
class PropertyBag;
} // namespace drapix

/// The picture-faced push button: six face styles, a caption, an optional icon beside it.
class DRAPIX_EXPORT Command : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("buttonStyle", "按钮类型")
    Q_CLASSINFO("buttonIcon", "按钮上的图标")
    Q_CLASSINFO("iconPosition", "图标位置")
    Q_CLASSINFO("accessKeys", "按钮热键")
    /// The face style; any 32-bit value is kept, and one outside the enum paints no face.
    Q_PROPERTY(ButtonStyle buttonStyle READ buttonStyle WRITE setButtonStyle)
    /// The icon shown beside the caption (when iconPosition is eLeft or eRight).
    Q_PROPERTY(QPixmap buttonIcon READ buttonIcon WRITE setButtonIcon)
    /// The caption; "&" marks the access key Alt+letter.
    Q_PROPERTY(QString caption READ caption WRITE setCaption)
    /// Where the icon sits: eNone (no icon, caption centred), eLeft, eRight.
    Q_PROPERTY(IconPosition iconPosition READ iconPosition WRITE setIconPosition)
    /// The caption's colour.
    Q_PROPERTY(QColor fontColor READ fontColor WRITE setFontColor)
    /// Characters that press the button with Alt held.
    Q_PROPERTY(QString accessKeys READ accessKeys WRITE setAccessKeys)
    /// Whether Enter on the form presses the button.
    Q_PROPERTY(bool isDefault READ isDefault WRITE setIsDefault)
    /// Whether Esc on the form presses the button.
    Q_PROPERTY(bool isCancel READ isCancel WRITE setIsCancel)
    /// The built-in 87 x 23 picture, for a menu bar of the host's own making.
    Q_PROPERTY(QPixmap menuPicture READ MenuPicture STORED false)
    /// The height of a standard menu bar in pixels.
    Q_PROPERTY(int menuHeight READ MenuHeight STORED false)

public:
    /// The face styles (按钮样式); each selects a set of face pictures.
    enum ButtonStyle : int {
        StandardXpBlue = 0,     ///< 标准XP蓝色
        StandardXpGreen = 1,    ///< 标准XP绿色
        StandardXpSilver = 2,   ///< 标准XP银色
        Lustrane = 3,           ///< Lustrane, the style of a new button
        QQ2005StandardBlue = 4, ///< QQ2005标准蓝色
        LustraneMenuButton = 5, ///< Lustrane菜单按钮: no focus frame, for menu bars
    };
    Q_ENUM(ButtonStyle)
    /// Where the icon sits (Alignment).
    enum IconPosition : int {
        eNone = 0,  ///< no icon; the caption is centred
        eLeft = 1,  ///< the icon at the left edge, the caption after it
        eRight = 2, ///< the icon at the right edge
    };
    Q_ENUM(IconPosition)

    /// A newly placed button.
    explicit Command(QWidget* parent = nullptr);
    ~Command() override;

    // Properties, under the control's own names.
    /// The face style, any 32-bit value.
    int 按钮类型() const;
    void Set按钮类型(int style);
    /// The icon beside the caption.
    QPixmap 按钮上的图标() const;
    void Set按钮上的图标(const QPixmap& picture);
    /// The caption.
    QString Caption() const;
    void SetCaption(const QString& caption);
    /// The icon position, any 32-bit value (one outside 0-2 leaves the layout as it is).
    int 图标位置() const;
    void Set图标位置(int position);
    /// Whether the button reacts to the user; a disabled button hides its icon.
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool enabled);
    /// The caption's font.
    QFont Font() const { return font(); }
    void SetFont(const QFont& font);
    /// The caption's colour as 0x00BBGGRR, or a system colour 0x800000nn.
    uint FontColor() const;
    void SetFontColor(uint colour);
    /// The access-key characters.
    QString 按钮热键() const;
    void Set按钮热键(const QString& keys);
    /// The built-in 87 x 23 picture.
    QPixmap MenuPicture() const;
    /// The height of a standard menu bar in pixels; 0 when it cannot be measured.
    int MenuHeight() const;
    /// The host form's default (Enter) button.
    bool Default() const;
    void SetDefault(bool on);
    /// The host form's cancel (Esc) button.
    bool Cancel() const;
    void SetCancel(bool on);

    // The meta-object names of the same properties.
    ButtonStyle buttonStyle() const { return ButtonStyle(按钮类型()); }
    void setButtonStyle(ButtonStyle v) { Set按钮类型(int(v)); }
    QPixmap buttonIcon() const { return 按钮上的图标(); }
    void setButtonIcon(const QPixmap& v) { Set按钮上的图标(v); }
    QString caption() const { return Caption(); }
    void setCaption(const QString& v) { SetCaption(v); }
    IconPosition iconPosition() const { return IconPosition(图标位置()); }
    void setIconPosition(IconPosition v) { Set图标位置(int(v)); }
    QColor fontColor() const;
    void setFontColor(const QColor& colour);
    QString accessKeys() const { return 按钮热键(); }
    void setAccessKeys(const QString& v) { Set按钮热键(v); }
    bool isDefault() const { return Default(); }
    void setIsDefault(bool on) { SetDefault(on); }
    bool isCancel() const { return Cancel(); }
    void setIsCancel(bool on) { SetCancel(on); }

    /// The newly placed state again: enabled, style Lustrane, no access keys.
    void InitProperties();
    /// Takes the properties stored in a host form's property bag (the library's form data).
    /// False when a stored value had the wrong type; the problems are in the bag.
    bool ReadProperties(const drapix::PropertyBag& bag);
    /// Stores the properties into a property bag, leaving out those at their default.
    void WriteProperties(drapix::PropertyBag& bag) const;

    /// The button's state machine (the library's own; its tests read it).
    const drapix::CommandLogic& logic() const;
    /// Where the caption is painted.
    QRectF captionRect() const;
    /// Where the icon is painted; empty while it is hidden.
    QRectF iconRect() const;

    /// Shows the library's about box for the button, modally.
    Q_INVOKABLE void ShowAboutBox();
    /// What an accessibility tool's "press" does: a click.
    void press();

    QSize sizeHint() const override { return {94, 38}; }

signals:
    /// A click: left button, Space, an access key, Enter or Esc for a default or cancel button.
    void Click();
    /// A left double click on the face.
    void DblClick();
    /// A key went down (the platform's virtual-key code); shift: 1 Shift, 2 Ctrl, 4 Alt.
    void KeyDown(int keyCode, int shift);
    /// A character key was pressed.
    void KeyPress(int keyAscii);
    /// A key went up.
    void KeyUp(int keyCode, int shift);
    /// The mouse has left the button after a move over it.
    void MouseOut();
    /// button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels.
    void MouseDown(int button, int shift, double x, double y);
    /// The mouse moved over the button (or with a button held).
    void MouseMove(int button, int shift, double x, double y);
    /// A mouse button went up.
    void MouseUp(int button, int shift, double x, double y);
    /// Every event above, by name, as it is raised.
    void EventRaised(const QString& name);
    /// The host's change notice ("按钮类型", "Caption", ...).
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

    std::unique_ptr<drapix::CommandPrivate> d_;
};
