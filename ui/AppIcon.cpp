#include "AppIcon.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// A smooth bump: one channel's histogram on the icon.
QPainterPath Curve(double size, double centre, double spread, double height) {
    QPainterPath path;
    const double left = size * 0.16;
    const double right = size * 0.86;
    const double base = size * 0.80;
    for (int i = 0; i <= 48; ++i) {
        const double t = i / 48.0;
        const double x = left + t * (right - left);
        const double d = (t - centre) / spread;
        const double y = base - height * size * std::exp(-d * d);
        if (i == 0) {
            path.moveTo(x, y);
        } else {
            path.lineTo(x, y);
        }
    }
    return path;
}

}  // namespace

QImage DrawAppIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double s = size;

    painter.setPen(QPen(QColor(60, 60, 60), std::max(1.0, s / 32)));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.08, s * 0.08);

    const double line = std::max(1.0, s / 24);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, line, Qt::SolidLine, Qt::SquareCap));
    painter.drawLine(QPointF(s * 0.16, s * 0.18), QPointF(s * 0.16, s * 0.80));
    painter.drawLine(QPointF(s * 0.16, s * 0.80), QPointF(s * 0.86, s * 0.80));

    painter.setPen(QPen(QColor(255, 0, 0), line * 1.2));
    painter.drawPath(Curve(s, 0.30, 0.14, 0.50));
    painter.setPen(QPen(QColor(0, 128, 0), line * 1.2));
    painter.drawPath(Curve(s, 0.52, 0.16, 0.38));
    painter.setPen(QPen(QColor(0, 0, 255), line * 1.2));
    painter.drawPath(Curve(s, 0.70, 0.12, 0.56));
    return image;
}

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(DrawAppIcon(size)));
    }
    return icon;
}
