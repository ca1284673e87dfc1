#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

// Starts generated channel programs on the CNC controller: each program is written as
// "/programs/_temp<channel>.npg" and run by "EXEC_<channel>(/programs/_temp<channel>.npg)".
// Several channels start in a fixed order with pauses between them (the beam channel must be
// waiting before the motion channels begin); the pauses run on a timer, so the window stays live.
//
// Every program of a start is written before the first command leaves: when one file cannot be
// written, nothing is sent at all. A command that the link cannot send ends the start there; the
// channels after it are not started.
class ChannelStart : public QObject
{
    Q_OBJECT

public:
    struct Step {
        int channel;
        QString text;
        int pauseMs;    // after the previous start; 0 for the first
    };
    // Sends one command to the drive controller; false when it did not leave.
    using Sender = std::function<bool(const QString&)>;

    explicit ChannelStart(Sender send, QObject* parent = nullptr);

    // The program file of a channel, as the controller names it.
    static QString fileName(int channel);
    // Writes the program of a channel: the text exactly, no line end added; an existing file is
    // given mode 0777 first. False when it cannot be written.
    static bool write(int channel, const QString& text);

    // A start is under way (between its first and its last command).
    bool busy() const { return m_index >= 0; }

    // Writes every program, then starts the first at once and each further one after its pause.
    // False, with nothing written or sent, while another start is under way; false, with nothing
    // sent, when a file cannot be written ("[A]" message). finished() follows a true return.
    bool start(const QList<Step>& steps);
    // Drops the starts still waiting for their pause.
    void cancel();
    // The programs were stopped: the starts still waiting for their pause are dropped, each
    // command that will not leave is named in a "[W]" line, and finished(false) follows.
    void stop();
    // The link to the controller was lost: what the channels already started do is no longer
    // known, so the start ends here, even if the link is back before its next pause ends. One
    // "[A]" line says so and finished(false) follows.
    void linkLost();

signals:
    void message(const QString& text, bool isShow);
    // Every command of the start was sent (true), or one could not be (false): the channels
    // from it on were not started.
    void finished(bool allSent);

private:
    void runNext();
    // Ends the start under way before its last command: the lines, then finished(false).
    void breakOff(const QStringList& lines);

    Sender m_send;
    QList<Step> m_steps;
    int m_index = -1;
    QTimer m_pause;
};
