#include "shell/keyboard.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace meridane {

namespace {

class TabLeaves : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            return false;
        if (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            // Ours, before any shortcut of the window takes it.
            event->accept();
            return true;
        }
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        auto* widget = static_cast<QWidget*>(watched);
        QWidget* next = back ? widget->previousInFocusChain() : widget->nextInFocusChain();
        // The next control that takes the focus by Tab, the way QWidget walks the chain.
        while (next && next != widget &&
               (!(next->focusPolicy() & Qt::TabFocus) || !next->isVisible() || !next->isEnabled() ||
                next->window() != widget->window() || next->focusProxy()))
            next = back ? next->previousInFocusChain() : next->nextInFocusChain();
        if (next && next != widget)
            next->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
        return true;
    }
};

class KeysToWindow : public QObject {
public:
    KeysToWindow(const QList<QKeySequence>& keys, QObject* parent) : QObject(parent), keys_(keys) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        if (!keys_.contains(pressed))
            return false;
        // Left unaccepted, the key goes to the window's shortcuts.
        event->ignore();
        return true;
    }

private:
    QList<QKeySequence> keys_;
};

} // namespace

void LeaveOnTab(QWidget& textBox) {
    if (auto* edit = qobject_cast<QTextEdit*>(&textBox))
        edit->setTabChangesFocus(true);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(&textBox))
        plain->setTabChangesFocus(true);
    textBox.installEventFilter(new TabLeaves(&textBox));
}

void LeaveKeysToWindow(QWidget& widget, const QList<QKeySequence>& keys) {
    widget.installEventFilter(new KeysToWindow(keys, &widget));
}

} // namespace meridane
