// What the skin asks of the window system beyond Qt: keyboard moving and sizing through the
// window manager (_NET_WM_MOVERESIZE with its keyboard directions, on X11).
#pragma once

class QWidget;

namespace drapix {

// Whether the window manager offers to move and size a window by keyboard.
bool WindowManagerMovesByKeyboard();
// Starts a keyboard move (size false) or size of the window; false when not offered.
bool StartKeyboardMoveResize(QWidget* window, bool size);

} // namespace drapix
