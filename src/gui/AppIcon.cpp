#include "gui/AppIcon.h"

#include <QPainter>
#include <QPixmap>

namespace quorbit::gui {
namespace {

QPixmap DrawChip(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // Pins on both long sides of the package.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(190, 190, 190));
    for (int i = 0; i < 6; ++i) {
        p.drawRect(QRectF(4, 5.5 + i * 4, 4, 2));
        p.drawRect(QRectF(24, 5.5 + i * 4, 4, 2));
    }
    p.setBrush(QColor(45, 45, 55));
    p.drawRoundedRect(QRectF(7, 3, 18, 27), 1.5, 1.5);
    // The quartz window the die is erased through.
    p.setBrush(QColor(120, 170, 220));
    p.drawEllipse(QPointF(16, 16), 5, 5);
    p.setBrush(QColor(215, 180, 60));
    p.drawRect(QRectF(14, 14, 4, 4));
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(DrawChip(size));
    return icon;
}

} // namespace quorbit::gui
