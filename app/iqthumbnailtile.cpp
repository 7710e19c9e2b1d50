#include "iqthumbnailtile.h"

#include <QPainter>
#include <QPixmap>

QIcon thumbnailTile(const QImage& picture)
{
    constexpr int TileSide = 120;
    const QRect pictureSquare(5, 0, 110, 110);
    QPixmap tile(TileSide, TileSide);
    tile.fill(Qt::transparent);
    {
        QPainter painter(&tile);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        QIcon(QPixmap::fromImage(picture))
            .paint(&painter, pictureSquare, Qt::AlignCenter, QIcon::Normal, QIcon::Off);
    }
    return QIcon(tile);
}
