#include "shell/keyboard.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace meridane {

namespace {

// Qt moves the focus on Tab and Shift+Tab once the box no longer takes them; with Ctrl held
// it does not, so Ctrl+Tab is passed on as the plain key.
class CtrlTabLeaves : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) ||
            !(key->modifiers() & Qt::ControlModifier) ||
            (key->modifiers() & (Qt::AltModifier | Qt::MetaModifier)))
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept(); // ours, before any shortcut of the window takes it
            return true;
        }
        QKeyEvent plain(QEvent::KeyPress, key->key(), key->modifiers() & ~Qt::ControlModifier);
        QCoreApplication::sendEvent(watched, &plain);
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
    textBox.installEventFilter(new CtrlTabLeaves(&textBox));
}

void LeaveKeysToWindow(QWidget& widget, const QList<QKeySequence>& keys) {
    widget.installEventFilter(new KeysToWindow(keys, &widget));
}

} // namespace meridane
