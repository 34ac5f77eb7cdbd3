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

QWidget* NewCommand(QWidget* parent) {
    auto* c = new Command(parent);
    c->InitProperties();
    return c;
}

} // namespace drapix

Command::Command(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
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
    caption_ = kCommandDesignCaption;
    icon_ = QPixmap::fromImage(BuiltInImage());
    logic_.raise = [this](const CommandEvent& e) { raised(e); };
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &Command::tick);
    measure();
    sync();
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
        QFontMetricsF(font()).size(Qt::TextShowMnemonic, PaintedCaption(caption_));
    logic_.setMetrics(size(), caption,
                      icon_.isNull() ? QSizeF(0, 0) : icon_.deviceIndependentSize());
}

void Command::sync() {
    if (logic_.timerRunning() && !timer_->isActive())
        timer_->start();
    else if (!logic_.timerRunning() && timer_->isActive())
        timer_->stop();
    if (logic_.region() != appliedRegion_) {
        appliedRegion_ = logic_.region();
        setMask(QRegion(appliedRegion_, Qt::WindingFill));
    }
    update();
}

void Command::tick() {
    logic_.timerTick(CursorInRect(QRect(mapToGlobal(QPoint(0, 0)), size())));
    sync();
}

void Command::Set按钮类型(int style) {
    measure();
    logic_.setStyle(style);
    sync();
    emit PropertyChanged(QStringLiteral("按钮类型"));
}

void Command::Set按钮上的图标(const QPixmap& picture) {
    icon_ = picture;
    measure();
    logic_.iconChanged();
    sync();
    emit PropertyChanged(QStringLiteral("按钮上的图标"));
}

void Command::SetCaption(const QString& caption) {
    if (caption != caption_) {
        caption_ = caption;
        measure();
        logic_.captionChanged();
        sync();
        QAccessibleEvent ev(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&ev);
    }
    emit PropertyChanged(QStringLiteral("Caption"));
}

void Command::Set图标位置(int position) {
    measure();
    logic_.setIconPosition(position);
    sync();
    emit PropertyChanged(QStringLiteral("图标位置"));
}

void Command::SetEnabled(bool enabled) {
    QWidget::setEnabled(enabled);
    measure();
    logic_.setEnabled(isEnabled());
    sync();
    emit PropertyChanged(QStringLiteral("Enabled"));
}

void Command::SetFont(const QFont& font) {
    setFont(font);
    measure();
    logic_.fontChanged();
    sync();
    emit PropertyChanged(QStringLiteral("Font"));
}

void Command::SetFontColor(uint colour) {
    fontColor_ = colour;
    update();
    emit PropertyChanged(QStringLiteral("FontColor"));
}

void Command::Set按钮热键(const QString& keys) {
    accessKeys_ = keys;
    rebuildShortcuts();
    emit PropertyChanged(QStringLiteral("按钮热键"));
}

void Command::SetDefault(bool on) {
    isDefault_ = on;
    rebuildShortcuts();
}

void Command::SetCancel(bool on) {
    isCancel_ = on;
    rebuildShortcuts();
}

