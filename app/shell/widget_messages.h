#pragma once

#include "search/message_service.h"

class QFont;

namespace meridane {

// Message boxes on screen. Yes is the default button of a Yes/No box.
class WidgetMessages : public MessageService {
public:
    int MsgBox(const QString& prompt, int flags, const QString& title) override;
};

// Installs Qt's own Chinese translations (qtbase_zh_CN), whatever the system's language: the
// program speaks Chinese only, so its standard dialogs do too. False when they are not found.
bool LoadQtTranslations();

// The narrowest message box under which a window manager's caption shows title whole, besides
// its icon and buttons.
int MessageBoxMinimumWidth(const QString& title, const QFont& font);

} // namespace meridane
