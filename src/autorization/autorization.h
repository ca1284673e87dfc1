#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// Users, their groups and the login of the console. The groups are fixed: administrator,
// fixer (setter) and operator; the rights number that the rest of the console sees is the id of
// the logged-in user's group.
namespace Autorization {

// The id of the logged-in user's group: 0 administrator, 1 fixer, 2 operator, -1 a cancelled
// login.
using UserRights = int;

class AbstractManager;

class AbstractUserGroup
{
public:
    // Appends itself to the manager's group list.
    AbstractUserGroup(AbstractManager* manager, int id, const QString& name);
    // Leaves the manager's group list.
    virtual ~AbstractUserGroup();

    AbstractUserGroup(const AbstractUserGroup&) = delete;
    AbstractUserGroup& operator=(const AbstractUserGroup&) = delete;

    // The group may be chosen when a user is registered.
    virtual bool useable() const { return true; }
    // The group's users are selectable in the user table.
    virtual bool removeable() const { return true; }
    // Runs after a successful login of one of the group's users.
    virtual void loginHandler() = 0;

    AbstractManager* manager() const { return m_manager; }
    int id() const { return m_id; }
    QString name() const { return m_name; }

private:
    AbstractManager* m_manager;
    int m_id;
    QString m_name;
};

class Administrator final : public AbstractUserGroup
{
public:
    using AbstractUserGroup::AbstractUserGroup;
    bool useable() const override { return false; }
    bool removeable() const override { return false; }
    void loginHandler() override;
};

class Fixer final : public AbstractUserGroup
{
public:
    using AbstractUserGroup::AbstractUserGroup;
    void loginHandler() override;
};

class Operator final : public AbstractUserGroup
{
public:
    using AbstractUserGroup::AbstractUserGroup;
    void loginHandler() override;
};

class AbstractUser
{
public:
    // Appends itself to the end of the manager's user list. The group is not owned.
    AbstractUser(AbstractManager* manager, const QString& login, const QString& name,
                 const QByteArray& hash, AbstractUserGroup* group);
    // Leaves the manager's user list.
    virtual ~AbstractUser();

    AbstractUser(const AbstractUser&) = delete;
    AbstractUser& operator=(const AbstractUser&) = delete;

    AbstractManager* manager() const { return m_manager; }
    QString login() const { return m_login; }
    QString name() const { return m_name; }
    // The raw MD5 digest of the UTF-8 bytes of the password.
    QByteArray hash() const { return m_hash; }
    AbstractUserGroup* group() const { return m_group; }

private:
    AbstractManager* m_manager;
    QString m_login;
    QString m_name;
    QByteArray m_hash;
    AbstractUserGroup* m_group;
};

// The raw MD5 digest of the UTF-8 bytes of a password, as users store it.
QByteArray passwordHash(const QString& password);

// Limits of the users file: a file that keeps them is read completely, and the writer keeps them.
constexpr int kMaxFileUsers = 1023;
constexpr int kMinLoginBytes = 3;
constexpr int kMaxLoginBytes = 63;
constexpr int kMinNameBytes = 1;
constexpr int kMaxNameBytes = 127;
constexpr int kMinHashBytes = 1;
constexpr int kMaxHashBytes = 31;

class AbstractManager : public QObject
{
    Q_OBJECT

public:
    // dialogParent is the main window: parent of the login and user-management dialogs and of
    // every message box here. The labels and buttons are the main window's (any may be null).
    AbstractManager(QWidget* dialogParent, QLabel* userNameLabel, QLabel* rightsLabel,
                    QPushButton* changeUserButton, QPushButton* privilegedButton,
                    const QString& usersFilePath);
    // Deletes every group and every user still in the lists.
    ~AbstractManager() override;

    // Makes the first user whose login equals `login` exactly the current user when the MD5 of
    // the UTF-8 password equals its stored hash, and runs its group's login handler.
    virtual bool logIn(const QString& login, const QString& password);
    virtual void logOut();
    // Shows the privileged (users) button when enable is true, hides it otherwise.
    virtual void enablePrivilegedOptions(bool enable);

    AbstractUser* findUser(const QString& login) const;
    AbstractUserGroup* findUserGroup(int id) const;

    // Appends the users of the users file after the users already held. Failures are shown in
    // boxes titled "Система авторизации".
    void readUsers();
    // Replaces the users file with the users held now that it stores (storesUser()), atomically;
    // a write that does not reach the disk whole keeps the old file and shows the box. When the
    // last read was not clean, the file is first kept as it was in a copy of its own: its name
    // with ".bak" appended, or ".bak.2", ".bak.3" ... where that is taken.
    void writeUsers();
    // Adds a user and writes the users file at once, so that no crash or power loss can lose it.
    AbstractUser* addUser(const QString& login, const QString& name, const QByteArray& hash,
                          AbstractUserGroup* group);

    QWidget* dialogParent() const { return m_dialogParent; }
    AbstractUser* currentUser() const { return m_currentUser; }
    const QList<AbstractUser*>& users() const { return m_users; }
    const QList<AbstractUserGroup*>& groups() const { return m_groups; }

public slots:
    // The login loop: returns the rights of the user who logged in, or -1 when the operator
    // cancels (the current user, the labels and the button then stay as they were).
    int showAutorization();

protected:
    // Whether the users file keeps this user; the built-in user of Manager it does not.
    virtual bool storesUser(const AbstractUser* user) const;

private:
    friend class AbstractUserGroup;
    friend class AbstractUser;

    // The users file's name as the installation calls it, for the operator's boxes.
    QString shownFileName() const;
    void showFileBox(const QString& text) const;
    bool keepBackup();

    QWidget* m_dialogParent;
    QLabel* m_userNameLabel;
    QLabel* m_rightsLabel;
    QPushButton* m_changeUserButton;
    QPushButton* m_privilegedButton;
    AbstractUser* m_currentUser = nullptr;
    QFile m_usersFile;
    QList<AbstractUser*> m_users;
    QList<AbstractUserGroup*> m_groups;
    // True only after a read that took every record of an existing file, or found none.
    bool m_lastReadClean = false;
};

class Manager : public AbstractManager
{
    Q_OBJECT

public:
    Manager(QWidget* dialogParent, QLabel* userNameLabel, QLabel* rightsLabel,
            QPushButton* changeUserButton, QPushButton* privilegedButton,
            const QString& usersFilePath);
    // Removes the built-in user, writes the users file, then lets the groups go.
    ~Manager() override;

    AbstractUser* builtInUser() const { return m_builtIn; }

public slots:
    // Runs the user-management dialog.
    void onControlPanel();

protected:
    bool storesUser(const AbstractUser* user) const override;

private:
    Administrator m_administrator;
    Fixer m_fixer;
    Operator m_operator;
    AbstractUser* m_builtIn;
};

}  // namespace Autorization

Q_DECLARE_METATYPE(Autorization::AbstractUserGroup*)
