#pragma once

#include <QDialog>

#include "ui_registrationdialog.h"

namespace Autorization {
class AbstractManager;
class AbstractUserGroup;
class NameValidator;
class NewLoginValidator;
class PasswordValidator;
}  // namespace Autorization

// The framed dialog in which a new user is entered: display name, login, password twice and an
// access level. It is accepted only when every field is in order; the caller builds the user.
class RegistrationDialog : public QDialog, public Ui::RegistrationDialog
{
    Q_OBJECT

public:
    RegistrationDialog(QWidget* parent, const QString& title,
                       const Autorization::AbstractManager* manager);
    ~RegistrationDialog() override;

    QString getName() const;
    QString getLogin() const;
    QString getPassword() const;
    // The chosen access level; null when none is chosen.
    Autorization::AbstractUserGroup* getUserGroup() const;

public slots:
    // Accepts the dialog when every field is in order, else names the first faulty field in a
    // warning box and leaves the dialog open.
    void CheckInformation();

private:
    QString m_warningTitle;
    Autorization::NameValidator* m_nameValidator;
    Autorization::NewLoginValidator* m_loginValidator;
    Autorization::PasswordValidator* m_passwordValidator;
};
