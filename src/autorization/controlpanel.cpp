#include "controlpanel.h"

#include "autorization.h"
#include "framehost.h"
#include "registrationdialog.h"
#include "settingsfile.h"

namespace {
const char* const kWidthKeys[] = {"Registration/Width_Login", "Registration/Width_Name",
                                  "Registration/Width_Rights"};
constexpr int kDefaultWidth = 80;
}  // namespace

ControlPanel::ControlPanel(QWidget* parent, Autorization::AbstractManager* manager)
    : QDialog(parent, Qt::FramelessWindowHint), m_manager(manager)
{
    setupUi(this);
    Autorization::hostInFrame(this, QStringLiteral("Панель управления пользователями"), parent,
                              true);

    const auto settings = SettingsFile::open();
    for (int column = 0; column < 3; ++column)
        twUserTable->setColumnWidth(
            column, settings->value(QLatin1String(kWidthKeys[column]), kDefaultWidth).toInt());

    updateUsersTable();

    connect(pbAddUser, &QPushButton::clicked, this, &ControlPanel::OnCreateUser);
    connect(pbRemoveUser, &QPushButton::clicked, this, &ControlPanel::OnRemoveUser);
}

ControlPanel::~ControlPanel()
{
    const auto settings = SettingsFile::open();
    for (int column = 0; column < 3; ++column)
        settings->setValue(QLatin1String(kWidthKeys[column]), twUserTable->columnWidth(column));
}

QTableWidget* ControlPanel::getTable() const { return twUserTable; }

void ControlPanel::updateUsersTable()
{
    twUserTable->setRowCount(0);
    int row = 0;
    for (const Autorization::AbstractUser* user : m_manager->users()) {
        Autorization::AbstractUserGroup* group = user->group();
        const QStringList texts{user->login(), user->name(), group ? group->name() : QString()};
        // Rows of groups that cannot be removed (administrators) are shown but not usable.
        const Qt::ItemFlags flags = group && group->removeable()
            ? Qt::ItemIsSelectable | Qt::ItemIsEnabled
            : Qt::NoItemFlags;
        twUserTable->insertRow(row);
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            item->setFlags(flags);
            twUserTable->setItem(row, column, item);
        }
        ++row;
    }
}

void ControlPanel::OnCreateUser()
{
    RegistrationDialog dialog(this, QStringLiteral("Добавление пользователя"), m_manager);
    if (dialog.exec() != QDialog::Accepted)
        return;
    Autorization::AbstractUserGroup* group = dialog.getUserGroup();
    if (!group)
        return;
    // Written to the users file at once, not only at exit.
    m_manager->addUser(dialog.getLogin(), dialog.getName(),
                       Autorization::passwordHash(dialog.getPassword()), group);
    updateUsersTable();
}

// Users are not removed here: the button is kept without an action.
void ControlPanel::OnRemoveUser() {}
