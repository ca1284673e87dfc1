#pragma once

#include "ui_circleweld.h"
#include "weldtemplate.h"

// The template "Круговая сварка" for a round seam: a title row and four rows (start, end of the
// rise, end of the peak, end of the fall) after the last row of the table. Rise, peak and fall
// are entered in mm of path or in degrees of the circle (pbDegreeOn), a degree being
// D × π / 360 mm. Settings group "CircleWeld": Ir, Ascend, Peak, Descend (in the unit of the mode
// at closing), DegreeOn; the speeds come from the editor.
class CircleWeld : public WeldTemplate, private Ui::CIRCLEWELD
{
    Q_OBJECT

public:
    struct Values : WeldValues {
        bool degrees = false;
        float k = 0;   // mm per degree
    };

    CircleWeld(TechEditor* contour, QWidget* parent);

    // Upper bound of rise, peak and fall: 3600 in degrees, 10000 in mm.
    static float lengthBound(bool degrees);
    // The rows for these values as the dialog shows them (withinEditorLimits).
    static TemplatePlan plan(const QString& title, const Values& values);

private slots:
    void on_pbDegreeOn_clicked(bool checked);
    void on_pbCreate_clicked();

private:
    void setUnit(bool degrees, const QString& separator);

    float m_k = 0;
};
