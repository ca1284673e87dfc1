#pragma once

#include <QPoint>
#include <QString>

class QDialog;
class QWidget;

// Number entry shared by the weld technology dialogs: bounds, steps, the number pad and the
// place of a dialog opened from a button.
namespace TechField {

// The value raised to min and then lowered to max (so max wins when min > max); NaN gives min.
float clamp(float value, float min, float max);
// One step of a minus (up false) or plus button, kept within the same bounds.
float stepped(float value, float step, bool up, float min, float max);
// Opens the number pad titled `title` below `anchor`, starting empty, with decimal point and
// sign. True, with the entered number in *value, when the pad was confirmed with Enter on a
// number (an empty entry enters none).
bool ask(const QString& title, QWidget* anchor, float* value);
// The top-left corner of a frame that hangs below `button` and to its left, for a dialog of
// the given width: the button's global left edge minus the width, its bottom edge.
QPoint belowLeft(const QWidget* button, int dialogWidth);
// Hosts `dialog` (set up, so of its final width) in a modal frame titled `title` at
// belowLeft(button, its width).
void hostBelowLeft(QDialog* dialog, const QString& title, QWidget* button);

}  // namespace TechField
