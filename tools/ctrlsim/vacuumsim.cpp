#include "vacuumsim.h"

#include <QRegularExpression>
#include <QtEndian>

#include <cmath>
#include <cstring>

#include "vacuumcommand.h"

namespace {

constexpr double kAtmosphere = 1.0e5;
constexpr double kTmnFullSpeed = 820.0;  // Hz

const QVector<StatusField::Field>& fieldsOf(VacuumSimulator::Controller c)
{
    return c == VacuumSimulator::Kvs ? VacuumStatus::kvsFields() : VacuumStatus::kvkFields();
}

const StatusField::Field* fieldNamed(VacuumSimulator::Controller c, const QString& name)
{
    const QByteArray prefix = "changed" + name.toLatin1() + "(";
    for (const StatusField::Field& field : fieldsOf(c)) {
        if (qstrncmp(field.signal, prefix.constData(), uint(prefix.size())) == 0)
            return &field;
    }
    return nullptr;
}

QVector<VacConstRecord> defaultConstants(VacuumSimulator::Controller c)
{
    struct Entry {
        qint32 id;
        float value;
        const char* name;
    };
    static const Entry kvs[] = {
        {1, 30.0f, "Время разгона насоса NL1, с"},
        {2, 30.0f, "Время разгона насоса NL2, с"},
        {3, 1000.0f, "Давление включения NZ1, Па"},
        {4, 1000.0f, "Давление включения NZ2, Па"},
        {5, 20.0f, "Давление открытия VP1, Па"},
        {6, 40.0f, "Время нагрева ND1, мин"},
        {7, 1.0f, "Минимальный проток ОЖ, л/мин"},
        {8, 35.0f, "Максимальная температура ОЖ, °С"},
    };
    static const Entry kvk[] = {
        {10, 90000.0f, "Давление атмосферы в камере, Па"},
        {11, 50.0f, "Давление включения ТМН, Па"},
        {12, 480.0f, "Время разгона ТМН, с"},
        {13, 900.0f, "Время откачки камеры, с"},
        {14, 120.0f, "Время напуска камеры, с"},
        {15, 820.0f, "Рабочая частота ТМН, Гц"},
    };
    QVector<VacConstRecord> records;
    if (c == VacuumSimulator::Kvs) {
        for (const Entry& e : kvs)
            records.append(VacConsts::make(e.id, e.value, QString::fromUtf8(e.name)));
    } else {
        for (const Entry& e : kvk)
            records.append(VacConsts::make(e.id, e.value, QString::fromUtf8(e.name)));
    }
    return records;
}

void putWords(uchar* packet, int offset, std::initializer_list<qint32> words)
{
    for (qint32 word : words) {
        qToLittleEndian<qint32>(word, packet + offset);
        offset += 4;
    }
}

}  // namespace

VacuumSimulator::VacuumSimulator(QObject* parent) : QObject(parent)
{
    for (const char* name : {"NL1", "NL2", "NZ1", "NZ2", "ND1", "NW2", "VP1", "VP2", "VP3", "VP5", "VP6", "VP7"})
        m_elements.append({name, Kvs});
    for (const char* name : {"VP4", "VP8", "DOOR", "TMN", "VPT", "VE1"})
        m_elements.append({name, Kvk});
    for (int v = 0; v < VolumeCount; ++v)
        m_logPressure[v] = std::log10(kAtmosphere);
    for (bool& valid : m_gaugeValid)
        valid = true;
    for (int i = 0; i < 8; ++i) {
        m_flow[i] = 5.0f;
        m_temperature[i] = 18.0f + float(i);
    }
    m_kvsConsts = defaultConstants(Kvs);
    m_kvkConsts = defaultConstants(Kvk);

    for (Controller c : {Kvs, Kvk}) {
        QObject::connect(&m_tcp[c], &SimTcpEndpoint::frameReceived, this,
                         [this, c](quint16 signature, const QByteArray& payload) { onFrame(c, signature, payload); });
        QObject::connect(&m_tcp[c], &SimTcpEndpoint::connected, this, [this, c] { emit consoleConnectedChanged(c, true); });
        QObject::connect(&m_tcp[c], &SimTcpEndpoint::disconnected, this, [this, c] { emit consoleConnectedChanged(c, false); });
        QObject::connect(&m_udp[c], &SimStatusSender::tick, this, [this, c](QByteArray& bytes) { bytes = statusDatagram(c); });
    }
    m_clock.setInterval(50);
    QObject::connect(&m_clock, &QTimer::timeout, this, [this] {
        const double seconds = m_elapsed.restart() / 1000.0;
        advance(seconds * m_timeScale);
    });
}

