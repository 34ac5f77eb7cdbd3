#include "buttons/command.h"

#include "artwork/artwork_table.h"
#include "buttons/about_dialog.h"
#include "core/ambient.h"
#include "core/live_objects.h"
#include "core/pictures.h"
#include "core/property_bag.h"
#include "skin/skin_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <cstdio>

using namespace drapix;

namespace {

// The caption without its access-key marks, as a screen reader reads it.
QString PlainCaption(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

// The part of the caption that is measured and painted: a button shows a few words, and laying
// out millions of characters would take the window's thread for a minute each paint.
constexpr qsizetype kPaintedCaptionLength = 1024;

QString PaintedCaption(const QString& caption) {
    if (caption.size() <= kPaintedCaptionLength)
        return caption;
    qsizetype n = kPaintedCaptionLength;
    if (caption[n - 1].isHighSurrogate())
        --n; // never half a character
    return caption.left(n);
}

class CommandAccessible : public QAccessibleWidget {
public:
    explicit CommandAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::Button) {}
    Command* command() const { return static_cast<Command*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name)
            return PlainCaption(command()->Caption());
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && command()->isEnabled())
            command()->press();
    }
};

QAccessibleInterface* CommandAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("Command") && object && object->isWidgetType())
        return new CommandAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

int ShiftState(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}

int ButtonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

int ButtonsCode(Qt::MouseButtons b) {
    return (b & Qt::LeftButton ? 1 : 0) | (b & Qt::RightButton ? 2 : 0) |
           (b & Qt::MiddleButton ? 4 : 0);
}

// The platform's virtual-key code of a key.
int KeyCode(const QKeyEvent* e) {
    const int k = e->key();
    if ((k >= Qt::Key_A && k <= Qt::Key_Z) || (k >= Qt::Key_0 && k <= Qt::Key_9))
        return k;
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24)
        return 0x70 + (k - Qt::Key_F1);
    switch (k) {
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 0x09;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 0x0D;
    case Qt::Key_Shift:
        return 0x10;
    case Qt::Key_Control:
        return 0x11;
    case Qt::Key_Alt:
        return 0x12;
    case Qt::Key_Pause:
        return 0x13;
    case Qt::Key_CapsLock:
        return 0x14;
    case Qt::Key_Escape:
        return 0x1B;
    case Qt::Key_Space:
        return 0x20;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Left:
        return 0x25;
    case Qt::Key_Up:
        return 0x26;
    case Qt::Key_Right:
        return 0x27;
    case Qt::Key_Down:
        return 0x28;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        return k & 0xFFFF;
    }
}

QImage BuiltInImage() {
    return PictureImage(kBuiltInPicture);
}

} // namespace

