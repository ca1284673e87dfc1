#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The editor's pop-up choice menus: a titled menu of entries in a bold 20-pixel Cantarell, each
// with the blank 64 x 64 icon, shown at the mouse cursor.
namespace ChoiceMenu {

// Runs the menu; returns the index of the chosen entry, or -1 when it was closed without a
// choice.
int exec(const QString& title, const QStringList& entries, QWidget* parent);

}  // namespace ChoiceMenu
