#pragma once

#include <QList>
#include <QStringList>

#include <memory>

#include "contourmodel.h"
#include "drivesim.h"

class CONTOUR;
class Gui;
class RecordingBoxes;
class StatusRelay;

// Loads `s` into the editor through its contour file "weld" (the file is written into the contour
// folder first); false when the table did not take its points.
bool loadContour(CONTOUR& contour, const ContourSnapshot& s);

// The whole console against the simulated drive controller, for the tests of the weld program
// editor. Constructed in a test's init(): a fresh settings file with free loopback ports, the
// installation's folders with an empty "/programs/", message boxes recorded. Destroyed in its
// cleanup(): the console first, then the simulator; the contour files are removed.
class EditorConsole
{
public:
    EditorConsole();
    ~EditorConsole();

    // Builds the main window and connects it to the simulator, whose programs run
    // `programSeconds` (0: as their files say); the drives are on. False when the link or the
    // drives did not come up.
    bool start(double programSeconds = 0.3);

    // Loads `s` through its contour file "weld"; false when the table did not take its points.
    bool load(const ContourSnapshot& s);

    // The axes LX, LY and Z stand at the given position, with the drives and the transformation
    // on; true once the editor has seen it.
    bool placeAxes(float LX, float LY, float Z);

    // The axes of the loaded contour's scheme stand at its first point (the drives and the
    // transformation on); true once the editor has seen the controller report it.
    bool placeAtFirstPoint();

    // The commands the controller received, once `count` of them are there and nothing more has
    // come for `quietMs`; the list is then emptied.
    QList<DriveSimulator::Command> commands(int count, int quietMs = 300);
    QStringList commandTexts(int count, int quietMs = 300);

    // Presses the editor's start button and waits until the programs of the press have been
    // generated (the start has gone on from them, or was refused); false when they do not come.
    bool pressStart();

    // Channel 1 done (2) or idle again (1).
    bool channel1Idle();

    // The controller goes away (its link is lost).
    void stopSimulator();
    // The console ends as at exit (the editor saves its contour); the simulator stays.
    void closeConsole();

    Gui* gui() const { return m_gui.get(); }
    CONTOUR* contour() const { return m_contour; }
    DriveSimulator* sim() const { return m_sim.get(); }

private:
    QList<quint16> m_ports;
    std::unique_ptr<RecordingBoxes> m_boxes;
    std::unique_ptr<DriveSimulator> m_sim;
    std::unique_ptr<StatusRelay> m_relay;  // ends before the simulator
    std::unique_ptr<Gui> m_gui;
    CONTOUR* m_contour = nullptr;
};
