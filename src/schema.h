#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The coordinate scheme of a weld program. It names the coordinates of a contour point (in the
// order every coordinate list handed to it carries them), measures and validates the path between
// two points, and writes the scheme's own pieces of the channel programs: the preamble and closing
// lines of channel 1 (manipulator) and channel 2 (rotator) and the motion word of a point frame.
//
// Coordinates are lengths in mm and the angle V in degrees. Lists shorter than the scheme expects
// read their missing values as 0: a scheme never stops the program on its input.
class Schema
{
public:
    Schema(const QString& id, float D, float P, int aux);
    virtual ~Schema() = default;

    // Rich-text caption of the scheme.
    virtual QString header() const = 0;
    // Path length from point c1 to point c2.
    virtual float distance(const QList<float>& c1, const QList<float>& c2) const = 0;
    // Whether the segment from c1 to c2 can be traversed in this scheme.
    virtual bool validDistance(const QList<float>& c1, const QList<float>& c2) const = 0;
    // Program lines "N<n> ..."; *n is the first frame number and holds the next free one after.
    virtual QStringList gCodeInitChan1(int* n) const = 0;
    virtual QStringList gCodeInitChan2(int* n) const = 0;
    // Motion word of one point frame (no frame number, no G90, no feed).
    virtual QString gCodePoint(const QList<float>& c, bool flag) const = 0;
    virtual QStringList gCodeUninitChan1(int* n) const = 0;
    virtual QStringList gCodeUninitChan2(int* n) const = 0;
    // A copy of this scheme with its current D, P and Aux.
    virtual Schema* clone() const = 0;

    const QString& id() const { return m_id; }
    const QStringList& axisNames() const { return m_axisNames; }
    // A round seam: the editor offers the circular templates and takes pi * D as a closed pass.
    bool round() const { return m_D > 0; }
    // The ring-joint scheme (a channel 2 program turns the part).
    bool circle() const;
    // The circular-interpolation scheme.
    bool rotate() const;
    // The linear scheme (segments of its own per contour point).
    bool linear() const;
    float D() const { return m_D; }
    float P() const { return m_P; }
    int Aux() const { return m_aux; }
    float R() const { return 0.5f * m_D; }
    void setD(float D) { m_D = D; }
    void setP(float P) { m_P = P; }
    void setAux(int aux) { m_aux = aux; }

    // Numbers inside program fragments: fixed point with two decimals, C locale.
    static QString num(double value);
    // Frame lines "N<n>" + text for each text, advancing *n.
    static QStringList frames(const QStringList& texts, int* n);
    // The straight move word "G01 x=.. y=.. z=..".
    static QString lineWord(float x, float y, float z);

protected:
    QStringList m_axisNames;

private:
    QString m_id;
    float m_D;
    float m_P;
    int m_aux;
};

// Linear scheme "XYZ": straight moves in x, y, z (arcs are set per segment by the editor).
class SchemaXYZ final : public Schema
{
public:
    SchemaXYZ();
    QString header() const override;
    float distance(const QList<float>& c1, const QList<float>& c2) const override;
    bool validDistance(const QList<float>& c1, const QList<float>& c2) const override;
    QStringList gCodeInitChan1(int* n) const override;
    QStringList gCodeInitChan2(int* n) const override;
    QString gCodePoint(const QList<float>& c, bool flag) const override;
    QStringList gCodeUninitChan1(int* n) const override;
    QStringList gCodeUninitChan2(int* n) const override;
    Schema* clone() const override { return new SchemaXYZ(*this); }
};

// Circular-interpolation scheme "XYZr": every point lies on a circle of diameter D in the plane
// Aux (0 XY, 1 XZ, 2 YZ); a point frame is an arc of radius D/2 (flag true: counter-clockwise).
class SchemaXYZr final : public Schema
{
public:
    SchemaXYZr(float D, float P, int aux);
    QString header() const override;
    float distance(const QList<float>& c1, const QList<float>& c2) const override;
    bool validDistance(const QList<float>& c1, const QList<float>& c2) const override;
    QStringList gCodeInitChan1(int* n) const override;
    QStringList gCodeInitChan2(int* n) const override;
    QString gCodePoint(const QList<float>& c, bool flag) const override;
    QStringList gCodeUninitChan1(int* n) const override;
    QStringList gCodeUninitChan2(int* n) const override;
    Schema* clone() const override { return new SchemaXYZr(*this); }

    // Straight distance between the two points in the working plane.
    float chord(const QList<float>& c1, const QList<float>& c2) const;
};

// Ring-joint scheme "Circle": the part turns on V (channel 2, flag true) while the manipulator
// holds or moves x, y, z (channel 1, flag false); D is the ring's diameter.
class SchemaCircle final : public Schema
{
public:
    SchemaCircle(float D, float P);
    QString header() const override;
    float distance(const QList<float>& c1, const QList<float>& c2) const override;
    bool validDistance(const QList<float>& c1, const QList<float>& c2) const override;
    QStringList gCodeInitChan1(int* n) const override;
    QStringList gCodeInitChan2(int* n) const override;
    QString gCodePoint(const QList<float>& c, bool flag) const override;
    QStringList gCodeUninitChan1(int* n) const override;
    QStringList gCodeUninitChan2(int* n) const override;
    Schema* clone() const override { return new SchemaCircle(*this); }

    // Path along the ring per degree of V, mm.
    float ringFactor() const;
};

// Path per degree of a circle of diameter D: D × π / 360 mm, formed in double precision.
float mmPerDegree(float D);

// The in-plane pair of coordinates of a plane code (0 XY, 1 XZ, 2 YZ) and the coordinate across
// it. Codes other than 1 and 2 are the XY plane.
struct PlaneAxes {
    int u, v, across;
};
PlaneAxes planeAxes(int plane);
// The plane selection word of a plane code: " G17", " G18" or " G19".
QString planeWord(int plane);
// Straight distance between two points in a plane: differences and squares in single precision,
// the sum and the root in double.
double planeChord(const QList<float>& c1, const QList<float>& c2, int plane);
// The target of an arc in a plane: the in-plane pair, " R" + radius, then the coordinate across
// the plane ("x=.. y=.. R.. z=.." in XY), each coordinate with two decimals.
QString arcTarget(int plane, const QList<float>& c, const QString& radius);

// The scheme a contour file names: "XYZr" and "Circle" with their parameters, anything else the
// linear scheme.
Schema* createSchema(const QString& id, float D, float P, int aux);
