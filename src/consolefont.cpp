#include "consolefont.h"

#include <QApplication>

QFont consoleFont()
{
    QFont font(QStringLiteral("Cantarell"), 11);
    font.setWeight(QFont::Normal);
    return font;
}

void installConsoleFont()
{
    QApplication::setFont(consoleFont());
}
