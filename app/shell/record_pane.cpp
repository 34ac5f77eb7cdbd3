#include "shell/record_pane.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>
#include <QWheelEvent>

namespace meridane {

RecordPane::RecordPane(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
}

void RecordPane::showColoured(const QString& body, const std::vector<TextRange>& ranges) {
    QTextCharFormat plain;
    plain.setForeground(palette().color(QPalette::WindowText));
    QTextCharFormat red;
    red.setForeground(kKeywordColour);

    // Built while no view lays it out: inserting into the shown document laid out again at every
    // coloured range.
    const QTextOption::WrapMode wrap = HasUnbreakableRun(body)
                                           ? QTextOption::WrapAnywhere
                                           : QTextOption::WrapAtWordBoundaryOrAnywhere;
    auto* doc = new QTextDocument(this);
    doc->setDefaultFont(font());
    QTextOption option = document()->defaultTextOption();
    option.setWrapMode(wrap);
    doc->setDefaultTextOption(option);
    doc->setUndoRedoEnabled(false);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.setCharFormat(plain);
    qsizetype at = 0;
    for (const TextRange& r : ranges) {
        if (r.start > at)
            cursor.insertText(body.mid(at, r.start - at), plain);
        cursor.insertText(body.mid(r.start, r.length), red);
        at = r.start + r.length;
    }
    if (at < body.size())
        cursor.insertText(body.mid(at), plain);
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(true);

    // The pane lays out its document at once in the pane's wrap mode: the old one is emptied
    // before the mode changes, and the new one comes in the new mode. The first document
    // belongs to the pane's text control, which deletes it itself.
    QTextDocument* old = document();
    const bool ours = old->parent() == this;
    old->clear();
    setWordWrapMode(wrap);
    setDocument(doc);
    if (ours)
        delete old;
}

QMenu* RecordPane::createContextMenu(QPoint pos) {
    QMenu* menu = createStandardContextMenu(pos);
    // Ctrl+C and Ctrl+X give character codes, and the clipboard is emptied after them.
    for (QAction* action : menu->actions()) {
        if (action->objectName() != QLatin1String("edit-copy") &&
            action->objectName() != QLatin1String("edit-cut"))
            continue;
        QString text = action->text();
        if (const qsizetype tab = text.indexOf(QLatin1Char('\t')); tab >= 0)
            text.truncate(tab);
        action->setText(text);
        action->setShortcut(QKeySequence());
    }
    if (!menuActions_.isEmpty()) {
        menu->addSeparator();
        menu->addActions(menuActions_);
    }
    return menu;
}

void RecordPane::markFound(const std::vector<TextRange>& found, std::optional<qsizetype> current) {
    QList<ExtraSelection> marks;
    marks.reserve(qsizetype(found.size()));
    for (size_t i = 0; i < found.size(); ++i) {
        ExtraSelection mark;
        mark.cursor = QTextCursor(document());
        mark.cursor.setPosition(int(found[i].start));
        mark.cursor.setPosition(int(found[i].start + found[i].length), QTextCursor::KeepAnchor);
        const bool isCurrent = current && qsizetype(i) == *current;
        mark.format.setBackground(isCurrent ? kFoundCurrentColour : kFoundColour);
        marks << mark;
    }
    setExtraSelections(marks);
    if (current && size_t(*current) < found.size()) {
        QTextCursor caret = textCursor();
        caret.setPosition(int(found[size_t(*current)].start));
        setTextCursor(caret);
        ensureCursorVisible();
    }
}

void RecordPane::showPlace(TextRange range) {
    QTextCursor caret = textCursor();
    caret.setPosition(int(range.start));
    caret.setPosition(int(range.start + range.length), QTextCursor::KeepAnchor);
    setTextCursor(caret);
    ensureCursorVisible();
}

void RecordPane::wheelEvent(QWheelEvent* event) {
    if (event->modifiers() & Qt::ControlModifier) {
        if (const int dy = event->angleDelta().y(); dy != 0)
            emit zoomStep(dy > 0 ? 1 : -1);
        event->accept();
        return;
    }
    QTextEdit::wheelEvent(event);
}

void RecordPane::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createContextMenu(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

bool GivesCharacterCode(const QKeyEvent& event) {
    const int key = event.key();
    // Keys that move, edit or switch without a character of their own, and modifiers alone.
    if (key == Qt::Key_Delete || key == Qt::Key_Insert ||
        (key >= Qt::Key_Home && key <= Qt::Key_ScrollLock) ||
        (key >= Qt::Key_F1 && key <= Qt::Key_F35) || key == Qt::Key_Super_L ||
        key == Qt::Key_Super_R || key == Qt::Key_Menu || key == Qt::Key_AltGr ||
        key == Qt::Key_Pause || key == Qt::Key_Print || key == Qt::Key_SysReq)
        return false;
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Escape:
        return true;
    default:
        break;
    }
    // Alt with a key is a menu or access key, not a character.
    if ((event.modifiers() & Qt::AltModifier) && !(event.modifiers() & Qt::ControlModifier))
        return false;
    // Ctrl with a letter gives a control code (Ctrl+C is 3, Ctrl+X is 24).
    if ((event.modifiers() & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z)
        return true;
    return !event.text().isEmpty();
}

void RecordPane::keyPressEvent(QKeyEvent* event) {
    QTextEdit::keyPressEvent(event);
    if (GivesCharacterCode(*event))
        QGuiApplication::clipboard()->clear();
}

} // namespace meridane
