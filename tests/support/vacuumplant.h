#pragma once

#include <QSignalSpy>
#include <QStringList>

#include <memory>

#include "kvs.h"
#include "vacuumsim.h"

class QFrame;

// The vacuum screen against both simulated vacuum controllers on free loopback ports, the
// plant switching fast (0.3 s) and streaming 50 datagrams a second.
struct VacuumPlant {
    VacuumSimulator sim;
    std::unique_ptr<KVS> screen;

    // Starts the simulator (forced fields set before stay forced), builds the screen and waits
    // (bounded) until it knows every element's state and the running mode.
    bool start();
    VacuumElementDlg* dialog(int d) const { return screen->elementDialog(KVS::ElementDialog(d)); }
    // Waits (bounded) until the controller has received the command.
    bool received(VacuumSimulator::Controller c, const QString& command);
};

// The first argument of every signal a spy caught, as text (the lines of a message signal).
QStringList messageTexts(const QSignalSpy& spy);
// The lines of a state button's lock popup, trimmed.
QStringList viewTexts(QFrame* popup);
