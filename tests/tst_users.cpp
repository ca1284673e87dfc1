#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QtEndian>
#include <QtTest>

#include <memory>

#include "autorization.h"
#include "fixedpaths.h"
#include "fulldisk.h"
#include "registrationdialog.h"
#include "testenv.h"
#include "validators.h"

using namespace Autorization;

namespace {

const QString kFileBoxTitle = QStringLiteral("Система авторизации");
const QString kNotFound = QStringLiteral("Файл \"/home/oper/bin/users.bin\" не найден");
const QString kFileError = QStringLiteral("Ошибка чтения файла \"/home/oper/bin/users.bin\"");

QString userError(const QString& login)
{
    return QStringLiteral("Ошибка чтения пользователя \"") + login + QLatin1Char('"');
}

QByteArray u16(int value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian<quint16>(quint16(value), bytes.data());
    return bytes;
}

QByteArray fileHeader(int count, int magic = 0xF4A0) { return u16(magic) + u16(count); }

QByteArray md5(const QByteArray& password)
{
    return QCryptographicHash::hash(password, QCryptographicHash::Md5);
}

QByteArray record(const QByteArray& login, const QByteArray& name, const QByteArray& hash,
                  int group)
{
    return u16(login.size()) + u16(name.size()) + u16(hash.size()) + u16(group) + login + name
        + hash;
}

QByteArray recordOf(const char* login, int group = 2)
{
    return record(login, QByteArray("Name ") + login, md5("1234"), group);
}

std::unique_ptr<Manager> makeManager(QPushButton* usersButton = nullptr)
{
    return std::make_unique<Manager>(nullptr, nullptr, nullptr, nullptr, usersButton,
                                     FixedPaths::usersFile());
}

AbstractUser* addUser(AbstractManager& manager, const QString& login, const QString& name,
                      const QByteArray& hash, int group)
{
    return new AbstractUser(&manager, login, name, hash, manager.groups()[group]);
}

// A registration dialog over a manager that holds "su" and the operator "ivan".
struct Registration {
    RecordingBoxes recorder;
    std::unique_ptr<Manager> manager = makeManager();
    QWidget window;
    std::unique_ptr<RegistrationDialog> dialog;

