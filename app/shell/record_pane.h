// The record pane: a rich-text box that shows a record body with keyword ranges in red.
#pragma once

#include "search/record_display.h"

#include <QTextEdit>

namespace meridane {

inline const QColor kKeywordColour(0xFF, 0x00, 0x00);

class RecordPane : public QTextEdit {
    Q_OBJECT
public:
    explicit RecordPane(QWidget* parent = nullptr);

    // Replaces the text with body, the ranges (sorted, disjoint) in red and the rest in the
    // window-text colour. The document is built in one pass.
    void showColoured(const QString& body, const std::vector<TextRange>& ranges);

protected:
    // A key press empties the clipboard once the pane has handled the key.
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace meridane
