#include "techfield.h"

#include <QWidget>

#include "myframe.h"
#include "numpad.h"

namespace TechField {

float clamp(float value, float min, float max)
{
    if (!(value >= min))   // below, or NaN
        value = min;
    if (value > max)
        value = max;
    return value;
}

float stepped(float value, float step, bool up, float min, float max)
{
    return clamp(up ? value + step : value - step, min, max);
}

bool ask(const QString& title, QWidget* anchor, float* value)
{
    Numpad pad(title, anchor, 0.0f, false, false, false);
    // An empty entry is no 0: it changes nothing, as a closed pad.
    if (pad.exec() != QDialog::Accepted || !pad.hasNumber())
        return false;
    *value = float(pad.value());
    return true;
}

QPoint belowLeft(const QWidget* button, int dialogWidth)
{
    if (!button)
        return QPoint(0, 0);
    const QPoint topLeft = button->mapToGlobal(QPoint(0, 0));
    return QPoint(topLeft.x() - dialogWidth, topLeft.y() + button->height());
}

void hostBelowLeft(QDialog* dialog, const QString& title, QWidget* button)
{
    const QPoint at = belowLeft(button, dialog->width());
    new MyFrame(title, at.x(), at.y(), 1, dialog, button, true, true);
}

}  // namespace TechField
