#include "ncprogram.h"


#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

constexpr double kPi = 3.14159265358979323846;
// Lines a run reads in one call at most: a program that jumps back for ever without moving
// goes on at the next call instead of holding the caller.
constexpr int kLinesPerAdvance = 100000;

bool readNumber(const QString& text, double* out)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    *out = value;
    return true;
}

double modulo360(double degrees)
{
    double r = std::fmod(degrees, 360.0);
    if (r < 0.0)
        r += 360.0;
    return r >= 360.0 ? 0.0 : r;
}

// The plane of G17, G18 and G19 by its two axes.
std::pair<int, int> planeAxes(int plane)
{
    switch (plane) {
    case 18: return {DriveStatusPacket::LX1, DriveStatusPacket::Z};
    case 19: return {DriveStatusPacket::LY, DriveStatusPacket::Z};
    default: return {DriveStatusPacket::LX1, DriveStatusPacket::LY};
    }
}

}  // namespace

// ---- reading ------------------------------------------------------------------------------------

QVector<int> NcProgram::axesOf(const QString& address)
{
    using P = DriveStatusPacket;
    static const QHash<QString, QVector<int>> axes{
        {QStringLiteral("x"), {P::LX1, P::LX2}}, {QStringLiteral("LX"), {P::LX1, P::LX2}},
        {QStringLiteral("y"), {P::LY}},          {QStringLiteral("LY"), {P::LY}},
        {QStringLiteral("z"), {P::Z}},           {QStringLiteral("Y"), {P::Z}},
        {QStringLiteral("X"), {P::X}},           {QStringLiteral("PHI"), {P::PHI}},
        {QStringLiteral("A"), {P::A}},           {QStringLiteral("B"), {P::B}},
        {QStringLiteral("C"), {P::C}},           {QStringLiteral("D"), {P::D}},
        {QStringLiteral("U1"), {P::U1, P::U2}},  {QStringLiteral("V"), {P::V}},
        {QStringLiteral("IR"), {NcMachine::BeamCurrent}},
        {QStringLiteral("IW"), {NcMachine::FocusCurrent}}};
    return axes.value(address);
}

