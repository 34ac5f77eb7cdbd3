// What a host form asks of its skin beyond the skin control's own file.
#include "drapix/lustrane.h"
#include "skin/skin_window.h"

namespace drapix {

void ShowMaximized(QWidget* form) {
    if (SkinWindow* skin = SkinOf(form))
        skin->SysCommand(SkinWindow::SC_MAXIMIZE);
    else
        form->setWindowState(form->windowState() | Qt::WindowMaximized);
}

} // namespace drapix
