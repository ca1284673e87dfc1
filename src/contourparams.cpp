#include "contourparams.h"

#include <cmath>

#include "myframe.h"
#include "techeditor.h"
#include "techfield.h"

ContourParams::ContourParams(TechEditor* contour, int frame, QWidget* parent)
    : QDialog(parent), m_contour(contour), m_frame(frame)
{
    setupUi(this);
    const QPoint at = parent ? parent->mapToGlobal(QPoint(0, 0)) : QPoint(0, 0);
    new MyFrame(QStringLiteral("Параметры кадра №") + QString::number(frame), at.x(), at.y(), 1,
                this, parent, true, true);
    // A scheme with a diameter places its points on the circle: its segments are not edited.
    m_editable = !contour->schemaRound();
    setCPType(1);
}

void ContourParams::enableArc(bool arc)
{
    for (QWidget* widget : {static_cast<QWidget*>(radius), static_cast<QWidget*>(lblRadius),
                            static_cast<QWidget*>(cbClockWise), static_cast<QWidget*>(pbXY),
                            static_cast<QWidget*>(pbXZ), static_cast<QWidget*>(pbYZ)})
        widget->setEnabled(arc);
    // The circle needs the point before this one and the one after it: rows N − 2 to N.
    const bool threePoints = m_frame >= 2 && m_frame < m_contour->contourRowCount();
    cbCalc->setEnabled(arc && threePoints);
}

void ContourParams::setCPType(int type)
{
    const bool arc = type >= 2;
    pbType->setChecked(arc);
    pbType->setText(arc ? QStringLiteral("Дуга") : QStringLiteral("Прямая"));
    pbType->setEnabled(m_editable);
    enableArc(arc && m_editable);
}

void ContourParams::setCPPlane(int plane)
{
    m_plane = plane;
    pbXY->setChecked(plane == 0);
    pbXZ->setChecked(plane == 1);
    pbYZ->setChecked(plane == 2);
}

QString ContourParams::segmentText(int type, int direction, int plane, float radius)
{
    if (type == 1)
        return QStringLiteral("Прямая");
    if (type != 2)
        return QStringLiteral("Конец");
    const QString planeName = plane == 1   ? QStringLiteral("пл-XZ")
                              : plane == 2 ? QStringLiteral("пл-YZ")
                                           : QStringLiteral("пл-XY");
    return QStringLiteral("Дуга, r=") + QString::number(double(radius), 'f', 1) + QStringLiteral(", ")
           + (direction == 1 ? QStringLiteral("пр. ч.с., ") : QStringLiteral("по ч.с., ")) + planeName;
}

void ContourParams::on_radius_clicked()
{
    float value = 0;
    if (TechField::ask(QStringLiteral("Радиус, мм"), radius, &value))
        radius->setValue(value, 2);
}

void ContourParams::on_pbType_clicked()
{
    const bool arc = pbType->isChecked();
    pbType->setText(arc ? QStringLiteral("Дуга") : QStringLiteral("Прямая"));
    enableArc(arc);
}

void ContourParams::on_pbXY_clicked()
{
    setCPPlane(0);
}

void ContourParams::on_pbXZ_clicked()
{
    setCPPlane(1);
}

void ContourParams::on_pbYZ_clicked()
{
    setCPPlane(2);
}

void ContourParams::on_cbCalc_clicked()
{
    if (!cbCalc->isChecked())
        return;
    // Points on one line give no circle: the radius then stays as it was, and the box goes off
    // again, so that "Принять" gives the previous frame no arc that nothing calculated.
    const float r = m_contour->calcDiameter(m_frame, m_plane) * 0.5f;
    if (std::isfinite(r) && r > 0)
        radius->setValue(r, 2);
    else
        cbCalc->setChecked(false);
}

void ContourParams::on_pbOn_clicked()
{
    const int type = pbType->isChecked() ? 2 : 1;
    const int direction = cbClockWise->isChecked() ? 1 : 0;
    m_contour->addParameters(m_frame - 1, type, direction, m_plane, radius->value(), true);
    if (cbCalc->isChecked() && m_frame >= 2)
        m_contour->addParameters(m_frame - 2, type, direction, m_plane, radius->value(), true);
    accept();
}

void ContourParams::on_pbCancel_clicked()
{
    reject();
}
