#include "drivecommand.h"

#include <cmath>
#include <limits>

namespace DriveCommand {

namespace {

QString onOff(const char* keyword, bool on)
{
    return QLatin1String(keyword) + (on ? QStringLiteral(" ON") : QStringLiteral(" OFF"));
}

QString call(const char* keyword, const QString& arguments)
{
    return QLatin1String(keyword) + QLatin1Char('(') + arguments + QLatin1Char(')');
}

QString exec(int channel, const QString& file)
{
    return QStringLiteral("EXEC_%1(/programs/%2)").arg(channel).arg(file);
}

}  // namespace

QString formatG6(double value)
{
    return QString::number(value);
}

QString formatF1(double value)
{
    return QString::number(value, 'f', 1);
}

qint64 truncateToInteger(double value)
{
    if (std::isnan(value))
        return 0;
    const double cut = std::trunc(value);
    // Bounds that are exactly representable as doubles.
    constexpr double lowest = -9223372036854775808.0;
    if (cut < lowest)
        return std::numeric_limits<qint64>::min();
    if (cut >= -lowest)
        return std::numeric_limits<qint64>::max();
    return qint64(cut);
}

QString drivePower(bool on) { return onOff("DRIVE", on); }
QString transformation(bool on) { return onOff("TRANS", on); }
QString spiralLight(bool on) { return onOff("SPIRAL", on); }
QString pendant(bool on) { return onOff("PULT", on); }
QString stopProgram() { return QStringLiteral("STOP_PRG"); }
QString buzzer() { return QStringLiteral("ZOOMMER"); }

QString moveVirtual(const QString& axis, double speed, int direction)
{
    QString value = QStringLiteral("0");
    if (direction > 0)
        value = formatG6(speed);
    else if (direction < 0)
        value = QLatin1Char('-') + (axis == QLatin1String("PHI") ? formatF1(speed) : formatG6(speed));
    return call("MOVE", axis + QLatin1Char(',') + value);
}

QString moveDrive(const QString& axis, double speed, int direction)
{
    QString value = QStringLiteral("0");
    if (direction != 0)
        value = (direction < 0 ? QStringLiteral("-") : QString()) + QString::number(truncateToInteger(speed));
    return call("MOVE", axis + QLatin1Char(',') + value);
}

QString moveStop(const QString& axis)
{
    return call("MOVE", axis + QStringLiteral(",0"));
}

QString limitMax(const QString& axis, double value)
{
    return call("LIMIT_MAX", axis + QLatin1Char(',') + formatF1(value));
}

QString limitMin(const QString& axis, double value)
{
    return call("LIMIT_MIN", axis + QLatin1Char(',') + formatF1(value));
}

QString reference(const QString& axis, double position)
{
    return call("REFERENCE", axis + QLatin1Char(',') + QString::number(truncateToInteger(position * 10000.0)));
}

std::optional<qint32> referenceSteps(float position)
{
    const float steps = position * 10000.0f;
    if (!std::isfinite(steps))
        return std::nullopt;
    const float cut = std::trunc(steps);
    // -2^31 and 2^31 are exact in single precision.
    if (cut < -2147483648.0f || cut >= 2147483648.0f)
        return std::nullopt;
    return qint32(cut);
}

QString referenceTo(const QString& axis, qint32 steps)
{
    return call("REFERENCE", axis + QLatin1Char(',') + QString::number(steps));
}

QString park(const QString& axis, bool park)
{
    return call(park ? "PARK" : "DEPARK", axis);
}

QString clearError(const QString& axis)
{
    return call("CLEAR_ERROR", axis);
}

QString handwheelAxis(const QString& group, int steps, int factor, int maxSpeed)
{
    return call("LIR", QStringLiteral("%1,%2,%3").arg(group).arg(qint64(steps) * factor).arg(maxSpeed));
}

QString handwheelPendant(int steps)
{
    return call("HANDWHEEL", QString::number(qint64(steps) * 100));
}

QString startChannel(int channel)
{
    return exec(channel, channel == 1 ? QStringLiteral("_temp.npg") : QStringLiteral("_temp%1.npg").arg(channel));
}

QString runGenerated(int channel)
{
    return exec(channel, QStringLiteral("_temp%1.npg").arg(channel));
}

QString runFixedMove(int channel)
{
    return exec(channel, QStringLiteral("_fixed.npg"));
}

QString runPointMove(int channel)
{
    return exec(channel, QStringLiteral("_point.npg"));
}

}  // namespace DriveCommand
