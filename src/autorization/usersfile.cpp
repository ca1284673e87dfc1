// The users file: little-endian, no padding.
//   u16 magic 0xF4A0, u16 user count (at most 1023), then per user:
//   i16 login length L (3..63), i16 name length N (1..127), u16 hash length H (1..31),
//   i16 group id, L bytes of UTF-8 login, N bytes of UTF-8 name, H bytes of password hash.

#include <QDebug>
#include <QFileInfo>
#include <QtEndian>

#include "autorization.h"
#include "fixedpaths.h"
#include "messagebox.h"
#include "wholefile.h"

namespace Autorization {

namespace {

constexpr quint16 kMagic = 0xF4A0;
constexpr int kHeaderBytes = 4;
constexpr int kRecordHeaderBytes = 8;

const QString kBoxTitle = QStringLiteral("Система авторизации");

QString quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString notFoundText(const QString& file)
{
    return QStringLiteral("Файл ") + quoted(file) + QStringLiteral(" не найден");
}

void appendU16(QByteArray& out, int value)
{
    uchar bytes[2];
    qToLittleEndian<quint16>(quint16(value), bytes);
    out.append(reinterpret_cast<const char*>(bytes), 2);
}

quint16 u16At(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(bytes.constData()) + offset);
}

qint16 i16At(const QByteArray& bytes, int offset) { return qint16(u16At(bytes, offset)); }

// Text of a stored string: its UTF-8 bytes up to the first zero byte.
QString decodeText(const QByteArray& bytes)
{
    const int end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
}

// True when the reader would take this record back as it stands.
bool fitsFile(const QByteArray& login, const QByteArray& name, const QByteArray& hash)
{
    return login.size() >= kMinLoginBytes && login.size() <= kMaxLoginBytes && !login.contains('\0')
        && name.size() >= kMinNameBytes && name.size() <= kMaxNameBytes
        && hash.size() >= kMinHashBytes && hash.size() <= kMaxHashBytes;
}

}  // namespace

QString AbstractManager::shownFileName() const
{
    // Below a sandbox root the file is shown by the name the installation knows it by.
    const QString name = m_usersFile.fileName();
    const QString root = FixedPaths::root();
    if (!root.isEmpty() && name.startsWith(root + QLatin1Char('/')))
        return name.mid(root.size());
    return name;
}

void AbstractManager::showFileBox(const QString& text) const
{
    MessageBox::critical(m_dialogParent, kBoxTitle, text);
}

void AbstractManager::readUsers()
{
    m_lastReadClean = false;
    if (!m_usersFile.open(QIODevice::ReadOnly)) {
        // A missing file loses nothing; one that exists but cannot be read is kept at the write.
        m_lastReadClean = !m_usersFile.exists();
        showFileBox(notFoundText(shownFileName()));
        return;
    }
    const QString fileError = QStringLiteral("Ошибка чтения файла ") + quoted(shownFileName());

    const QByteArray header = m_usersFile.read(kHeaderBytes);
    if (header.size() < kHeaderBytes || u16At(header, 0) != kMagic
        || u16At(header, 2) > kMaxFileUsers) {
        showFileBox(fileError);
        m_usersFile.close();
        return;
    }

    const int count = u16At(header, 2);
    bool clean = true;
    for (int i = 0; i < count; ++i) {
        const QByteArray record = m_usersFile.read(kRecordHeaderBytes);
        if (record.size() < kRecordHeaderBytes) {
            clean = false;
            break;
        }
        const qint16 loginLength = i16At(record, 0);
        const qint16 nameLength = i16At(record, 2);
        const quint16 hashLength = u16At(record, 4);
        const qint16 groupId = i16At(record, 6);
        if (loginLength < kMinLoginBytes || loginLength > kMaxLoginBytes
            || nameLength < kMinNameBytes || nameLength > kMaxNameBytes
            || hashLength < kMinHashBytes || hashLength > kMaxHashBytes) {
            showFileBox(fileError);
            clean = false;
            break;
        }
        qDebug("Login %d,Name %d", int(loginLength), int(nameLength));
        const QByteArray login = m_usersFile.read(loginLength);
        const QByteArray name = m_usersFile.read(nameLength);
        const QByteArray hash = m_usersFile.read(hashLength);
        if (login.size() < loginLength || name.size() < nameLength || hash.size() < hashLength) {
            showFileBox(fileError);
            clean = false;
            break;
        }
        AbstractUserGroup* group = findUserGroup(groupId);
        const QString loginText = decodeText(login);
        const QString nameText = decodeText(name);
        // A login or name that, decoded, could not be stored back (a zero byte early in it, or
        // bytes that are no UTF-8 and grow when stored again) would be dropped by the writer: the
        // record is refused like a duplicate, so the file is kept aside before it is replaced.
        if (findUser(loginText) || !group || !fitsFile(loginText.toUtf8(), nameText.toUtf8(), hash)) {
            showFileBox(QStringLiteral("Ошибка чтения пользователя ") + quoted(loginText));
            clean = false;
            continue;
        }
        qDebug("New user %s", qUtf8Printable(nameText));
        new AbstractUser(this, loginText, nameText, hash, group);
    }
    qDebug("User count %d", int(m_users.size()));
    m_usersFile.close();
    m_lastReadClean = clean;
}

