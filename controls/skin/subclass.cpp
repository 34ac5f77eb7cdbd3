#include "skin/subclass.h"

#include <QCursor>

namespace drapix {

bool CursorInRect(const QRect& screenRect) {
    return screenRect.contains(QCursor::pos());
}

} // namespace drapix
