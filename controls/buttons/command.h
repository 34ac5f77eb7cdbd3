// The button inside the library: the public class (<drapix/command.h>), its state machine, and
// what only the library's own parts use.
#pragma once

#include "buttons/command_logic.h"
#include "drapix/command.h"

#include <QString>

class QWidget;

namespace drapix {
// The class table's factory: a newly placed button.
QWidget* NewCommand(QWidget* parent);
// The caption a new button shows, and the stored default caption.
inline const QString kCommandDesignCaption = QStringLiteral("Command");
inline const QString kProductFamilyText = QStringLiteral("Lustrane窗体控件");
} // namespace drapix
