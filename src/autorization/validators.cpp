#include "validators.h"

#include <QToolTip>
#include <QWidget>

#include "autorization.h"

namespace Autorization {

namespace {

void showTip(QWidget* widget, const QString& text)
{
    if (widget)
        QToolTip::showText(widget->mapToGlobal(QPoint(0, 0)), text, widget);
}

// An empty text removes any tip on screen.
void hideTip() { QToolTip::showText(QPoint(), QString()); }

bool isLatinLetterOrDigit(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool onlyLatinLettersAndDigits(const QString& text)
{
    for (QChar c : text)
        if (!isLatinLetterOrDigit(c))
            return false;
    return true;
}

bool onlyDigits(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() < '0' || c.unicode() > '9')
            return false;
    return true;
}

const QString kEmptyLogin = QStringLiteral("Поле 'Логин' не может быть пустым!");
const QString kLatinOnly = QStringLiteral("Допускается использовать только латинские буквы и цифры");

}  // namespace

NameValidator::NameValidator(QObject* parent) : QValidator(parent) {}

NameValidator::~NameValidator() = default;

QValidator::State NameValidator::validate(QString& input, int&) const
{
    if (input.size() < 3 || input.simplified().isEmpty())
        return Intermediate;
    // The users file holds names of at most 127 bytes.
    if (input.toUtf8().size() > kMaxNameBytes)
        return Intermediate;
    hideTip();
    return Acceptable;
}

LoginValidator::LoginValidator(QWidget* tipWidget, QObject* parent)
    : QValidator(parent), m_tipWidget(tipWidget)
{
}

LoginValidator::~LoginValidator() = default;

QValidator::State LoginValidator::validate(QString& input, int&) const
{
    if (input.isEmpty()) {
        showTip(m_tipWidget, kEmptyLogin);
        return Intermediate;
    }
    if (!onlyLatinLettersAndDigits(input)) {
        showTip(m_tipWidget, kLatinOnly + QLatin1Char('!'));
        return Invalid;
    }
    hideTip();
    return Acceptable;
}

NewLoginValidator::NewLoginValidator(QWidget* tipWidget, const AbstractManager* manager,
                                     QObject* parent)
    : LoginValidator(tipWidget, parent), m_manager(manager)
{
}

NewLoginValidator::~NewLoginValidator() = default;

QValidator::State NewLoginValidator::validate(QString& input, int&) const
{
    if (m_manager && m_manager->findUser(input)) {
        showTip(tipWidget(), QStringLiteral("Пользователь с именем \"") + input
                                 + QStringLiteral("\" уже существует!"));
        return Intermediate;
    }
    if (input.isEmpty()) {
        showTip(tipWidget(), kEmptyLogin);
        return Intermediate;
    }
    if (!onlyLatinLettersAndDigits(input)) {
        showTip(tipWidget(), kLatinOnly);
        return Invalid;
    }
    if (input.size() < 3) {
        showTip(tipWidget(), QStringLiteral("Логин должен быть не короче 3 символов"));
        return Intermediate;
    }
    hideTip();
    return Acceptable;
}

PasswordValidator::PasswordValidator(QWidget* tipWidget, QObject* parent)
    : QValidator(parent), m_tipWidget(tipWidget)
{
}

PasswordValidator::~PasswordValidator() = default;

QValidator::State PasswordValidator::validate(QString& input, int&) const
{
    if (input.isEmpty()) {
        showTip(m_tipWidget, QStringLiteral("Поле 'Пароль' не может быть пустым!"));
        return Intermediate;
    }
    if (!onlyDigits(input)) {
        showTip(m_tipWidget, QStringLiteral("Для пароля допускается использовать только цифры!"));
        return Invalid;
    }
    if (input.size() < 4) {
        showTip(m_tipWidget, QStringLiteral("Пароль должен быть не короче 4 символов!"));
        return Intermediate;
    }
    hideTip();
    return Acceptable;
}

}  // namespace Autorization
