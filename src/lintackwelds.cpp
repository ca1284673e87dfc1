#include "lintackwelds.h"

#include <QStringList>

#include "techeditor.h"

using namespace TemplateValues;

namespace {

constexpr float MaxTackPart = 90;   // rise, peak and fall of one tack, mm

}  // namespace

LinTackWelds::LinTackWelds(TechEditor* contour, QWidget* parent)
    : WeldTemplate(contour, parent, QStringLiteral("Линейные прихватки"),
                   QStringLiteral("LinTackWelds"))
{
    setupUi(this);
    host();

    addTackCount(number, [this] {
        updatePeriod();
        initTacksOrder();
    });
    for (PoLabel* length : {ascend, peak, descend})
        addField(length, QString(), 0, MaxTackPart, 0.1f, 1);
    addWeldFields(Ir, ascend, peak, descend, weldSpeed, moveSpeed);
    setLengthFields(false, MaxTackPart, MaxTackPart);
    m_passLength = contour->lengthValue();

    initTacksOrder();
    updatePeriod();
}

QString LinTackWelds::defaultOrder(int count)
{
    QStringList order{QString::number(count / 2)};
    for (int k = 2; k < count + 1; ++k)
        order << QString::number(k % 2 ? (count - 1) - (k - 3) / 2 : (k - 2) / 2);
    return order.join(QLatin1Char(','));
}

void LinTackWelds::initTacksOrder()
{
    leTacksOrder->setText(defaultOrder(tackCount(number->value())));
}

void LinTackWelds::updatePeriod()
{
    period->setValue(m_passLength / float(tackCount(number->value())), 1);
}

void LinTackWelds::addTack(TemplatePlan& plan, float start, const Values& v)
{
    plan.path(start, 0, v.weldSpeed);
    plan.path(start + v.ascend, v.Ir, v.weldSpeed);
    plan.path(start + v.ascend + v.peak, v.Ir, v.weldSpeed);
    plan.path(start + v.ascend + v.peak + v.descend, 0, v.moveSpeed);
}

TemplatePlan LinTackWelds::plan(const QString& title, const QString& order, const Values& raw)
{
    Values v = raw;
    static_cast<WeldValues&>(v) = withinEditorLimits(raw);
    const float tack = v.ascend + v.peak + v.descend;
    if (tack > v.period)
        return TemplatePlan::refuse(TackTooLong, true);
    const QList<int> indices = tackOrder(order);
    if (!orderTooLong(indices).isEmpty())
        return TemplatePlan::refuse(orderTooLong(indices));
    for (int index : indices) {
        if (index < 0)
            return TemplatePlan::refuse(badOrderEntry(index));
    }

    TemplatePlan plan;
    plan.comment(title);
    const float gap = v.period - tack;
    // Each tack is centred in the period that begins at period × index.
    for (int index : indices)
        addTack(plan, v.period * float(index) + 0.5f * gap, v);
    return TemplatePlan::checked(plan);
}

void LinTackWelds::on_pbCreate_clicked()
{
    Values values;
    static_cast<WeldValues&>(values) = weldValues();
    values.period = period->value();
    create(plan(title->text(), leTacksOrder->text(), values));
}
