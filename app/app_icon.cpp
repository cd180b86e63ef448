// Paints the program's icon at the sizes the window system asks for.
#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace quorvel::app {

namespace {

QPixmap Paint(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 64.0;
    // The body of the strip.
    p.setPen(QPen(QColor(0x1d, 0x3a, 0x5f), 2 * s));
    p.setBrush(QColor(0x2f, 0x5d, 0x8a));
    p.drawRoundedRect(QRectF(20 * s, 2 * s, 24 * s, 60 * s), 5 * s, 5 * s);
    // Three outlets.
    p.setBrush(QColor(0xf2, 0xf2, 0xf2));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        const QRectF r(25 * s, (9 + i * 15) * s, 14 * s, 11 * s);
        p.drawRoundedRect(r, 2 * s, 2 * s);
    }
    p.setBrush(QColor(0x30, 0x30, 0x30));
    for (int i = 0; i < 3; ++i) {
        const qreal y = (12 + i * 15) * s;
        p.drawRect(QRectF(28 * s, y, 2 * s, 5 * s));
        p.drawRect(QRectF(34 * s, y, 2 * s, 5 * s));
    }
    // The link lamp.
    p.setBrush(QColor(0x00, 0xd0, 0x40));
    p.drawEllipse(QPointF(32 * s, 55 * s), 2.5 * s, 2.5 * s);
    return pm;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        icon.addPixmap(Paint(size));
    }
    return icon;
}

}  // namespace quorvel::app
