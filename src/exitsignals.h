#pragma once

#include <QObject>
#include <QString>

#include <csignal>

class QSocketNotifier;

// The signals by which the system and the shell end a program: SIGTERM (a shutdown, kill),
// SIGHUP (its terminal closed) and SIGINT (Ctrl+C). From construction on they no longer end the
// process at once: the handler only writes the signal's number into a socket pair (all it does
// is async-signal-safe), and the event loop hands the first of them to the program, which ends
// itself in its own way. Later ones are taken and dropped, so that a second signal never cuts
// the program's exit short. A signal that was set to be ignored when the program started (nohup,
// a background job of a script) stays ignored. One object at a time; the destructor puts back the
// handlers that were there before.
class ExitSignals : public QObject
{
    Q_OBJECT

public:
    explicit ExitSignals(QObject* parent = nullptr);
    ~ExitSignals() override;

    ExitSignals(const ExitSignals&) = delete;
    ExitSignals& operator=(const ExitSignals&) = delete;

    // False when the signals could not be caught (they then end the process as before); the
    // ignored ones do not count.
    bool catching() const { return m_catching; }
    // The signal handed to the program, 0 while none has come through the event loop.
    int caughtSignal() const { return m_caught; }

    // "SIGTERM", "SIGHUP", "SIGINT"; the number for any other.
    static QString name(int signalNumber);

signals:
    // The first of the signals, delivered from the event loop.
    void caught(int signalNumber);

private:
    void readSignals();

    static constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};
    static constexpr int kSignalCount = int(sizeof kSignals / sizeof kSignals[0]);

    int m_fds[2] = {-1, -1};  // [0] written by the handler, [1] read by the event loop
    QSocketNotifier* m_notifier = nullptr;
    struct sigaction m_previous[kSignalCount];
    bool m_installed[kSignalCount] = {};
    bool m_catching = false;
    int m_caught = 0;
};
