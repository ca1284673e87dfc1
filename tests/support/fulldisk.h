#pragma once

#include <QString>

#include <sys/resource.h>

// A disk that takes no more data, for the tests of the console's writers. Two kinds, a row each of
// a test's data table (addRows()):
//  - "file size limit": the process's limit on the size of a file: no file grows past it, and a
//    write beyond it fails as on a full disk. Any user, any file system. It holds for the whole
//    process, other threads included, while the disk is full.
//  - "full tmpfs": a small tmpfs mounted over the writer's folder and filled to its last byte.
//    Only as root: the mount is made in a mount namespace of the test's own thread, so nothing
//    outside that thread sees it, and it is taken away again when the guard ends. Elsewhere the
//    row is skipped.
class FullDisk
{
public:
    enum Kind { FileSizeLimit, Tmpfs };

    // The column "disk" (a Kind) and a row for each kind, named after it with `prefix` before it.
    static void addColumn();
    static void addRows(const QString& prefix = QString());

    // Tmpfs: mounts an empty tmpfs over `folder` (made when missing); the files the test wants
    // there are put in after it. FileSizeLimit leaves the folder as it is.
    FullDisk(Kind kind, const QString& folder);
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // Empty when the disk can be made full here; else why not (the row is then skipped).
    QString unavailable() const { return m_unavailable; }
    // From now on only `room` bytes find room: in any one file (FileSizeLimit), or on the whole
    // tmpfs, in its blocks of 4 KiB (Tmpfs; a file's last block may still hold what fits in it).
    void fill(qint64 room = 0);
    // Room again.
    void free();

    // The file size limit of the process set to `bytes` until free(): a file is written up to
    // there and no further.
    void limitFileSize(qint64 bytes);

private:
    Kind m_kind;
    QString m_folder;
    QString m_unavailable;
    bool m_mounted = false;
    bool m_limited = false;
    rlimit m_limit{};
    void (*m_xfszHandler)(int) = nullptr;
};
