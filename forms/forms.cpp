// The form data resources need a translation unit of their own to link into a program.
#include <QtGlobal>

namespace meridane {
int FormsResourceAnchor() {
    return 0;
}
} // namespace meridane
