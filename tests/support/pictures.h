#pragma once

#include <QColor>
#include <QImage>
#include <QString>

class QLabel;
class QWidget;

// What a label or sprite shows, for comparing with the console's own pictures.
namespace Pictures {

// A resource picture (":/images/" + name) as a label holds it, in one pixel format.
QImage resource(const QString& name);
// The picture the label shows; a null image when it shows none.
QImage shown(const QLabel* label);
// True when the label shows the resource picture of that name.
bool shows(const QLabel* label, const QString& name);
// The widget's background colour (active window role).
QColor background(const QWidget* widget);

}  // namespace Pictures