namespace {

bool allDigits(QStringView text, int most)
{
    if (text.isEmpty() || text.size() > most)
        return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// "N" and a frame number.
bool frameNumber(const QString& word, int* number)
{
    if (!word.startsWith(QLatin1Char('N')) || !allDigits(QStringView(word).mid(1), 9))
        return false;
    *number = word.midRef(1).toInt();
    return true;
}

}  // namespace

bool NcProgram::parse(const QString& text, NcProgram* out, QString* error)
{
    NcProgram program;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        NcBlock block;
        block.line = i + 1;
        auto refuse = [&](const QString& why) {
            *error = QStringLiteral("line %1: %2").arg(block.line).arg(why);
            return false;
        };
        const QString& line = lines.at(i);
        const int comment = line.indexOf(QLatin1Char(';'));
        QStringList words = (comment < 0 ? line : line.left(comment)).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;

        // A controller variable: its own running number, then "@name=value".
        if (words.size() == 2 && allDigits(words.at(0), 9) && words.at(1).startsWith(QLatin1Char('@'))) {
            const int equals = words.at(1).indexOf(QLatin1Char('='));
            if (equals > 1) {
                block.variable = words.at(1).mid(1, equals - 1);
                block.value = words.at(1).mid(equals + 1);
                program.blocks.append(block);
                continue;
            }
        }
        if (frameNumber(words.at(0), &block.frame)) {
            words.removeFirst();
            if (!program.frameIndex.contains(block.frame))
                program.frameIndex.insert(block.frame, program.blocks.size());
        }

        int actions = 0;  // moves, dwells, waits, jumps and ends: one a frame
        for (int w = 0; w < words.size(); ++w) {
            const QString& word = words.at(w);
            const QChar first = word.at(0);
            if ((first == QLatin1Char('$') && allDigits(QStringView(word).mid(1), 9)) || word == QLatin1String("WAIT"))
                continue;
            if (word == QLatin1String("M30")) {
                block.end = true;
                ++actions;
                continue;
            }
            if (word == QLatin1String("GOTO")) {
                if (!frameNumber(words.value(w + 1), &block.jumpTo))
                    return refuse(QStringLiteral("GOTO without a frame"));
                ++actions;
                ++w;
                continue;
            }
            const int open = word.indexOf(QLatin1Char('('));
            if (open > 0 && word.endsWith(QLatin1Char(')'))) {
                const QString name = word.left(open);
                const QString argument = word.mid(open + 1, word.size() - open - 2);
                if (name == QLatin1String("COORD") || name == QLatin1String("GAX") || name == QLatin1String("RAX"))
                    continue;
                if (name == QLatin1String("ARF")) {
                    block.arf = true;
                    if (!argument.isEmpty() && (!argument.startsWith(QLatin1String("V=")) ||
                                                !readNumber(argument.mid(2), &block.arfFactor) || block.arfFactor < 0))
                        return refuse(QStringLiteral("\"%1\" is not a ring factor").arg(word));
                    continue;
                }
                if (name == QLatin1String("REV") && argument == QLatin1String("ALL")) {
                    block.event = NcBlock::Event::ResetAll;
                    ++actions;
                    continue;
                }
                static const QHash<QString, NcBlock::Event> events{{QStringLiteral("SEV"), NcBlock::Event::Set},
                                                                   {QStringLiteral("WEV"), NcBlock::Event::Wait},
                                                                   {QStringLiteral("WREV"), NcBlock::Event::WaitReset}};
                if (events.contains(name) && allDigits(argument, 6)) {
                    block.event = events.value(name);
                    block.eventNo = argument.toInt();
                    ++actions;
                    continue;
                }
                return refuse(QStringLiteral("unknown word \"%1\"").arg(word));
            }
            if (first == QLatin1Char('G') && allDigits(QStringView(word).mid(1), 3)) {
                const int code = word.midRef(1).toInt();
                if (code <= 3)
                    block.motion = code;
                else if (code == 4)
                    block.dwell = true;
                else if (code == 90 || code == 91)
                    block.distance = code;
                else if (code >= 17 && code <= 19)
                    block.plane = code;
                else if (code != 16)
                    return refuse(QStringLiteral("unknown word \"%1\"").arg(word));
                continue;
            }
            if (first == QLatin1Char('F') && readNumber(word.mid(1), &block.feed)) {
                block.hasFeed = true;
                continue;
            }
            if (first == QLatin1Char('R') && readNumber(word.mid(1), &block.radius)) {
                block.hasRadius = true;
                continue;
            }
            const int equals = word.indexOf(QLatin1Char('='));
            if (equals > 0) {
                const QString address = word.left(equals);
                double value = 0.0;
                if (axesOf(address).isEmpty())
                    return refuse(QStringLiteral("no axis \"%1\"").arg(address));
                if (!readNumber(word.mid(equals + 1), &value))
                    return refuse(QStringLiteral("\"%1\" is not a number").arg(word));
                block.axes.append({address, value});
                continue;
            }
            return refuse(QStringLiteral("unknown word \"%1\"").arg(word));
        }
        if (block.dwell && (!block.hasFeed || block.feed < 0.0))
            return refuse(QStringLiteral("G4 without a time"));
        actions += (block.dwell ? 1 : 0) + (block.axes.isEmpty() ? 0 : 1);
        if (actions > 1)
            return refuse(QStringLiteral("more than one action in a frame"));
        program.blocks.append(block);
    }
    for (const NcBlock& block : program.blocks) {
        if (block.jumpTo >= 0 && !program.frameIndex.contains(block.jumpTo)) {
            *error = QStringLiteral("line %1: no frame N%2").arg(block.line).arg(block.jumpTo);
            return false;
        }
    }
    *out = std::move(program);
    return true;
}

// ---- running ------------------------------------------------------------------------------------

NcRun::NcRun(NcProgram program) : m_program(std::move(program)) {}

