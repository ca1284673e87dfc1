#include "startcheck.h"

namespace StartCheck {

QString refused(const QString& reason)
{
    return QStringLiteral("[A]Пуск невозможен: ") + reason;
}

bool busy(uint channelState)
{
    return channelState == 3 || channelState == 9;
}

QString driveReason(const DriveReadiness& drive, const QList<int>& channels)
{
    if (!drive.known)
        return QStringLiteral("нет связи с ЧПУ");
    for (int channel : channels) {
        const uint state = drive.channel(channel);
        if (busy(state))
            return (state == 3 ? QStringLiteral("канал %1 выполняет программу")
                               : QStringLiteral("канал %1 загружает программу"))
                .arg(channel);
    }
    if (!drive.drivesOn)
        return QStringLiteral("приводы не включены");
    return {};
}

QList<int> axisMoveChannels(int channel)
{
    return {channel, channel == 1 ? 2 : 1};
}

}  // namespace StartCheck
