// What the skin asks of the window system beyond Qt: keyboard moving and sizing through the
// window manager (_NET_WM_MOVERESIZE with its keyboard directions, on X11).
#pragma once

#include <QPoint>

class QWidget;

#include "drapix/application.h"
#include "drapix_global.h"

namespace drapix {

// SelectWindowSystem: <drapix/application.h>.

// Whether the window manager offers to move and size a window by keyboard.
bool WindowManagerMovesByKeyboard();
// Starts a keyboard move (size false) or size of the window; false when not offered.
bool StartKeyboardMoveResize(QWidget* window, bool size);

// Starts a move of the window by the window manager with the left button held, as if the button
// had gone down at pressedAt (screen pixels), so that the point pressed stays under the mouse
// however far the mouse has gone since; false when not offered (X11 only).
bool StartMoveFrom(QWidget* window, QPoint pressedAt);

} // namespace drapix
