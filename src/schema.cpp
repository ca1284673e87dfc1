#include "schema.h"

#include <algorithm>
#include <cmath>

namespace {

const char* const kAxisLetters[] = {"x=", "y=", "z="};

// Channel 1 of the linear and the ring-joint scheme: coordinate set 1, a dwell, coordinate set 2;
// closed by a dwell and the return to set 0.
QStringList manipulatorInit(int* n)
{
    return Schema::frames({QStringLiteral(" COORD(1)"), QStringLiteral(" G4 F0.2"), QStringLiteral(" COORD(2)")}, n);
}

QStringList manipulatorUninit(int* n)
{
    return Schema::frames({QStringLiteral(" G4 F0.2"), QStringLiteral(" COORD(0,2)")}, n);
}

}  // namespace

Schema::Schema(const QString& id, float D, float P, int aux) : m_id(id), m_D(D), m_P(P), m_aux(aux) {}

bool Schema::circle() const
{
    return m_id == QLatin1String("Circle");
}

bool Schema::rotate() const
{
    return m_id == QLatin1String("XYZr");
}

bool Schema::linear() const
{
    return m_id == QLatin1String("XYZ");
}

QString Schema::num(double value)
{
    return QString::number(value, 'f', 2);
}

QStringList Schema::frames(const QStringList& texts, int* n)
{
    QStringList lines;
    for (const QString& text : texts)
        lines << QStringLiteral("N%1%2").arg((*n)++).arg(text);
    return lines;
}

QString Schema::lineWord(float x, float y, float z)
{
    return QStringLiteral("G01 x=") + num(x) + QStringLiteral(" y=") + num(y) + QStringLiteral(" z=") + num(z);
}

PlaneAxes planeAxes(int plane)
{
    switch (plane) {
    case 1:
        return {0, 2, 1};
    case 2:
        return {1, 2, 0};
    default:
        return {0, 1, 2};
    }
}

QString planeWord(int plane)
{
    return plane == 1 ? QStringLiteral(" G18") : plane == 2 ? QStringLiteral(" G19") : QStringLiteral(" G17");
}

double planeChord(const QList<float>& c1, const QList<float>& c2, int plane)
{
    const PlaneAxes axes = planeAxes(plane);
    const float du = c2.value(axes.u) - c1.value(axes.u);
    const float dv = c2.value(axes.v) - c1.value(axes.v);
    const float su = du * du;
    const float sv = dv * dv;
    return std::sqrt(double(su) + double(sv));
}

QString arcTarget(int plane, const QList<float>& c, const QString& radius)
{
    const PlaneAxes axes = planeAxes(plane);
    auto word = [&](int axis) { return QLatin1String(kAxisLetters[axis]) + Schema::num(c.value(axis)); };
    return word(axes.u) + QLatin1Char(' ') + word(axes.v) + QStringLiteral(" R") + radius + QLatin1Char(' ') +
           word(axes.across);
}

Schema* createSchema(const QString& id, float D, float P, int aux)
{
    if (id == QLatin1String("XYZr"))
        return new SchemaXYZr(D, P, aux);
    if (id == QLatin1String("Circle"))
        return new SchemaCircle(D, P);
    return new SchemaXYZ();
}

// ---- "XYZ" ------------------------------------------------------------------------------------

SchemaXYZ::SchemaXYZ() : Schema(QStringLiteral("XYZ"), -1, -1, -1)
{
    m_axisNames << QStringLiteral("LX") << QStringLiteral("LY") << QStringLiteral("Z");
}

QString SchemaXYZ::header() const
{
    return QStringLiteral("<b>Линейная интерполяция</b>");
}

float SchemaXYZ::distance(const QList<float>& c1, const QList<float>& c2) const
{
    double sum = 0.0;
    const int count = std::max(c1.size(), c2.size());
    for (int i = 0; i < count; ++i) {
        const float d = c2.value(i) - c1.value(i);
        const float square = d * d;
        sum += square;
    }
    return float(std::sqrt(sum));
}

bool SchemaXYZ::validDistance(const QList<float>&, const QList<float>&) const
{
    return true;
}

QStringList SchemaXYZ::gCodeInitChan1(int* n) const
{
    return manipulatorInit(n);
}

QStringList SchemaXYZ::gCodeInitChan2(int* n) const
{
    return frames({QStringLiteral(" G4 F0.2")}, n);
}

QString SchemaXYZ::gCodePoint(const QList<float>& c, bool) const
{
    return lineWord(c.value(0), c.value(1), c.value(2));
}

