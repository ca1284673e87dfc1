// Draws every picture of the console's resource bundles with QPainter, in one flat style.
//
//   imagegen <images folder>
//
// Writes the PNG files into the folder (the bevel tiles into its "style" subfolder). The .qrc
// bundles that list them are kept beside the pictures by hand.

#include "draw.h"

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

using namespace Draw;

// ---- number pad keys ------------------------------------------------------------------------

void key(const QString& name, const std::function<void(QPainter&, const QRectF&)>& glyph)
{
    save(name, 65, 65, [&glyph](QPainter& p, int w, int h) {
        const QRectF r(0, 0, w, h);
        body(p, r.adjusted(1, 1, -1, -1), 10, kKey, kKeyEdge);
        glyph(p, r);
    });
}

void numpad()
{
    for (int d = 0; d <= 9; ++d)
        key(QString::number(d) + QStringLiteral(".png"), [d](QPainter& p, const QRectF& r) {
            text(p, r, QString::number(d), 36, Qt::white);
        });
    key(QStringLiteral("sign.png"), [](QPainter& p, const QRectF& r) {
        text(p, r, QStringLiteral("±"), 36, Qt::white);
    });
    key(QStringLiteral("decimal.png"), [](QPainter& p, const QRectF& r) {
        text(p, r.adjusted(0, -8, 0, 0), QStringLiteral(","), 44, Qt::white);
    });
    key(QStringLiteral("clear.png"), [](QPainter& p, const QRectF& r) {
        text(p, r, QStringLiteral("C"), 38, QColor(255, 92, 92));
    });
    key(QStringLiteral("delete.png"), [](QPainter& p, const QRectF& r) {
        // A backspace key: a red tag pointing left with a white cross.
        const QRectF g = r.adjusted(12, 19, -10, -19);
        QPainterPath tag;
        tag.moveTo(g.left(), g.center().y());
        tag.lineTo(g.left() + 12, g.top());
        tag.lineTo(g.right(), g.top());
        tag.lineTo(g.right(), g.bottom());
        tag.lineTo(g.left() + 12, g.bottom());
        tag.closeSubpath();
        p.setPen(stroke(QColor(255, 210, 210), 1.5));
        p.setBrush(QColor(232, 64, 64));
        p.drawPath(tag);
        cross(p, QRectF(g.left() + 14, g.top() + 3, g.height() - 6, g.height() - 6), Qt::white, 3, 0.2);
    });
    key(QStringLiteral("enter.png"), [](QPainter& p, const QRectF& r) {
        text(p, r, QStringLiteral("ВВОД"), 16, Qt::white);
    });
}

// ---- bevel tiles ----------------------------------------------------------------------------

// The shading of a 30 × 30 virtual panel whose nine 10 × 10 slices are the tiles. Mostly
// transparent, so that the panel colour shows: a light rim towards the light (top, left) and a
// dark one away from it, swapped for the pressed-in (sunken) set; corners keep the radius 4
// of the panel's outline.
QColor bevelShade(int x, int y, bool sunken)
{
    const int n = 30;
    // Outside the rounded corner: nothing.
    auto outside = [](int px, int py) {
        const double cx = px < 4 ? 4 : (px > 25 ? 25 : px);
        const double cy = py < 4 ? 4 : (py > 25 ? 25 : py);
        return std::hypot(px + 0.5 - (cx + (px < 4 ? 0 : px > 25 ? 1 : 0.5)),
                          py + 0.5 - (cy + (py < 4 ? 0 : py > 25 ? 1 : 0.5))) > 4.2;
    };
    if (outside(x, y))
        return Qt::transparent;
    const int fromTop = y, fromLeft = x, fromBottom = n - 1 - y, fromRight = n - 1 - x;
    const int edge = std::min(std::min(fromTop, fromLeft), std::min(fromBottom, fromRight));
    if (edge == 0)
        return QColor(0, 0, 0, 110);  // outline of the panel
    static const int ramp[] = {0, 150, 95, 50, 20};
    int light = 0, dark = 0;
    auto add = [](int& v, int distance) {
        if (distance < 5)
            v = std::max(v, ramp[distance]);
    };
    if (!sunken) {
        add(light, fromTop);
        add(light, fromLeft);
        add(dark, fromBottom);
        add(dark, fromRight);
        dark = dark * 4 / 5;
    } else {
        add(dark, fromTop);
        add(dark, fromLeft);
        add(light, fromBottom);
        add(light, fromRight);
        light /= 2;
    }
    // The sunken face is a little darker all over.
    const int face = sunken ? 28 : 0;
    const int shadow = std::max(dark, face);
    if (light > shadow)
        return QColor(255, 255, 255, light);
    return shadow > 0 ? QColor(0, 0, 0, shadow) : QColor(Qt::transparent);
}

