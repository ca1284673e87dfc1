// The users file: whatever bytes the file holds are read by the user manager, which then writes
// the file back on its way out. What it wrote must read back cleanly, with the same users, and
// writing that again must give the same bytes.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

#include "autorization.h"
#include "fuzzinput.h"
#include "messagebox.h"

namespace {

// Counts the boxes instead of showing them.
class CountingBoxes : public MessageBoxSink
{
public:
    QMessageBox::StandardButton show(QMessageBox::Icon, QWidget*, const QString&, const QString&,
                                     QMessageBox::StandardButtons, QMessageBox::StandardButton) override
    {
        ++count;
        return QMessageBox::Ok;
    }
    int count = 0;
};

struct UserImage {
    QString login;
    QString name;
    QByteArray hash;
    int group;
    bool operator==(const UserImage& other) const
    {
        return login == other.login && name == other.name && hash == other.hash && group == other.group;
    }
};

// The users read from the file (the built-in user, always first, is not one of them).
QList<UserImage> readBack(const QString& path)
{
    Autorization::Manager manager(nullptr, nullptr, nullptr, nullptr, nullptr, path);
    const int before = manager.users().size();
    manager.readUsers();
    FUZZ_CHECK(manager.users().size() - before <= Autorization::kMaxFileUsers);
    QList<UserImage> users;
    for (int i = before; i < manager.users().size(); ++i) {
        const Autorization::AbstractUser* user = manager.users().at(i);
        FUZZ_CHECK(user->group() != nullptr);
        users.append({user->login(), user->name(), user->hash(), user->group()->id()});
    }
    return users;  // the manager writes the file as it goes
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // In memory where there is room: the writer syncs every file it commits.
    static QTemporaryDir folder(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm/fuzz_usersfile-XXXXXX")
                                    : QDir::tempPath() + QStringLiteral("/fuzz_usersfile-XXXXXX"));
    static CountingBoxes boxes;
    static const bool ready = [] {
        qInstallMessageHandler(quiet);
        MessageBoxSink::install(&boxes);
        return folder.isValid();
    }();
    FUZZ_CHECK(ready);
    const QString path = folder.filePath(QStringLiteral("users.bin"));
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".bak"));
    {
        QFile file(path);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly));
        FUZZ_CHECK(file.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size));
    }

    const QList<UserImage> first = readBack(path);
    const QByteArray written = contents(path);
    // A file that was not read cleanly is kept beside the new one as it was.
    if (QFile::exists(path + QStringLiteral(".bak")))
        FUZZ_CHECK(contents(path + QStringLiteral(".bak")) == QByteArray(reinterpret_cast<const char*>(data), int(size)));

    boxes.count = 0;
    const QList<UserImage> second = readBack(path);
    FUZZ_CHECK(boxes.count == 0);
    FUZZ_CHECK(second == first);
    FUZZ_CHECK(contents(path) == written);
    return 0;
}
