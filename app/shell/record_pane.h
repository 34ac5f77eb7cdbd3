// The record pane: a rich-text box that shows a record body with keyword ranges in red.
#pragma once

#include "search/record_display.h"

#include <QTextEdit>

#include <optional>

class QMenu;

namespace meridane {

inline const QColor kKeywordColour(0xFF, 0x00, 0x00);
// The background of every place the find bar found, and of the current one.
inline const QColor kFoundColour(0xFF, 0xE8, 0x6B);
inline const QColor kFoundCurrentColour(0xFF, 0x9B, 0x3D);

// Whether a key press gives a character code: a character (letters, digits, punctuation, text
// from an input method), Backspace, Enter, Tab, Esc, or Ctrl with a letter. Arrows and other
// moving keys, function keys, Delete and Insert, and a modifier alone give none.
bool GivesCharacterCode(const QKeyEvent& event);

class RecordPane : public QTextEdit {
    Q_OBJECT
public:
    explicit RecordPane(QWidget* parent = nullptr);

    // Replaces the text with body, the ranges (sorted, disjoint) in red and the rest in the
    // window-text colour. The document is built in one pass, apart from the pane, and then
    // takes the place of the one shown. A run too long to wrap at word boundaries in good time
    // makes the pane wrap anywhere. body is at most kMaxShownChars and a line long (see
    // RecordTextToShow).
    void showColoured(const QString& body, const std::vector<TextRange>& ranges);
    // The same with nothing in red.
    void showPlain(const QString& text) { showColoured(text, {}); }

    // The pane's context menu for a click at pos (viewport coordinates). Copying works from
    // the menu only, since a key empties the clipboard: it shows no keys for copying.
    QMenu* createContextMenu(QPoint pos);
    // The window's own entries, added to the context menu after the editing ones.
    void setMenuActions(QList<QAction*> actions) { menuActions_ = std::move(actions); }

    // Gives the found places a background (the keyword red stays as it is), the current one a
    // colour of its own, and scrolls the current one into view. No places: none marked.
    void markFound(const std::vector<TextRange>& found, std::optional<qsizetype> current);
    // Selects the range and scrolls it into view.
    void showPlace(TextRange range);

signals:
    // Ctrl with the wheel: one size up (1) or down (-1).
    void zoomStep(int step);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // A key that gives a character code empties the clipboard once the pane has handled it
    // (so a copy with Ctrl+C is emptied too).
    void keyPressEvent(QKeyEvent* event) override;

private:
    QList<QAction*> menuActions_;
};

} // namespace meridane
