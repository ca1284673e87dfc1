#pragma once

#include <QByteArray>
#include <QString>

// The NC program files that the console writes into "/programs/" for the CNC controller to run.
namespace NpgProgram {

// Writes `text` as the program at the installation path `systemPath` ("/programs/_fixed.npg"),
// reached through FixedPaths. The folder is shared with the controller: the console may be allowed
// to rewrite the files in it but not to create or rename files there, and the controller may hold
// the file open. So the program is rewritten in place: an existing file is given mode 0777 first,
// then opened with truncation, written, flushed and closed; a file that does not exist yet is
// created with the process's default mode. False when the file could not be opened or not be
// written whole (the caller then starts nothing with it).
bool write(const QString& systemPath, const QByteArray& text);

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
