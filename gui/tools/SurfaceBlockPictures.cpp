#include "SurfaceBlockPictures.h"

#include <QLinearGradient>
#include <QPainter>

namespace SurfaceBlockPictures {

QPixmap Block(Kind kind)
{
    QPixmap picture(kWidth, kHeight);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QColor light, dark;
    switch (kind) {
    case Kind::Empty:
        light = QColor(236, 238, 242);
        dark = QColor(198, 202, 210);
        break;
    case Kind::Green:
        light = QColor(120, 214, 104);
        dark = QColor(36, 150, 44);
        break;
    case Kind::Red:
        light = QColor(246, 110, 96);
        dark = QColor(196, 24, 20);
        break;
    }
    // A small raised tile: a diagonal shade inside a darker rim.
    QLinearGradient shade(0, 0, kWidth, kHeight);
    shade.setColorAt(0, light);
    shade.setColorAt(1, dark);
    painter.fillRect(QRect(0, 0, kWidth, kHeight), shade);
    painter.setPen(dark.darker(130));
    painter.drawRect(QRect(0, 0, kWidth - 1, kHeight - 1));
    painter.setPen(light.lighter(115));
    painter.drawLine(1, 1, kWidth - 3, 1);
    painter.drawLine(1, 1, 1, kHeight - 3);
    return picture;
}

} // namespace SurfaceBlockPictures
