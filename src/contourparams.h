#pragma once

#include <QDialog>

#include "ui_contourparams.h"

class TechEditor;

// The dialog "Параметры кадра №N": whether the segment from contour point N (row N − 1) to the
// next one is a line or an arc, and for an arc its radius, direction and plane. The radius is
// typed or computed from the circle through the previous, this and the next point; then the
// previous frame, whose segment leads into this point, gets the same arc. "Принять" stores the
// parameters through the editor's addParameters. The opener fills the dialog through setCPType,
// the `radius` label, the `cbClockWise` box and setCPPlane.
class ContourParams : public QDialog, public Ui::ContourParams
{
    Q_OBJECT

public:
    // `frame` counts from 1; `parent` is the contour table, at whose top-left corner the dialog
    // opens.
    ContourParams(TechEditor* contour, int frame, QWidget* parent);

    // Arc for a type of 2 or more, else line.
    void setCPType(int type);
    // 0 XY, 1 XZ, 2 YZ.
    void setCPPlane(int plane);

    // The text of a contour row's "Параметры" cell for these segment parameters: "Прямая" for
    // type 1, "Дуга, r=25.0, пр. ч.с., пл-XY" for an arc (type 2), "Конец" for any other type.
    static QString segmentText(int type, int direction, int plane, float radius);

private slots:
    void on_radius_clicked();
    void on_pbType_clicked();
    void on_pbXY_clicked();
    void on_pbXZ_clicked();
    void on_pbYZ_clicked();
    void on_cbCalc_clicked();
    void on_pbOn_clicked();
    void on_pbCancel_clicked();

private:
    // Enables the arc's controls (and the three-point calculation where it can be made).
    void enableArc(bool arc);

    TechEditor* const m_contour;
    const int m_frame;
    int m_plane = 0;
    bool m_editable = true;
};
