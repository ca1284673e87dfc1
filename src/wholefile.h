#pragma once

#include <QByteArray>
#include <QString>

// Replaces the file at `localPath` (a path on this computer) by `bytes` in one step: the bytes
// are written beside it and renamed into place, so a reader never sees a half-written file and a
// failed write leaves the previous file whole. An existing file keeps its permissions. False when
// the file could not be written.
bool writeWholeFile(const QString& localPath, const QByteArray& bytes);

// Makes the folder that `localPath` lies in, and the folders above it, where they are missing (an
// installation without the console's own folders yet). False when it is not there afterwards.
bool makeFolderOf(const QString& localPath);
