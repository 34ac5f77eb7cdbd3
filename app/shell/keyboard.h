// Keyboard rules shared by the program's windows.
#pragma once

#include <QKeySequence>
#include <QList>

class QWidget;

namespace meridane {

// Tab and Shift+Tab (and Ctrl+Tab, Ctrl+Shift+Tab) move the focus out of a text box to the
// next or previous control instead of typing a tab character.
void LeaveOnTab(QWidget& textBox);

// The widget no longer claims keys for editing of its own, so that the window's shortcuts with
// those keys work while it has the focus.
void LeaveKeysToWindow(QWidget& widget, const QList<QKeySequence>& keys);

} // namespace meridane
