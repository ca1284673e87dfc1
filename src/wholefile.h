#pragma once

#include <QByteArray>
#include <QString>

// How writeWholeFile puts the new bytes in place of the file.
enum class Replace {
    // Written beside the file and renamed over it once every byte is on the disk: a reader never
    // sees a half-written file, and a failed write (a full disk, a crash) leaves the previous file
    // whole.
    Beside,
    // Beside where the folder takes a new file; in a folder that does not (one shared with the
    // controller, where the console may rewrite files but not create them), in place.
    BesideWherePossible,
    // Rewritten in place: the file another program opens by its name (the controller's run files).
    // A failed write leaves it cut, and says so.
    InPlace,
};

// Replaces the file at `localPath` (a path on this computer) by `bytes`. The result is checked
// down to the disk: a disk that takes no more data fails the write, it does not leave an empty or
// cut file in the place of the old one. An existing file keeps its permissions. False when the
// file could not be written whole.
bool writeWholeFile(const QString& localPath, const QByteArray& bytes, Replace how = Replace::Beside);

// Makes the folder that `localPath` lies in, and the folders above it, where they are missing (an
// installation without the console's own folders yet). False when it is not there afterwards.
bool makeFolderOf(const QString& localPath);

// The name of a further copy kept beside a file, never one that is there already: `base`, then
// `base` + ".2", ".3" ... up to ".99"; empty when all of them are taken.
QString freeCopyName(const QString& base);