namespace drapix {

// What a button holds besides its widget.
class CommandPrivate {
public:
    CommandLogic logic_;
    QTimer* timer_ = nullptr;
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

QWidget* NewCommand(QWidget* parent) {
    return new Command(parent);
}

} // namespace drapix

Command::Command(QWidget* parent) : QWidget(parent), d_(std::make_unique<CommandPrivate>()) {
    d_->timer_ = new QTimer(this);
    static const bool accessibility = [] {
        QAccessible::installFactory(&CommandAccessibleFactory);
        return true;
    }();
    Q_UNUSED(accessibility);
    ObjectCreated();
    setMouseTracking(true);
    // The focus comes by the keyboard and by a left press (mousePressEvent), never by the
    // right or middle button.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setMinimumSize(9, 9); // 135 twips
    d_->caption_ = kCommandDesignCaption;
    d_->icon_ = QPixmap::fromImage(BuiltInImage());
    d_->logic_.raise = [this](const CommandEvent& e) { raised(e); };
    d_->timer_->setInterval(50);
    connect(d_->timer_, &QTimer::timeout, this, &Command::tick);
    measure();
    sync();
    // A button made in code, by a form compiled from Designer's file or by the class table is
    // a newly placed one; stored properties, where a form has them, are read over this state.
    InitProperties();
}

Command::~Command() {
    ObjectDestroyed();
}

void Command::raised(const CommandEvent& e) {
    // The pressed face shows while the host handles a key.
    if ((e.id == CommandEventId::KeyDown || e.id == CommandEventId::KeyPress) && isVisible())
        repaint();
    switch (e.id) {
    case CommandEventId::Click:
        emit Click();
        break;
    case CommandEventId::DblClick:
        emit DblClick();
        break;
    case CommandEventId::KeyDown:
        emit KeyDown(e.keyCode, e.shift);
        break;
    case CommandEventId::KeyPress:
        emit KeyPress(e.keyAscii);
        break;
    case CommandEventId::KeyUp:
        emit KeyUp(e.keyCode, e.shift);
        break;
    case CommandEventId::MouseOut:
        emit MouseOut();
        break;
    case CommandEventId::MouseDown:
        emit MouseDown(e.button, e.shift, e.x, e.y);
        break;
    case CommandEventId::MouseMove:
        emit MouseMove(e.button, e.shift, e.x, e.y);
        break;
    case CommandEventId::MouseUp:
        emit MouseUp(e.button, e.shift, e.x, e.y);
        break;
    }
    emit EventRaised(EventName(e.id));
}

void Command::measure() {
    const QSizeF caption =
        QFontMetricsF(font()).size(Qt::TextShowMnemonic, PaintedCaption(d_->caption_));
    d_->logic_.setMetrics(size(), caption,
                          d_->icon_.isNull() ? QSizeF(0, 0) : d_->icon_.deviceIndependentSize());
}

void Command::sync() {
    if (d_->logic_.timerRunning() && !d_->timer_->isActive())
        d_->timer_->start();
    else if (!d_->logic_.timerRunning() && d_->timer_->isActive())
        d_->timer_->stop();
    if (d_->logic_.region() != d_->appliedRegion_) {
        d_->appliedRegion_ = d_->logic_.region();
        setMask(QRegion(d_->appliedRegion_, Qt::WindingFill));
    }
    update();
}

void Command::tick() {
    d_->logic_.timerTick(CursorInRect(QRect(mapToGlobal(QPoint(0, 0)), size())));
    sync();
}

int Command::按钮类型() const {
    return d_->logic_.style();
}

QPixmap Command::按钮上的图标() const {
    return d_->icon_;
}

QString Command::Caption() const {
    return d_->caption_;
}

int Command::图标位置() const {
    return d_->logic_.iconPosition();
}

uint Command::FontColor() const {
    return d_->fontColor_;
}

QColor Command::fontColor() const {
    return OleColor(d_->fontColor_);
}

void Command::setFontColor(const QColor& colour) {
    // As the stored 0x00BBGGRR.
    SetFontColor(uint(colour.red()) | uint(colour.green()) << 8 | uint(colour.blue()) << 16);
}

QString Command::按钮热键() const {
    return d_->accessKeys_;
}

bool Command::Default() const {
    return d_->isDefault_;
}

bool Command::Cancel() const {
    return d_->isCancel_;
}

const CommandLogic& Command::logic() const {
    return d_->logic_;
}

void Command::Set按钮类型(int style) {
    measure();
    d_->logic_.setStyle(style);
    sync();
    emit PropertyChanged(QStringLiteral("按钮类型"));
}

void Command::Set按钮上的图标(const QPixmap& picture) {
    d_->icon_ = picture;
    measure();
    d_->logic_.iconChanged();
    sync();
    emit PropertyChanged(QStringLiteral("按钮上的图标"));
}

void Command::SetCaption(const QString& caption) {
    if (caption != d_->caption_) {
        d_->caption_ = caption;
        measure();
        d_->logic_.captionChanged();
        sync();
        QAccessibleEvent ev(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&ev);
    }
    emit PropertyChanged(QStringLiteral("Caption"));
}

void Command::Set图标位置(int position) {
    measure();
    d_->logic_.setIconPosition(position);
    sync();
    emit PropertyChanged(QStringLiteral("图标位置"));
}

void Command::SetEnabled(bool enabled) {
    QWidget::setEnabled(enabled);
    measure();
    d_->logic_.setEnabled(isEnabled());
    sync();
    emit PropertyChanged(QStringLiteral("Enabled"));
}

void Command::SetFont(const QFont& font) {
    setFont(font);
    measure();
    d_->logic_.fontChanged();
    sync();
    emit PropertyChanged(QStringLiteral("Font"));
}

void Command::SetFontColor(uint colour) {
    d_->fontColor_ = colour;
    update();
    emit PropertyChanged(QStringLiteral("FontColor"));
}

void Command::Set按钮热键(const QString& keys) {
    d_->accessKeys_ = keys;
    rebuildShortcuts();
    emit PropertyChanged(QStringLiteral("按钮热键"));
}

void Command::SetDefault(bool on) {
    d_->isDefault_ = on;
    rebuildShortcuts();
}

void Command::SetCancel(bool on) {
    d_->isCancel_ = on;
    rebuildShortcuts();
}

void Command::rebuildShortcuts() {
    for (QShortcut* s : d_->shortcuts_)
        delete s;
    d_->shortcuts_.clear();
    QList<QKeySequence> keys;
    for (QChar c : d_->accessKeys_) {
        if (!c.isSpace())
            keys << QKeySequence(QStringLiteral("Alt+") + c.toUpper());
    }
    if (d_->isDefault_)
        keys << QKeySequence(Qt::Key_Return) << QKeySequence(Qt::Key_Enter);
    if (d_->isCancel_)
        keys << QKeySequence(Qt::Key_Escape);
    for (const QKeySequence& k : keys) {
        auto* s = new QShortcut(k, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this] {
            if (!isEnabled())
                return;
            d_->logic_.accessKeyPress();
            sync();
        });
        d_->shortcuts_.push_back(s);
    }
}