void bevel()
{
    static const char* const pieces[9] = {"top_left", "top",    "top_right",
                                          "left",     "mid",    "right",
                                          "bottom_left", "bottom", "bottom_right"};
    for (bool sunken : {false, true}) {
        for (int i = 0; i < 9; ++i) {
            const int ox = (i % 3) * 10, oy = (i / 3) * 10;
            const QString name = QStringLiteral("style/") + (sunken ? "down_" : "up_")
                                 + QLatin1String(pieces[i]) + QStringLiteral(".png");
            save(name, 10, 10, [ox, oy, sunken](QPainter& p, int, int) {
                p.setRenderHint(QPainter::Antialiasing, false);
                p.setCompositionMode(QPainter::CompositionMode_Source);
                for (int y = 0; y < 10; ++y)
                    for (int x = 0; x < 10; ++x)
                        p.fillRect(x, y, 1, 1, bevelShade(ox + x, oy + y, sunken));
            });
        }
    }
}

// ---- the widget kit's own pictures ----------------------------------------------------------

void lamp(const QString& name, const QColor& colour, const QString& glyph = QString())
{
    save(name, 25, 25, [colour, glyph](QPainter& p, int w, int h) {
        const QRectF r(1, 1, w - 2, h - 2);
        QRadialGradient g(r.center() - QPointF(3, 3), r.width() * 0.65);
        g.setColorAt(0, colour.lighter(150));
        g.setColorAt(1, colour.darker(115));
        p.setPen(QPen(QColor(40, 40, 40), 1.5));
        p.setBrush(g);
        p.drawEllipse(r.adjusted(0.75, 0.75, -0.75, -0.75));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 150));
        p.drawEllipse(QRectF(7, 5, 6, 4));
        if (!glyph.isEmpty())
            text(p, QRectF(0, 1, w, h), glyph, 17, QColor(60, 60, 60));
    });
}

// A round badge with a glyph, used for the log icons and the information buttons.
void badge(const QString& name, int size, const QColor& fill, const QColor& edge,
           const std::function<void(QPainter&, const QRectF&)>& glyph)
{
    save(name, size, size, [&](QPainter& p, int w, int h) {
        const QRectF r(0, 0, w, h);
        disc(p, r.adjusted(1, 1, -1, -1), fill, edge, std::max(1.0, size / 24.0));
        glyph(p, r);
    });
}

void letterI(QPainter& p, const QRectF& r, const QColor& c)
{
    const qreal s = r.width();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QPointF(r.center().x(), r.top() + 0.28 * s), 0.08 * s, 0.08 * s);
    p.drawRoundedRect(QRectF(r.center().x() - 0.07 * s, r.top() + 0.42 * s, 0.14 * s, 0.36 * s),
                      0.03 * s, 0.03 * s);
}

void exclamation(QPainter& p, const QRectF& r, const QColor& c, qreal top, qreal bottom)
{
    const qreal s = r.width();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawRoundedRect(QRectF(r.center().x() - 0.065 * s, r.top() + top * s, 0.13 * s,
                             (bottom - top - 0.18) * s),
                      0.04 * s, 0.04 * s);
    p.drawEllipse(QPointF(r.center().x(), r.top() + (bottom - 0.06) * s), 0.075 * s, 0.075 * s);
}

