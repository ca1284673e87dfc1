#include "pictures.h"

#include <QLabel>
#include <QPixmap>

namespace Pictures {

QImage resource(const QString& name)
{
    // Through a pixmap, as a label holds it, so that semi-transparent edges round alike.
    return QPixmap(QStringLiteral(":/images/") + name).toImage().convertToFormat(QImage::Format_ARGB32);
}

QImage shown(const QLabel* label)
{
    const QPixmap pixmap = label->pixmap(Qt::ReturnByValue);
    return pixmap.isNull() ? QImage() : pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

bool shows(const QLabel* label, const QString& name)
{
    return shown(label) == resource(name);
}

QColor background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Active, QPalette::Window);
}

}  // namespace Pictures
