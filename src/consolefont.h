#pragma once

#include <QFont>
#include <QStringList>

// The console's text where a form names no font family: the forms are laid out for Cantarell
// (Debian's fonts-cantarell) at 11 points, and a wider fallback would cut their captions. Forms
// that give a size or a family keep it.
QFont consoleFont();

// The installed families the console draws every text in: Cantarell (fonts-cantarell), DejaVu
// Sans and DejaVu Sans Mono (fonts-dejavu-core) and Liberation Mono (fonts-liberation2), which
// test.sh, run.sh and the session scripts install. A family that a form or the code names and
// that is not one of these ("Monospace", "Sans Serif", "Luxi Mono", "Bitstream Charter") is drawn
// in the one of these that installConsoleFont() substitutes for it, never in whatever font the
// machine's font configuration would pick: the captions are laid out for these fonts and measure
// the same on a machine with more fonts.
QStringList consoleFamilies();

// Makes consoleFont() the application font and substitutes the console's own families for the
// generic and absent ones. Called before the first widget is built, since a widget takes the
// application font when it is made.
void installConsoleFont();
