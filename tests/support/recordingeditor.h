#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "techeditor.h"

// A weld program editor for the technology dialogs: it records every operation they call, keeps
// the technology rows they add as the editor's table would (each data row's path is the path of
// the data row above, as shown with 2 decimals, plus the interval), and answers the readers
// from fields that a test sets.
class RecordingEditor final : public TechEditor
{
public:
    struct Row {
        bool comment = false;
        QString text;        // comment rows
        float path = 0;      // data rows: the path as the table holds it
        float current = 0;
        float speed = 0;
    };

    // ---- what the dialogs did ----
    QStringList calls;   // every operation, e.g. "addTechPoint(8.7266455, 50, 600)"
    QList<Row> rows;     // rows added between the start and end rows, in order
    QStringList cells;   // "row: text" of each addParameters, the cell text the editor writes

    // The rows as the table shows them: "# title" for a comment, "path Ir speed" for a data row
    // (2, 1 and 1 decimals).
    QStringList table() const;
    // The paths of the data rows, 2 decimals.
    QStringList paths() const;

    // ---- what the dialogs read ----
    float length = 0;
    float weldSpeed = 0;
    float contourSpeed = 0;
    float points = 0;
    float rings = 0;
    bool schema = true;
    float D = -1;
    bool rotate = false;
    int aux = 0;
    int contourRows = 0;
    float diameter = 0;   // what calcDiameter answers

    void addComment(const QString& text) override;
    void addTechPoint(float interval, float IrVal, float speed) override;
    void addLinearTackPoint(float path, float IrVal, float speed) override;
    void addContourPoint(bool allPoints, bool allRotate, int point, int rotate) override;
    void setTechSettings(bool testMove, bool showIf, bool showIx, bool showIy, float If, float Ix,
                         float Iy, float diameter, int plane) override;
    void recalcPointsForNewDiameter(float oldDiameter, float newDiameter) override;
    void addParameters(int row, int type, int direction, int plane, float radius,
                       bool updateLength) override;
    float calcDiameter(int row, int plane) override;
    int contourRowCount() const override { return contourRows; }

    float lengthValue() const override { return length; }
    float weldSpeedValue() const override { return weldSpeed; }
    float contourSpeedValue() const override { return contourSpeed; }
    float pointsValue() const override { return points; }
    float ringsValue() const override { return rings; }

    bool hasSchema() const override { return schema; }
    float schemaD() const override { return schema ? D : -1; }
    bool schemaRound() const override { return schemaD() > 0; }
    bool schemaRotate() const override { return schema && rotate; }
    int schemaAux() const override { return schema ? aux : 0; }

    // A number as the calls list writes it: general format, 8 significant digits.
    static QString number(float value);
};
