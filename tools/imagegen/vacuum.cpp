// The vacuum screen's pictures: the beam gun, every pump and valve in its four looks (off or
// closed grey, on green or open blue, switching yellow, error or unknown red), the pipe pieces
// without and with flow (grey, cyan), and the cooling-water temperature and flow signs.
//
// Ports sit where the mimic's pipes meet each sprite: the pictures are drawn for the places the
// vacuum screen's form gives them.

#include "draw.h"

#include <QLinearGradient>
#include <QPolygonF>
#include <QRadialGradient>

#include <cmath>

namespace Draw {

namespace {

struct Tone {
    QColor fill;
    QColor edge;
    QColor deep;  // a dark shade of the same hue, for large bodies under light captions
};

const Tone kOff{QColor(158, 160, 164), QColor(86, 88, 94), QColor(84, 88, 96)};
const Tone kRunning{QColor(44, 178, 76), QColor(20, 100, 40), QColor(24, 104, 48)};
const Tone kOpen{QColor(48, 120, 226), QColor(22, 60, 140), QColor(26, 70, 150)};
const Tone kMoving{QColor(244, 204, 40), QColor(150, 112, 0), QColor(128, 96, 10)};
const Tone kError{QColor(222, 52, 48), QColor(130, 20, 20), QColor(140, 28, 28)};

const QColor kPipeGrey(164, 166, 170);
const QColor kPipeCyan(0, 214, 240);
const QColor kSteelLight(196, 202, 212);

// One picture per look of an element: "<set>_0", "_1", "_23", "_4".
void states(const QString& set, int w, int h, bool pump,
            const std::function<void(QPainter&, int, int, const Tone&)>& paint)
{
    const struct {
        const char* suffix;
        Tone tone;
    } looks[] = {{"_0", kOff}, {"_1", pump ? kRunning : kOpen}, {"_23", kMoving}, {"_4", kError}};
    for (const auto& look : looks) {
        const Tone tone = look.tone;
        save(set + QLatin1String(look.suffix) + QStringLiteral(".png"), w, h,
             [&paint, tone](QPainter& p, int pw, int ph) { paint(p, pw, ph, tone); });
    }
}

// A short steel pipe stub between two points, t thick.
void stub(QPainter& p, QPointF a, QPointF b, qreal t)
{
    p.setPen(QPen(kSteelDark, t + 2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(a, b);
    p.setPen(QPen(kSteel, t - 1, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(a, b);
}

// A flange across a pipe end: a flat steel bar centred on c, long along the given direction.
void flange(QPainter& p, QPointF c, qreal length, bool horizontal)
{
    const QRectF r = horizontal ? QRectF(c.x() - length / 2, c.y() - 2.5, length, 5)
                                : QRectF(c.x() - 2.5, c.y() - length / 2, 5, length);
    p.setPen(QPen(kSteelDark, 1));
    p.setBrush(kSteelLight);
    p.drawRect(r);
}

// The valve sign: two triangles meeting tip to tip across the flow.
void bowtie(QPainter& p, const QRectF& r, bool vertical, const Tone& tone)
{
    QPainterPath path;
    if (vertical) {
        path.moveTo(r.topLeft());
        path.lineTo(r.topRight());
        path.lineTo(r.bottomLeft());
        path.lineTo(r.bottomRight());
    } else {
        path.moveTo(r.topLeft());
        path.lineTo(r.bottomLeft());
        path.lineTo(r.topRight());
        path.lineTo(r.bottomRight());
    }
    path.closeSubpath();
    p.setPen(QPen(tone.edge, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(tone.fill);
    p.drawPath(path);
}

// The actuator of a valve: a stem from the valve's middle to a small drive box.
void actuator(QPainter& p, QPointF from, QPointF to, qreal box, const Tone& tone)
{
    p.setPen(stroke(kInk, 1.6));
    p.drawLine(from, to);
    p.setPen(QPen(tone.edge, 1.2));
    p.setBrush(tone.fill);
    p.drawRect(QRectF(to.x() - box / 2, to.y() - box / 2, box, box));
}

// The round casing of a pump with its rim.
void casing(QPainter& p, QPointF c, qreal r, const Tone& tone)
{
    disc(p, QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), tone.fill, tone.edge, 2.2);
    QPainterPath shine;
    shine.addEllipse(QRectF(c.x() - r * 0.7, c.y() - r * 0.85, r * 1.4, r * 0.7));
    p.fillPath(shine, QColor(255, 255, 255, 46));
}

// An electric motor: a ribbed steel cylinder lying along x from x0 to x1.
void motor(QPainter& p, qreal x0, qreal x1, qreal cy, qreal h)
{
    QLinearGradient g(0, cy - h / 2, 0, cy + h / 2);
    g.setColorAt(0, kSteelDark);
    g.setColorAt(0.35, kSteelLight);
    g.setColorAt(1, kSteelDark);
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(x0, cy - h / 2, x1 - x0, h), 3, 3);
    p.setPen(QPen(QColor(60, 66, 78, 140), 1));
    for (qreal x = x0 + 5; x < x1 - 3; x += 4)
        p.drawLine(QPointF(x, cy - h / 2 + 3), QPointF(x, cy + h / 2 - 3));
}

void base(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kSteelDark);
    p.drawRect(r);
}

// ---- pumps ----------------------------------------------------------------------------------

void pumps()
{
    // Fore-vacuum (rotary vane) pump: the inlet from above at x 62, the casing with its eccentric
    // rotor and vanes, the motor beside it, on a base plate.
    states(QStringLiteral("NL"), 101, 72, true, [](QPainter& p, int, int h, const Tone& t) {
        base(p, QRectF(4, h - 6, 93, 5));
        motor(p, 6, 40, 46, 26);
        stub(p, QPointF(62.5, 17), QPointF(62.5, 30), 11);
        flange(p, QPointF(62.5, 19), 19, true);
        casing(p, QPointF(62.5, 45), 20, t);
        p.setPen(QPen(t.edge, 1.6));
        p.setBrush(QColor(255, 255, 255, 90));
        p.drawEllipse(QRectF(51, 37, 19, 19));
        p.setPen(stroke(t.edge, 2));
        p.drawLine(QPointF(52, 46.5), QPointF(44, 46.5));
        p.drawLine(QPointF(69, 46.5), QPointF(80, 46.5));
    });

    // Roots pump: flanges above and below at x 60.5, the casing with two figure-eight lobes,
    // its motor to the left.
    states(QStringLiteral("NZ"), 108, 61, true, [](QPainter& p, int, int h, const Tone& t) {
        motor(p, 4, 30, 30.5, 22);
        stub(p, QPointF(60.5, 0), QPointF(60.5, 12), 13);
        stub(p, QPointF(60.5, h - 12), QPointF(60.5, h), 13);
        flange(p, QPointF(60.5, 10), 21, true);
        flange(p, QPointF(60.5, h - 10), 21, true);
        body(p, QRectF(30, 12, 62, 37), 9, t.fill, t.edge);
        p.setPen(QPen(t.edge, 1.6));
        p.setBrush(QColor(255, 255, 255, 110));
        for (qreal cx : {50.0, 71.0}) {
            QPainterPath lobe;
            lobe.addEllipse(QRectF(cx - 9, 18, 18, 11));
            lobe.addEllipse(QRectF(cx - 9, 32, 18, 11));
            lobe.setFillRule(Qt::WindingFill);
            p.drawPath(lobe.simplified());
        }
    });

    // Diffusion pump: a tall body (a dark shade of the state, so the light caption over it
    // stays legible) with cooling coils, the fore-line outlet to the left at y 92, the heater
    // underneath in the state's own colour; the top lies under the gate above it.
    states(QStringLiteral("ND"), 71, 120, true, [](QPainter& p, int, int, const Tone& t) {
        stub(p, QPointF(0, 92.5), QPointF(14, 92.5), 11);
        flange(p, QPointF(12, 92.5), 17, false);
        flange(p, QPointF(35.5, 30), 56, true);
        QLinearGradient g(10, 0, 61, 0);
        g.setColorAt(0, t.deep.darker(130));
        g.setColorAt(0.4, t.deep.lighter(130));
        g.setColorAt(1, t.deep.darker(140));
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(g);
        p.drawRect(QRectF(13, 32, 45, 72));
        p.setPen(QPen(QColor(255, 255, 255, 70), 1.5));
        for (qreal y = 38; y < 100; y += 7) {
            if (y > 40 && y < 66)
                continue;  // the caption's band
            p.drawLine(QPointF(15, y), QPointF(56, y + 3));
        }
        body(p, QRectF(9, 103, 53, 16), 3, t.fill, t.edge);
        p.setPen(stroke(t.edge, 1.4));
        for (qreal x = 17; x < 56; x += 8)
            p.drawArc(QRectF(x, 106, 7, 9), 0, 180 * 16);
    });

    // Turbo-molecular pump, lying: inlet from the left, outlet to the right, rotor blades.
    states(QStringLiteral("TMN"), 109, 45, true, [](QPainter& p, int w, int, const Tone& t) {
        stub(p, QPointF(0, 22.5), QPointF(12, 22.5), 11);
        stub(p, QPointF(w - 12, 22.5), QPointF(w, 22.5), 11);
        flange(p, QPointF(10, 22.5), 22, false);
        flange(p, QPointF(w - 10, 22.5), 22, false);
        body(p, QRectF(12, 5, w - 24, 35), 6, t.fill, t.edge);
        p.setPen(stroke(t.edge, 1.6));
        for (qreal x = 22; x < w - 24; x += 7) {
            p.drawLine(QPointF(x, 11), QPointF(x + 6, 22.5));
            p.drawLine(QPointF(x + 6, 22.5), QPointF(x, 34));
        }
        p.setPen(QPen(kInk, 2));
        p.drawLine(QPointF(18, 22.5), QPointF(w - 18, 22.5));
    });

    // The cooling-water pump NW1: an impeller casing with its outlet, on its motor.
    states(QStringLiteral("NW"), 80, 110, true, [](QPainter& p, int, int h, const Tone& t) {
        base(p, QRectF(10, h - 7, 60, 6));
        motor(p, 22, 58, 88, 24);
        stub(p, QPointF(40, 70), QPointF(40, 76), 10);
        stub(p, QPointF(58, 8), QPointF(58, 24), 11);
        flange(p, QPointF(58, 9), 19, true);
        casing(p, QPointF(40, 44), 26, t);
        p.setPen(stroke(Qt::white, 2.4));
        for (int i = 0; i < 6; ++i) {
            const qreal a = i * M_PI / 3;
            p.drawLine(QPointF(40 + 5 * std::cos(a), 44 + 5 * std::sin(a)),
                       QPointF(40 + 17 * std::cos(a + 0.5), 44 + 17 * std::sin(a + 0.5)));
        }
        disc(p, QRectF(35, 39, 10, 10), t.edge, kInk, 1);
    });

    // The compressor NP1: the compressor sign (a circle with two converging lines) on its motor.
    states(QStringLiteral("NP"), 80, 110, true, [](QPainter& p, int, int h, const Tone& t) {
        base(p, QRectF(10, h - 7, 60, 6));
        motor(p, 22, 58, 88, 24);
        stub(p, QPointF(40, 70), QPointF(40, 76), 10);
        casing(p, QPointF(40, 42), 28, t);
        p.setPen(stroke(kInk, 2.4));
        p.drawLine(QPointF(19, 27), QPointF(61, 35));
        p.drawLine(QPointF(19, 57), QPointF(61, 49));
    });

    // The booster pump NW2 in the chamber (drawn small; the form scales it): the pump sign.
    states(QStringLiteral("NW2"), 60, 40, true, [](QPainter& p, int, int h, const Tone& t) {
        base(p, QRectF(8, h - 5, 44, 4));
        casing(p, QPointF(30, 18), 16, t);
        QPainterPath arrow;
        arrow.moveTo(21, 10);
        arrow.lineTo(42, 18);
        arrow.lineTo(21, 26);
        arrow.closeSubpath();
        p.setPen(QPen(kInk, 1.2));
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawPath(arrow);
    });
}

// ---- valves and gates -----------------------------------------------------------------------

void valves()
{
    // The valve on a vertical run: ports above and below at x 20.5, the drive to the right.
    states(QStringLiteral("vv"), 41, 37, false, [](QPainter& p, int, int h, const Tone& t) {
        actuator(p, QPointF(20.5, 18.5), QPointF(35, 18.5), 9, t);
        bowtie(p, QRectF(8, 3, 25, h - 6), true, t);
    });

    // The valve on a horizontal run: ports left and right at y 20.5, the drive above.
    states(QStringLiteral("vh"), 37, 41, false, [](QPainter& p, int w, int, const Tone& t) {
        actuator(p, QPointF(18.5, 20.5), QPointF(18.5, 6), 9, t);
        bowtie(p, QRectF(3, 10, w - 6, 21), false, t);
    });

    // The chamber gate VP1 above the diffusion pump, an angle valve: the pipe from the chamber
    // comes in from the left at y 45, the way down into the pump leaves at the bottom.
    states(QStringLiteral("VT"), 86, 97, false, [](QPainter& p, int, int h, const Tone& t) {
        stub(p, QPointF(45.5, 64), QPointF(45.5, h), 13);
        flange(p, QPointF(45.5, h - 4), 26, true);
        actuator(p, QPointF(45.5, 45.5), QPointF(70, 21), 15, t);
        QPainterPath sign;
        sign.moveTo(22, 30);
        sign.lineTo(22, 61);
        sign.lineTo(45.5, 45.5);
        sign.closeSubpath();
        sign.moveTo(30, 69);
        sign.lineTo(61, 69);
        sign.lineTo(45.5, 45.5);
        sign.closeSubpath();
        p.setPen(QPen(t.edge, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(t.fill);
        p.drawPath(sign);
        disc(p, QRectF(40, 40, 11, 11), t.fill, t.edge, 1.8);
    });

    // The gun gate VE1 on the gun: the pipe from the turbo pump comes in from the left at y 20.5.
    states(QStringLiteral("VE"), 37, 41, false, [](QPainter& p, int, int, const Tone& t) {
        stub(p, QPointF(0, 20.5), QPointF(8, 20.5), 11);
        body(p, QRectF(6, 6, 25, 29), 3, t.fill, t.edge);
        p.setPen(stroke(t.edge, 3));
        p.drawLine(QPointF(18.5, 9), QPointF(18.5, 32));  // the gate's slide
        p.setPen(stroke(kInk, 1.6));
        p.drawLine(QPointF(31, 20.5), QPointF(35, 20.5));
    });
}

// ---- pipe pieces ----------------------------------------------------------------------------

// A straight tube across the picture, shaded across its thickness.
void tube(QPainter& p, const QRectF& r, bool horizontal, const QColor& c)
{
    QLinearGradient g = horizontal ? QLinearGradient(0, r.top(), 0, r.bottom())
                                   : QLinearGradient(r.left(), 0, r.right(), 0);
    g.setColorAt(0, c.darker(165));
    g.setColorAt(0.4, c.lighter(125));
    g.setColorAt(1, c.darker(175));
    p.fillRect(r, g);
}

// A tube along a path (bends, ends), t thick, with a darker rim.
void tubePath(QPainter& p, const QPainterPath& path, qreal t, const QColor& c)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c.darker(170), t, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(c, t - 3, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(c.lighter(130), std::max<qreal>(1, t / 4), Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.drawPath(path);
}

// A bend from one picture edge to another; points a, corner c, b.
QPainterPath bend(QPointF a, QPointF c, QPointF b)
{
    QPainterPath path;
    path.moveTo(a);
    path.quadTo(c, b);
    return path;
}

// The open end of a vent line: a funnel widening away from the tube.
void funnel(QPainter& p, const QPolygonF& shape, const QColor& c)
{
    p.setPen(QPen(c.darker(170), 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(c);
    p.drawPolygon(shape);
}

void pipes()
{
    const struct {
        const char* suffix;
        QColor colour;
    } looks[] = {{"_0", kPipeGrey}, {"_1", kPipeCyan}};
    for (const auto& look : looks) {
        const QColor c = look.colour;
        auto piece = [&look](const char* set, int w, int h, const Painter& paint) {
            save(QLatin1String(set) + QLatin1String(look.suffix) + QStringLiteral(".png"), w, h, paint);
        };
        piece("vpipe", 15, 40, [c](QPainter& p, int w, int h) { tube(p, QRectF(0, 0, w, h), false, c); });
        piece("hpipe", 50, 11, [c](QPainter& p, int w, int h) { tube(p, QRectF(0, 0, w, h), true, c); });
        piece("hpipe20", 50, 20, [c](QPainter& p, int w, int h) { tube(p, QRectF(0, 0, w, h), true, c); });
        // Junctions: a round joint where three runs meet.
        for (const char* set : {"rpipe", "lpipe"})
            piece(set, 11, 11, [c](QPainter& p, int w, int h) {
                QRadialGradient g(QPointF(w / 2.0 - 1, h / 2.0 - 1), w / 1.6);
                g.setColorAt(0, c.lighter(130));
                g.setColorAt(1, c.darker(150));
                p.setPen(Qt::NoPen);
                p.setBrush(g);
                p.drawRoundedRect(QRectF(0, 0, w, h), 3, 3);
            });
        // Tees and the cross: a through run along x with branches up and/or down.
        const struct {
            const char* set;
            bool up;
            bool down;
        } tees[] = {{"tpipe", true, false}, {"bpipe", false, true}, {"cpipe", true, true}};
        for (const auto& tee : tees)
            piece(tee.set, 17, 17, [c, tee](QPainter& p, int w, int h) {
                if (tee.up)
                    tube(p, QRectF(3, 0, 11, h / 2.0), false, c);
                if (tee.down)
                    tube(p, QRectF(3, h / 2.0, 11, h / 2.0), false, c);
                tube(p, QRectF(0, 3, w, 11), true, c);
            });
        // Bends, named by the corner they turn round.
        piece("lbpipe", 17, 17, [c](QPainter& p, int, int) {  // from above to the right
            tubePath(p, bend(QPointF(6.5, 0), QPointF(6.5, 11.5), QPointF(17, 11.5)), 11, c);
        });
        piece("ltpipe", 17, 17, [c](QPainter& p, int, int) {  // from the right to below
            tubePath(p, bend(QPointF(17, 5.5), QPointF(6.5, 5.5), QPointF(6.5, 17)), 11, c);
        });
        piece("rbpipe", 17, 17, [c](QPainter& p, int, int) {  // from above to the left
            tubePath(p, bend(QPointF(11.5, 0), QPointF(11.5, 11.5), QPointF(0, 11.5)), 11, c);
        });
        piece("rtpipe", 17, 17, [c](QPainter& p, int, int) {  // from the left to below
            tubePath(p, bend(QPointF(0, 5.5), QPointF(11.5, 5.5), QPointF(11.5, 17)), 11, c);
        });
        // Vent ends: the tube leaves one edge and opens into a funnel.
        piece("hlt", 34, 35, [c](QPainter& p, int w, int) {
            tube(p, QRectF(12, 12, w - 12, 11), true, c);
            funnel(p, QPolygonF({QPointF(13, 11), QPointF(13, 24), QPointF(2, 31), QPointF(2, 4)}), c);
        });
        piece("hrt", 34, 35, [c](QPainter& p, int w, int) {
            tube(p, QRectF(0, 12, w - 12, 11), true, c);
            funnel(p, QPolygonF({QPointF(w - 13, 11), QPointF(w - 13, 24), QPointF(w - 2, 31), QPointF(w - 2, 4)}), c);
        });
        piece("vbt", 41, 50, [c](QPainter& p, int, int h) {
            tube(p, QRectF(10, 0, 15, 32), false, c);
            funnel(p, QPolygonF({QPointF(9, 31), QPointF(26, 31), QPointF(33, h - 2), QPointF(2, h - 2)}), c);
        });
    }
}

// ---- cooling-water signs --------------------------------------------------------------------

void sensors()
{
    // Temperature: a thermometer on a disc, red above the error threshold, green normal, yellow
    // above the warning threshold.
    const struct {
        const char* name;
        QColor fill;
        QColor glyph;
    } temps[] = {{"t_0.png", kError.fill, Qt::white},
                 {"t_1.png", kRunning.fill, Qt::white},
                 {"t_2.png", kMoving.fill, kInk}};
    for (const auto& t : temps)
        save(QLatin1String(t.name), 18, 18, [t](QPainter& p, int w, int h) {
            disc(p, QRectF(0, 0, w, h), t.fill, t.fill.darker(160), 1.2);
            p.setPen(stroke(t.glyph, 2.6));
            p.drawLine(QPointF(9, 3.5), QPointF(9, 10));
            p.setPen(Qt::NoPen);
            p.setBrush(t.glyph);
            p.drawEllipse(QRectF(6, 9.5, 6, 6));
        });

    // Flow: a water drop on a disc, grey below the flow minimum, light blue when sufficient.
    const struct {
        const char* name;
        QColor fill;
    } flows[] = {{"w_0.png", kOff.fill}, {"w_1.png", QColor(120, 200, 255)}};
    for (const auto& f : flows)
        save(QLatin1String(f.name), 18, 18, [f](QPainter& p, int w, int h) {
            disc(p, QRectF(0, 0, w, h), f.fill, f.fill.darker(170), 1.2);
            QPainterPath drop;
            drop.moveTo(9, 2.5);
            drop.cubicTo(QPointF(12, 7), QPointF(14, 9.5), QPointF(14, 11));
            drop.arcTo(QRectF(4, 6, 10, 10), 0, -180);
            drop.cubicTo(QPointF(4, 9.5), QPointF(6, 7), QPointF(9, 2.5));
            p.setPen(QPen(QColor(20, 60, 120), 1));
            p.setBrush(Qt::white);
            p.drawPath(drop);
        });
}

}  // namespace

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
    pumps();
    valves();
    pipes();
    sensors();
}

}  // namespace Draw