    Registration()
    {
        addUser(*manager, "ivan", "Иван", md5("1234"), 2);
        window.resize(1920, 1200);
        dialog = std::make_unique<RegistrationDialog>(&window, "Добавление пользователя",
                                                      manager.get());
    }
};

QStringList fileLogins(const AbstractManager& manager)
{
    QStringList logins;
    for (int i = 1; i < manager.users().size(); ++i)
        logins << manager.users().at(i)->login();
    return logins;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QStringList boxTexts(const RecordingBoxes& recorder, QMessageBox::Icon icon, const QString& title)
{
    QStringList texts;
    for (const RecordingBoxes::Box& box : recorder.boxes) {
        if (box.icon != icon || box.title != title)
            texts << QStringLiteral("<wrong icon or title: %1>").arg(box.title);
        texts << box.text;
    }
    return texts;
}

const QString kBackup = QStringLiteral(".bak");

}  // namespace

class TestUsers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestEnv::makeInstallationFolders(); }

    void init()
    {
        QFile::remove(FixedPaths::usersFile());
        const QDir folder = QFileInfo(FixedPaths::usersFile()).dir();
        for (const QString& copy : folder.entryList({QStringLiteral("users.bin.bak*")}, QDir::AllEntries | QDir::NoDotAndDotDot))
            QVERIFY(QFileInfo(folder.filePath(copy)).isDir() ? QDir(folder.filePath(copy)).removeRecursively()
                                                               : QFile::remove(folder.filePath(copy)));
    }

    void groupsAndBuiltInUser()
    {
        RecordingBoxes boxes;
        auto manager = makeManager();
        const QList<AbstractUserGroup*>& groups = manager->groups();
        QCOMPARE(groups.size(), 3);
        const QStringList names{"Администратор", "Наладчик", "Оператор"};
        for (int id = 0; id < 3; ++id) {
            QCOMPARE(groups[id]->id(), id);
            QCOMPARE(groups[id]->name(), names[id]);
            QCOMPARE(groups[id]->useable(), id != 0);
            QCOMPARE(groups[id]->removeable(), id != 0);
            QCOMPARE(manager->findUserGroup(id), groups[id]);
        }
        QVERIFY(!manager->findUserGroup(3));

        QCOMPARE(manager->users().size(), 1);
        AbstractUser* su = manager->users().first();
        QCOMPARE(su->login(), QStringLiteral("su"));
        QCOMPARE(su->name(), QStringLiteral("Администратор"));
        QCOMPARE(su->group(), groups[0]);
        QCOMPARE(su->hash(), md5("62940571"));
        QVERIFY(!manager->currentUser());
    }

    // ---- login ---------------------------------------------------------------------------

    void logIn_data()
    {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("usersButtonShown");

        QTest::newRow("built-in user") << "su" << "62940571" << true << true;
        QTest::newRow("built-in, other case") << "SU" << "62940571" << false << false;
        QTest::newRow("built-in, wrong password") << "su" << "6294057" << false << false;
        QTest::newRow("operator") << "ivan" << "1234" << true << false;
        QTest::newRow("operator, other case") << "Ivan" << "1234" << false << false;
        QTest::newRow("operator, empty password") << "ivan" << "" << false << false;
        QTest::newRow("fixer") << "petr" << "5678" << true << true;
        QTest::newRow("administrator from the file") << "boss" << "0000" << true << true;
        QTest::newRow("hash of another length") << "odd" << "1234" << false << false;
        QTest::newRow("nobody") << "nobody" << "1234" << false << false;
        QTest::newRow("empty") << "" << "" << false << false;
    }
    void logIn()
    {
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(bool, accepted);
        QFETCH(bool, usersButtonShown);

        RecordingBoxes boxes;
        QWidget window;
        auto* usersButton = new QPushButton(&window);
        usersButton->hide();
        {
            auto manager = makeManager(usersButton);
            addUser(*manager, "ivan", "Иван", md5("1234"), 2);
            addUser(*manager, "petr", "Пётр", md5("5678"), 1);
            addUser(*manager, "boss", "Шеф", md5("0000"), 0);
            addUser(*manager, "odd", "Odd", md5("1234") + "xxxx", 2);

            QCOMPARE(manager->logIn(login, password), accepted);
            QCOMPARE(!usersButton->isHidden(), usersButtonShown);
            if (accepted) {
                QCOMPARE(manager->currentUser()->login(), login);
                // A later failure keeps the user who is logged in.
                QVERIFY(!manager->logIn(login, password + QLatin1Char('9')));
                QCOMPARE(manager->currentUser()->login(), login);
            } else {
                QVERIFY(!manager->currentUser());
            }
        }
    }

    void privilegedButtonFollowsEveryLogin()
    {
        RecordingBoxes boxes;
        QWidget window;
        auto* usersButton = new QPushButton(&window);
        auto manager = makeManager(usersButton);
        addUser(*manager, "ivan", "Иван", md5("1234"), 2);
        QVERIFY(manager->logIn("su", "62940571"));
        QVERIFY(!usersButton->isHidden());
        QVERIFY(manager->logIn("ivan", "1234"));
        QVERIFY(usersButton->isHidden());
        QVERIFY(manager->logIn("su", "62940571"));
        QVERIFY(!usersButton->isHidden());
    }

    // ---- the users file ------------------------------------------------------------------

    void writtenFileIsExact()
    {
        RecordingBoxes boxes;
        {
            auto manager = makeManager();
            manager->readUsers();  // no file yet: the not-found box, nothing read
            addUser(*manager, "ivan", "Иван", md5("1234"), 2);
        }
        const QByteArray expected = QByteArray::fromHex(
            "a0f4" "0100"                        // magic, one user
            "0400" "0800" "1000" "0200"          // login 4, name 8, hash 16 bytes, operator
            "6976616e"                           // "ivan"
            "d098d0b2d0b0d0bd"                   // "Иван"
            "81dc9bdb52d04dc20036dbd8313ed055"); // MD5 of "1234"
        QCOMPARE(expected.size(), 40);
        QCOMPARE(readAll(FixedPaths::usersFile()), expected);
        QCOMPARE(boxTexts(boxes, QMessageBox::Critical, kFileBoxTitle), QStringList{kNotFound});
        // Nothing was lost, so nothing is kept aside.
        QVERIFY(!QFile::exists(FixedPaths::usersFile() + kBackup));
    }

    void roundTrip()
    {
        RecordingBoxes boxes;
        const QString longName = QString(63, QChar(0x0416)) + QLatin1Char('x');  // 127 bytes
        const QByteArray oddHash = QByteArray(31, '\x07');
        {
            auto manager = makeManager();
            addUser(*manager, "ivan", "Иван", md5("1234"), 2);
            addUser(*manager, "petr", longName, md5("5678"), 1);
            addUser(*manager, QString(63, QLatin1Char('L')), "B", oddHash, 0);
        }
        auto manager = makeManager();
        manager->readUsers();
        QVERIFY(boxes.boxes.isEmpty());
        const QList<AbstractUser*>& users = manager->users();
        QCOMPARE(users.size(), 4);
        QCOMPARE(users[0]->login(), QStringLiteral("su"));
        QCOMPARE(users[1]->name(), QStringLiteral("Иван"));
        QCOMPARE(users[1]->group()->id(), 2);
        QCOMPARE(users[2]->name(), longName);
        QCOMPARE(users[2]->group()->id(), 1);
        QCOMPARE(users[3]->login(), QString(63, QLatin1Char('L')));
        QCOMPARE(users[3]->hash(), oddHash);
        QCOMPARE(users[3]->group()->id(), 0);
        QVERIFY(manager->logIn("petr", "5678"));
        QCOMPARE(manager->currentUser(), users[2]);
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");  // null: no file
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QStringList>("logins");
        QTest::addColumn<bool>("keptAside");  // the exit keeps the file as it was in ".bak"

        const QByteArray ivan = recordOf("ivan");
        const QByteArray md = md5("1");
        QTest::newRow("missing file") << QByteArray() << QStringList{kNotFound} << QStringList()
                                      << false;
        QTest::newRow("short header") << QByteArray::fromHex("a0f400") << QStringList{kFileError}
                                      << QStringList() << true;
        QTest::newRow("wrong magic") << fileHeader(1, 0xF4A1) + ivan << QStringList{kFileError}
                                     << QStringList() << true;
        QTest::newRow("count above 1023") << fileHeader(1024) + ivan << QStringList{kFileError}
                                          << QStringList() << true;
        QTest::newRow("count 0") << fileHeader(0) + ivan << QStringList() << QStringList() << false;
        QTest::newRow("two users") << fileHeader(2) + ivan + recordOf("petr", 1) << QStringList()
                                   << QStringList{"ivan", "petr"} << false;
        QTest::newRow("fewer records than the count")
            << fileHeader(3) + ivan << QStringList() << QStringList{"ivan"} << true;
        QTest::newRow("short record header")
            << fileHeader(2) + ivan + ivan.left(7) << QStringList() << QStringList{"ivan"} << true;
        QTest::newRow("lengths at their limits")
            << fileHeader(2) + ivan
                   + record(QByteArray(63, 'a'), QByteArray(127, 'n'), QByteArray(31, 'h'), 1)
            << QStringList() << QStringList{"ivan", QString(63, QLatin1Char('a'))} << false;
        QTest::newRow("shortest lengths")
            << fileHeader(1) + record("abc", "n", "h", 2) << QStringList() << QStringList{"abc"}
            << false;
        struct Outside {
            const char* name;
            QByteArray login, userName, hash;
        };
        const Outside outside[] = {
            {"login 2 bytes", "ab", "n", md},
            {"login 64 bytes", QByteArray(64, 'a'), "n", md},
            {"name 0 bytes", "abc", "", md},
            {"name 128 bytes", "abc", QByteArray(128, 'n'), md},
            {"hash 0 bytes", "abc", "n", ""},
            {"hash 32 bytes", "abc", "n", QByteArray(32, 'h')},
        };
        for (const Outside& o : outside)
            QTest::newRow(o.name) << fileHeader(3) + ivan + record(o.login, o.userName, o.hash, 2)
                                         + recordOf("petr")
                                  << QStringList{kFileError} << QStringList{"ivan"} << true;
        QTest::newRow("negative login length")
            << fileHeader(2) + ivan + QByteArray::fromHex("ffff01000100" "0200") + "abcdnh"
            << QStringList{kFileError} << QStringList{"ivan"} << true;
        QTest::newRow("short body")
            << fileHeader(2) + ivan + recordOf("petr").chopped(1) << QStringList{kFileError}
            << QStringList{"ivan"} << true;
        // "su" itself is too short for a record; with a NUL after it the login reads as "su".
        QTest::newRow("a record named su")
            << fileHeader(3) + ivan + record(QByteArray("su\0", 3), "S", md, 0) + recordOf("petr")
            << QStringList{userError("su")} << QStringList{"ivan", "petr"} << true;
        QTest::newRow("the same login twice")
            << fileHeader(3) + ivan + recordOf("ivan", 1) + recordOf("petr")
            << QStringList{userError("ivan")} << QStringList{"ivan", "petr"} << true;
        QTest::newRow("unknown group")
            << fileHeader(3) + recordOf("ivan", 7) + recordOf("petr", 0) + recordOf("olga", -1)
            << QStringList{userError("ivan"), userError("olga")} << QStringList{"petr"} << true;
        // Records whose decoded login or name could not be written back: refused and kept aside,
        // never dropped silently by the next write.
        QTest::newRow("name empty before its NUL")
            << fileHeader(3) + ivan + record("olga", QByteArray("\0Olga", 5), md, 2) + recordOf("petr")
            << QStringList{userError("olga")} << QStringList{"ivan", "petr"} << true;
        QTest::newRow("login of 2 bytes before its NUL")
            << fileHeader(2) + record(QByteArray("ab\0x", 4), "Ab", md, 2) + ivan
            << QStringList{userError("ab")} << QStringList{"ivan"} << true;
        QTest::newRow("name that is no UTF-8 grows past 127 bytes")
            << fileHeader(2) + record("olga", QByteArray(127, '\xff'), md, 2) + ivan
            << QStringList{userError("olga")} << QStringList{"ivan"} << true;
        // As the fuzzer found it: "maste" with a name of zero bytes, then a record cut short.
        QTest::newRow("fuzzer: NUL name among damaged records")
            << QByteArray::fromHex("a0f4030004001500100002006976616ed0000000000000007cd09fd0b5d182d180d0bed0b281dc9b"
                                   "db52d04dc20036dbd8313ed05506000600100001006d6173746500000000000000003591bdf7860e"
                                   "1e4ee2fca79991121504000e0010000000626f7373d0ffffff93d0bbd0b0d0b2d0bdd18bd0b9cfcd"
                                   "208495d565ef66")
            << QStringList{userError("maste"), kFileError} << QStringList{"ivan"} << true;
        QTest::newRow("login with a NUL")
            << fileHeader(2) + record(QByteArray("petr\0xy", 7), "Пётр", md, 1) + ivan
            << QStringList() << QStringList{"petr", "ivan"} << false;
    }
    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, boxes);
        QFETCH(QStringList, logins);
        QFETCH(bool, keptAside);

        const QString path = FixedPaths::usersFile();
        if (!bytes.isNull())
            writeAll(path, bytes);

        RecordingBoxes recorder;
        {
            auto manager = makeManager();
            manager->readUsers();
            QCOMPARE(boxTexts(recorder, QMessageBox::Critical, kFileBoxTitle), boxes);
            QCOMPARE(fileLogins(*manager), logins);
            QCOMPARE(manager->users().first()->login(), QStringLiteral("su"));
            recorder.boxes.clear();
        }
        // The exit writes the file without a box.
        QVERIFY(recorder.boxes.isEmpty());
        QCOMPARE(QFile::exists(path + kBackup), keptAside);
        if (keptAside)
            QCOMPARE(readAll(path + kBackup), bytes);

        // What was written reads back cleanly, with the same users.
        auto manager = makeManager();
        manager->readUsers();
        QVERIFY(recorder.boxes.isEmpty());
        QCOMPARE(fileLogins(*manager), logins);
    }

    void nulInLoginKeepsTheNameAndHash()
    {
        writeAll(FixedPaths::usersFile(),
                 fileHeader(1) + record(QByteArray("petr\0xy", 7), "Пётр", md5("42"), 1));
        RecordingBoxes recorder;
        auto manager = makeManager();
        manager->readUsers();
        QCOMPARE(manager->users().size(), 2);
        QCOMPARE(manager->users()[1]->name(), QStringLiteral("Пётр"));
        QVERIFY(manager->logIn("petr", "42"));
    }

    void writerKeepsTheReadersLimits()
    {
        RecordingBoxes recorder;
        {
            auto manager = makeManager();
            addUser(*manager, QString(64, QLatin1Char('a')), "n", md5("1"), 2);
            addUser(*manager, "ab", "n", md5("1"), 2);
            addUser(*manager, "abc", QString(64, QChar(0x0416)), md5("1"), 2);
            addUser(*manager, "abd", "", md5("1"), 2);
            addUser(*manager, "abe", "n", QByteArray(32, 'h'), 2);
            for (int i = 0; i < 1030; ++i)
                addUser(*manager, QStringLiteral("user%1").arg(i), "n", md5("1"), 2);
        }
        QVERIFY(recorder.boxes.isEmpty());
        auto manager = makeManager();
        manager->readUsers();
        QVERIFY(recorder.boxes.isEmpty());
        const QStringList logins = fileLogins(*manager);
        QCOMPARE(logins.size(), 1023);
        QCOMPARE(logins.first(), QStringLiteral("user0"));
        QCOMPARE(logins.last(), QStringLiteral("user1022"));
        QCOMPARE(readAll(FixedPaths::usersFile()).mid(2, 2), u16(1023));
    }

    // A missing folder is made for the file; one that cannot be made (a file stands in its
    // place) is reported.
    void failedWriteIsReported()
    {
        const QString folder = QFileInfo(FixedPaths::usersFile()).absolutePath();
        const QString aside = folder + QStringLiteral(".aside");
        QVERIFY(QDir().rename(folder, aside));
        {
            RecordingBoxes recorder;
            {
                auto manager = makeManager();
                manager->readUsers();
            }
            QCOMPARE(boxTexts(recorder, QMessageBox::Critical, kFileBoxTitle), QStringList{kNotFound});
        }
        QVERIFY(QFile::exists(FixedPaths::usersFile()));
        QVERIFY(QDir(folder).removeRecursively());
        writeAll(folder, "not a folder");
        {
            RecordingBoxes recorder;
            {
                auto manager = makeManager();
                manager->readUsers();
            }
            QCOMPARE(boxTexts(recorder, QMessageBox::Critical, kFileBoxTitle),
                     (QStringList{kNotFound, kNotFound}));
        }
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().rename(aside, folder));
    }

    // When the file cannot be kept aside (every name of a copy is taken), the old file stays
    // untouched.
    void noBackupNoWrite()
    {
        const QByteArray bytes = fileHeader(2) + recordOf("ivan");
        writeAll(FixedPaths::usersFile(), bytes);
        for (int n = 1; n <= 99; ++n)  // folders in their way
            QVERIFY(QDir().mkpath(FixedPaths::usersFile() + kBackup + (n > 1 ? QStringLiteral(".%1").arg(n) : QString())));
        RecordingBoxes recorder;
        {
            auto manager = makeManager();
            manager->readUsers();
            QCOMPARE(fileLogins(*manager), QStringList{"ivan"});
        }
        QCOMPARE(boxTexts(recorder, QMessageBox::Critical, kFileBoxTitle),
                 QStringList{QStringLiteral("Файл \"/home/oper/bin/users.bin.bak\" не найден")});
        QCOMPARE(readAll(FixedPaths::usersFile()), bytes);
    }

    // Every file that was not read whole gets a copy of its own: an earlier copy may hold the
    // only record of users the later file lost.
    void everyUncleanReadKeepsItsOwnCopy()
    {
        const QByteArray first = fileHeader(3) + recordOf("ivan") + recordOf("petr");
        const QByteArray second = fileHeader(2) + recordOf("ivan") + QByteArray("\x05", 1);
        RecordingBoxes recorder;
        for (const QByteArray& bytes : {first, second}) {
            writeAll(FixedPaths::usersFile(), bytes);
            auto manager = makeManager();
            manager->readUsers();
        }
        QVERIFY(recorder.boxes.isEmpty());
        QCOMPARE(readAll(FixedPaths::usersFile() + kBackup), first);
        QCOMPARE(readAll(FixedPaths::usersFile() + kBackup + QStringLiteral(".2")), second);
        QCOMPARE(readAll(FixedPaths::usersFile()), fileHeader(1) + recordOf("ivan"));
    }

    // A user added while the disk takes no more data: the box says the file was not written, and
    // the file keeps every user it had. Once there is room, the exit writes them all.
    void fullDiskKeepsTheUsers_data()
    {
        FullDisk::addColumn();
        FullDisk::addRows();
    }
    void fullDiskKeepsTheUsers()
    {
        QFETCH(int, disk);
        FullDisk full(FullDisk::Kind(disk), QFileInfo(FixedPaths::usersFile()).absolutePath());
        if (!full.unavailable().isEmpty())
            QSKIP(qPrintable(full.unavailable()));
        const QByteArray bytes = fileHeader(2) + recordOf("ivan") + recordOf("olga", 1);
        writeAll(FixedPaths::usersFile(), bytes);
        RecordingBoxes recorder;
        {
            auto manager = makeManager();
            manager->readUsers();
            full.fill();
            manager->addUser("petr", "Пётр", md5("1234"), manager->groups()[2]);
            QCOMPARE(boxTexts(recorder, QMessageBox::Critical, kFileBoxTitle), QStringList{kNotFound});
            QCOMPARE(readAll(FixedPaths::usersFile()), bytes);
            full.free();
        }
        QCOMPARE(recorder.boxes.size(), 1);
        auto manager = makeManager();
        manager->readUsers();
        QCOMPARE(fileLogins(*manager), (QStringList{"ivan", "olga", "petr"}));
    }

    // A manager that never read the file does not silently replace it.
    void unreadFileIsKeptAside()
    {
        const QByteArray bytes = fileHeader(1) + recordOf("ivan");
        writeAll(FixedPaths::usersFile(), bytes);
        RecordingBoxes recorder;
        makeManager().reset();
        QVERIFY(recorder.boxes.isEmpty());
        QCOMPARE(readAll(FixedPaths::usersFile() + kBackup), bytes);
        QCOMPARE(readAll(FixedPaths::usersFile()), fileHeader(0));
    }

    // ---- validators ----------------------------------------------------------------------

    void validators_data()
    {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("tip");  // "-": the tip on screen stays; "": it is removed

        const int invalid = QValidator::Invalid;
        const int intermediate = QValidator::Intermediate;
        const int acceptable = QValidator::Acceptable;
        const QString emptyLogin = QStringLiteral("Поле 'Логин' не может быть пустым!");

        QTest::newRow("name: two letters") << "name" << "Ив" << intermediate << "-";
        QTest::newRow("name: blanks") << "name" << "   " << intermediate << "-";
        QTest::newRow("name: a letter in blanks") << "name" << " И " << acceptable << "";
        QTest::newRow("name: 127 bytes") << "name" << QString(63, QChar(0x0416)) + "x"
                                         << acceptable << "";
        QTest::newRow("name: 128 bytes") << "name" << QString(64, QChar(0x0416)) << intermediate
                                         << "-";

        QTest::newRow("login: empty") << "login" << "" << intermediate << emptyLogin;
        QTest::newRow("login: blank") << "login" << "iv an" << invalid
                                      << "Допускается использовать только латинские буквы и цифры!";
        QTest::newRow("login: Cyrillic") << "login" << "Иван" << invalid
                                         << "Допускается использовать только латинские буквы и цифры!";
        QTest::newRow("login: one letter") << "login" << "a" << acceptable << "";
        QTest::newRow("login: letters and digits") << "login" << "Ivan42" << acceptable << "";

        QTest::newRow("new login: existing") << "new" << "ivan" << intermediate
                                             << "Пользователь с именем \"ivan\" уже существует!";
        QTest::newRow("new login: built-in") << "new" << "su" << intermediate
                                             << "Пользователь с именем \"su\" уже существует!";
        QTest::newRow("new login: other case") << "new" << "Ivan" << acceptable << "";
        QTest::newRow("new login: empty") << "new" << "" << intermediate << emptyLogin;
        QTest::newRow("new login: dash") << "new" << "iv-an" << invalid
                                         << "Допускается использовать только латинские буквы и цифры";
        QTest::newRow("new login: two letters") << "new" << "ab" << intermediate
                                                << "Логин должен быть не короче 3 символов";
        QTest::newRow("new login: three letters") << "new" << "abc" << acceptable << "";

        QTest::newRow("password: empty") << "password" << "" << intermediate
                                         << "Поле 'Пароль' не может быть пустым!";
        QTest::newRow("password: letter") << "password" << "12a" << invalid
                                          << "Для пароля допускается использовать только цифры!";
        QTest::newRow("password: three digits") << "password" << "123" << intermediate
                                                << "Пароль должен быть не короче 4 символов!";
        QTest::newRow("password: four digits") << "password" << "1234" << acceptable << "";
    }
    void validators()
    {
        QFETCH(QString, validator);
        QFETCH(QString, input);
        QFETCH(int, state);
        QFETCH(QString, tip);

        RecordingBoxes recorder;
        auto manager = makeManager();
        addUser(*manager, "ivan", "Иван", md5("1234"), 2);
        QWidget dialog;
        dialog.setGeometry(100, 200, 300, 100);
        NameValidator name;
        LoginValidator login(&dialog);
        NewLoginValidator newLogin(&dialog, manager.get());
        PasswordValidator password(&dialog);
        QValidator* tested = validator == "name" ? static_cast<QValidator*>(&name)
            : validator == "login"               ? static_cast<QValidator*>(&login)
            : validator == "new"                 ? static_cast<QValidator*>(&newLogin)
                                                 : static_cast<QValidator*>(&password);

        QToolTip::hideText();
        QVERIFY(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000));
        const QString sentinel = QStringLiteral("earlier tip");
        QToolTip::showText(QPoint(5, 5), sentinel, &dialog);
        QVERIFY(QToolTip::isVisible());

        int pos = 0;
        QCOMPARE(int(tested->validate(input, pos)), state);
        if (tip == "-") {
            QVERIFY(QToolTip::isVisible());
            QCOMPARE(QToolTip::text(), sentinel);
        } else if (tip.isEmpty()) {
            QVERIFY(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000));
        } else {
            QVERIFY(QToolTip::isVisible());
            QCOMPARE(QToolTip::text(), tip);
        }
    }

    // ---- registration check --------------------------------------------------------------

    void accessLevels()
    {
        Registration r;
        QComboBox* access = r.dialog->cbAccess;
        QCOMPARE(access->count(), 2);
        QCOMPARE(access->itemText(0), QStringLiteral("Наладчик"));
        QCOMPARE(access->itemText(1), QStringLiteral("Оператор"));
        QCOMPARE(access->currentIndex(), 0);
        QCOMPARE(r.dialog->getUserGroup(), r.manager->groups()[1]);
        access->setCurrentIndex(1);
        QCOMPARE(r.dialog->getUserGroup(), r.manager->groups()[2]);
        access->clear();
        QVERIFY(!r.dialog->getUserGroup());
    }

    void checkInformation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("check");
        QTest::addColumn<bool>("noAccessLevel");
        QTest::addColumn<QString>("warning");  // empty: accepted

        const QString nameWrong = QStringLiteral("Поле \"Отображаемое имя:\" заполнено неверно!");
        const QString loginWrong = QStringLiteral("Поле \"Логин:\" заполнено неверно!");
        const QString passwordWrong = QStringLiteral("Поле \"Пароль:\" заполнено неверно!");

        QTest::newRow("in order") << "Пётр Петров" << "petr" << "1234" << "1234" << false << "";
        QTest::newRow("name of two letters") << "Пё" << "petr" << "1234" << "1234" << false
                                             << nameWrong;
        QTest::newRow("name of blanks") << "   " << "petr" << "1234" << "1234" << false
                                        << nameWrong;
        QTest::newRow("letter in blanks") << " П " << "petr" << "1234" << "1234" << false << "";
        QTest::newRow("name over 127 bytes") << QString(64, QChar(0x0416)) << "petr" << "1234"
                                             << "1234" << false << nameWrong;
        QTest::newRow("existing login") << "Иван" << "ivan" << "1234" << "1234" << false
                                        << loginWrong;
        QTest::newRow("login of two letters") << "Иван" << "ab" << "1234" << "1234" << false
                                              << loginWrong;
        QTest::newRow("login of three letters") << "Иван" << "abc" << "1234" << "1234" << false
                                                << "";
        QTest::newRow("empty login") << "Иван" << "" << "1234" << "1234" << false << loginWrong;
        QTest::newRow("short password") << "Иван" << "abc" << "123" << "123" << false
                                        << passwordWrong;
        QTest::newRow("passwords differ") << "Иван" << "abc" << "1234" << "1235" << false
                                          << "Пароли не совпадают";
        QTest::newRow("confirmation empty") << "Иван" << "abc" << "1234" << "" << false
                                            << "Пароли не совпадают";
        QTest::newRow("no access level") << "Иван" << "abc" << "1234" << "1234" << true
                                         << "Уровень доступа не указан";
        QTest::newRow("name is checked first") << "" << "" << "" << "1" << true << nameWrong;
    }
    void checkInformation()
    {
        QFETCH(QString, name);
        QFETCH(QString, login);
        QFETCH(QString, password);
        QFETCH(QString, check);
        QFETCH(bool, noAccessLevel);
        QFETCH(QString, warning);

        Registration r;
        RegistrationDialog& dialog = *r.dialog;
        dialog.leName->setText(name);
        dialog.leLogin->setText(login);
        dialog.lePassword->setText(password);
        dialog.lePasswordCheck->setText(check);
        if (noAccessLevel)
            dialog.cbAccess->clear();
        dialog.setResult(QDialog::Rejected);

        dialog.CheckInformation();
        if (warning.isEmpty()) {
            QVERIFY(r.recorder.boxes.isEmpty());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        } else {
            QCOMPARE(boxTexts(r.recorder, QMessageBox::Warning, "Добавление пользователя"),
                     QStringList{warning});
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
    }

    // Typed text stops where the users file and the login dialog stop.
    void registrationFieldsTakeAtMost32Characters()
    {
        Registration r;
        RegistrationDialog& dialog = *r.dialog;
        for (QLineEdit* edit : {dialog.leLogin, dialog.lePassword, dialog.lePasswordCheck}) {
            const QString typed = edit == dialog.leLogin ? QString(40, QLatin1Char('a'))
                                                         : QString(40, QLatin1Char('7'));
            QTest::keyClicks(edit, typed);
            QCOMPARE(edit->text(), typed.left(32));
        }
    }
};

POKAVRO_TEST_MAIN(TestUsers)
#include "tst_users.moc"
