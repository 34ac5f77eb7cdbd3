#include "buttons/pictures.h"

#include "artwork/artwork_table.h"

#include <QImage>
#include <QPixmapCache>

namespace drapix {

QPixmap Picture(const QString& name) {
    const PictureSpec* spec = FindPicture(name);
    if (!spec)
        return {};
    QPixmap pixmap;
    const QString key = QStringLiteral("drapix:") + name;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = QPixmap(spec->resourcePath());
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

QImage PictureImage(const QString& name) {
    const PictureSpec* spec = FindPicture(name);
    return spec ? QImage(spec->resourcePath()) : QImage();
}

} // namespace drapix
