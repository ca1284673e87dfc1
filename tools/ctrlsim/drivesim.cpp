#include "drivesim.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "fixedpaths.h"

namespace {

constexpr qint32 StateOff = 0xA0013;     // ready for power
constexpr qint32 StateOn = 0xA0102;      // positioning
constexpr qint32 StateParked = 0xC1600;  // parked
// Channel states and modes as the console reads them.
constexpr quint32 ChannelIdle = 1;
constexpr quint32 ChannelReady = 2;
constexpr quint32 ChannelRunning = 3;
constexpr quint32 ChannelError = 6;
constexpr quint32 ChannelReset = 8;
constexpr quint32 ChannelLoading = 9;
constexpr quint32 ModeManual = 1;
constexpr quint32 ModeAutomatic = 5;
constexpr double LoadingSeconds = 0.3;
constexpr double DoneSeconds = 1.0;
constexpr double ResetSeconds = 0.3;
constexpr double VirtualSwitchSeconds = 0.5;
constexpr double MessageSeconds = 1.0;
// The programs advance in steps of at most this, so that an event one channel sets is seen by
// the others within the step.
constexpr double ProgramStepSeconds = 0.02;
// A timed phase that has this little left is over (the steps do not add up exactly).
constexpr double PhaseEpsilon = 1e-9;
// The largest program file the controller reads.
constexpr qint64 MaxProgramBytes = 16 * 1024 * 1024;
constexpr quint32 VirtualOff = 0;
constexpr quint32 VirtualSwitching = 1;
constexpr quint32 VirtualReady = 2;
// The controller's message "cannot start a program: the drives are not on".
constexpr quint32 MessageDrivesNotOn = 111;
constexpr quint32 LightSpiralBit = 1u << 2;

// Position index of an axis name in commands ("LX" is the first drive).
int axisIndex(const QString& name)
{
    static const char* const names[DriveStatusPacket::AxisCount] = {
        "LX", "LX2", "LY", "A", "B", "C", "D", "U1", "U2", "V", "X", "Z", "PHI"};
    if (name == QLatin1String("LX1"))
        return DriveStatusPacket::LX1;
    for (int i = 0; i < DriveStatusPacket::AxisCount; ++i) {
        if (name == QLatin1String(names[i]))
            return i;
    }
    return -1;
}

// The limit slot of an axis: the pairs LX1/LX2 and U1/U2 share one.
int limitIndex(int axis)
{
    static const int limits[DriveStatusPacket::AxisCount] = {
        DriveStatusPacket::LimLX, DriveStatusPacket::LimLX, DriveStatusPacket::LimLY,
        DriveStatusPacket::LimA, DriveStatusPacket::LimB, DriveStatusPacket::LimC,
        DriveStatusPacket::LimD, DriveStatusPacket::LimU, DriveStatusPacket::LimU,
        DriveStatusPacket::LimV, DriveStatusPacket::LimX, DriveStatusPacket::LimZ,
        DriveStatusPacket::LimPHI};
    return limits[axis];
}

// The axes that a handwheel group moves.
QList<int> groupAxes(const QString& group)
{
    if (group == QLatin1String("LX"))
        return {DriveStatusPacket::LX1, DriveStatusPacket::LX2};
    if (group == QLatin1String("U"))
        return {DriveStatusPacket::U1, DriveStatusPacket::U2};
    const int axis = axisIndex(group);
    return axis >= 0 && axis < DriveStatusPacket::DriveCount ? QList<int>{axis} : QList<int>{};
}

}  // namespace

