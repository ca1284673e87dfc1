#include "circleweld.h"

#include "techeditor.h"
#include "techfield.h"

using TechField::clamp;
using namespace TemplateValues;

CircleWeld::CircleWeld(TechEditor* contour, QWidget* parent)
    : WeldTemplate(contour, parent, QStringLiteral("Круговая сварка"), QStringLiteral("CircleWeld"))
{
    setupUi(this);
    host();

    for (PoLabel* length : {ascend, peak, descend})
        addField(length, QString(), 0, 0, 0.1f, 1);
    addWeldFields(Ir, ascend, peak, descend, weldSpeed, moveSpeed);
    // The stored mode is taken as it is: the stored lengths are already in its unit.
    restore(pbDegreeOn, QStringLiteral("DegreeOn"));
    m_k = mmPerDegree(contour->schemaD());
    setUnit(pbDegreeOn->isChecked(), QStringLiteral(","));
}

float CircleWeld::lengthBound(bool degrees)
{
    return degrees ? 3600 : 10000;
}

void CircleWeld::setUnit(bool degrees, const QString& separator)
{
    const QString unit = lengthUnit(degrees);
    lblAscend->setText(QStringLiteral("Подъем") + separator + unit);
    lblPeak->setText(QStringLiteral("Пик") + separator + unit);
    lblDescend->setText(QStringLiteral("Спад") + separator + unit);
    setLengthFields(degrees, lengthBound(degrees), lengthBound(degrees));
}

void CircleWeld::on_pbDegreeOn_clicked(bool checked)
{
    setUnit(checked, QStringLiteral(", "));
    convertLengths({ascend, peak, descend}, pbDegreeOn->isChecked(), m_k);
}

TemplatePlan CircleWeld::plan(const QString& title, const Values& v)
{
    const float bound = lengthBound(v.degrees);
    const float s = v.degrees ? v.k : 1.0f;
    const float current = clamp(v.Ir, 0, MaxCurrent);
    const float weld = clamp(v.weldSpeed, 0, MaxSpeed);
    TemplatePlan plan;
    plan.comment(title);
    plan.interval(0, 0, weld);
    plan.interval(clamp(v.ascend, 0, bound) * s, current, weld);
    plan.interval(clamp(v.peak, 0, bound) * s, current, weld);
    plan.interval(clamp(v.descend, 0, bound) * s, 0, clamp(v.moveSpeed, 0, MaxSpeed));
    return TemplatePlan::checked(plan);
}

void CircleWeld::on_pbCreate_clicked()
{
    Values values;
    static_cast<WeldValues&>(values) = weldValues();
    values.degrees = pbDegreeOn->isChecked();
    values.k = m_k;
    create(plan(title->text(), values));
}
