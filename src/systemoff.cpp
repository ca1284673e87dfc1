#include "systemoff.h"

#include "genericlink.h"

SystemOff::SystemOff(TCPthread* link, QWidget* parent) : QDialog(parent), m_link(link)
{
    setupUi(this);
    timeLabel->setText(QString::number(m_left));
    connect(&m_timer, &QTimer::timeout, this, &SystemOff::timeChanged);
    m_timer.start(1000);
}

SystemOff::~SystemOff() = default;

void SystemOff::timeChanged()
{
    // A countdown that was cancelled or has ended stays where it stopped.
    if (!m_timer.isActive() || m_left <= 0)
        return;
    --m_left;
    timeLabel->setText(QString::number(m_left));
    if (m_left == 0) {
        m_timer.stop();
        emit turnOff();
        reject();
    }
}

void SystemOff::done(int result)
{
    // However the dialog ends, the countdown ends with it.
    m_timer.stop();
    QDialog::done(result);
}

void SystemOff::on_pbCancel_clicked()
{
    m_timer.stop();
    emit message(QStringLiteral("[I]Автоматическое завершение работы отменено пользователем"), true);
    if (m_link)
        m_link->command(QStringLiteral("SET turnSystemOff := off;"));
    reject();
}