DriveSimulator::DriveSimulator(QObject* parent) : QObject(parent), m_status(DriveStatus::blank())
{
    for (int i = 0; i < 3; ++i) {
        m_status.channelState[i] = ChannelIdle;
        m_status.channelMode[i] = ModeManual;
    }
    for (int i = 0; i < DriveStatusPacket::DriveCount; ++i)
        m_status.driveState[i] = StateOff;
    for (int i = 0; i < DriveStatusPacket::LimitCount; ++i) {
        m_status.minLimit[i] = -1000.0f;
        m_status.maxLimit[i] = 1000.0f;
    }
    m_status.drivePowerState = 0x7FF;
    m_status.keyAccess = 1;
    m_status.spiralPower = 1;
    m_status.drivesPower = 1;

    QObject::connect(&m_tcp, &SimTcpEndpoint::frameReceived, this, [this](quint16 signature, const QByteArray& payload) {
        if (signature != DriveStatusPacket::Signature)
            return;
        const int end = payload.indexOf('\0');
        const QString text = QString::fromUtf8(payload.constData(), end < 0 ? payload.size() : end);
        m_commands.append({text, QDateTime::currentDateTime()});
        apply(text);
        emit commandReceived(text);
    });
    QObject::connect(&m_tcp, &SimTcpEndpoint::connected, this, [this] { emit consoleConnectedChanged(true); });
    QObject::connect(&m_tcp, &SimTcpEndpoint::disconnected, this, [this] { emit consoleConnectedChanged(false); });
    QObject::connect(&m_udp, &SimStatusSender::tick, this, [this](QByteArray& bytes) {
        const double seconds = m_clock.isValid() ? m_clock.restart() / 1000.0 : 0.0;
        if (!m_clock.isValid())
            m_clock.start();
        advance(seconds);
        bytes = DriveStatus::encode(m_status);
    });
}

DriveSimulator::~DriveSimulator() = default;

bool DriveSimulator::start(quint16 tcpPort, quint16 consoleUdpPort)
{
    if (!m_tcp.listen(tcpPort))
        return false;
    m_udp.setTarget(consoleUdpPort);
    m_udp.start();
    return true;
}

QStringList DriveSimulator::commandTexts() const
{
    QStringList texts;
    for (const Command& command : m_commands)
        texts << command.text;
    return texts;
}

qint32 DriveSimulator::poweredState() const
{
    return m_status.drivesOn ? StateOn : StateOff;
}

void DriveSimulator::stopAllMotion()
{
    for (Jog& jog : m_jog)
        jog.speed = 0.0;
    // A program cut off by the loss of drive power leaves its channel in error.
    for (int c = 0; c < 3; ++c) {
        if (m_channel[c].phase == Phase::Loading || m_channel[c].phase == Phase::Running) {
            enter(c, Phase::Failed);
            emit channelReport(c + 1, QStringLiteral("the drives went off: channel error"));
        }
    }
    updateMoving();
}

void DriveSimulator::enter(int channel, Phase phase)
{
    static const struct {
        quint32 state;
        quint32 mode;
        double seconds;
    } looks[] = {
        {ChannelIdle, ModeManual, 0.0},          // Still
        {ChannelLoading, ModeAutomatic, LoadingSeconds},
        {ChannelRunning, ModeAutomatic, 0.0},    // programSeconds()
        {ChannelReady, ModeManual, DoneSeconds},
        {ChannelReset, ModeManual, ResetSeconds},
        {ChannelError, ModeManual, 0.0},         // until reset
    };
    const auto& look = looks[int(phase)];
    Channel& ch = m_channel[channel];
    ch.phase = phase;
    // A fixed run is timed; a program runs until it ends.
    ch.left = phase == Phase::Running ? (ch.run ? 0.0 : m_programSeconds) : look.seconds;
    if (phase != Phase::Loading && phase != Phase::Running)
        ch.run.reset();
    m_status.channelState[channel] = look.state;
    m_status.channelMode[channel] = look.mode;
}