void kit()
{
    save(QStringLiteral("ok.png"), 32, 32, [](QPainter& p, int w, int h) {
        disc(p, QRectF(1, 1, w - 2, h - 2), Qt::white, kGreenEdge, 2);
        check(p, QRectF(0, 0, w, h), kGreen, 4);
    });
    save(QStringLiteral("no.png"), 32, 32, [](QPainter& p, int w, int h) {
        disc(p, QRectF(1, 1, w - 2, h - 2), Qt::white, kRedEdge, 2);
        cross(p, QRectF(0, 0, w, h), kRed, 4);
    });
    save(QStringLiteral("close.png"), 56, 56, [](QPainter& p, int w, int h) {
        const QRectF r(4, 4, w - 8, h - 8);
        body(p, r, 9, kRed, kRedEdge);
        cross(p, r, Qt::white, 6);
    });
    lamp(QStringLiteral("indicator_gray.png"), QColor(150, 150, 150));
    lamp(QStringLiteral("indicator_green.png"), QColor(40, 200, 60));
    lamp(QStringLiteral("indicator_yellow.png"), QColor(245, 210, 30));
    lamp(QStringLiteral("indicator_red.png"), QColor(230, 40, 40));
    // A state the controller has not reported: the pink of an invalid reading, with a question.
    lamp(QStringLiteral("indicator_unknown.png"), QColor(255, 192, 192), QStringLiteral("?"));

    // Operator-log icons.
    badge(QStringLiteral("icon-info-mini.png"), 24, QColor(52, 120, 210), QColor(30, 80, 150),
          [](QPainter& p, const QRectF& r) { letterI(p, r, Qt::white); });
    badge(QStringLiteral("icon-error-mini.png"), 24, kRed, kRedEdge,
          [](QPainter& p, const QRectF& r) { cross(p, r, Qt::white, 3, 0.32); });
    badge(QStringLiteral("icon-run-mini.png"), 24, kGreen, kGreenEdge,
          [](QPainter& p, const QRectF& r) {
              QPainterPath play;
              play.moveTo(r.left() + 9, r.top() + 6.5);
              play.lineTo(r.left() + 18, r.center().y());
              play.lineTo(r.left() + 9, r.bottom() - 6.5);
              play.closeSubpath();
              p.fillPath(play, Qt::white);
          });
    save(QStringLiteral("icon-warning-mini.png"), 24, 24, [](QPainter& p, int w, int h) {
        QPainterPath tri;
        tri.moveTo(w / 2.0, 2);
        tri.lineTo(w - 1.5, h - 2.5);
        tri.lineTo(1.5, h - 2.5);
        tri.closeSubpath();
        p.setPen(stroke(QColor(150, 110, 0), 1.5));
        p.setBrush(kYellow);
        p.drawPath(tri);
        exclamation(p, QRectF(0, 0, w, h), kInk, 0.30, 0.88);
    });
    badge(QStringLiteral("icon-basic-mini.png"), 24, QColor(120, 130, 150), QColor(80, 88, 104),
          [](QPainter& p, const QRectF& r) {
              // A speech bubble.
              QPainterPath bubble;
              bubble.addRoundedRect(QRectF(r.left() + 5.5, r.top() + 6.5, 13, 8.5), 2.5, 2.5);
              QPainterPath tail;
              tail.moveTo(r.left() + 8.5, r.top() + 14);
              tail.lineTo(r.left() + 8, r.top() + 18.5);
              tail.lineTo(r.left() + 12.5, r.top() + 14);
              tail.closeSubpath();
              p.fillPath(bubble.united(tail), Qt::white);
          });

    for (bool plus : {false, true})
        save(plus ? QStringLiteral("plus.png") : QStringLiteral("minus.png"), 50, 50,
             [plus](QPainter& p, int w, int h) {
                 body(p, QRectF(1, 1, w - 2, h - 2), 8, kKey, kKeyEdge);
                 p.setPen(Qt::NoPen);
                 p.setBrush(Qt::white);
                 p.drawRoundedRect(QRectF(12, h / 2.0 - 3.5, w - 24, 7), 2, 2);
                 if (plus)
                     p.drawRoundedRect(QRectF(w / 2.0 - 3.5, 12, 7, h - 24), 2, 2);
             });
    save(QStringLiteral("empty64x64.png"), 64, 64, [](QPainter&, int, int) {});
}

// ---- jog arrows -----------------------------------------------------------------------------

void arrow(const QString& name, const std::function<void(QPainter&, const QRectF&)>& glyph,
           bool pressed = false)
{
    save(name, 55, 55, [&glyph, pressed](QPainter& p, int w, int h) {
        const QRectF r(0, 0, w, h);
        body(p, r.adjusted(1, 1, -1, -1), 9, pressed ? QColor(0, 170, 220) : QColor(226, 232, 244),
             pressed ? QColor(0, 100, 150) : kSteel);
        glyph(p, r);
    });
}

