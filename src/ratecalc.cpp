#include "ratecalc.h"

#include <algorithm>

#include "myframe.h"
#include "numpad.h"
#include "settingsfile.h"
#include "widgets.h"

namespace {

constexpr double Pi = 3.141592653589793;
constexpr int Decimals = 1;

// Field limits: number pad entry and the minus/plus buttons share the upper bound; the pad
// raises the linear speeds to at least 1, the buttons let them reach 0.
constexpr float MaxLinRate1 = 2400;
constexpr float MaxLinRate2 = 1000;
constexpr float MaxAngleRate = 1800;
constexpr float MaxDiam = 6000;

float clamp(float value, float min, float max)
{
    // Raised to the lower bound first, then lowered to the upper one.
    return std::min(std::max(value, min), max);
}

}  // namespace

RateCalc::RateCalc(QWidget* anchor) : QDialog(anchor)
{
    setupUi(this);

    const auto settings = SettingsFile::open();
    LinRate1->setValue(settings->value("RateCalc/LinRate1", 600).toFloat(), Decimals);
    LinRate2->setValue(settings->value("RateCalc/LinRate2", 20).toFloat(), Decimals);
    AngleRate->setValue(settings->value("RateCalc/AngleRate", 360).toFloat(), Decimals);
    Diam->setValue(settings->value("RateCalc/Diam", 100).toFloat(), Decimals);

    QPoint at(0, 0);
    if (anchor)
        at = anchor->mapToGlobal(QPoint(0, 0)) + QPoint(0, anchor->height());
    new MyFrame(QStringLiteral("Калькулятор скоростей"), at.x(), at.y(), 1, this, anchor, true, true);
}

RateCalc::~RateCalc()
{
    const auto settings = SettingsFile::open();
    settings->setValue("RateCalc/LinRate1", LinRate1->value());
    settings->setValue("RateCalc/LinRate2", LinRate2->value());
    settings->setValue("RateCalc/AngleRate", AngleRate->value());
    settings->setValue("RateCalc/Diam", Diam->value());
}

RateCalc::Rates RateCalc::compute(int source, float value, float diameter, Rates current)
{
    Rates r = current;
    const double circumference = double(diameter) * Pi;
    switch (source) {
    case FromLinRate1:
        r.linRate2 = value * 6.0f / 100.0f;
        if (circumference != 0.0)
            r.angleRate = float(double(value * 360.0f) / circumference);
        break;
    case FromLinRate2:
        r.linRate1 = value * 100.0f / 6.0f;
        if (circumference != 0.0)
            r.angleRate = float(double(value * 6000.0f) / circumference);
        break;
    case FromAngleRate:
        r.linRate1 = float(double(diameter) * double(value) * Pi / 360.0);
        r.linRate2 = float(double(diameter) * double(value) * Pi / 6000.0);
        break;
    default:
        break;
    }
    return r;
}

void RateCalc::calcAllRate(int source, float value)
{
    if (source < FromLinRate1 || source > FromAngleRate)
        return;
    const Rates now{LinRate1->value(), LinRate2->value(), AngleRate->value()};
    const Rates r = compute(source, value, Diam->value(), now);
    if (source != FromLinRate1)
        LinRate1->setValue(r.linRate1, Decimals);
    if (source != FromLinRate2)
        LinRate2->setValue(r.linRate2, Decimals);
    if (source != FromAngleRate)
        AngleRate->setValue(r.angleRate, Decimals);
}

void RateCalc::crement(PoLabel* label, float min, float max, float step, int decimals, bool up)
{
    const float value = up ? label->value() + step : label->value() - step;
    label->setValue(clamp(value, min, max), decimals);
}

void RateCalc::range(PoLabel* label, float min, float max, float value, int decimals)
{
    label->setValue(clamp(value, min, max), decimals);
}

void RateCalc::numpad(PoLabel* label, const QString& caption, float min, float max, int decimals)
{
    Numpad pad(caption, label, 0, false, false, false);
    if (pad.exec() == QDialog::Accepted)
        label->setValue(clamp(float(pad.value()), min, max), decimals);
}

void RateCalc::on_lblLinRate1_clicked()
{
    on_LinRate1_clicked();
}

void RateCalc::on_LinRate1_clicked()
{
    numpad(LinRate1, QStringLiteral("V, мм/мин"), 1, MaxLinRate1, Decimals);
    calcAllRate(FromLinRate1, LinRate1->value());
}

void RateCalc::on_pbLinRate1Minus_clicked()
{
    crement(LinRate1, 0, MaxLinRate1, 1, Decimals, false);
    calcAllRate(FromLinRate1, LinRate1->value());
}

void RateCalc::on_pbLinRate1Plus_clicked()
{
    crement(LinRate1, 0, MaxLinRate1, 1, Decimals, true);
    calcAllRate(FromLinRate1, LinRate1->value());
}

void RateCalc::on_lblLinRate2_clicked()
{
    on_LinRate2_clicked();
}

void RateCalc::on_LinRate2_clicked()
{
    numpad(LinRate2, QStringLiteral("V, м/час"), 1, MaxLinRate2, Decimals);
    calcAllRate(FromLinRate2, LinRate2->value());
}

void RateCalc::on_pbLinRate2Minus_clicked()
{
    crement(LinRate2, 0, MaxLinRate2, 1, Decimals, false);
    calcAllRate(FromLinRate2, LinRate2->value());
}

void RateCalc::on_pbLinRate2Plus_clicked()
{
    crement(LinRate2, 0, MaxLinRate2, 1, Decimals, true);
    calcAllRate(FromLinRate2, LinRate2->value());
}

void RateCalc::on_lblAngleRate_clicked()
{
    on_AngleRate_clicked();
}

void RateCalc::on_AngleRate_clicked()
{
    numpad(AngleRate, QStringLiteral("V, град/мин"), 0, MaxAngleRate, Decimals);
    calcAllRate(FromAngleRate, AngleRate->value());
}

void RateCalc::on_pbAngleRateMinus_clicked()
{
    crement(AngleRate, 0, MaxAngleRate, 1, Decimals, false);
    calcAllRate(FromAngleRate, AngleRate->value());
}

void RateCalc::on_pbAngleRatePlus_clicked()
{
    crement(AngleRate, 0, MaxAngleRate, 1, Decimals, true);
    calcAllRate(FromAngleRate, AngleRate->value());
}

// A new diameter keeps the angular speed and recomputes both linear speeds.
void RateCalc::on_lblDiam_clicked()
{
    on_Diam_clicked();
}

void RateCalc::on_Diam_clicked()
{
    numpad(Diam, QStringLiteral("D, мм"), 0, MaxDiam, Decimals);
    calcAllRate(FromAngleRate, AngleRate->value());
}

void RateCalc::on_pbDiamMinus_clicked()
{
    crement(Diam, 0, MaxDiam, 1, Decimals, false);
    calcAllRate(FromAngleRate, AngleRate->value());
}

void RateCalc::on_pbDiamPlus_clicked()
{
    crement(Diam, 0, MaxDiam, 1, Decimals, true);
    calcAllRate(FromAngleRate, AngleRate->value());
}
