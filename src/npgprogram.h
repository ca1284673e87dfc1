#pragma once

#include <QByteArray>
#include <QString>

// The NC program files that the console writes into "/programs/" for the CNC controller to run.
namespace NpgProgram {

// Writes `text` as the program at the installation path `systemPath` ("/programs/_fixed.npg"),
// reached through FixedPaths. An existing file is given mode 0777 first and keeps it; the new
// text replaces the old one in one step (written beside it, then renamed), so the controller never
// reads a half-written program. False when the file could not be written; the old file is then
// left as it was.
bool write(const QString& systemPath, const QByteArray& text);

// The one-move program of the axis dialogs, every line ended by a line feed:
//   N01 $<channel>
//   N02 ARF()                                   (only for the address "V")
//   N03 G90|G91 G01 <address>=<value> F<feed>
//   N05 M30
QByteArray singleAxisMove(int channel, const QString& address, bool absolute,
                          const QString& value, const QString& feed);

}  // namespace NpgProgram
