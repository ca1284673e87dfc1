#pragma once

// The texts of every command the console gives the CNC/drive controller. Each is sent as one
// "PV" frame through DriveTCPthread::command(). Upper-case keywords, arguments in brackets
// separated by a comma without blanks, no line end.

#include <QString>

#include <optional>

namespace DriveCommand {

QString drivePower(bool on);       // "DRIVE ON" / "DRIVE OFF"
QString transformation(bool on);   // "TRANS ON" / "TRANS OFF"
QString spiralLight(bool on);      // "SPIRAL ON" / "SPIRAL OFF"
QString pendant(bool on);          // "PULT ON" / "PULT OFF"
QString stopProgram();             // "STOP_PRG"
QString buzzer();                  // "ZOOMMER"

// Jogging a virtual axis ("X", "Z", "PHI") at the speed shown on its speed label: direction > 0
// gives MOVE(X,12.5), < 0 MOVE(X,-12.5), 0 MOVE(X,0). Speeds in general format with up to six
// significant digits; the negative PHI form alone writes the speed with one decimal.
QString moveVirtual(const QString& axis, double speed, int direction);

// Jogging a drive ("LX", "LX2", "LY", "A", "B", "C", "D", "U1", "U2", "V") at its speed label's
// value cut to an integer towards zero: MOVE(LX,37), MOVE(LX,-37), MOVE(LX,0).
QString moveDrive(const QString& axis, double speed, int direction);
// MOVE(axis,0): ends a jog (also the endless rotation of V).
QString moveStop(const QString& axis);

// Software limits, one decimal: LIMIT_MAX(A,250.0), LIMIT_MIN(A,-3.5).
QString limitMax(const QString& axis, double value);
QString limitMin(const QString& axis, double value);

// REFERENCE(axis,n) with n = position × 10000 cut towards zero.
QString reference(const QString& axis, double position);
// The referencing dialog's form: n = position × 10000 in single precision, cut towards zero.
// Nothing when the product is not finite or n does not fit a 32-bit integer, so that a value the
// controller cannot take is never sent clamped or wrapped.
std::optional<qint32> referenceSteps(float position);
// REFERENCE(axis,steps), steps already in ten-thousandths: REFERENCE(LX,125000).
QString referenceTo(const QString& axis, qint32 steps);

QString park(const QString& axis, bool park);  // PARK(axis) / DEPARK(axis)
QString clearError(const QString& axis);        // CLEAR_ERROR(axis)

// A handwheel on an axis group ("LX", "LY", "A", "B", "C", "D", "U", "V"):
// LIR(group,steps×factor,maxSpeed).
QString handwheelAxis(const QString& group, int steps, int factor, int maxSpeed);
// The handwheel on the pendant function: HANDWHEEL(steps×100).
QString handwheelPendant(int steps);

// The start button of channel 1, 2 or 3: "EXEC_1(/programs/_temp.npg)",
// "EXEC_2(/programs/_temp2.npg)", "EXEC_3(/programs/_temp3.npg)".
QString startChannel(int channel);
// A generated program run on channel c: EXEC_c(/programs/_tempc.npg).
QString runGenerated(int channel);
// The fixed-move program on channel c: EXEC_c(/programs/_fixed.npg).
QString runFixedMove(int channel);
// The go-to-point program on channel c: EXEC_c(/programs/_point.npg).
QString runPointMove(int channel);

// Number formats of the vocabulary.
QString formatG6(double value);        // 12.5, 100, 0.001
QString formatF1(double value);        // 12.0, -3.5
qint64 truncateToInteger(double value);  // towards zero; NaN gives 0, out of range is clamped

}  // namespace DriveCommand
