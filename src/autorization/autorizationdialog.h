#pragma once

#include <QDialog>

#include "ui_autorizationdialog.h"

namespace Autorization {
class LoginValidator;
class PasswordValidator;
}  // namespace Autorization

// The framed dialog in which the operator types a login and a password. It only collects the
// two texts; the manager checks them and repeats the dialog until they fit or it is cancelled.
class AutorizationDialog : public QDialog, public Ui::AutorizationDialog
{
    Q_OBJECT

public:
    explicit AutorizationDialog(QWidget* parent);
    ~AutorizationDialog() override;

    QString getLogin() const;
    QString getPassword() const;
    void clearPassword();

private:
    Autorization::LoginValidator* m_loginValidator;
    Autorization::PasswordValidator* m_passwordValidator;
};
