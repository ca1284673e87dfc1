#pragma once

// The CNC channel programs as the simulated drive controller reads and runs them.
//
// A program is read whole: every line is a frame ("N12 G90 G01 x=10.00 y=0.00 z=0.00 F600.000"),
// a controller variable ("3 @AXISMOVING?=TRUE", "1 @1=2"), the word "WAIT" alone, or empty; a
// ";" starts a comment. The words the controller knows:
//   $n                   channel header (no effect)
//   G0 / G00             rapid: the named axes take their targets at once
//   G1 G2 G3 / G01...    linear move, clockwise and counter-clockwise arc (radius "R<r>", in the
//                        plane of G17 x-y, G18 x-z, G19 y-z) at the feed "F<units per minute>";
//                        motion and feed are modal, the feed of a G4 line is not a feed
//   G4 F<s>              dwell for s seconds
//   G90 / G91            absolute / relative targets (modal; absolute at the start)
//   G16 COORD() GAX() RAX()   coordinate and axis selection (no effect here)
//   ARF(V=k) / ARF()     the V axis's feed is in mm along a ring of k mm per degree / in degrees
//   REV(ALL) SEV(n) WEV(n) WREV(n)   reset all events, set event n, wait for it, wait and reset
//   WAIT                 synchronisation (the channel runs its frames in order anyway)
//   GOTO N<k>            continue at frame k
//   M30                  end of the program
// Axis addresses: "x" and "LX" move the gantry pair LX1/LX2, "y" and "LY" LY, "z" and "Y" the
// virtual axis Z, "X" and "PHI" their virtual axes, "A" ... "D", "U1" the pair U1/U2, "V" the
// rotary table, "IR" and "IW" the beam and focus currents of the beam channel. V is a rotary axis
// with a modulo of 360 degrees: an absolute target is reached the shorter way round. Arcs are
// followed on their circle; a radius too short for the chord makes a straight move.
//
// Anything else is a word the controller does not know, and the program is not run.

#include <QHash>
#include <QString>
#include <QVector>

#include "drivestatus.h"

// Where a running program reads and moves the machine.
class NcMachine
{
public:
    // The axes of the status datagram (DriveStatusPacket::Axis), then the two currents of the
    // beam channel.
    enum Axis { BeamCurrent = DriveStatusPacket::AxisCount, FocusCurrent, AxisCount };

    virtual double position(int axis) const = 0;
    virtual void setPosition(int axis, double value) = 0;
    virtual bool eventSet(int event) const = 0;
    virtual void setEvent(int event, bool set) = 0;
    virtual void resetEvents() = 0;
    virtual void setVariable(const QString& name, const QString& value) = 0;

protected:
    ~NcMachine() = default;
};

// One line of a program.
struct NcBlock {
    enum class Event { None, Set, Wait, WaitReset, ResetAll };
    struct AxisWord {
        QString address;
        double value;
    };

    int line = 0;            // 1-based line of the text
    int frame = -1;          // N number, -1 for a line without one
    int motion = -1;         // 0 to 3 for G0 to G3
    bool dwell = false;      // G4: `feed` is the time in seconds
    int distance = 0;        // 90 or 91, 0 when not named
    int plane = 0;           // 17, 18 or 19, 0 when not named
    bool hasFeed = false;
    double feed = 0.0;
    bool hasRadius = false;
    double radius = 0.0;
    QVector<AxisWord> axes;
    Event event = Event::None;
    int eventNo = 0;
    int jumpTo = -1;         // GOTO N<jumpTo>
    bool end = false;        // M30
    bool arf = false;        // ARF(...) named: `arfFactor` (0 for ARF())
    double arfFactor = 0.0;
    QString variable;        // "@name=value"
    QString value;
};

struct NcProgram {
    QVector<NcBlock> blocks;
    QHash<int, int> frameIndex;  // frame number -> index in blocks (the first such frame)

    // Reads a program; false with the reason in `error` (line number and word) when the
    // controller would not run it.
    static bool parse(const QString& text, NcProgram* out, QString* error);

    // The channel's axes that an address moves (empty for an unknown address).
    static QVector<int> axesOf(const QString& address);
};

// One run of a program in a channel.
class NcRun
{
public:
    explicit NcRun(NcProgram program);

    // Runs the program for up to `seconds` of its time on `machine`. Returns the time used: less
    // than `seconds` only when the program ended or failed. A wait for an event uses the time.
    double advance(double seconds, NcMachine& machine);

    bool ended() const { return m_ended; }
    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    // In a move of a machine axis (a ramp of the beam currents moves none).
    bool moving() const { return m_action == Action::Move && m_machineAxes; }

    // How long the program runs from its start on a machine standing at `from`, every event
    // taken as set (a program that jumps back for ever is counted until it has run `maxLines`
    // lines).
    static double impliedSeconds(const NcProgram& program, const NcMachine& from, int maxLines);

private:
    enum class Action { None, Move, Dwell, Wait };
    struct Track {
        QVector<int> axes;
        double from;
        double to;
    };

    void execute(const NcBlock& block, NcMachine& machine);
    void startMove(const NcBlock& block, NcMachine& machine);
    void place(NcMachine& machine, double fraction) const;
    void fail(const NcBlock& block, const QString& why);

    NcProgram m_program;
    int m_next = 0;
    int m_linesRun = 0;
    bool m_ended = false;
    QString m_error;

    // Modal state.
    int m_motion = 1;
    bool m_absolute = true;
    int m_plane = 17;
    double m_feed = 0.0;
    double m_arf = 0.0;

    // The action under way.
    Action m_action = Action::None;
    double m_seconds = 0.0;   // its length
    bool m_machineAxes = false;  // a move of axes of the status, not only of the beam currents
    double m_done = 0.0;      // its time so far
    int m_event = 0;
    bool m_resetEvent = false;
    QVector<Track> m_tracks;  // axes moved in a straight line
    // An arc: the two plane axes turn about the centre.
    bool m_arc = false;
    Track m_arcA;
    Track m_arcB;
    double m_centreA = 0.0;
    double m_centreB = 0.0;
    double m_radius = 0.0;
    double m_angle = 0.0;     // start angle, radians
    double m_sweep = 0.0;     // signed, radians

};
