#include "linweld.h"

#include <cmath>

#include "techeditor.h"

using namespace TemplateValues;

namespace {

constexpr float MaxSlope = 1080;   // rise and fall, mm
constexpr float MaxPeak = 3600;    // mm, for entry and steps

}  // namespace

LinWeld::LinWeld(TechEditor* contour, QWidget* parent)
    : WeldTemplate(contour, parent, QStringLiteral("Линейная сварка"), QStringLiteral("LinWeld"))
{
    setupUi(this);
    host();

    m_passLength = contour->lengthValue();
    const auto peakFollows = [this] { calculatePeak(); };
    addField(ascend, QStringLiteral("Подъем, мм"), 0, MaxSlope, 0.1f, 1, peakFollows);
    addField(peak, QStringLiteral("Пик, мм"), 0, MaxPeak, 0.1f, 1);
    addField(descend, QStringLiteral("Спад, мм"), 0, MaxSlope, 0.1f, 1, peakFollows);
    // The peak is not recomputed here: the dialog opens with the stored one.
    addWeldFields(Ir, ascend, peak, descend, weldSpeed, moveSpeed);
}

void LinWeld::calculatePeak()
{
    peak->setValue(m_passLength - ascend->value() - descend->value(), 1);
}

TemplatePlan LinWeld::plan(const QString& title, const Values& raw)
{
    // The peak is mostly computed: a negative one means rise and fall do not fit the pass, which
    // no clamping can mend. Its upper bound limits entries only, so a long pass keeps its peak.
    const float peak = std::isnan(raw.peak) ? 0.0f : raw.peak;
    if (peak < 0)
        return TemplatePlan::refuse(
            QStringLiteral("[A]Ошибка! Подъем и спад длиннее прохода: расчетная длина пика меньше нуля!"));
    const WeldValues v = withinEditorLimits(raw);
    TemplatePlan plan;
    plan.comment(title);
    plan.interval(0, 0, v.weldSpeed);
    plan.slopes(v.ascend, peak, v.descend, v);
    return TemplatePlan::checked(plan);
}

void LinWeld::on_pbCreate_clicked()
{
    create(plan(title->text(), weldValues()));
}
