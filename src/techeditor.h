#pragma once

#include <QList>
#include <QString>

// One row that a technology dialog hands to the editor's technology table.
struct TemplateRow {
    enum Kind { Comment, Interval, Path };

    Kind kind = Comment;
    QString text;        // Comment: the title
    float value = 0;     // Interval: path step from the row above; Path: absolute path (mm)
    float current = 0;   // beam current, mA
    float speed = 0;     // mm/min

    bool operator==(const TemplateRow& other) const
    {
        return kind == other.kind && text == other.text && value == other.value &&
               current == other.current && speed == other.speed;
    }
};

// What the weld technology dialogs (templates, contour settings, beam sweep, add-contour-point,
// frame parameters) may do to the weld program editor, and what they may read of it. The editor
// screen CONTOUR implements it; tests give the dialogs a recording fake, so that a dialog runs the
// same code path against either.
//
// Every call runs on the GUI thread while the dialog is open.
class TechEditor
{
public:
    virtual ~TechEditor() = default;

    // ---- rows of the technology table --------------------------------------------------------
    // A comment (title) row spanning the table, switched off, inserted directly before the end
    // row; "Технол.останов" makes it a technological stop.
    virtual void addComment(const QString& text) = 0;
    // A data row, switched on, inserted directly before the end row: its path is the path of the
    // nearest data row above (or the start row) plus interval.
    virtual void addTechPoint(float interval, float IrVal, float speed) = 0;
    // As addTechPoint, but path is absolute.
    virtual void addLinearTackPoint(float path, float IrVal, float speed) = 0;
    // Data rows at the path positions of contour points (point and rotate count from 1).
    virtual void addContourPoint(bool allPoints, bool allRotate, int point, int rotate) = 0;
    // Several rows in this order, each as addComment, addTechPoint (Interval) or
    // addLinearTackPoint (Path) adds it. The editor checks its table once, after the last row.
    virtual void addRows(const QList<TemplateRow>& rows)
    {
        for (const TemplateRow& row : rows) {
            if (row.kind == TemplateRow::Comment)
                addComment(row.text);
            else if (row.kind == TemplateRow::Interval)
                addTechPoint(row.value, row.current, row.speed);
            else
                addLinearTackPoint(row.value, row.current, row.speed);
        }
    }

    // ---- contour settings ---------------------------------------------------------------------
    virtual void setTechSettings(bool testMove, bool showIf, bool showIx, bool showIy, float If,
                                 float Ix, float Iy, float diameter, int plane) = 0;
    virtual void recalcPointsForNewDiameter(float oldDiameter, float newDiameter) = 0;

    // ---- contour segments (scheme "XYZ") ------------------------------------------------------
    // Stores the segment leading from contour row `row` to the next point and rewrites the row's
    // parameters cell; recomputes the contour length when updateLength is set.
    virtual void addParameters(int row, int type, int direction, int plane, float radius,
                               bool updateLength) = 0;
    // Diameter of the circle through contour rows row-2, row-1 and row in the given plane.
    virtual float calcDiameter(int row, int plane) = 0;
    // Number of rows of the contour table.
    virtual int contourRowCount() const = 0;

    // ---- the editor's labels ------------------------------------------------------------------
    virtual float lengthValue() const = 0;        // one pass of the contour, mm
    virtual float weldSpeedValue() const = 0;     // mm/min
    virtual float contourSpeedValue() const = 0;  // transition speed, mm/min
    virtual float pointsValue() const = 0;        // number of contour points
    virtual float ringsValue() const = 0;         // number of passes

    // ---- the current coordinate scheme ----------------------------------------------------------
    virtual bool hasSchema() const = 0;
    virtual float schemaD() const = 0;       // diameter in mm, -1 when there is none
    virtual bool schemaRound() const = 0;    // diameter above 0
    virtual bool schemaRotate() const = 0;   // the circular-interpolation scheme "XYZr"
    virtual int schemaAux() const = 0;       // plane: 0 X-Y, 1 X-Z, 2 Y-Z
};
