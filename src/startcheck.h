#pragma once

#include <QList>
#include <QString>

// What the drive controller last reported of what a program start depends on: whether its status
// is known at all, drive power, and the states of its three CNC channels.
struct DriveReadiness {
    bool known = false;
    bool drivesOn = false;
    uint channels[3] = {0, 0, 0};  // channel n at n - 1

    // The state of channel 1, 2 or 3 (0 for any other number).
    uint channel(int number) const { return number >= 1 && number <= 3 ? channels[number - 1] : 0; }
};

// Where one axis of a weld's coordinate scheme stands and where the weld begins for it.
struct AxisPlace {
    QString name;           // the axis name ("LX", "V", ...)
    float target = 0;       // the coordinate of the first contour point
    bool known = false;     // the controller has reported the axis's position
    float at = 0;           // that position
};

// The check that every program start of the console makes before it writes a program file: the
// weld program editor's starts and the axis dialogs' one-move programs.
namespace StartCheck {

// The operator's line for a start refused for `reason`: "[A]Пуск невозможен: " + reason.
QString refused(const QString& reason);

// A channel that loads (9) or runs (3) a program: the controller may be reading its file.
bool busy(uint channelState);

// Why no program may be written for, or started on, the channels `channels` now, or empty:
// "нет связи с ЧПУ" while the controller's status is not known (it may still be running any of
// them), "канал n загружает программу" / "канал n выполняет программу" for the first of them that
// is busy, "приводы не включены" while the drives are off (the controller runs nothing then).
QString driveReason(const DriveReadiness& drive, const QList<int>& channels);

// The channels to check before an axis dialog writes its one-move program ("_fixed.npg",
// "_point.npg") for `channel`: the move's own channel first, then the other of channels 1 and 2,
// which may be running that same file from an earlier move.
QList<int> axisMoveChannels(int channel);

// Axes whose coordinates are angles (degrees, a whole turn is 360): "A" ... "D", "U1", "U2",
// "V", "PHI"; every other axis is a length (mm).
bool angular(const QString& axis);

// Why a weld or its test move cannot begin where the axes stand, or empty: every axis must stand
// at the first contour point, compared as the table and the coordinate labels show them (2
// decimals), within 0.05 mm or 0.05 degrees of servo jitter, an angle modulo 360 degrees. An axis
// whose position the controller has not reported is never taken as standing there. The reason
// names each axis that is away and how far (or that its position is not known):
// "манипулятор не в первой точке контура, перейдите в неё (LX: 25.00 мм)". The way out comes
// before the axes, so that the message list, which cuts a long line, keeps it in view.
QString awayFromFirstPoint(const QList<AxisPlace>& axes);

}  // namespace StartCheck
