// The vacuum screen's pictures.

#include "draw.h"

#include <QLinearGradient>

namespace Draw {

void vacuum()
{
    save(QStringLiteral("gun.png"), 45, 110, [](QPainter& p, int w, int h) {
        // The beam gun on the chamber: insulator head, body and the nozzle.
        body(p, QRectF(6, 2, w - 12, 22), 4, QColor(230, 226, 214), QColor(150, 140, 120));
        p.setPen(QPen(QColor(150, 140, 120), 1.5));
        for (int y : {9, 15})
            p.drawLine(QPointF(9, y), QPointF(w - 9, y));
        QLinearGradient metal(0, 0, w, 0);
        metal.setColorAt(0, kSteelDark);
        metal.setColorAt(0.45, QColor(190, 198, 210));
        metal.setColorAt(1, kSteelDark);
        p.setPen(QPen(QColor(40, 46, 56), 1.5));
        p.setBrush(metal);
        p.drawRect(QRectF(3, 24, w - 6, 58));
        QPainterPath nozzle;
        nozzle.moveTo(8, 82);
        nozzle.lineTo(w - 8, 82);
        nozzle.lineTo(w / 2.0 + 5, h - 10);
        nozzle.lineTo(w / 2.0 - 5, h - 10);
        nozzle.closeSubpath();
        p.drawPath(nozzle);
        p.setPen(stroke(QColor(90, 160, 255), 2.5));
        p.drawLine(QPointF(w / 2.0, h - 10), QPointF(w / 2.0, h - 2));
    });
}

}  // namespace Draw
