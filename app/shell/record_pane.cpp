#include "shell/record_pane.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTextCursor>

namespace meridane {

RecordPane::RecordPane(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(false);
}

void RecordPane::showColoured(const QString& body, const std::vector<TextRange>& ranges) {
    QTextCharFormat plain;
    plain.setForeground(palette().color(QPalette::WindowText));
    QTextCharFormat red;
    red.setForeground(kKeywordColour);

    QTextDocument* doc = document();
    doc->clear();
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
}

void RecordPane::keyPressEvent(QKeyEvent* event) {
    QTextEdit::keyPressEvent(event);
    QGuiApplication::clipboard()->clear();
}

} // namespace meridane