void DriveSimulator::advanceChannel(int channel, double seconds)
{
    Channel& ch = m_channel[channel];
    if (ch.phase == Phase::Running && ch.run) {
        ch.run->advance(seconds * m_programScale, *this);
        if (ch.run->failed()) {
            emit channelReport(channel + 1, QStringLiteral("channel error: ") + ch.run->error());
            enter(channel, Phase::Failed);
        } else if (ch.run->ended()) {
            emit channelReport(channel + 1, QStringLiteral("program ended"));
            enter(channel, Phase::Done);
        }
        return;
    }
    while (seconds > 0.0 && ch.left > 0.0) {
        const double step = qMin(seconds, ch.left);
        seconds -= step;
        ch.left -= step;
        if (ch.left > PhaseEpsilon)
            break;
        ch.left = 0.0;
        switch (ch.phase) {
        case Phase::Loading:
            if (!ch.run && m_programSeconds <= 0.0) {
                emit channelReport(channel + 1, QStringLiteral("channel error: ") + ch.failure);
                enter(channel, Phase::Failed);
                return;
            }
            enter(channel, Phase::Running);
            if (ch.run) {
                advanceChannel(channel, seconds);  // the program takes the rest of the step
                return;
            }
            break;
        case Phase::Running: enter(channel, Phase::Done); break;
        case Phase::Done:
        case Phase::Resetting: enter(channel, Phase::Still); break;
        case Phase::Still:
        case Phase::Failed: break;
        }
        if (m_programSeconds > 0.0)
            return;  // a fixed run: one change of phase a step
    }
}

bool DriveSimulator::programRunning() const
{
    return std::any_of(std::begin(m_channel), std::end(m_channel),
                       [](const Channel& c) { return c.phase == Phase::Running; });
}

void DriveSimulator::updateMoving()
{
    const bool jogging =
        std::any_of(std::begin(m_jog), std::end(m_jog), [](const Jog& jog) { return jog.speed != 0.0; });
    // A program moves axes in its moves only (not while it dwells or waits); a fixed run counts
    // as moving all along.
    const bool programMoving = std::any_of(std::begin(m_channel), std::end(m_channel), [this](const Channel& c) {
        return c.phase == Phase::Running && (c.run ? c.run->moving() : m_programSeconds > 0.0);
    });
    m_status.axisMoving = (jogging || programMoving) ? 1 : 0;
}

void DriveSimulator::moveAxis(int axis, double delta)
{
    const int limit = limitIndex(axis);
    double position = double(m_status.position[axis]) + delta;
    m_status.minFlag[limit] = 0;
    m_status.maxFlag[limit] = 0;
    if (position >= double(m_status.maxLimit[limit])) {
        position = double(m_status.maxLimit[limit]);
        m_status.maxFlag[limit] = 1;
        m_jog[axis].speed = 0.0;
    } else if (position <= double(m_status.minLimit[limit])) {
        position = double(m_status.minLimit[limit]);
        m_status.minFlag[limit] = 1;
        m_jog[axis].speed = 0.0;
    }
    m_status.position[axis] = float(position);
}

void DriveSimulator::advance(double seconds)
{
    if (seconds <= 0.0)
        return;
    for (int axis = 0; axis < DriveStatusPacket::AxisCount; ++axis) {
        if (m_jog[axis].speed != 0.0)
            moveAxis(axis, m_jog[axis].speed / 60.0 * seconds);
    }
    // A fixed run passes a point every half second.
    if (m_programSeconds > 0.0 && programRunning()) {
        m_pointClock += seconds;
        while (m_pointClock >= 0.5) {
            m_pointClock -= 0.5;
            ++m_status.pointNo;
        }
    }
    // A fixed run changes its phase at most once a step: each phase is in the status sent after
    // it, however late the step came (a loaded machine must not hide a whole run).
    const int steps = qMax(1, int(std::ceil(seconds / ProgramStepSeconds)));
    const Phase before[3] = {m_channel[0].phase, m_channel[1].phase, m_channel[2].phase};
    for (int i = 0; i < steps; ++i) {
        for (int c = 0; c < 3; ++c) {
            if (m_programSeconds <= 0.0 || m_channel[c].phase == before[c])
                advanceChannel(c, seconds / steps);
        }
    }
    if (m_virtualLeft > 0.0) {
        m_virtualLeft -= seconds;
        if (m_virtualLeft <= 0.0 && m_status.transOn)
            m_status.virtualState = VirtualReady;
    }
    if (m_messageLeft > 0.0) {
        m_messageLeft -= seconds;
        if (m_messageLeft <= 0.0)
            m_status.message[0] = 0;
    }
    updateMoving();
}

