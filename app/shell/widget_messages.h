#pragma once

#include "search/message_service.h"

namespace meridane {

// Message boxes on screen. Yes is the default button of a Yes/No box.
class WidgetMessages : public MessageService {
public:
    int MsgBox(const QString& prompt, int flags, const QString& title) override;
};

} // namespace meridane
