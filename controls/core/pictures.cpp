#include "core/pictures.h"

#include "artwork/artwork_table.h"

#include <QImage>
#include <QPixmapCache>

namespace drapix {

QPixmap Picture(const QString& name) {
    const PictureInfo* info = FindPicture(name);
    if (!info)
        return {};
    QPixmap pixmap;
    const QString key = QStringLiteral("drapix:") + name;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(info->resourcePath());
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

QImage PictureImage(const QString& name) {
    const PictureInfo* info = FindPicture(name);
    return info ? QImage(info->resourcePath()) : QImage();
}

} // namespace drapix
