#include "choicemenu.h"

#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QMenu>

namespace ChoiceMenu {

int exec(const QString& title, const QStringList& entries, QWidget* parent)
{
    QMenu menu(title, parent);
    QFont font(QStringLiteral("Cantarell"));
    font.setPixelSize(20);
    font.setWeight(QFont::Bold);
    menu.setFont(font);
    const QIcon icon(QStringLiteral(":/images/empty64x64.png"));
    for (int i = 0; i < entries.size(); ++i)
        menu.addAction(icon, entries.at(i))->setData(i);
    const QAction* chosen = menu.exec(QCursor::pos());
    return chosen ? chosen->data().toInt() : -1;
}

}  // namespace ChoiceMenu