void straight(QPainter& p, const QRectF& r, qreal degrees, const QColor& c)
{
    p.save();
    p.translate(r.center());
    p.rotate(degrees);
    p.translate(-r.center());
    p.setPen(stroke(c.darker(140), 1.5));
    p.setBrush(c);
    p.drawPath(arrowRight(r));
    p.restore();
}

// A curved arrow around the centre, turning counter-clockwise (up) or clockwise (down).
void turning(QPainter& p, const QRectF& r, bool up, const QColor& c)
{
    const QRectF ring = r.adjusted(14, 14, -14, -14);
    p.setPen(QPen(c, 6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    const qreal start = up ? -60 : 240;
    const qreal span = up ? 260 : -260;
    p.drawArc(ring, int(start * 16), int(span * 16));
    // Head at the end of the arc, along its direction.
    const qreal end = (start + span) * M_PI / 180.0;
    const QPointF tip(ring.center().x() + ring.width() / 2 * std::cos(end),
                      ring.center().y() - ring.height() / 2 * std::sin(end));
    const qreal dir = up ? 1 : -1;  // counter-clockwise tangent for up
    const QPointF tangent(-std::sin(end) * dir, -std::cos(end) * dir);
    const QPointF normal(std::cos(end), -std::sin(end));
    QPainterPath head;
    head.moveTo(tip + tangent * 9);
    head.lineTo(tip + normal * 8 - tangent * 2);
    head.lineTo(tip - normal * 8 - tangent * 2);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.fillPath(head, c);
}

// Arrows along the beam axis: a tapering arrow drawn in perspective (forward: away from the
// operator, pointing up and narrowing; backward: towards, pointing down and widening).
void depth(QPainter& p, const QRectF& r, bool forward, const QColor& c)
{
    const qreal cx = r.center().x();
    QPainterPath path;
    if (forward) {
        path.moveTo(cx, r.top() + 9);
        path.lineTo(cx + 12, r.top() + 24);
        path.lineTo(cx + 6, r.top() + 24);
        path.lineTo(cx + 10, r.bottom() - 9);
        path.lineTo(cx - 10, r.bottom() - 9);
        path.lineTo(cx - 6, r.top() + 24);
        path.lineTo(cx - 12, r.top() + 24);
    } else {
        path.moveTo(cx, r.bottom() - 8);
        path.lineTo(cx + 16, r.bottom() - 25);
        path.lineTo(cx + 8, r.bottom() - 25);
        path.lineTo(cx + 5, r.top() + 9);
        path.lineTo(cx - 5, r.top() + 9);
        path.lineTo(cx - 8, r.bottom() - 25);
        path.lineTo(cx - 16, r.bottom() - 25);
    }
    path.closeSubpath();
    p.setPen(stroke(c.darker(140), 1.5));
    p.setBrush(c);
    p.drawPath(path);
}

void arrows()
{
    const QColor c = kKey;
    arrow(QStringLiteral("arrow_right.png"), [c](QPainter& p, const QRectF& r) { straight(p, r, 0, c); });
    arrow(QStringLiteral("arrow_down.png"), [c](QPainter& p, const QRectF& r) { straight(p, r, 90, c); });
    arrow(QStringLiteral("arrow_left.png"), [c](QPainter& p, const QRectF& r) { straight(p, r, 180, c); });
    arrow(QStringLiteral("arrow_up.png"), [c](QPainter& p, const QRectF& r) { straight(p, r, 270, c); });
    arrow(QStringLiteral("arrow_turn_up.png"), [c](QPainter& p, const QRectF& r) { turning(p, r, true, c); });
    arrow(QStringLiteral("arrow_turn_down.png"), [c](QPainter& p, const QRectF& r) { turning(p, r, false, c); });
    for (bool pressed : {false, true}) {
        const QString suffix = pressed ? QStringLiteral("_pressed.png") : QStringLiteral(".png");
        const QColor g = pressed ? QColor(Qt::white) : c;
        arrow(QStringLiteral("arrow_forward") + suffix,
              [g](QPainter& p, const QRectF& r) { depth(p, r, true, g); }, pressed);
        arrow(QStringLiteral("arrow_backward") + suffix,
              [g](QPainter& p, const QRectF& r) { depth(p, r, false, g); }, pressed);
    }
}

// ---- main window pictures -------------------------------------------------------------------

void gear(QPainter& p, const QPointF& c, qreal outer, qreal inner, int teeth, const QColor& colour)
{
    QPainterPath path;
    for (int i = 0; i < teeth * 4; ++i) {
        const qreal a = (i / qreal(teeth * 4)) * 2 * M_PI;
        const qreal radius = (i % 4 == 0 || i % 4 == 1) ? outer : inner;
        const QPointF pt(c.x() + radius * std::cos(a), c.y() + radius * std::sin(a));
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(c, inner * 0.42, inner * 0.42);
    p.setPen(stroke(colour.darker(140), 1.5));
    p.setBrush(colour);
    p.drawPath(path.subtracted(hole));
}

void person(QPainter& p, qreal cx, qreal top, qreal scale, const QColor& c)
{
    p.setPen(stroke(c.darker(150), 1.2));
    p.setBrush(c);
    p.drawEllipse(QPointF(cx, top + 7 * scale), 6 * scale, 6.5 * scale);
    QPainterPath shoulders;
    shoulders.moveTo(cx - 12 * scale, top + 30 * scale);
    shoulders.cubicTo(cx - 12 * scale, top + 15 * scale, cx + 12 * scale, top + 15 * scale,
                      cx + 12 * scale, top + 30 * scale);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
}

void mainWindow()
{
    badge(QStringLiteral("info.png"), 55, QColor(52, 120, 210), QColor(30, 80, 150),
          [](QPainter& p, const QRectF& r) { letterI(p, r, Qt::white); });
    badge(QStringLiteral("1info.png"), 48, QColor(52, 120, 210), QColor(30, 80, 150),
          [](QPainter& p, const QRectF& r) { letterI(p, r, Qt::white); });

    save(QStringLiteral("infinite.png"), 32, 32, [](QPainter& p, int w, int h) {
        QPainterPath path;
        const qreal cx = w / 2.0, cy = h / 2.0;
        for (int i = 0; i <= 200; ++i) {
            const qreal t = i / 200.0 * 2 * M_PI;
            const qreal d = 1 + std::sin(t) * std::sin(t);
            const QPointF pt(cx + 13 * std::cos(t) / d, cy + 13 * std::sin(t) * std::cos(t) / d);
            if (i == 0)
                path.moveTo(pt);
            else
                path.lineTo(pt);
        }
        p.setPen(stroke(kKeyEdge, 3.5));
        p.drawPath(path);
    });

    save(QStringLiteral("lir.png"), 80, 80, [](QPainter& p, int w, int h) {
        // A handwheel: rim, three spokes, hub and a handle knob.
        const QPointF c(w / 2.0, h / 2.0);
        p.setPen(QPen(kSteelDark, 7));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 31, 31);
        p.setPen(QPen(kSteel, 3));
        p.drawEllipse(c, 31, 31);
        p.setPen(stroke(kSteelDark, 5));
        for (int i = 0; i < 3; ++i) {
            const qreal a = (90 + i * 120) * M_PI / 180;
            p.drawLine(c, c + QPointF(29 * std::cos(a), -29 * std::sin(a)));
        }
        disc(p, QRectF(c.x() - 9, c.y() - 9, 18, 18), kSteel, kSteelDark, 2);
        disc(p, QRectF(c.x() + 17, c.y() - 27, 14, 14), kRed, kRedEdge, 2);
    });

    save(QStringLiteral("spiral.png"), 48, 48, [](QPainter& p, int w, int h) {
        // A lamp filament coil with its glow.
        QRadialGradient glow(QPointF(w / 2.0, h / 2.0), 24);
        glow.setColorAt(0, QColor(255, 220, 90, 200));
        glow.setColorAt(1, QColor(255, 220, 90, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QRectF(0, 0, w, h));
        QPainterPath coil;
        coil.moveTo(6, 30);
        for (int i = 0; i < 5; ++i) {
            const qreal x = 9 + i * 7;
            coil.cubicTo(x, 10, x + 7, 10, x + 7, 24);
            coil.cubicTo(x + 7, 34, x + 2, 34, x + 3, 26);
        }
        p.setPen(stroke(QColor(200, 90, 0), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawPath(coil);
    });

    save(QStringLiteral("remote-control.png"), 48, 48, [](QPainter& p, int, int) {
        // A hand-held pendant: body, display, keys and the cable.
        p.setPen(stroke(kSteelDark, 2));
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(24, 44), QPointF(24, 47));
        body(p, QRectF(11, 2, 26, 42), 5, QColor(70, 80, 96), QColor(34, 40, 52));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 230, 160));
        p.drawRoundedRect(QRectF(15, 6, 18, 9), 1.5, 1.5);
        p.setBrush(QColor(230, 40, 40));
        p.drawEllipse(QPointF(24, 35), 4.5, 4.5);
        p.setBrush(QColor(220, 225, 235));
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col)
                p.drawRoundedRect(QRectF(15 + col * 6.5, 18 + row * 6, 5, 4), 1, 1);
    });

    save(QStringLiteral("calculator.png"), 48, 48, [](QPainter& p, int, int) {
        body(p, QRectF(8, 2, 32, 44), 5, QColor(70, 80, 96), QColor(34, 40, 52));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(150, 230, 160));
        p.drawRoundedRect(QRectF(12, 6, 24, 10), 1.5, 1.5);
        for (int row = 0; row < 4; ++row)
            for (int col = 0; col < 3; ++col) {
                p.setBrush(row == 3 && col == 2 ? QColor(240, 140, 40) : QColor(220, 225, 235));
                p.drawRoundedRect(QRectF(12 + col * 8.5, 19.5 + row * 6.5, 6.5, 5), 1, 1);
            }
    });

    save(QStringLiteral("1point.png"), 48, 48, [](QPainter& p, int w, int h) {
        // A taught point: cross hairs through a ringed dot.
        const QPointF c(w / 2.0, h / 2.0);
        p.setPen(stroke(kInk, 2));
        p.drawLine(QPointF(4, c.y()), QPointF(w - 4, c.y()));
        p.drawLine(QPointF(c.x(), 4), QPointF(c.x(), h - 4));
        p.setPen(QPen(kKey, 3));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 14, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(kRed);
        p.drawEllipse(c, 5.5, 5.5);
    });

    save(QStringLiteral("1users.png"), 48, 48, [](QPainter& p, int, int) {
        person(p, 31, 6, 1.05, QColor(120, 150, 200));
        person(p, 18, 12, 1.15, kKey);
    });

    save(QStringLiteral("1settings.png"), 48, 48, [](QPainter& p, int w, int h) {
        gear(p, QPointF(w / 2.0, h / 2.0), 21, 15.5, 9, kSteel);
    });

    save(QStringLiteral("logo.png"), 280, 110, [](QPainter& p, int w, int) {
        // The installation's mark: a beam falling from a gun onto a seam, and the name.
        const qreal cx = 40;
        QLinearGradient beam(cx, 14, cx, 74);
        beam.setColorAt(0, QColor(90, 160, 255));
        beam.setColorAt(1, QColor(200, 230, 255));
        p.setPen(Qt::NoPen);
        p.setBrush(beam);
        QPainterPath cone;
        cone.moveTo(cx - 7, 26);
        cone.lineTo(cx + 7, 26);
        cone.lineTo(cx + 1.5, 74);
        cone.lineTo(cx - 1.5, 74);
        cone.closeSubpath();
        p.drawPath(cone);
        body(p, QRectF(cx - 14, 6, 28, 22), 4, kKey, kKeyEdge);
        QRadialGradient spark(QPointF(cx, 76), 14);
        spark.setColorAt(0, QColor(255, 255, 255));
        spark.setColorAt(0.4, QColor(255, 210, 80));
        spark.setColorAt(1, QColor(255, 150, 0, 0));
        p.setBrush(spark);
        p.drawEllipse(QPointF(cx, 76), 14, 10);
        p.setPen(stroke(kSteelDark, 4));
        p.drawLine(QPointF(8, 84), QPointF(72, 84));
        text(p, QRectF(84, 14, w - 88, 56), QStringLiteral("KAVRO"), 40, kKeyEdge);
        p.setFont(font(12, false));
        p.setPen(kInk);
        p.drawText(QRectF(84, 66, w - 88, 24), Qt::AlignCenter,
                   QStringLiteral("электронно-лучевая сварка"));
    });
}

}  // namespace

int main(int argc, char* argv[])
{
    // Fonts and painting need a GUI application, never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: imagegen <images folder>\n";
        return 2;
    }
    const QString dir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    setOutputDir(dir);
    numpad();
    bevel();
    kit();
    arrows();
    mainWindow();
    vacuum();
    QTextStream(stdout) << written() << " pictures written to " << dir << '\n';
    return 0;
}
