#include "circleweld.h"

#include "schema.h"
#include "techeditor.h"

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

TemplatePlan CircleWeld::plan(const QString& title, const Values& raw)
{
    const WeldValues v = withinEditorLimits(raw);
    const float s = raw.degrees ? raw.k : 1.0f;
    TemplatePlan plan;
    plan.comment(title);
    plan.interval(0, 0, v.weldSpeed);
    plan.slopes(v.ascend * s, v.peak * s, v.descend * s, v);
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
