#include "trsel.h"

#include <QCursor>
#include <QFont>
#include <QMouseEvent>
#include <QTableWidgetItem>

#include <cmath>

#include "choicemenu.h"
#include "myframe.h"
#include "techfield.h"

namespace {

// A float cut to a whole number that an int holds (NaN gives 0).
int wholePart(float value)
{
    if (std::isnan(value))
        return 0;
    return int(TechField::clamp(std::trunc(value), -2.0e9f, 2.0e9f));
}

}  // namespace

// ---- sweep cell ------------------------------------------------------------------------------

RasterParams TRSelect::fromItem(const QTableWidgetItem& cell)
{
    RasterParams p;
    p.type = cell.data(Qt::UserRole + 1).toInt();
    p.ampX = cell.data(Qt::UserRole + 2).toFloat();
    p.ampY = cell.data(Qt::UserRole + 3).toFloat();
    p.angle = wholePart(cell.data(Qt::UserRole + 4).toFloat());
    p.freq = cell.data(Qt::UserRole + 5).toInt();
    p.shiftX = cell.data(Qt::UserRole + 6).toFloat();
    p.shiftY = cell.data(Qt::UserRole + 7).toFloat();
    p.param = cell.data(Qt::UserRole + 8).toFloat();
    p.reverse = cell.data(Qt::UserRole + 9).toInt() != 0 ? 1 : 0;
    return p;
}

void TRSelect::toItem(const RasterParams& p, QTableWidgetItem& cell)
{
    cell.setData(Qt::UserRole + 1, p.type);
    cell.setData(Qt::UserRole + 2, p.ampX);
    cell.setData(Qt::UserRole + 3, p.ampY);
    cell.setData(Qt::UserRole + 4, p.angle);
    cell.setData(Qt::UserRole + 5, p.freq);
    cell.setData(Qt::UserRole + 6, p.shiftX);
    cell.setData(Qt::UserRole + 7, p.shiftY);
    cell.setData(Qt::UserRole + 8, p.param);
    cell.setData(Qt::UserRole + 9, p.reverse);
}

void TRSelect::setSweep(QTableWidgetItem& cell, const RasterParams& params)
{
    toItem(params, cell);
    QFont font = cell.font();
    font.setPointSize(9);
    cell.setFont(font);
    cell.setText(rasterText(params));
}

RasterParams TRSelect::defaults()
{
    RasterParams p;
    p.ampX = 1.0f;
    p.ampY = 1.0f;
    p.freq = 10;
    p.param = 1;
    return p;
}

// ---- the dialog ------------------------------------------------------------------------------

namespace {

// One value of the dialog: its widgets (by object name), bounds, step, decimals and pad title.
struct Field {
    const char* value;
    const char* caption;
    const char* minus;
    const char* plus;
    float min;
    float max;
    float step;
    int decimals;
    const char* title;
};

const Field kFields[] = {
    {"TRamplX", "lblTRamplX", "pbTRamplXminus", "pbTRamplXplus", -100, 100, 0.1f, 2, "Амплитуда X, %"},
    {"TRamplY", "lblTRamplY", "pbTRamplYminus", "pbTRamplYplus", -100, 100, 0.1f, 2, "Амплитуда Y, %"},
    {"TRshiftX", "lblTRshiftX", "pbTRshiftXminus", "pbTRshiftXplus", -100, 100, 0.1f, 2, "Смещение X, %"},
    {"TRshiftY", "lblTRshiftY", "pbTRshiftYminus", "pbTRshiftYplus", -100, 100, 0.1f, 2, "Смещение Y, %"},
    {"TRangle", "lblTRangle", "pbTRangleMinus", "pbTRanglePlus", 0, 360, 1, 0, "Угол"},
    {"TRfreq", "lblTRfreq", "pbTRfreqMinus", "pbTRfreqPlus", 0, 1000, 1, 1, "Частота, Гц"},
    {"TRparam0", "lblTRparam0", "pbTRparam0Minus", "pbTRparam0Plus", -100, 100, 1, 0, "Доп. парам."},
};
constexpr int kFieldCount = int(sizeof(kFields) / sizeof(kFields[0]));

}  // namespace

const QString TRSelect::OffText = QStringLiteral("ВЫКЛ");

const QStringList& TRSelect::typeNames()
{
    return rasterTypeNames();
}

QString TRSelect::typeName(int code)
{
    // A damaged contour file may name a type that does not exist: it shows as its number.
    return code >= 0 && code < typeNames().size() ? typeNames().at(code) : QString::number(code);
}

TRSelect::TRSelect(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    const QPoint at = QCursor::pos();
    new MyFrame(QStringLiteral("Технологическая развертка"), at.x(), at.y(), 1, this, parent, true,
                true);

    for (int i = 0; i < kFieldCount; ++i) {
        const Field& field = kFields[i];
        auto* minus = findChild<QAbstractButton*>(QLatin1String(field.minus));
        auto* plus = findChild<QAbstractButton*>(QLatin1String(field.plus));
        connect(minus, &QAbstractButton::clicked, this, [this, i] { step(i, false); });
        connect(plus, &QAbstractButton::clicked, this, [this, i] { step(i, true); });
        // Number labels take their own presses; plain labels leave them to mousePressEvent.
        for (const char* name : {field.value, field.caption}) {
            if (auto* label = findChild<PoLabel*>(QLatin1String(name)))
                connect(label, &PoLabel::clicked, this, [this, i] { enter(i); });
        }
    }
}

