#include "vacuumcommand.h"

#include <QStringList>

namespace VacuumCommand {

ElementCommands forElement(const QString& element)
{
    static const QStringList vacuumSystem = {"NL1", "NL2", "NZ1", "NZ2", "NW2", "ND1",
                                             "VP1", "VP2", "VP3", "VP5", "VP6", "VP7"};
    static const QStringList vacuumDoor = {"VP4", "VP8"};
    if (vacuumSystem.contains(element))
        return {element + QStringLiteral(" ON"), element + QStringLiteral(" OFF"), Controller::VacuumSystem};
    if (vacuumDoor.contains(element))
        return {element + QStringLiteral(" ON"), element + QStringLiteral(" OFF"), Controller::VacuumDoor};
    if (element == QLatin1String("DOOR"))
        return {QStringLiteral("DOOR UNPRESS"), QStringLiteral("DOOR PRESS"), Controller::VacuumDoor};
    const int unit = element == QLatin1String("VPT")   ? 1
                     : element == QLatin1String("VE1") ? 2
                     : element == QLatin1String("TMN") ? 3
                                                       : 0;
    if (unit)
        return {bku(unit, true), bku(unit, false), Controller::VacuumDoor};
    return {};
}

QString bku(int unit, bool on)
{
    return QStringLiteral("BKU(%1,%2)").arg(unit).arg(on ? 1 : 0);
}

QString algorithm(int number)
{
    return QStringLiteral("ALG(%1)").arg(number);
}

QString constsRequest()
{
    return QStringLiteral("CONST");
}

QString constIdentifier(Controller controller, qint32 id)
{
    return (controller == Controller::VacuumDoor ? QStringLiteral("KBK:") : QStringLiteral("KBC:"))
           + QString::number(id);
}

QString setConst(const QString& identifier, double value)
{
    return QStringLiteral("SET(") + identifier + QLatin1Char(',') + QString::number(value, 'f', 7)
           + QLatin1Char(')');
}

Switch switchAction(int state, bool checked)
{
    if (state < 0)
        return Switch::Nothing;
    if (state == 4)
        return checked ? Switch::Off : Switch::On;
    return state % 2 ? Switch::Off : Switch::On;
}

QString switchCommand(const ElementCommands& commands, int state, bool checked)
{
    switch (switchAction(state, checked)) {
    case Switch::On:
        return commands.on;
    case Switch::Off:
        return commands.off;
    case Switch::Nothing:
        break;
    }
    return QString();
}

}  // namespace VacuumCommand