QStringList SchemaXYZ::gCodeUninitChan1(int* n) const
{
    return manipulatorUninit(n);
}

QStringList SchemaXYZ::gCodeUninitChan2(int* n) const
{
    return frames({QStringLiteral(" G4 F0.2")}, n);
}

// ---- "XYZr" -----------------------------------------------------------------------------------

SchemaXYZr::SchemaXYZr(float D, float P, int aux) : Schema(QStringLiteral("XYZr"), D, P, aux)
{
    m_axisNames << QStringLiteral("LX") << QStringLiteral("LY") << QStringLiteral("Z");
}

QString SchemaXYZr::header() const
{
    return QStringLiteral("<b>Круговая интерполяция</b><pre>D=%1</>").arg(double(D()));
}

float SchemaXYZr::chord(const QList<float>& c1, const QList<float>& c2) const
{
    return float(planeChord(c1, c2, Aux()));
}

float SchemaXYZr::distance(const QList<float>& c1, const QList<float>& c2) const
{
    const double c = chord(c1, c2);
    // Without a circle yet (D of 0 or less) the path is the straight chord; a chord a little
    // longer than D (opposite points with rounding) is half the circle, never "not a number".
    if (!(D() > 0))
        return float(c);
    return float(double(D()) * std::asin(std::min(1.0, c / double(D()))));
}

bool SchemaXYZr::validDistance(const QList<float>& c1, const QList<float>& c2) const
{
    return D() >= chord(c1, c2);
}

QStringList SchemaXYZr::gCodeInitChan1(int* n) const
{
    return frames({QStringLiteral(" COORD(2)"), planeWord(Aux())}, n);
}

QStringList SchemaXYZr::gCodeInitChan2(int* n) const
{
    return frames({QStringLiteral(" G4 F0.2")}, n);
}

QString SchemaXYZr::gCodePoint(const QList<float>& c, bool flag) const
{
    // A plane code no form knows writes the YZ word (the frame names its axes: the same target).
    const int plane = Aux() == 0 || Aux() == 1 ? Aux() : 2;
    return (flag ? QStringLiteral("G03 ") : QStringLiteral("G02 ")) + arcTarget(plane, c, num(std::fabs(R())));
}

QStringList SchemaXYZr::gCodeUninitChan1(int* n) const
{
    return frames({QStringLiteral(" G16"), QStringLiteral(" COORD(0,2)")}, n);
}

QStringList SchemaXYZr::gCodeUninitChan2(int* n) const
{
    return frames({QStringLiteral(" G4 F0.2")}, n);
}

// ---- "Circle" ---------------------------------------------------------------------------------

SchemaCircle::SchemaCircle(float D, float P) : Schema(QStringLiteral("Circle"), D, P, -1)
{
    m_axisNames << QStringLiteral("V") << QStringLiteral("LX") << QStringLiteral("LY") << QStringLiteral("Z");
}

QString SchemaCircle::header() const
{
    return QStringLiteral("<b>Кольцевой стык</b><pre>D=%1</>").arg(double(D()));
}

float SchemaCircle::ringFactor() const
{
    return mmPerDegree(D());
}

float mmPerDegree(float D)
{
    return float(double(D) * M_PI / 360.0);
}

float SchemaCircle::distance(const QList<float>& c1, const QList<float>& c2) const
{
    float d = std::fabs(c1.value(0) - c2.value(0));
    if (d > 180)
        d = 360 - d;
    return float(double(d) * (double(D()) * M_PI) / 360.0);
}

bool SchemaCircle::validDistance(const QList<float>&, const QList<float>&) const
{
    return true;
}

QStringList SchemaCircle::gCodeInitChan1(int* n) const
{
    return manipulatorInit(n);
}

QStringList SchemaCircle::gCodeInitChan2(int* n) const
{
    return frames({QStringLiteral(" ARF(V=") + num(ringFactor()) + QStringLiteral(")")}, n);
}

QString SchemaCircle::gCodePoint(const QList<float>& c, bool flag) const
{
    if (flag)
        return QStringLiteral("G01 V=") + num(c.value(0));
    return lineWord(c.value(1), c.value(2), c.value(3));
}

QStringList SchemaCircle::gCodeUninitChan1(int* n) const
{
    return manipulatorUninit(n);
}

QStringList SchemaCircle::gCodeUninitChan2(int* n) const
{
    return frames({QStringLiteral(" ARF()")}, n);
}