QPixmap Command::MenuPicture() const {
    return QPixmap::fromImage(BuiltInImage());
}

int Command::MenuHeight() const {
    return MenuBarHeight();
}

void Command::InitProperties() {
    measure();
    d_->logic_.setEnabled(true);
    QWidget::setEnabled(true);
    d_->logic_.setStyle(int(按钮样式::Lustrane));
    d_->accessKeys_.clear();
    rebuildShortcuts();
    sync();
}

bool Command::ReadProperties(const PropertyBag& bag) {
    const int before = int(bag.problems().size());
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    const auto asInt = QMetaType::fromType<int>();

    Set图标位置(bag.ReadProperty(QStringLiteral("图标位置"), 0).toInt());
    const QString caption =
        bag.ReadProperty(QStringLiteral("Caption"), kProductFamilyText).toString();
    if (caption != d_->caption_) {
        d_->caption_ = caption;
        measure();
        d_->logic_.captionChanged();
    }
    SetEnabled(bag.ReadProperty(QStringLiteral("Enabled"), true).toBool());
    const QImage picture =
        bag.ReadProperty(QStringLiteral("按钮上的图标"), PictureValue(BuiltInImage()))
            .value<QImage>();
    Set按钮上的图标(picture.isNull() ? QPixmap() : QPixmap::fromImage(picture));
    SetFont(bag.ReadProperty(QStringLiteral("Font"), ambient).value<QFont>());
    SetFontColor(uint(bag.ReadProperty(QStringLiteral("FontColor"), 0).toInt()));
    // A form without the style takes the style of a new button, and reads on.
    Set按钮类型(bag.ReadProperty(QStringLiteral("按钮类型"), 3, asInt).toInt());
    d_->accessKeys_ = bag.ReadProperty(QStringLiteral("按钮热键"), QString()).toString();
    rebuildShortcuts();
    sync();
    return bag.problems().size() == before;
}

void Command::WriteProperties(PropertyBag& bag) const {
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.WriteProperty(QStringLiteral("图标位置"), 图标位置(), 0);
    bag.WriteProperty(QStringLiteral("Caption"), d_->caption_, kProductFamilyText);
    bag.WriteProperty(QStringLiteral("Enabled"), isEnabled(), true);
    bag.WriteProperty(QStringLiteral("按钮上的图标"), PictureValue(d_->icon_.toImage()),
                      PictureValue(BuiltInImage()));
    bag.WriteProperty(QStringLiteral("Font"), font(), ambient);
    bag.WriteProperty(QStringLiteral("FontColor"), int(d_->fontColor_), 0);
    bag.WriteProperty(QStringLiteral("按钮类型"), 按钮类型()); // always written
    bag.WriteProperty(QStringLiteral("按钮热键"), d_->accessKeys_, QString());
}

QRectF Command::captionRect() const {
    return QRectF(d_->logic_.captionPos(),
                  QFontMetricsF(font()).size(Qt::TextShowMnemonic, PaintedCaption(d_->caption_)));
}

QRectF Command::iconRect() const {
    if (!d_->logic_.iconVisible() || d_->icon_.isNull())
        return {};
    return QRectF(d_->logic_.iconPos(), d_->icon_.deviceIndependentSize());
}

void Command::ShowAboutBox() {
    drapix::ShowAboutBox(QStringLiteral("关于Lustrane窗体按钮控件"),
                         QStringLiteral("Lustrane窗体按钮控件"), this);
}

void Command::press() {
    d_->logic_.click();
    sync();
}

