#include "startcheck.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

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

bool angular(const QString& axis)
{
    static const QStringList angles{QStringLiteral("A"),  QStringLiteral("B"),  QStringLiteral("C"),
                                    QStringLiteral("D"),  QStringLiteral("U1"), QStringLiteral("U2"),
                                    QStringLiteral("V"),  QStringLiteral("PHI")};
    return angles.contains(axis);
}

QString awayFromFirstPoint(const QList<AxisPlace>& axes)
{
    // Hundredths: the two decimals of the table and of the labels; jitter up to 0.05 is standing.
    constexpr double kTolerance = 5;
    constexpr double kTurn = 36000;
    QStringList away;
    for (const AxisPlace& axis : axes) {
        if (!axis.known || !std::isfinite(axis.at) || !std::isfinite(axis.target)) {
            away << axis.name + QStringLiteral(": положение не известно");
            continue;
        }
        double distance = std::fabs(std::round(double(axis.at) * 100) - std::round(double(axis.target) * 100));
        const bool angle = angular(axis.name);
        if (angle) {
            distance = std::fmod(distance, kTurn);
            distance = std::min(distance, kTurn - distance);
        }
        if (distance > kTolerance)
            away << QStringLiteral("%1: %2 %3")
                        .arg(axis.name, QString::number(distance / 100, 'f', 2),
                             angle ? QStringLiteral("град") : QStringLiteral("мм"));
    }
    if (away.isEmpty())
        return {};
    return QStringLiteral("манипулятор не в первой точке контура, перейдите в неё (%1)")
        .arg(away.join(QStringLiteral(", ")));
}

}  // namespace StartCheck
