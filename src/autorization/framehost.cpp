#include "framehost.h"

#include <QDialog>
#include <QWidget>

#include "myframe.h"

namespace Autorization {

MyFrame* hostInFrame(QDialog* dialog, const QString& title, QWidget* parent, bool centre)
{
    const QPoint corner = parent ? parent->mapToGlobal(QPoint(0, 0)) : QPoint(0, 0);
    const int parentHeight = parent ? parent->height() : 0;
    auto* frame = new MyFrame(title, corner.x(), corner.y() + parentHeight, 1, dialog, parent,
                              true, true);
    if (centre && parent)
        frame->move((parent->width() - frame->width()) / 2,
                    (parent->height() - frame->height()) / 2);
    return frame;
}

}  // namespace Autorization
