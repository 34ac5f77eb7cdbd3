// The tray control inside the library: the public class (<drapix/systray.h>), its hook and
// notification-area record, and what only the library's own parts use.
#pragma once

#include "buttons/msystray.h"
#include "buttons/notify_area.h"
#include "drapix/systray.h"

#include <QString>

class QWidget;

namespace drapix {
// The class table's factory: a newly placed control.
QWidget* NewSysTray(QWidget* parent);
// The tip of a newly placed control, and the stored default.
inline const QString kSysTrayStudioText = QStringLiteral("Drapix 工作室");
} // namespace drapix
