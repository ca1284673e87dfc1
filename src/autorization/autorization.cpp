#include "autorization.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QLabel>
#include <QPushButton>

#include "autorizationdialog.h"
#include "controlpanel.h"
#include "messagebox.h"

namespace Autorization {

namespace {
// The built-in administrator "su" and its password; it is never written to the users file.
const char* const kBuiltInLogin = "su";
const char* const kBuiltInPassword = "62940571";
}  // namespace

QByteArray passwordHash(const QString& password)
{
    return QCryptographicHash::hash(password.toUtf8(), QCryptographicHash::Md5);
}

// ---- groups ----------------------------------------------------------------------------------

AbstractUserGroup::AbstractUserGroup(AbstractManager* manager, int id, const QString& name)
    : m_manager(manager), m_id(id), m_name(name)
{
    m_manager->m_groups.append(this);
}

AbstractUserGroup::~AbstractUserGroup() { m_manager->m_groups.removeOne(this); }

void Administrator::loginHandler() { manager()->enablePrivilegedOptions(true); }

void Fixer::loginHandler() { manager()->enablePrivilegedOptions(true); }

void Operator::loginHandler() { manager()->enablePrivilegedOptions(false); }

// ---- users -----------------------------------------------------------------------------------

AbstractUser::AbstractUser(AbstractManager* manager, const QString& login, const QString& name,
                           const QByteArray& hash, AbstractUserGroup* group)
    : m_manager(manager), m_login(login), m_name(name), m_hash(hash), m_group(group)
{
    m_manager->m_users.append(this);
}

AbstractUser::~AbstractUser()
{
    if (m_manager->m_currentUser == this)
        m_manager->m_currentUser = nullptr;
    m_manager->m_users.removeOne(this);
}

// ---- the manager -----------------------------------------------------------------------------

AbstractManager::AbstractManager(QWidget* dialogParent, QLabel* userNameLabel, QLabel* rightsLabel,
                                 QPushButton* changeUserButton, QPushButton* privilegedButton,
                                 const QString& usersFilePath)
    : QObject(nullptr),
      m_dialogParent(dialogParent),
      m_userNameLabel(userNameLabel),
      m_rightsLabel(rightsLabel),
      m_changeUserButton(changeUserButton),
      m_privilegedButton(privilegedButton),
      m_usersFile(usersFilePath)
{
    qRegisterMetaType<AbstractUserGroup*>("Autorization::AbstractUserGroup*");
}

AbstractManager::~AbstractManager()
{
    while (!m_groups.isEmpty())
        delete m_groups.first();
    while (!m_users.isEmpty())
        delete m_users.first();
}

AbstractUser* AbstractManager::findUser(const QString& login) const
{
    for (AbstractUser* user : m_users)
        if (user->login() == login)
            return user;
    return nullptr;
}

AbstractUserGroup* AbstractManager::findUserGroup(int id) const
{
    for (AbstractUserGroup* group : m_groups)
        if (group->id() == id)
            return group;
    return nullptr;
}

bool AbstractManager::logIn(const QString& login, const QString& password)
{
    AbstractUser* user = findUser(login);
    if (!user)
        return false;
    // QByteArray equality compares length and bytes: a stored hash of another length never
    // matches a digest.
    if (passwordHash(password) != user->hash())
        return false;
    m_currentUser = user;
    if (user->group())
        user->group()->loginHandler();
    return true;
}

void AbstractManager::logOut() { m_currentUser = nullptr; }

void AbstractManager::enablePrivilegedOptions(bool enable)
{
    if (m_privilegedButton)
        m_privilegedButton->setVisible(enable);
}

int AbstractManager::showAutorization()
{
    AutorizationDialog dialog(m_dialogParent);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return -1;
        if (logIn(dialog.getLogin(), dialog.getPassword()))
            break;
        MessageBox::warning(&dialog, QStringLiteral("Авторизация"),
                            QStringLiteral("Неправильный логин или пароль!"));
        dialog.clearPassword();
    }
    AbstractUserGroup* group = m_currentUser->group();
    if (m_userNameLabel)
        m_userNameLabel->setText(m_currentUser->name());
    if (m_rightsLabel)
        m_rightsLabel->setText(group ? group->name() : QString());
    qDebug("Login %s", qUtf8Printable(m_currentUser->name()));
    return group ? group->id() : -1;
}

Manager::Manager(QWidget* dialogParent, QLabel* userNameLabel, QLabel* rightsLabel,
                 QPushButton* changeUserButton, QPushButton* privilegedButton,
                 const QString& usersFilePath)
    : AbstractManager(dialogParent, userNameLabel, rightsLabel, changeUserButton, privilegedButton,
                      usersFilePath),
      m_administrator(this, 0, QStringLiteral("Администратор")),
      m_fixer(this, 1, QStringLiteral("Наладчик")),
      m_operator(this, 2, QStringLiteral("Оператор")),
      m_builtIn(new AbstractUser(this, QString::fromLatin1(kBuiltInLogin),
                                 QStringLiteral("Администратор"),
                                 passwordHash(QString::fromLatin1(kBuiltInPassword)),
                                 &m_administrator))
{
}

Manager::~Manager()
{
    // The built-in user leaves the list first (it never reaches the file anyway).
    delete m_builtIn;
    m_builtIn = nullptr;
    writeUsers();
}

bool Manager::storesUser(const AbstractUser* user) const
{
    return user != m_builtIn;
}

void Manager::onControlPanel()
{
    ControlPanel panel(dialogParent(), this);
    panel.exec();
}

}  // namespace Autorization
