#pragma once

#include <QString>
#include <QtGlobal>

// The text commands of the two vacuum controllers. Each is sent as one "PV" frame through the
// link of the controller it belongs to; the controllers answer through their status streams.
namespace VacuumCommand {

enum class Controller { VacuumSystem, VacuumDoor };  // KVSTCPthread, KVKTCPthread

// The pair of commands of one switchable element: pumps and valves by name ("NL1 ON" /
// "NL1 OFF"), the chamber door "DOOR" ("DOOR UNPRESS" / "DOOR PRESS"), and the turbo-molecular
// pump group "TMN", "VPT", "VE1" ("BKU(3,1)" / "BKU(3,0)" and so on).
struct ElementCommands {
    QString on;
    QString off;
    Controller controller = Controller::VacuumSystem;
    bool isValid() const { return !on.isEmpty(); }
};

// The commands of a known element; an invalid pair (empty texts) for any other name, so that a
// mistyped name can never become a command.
ElementCommands forElement(const QString& element);

// "BKU(unit,1)" / "BKU(unit,0)": units 1 VPT, 2 VE1, 3 TMN.
QString bku(int unit, bool on);

// "ALG(n)": start the vacuum algorithm n (0 setup, 1 manual, 2 to 6 the automatic ones).
QString algorithm(int number);

// "CONST": ask a controller for its constants table.
QString constsRequest();

// The identifier of a constant as the constants dialog shows it: "KBK:" + id for the
// vacuum/door controller, "KBC:" + id for the vacuum-system controller.
QString constIdentifier(Controller controller, qint32 id);

// "SET(identifier,value)" with the value in fixed notation with 7 decimals.
QString setConst(const QString& identifier, double value);

// What an element dialog's switch button sends for the element's last state.
enum class Switch { Nothing, On, Off };
// Negative state (nothing received yet): nothing. 4 (error): off when the button is checked, on
// when it is not. Otherwise an odd state (on, switching on) switches off and an even state (off,
// switching off) switches on.
Switch switchAction(int state, bool checked);
// The command text of that action ("" for nothing).
QString switchCommand(const ElementCommands& commands, int state, bool checked);

}  // namespace VacuumCommand