bool DriveSimulator::apply(const QString& command)
{
    static const QRegularExpression call(QStringLiteral("^([A-Z_]+?)(?:_(\\d))?\\((.*)\\)$"));

    auto onOff = [&](const char* keyword, quint8& flag) {
        if (command == QLatin1String(keyword) + QStringLiteral(" ON"))
            flag = 1;
        else if (command == QLatin1String(keyword) + QStringLiteral(" OFF"))
            flag = 0;
        else
            return false;
        return true;
    };

    if (onOff("DRIVE", m_status.drivesOn)) {
        if (!m_status.drivesOn)
            stopAllMotion();
        for (int i = 0; i < DriveStatusPacket::DriveCount; ++i) {
            if (m_status.driveState[i] != StateParked)
                m_status.driveState[i] = poweredState();
        }
        return true;
    }
    if (onOff("TRANS", m_status.transOn)) {
        m_status.virtualState = m_status.transOn ? VirtualSwitching : VirtualOff;
        m_virtualLeft = m_status.transOn ? VirtualSwitchSeconds : 0.0;
        return true;
    }
    quint8 light = (m_status.lightState & LightSpiralBit) ? 1 : 0;
    if (onOff("SPIRAL", light)) {
        m_status.lightState = light ? (m_status.lightState | LightSpiralBit) : (m_status.lightState & ~LightSpiralBit);
        return true;
    }
    if (onOff("PULT", m_status.pultOn))
        return true;
    if (command == QLatin1String("STOP_PRG")) {
        for (Jog& jog : m_jog)
            jog.speed = 0.0;
        m_events.clear();
        for (int c = 0; c < 3; ++c) {
            if (m_channel[c].phase != Phase::Still)
                enter(c, Phase::Resetting);
        }
        updateMoving();
        return true;
    }
    if (command == QLatin1String("ZOOMMER")) {
        ++m_buzzer;
        return true;
    }

    const QRegularExpressionMatch match = call.match(command);
    if (!match.hasMatch())
        return false;
    const QString keyword = match.captured(1);
    const QStringList args = match.captured(3).split(QLatin1Char(','));
    const int axis = axisIndex(args.value(0));

    if (keyword == QLatin1String("EXEC") && !match.captured(2).isEmpty()) {
        const int channel = match.captured(2).toInt();
        if (channel < 1 || channel > 3 || !args.value(0).startsWith(QLatin1String("/programs/")))
            return false;
        if (!m_status.drivesOn) {
            m_status.message[0] = MessageDrivesNotOn;
            m_messageLeft = MessageSeconds;
            return true;
        }
        execute(channel, args.value(0));
        return true;
    }
    if (keyword == QLatin1String("HANDWHEEL") && args.size() == 1) {
        bool ok = false;
        const int steps = args[0].toInt(&ok);
        if (ok && m_status.pultOn)
            moveAxis(DriveStatusPacket::X, steps / 1000.0);
        return ok;
    }
    if (keyword == QLatin1String("LIR") && args.size() == 3) {
        bool ok = false;
        const qint64 steps = args[1].toLongLong(&ok);
        const QList<int> axes = groupAxes(args[0]);
        if (!ok || axes.isEmpty())
            return false;
        for (int a : axes)
            moveAxis(a, double(steps) / 1000.0);
        return true;
    }
    if (axis < 0)
        return false;
    const bool drive = axis < DriveStatusPacket::DriveCount;

    if (keyword == QLatin1String("MOVE") && args.size() == 2) {
        bool ok = false;
        const double speed = args[1].toDouble(&ok);
        if (!ok)
            return false;
        const bool parked = drive && m_status.driveState[axis] == StateParked;
        m_jog[axis].speed = (m_status.drivesOn && !parked) ? speed : 0.0;
        updateMoving();
        return true;
    }
    if ((keyword == QLatin1String("LIMIT_MIN") || keyword == QLatin1String("LIMIT_MAX")) && args.size() == 2) {
        bool ok = false;
        const float value = args[1].toFloat(&ok);
        if (!ok)
            return false;
        (keyword == QLatin1String("LIMIT_MIN") ? m_status.minLimit : m_status.maxLimit)[limitIndex(axis)] = value;
        return true;
    }
    if (keyword == QLatin1String("REFERENCE") && args.size() == 2) {
        bool ok = false;
        const qint64 n = args[1].toLongLong(&ok);
        if (!ok)
            return false;
        m_status.position[axis] = float(double(n) / 10000.0);
        return true;
    }
    if (!drive || args.size() != 1)
        return false;
    if (keyword == QLatin1String("PARK") || keyword == QLatin1String("DEPARK")) {
        const bool park = keyword == QLatin1String("PARK");
        m_status.driveState[axis] = park ? StateParked : poweredState();
        if (park)
            m_jog[axis].speed = 0.0;
        updateMoving();
        return true;
    }
    if (keyword == QLatin1String("CLEAR_ERROR")) {
        const int cls = (m_status.driveState[axis] >> 16) & 0xF;
        if (cls == 0xE || cls == 0xF)
            m_status.driveState[axis] = poweredState();
        return true;
    }
    return false;
}

