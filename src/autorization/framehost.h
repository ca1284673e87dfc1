#pragma once

#include <QString>

class MyFrame;
class QDialog;
class QWidget;

namespace Autorization {

// Hosts a dialog of this subsystem in its frame: window-modal, shown at once, placed at the
// parent's bottom-left corner (the frame keeps itself inside the screen), and, when `centre` is
// set, then moved to the middle of the parent.
MyFrame* hostInFrame(QDialog* dialog, const QString& title, QWidget* parent, bool centre);

}  // namespace Autorization
