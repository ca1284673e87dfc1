#include "techsettings.h"

#include <cmath>

#include "techeditor.h"
#include "techfield.h"

namespace {

QString general(float value)
{
    return QString::number(double(value), 'g', 6);
}

}  // namespace

TechSettings::TechSettings(TechEditor* contour, QWidget* button)
    : QDialog(button), m_editor(contour)
{
    setupUi(this);
    TechField::hostBelowLeft(this, QStringLiteral("Настройки контура"), button);
    frmRoundParam->setEnabled(contour->schemaRotate());
}

void TechSettings::setTestMove(bool on)
{
    cbTestMode->setChecked(on);
}

void TechSettings::setFocusUse(bool on)
{
    cbFocus->setChecked(on);
}

void TechSettings::setYokeXUse(bool on)
{
    cbYokeX->setChecked(on);
}

void TechSettings::setYokeYUse(bool on)
{
    cbYokeY->setChecked(on);
}

void TechSettings::setFocusSettle(float value)
{
    m_If = value;
    If->setValue(value, 0);
}

void TechSettings::setYokeXSettle(float value)
{
    m_Ix = value;
    Ix->setValue(value, 1);
}

void TechSettings::setYokeYSettle(float value)
{
    m_Iy = value;
    Iy->setValue(value, 1);
}

void TechSettings::setRoundParams(float d, float x, float y, int plane)
{
    m_diameter = d;
    diameter->setValue(d, 2);
    center1->setValue(x, 2);
    center2->setValue(y, 2);
    selectPlane(plane);
}

void TechSettings::enterCurrent(PoLabel* label, const QString& title, int decimals, float* value,
                                const QString& notice)
{
    float entered = 0;
    if (!TechField::ask(title, label, &entered))
        return;
    *value = entered;
    label->setValue(entered, decimals);
    emit message(notice.arg(general(entered)), true);
}

void TechSettings::on_If_clicked()
{
    enterCurrent(If, QStringLiteral("If, мА"), 0, &m_If,
                 QStringLiteral("Задан новый ток фокусировки для контура - %1 мА"));
}

void TechSettings::on_Ix_clicked()
{
    enterCurrent(Ix, QStringLiteral("Ix, мА"), 1, &m_Ix,
                 QStringLiteral("Задан новый ток отклонения по X для контура - %1 мА"));
}

void TechSettings::on_Iy_clicked()
{
    enterCurrent(Iy, QStringLiteral("Iy, мА"), 1, &m_Iy,
                 QStringLiteral("Задан новый ток отклонения по Y для контура - %1 мА"));
}

void TechSettings::on_diameter_clicked()
{
    float entered = 0;
    if (!TechField::ask(QStringLiteral("Диаметр, мм"), diameter, &entered))
        return;
    // The points are moved from the circle of the old diameter onto the new one: a seam
    // diameter is a positive length, anything else keeps the old value.
    if (!std::isfinite(entered) || entered <= 0)
        return;
    m_diameter = entered;
    diameter->setValue(entered, 2);
    emit message(QStringLiteral("Задан новый диаметр для контура - %1 мм").arg(general(entered)), true);
}

void TechSettings::selectPlane(int plane)
{
    m_plane = plane;
    pbPlaneXY->setChecked(plane == 0);
    pbPlaneXZ->setChecked(plane == 1);
    pbPlaneYZ->setChecked(plane != 0 && plane != 1);
}

void TechSettings::on_pbPlaneXY_clicked()
{
    selectPlane(0);
}

void TechSettings::on_pbPlaneXZ_clicked()
{
    selectPlane(1);
}

void TechSettings::on_pbPlaneYZ_clicked()
{
    selectPlane(2);
}

void TechSettings::on_pbSettingsDone_clicked()
{
    const float oldDiameter = m_editor->schemaD();
    m_editor->setTechSettings(cbTestMode->isChecked(), cbFocus->isChecked(), cbYokeX->isChecked(),
                              cbYokeY->isChecked(), m_If, m_Ix, m_Iy, m_diameter, m_plane);
    if (m_diameter != oldDiameter && oldDiameter > 0 && m_diameter > 0)
        m_editor->recalcPointsForNewDiameter(oldDiameter, m_diameter);
    accept();
}

void TechSettings::on_pbSettingsCancel_clicked()
{
    reject();
}
