#include "circletackwelds.h"

#include <QStringList>

#include <cmath>

#include "schema.h"
#include "techeditor.h"

using namespace TemplateValues;

namespace {

constexpr float PadBound = 90;   // rise, peak and fall entered on the pad, in either unit

// Upper bound of rise, peak and fall for the minus and plus buttons.
float stepBound(bool degrees)
{
    return degrees ? 90 : 10000;
}

}  // namespace

CircleTackWelds::CircleTackWelds(TechEditor* contour, QWidget* parent)
    : WeldTemplate(contour, parent, QStringLiteral("Круговые прихватки"),
                   QStringLiteral("CircleTackWelds"))
{
    setupUi(this);
    host();

    addTackCount(number, [this] {
        initTacksOrder();
        updatePeriod();
    });
    for (PoLabel* length : {ascend, peak, descend})
        addField(length, QString(), 0, PadBound, 0.1f, 1);
    addWeldFields(Ir, ascend, peak, descend, weldSpeed, moveSpeed);
    // The stored mode is taken as it is: the stored lengths are already in its unit.
    restore(pbDegreeOn, QStringLiteral("DegreeOn"));
    m_D = contour->schemaD();
    m_k = mmPerDegree(m_D);
    m_contourLength = contour->lengthValue();
    setUnit(pbDegreeOn->isChecked());
    initTacksOrder();
    updatePeriod();
}

void CircleTackWelds::setUnit(bool degrees)
{
    setLengthFields(degrees, PadBound, stepBound(degrees));
    lblAscend->setText(field(ascend).title);
    lblPeak->setText(field(peak).title);
    lblDescend->setText(field(descend).title);
    lblPeriod->setText(QStringLiteral("Период, ") + lengthUnit(degrees));
    pbDegreeOn->setText(QStringLiteral("Измерение\n в ")
                        + (degrees ? QStringLiteral("градусах") : QStringLiteral("милиметрах")));
}

QString CircleTackWelds::defaultOrder(int count)
{
    if (count == 8)
        return QStringLiteral("0,4,6,2,3,5,7,1");
    QStringList order{QStringLiteral("0")};
    int position = 0;
    for (int k = 1; k < count; ++k) {
        const int step = (k % 2 || count % 2) ? count / 2 : count / 2 + 1;
        position = (position + step) % count;
        order << QString::number(position);
    }
    return order.join(QLatin1Char(','));
}

void CircleTackWelds::initTacksOrder()
{
    leTacksOrder->setText(defaultOrder(tackCount(number->value())));
}

float CircleTackWelds::displayedPeriod(bool degrees, float contourLength, int count, float D)
{
    if (!degrees)
        return contourLength / float(count);
    const float turns = 360.0f * contourLength;
    return float(double(turns) / (double(count) * double(D) * M_PI));
}

void CircleTackWelds::updatePeriod()
{
    period->setValue(displayedPeriod(pbDegreeOn->isChecked(), m_contourLength,
                                     tackCount(number->value()), m_D),
                     2);
}

void CircleTackWelds::on_pbDegreeOn_clicked(bool checked)
{
    setUnit(checked);
    convertLengths({ascend, peak, descend}, pbDegreeOn->isChecked(), m_k);
    updatePeriod();
}

void CircleTackWelds::addTack(TemplatePlan& plan, float gap, const Values& v)
{
    const float f = v.degrees ? v.k : 1.0f;
    if (gap != 0)
        plan.interval(gap * f, 0, v.weldSpeed);
    plan.slopes(v.ascend * f, v.peak * f, v.descend * f, v);
}

TemplatePlan CircleTackWelds::plan(const QString& title, const QString& order, const Values& raw)
{
    Values v = raw;
    static_cast<WeldValues&>(v) = withinEditorLimits(raw);
    const int count = tackCount(v.number);
    const float period = v.degrees ? 360.0f / float(count)
                                   : float(double(v.D) * M_PI / double(count));
    const float tack = (v.ascend + v.peak) + v.descend;
    if (tack > period)
        return TemplatePlan::refuse(TackTooLong);

    // Each entry is a period number; the step from the entry before it (the first from 0) is
    // taken modulo the count, the remainder with the sign of count + entry - previous: an entry
    // below 0 is a step like any other ("0,-1" of 8 tacks steps 7), one more than the count below
    // the entry before it would step backwards along the seam.
    const QList<int> entries = tackOrder(order);
    if (!orderTooLong(entries).isEmpty())
        return TemplatePlan::refuse(orderTooLong(entries));
    QList<int> steps;
    qint64 previous = 0;
    for (int entry : entries) {
        const qint64 step = (count + entry - previous) % count;
        if (step < 0)
            return TemplatePlan::refuse(badOrderEntry(entry));
        steps << int(step);
        previous = entry;
    }

    TemplatePlan plan;
    plan.comment(title);
    for (int step : qAsConst(steps))
        addTack(plan, step == 0 ? 0.0f : float(step) * period - tack, v);
    return TemplatePlan::checked(plan);
}

void CircleTackWelds::on_pbCreate_clicked()
{
    Values values;
    static_cast<WeldValues&>(values) = weldValues();
    values.number = number->value();
    values.degrees = pbDegreeOn->isChecked();
    values.D = m_D;
    values.k = m_k;
    create(plan(title->text(), leTacksOrder->text(), values));
}
