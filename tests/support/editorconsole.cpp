#include "editorconsole.h"

#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QtTest>

#include "contour.h"
#include "contourfile.h"
#include "drivestatus.h"
#include "fixedpaths.h"
#include "gui.h"
#include "testenv.h"

EditorConsole::EditorConsole()
{
    m_ports = TestEnv::prepareConsole();
    QDir(FixedPaths::local(QStringLiteral("/programs/"))).removeRecursively();
    TestEnv::makeInstallationFolders();
    m_boxes = std::make_unique<RecordingBoxes>();
}

EditorConsole::~EditorConsole()
{
    m_gui.reset();
    m_sim.reset();
    m_boxes.reset();
    QDir(CONTOUR::contourFolder()).removeRecursively();
}

bool EditorConsole::start(double programSeconds)
{
    m_gui = std::make_unique<Gui>();
    m_contour = m_gui->contour;
    m_sim = std::make_unique<DriveSimulator>();
    m_sim->setProgramSeconds(programSeconds);
    if (!m_sim->start(m_ports[0], m_ports[1]))
        return false;
    if (!QTest::qWaitFor([this] { return m_gui->cncConnected(); }, 5000))
        return false;
    // The controller runs programs only with the drives on.
    m_sim->apply(QStringLiteral("DRIVE ON"));
    if (!QTest::qWaitFor([this] { return m_contour->driveState(); }, 5000))
        return false;
    QTest::qWait(100);
    m_sim->clearCommands();
    return true;
}

bool loadContour(CONTOUR& contour, const ContourSnapshot& s)
{
    QDir().mkpath(CONTOUR::contourFolder());
    QFile file(CONTOUR::contourFolder() + QStringLiteral("weld.save"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    file.write(ContourFile::write(QStringLiteral("weld"), s));
    file.close();
    contour.load(QStringLiteral("weld"), CONTOUR::contourDir() + QStringLiteral("weld"));
    return contour.twContour->rowCount() == s.points.size();
}

bool EditorConsole::load(const ContourSnapshot& s)
{
    return loadContour(*m_contour, s);
}

bool EditorConsole::placeAxes(float LX, float LY, float Z)
{
    DriveStatusPacket& status = m_sim->status();
    status.drivesOn = 1;
    status.transOn = 1;
    status.position[DriveStatusPacket::LX1] = LX;
    status.position[DriveStatusPacket::LY] = LY;
    status.position[DriveStatusPacket::Z] = Z;
    return QTest::qWaitFor(
        [&] {
            return m_contour->driveState() && m_contour->virtualMode() && m_gui->coord(QStringLiteral("LX")) == LX &&
                   m_gui->coord(QStringLiteral("LY")) == LY && m_gui->coord(QStringLiteral("Z")) == Z;
        },
        3000);
}

bool EditorConsole::placeAtFirstPoint()
{
    if (!m_contour->schema())
        return false;
    const QStringList names = m_contour->schema()->axisNames();
    const QList<float> first = m_contour->coords(0);
    DriveStatusPacket& status = m_sim->status();
    status.drivesOn = 1;
    status.transOn = 1;
    for (int i = 0; i < names.size() && i < first.size(); ++i)
        status.position[DriveStatus::axisOfName(names.at(i))] = first.at(i);
    return QTest::qWaitFor(
        [&] {
            for (int i = 0; i < names.size() && i < first.size(); ++i) {
                float at = 0;
                if (!m_gui->reportedCoord(names.at(i), &at) || at != first.at(i))
                    return false;
            }
            return m_contour->driveState() && m_contour->virtualMode();
        },
        3000);
}

QList<DriveSimulator::Command> EditorConsole::commands(int count, int quietMs)
{
    (void)QTest::qWaitFor([&] { return m_sim->commands().size() >= count; }, 4000);
    QTest::qWait(quietMs);
    const QList<DriveSimulator::Command> list = m_sim->commands();
    m_sim->clearCommands();
    return list;
}

QStringList EditorConsole::commandTexts(int count, int quietMs)
{
    QStringList out;
    for (const DriveSimulator::Command& command : commands(count, quietMs))
        out << command.text;
    return out;
}

bool EditorConsole::pressStart()
{
    m_contour->pbGcode->click();
    return QTest::qWaitFor([this] { return !m_contour->generating(); }, 20000);
}

bool EditorConsole::channel1Idle()
{
    return QTest::qWaitFor([this] { return m_contour->channelState(1) == 1 || m_contour->channelState(1) == 2; },
                           3000);
}

void EditorConsole::stopSimulator()
{
    m_sim.reset();
}

void EditorConsole::closeConsole()
{
    m_contour = nullptr;
    m_gui.reset();
}
