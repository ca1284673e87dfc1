#pragma once

#include <QFont>

// The console's text where a form names no font family: the forms are laid out for Cantarell
// (Debian's fonts-cantarell) at 11 points, and a wider fallback would cut their captions. Forms
// that give a size or a family keep it.
QFont consoleFont();

// Makes consoleFont() the application font. Called before the first widget is built, since a
// widget takes the application font when it is made.
void installConsoleFont();
