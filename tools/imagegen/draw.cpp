#include "draw.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTextStream>

#include <cstdlib>

namespace Draw {

namespace {
QString g_dir;
int g_written = 0;
}  // namespace

void setOutputDir(const QString& dir)
{
    g_dir = dir;
}

int written()
{
    return g_written;
}

void save(const QString& name, int w, int h, const Painter& paint)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setRenderHint(QPainter::TextAntialiasing, true);
        paint(p, w, h);
    }
    const QString path = g_dir + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!image.save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        std::exit(1);
    }
    ++g_written;
}

QFont font(int pixels, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void text(QPainter& p, const QRectF& box, const QString& s, int pixels, const QColor& colour)
{
    p.setFont(font(pixels));
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, s);
}

void body(QPainter& p, const QRectF& r, qreal radius, const QColor& fill, const QColor& edge)
{
    p.setPen(QPen(edge, 2));
    p.setBrush(fill);
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius, radius);
    QPainterPath band;
    band.addRoundedRect(r.adjusted(3, 3, -3, -r.height() / 2), radius - 2, radius - 2);
    p.fillPath(band, QColor(255, 255, 255, 40));
}

void disc(QPainter& p, const QRectF& r, const QColor& fill, const QColor& edge, qreal rim)
{
    p.setPen(QPen(edge, rim));
    p.setBrush(fill);
    p.drawEllipse(r.adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2));
}

QPen stroke(const QColor& c, qreal width)
{
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void check(QPainter& p, const QRectF& r, const QColor& c, qreal width)
{
    QPainterPath path;
    path.moveTo(r.left() + 0.22 * r.width(), r.top() + 0.52 * r.height());
    path.lineTo(r.left() + 0.42 * r.width(), r.top() + 0.72 * r.height());
    path.lineTo(r.left() + 0.78 * r.width(), r.top() + 0.30 * r.height());
    p.setPen(stroke(c, width));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void cross(QPainter& p, const QRectF& r, const QColor& c, qreal width, qreal inset)
{
    p.setPen(stroke(c, width));
    const qreal a = inset, b = 1 - inset;
    p.drawLine(QPointF(r.left() + a * r.width(), r.top() + a * r.height()),
               QPointF(r.left() + b * r.width(), r.top() + b * r.height()));
    p.drawLine(QPointF(r.left() + b * r.width(), r.top() + a * r.height()),
               QPointF(r.left() + a * r.width(), r.top() + b * r.height()));
}

QPainterPath arrowRight(const QRectF& r)
{
    const qreal cx = r.center().x(), cy = r.center().y();
    const qreal w = r.width(), h = r.height();
    QPainterPath path;
    path.moveTo(cx - 0.32 * w, cy - 0.11 * h);
    path.lineTo(cx + 0.02 * w, cy - 0.11 * h);
    path.lineTo(cx + 0.02 * w, cy - 0.27 * h);
    path.lineTo(cx + 0.34 * w, cy);
    path.lineTo(cx + 0.02 * w, cy + 0.27 * h);
    path.lineTo(cx + 0.02 * w, cy + 0.11 * h);
    path.lineTo(cx - 0.32 * w, cy + 0.11 * h);
    path.closeSubpath();
    return path;
}

}  // namespace Draw
