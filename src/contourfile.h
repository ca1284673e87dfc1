#pragma once

#include <QByteArray>
#include <QString>

#include "contourmodel.h"

// The weld program file ".save" of the editor: the name, the scheme with its parameters, the
// contour points with their segments, the passes, the weld speed and the technology rows with
// comments and sweeps. Text in UTF-8, lines ended by "\n", numbers in the C locale.
namespace ContourFile {

// The file's text for a program named `name` (the first line).
QByteArray write(const QString& name, const ContourSnapshot& s);

struct Contents {
    bool valid = false;         // the file names a scheme (else nothing of it is used)
    bool complete = false;      // every value the file announces was read
    QString name;               // line 1
    int plane = 0;              // the scheme's Aux as the file has it
    // The program: the scheme (an unknown id gives the linear one), centre ("XYZr" only), ring,
    // passes, weld speed, `pointCount` (the scheme's P), the points and the technology rows in
    // file order, with values as the tables show them (coordinates and cells rounded to their
    // decimals). Comment rows are off, data rows on.
    ContourSnapshot snapshot;
    // The announced number of technology rows when it was read, else -1: the last of them is
    // the table's end row.
    int techRows = -1;
    // Which of the editor's bounds (ContourLimits) the file goes beyond, as the operator is told
    // ("" when none): reading stopped there.
    QString beyondLimits;
};

// Reads a file's text. Reading stops at the first value that cannot be read (a truncated or
// damaged file), and where the file goes beyond what the editor holds (more points or technology
// rows than ContourLimits allows, a line longer than its bound): what was read before it is
// returned and `complete` is false. Counts in the file are never trusted beyond the rows that are
// really there.
Contents read(const QByteArray& bytes);

}  // namespace ContourFile
