#pragma once

#include <QByteArray>
#include <QString>

#include "wholefile.h"

// The NC program files that the console writes into "/programs/" for the CNC controller to run.
namespace NpgProgram {

// Writes `text` as the program at the installation path `systemPath` ("/programs/_fixed.npg"),
// reached through FixedPaths. An existing file is given mode 0777 first; a file that does not
// exist yet is created with the process's default mode. The folder is shared with the controller,
// which opens the programs it runs by their names and may hold one open: those are rewritten in
// place (the default). A program the operator keeps is written beside the old one and renamed over
// it where the folder takes a new file, so that the old program stays until the new one is whole
// (Replace::BesideWherePossible). False when the file could not be opened or not be written whole
// (the caller then starts nothing with it).
bool write(const QString& systemPath, const QByteArray& text, Replace how = Replace::InPlace);

// The operator's "[A]" line for a program that could not be written and so was not started.
QString notWritten(const QString& systemPath);

// The one-move program of the axis dialogs, every line ended by a line feed:
//   N01 $<channel>
//   N02 ARF()                                   (only for the address "V")
//   N03 G90|G91 G01 <address>=<value> F<feed>
//   N05 M30
QByteArray singleAxisMove(int channel, const QString& address, bool absolute,
                          const QString& value, const QString& feed);

}  // namespace NpgProgram