void Command::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (d_->logic_.hasFace()) {
        const QPixmap face = Picture(d_->logic_.facePicture());
        for (const FaceSlice& s : FaceSlices(size(), face.size()))
            p.drawPixmap(s.target, face, s.source);
    }
    const QRectF icon = iconRect();
    if (!icon.isNull())
        p.drawPixmap(icon.topLeft(), d_->icon_);
    const QRectF caption = captionRect();
    p.setFont(font());
    const int flags = Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;
    const QString text = PaintedCaption(d_->caption_);
    if (isEnabled()) {
        p.setPen(OleColor(d_->fontColor_));
        p.drawText(caption, flags, text);
    } else {
        // The platform's disabled text: etched in white and grey.
        p.setPen(Qt::white);
        p.drawText(caption.translated(1, 1), flags, text);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawText(caption, flags, text);
    }
    if (d_->logic_.focusFrameShown()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(FocusFrameRect(width(), height()).adjusted(0, 0, -1, -1));
    }
}

void Command::resizeEvent(QResizeEvent*) {
    measure();
    d_->logic_.resized();
    sync();
}

void Command::showEvent(QShowEvent*) {
    measure();
    d_->logic_.shown();
    sync();
}

void Command::focusInEvent(QFocusEvent*) {
    d_->logic_.gotFocus();
    sync();
}

void Command::focusOutEvent(QFocusEvent*) {
    d_->logic_.lostFocus();
    sync();
}

int Command::partAt(QPointF p, QPointF* offset) const {
    const QRectF icon = iconRect();
    if (!icon.isNull() && icon.contains(p)) {
        *offset = icon.topLeft();
        return 2;
    }
    const QRectF caption = captionRect();
    if (caption.contains(p)) {
        *offset = caption.topLeft();
        return 1;
    }
    *offset = QPointF(0, 0);
    return 0;
}

void Command::mousePressEvent(QMouseEvent* e) {
    QPointF origin;
    partAt(e->position(), &origin);
    const QPointF at = e->position() - origin;
    if (e->button() == Qt::LeftButton) {
        d_->leftDown_ = true;
        d_->afterDoubleClick_ = false;
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
    }
    d_->logic_.mouseDown(ButtonCode(e->button()), ShiftState(e->modifiers()), at.x(), at.y());
    sync();
}

void Command::mouseMoveEvent(QMouseEvent* e) {
    QPointF origin;
    partAt(e->position(), &origin);
    const QPointF at = e->position() - origin;
    d_->logic_.mouseMove(ButtonsCode(e->buttons()), ShiftState(e->modifiers()), at.x(), at.y(),
                         rect().contains(e->position().toPoint()));
    sync();
}

void Command::mouseReleaseEvent(QMouseEvent* e) {
    QPointF origin;
    const int part = partAt(e->position(), &origin);
    const QPointF at = e->position() - origin;
    d_->logic_.mouseUp(ButtonCode(e->button()), ShiftState(e->modifiers()), at.x(), at.y());
    const bool click = e->button() == Qt::LeftButton && d_->leftDown_ && !d_->afterDoubleClick_ &&
                       rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton) {
        d_->leftDown_ = false;
        d_->afterDoubleClick_ = false;
    }
    if (click) {
        if (part != 0)
            d_->logic_.partClick();
        else
            d_->logic_.click();
    }
    sync();
}

void Command::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        mousePressEvent(e);
        return;
    }
    QPointF origin;
    const int part = partAt(e->position(), &origin);
    d_->leftDown_ = true;
    d_->afterDoubleClick_ = true;
    if (part != 0)
        d_->logic_.partDblClick();
    else
        d_->logic_.dblClick();
    sync();
}

void Command::keyPressEvent(QKeyEvent* e) {
    if (e->isAutoRepeat() && e->key() == Qt::Key_Space)
        return;
    if (e->key() == Qt::Key_Space)
        d_->spaceDown_ = true;
    d_->logic_.keyDown(KeyCode(e), ShiftState(e->modifiers()));
    const QString text = e->text();
    if (!text.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        d_->logic_.keyPress(text.at(0).unicode());
    sync();
}

void Command::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat())
        return;
    d_->logic_.keyUp(KeyCode(e), ShiftState(e->modifiers()));
    // Space clicks on its release, as every platform's button does.
    if (e->key() == Qt::Key_Space && d_->spaceDown_) {
        d_->spaceDown_ = false;
        d_->logic_.click();
    }
    sync();
}

void Command::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange && d_->logic_.isEnabled() != isEnabled()) {
        measure();
        d_->logic_.setEnabled(isEnabled());
        sync();
    } else if (e->type() == QEvent::FontChange) {
        measure();
        d_->logic_.fontChanged();
        sync();
    }
    QWidget::changeEvent(e);
}