// ---- programs -------------------------------------------------------------------------------

void DriveSimulator::execute(int channel, const QString& path)
{
    Channel& ch = m_channel[channel - 1];
    if (ch.phase == Phase::Loading || ch.phase == Phase::Running) {
        emit channelReport(channel, QStringLiteral("refused %1: the channel runs a program").arg(path));
        return;
    }
    ch.run.reset();
    ch.failure.clear();
    if (m_programSeconds <= 0.0) {
        // The installation's path, where the console writes it; nothing outside "/programs/".
        const QString clean = QDir::cleanPath(path);
        QFile file(FixedPaths::local(clean));
        NcProgram program;
        if (!clean.startsWith(QLatin1String(FixedPaths::kProgramDir)))
            ch.failure = QStringLiteral("%1 is not a program of %2").arg(path, QLatin1String(FixedPaths::kProgramDir));
        else if (!file.open(QIODevice::ReadOnly))
            ch.failure = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        else if (file.size() > MaxProgramBytes)
            ch.failure = QStringLiteral("%1 is too large").arg(path);
        else if (NcProgram::parse(QString::fromUtf8(file.readAll()), &program, &ch.failure)) {
            // The run is bounded: the programs that run together go faster by one factor.
            const double implied = NcRun::impliedSeconds(program, *this, 4 * program.blocks.size() + 1000);
            const double needed =
                m_maxRunSeconds > 0.0 && implied > m_maxRunSeconds ? implied / m_maxRunSeconds : 1.0;
            const bool others = std::any_of(std::begin(m_channel), std::end(m_channel), [](const Channel& c) {
                return c.phase == Phase::Loading || c.phase == Phase::Running;
            });
            m_programScale = others ? qMax(m_programScale, needed) : needed;
            ch.run = std::make_unique<NcRun>(std::move(program));
            emit channelReport(channel,
                               QStringLiteral("runs %1 (%2 s)").arg(path).arg(implied / m_programScale, 0, 'f', 1));
        }
        if (!ch.failure.isEmpty())
            ch.failure = path + QStringLiteral(": ") + ch.failure;
    }
    enter(channel - 1, Phase::Loading);
    updateMoving();
}

double DriveSimulator::position(int axis) const
{
    return axis < DriveStatusPacket::AxisCount ? double(m_status.position[axis]) : m_beam[axis - BeamCurrent];
}

void DriveSimulator::setPosition(int axis, double value)
{
    if (axis < DriveStatusPacket::AxisCount)
        m_status.position[axis] = float(value);
    else
        m_beam[axis - BeamCurrent] = value;
}

void DriveSimulator::setEvent(int event, bool set)
{
    if (set)
        m_events.insert(event);
    else
        m_events.remove(event);
}

void DriveSimulator::setVariable(const QString& name, const QString& value)
{
    // "@1" is the contour point at which the manipulator stands; the others (the beam sweep,
    // "@AXISMOVING?") change nothing the status shows.
    bool ok = false;
    const uint point = value.toUInt(&ok);
    if (name == QLatin1String("1") && ok)
        m_status.pointNo = point;
}
