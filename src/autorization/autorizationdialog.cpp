#include "autorizationdialog.h"

#include "framehost.h"
#include "validators.h"

AutorizationDialog::AutorizationDialog(QWidget* parent)
    : QDialog(parent),
      m_loginValidator(new Autorization::LoginValidator(this, this)),
      m_passwordValidator(new Autorization::PasswordValidator(this, this))
{
    setupUi(this);
    Autorization::hostInFrame(this, QStringLiteral("Авторизация"), parent, true);

    leLogin->setValidator(m_loginValidator);
    lePassword->setValidator(m_passwordValidator);
    leLogin->setFocus();

    connect(leLogin, &QLineEdit::returnPressed, lePassword, qOverload<>(&QWidget::setFocus));
    connect(lePassword, &QLineEdit::returnPressed, pbEnter, &QPushButton::click);
    connect(pbEnter, &QPushButton::clicked, this, &QDialog::accept);
}

AutorizationDialog::~AutorizationDialog() = default;

QString AutorizationDialog::getLogin() const { return leLogin->text(); }

QString AutorizationDialog::getPassword() const { return lePassword->text(); }

void AutorizationDialog::clearPassword() { lePassword->clear(); }
