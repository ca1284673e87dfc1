#pragma once

#include <QValidator>

class QWidget;

// Input rules of the login and registration dialogs. Each validator explains a problem with a
// tool tip at the top-left corner of its dialog and removes the tip once the text is in order.
namespace Autorization {

class AbstractManager;

// A display name: at least 3 characters, not only blanks, at most 127 bytes in UTF-8 (what the
// users file holds).
class NameValidator : public QValidator
{
    Q_OBJECT

public:
    explicit NameValidator(QObject* parent = nullptr);
    ~NameValidator() override;
    State validate(QString& input, int& pos) const override;
};

// A login: Latin letters and digits only, not empty.
class LoginValidator : public QValidator
{
    Q_OBJECT

public:
    // Tool tips are shown at `tipWidget` (the dialog).
    explicit LoginValidator(QWidget* tipWidget, QObject* parent = nullptr);
    ~LoginValidator() override;
    State validate(QString& input, int& pos) const override;

protected:
    QWidget* tipWidget() const { return m_tipWidget; }

private:
    QWidget* m_tipWidget;
};

// A login for a new user: as a login, at least 3 characters, and not held by any user yet.
class NewLoginValidator : public LoginValidator
{
    Q_OBJECT

public:
    NewLoginValidator(QWidget* tipWidget, const AbstractManager* manager,
                      QObject* parent = nullptr);
    ~NewLoginValidator() override;
    State validate(QString& input, int& pos) const override;

private:
    const AbstractManager* m_manager;
};

// A password: digits only, at least 4 of them.
class PasswordValidator : public QValidator
{
    Q_OBJECT

public:
    explicit PasswordValidator(QWidget* tipWidget, QObject* parent = nullptr);
    ~PasswordValidator() override;
    State validate(QString& input, int& pos) const override;

private:
    QWidget* m_tipWidget;
};

}  // namespace Autorization
