#include "channelstart.h"

#include "drivecommand.h"
#include "npgprogram.h"

ChannelStart::ChannelStart(Sender send, QObject* parent) : QObject(parent), m_send(std::move(send))
{
    m_pause.setSingleShot(true);
    // A pause is never shorter than asked: the beam channel must be waiting first.
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &ChannelStart::runNext);
}

QString ChannelStart::fileName(int channel)
{
    return QStringLiteral("/programs/_temp%1.npg").arg(channel);
}

bool ChannelStart::write(int channel, const QString& text)
{
    // The generated programs are plain ASCII.
    return NpgProgram::write(fileName(channel), text.toUtf8());
}

bool ChannelStart::start(const QList<Step>& steps)
{
    if (busy() || steps.isEmpty())
        return false;
    for (const Step& step : steps) {
        if (!write(step.channel, step.text)) {
            emit message(QStringLiteral("[A]Не удалось записать файл %1: программы не запущены")
                             .arg(fileName(step.channel)),
                         true);
            return false;
        }
    }
    m_steps = steps;
    m_index = 0;
    runNext();
    return true;
}

void ChannelStart::cancel()
{
    m_pause.stop();
    m_steps.clear();
    m_index = -1;
}

void ChannelStart::stop()
{
    if (!busy())
        return;
    QStringList lines;
    for (const Step& step : m_steps.mid(m_index))
        lines << QStringLiteral("[W]Команда '%1' не отправлена: пуск программ остановлен")
                     .arg(DriveCommand::runGenerated(step.channel));
    breakOff(lines);
}

void ChannelStart::linkLost()
{
    if (busy())
        breakOff({QStringLiteral("[A]Пуск программ прерван: потеряна связь с ЧПУ")});
}

void ChannelStart::breakOff(const QStringList& lines)
{
    cancel();
    for (const QString& line : lines)
        emit message(line, true);
    emit finished(false);
}

void ChannelStart::runNext()
{
    const Step step = m_steps.at(m_index);
    if (!m_send(DriveCommand::runGenerated(step.channel))) {
        cancel();
        emit finished(false);
        return;
    }
    if (++m_index >= m_steps.size()) {
        cancel();
        emit finished(true);
        return;
    }
    m_pause.start(m_steps.at(m_index).pauseMs);
}
