#pragma once

#include "ui_circletackwelds.h"
#include "weldtemplate.h"

// The template "Круговые прихватки" for a round seam: N tacks (rise, peak, fall) spread evenly
// round the seam, welded in the order of `leTacksOrder` (period numbers; by default one that
// jumps across the seam). The path only moves forward: before each tack a current-free gap row
// brings the beam a whole number of periods past the start of the tack before it. Lengths are in
// mm of path or in degrees (pbDegreeOn). Settings group "CircleTackWelds": Number, Ir, Ascend,
// Peak, Descend (in the unit of the mode at closing), DegreeOn; the speeds come from the editor.
class CircleTackWelds : public WeldTemplate, private Ui::CIRCLETACKWELDS
{
    Q_OBJECT

public:
    struct Values : WeldValues {
        float number = 2;
        bool degrees = false;
        float D = 0;   // mm
        float k = 0;   // mm per degree
    };

    CircleTackWelds(TechEditor* contour, QWidget* parent);

    // The default order for a count of tacks ("0,4,6,2,3,5,7,1" for 8).
    static QString defaultOrder(int count);
    // The period shown: the contour length over the count, in mm or in degrees of the circle.
    static float displayedPeriod(bool degrees, float contourLength, int count, float D);
    // The rows for these values as the dialog shows them (withinEditorLimits) and this order. A
    // tack longer than its period, an order of more than 100 entries and an entry that would step
    // backwards along the seam (more than the count below the entry before it) are refused before
    // any row is added; the dialog stays open.
    static TemplatePlan plan(const QString& title, const QString& order, const Values& values);

    // Writes the default order for the current count into leTacksOrder.
    void initTacksOrder();
    // Appends to `plan` the rows of one tack after a gap of the given length, with the values
    // already within their bounds.
    static void addTack(TemplatePlan& plan, float gap, const Values& values);

public slots:
    void updatePeriod();

private slots:
    void on_pbDegreeOn_clicked(bool checked);
    void on_pbCreate_clicked();

private:
    void setUnit(bool degrees);

    float m_D = 0;
    float m_k = 0;
    float m_contourLength = 0;
};
