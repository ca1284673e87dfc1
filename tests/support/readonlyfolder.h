#pragma once

#include <QString>

// A folder in which files cannot be created or renamed while the files already in it stay
// writable, as a folder shared with a controller may be. The folder is made read-only; a test
// running as root also loses, on the calling thread only, its power to override permissions, so
// that the console code that thread runs meets the folder as an ordinary user would. Both are
// undone when the guard ends. Other threads (a simulator, the links) are not affected.
class ReadOnlyFolder
{
public:
    // `localPath`: the folder as this computer reaches it (FixedPaths::local).
    explicit ReadOnlyFolder(const QString& localPath);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // A new file really cannot be created in the folder now.
    bool holds() const;

private:
    QString m_path;
    unsigned m_mode = 0;
    bool m_capsDropped = false;
    unsigned m_effective[2] = {0, 0};
};
