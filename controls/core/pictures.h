// The library's pictures, embedded at build time (see artwork/).
#pragma once

#include "drapix_global.h"

#include <QPixmap>
#include <QString>

namespace drapix {

// The picture of the table by name ("Imgbut1", "dlgAboutBackground"); a null pixmap for an
// unknown name.
DRAPIX_EXPORT QPixmap Picture(const QString& name);
DRAPIX_EXPORT QImage PictureImage(const QString& name);

} // namespace drapix