void Command::rebuildShortcuts() {
    for (QShortcut* s : shortcuts_)
        delete s;
    shortcuts_.clear();
    QList<QKeySequence> keys;
    for (QChar c : accessKeys_) {
        if (!c.isSpace())
            keys << QKeySequence(QStringLiteral("Alt+") + c.toUpper());
    }
    if (isDefault_)
        keys << QKeySequence(Qt::Key_Return) << QKeySequence(Qt::Key_Enter);
    if (isCancel_)
        keys << QKeySequence(Qt::Key_Escape);
    for (const QKeySequence& k : keys) {
        auto* s = new QShortcut(k, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this] {
            if (!isEnabled())
                return;
            logic_.accessKeyPress();
            sync();
        });
        shortcuts_.push_back(s);
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
    logic_.setEnabled(true);
    QWidget::setEnabled(true);
    logic_.setStyle(int(按钮样式::Lustrane));
    accessKeys_.clear();
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
    if (caption != caption_) {
        caption_ = caption;
        measure();
        logic_.captionChanged();
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
    accessKeys_ = bag.ReadProperty(QStringLiteral("按钮热键"), QString()).toString();
    rebuildShortcuts();
    sync();
    return bag.problems().size() == before;
}

void Command::WriteProperties(PropertyBag& bag) const {
    const QFont ambient = parentWidget() ? parentWidget()->font() : QApplication::font();
    bag.WriteProperty(QStringLiteral("图标位置"), 图标位置(), 0);
    bag.WriteProperty(QStringLiteral("Caption"), caption_, kProductFamilyText);
    bag.WriteProperty(QStringLiteral("Enabled"), isEnabled(), true);
    bag.WriteProperty(QStringLiteral("按钮上的图标"), PictureValue(icon_.toImage()),
                      PictureValue(BuiltInImage()));
    bag.WriteProperty(QStringLiteral("Font"), font(), ambient);
    bag.WriteProperty(QStringLiteral("FontColor"), int(fontColor_), 0);
    bag.WriteProperty(QStringLiteral("按钮类型"), 按钮类型()); // always written
    bag.WriteProperty(QStringLiteral("按钮热键"), accessKeys_, QString());
}

QRectF Command::captionRect() const {
    return QRectF(logic_.captionPos(),
                  QFontMetricsF(font()).size(Qt::TextShowMnemonic, PaintedCaption(caption_)));
}

QRectF Command::iconRect() const {
    if (!logic_.iconVisible() || icon_.isNull())
        return {};
    return QRectF(logic_.iconPos(), icon_.deviceIndependentSize());
}

void Command::ShowAboutBox() {
    drapix::ShowAboutBox(QStringLiteral("关于Lustrane窗体按钮控件"),
                         QStringLiteral("Lustrane窗体按钮控件"), this);
}

void Command::press() {
    logic_.click();
    sync();
}

void Command::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (logic_.hasFace()) {
        const QPixmap face = Picture(logic_.facePicture());
        for (const FaceSlice& s : FaceSlices(size(), face.size()))
            p.drawPixmap(s.target, face, s.source);
    }
    const QRectF icon = iconRect();
    if (!icon.isNull())
        p.drawPixmap(icon.topLeft(), icon_);
    const QRectF caption = captionRect();
    p.setFont(font());
    const int flags = Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;
    const QString text = PaintedCaption(caption_);
    if (isEnabled()) {
        p.setPen(OleColor(fontColor_));
        p.drawText(caption, flags, text);
    } else {
        // The platform's disabled text: etched in white and grey.
        p.setPen(Qt::white);
        p.drawText(caption.translated(1, 1), flags, text);
        p.setPen(QColor(0x80, 0x80, 0x80));
        p.drawText(caption, flags, text);
    }
    if (logic_.focusFrameShown()) {
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(FocusFrameRect(width(), height()).adjusted(0, 0, -1, -1));
    }
}

void Command::resizeEvent(QResizeEvent*) {
    measure();
    logic_.resized();
    sync();
}

void Command::showEvent(QShowEvent*) {
    measure();
    logic_.shown();
    sync();
}

void Command::focusInEvent(QFocusEvent*) {
    logic_.gotFocus();
    sync();
}

void Command::focusOutEvent(QFocusEvent*) {
    logic_.lostFocus();
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
        leftDown_ = true;
        afterDoubleClick_ = false;
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
    }
    logic_.mouseDown(ButtonCode(e->button()), ShiftState(e->modifiers()), at.x(), at.y());
    sync();
}

void Command::mouseMoveEvent(QMouseEvent* e) {
    QPointF origin;
    partAt(e->position(), &origin);
    const QPointF at = e->position() - origin;
    logic_.mouseMove(ButtonsCode(e->buttons()), ShiftState(e->modifiers()), at.x(), at.y(),
                     rect().contains(e->position().toPoint()));
    sync();
}

void Command::mouseReleaseEvent(QMouseEvent* e) {
    QPointF origin;
    const int part = partAt(e->position(), &origin);
    const QPointF at = e->position() - origin;
    logic_.mouseUp(ButtonCode(e->button()), ShiftState(e->modifiers()), at.x(), at.y());
    const bool click = e->button() == Qt::LeftButton && leftDown_ && !afterDoubleClick_ &&
                       rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton) {
        leftDown_ = false;
        afterDoubleClick_ = false;
    }
    if (click) {
        if (part != 0)
            logic_.partClick();
        else
            logic_.click();
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
    leftDown_ = true;
    afterDoubleClick_ = true;
    if (part != 0)
        logic_.partDblClick();
    else
        logic_.dblClick();
    sync();
}

void Command::keyPressEvent(QKeyEvent* e) {
    if (e->isAutoRepeat() && e->key() == Qt::Key_Space)
        return;
    if (e->key() == Qt::Key_Space)
        spaceDown_ = true;
    logic_.keyDown(KeyCode(e), ShiftState(e->modifiers()));
    const QString text = e->text();
    if (!text.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        logic_.keyPress(text.at(0).unicode());
    sync();
}

void Command::keyReleaseEvent(QKeyEvent* e) {
    if (e->isAutoRepeat())
        return;
    logic_.keyUp(KeyCode(e), ShiftState(e->modifiers()));
    // Space clicks on its release, as every platform's button does.
    if (e->key() == Qt::Key_Space && spaceDown_) {
        spaceDown_ = false;
        logic_.click();
    }
    sync();
}

void Command::changeEvent(QEvent* e) {
    if (e->type() == QEvent::EnabledChange && logic_.isEnabled() != isEnabled()) {
        measure();
        logic_.setEnabled(isEnabled());
        sync();
    } else if (e->type() == QEvent::FontChange) {
        measure();
        logic_.fontChanged();
        sync();
    }
    QWidget::changeEvent(e);
}
