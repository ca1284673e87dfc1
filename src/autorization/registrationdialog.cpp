#include "registrationdialog.h"

#include "autorization.h"
#include "framehost.h"
#include "messagebox.h"
#include "validators.h"

RegistrationDialog::RegistrationDialog(QWidget* parent, const QString& title,
                                       const Autorization::AbstractManager* manager)
    : QDialog(parent),
      // The warnings carry the dialog's own title.
      m_warningTitle(title),
      m_nameValidator(new Autorization::NameValidator(this)),
      m_loginValidator(new Autorization::NewLoginValidator(this, manager, this)),
      m_passwordValidator(new Autorization::PasswordValidator(this, this))
{
    setupUi(this);
    Autorization::hostInFrame(this, title, parent, false);

    if (manager)
        for (Autorization::AbstractUserGroup* group : manager->groups())
            if (group->useable())
                cbAccess->addItem(group->name(), QVariant::fromValue(group));

    leName->setFocus();
    leName->setValidator(m_nameValidator);
    leLogin->setValidator(m_loginValidator);
    lePassword->setValidator(m_passwordValidator);
    lePasswordCheck->setValidator(m_passwordValidator);

    connect(pbCreate, &QPushButton::clicked, this, &RegistrationDialog::CheckInformation);
}

RegistrationDialog::~RegistrationDialog() = default;

QString RegistrationDialog::getName() const { return leName->text(); }

QString RegistrationDialog::getLogin() const { return leLogin->text(); }

QString RegistrationDialog::getPassword() const { return lePassword->text(); }

Autorization::AbstractUserGroup* RegistrationDialog::getUserGroup() const
{
    const QVariant data = cbAccess->currentData();
    if (!data.canConvert<Autorization::AbstractUserGroup*>())
        return nullptr;
    return data.value<Autorization::AbstractUserGroup*>();
}

void RegistrationDialog::CheckInformation()
{
    const auto fieldWrong = [](const QLabel* label) {
        return QStringLiteral("Поле \"") + label->text() + QStringLiteral("\" заполнено неверно!");
    };
    QString problem;
    if (!leName->hasAcceptableInput())
        problem = fieldWrong(lblName);
    else if (!leLogin->hasAcceptableInput())
        problem = fieldWrong(lblLogin);
    else if (!lePassword->hasAcceptableInput())
        problem = fieldWrong(lblPassword);
    else if (lePassword->text() != lePasswordCheck->text())
        problem = QStringLiteral("Пароли не совпадают");
    else if (cbAccess->currentIndex() < 0)
        problem = QStringLiteral("Уровень доступа не указан");

    if (problem.isEmpty())
        accept();
    else
        MessageBox::warning(this, m_warningTitle, problem);
}
