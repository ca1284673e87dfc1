#include "addcontourpoint.h"

#include <cmath>

#include "settingsfile.h"
#include "techeditor.h"
#include "techfield.h"

namespace {

const QString kNumber = QStringLiteral("ContourPoint/Number");
const QString kRotate = QStringLiteral("ContourPoint/Rotate");
const QString kAllPoint = QStringLiteral("ContourPoint/AllPoint");
const QString kAllRotate = QStringLiteral("ContourPoint/AllRotate");

// A point or pass number as the editor takes it: whole and within 1..count.
int within(float number, int count)
{
    return int(std::trunc(TechField::clamp(number, 1, float(count))));
}

}  // namespace

AddContourPoint::AddContourPoint(TechEditor* contour, int points, int passes, QWidget* parent)
    : QDialog(parent), m_contour(contour), m_points(points), m_passes(passes)
{
    setupUi(this);
    TechField::hostBelowLeft(this, QStringLiteral("Добавление точки контура"), parent);
    connect(rbAllRotate, &QRadioButton::clicked, this, &AddContourPoint::slotRadioButtonClicked);
    connect(rbOneRotate, &QRadioButton::clicked, this, &AddContourPoint::slotRadioButtonClicked);

    const auto settings = SettingsFile::open();
    // Stored numbers from an earlier contour are brought into this one's range.
    float point = settings->value(kNumber, 1).toFloat();
    float rotate = settings->value(kRotate, 1).toFloat();
    if (m_points >= 1)
        point = float(within(point, m_points));
    if (m_passes >= 1)
        rotate = float(within(rotate, m_passes));
    pointNumber->setValue(point, 0);
    rotateNumber->setValue(rotate, 0);
    cbAllPoints->setChecked(settings->value(kAllPoint, false).toBool());
    if (settings->value(kAllRotate, false).toBool())
        rbAllRotate->setChecked(true);
    else
        rbOneRotate->setChecked(true);

    lblPointNumber->setText(QStringLiteral("Номер точки (от 1 до %1)").arg(m_points));
    slotRadioButtonClicked();
}

AddContourPoint::~AddContourPoint()
{
    const auto settings = SettingsFile::open();
    settings->setValue(kNumber, pointNumber->value());
    settings->setValue(kRotate, rotateNumber->value());
    settings->setValue(kAllPoint, cbAllPoints->isChecked());
    settings->setValue(kAllRotate, rbAllRotate->isChecked());
}

void AddContourPoint::on_cbAllPoints_stateChanged(int state)
{
    lblPointNumber->setEnabled(state == 0);
    pointNumber->setEnabled(state == 0);
}

void AddContourPoint::slotRadioButtonClicked()
{
    const bool one = !rbAllRotate->isChecked();
    lblRotateNumber->setEnabled(one);
    rotateNumber->setEnabled(one);
}

void AddContourPoint::numpad(PoLabel* label, const QString& title, float min, float max, int decimals)
{
    float value = 0;
    if (TechField::ask(title, label, &value))
        label->setValue(std::trunc(TechField::clamp(value, min, max)), decimals);
}

void AddContourPoint::on_pointNumber_clicked()
{
    numpad(pointNumber, QStringLiteral("Номер точки"), 1, float(m_points), 0);
}

void AddContourPoint::on_rotateNumber_clicked()
{
    numpad(rotateNumber, QStringLiteral("Номер оборота"), 1, float(m_passes), 0);
}

void AddContourPoint::on_pbAdd_clicked()
{
    // Positions exist only on a contour with points and at least one pass.
    if (m_points < 1) {
        emit message(QStringLiteral("[A]Ошибка! Контур не содержит точек!"), true);
        return;
    }
    if (m_passes < 1) {
        emit message(QStringLiteral("[A]Ошибка! Число оборотов контура меньше 1!"), true);
        return;
    }
    m_contour->addContourPoint(cbAllPoints->isChecked(), rbAllRotate->isChecked(),
                               within(pointNumber->value(), m_points),
                               within(rotateNumber->value(), m_passes));
    accept();
}
