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

#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// The simulated controller runs on the console's GUI thread, which a long piece of the console's
// work (in a sanitizer build on a loaded machine, over a second) holds: its status stream would
// fall silent and the console give up the link, which a controller on a machine of its own never
// makes it do. While the GUI thread is held with the stream running, a thread of its own repeats
// the stream's latest datagram, which changes nothing in the console. A stream the test paused
// stays silent.
class StatusRelay : public QObject
{
public:
    explicit StatusRelay(DriveSimulator& sim)
    {
        // Runs before the simulator sends the datagram it filled in: what this repeats is never
        // older than what the console has had from the stream.
        QObject::connect(&sim.statusSender(), &SimStatusSender::tick, this, [this](QByteArray& bytes) {
            std::lock_guard<std::mutex> lock(m_lock);
            m_latest = bytes;
            m_sentAt = Clock::now();
        }, Qt::DirectConnection);
        QObject::connect(&m_beat, &QTimer::timeout, this, [this, &sim] {
            std::lock_guard<std::mutex> lock(m_lock);
            m_beatAt = Clock::now();
            m_streaming = sim.streaming();
            m_port = sim.statusSender().target();
        });
        m_beat.start(50);
        m_beatAt = m_sentAt = Clock::now();
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        m_thread = std::thread([this] { run(); });
    }
    ~StatusRelay() override
    {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kHeld{300};

    void run()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_stop; })) {
            const Clock::time_point now = Clock::now();
            if (!m_streaming || m_port == 0 || m_latest.isEmpty() || m_fd < 0 || now - m_beatAt < kHeld
                || now - m_sentAt < kHeld)
                continue;
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_port = htons(m_port);
            to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            ::sendto(m_fd, m_latest.constData(), size_t(m_latest.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                     sizeof to);
        }
    }

    QTimer m_beat;  // shows that the GUI thread turns
    std::mutex m_lock;
    std::condition_variable m_wake;
    QByteArray m_latest;
    Clock::time_point m_sentAt;
    Clock::time_point m_beatAt;
    bool m_streaming = false;
    quint16 m_port = 0;
    bool m_stop = false;
    int m_fd = -1;
    std::thread m_thread;
};

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
    m_relay.reset();
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
    m_relay = std::make_unique<StatusRelay>(*m_sim);
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
    m_relay.reset();
    m_sim.reset();
}

void EditorConsole::closeConsole()
{
    m_contour = nullptr;
    m_gui.reset();
}