VacuumSimulator::~VacuumSimulator() = default;

bool VacuumSimulator::start(quint16 kvsTcpPort, quint16 kvsConsoleUdpPort, quint16 kvkTcpPort, quint16 kvkConsoleUdpPort)
{
    if (!m_tcp[Kvs].listen(kvsTcpPort) || !m_tcp[Kvk].listen(kvkTcpPort))
        return false;
    m_udp[Kvs].setTarget(kvsConsoleUdpPort);
    m_udp[Kvk].setTarget(kvkConsoleUdpPort);
    m_udp[Kvs].start();
    m_udp[Kvk].start();
    m_elapsed.start();
    m_clock.start();
    return true;
}

// ---- elements -------------------------------------------------------------------------------

VacuumSimulator::Element* VacuumSimulator::element(const QString& name)
{
    for (Element& e : m_elements) {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

const VacuumSimulator::Element* VacuumSimulator::element(const QString& name) const
{
    return const_cast<VacuumSimulator*>(this)->element(name);
}

int VacuumSimulator::state(const QString& name) const
{
    const Element* e = element(name);
    return e ? e->state : -1;
}

void VacuumSimulator::setState(const QString& name, int state)
{
    if (Element* e = element(name)) {
        e->state = state;
        e->left = (state == 2 || state == 3) ? m_switchSeconds : 0.0;
    }
}

bool VacuumSimulator::on(const QString& name) const
{
    return state(name) == 1;
}

bool VacuumSimulator::off(const QString& name) const
{
    return state(name) == 0;
}

bool VacuumSimulator::switchElement(const QString& name, bool switchOn)
{
    Element* e = element(name);
    if (!e)
        return false;
    const int done = switchOn ? 1 : 0;
    const int moving = switchOn ? 3 : 2;
    if (e->state == done || e->state == moving)
        return true;
    if (effectiveLockWord(name, switchOn) != 0)
        return false;
    e->state = moving;
    e->left = m_switchSeconds;
    return true;
}

// ---- interlocks -----------------------------------------------------------------------------

quint32 VacuumSimulator::combinedLocks() const
{
    quint32 word = 0;
    if (!off("TMN"))
        word |= 1u << 0;  // VPT may not close while TMN runs
    if (!m_shukPermission)
        word |= 1u << 1;  // VE1 may not open without the beam cabinet's permission
    if (m_accelerationOn)
        word |= 1u << 2;  // VE1 may not close under accelerating voltage
    if (!on("VPT"))
        word |= 1u << 3;  // TMN needs VPT open
    if (pressure(RoughingLine) > 50.0)
        word |= 1u << 4;  // TMN needs fore vacuum
    return word;
}

qint32 VacuumSimulator::lockWord(const QString& name, bool switchOn) const
{
    auto bits = [](std::initializer_list<bool> conditions) {
        qint32 word = 0;
        int bit = 0;
        for (bool condition : conditions)
            word |= qint32(condition) << bit++;
        return word;
    };
    // Opening a valve must not let the higher pressure of a line into the space beyond it.
    auto notEqualized = [this](Volume line, Volume space) {
        return pressure(line) > 20.0 && pressure(line) > 2.0 * pressure(space);
    };
    const quint32 combined = combinedLocks();
    if (name == "VPT")
        return switchOn ? 0 : qint32(combined & 1u);
    if (name == "VE1")
        return qint32(combined & (switchOn ? 2u : 4u));
    if (name == "TMN")
        return switchOn ? qint32(combined & 0x18u) : 0;
    if (switchOn) {
        if (name == "NL1")
            return bits({!off("VP7"), m_flow[0] < 1.0f});
        if (name == "NL2")
            return bits({!off("VP6")});
        if (name == "NZ1")
            return bits({pressure(ForeLine) > 1000.0});
        if (name == "NZ2")
            return bits({pressure(RoughingLine) > 1000.0, m_flow[1] < 1.0f});
        if (name == "ND1")
            return bits({pressure(PumpBody) > 20.0, !on("VP2"), !on("NL1"), m_flow[2] < 1.0f});
        if (name == "VP1")
            return bits({pressure(Chamber) > 20.0, !on("ND1")});
        if (name == "VP2")
            return bits({notEqualized(ForeLine, PumpBody)});
        if (name == "VP3")
            return bits({notEqualized(RoughingLine, Chamber)});
        if (name == "VP5")
            return bits({notEqualized(RoughingLine, Jacket)});
        if (name == "VP6")
            return bits({!off("NL2")});
        if (name == "VP7")
            return bits({!off("NL1")});
        if (name == "VP4" || name == "VP8")
            return bits({m_drivesOn, !off("VP1") || !off("VP3")});
        if (name == "DOOR")
            return bits({pressure(Chamber) < 9.0e4});
        return 0;
    }
    if (name == "NL1")
        return bits({!off("VP2"), !off("NZ1")});
    if (name == "NL2")
        return bits({!off("VP3"), !off("VP5"), !off("NZ2")});
    if (name == "NZ1")
        return bits({!off("VP2")});
    if (name == "NZ2")
        return bits({!off("VP3"), !off("VP5")});
    if (name == "ND1")
        return bits({!off("VP1")});
    if (name == "VP2")
        return bits({!off("ND1")});
    if (name == "DOOR")
        return bits({!m_doorClosed});
    return 0;
}

qint32 VacuumSimulator::effectiveLockWord(const QString& name, bool switchOn) const
{
    const Element* e = element(name);
    if (!e)
        return 0;
    if (name == "VPT" || name == "VE1" || name == "TMN") {
        const QVariant forced = m_forced[Kvk].value("StateLocks");
        if (!forced.isValid())
            return lockWord(name, switchOn);
        const quint32 w = forced.toUInt();
        if (name == "VPT")
            return switchOn ? 0 : qint32(w & 1u);
        if (name == "VE1")
            return qint32(w & (switchOn ? 2u : 4u));
        return switchOn ? qint32(w & 0x18u) : 0;
    }
    const QString field = (name == "DOOR" ? QStringLiteral("Door") : name) + (switchOn ? "LockOn" : "LockOff");
    const QVariant forced = m_forced[e->controller].value(field);
    return forced.isValid() ? forced.toInt() : lockWord(name, switchOn);
}

bool VacuumSimulator::force(Controller c, const QString& field, const QVariant& value)
{
    if (!fieldNamed(c, field))
        return false;
    m_forced[c].insert(field, value);
    return true;
}

void VacuumSimulator::release(Controller c, const QString& field)
{
    m_forced[c].remove(field);
}

void VacuumSimulator::releaseAll()
{
    m_forced[Kvs].clear();
    m_forced[Kvk].clear();
}

// ---- commands -------------------------------------------------------------------------------

bool VacuumSimulator::apply(Controller c, const QString& command)
{
    if (command == VacuumCommand::constsRequest())
        return sendConstants(c);
    if (command.startsWith("SET(") && command.endsWith(')'))
        return setConstant(c, command.mid(4, command.size() - 5));
    if (c == Kvk) {
        static const QRegularExpression algorithm("^ALG\\(([0-6])\\)$");
        const QRegularExpressionMatch match = algorithm.match(command);
        if (match.hasMatch()) {
            startAlgorithm(match.captured(1).toUInt());
            return true;
        }
    }
    for (const Element& e : m_elements) {
        if (e.controller != c)
            continue;
        const VacuumCommand::ElementCommands texts = VacuumCommand::forElement(e.name);
        if (command == texts.on)
            return switchElement(e.name, true);
        if (command == texts.off)
            return switchElement(e.name, false);
    }
    return false;
}

bool VacuumSimulator::setConstant(Controller c, const QString& argument)
{
    const QString prefix = VacuumCommand::constIdentifier(c == Kvs ? VacuumCommand::Controller::VacuumSystem
                                                                   : VacuumCommand::Controller::VacuumDoor, 0)
                               .chopped(1);
    if (!argument.startsWith(prefix))
        return false;
    const QStringList parts = argument.mid(prefix.size()).split(',');
    bool idOk = false;
    bool valueOk = false;
    const qint32 id = parts.value(0).toInt(&idOk);
    const float value = parts.value(1).toFloat(&valueOk);
    if (parts.size() != 2 || !idOk || !valueOk)
        return false;
    for (VacConstRecord& record : constants(c)) {
        if (record.id == id) {
            record.value = value;
            return true;
        }
    }
    return false;
}

bool VacuumSimulator::sendConstants(Controller c)
{
    return sendFrame(c, c == Kvs ? kKvsConstsSignature : kKvkConstsSignature, VacConsts::encode(constants(c)));
}

bool VacuumSimulator::sendText(Controller c, const QString& text)
{
    return sendFrame(c, kVacuumTextSignature, text.toUtf8());
}

QStringList VacuumSimulator::commandTexts(Controller c) const
{
    QStringList texts;
    for (const Command& command : m_commands[c])
        texts << command.text;
    return texts;
}

void VacuumSimulator::clearCommands()
{
    m_commands[Kvs].clear();
    m_commands[Kvk].clear();
}

void VacuumSimulator::onFrame(Controller c, quint16 signature, const QByteArray& payload)
{
    if (signature != kVacuumTextSignature)
        return;
    const QString text = QString::fromUtf8(payload);
    m_commands[c].append({text, QDateTime::currentDateTime()});
    emit commandReceived(c, text);
    apply(c, text);
}

// ---- algorithms -----------------------------------------------------------------------------

VacuumSimulator::Step VacuumSimulator::switchStep(Controller c, const QString& name, bool switchOn) const
{
    const VacuumCommand::ElementCommands texts = VacuumCommand::forElement(name);
    const int goal = switchOn ? 1 : 0;
    return {c, switchOn ? texts.on : texts.off, [this, name, goal] { return state(name) == goal; }, m_switchSeconds + 5.0};
}

QList<VacuumSimulator::Step> VacuumSimulator::algorithmSteps(quint32 number) const
{
    auto below = [this](Volume v, double pa) { return [this, v, pa] { return pressure(v) < pa; }; };
    auto above = [this](Volume v, double pa) { return [this, v, pa] { return pressure(v) > pa; }; };
    switch (number) {
    case 2:  // preparation: the diffusion pump and its fore pumps
        return {switchStep(Kvs, "VP7", false), switchStep(Kvs, "NL1", true), {Kvs, "", below(ForeLine, 1000.0), 120.0},
                switchStep(Kvs, "NZ1", true), switchStep(Kvs, "VP2", true), {Kvs, "", below(PumpBody, 20.0), 300.0},
                switchStep(Kvs, "ND1", true), switchStep(Kvs, "VP6", false), switchStep(Kvs, "NL2", true)};
    case 3:  // fore-vacuum pumping of the chamber
        return {switchStep(Kvk, "VP4", false), switchStep(Kvk, "DOOR", false), switchStep(Kvs, "VP6", false),
                switchStep(Kvs, "NL2", true), switchStep(Kvs, "VP3", true), {Kvs, "", below(Chamber, 1000.0), 300.0},
                switchStep(Kvs, "NZ2", true), {Kvs, "", below(Chamber, 10.0), 300.0}};
    case 4:  // chamber pumping through the diffusion pump
        return {switchStep(Kvs, "VP3", false), switchStep(Kvs, "VP1", true), {Kvs, "", below(Chamber, 0.05), 300.0}};
    case 5:  // chamber venting
        return {switchStep(Kvs, "VP1", false), switchStep(Kvs, "VP3", false), switchStep(Kvk, "VP4", true),
                {Kvk, "", above(Chamber, 9.0e4), 300.0}, switchStep(Kvk, "DOOR", true)};
    case 6:  // shutdown
        return {switchStep(Kvs, "VP1", false), switchStep(Kvs, "VP3", false), switchStep(Kvs, "VP5", false),
                switchStep(Kvs, "ND1", false), switchStep(Kvs, "VP2", false), switchStep(Kvs, "NZ1", false),
                switchStep(Kvs, "NZ2", false), switchStep(Kvs, "NL1", false), switchStep(Kvs, "NL2", false)};
    default:
        return {};
    }
}

void VacuumSimulator::startAlgorithm(quint32 number)
{
    m_algNumber = number;
    m_algSeconds = 0.0;
    m_algSteps = algorithmSteps(number);
    m_algRun = number >= 2 ? 1 : 0;
    m_stepStarted = false;
}

void VacuumSimulator::advanceAlgorithm(double seconds)
{
    if (m_algRun != 1)
        return;
    m_algSeconds += seconds;
    while (!m_algSteps.isEmpty()) {
        const Step& step = m_algSteps.first();
        if (!m_stepStarted) {
            if (!step.command.isEmpty() && !apply(step.controller, step.command))
                break;  // refused: emergency end below
            m_stepStarted = true;
            m_stepSeconds = 0.0;
        }
        if (step.done()) {
            m_algSteps.removeFirst();
            m_stepStarted = false;
            continue;
        }
        m_stepSeconds += seconds;
        if (m_stepSeconds <= step.timeout)
            return;
        break;  // did not reach its goal in time
    }
    if (m_algSteps.isEmpty()) {
        m_algRun = 2;
        return;
    }
    m_algSteps.clear();
    m_stepStarted = false;
    m_algNumber = 0xFFFFFFFFu;
    m_algRun = 0;
}

// ---- the plant ------------------------------------------------------------------------------

double VacuumSimulator::pressure(Volume v) const
{
    return std::pow(10.0, m_logPressure[v]);
}

void VacuumSimulator::setPressure(Volume v, double pa)
{
    m_logPressure[v] = std::log10(qMax(pa, 1e-9));
}

void VacuumSimulator::setGaugeValid(int gauge, bool valid)
{
    if (gauge >= 1 && gauge <= 6)
        m_gaugeValid[gauge - 1] = valid;
}

void VacuumSimulator::setFlow(int index, float litresPerMinute)
{
    if (index >= 1 && index <= 8)
        m_flow[index - 1] = litresPerMinute;
}

void VacuumSimulator::setTemperature(int index, float celsius)
{
    if (index >= 1 && index <= 8)
        m_temperature[index - 1] = celsius;
}

void VacuumSimulator::advancePressures(double seconds)
{
    auto relax = [this, seconds](Volume v, double targetPa, double tau) {
        m_logPressure[v] += (std::log10(targetPa) - m_logPressure[v]) * (1.0 - std::exp(-seconds / tau));
    };
    // Two spaces joined by an open valve approach each other.
    auto join = [this, seconds](Volume a, Volume b, double tau) {
        const double step = (m_logPressure[b] - m_logPressure[a]) * 0.5 * (1.0 - std::exp(-seconds / tau));
        m_logPressure[a] += step;
        m_logPressure[b] -= step;
    };
    constexpr double leak = 1800.0;

    if (!off("VP7"))
        relax(ForeLine, kAtmosphere, 2.0);
    else if (on("NL1") && on("NZ1"))
        relax(ForeLine, 0.05, 2.0);
    else if (on("NL1"))
        relax(ForeLine, 2.0, 5.0);
    else
        relax(ForeLine, kAtmosphere, leak);

    if (!off("VP6"))
        relax(RoughingLine, kAtmosphere, 2.0);
    else if (on("NL2") && on("NZ2"))
        relax(RoughingLine, 0.05, 2.0);
    else if (on("NL2"))
        relax(RoughingLine, 2.0, 5.0);
    else
        relax(RoughingLine, kAtmosphere, leak);

    if (on("VP2"))
        join(ForeLine, PumpBody, 1.0);
    if (on("ND1") && on("VP2") && pressure(ForeLine) < 20.0)
        relax(PumpBody, 1e-3, 3.0);
    else if (!on("VP2"))
        relax(PumpBody, kAtmosphere, 4 * leak);

    if (on("VP5"))
        join(RoughingLine, Jacket, 3.0);
    if (on("VP8"))
        relax(Jacket, kAtmosphere, 3.0);
    else if (!on("VP5"))
        relax(Jacket, kAtmosphere, leak);

    if (on("VP3"))
        join(RoughingLine, Chamber, 3.0);
    if (on("VP4") || !off("DOOR"))
        relax(Chamber, kAtmosphere, 3.0);
    else if (on("VP1") && on("ND1"))
        relax(Chamber, 5e-3, 8.0);
    else if (!on("VP3"))
        relax(Chamber, kAtmosphere, leak);

    if (on("VE1"))
        join(Chamber, Gun, 2.0);
    else if (m_tmnFrequency >= 0.9 * kTmnFullSpeed)
        relax(Gun, 5e-4, 5.0);
    else
        relax(Gun, kAtmosphere, 2 * leak);
}

void VacuumSimulator::advance(double seconds)
{
    if (seconds <= 0.0)
        return;
    for (Element& e : m_elements) {
        if (e.state != 2 && e.state != 3)
            continue;
        e.left -= seconds;
        if (e.left <= 0.0) {
            e.state = e.state == 3 ? 1 : 0;
            e.left = 0.0;
        }
    }
    const bool tmnRunning = state("TMN") == 1 || state("TMN") == 3;
    m_tmnFrequency = float(qBound(0.0, m_tmnFrequency + (tmnRunning ? 100.0 : -60.0) * seconds, kTmnFullSpeed));
    const bool ndHeating = state("ND1") == 1 || state("ND1") == 3;
    const float heat = float(1.0 - std::exp(-seconds / 20.0));
    m_ndBodyTemp += ((ndHeating ? 220.0f : 20.0f) - m_ndBodyTemp) * heat;
    m_ndOilTemp += ((ndHeating ? 180.0f : 20.0f) - m_ndOilTemp) * heat;
    advancePressures(seconds);
    advanceAlgorithm(seconds);
}

// ---- the datagrams --------------------------------------------------------------------------

KvsStatusPacket VacuumSimulator::kvsStatus() const
{
    KvsStatusPacket p;
    std::memset(&p, 0, sizeof p);
    p.signature = kVacuumTextSignature;
    uchar* bytes = reinterpret_cast<uchar*>(&p);
    // Pumps: State, Power, Thermal, LockOn, LockOff, Error, six words each from NL1State.
    int at = int(offsetof(KvsStatusPacket, NL1State));
    for (const char* name : {"NL1", "NL2", "NZ1", "NZ2", "ND1", "NW2"}) {
        const int s = state(name);
        putWords(bytes, at, {s, (s == 1 || s == 3) ? 1 : 0, 0, lockWord(name, true), lockWord(name, false), 0});
        at += 6 * 4;
    }
    // Valves: State, Opened, Closed, LockOn, LockOff, five words each from VP1State.
    at = int(offsetof(KvsStatusPacket, VP1State));
    for (const char* name : {"VP1", "VP2", "VP3", "VP5", "VP6", "VP7"}) {
        const int s = state(name);
        putWords(bytes, at, {s, s == 1 ? 1 : 0, s == 0 ? 1 : 0, lockWord(name, true), lockWord(name, false)});
        at += 5 * 4;
    }
    p.PT1Valid = m_gaugeValid[0];
    p.PT2Valid = m_gaugeValid[1];
    p.PT3Valid = m_gaugeValid[2];
    p.PowerPT = p.Power380V = p.Power110V = p.Power24V = p.PowerFan = 1;
    p.PowerSHUK = p.PowerKVK = 1;
    p.DoorClosed = m_doorClosed;
    p.PT1 = pressure(PumpBody);
    p.PT2 = pressure(ForeLine);
    p.PT3 = pressure(RoughingLine);
    p.TempCorpND = m_ndBodyTemp;
    p.TempOilND = m_ndOilTemp;
    std::memcpy(bytes + offsetof(KvsStatusPacket, Temp1), m_temperature, sizeof m_temperature);
    std::memcpy(bytes + offsetof(KvsStatusPacket, Disch1), m_flow, sizeof m_flow);
    applyForced(Kvs, bytes);
    return p;
}

KvkStatusPacket VacuumSimulator::kvkStatus() const
{
    KvkStatusPacket p;
    std::memset(&p, 0, sizeof p);
    p.signature = kVacuumTextSignature;
    uchar* bytes = reinterpret_cast<uchar*>(&p);
    // VP4, VP8 and the door: State, Opened (released), Closed (pressed), LockOn, LockOff.
    int at = int(offsetof(KvkStatusPacket, VP4State));
    for (const char* name : {"VP4", "VP8", "DOOR"}) {
        const int s = state(name);
        putWords(bytes, at, {s, s == 1 ? 1 : 0, s == 0 ? 1 : 0, lockWord(name, true), lockWord(name, false)});
        at += 5 * 4;
    }
    p.PT4 = pressure(Chamber);
    p.PT5 = pressure(Chamber);
    p.PT4Valid = m_gaugeValid[3];
    p.PT5Valid = m_gaugeValid[4];
    p.PressureOK = pressure(Chamber) < 10.0;
    p.NP1Power = 1;
    p.NW1Power = 1;
    p.DrivesLock = m_drivesOn;
    p.AlgNumber = m_algNumber;
    p.AlgTime = quint32(m_algSeconds);
    p.AlgRun = m_algRun;
    p.BKUValid = m_gaugeValid[5] ? 1 : 0;
    p.StateVPT = state("VPT");
    p.StateVE = state("VE1");
    p.StateTMN = state("TMN");
    p.StateACC = m_accelerationOn ? 1 : 0;
    p.StateLocks = combinedLocks();
    p.PT6 = float(pressure(Gun));
    p.TMNFreq = m_tmnFrequency;
    applyForced(Kvk, bytes);
    return p;
}

void VacuumSimulator::applyForced(Controller c, uchar* packet) const
{
    for (auto it = m_forced[c].constBegin(); it != m_forced[c].constEnd(); ++it) {
        const StatusField::Field* field = fieldNamed(c, it.key());
        if (!field)
            continue;
        uchar* at = packet + field->offset;
        switch (field->kind) {
        case StatusField::Kind::Int32:
            qToLittleEndian<qint32>(it.value().toInt(), at);
            break;
        case StatusField::Kind::UInt32:
            qToLittleEndian<quint32>(it.value().toUInt(), at);
            break;
        case StatusField::Kind::Flag:
            *at = uchar(it.value().toUInt());
            break;
        case StatusField::Kind::Float:
            qToLittleEndian<float>(it.value().toFloat(), at);
            break;
        case StatusField::Kind::Double:
            qToLittleEndian<double>(it.value().toDouble(), at);
            break;
        }
    }
}

QByteArray VacuumSimulator::statusDatagram(Controller c) const
{
    return c == Kvs ? VacuumStatus::encode(kvsStatus()) : VacuumStatus::encode(kvkStatus());
}

void VacuumSimulator::setRate(int datagramsPerSecond)
{
    m_udp[Kvs].setRate(datagramsPerSecond);
    m_udp[Kvk].setRate(datagramsPerSecond);
}
