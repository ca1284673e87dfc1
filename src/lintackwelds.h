#pragma once

#include "ui_lintackwelds.h"
#include "weldtemplate.h"

// The template "Линейные прихватки" for a seam without a diameter: the pass is cut into equal
// periods and one tack (rise, peak, fall) is centred in each, welded in the order of
// `leTacksOrder` (by default the middle tack first, then alternately from both ends inward).
// Each tack is four rows at absolute paths after a title row. Settings group "LinTackWelds":
// Number, Ir, Ascend, Peak, Descend; the speeds come from the editor.
class LinTackWelds : public WeldTemplate, private Ui::LINTACKWELDS
{
    Q_OBJECT

public:
    struct Values : WeldValues {
        float period = 0;   // mm
    };

    LinTackWelds(TechEditor* contour, QWidget* parent);

    // The default order for a count of tacks ("2,0,3,1" for 4).
    static QString defaultOrder(int count);
    // The rows for these values as the dialog shows them (withinEditorLimits) and this order. A
    // tack longer than the period is refused (the dialog then closes), and so is an order with a
    // negative index or more than 100 entries (the dialog stays open), before any row is added.
    static TemplatePlan plan(const QString& title, const QString& order, const Values& values);

    // Appends to `plan` the four rows of one tack beginning at the absolute path `start`, with
    // the values already within their bounds.
    static void addTack(TemplatePlan& plan, float start, const Values& values);

    // Writes the default order for the current count into leTacksOrder.
    void initTacksOrder();

public slots:
    // period := pass length ÷ count.
    void updatePeriod();

private slots:
    void on_pbCreate_clicked();

private:
    float m_passLength = 0;
};
