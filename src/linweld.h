#pragma once

#include "ui_linweld.h"
#include "weldtemplate.h"

// The template "Линейная сварка" for a seam without a diameter: a title row and four rows
// (start, end of the rise, end of the peak, end of the fall) after the last row of the table.
// The peak follows the pass length minus rise and fall whenever the rise or the fall is touched.
// Settings group "LinWeld": Ir, Ascend, Peak, Descend; the speeds come from the editor.
class LinWeld : public WeldTemplate, private Ui::LINWELD
{
    Q_OBJECT

public:
    using Values = WeldValues;

    LinWeld(TechEditor* contour, QWidget* parent);

    // The rows for these field values as the dialog shows them (withinEditorLimits). A negative
    // peak (rise and fall longer than the pass) is refused.
    static TemplatePlan plan(const QString& title, const Values& values);

public slots:
    // peak := pass length − rise − fall.
    void calculatePeak();

private slots:
    void on_pbCreate_clicked();

private:
    float m_passLength = 0;
};
