#include "lintackwelds.h"

#include <QStringList>

#include "techeditor.h"
#include "techfield.h"

using TechField::clamp;
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

    const auto count = [this] { countChanged(); };
    addField(number, QStringLiteral("Кол-во прихваток"), MinTacks, MaxTacks, 1, 0, count);
    for (PoLabel* length : {ascend, peak, descend})
        addField(length, QString(), 0, MaxTackPart, 0.1f, 1);
    restore(number, QStringLiteral("Number"), MinTacks, 0);
    // A count from a hand-edited file would divide the pass by 0 or a fraction.
    number->setValue(float(tackCount(number->value())), 0);
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

void LinTackWelds::countChanged()
{
    // Entries are made whole: the count is shown without decimals and used as a whole number.
    number->setValue(float(tackCount(number->value())), 0);
    updatePeriod();
    initTacksOrder();
}

TemplatePlan LinTackWelds::plan(const QString& title, const QString& order, const Values& v)
{
    const float current = clamp(v.Ir, 0, MaxCurrent);
    const float rise = clamp(v.ascend, 0, MaxTackPart);
    const float top = clamp(v.peak, 0, MaxTackPart);
    const float fall = clamp(v.descend, 0, MaxTackPart);
    const float weld = clamp(v.weldSpeed, 0, MaxSpeed);
    const float move = clamp(v.moveSpeed, 0, MaxSpeed);
    const float tack = rise + top + fall;
    const float period = v.period;
    if (tack > period)
        return TemplatePlan::refuse(TackTooLong, true);
    const QList<int> indices = tackOrder(order);
    for (int index : indices) {
        if (index < 0)
            return TemplatePlan::refuse(badOrderEntry(index));
    }

    TemplatePlan plan;
    plan.comment(title);
    const float gap = period - tack;
    for (int index : indices) {
        // The tack is centred in the period that begins at period × index.
        const float start = period * float(index) + 0.5f * gap;
        plan.path(start, 0, weld);
        plan.path(start + rise, current, weld);
        plan.path(start + rise + top, current, weld);
        plan.path(start + rise + top + fall, 0, move);
    }
    return TemplatePlan::checked(plan);
}

void LinTackWelds::on_pbCreate_clicked()
{
    Values values;
    static_cast<WeldValues&>(values) = weldValues();
    values.period = period->value();
    create(plan(title->text(), leTacksOrder->text(), values));
}
