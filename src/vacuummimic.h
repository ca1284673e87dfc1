#pragma once

#include <QPair>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// The rules of the vacuum mimic that do not need a screen: the pictures of a reported element
// state, the colour state of a cooling-water temperature or flow, the operator-log texts of pump
// and valve reports, and which pipe segments a valve report lights.
namespace VacuumMimic {

// The resource path of an element picture of a set for a reported state: "_0" off or closed,
// "_1" on or open, "_23" switching either way, "_4" error and not yet received (-1).
// Any other state has no picture: an empty string.
QString elementPicture(const QString& set, int state);

// The states an element sprite has a picture for.
inline constexpr int kElementStates[] = {-1, 0, 1, 2, 3, 4};

// Temperature: 0 above the error threshold (red), else 2 above the warning threshold (yellow),
// else 1 (green). A value equal to a threshold is not above it; NaN gives 1.
int temperatureState(float value, float warning, float error);
// Flow: 1 when the flow reaches its minimum (minimum <= value) or is NaN, else 0.
int flowState(float value, float minimum);

// "[I]<type> <name> выключен" and the like for 0..3; "[W]<type> <name> - ошибка!" for any other
// state.
QString pumpStateText(int state, const QString& type, const QString& name);
QString valveStateText(int state, const QString& type, const QString& name);

// Whether a valve in this state lights its pipes: open, moving or in error. Closed (0) and not
// known (negative) do not.
bool lightsPipes(int state);

// The pipe segments behind a valve ("VP1" ... "VP8", "VPT").
QStringList pipesOf(const QString& valve);

// The segments a report of the valve with the given state sets, with the look each takes
// (1 lit, 0 unlit), in the order of the valve's rule. A valve lights its segments while it is
// open, moving or in error (a state above 0); closed, or not known (a negative state: nothing
// reported, or the controller does not know it), it leaves them unlit. A segment shared with
// other valves is lit by any valve that lights it, and unlit by a valve that does not only when
// the valves its rule names light nothing either; lastState gives the last reported state of
// another valve (-1 while it is not known).
QVector<QPair<QString, int>> pipeLooks(const QString& valve, int state,
                                       const std::function<int(const QString&)>& lastState);

}  // namespace VacuumMimic