void NcRun::fail(const NcBlock& block, const QString& why)
{
    m_error = QStringLiteral("line %1: %2").arg(block.line).arg(why);
    m_action = Action::None;
}

double NcRun::advance(double seconds, NcMachine& machine)
{
    double used = 0.0;
    int lines = 0;
    while (!m_ended && !failed()) {
        if (m_action == Action::Move || m_action == Action::Dwell) {
            const double left = m_seconds - m_done;
            if (seconds - used < left) {
                m_done += seconds - used;
                used = seconds;
                if (m_action == Action::Move)
                    place(machine, m_done / m_seconds);
                break;
            }
            used += left;
            m_done = m_seconds;
            if (m_action == Action::Move)
                place(machine, 1.0);
            m_action = Action::None;
            continue;
        }
        if (m_action == Action::Wait) {
            if (!machine.eventSet(m_event)) {
                used = seconds;
                break;
            }
            if (m_resetEvent)
                machine.setEvent(m_event, false);
            m_action = Action::None;
            continue;
        }
        if (m_next >= m_program.blocks.size()) {
            m_ended = true;  // the text ends without M30
            break;
        }
        if (++lines > kLinesPerAdvance)
            break;
        ++m_linesRun;
        execute(m_program.blocks.at(m_next++), machine);
    }
    return used;
}

void NcRun::execute(const NcBlock& block, NcMachine& machine)
{
    if (block.distance)
        m_absolute = block.distance == 90;
    if (block.plane)
        m_plane = block.plane;
    if (block.arf)
        m_arf = block.arfFactor;
    if (block.motion >= 0)
        m_motion = block.motion;
    if (block.hasFeed && !block.dwell)
        m_feed = block.feed;
    if (!block.variable.isEmpty())
        machine.setVariable(block.variable, block.value);
    switch (block.event) {
    case NcBlock::Event::None: break;
    case NcBlock::Event::ResetAll: machine.resetEvents(); break;
    case NcBlock::Event::Set: machine.setEvent(block.eventNo, true); break;
    case NcBlock::Event::Wait:
    case NcBlock::Event::WaitReset:
        m_action = Action::Wait;
        m_event = block.eventNo;
        m_resetEvent = block.event == NcBlock::Event::WaitReset;
        break;
    }
    if (block.dwell) {
        m_action = Action::Dwell;
        m_seconds = block.feed;
        m_done = 0.0;
    }
    if (!block.axes.isEmpty())
        startMove(block, machine);
    if (block.jumpTo >= 0)
        m_next = m_program.frameIndex.value(block.jumpTo);
    if (block.end)
        m_ended = true;
}