bool AbstractManager::keepBackup()
{
    const QString path = m_usersFile.fileName();
    if (!QFileInfo::exists(path))
        return true;
    // A copy of its own for every file that was not read whole: an earlier copy may hold users
    // this one does not.
    const QString backupPath = freeCopyName(path + QStringLiteral(".bak"));
    QFile original(path);
    if (!backupPath.isEmpty() && original.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = original.readAll();
        if (original.error() == QFileDevice::NoError && writeWholeFile(backupPath, bytes))
            return true;
    }
    const QString shown = backupPath.isEmpty() ? shownFileName() + QStringLiteral(".bak")
                                               : shownFileName() + backupPath.mid(path.size());
    showFileBox(notFoundText(shown));
    return false;
}

void AbstractManager::writeUsers()
{
    // A file that was not read completely is kept as it was before it is replaced, so that no
    // user who could not be read is lost. Without a backup the old file stays untouched.
    if (!m_lastReadClean && !keepBackup())
        return;

    QByteArray records;
    int written = 0;
    for (const AbstractUser* user : qAsConst(m_users)) {
        if (written == kMaxFileUsers) {
            qWarning("Users file holds at most %d users; the rest are not written", kMaxFileUsers);
            break;
        }
        if (!storesUser(user))
            continue;
        const QByteArray login = user->login().toUtf8();
        const QByteArray name = user->name().toUtf8();
        const QByteArray hash = user->hash();
        if (!user->group() || !fitsFile(login, name, hash)) {
            qWarning("User %s cannot be stored in the users file", login.constData());
            continue;
        }
        appendU16(records, login.size());
        appendU16(records, name.size());
        appendU16(records, hash.size());
        appendU16(records, user->group()->id());
        records += login;
        records += name;
        records += hash;
        ++written;
    }
    QByteArray bytes;
    appendU16(bytes, kMagic);
    appendU16(bytes, written);
    bytes += records;

    // The installation's folder may not be there yet (the settings beside it make theirs).
    makeFolderOf(m_usersFile.fileName());
    if (!writeWholeFile(m_usersFile.fileName(), bytes)) {
        showFileBox(notFoundText(shownFileName()));
        return;
    }
    // What is on disk now is exactly what is held.
    m_lastReadClean = true;
}

bool AbstractManager::storesUser(const AbstractUser*) const
{
    return true;
}

AbstractUser* AbstractManager::addUser(const QString& login, const QString& name, const QByteArray& hash,
                                       AbstractUserGroup* group)
{
    auto* user = new AbstractUser(this, login, name, hash, group);
    writeUsers();
    return user;
}

}  // namespace Autorization