void TRSelect::setType(int code)
{
    m_type = code;
    TRtype->setText(typeName(code));
}

void TRSelect::setAmpX(float value)
{
    TRamplX->setText(QString::number(double(value), 'f', 2));
}

void TRSelect::setAmpY(float value)
{
    TRamplY->setText(QString::number(double(value), 'f', 2));
}

void TRSelect::setShiftX(float value)
{
    TRshiftX->setText(QString::number(double(value), 'f', 2));
}

void TRSelect::setShiftY(float value)
{
    TRshiftY->setText(QString::number(double(value), 'f', 2));
}

float TRSelect::ampX() const
{
    return TRamplX->text().toFloat();
}

float TRSelect::ampY() const
{
    return TRamplY->text().toFloat();
}

float TRSelect::shiftX() const
{
    return TRshiftX->text().toFloat();
}

float TRSelect::shiftY() const
{
    return TRshiftY->text().toFloat();
}

void TRSelect::load(const QTableWidgetItem& cell)
{
    const QString text = cell.text();
    const RasterParams p = text.isEmpty() || text == OffText ? defaults() : fromItem(cell);
    setType(p.type);
    setAmpX(p.ampX);
    setAmpY(p.ampY);
    TRangle->setValue(float(p.angle), 0);
    TRfreq->setValue(float(p.freq), 1);
    setShiftX(p.shiftX);
    setShiftY(p.shiftY);
    TRparam0->setValue(p.param, 0);
    pbTRrotation->setChecked(p.reverse != 0);
}

RasterParams TRSelect::params() const
{
    RasterParams p;
    p.type = m_type;
    p.ampX = ampX();
    p.ampY = ampY();
    p.angle = wholePart(TRangle->value());
    p.freq = wholePart(TRfreq->value());
    p.shiftX = shiftX();
    p.shiftY = shiftY();
    p.param = TRparam0->value();
    p.reverse = pbTRrotation->isChecked() ? 1 : 0;
    return p;
}

bool TRSelect::apply(QTableWidgetItem& cell, const QFont& tableFont) const
{
    switch (m_choice) {
    case On:
        setSweep(cell, params());
        return true;
    case Off:
        cell.setFont(tableFont);
        cell.setText(OffText);
        return true;
    case Clear:
        cell.setText(QString());
        return true;
    default:
        return false;
    }
}

void TRSelect::range(QLabel* field, float value, float min, float max, int decimals)
{
    field->setText(QString::number(double(TechField::clamp(value, min, max)), 'f', decimals));
}

void TRSelect::crement(PoLabel* field, float min, float max, float step, int decimals, bool up)
{
    field->setValue(TechField::stepped(field->value(), step, up, min, max), decimals);
}

void TRSelect::crement(QLabel* field, float min, float max, float step, int decimals, bool up)
{
    // Each step starts from the text shown, so the value never drifts from what is seen.
    const float value = field->text().toFloat();
    range(field, up ? value + step : value - step, min, max, decimals);
}

void TRSelect::numpad(PoLabel* field, const QString& title, float min, float max, int decimals)
{
    float value = 0;
    if (TechField::ask(title, field, &value))
        field->setValue(TechField::clamp(value, min, max), decimals);
}

void TRSelect::numpad(QLabel* field, const QString& title, float min, float max, int decimals)
{
    float value = 0;
    if (TechField::ask(title, field, &value))
        range(field, value, min, max, decimals);
}

void TRSelect::step(int index, bool up)
{
    const Field& field = kFields[index];
    QLabel* label = findChild<QLabel*>(QLatin1String(field.value));
    if (auto* number = qobject_cast<PoLabel*>(label))
        crement(number, field.min, field.max, field.step, field.decimals, up);
    else
        crement(label, field.min, field.max, field.step, field.decimals, up);
}

void TRSelect::enter(int index)
{
    const Field& field = kFields[index];
    QLabel* label = findChild<QLabel*>(QLatin1String(field.value));
    const QString title = QString::fromUtf8(field.title);
    if (auto* number = qobject_cast<PoLabel*>(label))
        numpad(number, title, field.min, field.max, field.decimals);
    else
        numpad(label, title, field.min, field.max, field.decimals);
}

void TRSelect::mousePressEvent(QMouseEvent* event)
{
    if (mouseGrabber() == this)
        releaseMouse();
    const QWidget* child = childAt(event->localPos().toPoint());
    if (!child)
        return;
    const QByteArray name = child->objectName().toLatin1();
    for (int i = 0; i < kFieldCount; ++i) {
        const Field& field = kFields[i];
        if (qobject_cast<const PoLabel*>(findChild<QLabel*>(QLatin1String(field.value))))
            continue;
        if (name == field.value || name == field.caption) {
            enter(i);
            return;
        }
    }
}

void TRSelect::on_TRtype_clicked()
{
    QStringList entries;
    for (const QString& name : typeNames())
        entries << name + QStringLiteral("      ");
    const int chosen = ChoiceMenu::exec(QString(), entries, this);
    if (chosen >= 0)
        setType(chosen);
}

void TRSelect::on_pbOn_clicked()
{
    m_choice = On;
    accept();
}

void TRSelect::on_pbOff_clicked()
{
    m_choice = Off;
    accept();
}

void TRSelect::on_pbClear_clicked()
{
    m_choice = Clear;
    accept();
}