void NcRun::startMove(const NcBlock& block, NcMachine& machine)
{
    m_tracks.clear();
    m_arc = false;
    for (const NcBlock::AxisWord& word : block.axes) {
        const QVector<int> axes = NcProgram::axesOf(word.address);
        double from = machine.position(axes.first());
        double to = m_absolute ? word.value : from + word.value;
        if (axes.first() == DriveStatusPacket::V) {
            from = modulo360(from);
            if (m_absolute)
                to = from + std::remainder(to - from, 360.0);  // the shorter way round
        }
        m_tracks.append({axes, from, to});
    }

    // An arc turns the two axes of its plane about its centre; the others go straight.
    double arcLength = 0.0;
    if ((m_motion == 2 || m_motion == 3) && block.hasRadius && block.radius > 0.0) {
        const std::pair<int, int> plane = planeAxes(m_plane);
        int a = -1;
        int b = -1;
        for (int i = 0; i < m_tracks.size(); ++i) {
            if (m_tracks.at(i).axes.first() == plane.first)
                a = i;
            else if (m_tracks.at(i).axes.first() == plane.second)
                b = i;
        }
        if (a >= 0 && b >= 0) {
            const Track ta = m_tracks.at(a);
            const Track tb = m_tracks.at(b);
            const double da = ta.to - ta.from;
            const double db = tb.to - tb.from;
            const double chord = std::hypot(da, db);
            const double r = block.radius;
            if (chord > 0.0 && chord <= 2.0 * r * (1.0 + 1e-9)) {
                const bool ccw = m_motion == 3;
                const double h = std::sqrt(std::max(0.0, r * r - chord * chord / 4.0));
                // The centre lies left of the chord for a counter-clockwise arc, right for a
                // clockwise one (the shorter arc of the radius).
                const double side = ccw ? h : -h;
                m_centreA = ta.from + da / 2.0 - side * db / chord;
                m_centreB = tb.from + db / 2.0 + side * da / chord;
                m_angle = std::atan2(tb.from - m_centreB, ta.from - m_centreA);
                m_sweep = std::atan2(tb.to - m_centreB, ta.to - m_centreA) - m_angle;
                if (ccw) {
                    while (m_sweep <= 0.0)
                        m_sweep += 2.0 * kPi;
                } else {
                    while (m_sweep >= 0.0)
                        m_sweep -= 2.0 * kPi;
                }
                m_radius = r;
                m_arcA = ta;
                m_arcB = tb;
                m_arc = true;
                arcLength = r * std::fabs(m_sweep);
                m_tracks.remove(std::max(a, b));
                m_tracks.remove(std::min(a, b));
            }
        }
    }

    double lengthSq = arcLength * arcLength;
    for (const Track& t : m_tracks) {
        // Along a ring the V axis's feed is a length: ARF gives the millimetres per degree.
        const double factor = t.axes.first() == DriveStatusPacket::V && m_arf > 0.0 ? m_arf : 1.0;
        lengthSq += (t.to - t.from) * (t.to - t.from) * factor * factor;
    }
    const double length = std::sqrt(lengthSq);
    if (m_motion == 0 || length == 0.0) {
        place(machine, 1.0);
        return;
    }
    if (!(m_feed > 0.0)) {
        fail(block, QStringLiteral("a move without a feed"));
        return;
    }
    m_action = Action::Move;
    m_seconds = length / m_feed * 60.0;
    m_done = 0.0;
    m_machineAxes = m_arc || std::any_of(m_tracks.cbegin(), m_tracks.cend(), [](const Track& t) {
                        return t.axes.first() < DriveStatusPacket::AxisCount && t.to != t.from;
                    });
}

void NcRun::place(NcMachine& machine, double fraction) const
{
    auto put = [&machine](const QVector<int>& axes, double value) {
        if (axes.first() == DriveStatusPacket::V)
            value = modulo360(value);
        for (int axis : axes)
            machine.setPosition(axis, value);
    };
    const bool whole = fraction >= 1.0;
    for (const Track& t : m_tracks)
        put(t.axes, whole ? t.to : t.from + (t.to - t.from) * fraction);
    if (m_arc) {
        const double angle = m_angle + m_sweep * fraction;
        put(m_arcA.axes, whole ? m_arcA.to : m_centreA + m_radius * std::cos(angle));
        put(m_arcB.axes, whole ? m_arcB.to : m_centreB + m_radius * std::sin(angle));
    }
}

// A machine of its own on which a program runs through without waiting: every event is set.
class NcDryMachine final : public NcMachine
{
public:
    explicit NcDryMachine(const NcMachine& from)
    {
        for (int axis = 0; axis < AxisCount; ++axis)
            m_position[axis] = from.position(axis);
    }
    double position(int axis) const override { return m_position[axis]; }
    void setPosition(int axis, double value) override { m_position[axis] = value; }
    bool eventSet(int) const override { return true; }
    void setEvent(int, bool) override {}
    void resetEvents() override {}
    void setVariable(const QString&, const QString&) override {}

private:
    double m_position[AxisCount];
};

double NcRun::impliedSeconds(const NcProgram& program, const NcMachine& from, int maxLines)
{
    NcRun run(program);
    NcDryMachine machine(from);
    double seconds = 0.0;
    // Each call runs the program on to its end, or to the next batch of lines: a dwell or a move of
    // any length is one step, however many seconds it takes.
    while (!run.ended() && !run.failed() && run.m_linesRun < maxLines)
        seconds += run.advance(std::numeric_limits<double>::infinity(), machine);
    return seconds;
}
