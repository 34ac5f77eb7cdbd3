#pragma once

#include "search/message_service.h"

#include <QPointer>
#include <QWidget>

class QFont;

namespace meridane {

// Message boxes on screen, each centred on the window it belongs to: the active window, or the
// one that was active last (while an earlier box of the same action was closing, no window is
// active). Yes is the default button of a Yes/No box.
class WidgetMessages : public MessageService {
public:
    WidgetMessages();
    int MsgBox(const QString& prompt, int flags, const QString& title) override;
    // The window the next box belongs to.
    QWidget* owner() const;

private:
    QPointer<QWidget> lastActive_;
    QObject watch_; // ends the watch of the active window with the service
};

// Installs Qt's own Chinese translations (qtbase_zh_CN), whatever the system's language: the
// program speaks Chinese only, so its standard dialogs do too. False when they are not found.
bool LoadQtTranslations();

// The narrowest message box under which a window manager's caption shows title whole, besides
// its icon and buttons.
int MessageBoxMinimumWidth(const QString& title, const QFont& font);

} // namespace meridane
