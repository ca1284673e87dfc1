// The controller simulator for running the console by hand: the drive controller and both vacuum
// controllers, listening on 127.0.0.1 only; prints every command it receives and what the CNC
// channels do with the programs they are told to run. The programs are read where the console
// writes them: below POKAVRO_ROOT when that is set, as for the console.
//
// Lines on its standard input act on the vacuum plant as if the console had sent them:
// "kvs NL1 ON", "kvk VP8 ON", "kvk ALG(3)". So anyone can switch an element and watch the
// vacuum screen follow.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

#include "drivesim.h"
#include "vacuumsim.h"

namespace {

quint16 portOption(const QCommandLineParser& parser, const QString& name, bool& ok)
{
    const uint port = parser.value(name).toUInt(&ok);
    ok = ok && port > 0 && port <= 65535;
    return quint16(port);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ctrlsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulated controllers for the console, on 127.0.0.1 only."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("drive-tcp"), QStringLiteral("TCP port of the drive controller."),
                      QStringLiteral("port"), QStringLiteral("5190")});
    parser.addOption({QStringLiteral("drive-udp"), QStringLiteral("Console's UDP port for drive status."),
                      QStringLiteral("port"), QStringLiteral("5191")});
    parser.addOption({QStringLiteral("kvs-tcp"), QStringLiteral("TCP port of the vacuum-system controller."),
                      QStringLiteral("port"), QStringLiteral("5196")});
    parser.addOption({QStringLiteral("kvs-udp"), QStringLiteral("Console's UDP port for vacuum-system status."),
                      QStringLiteral("port"), QStringLiteral("5197")});
    parser.addOption({QStringLiteral("kvk-tcp"), QStringLiteral("TCP port of the vacuum/door controller."),
                      QStringLiteral("port"), QStringLiteral("5198")});
    parser.addOption({QStringLiteral("kvk-udp"), QStringLiteral("Console's UDP port for vacuum/door status."),
                      QStringLiteral("port"), QStringLiteral("5199")});
    parser.addOption({QStringLiteral("rate"), QStringLiteral("Status datagrams per second."),
                      QStringLiteral("n"), QStringLiteral("20")});
    parser.process(app);

    QTextStream err(stderr);
    bool tcpOk = false;
    bool udpOk = false;
    bool rateOk = false;
    const quint16 driveTcp = portOption(parser, QStringLiteral("drive-tcp"), tcpOk);
    const quint16 driveUdp = portOption(parser, QStringLiteral("drive-udp"), udpOk);
    bool vacuumOk = true;
    quint16 vacuumPorts[4];
    const char* vacuumOptions[4] = {"kvs-tcp", "kvs-udp", "kvk-tcp", "kvk-udp"};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        vacuumPorts[i] = portOption(parser, QLatin1String(vacuumOptions[i]), ok);
        vacuumOk = vacuumOk && ok;
    }
    const int rate = parser.value(QStringLiteral("rate")).toInt(&rateOk);
    if (!tcpOk || !udpOk || !vacuumOk || !rateOk || rate < 1 || rate > 1000) {
        err << "ctrlsim: ports must be 1..65535 and the rate 1..1000\n";
        return 2;
    }

    DriveSimulator drive;
    drive.setRate(rate);
    if (!drive.start(driveTcp, driveUdp)) {
        err << "ctrlsim: cannot listen on 127.0.0.1:" << driveTcp << "\n";
        return 1;
    }
    QTextStream out(stdout);
    out << "drive controller: commands on 127.0.0.1:" << driveTcp << ", status to 127.0.0.1:" << driveUdp
        << " at " << rate << "/s" << Qt::endl;
    QObject::connect(&drive, &DriveSimulator::consoleConnectedChanged, &app, [&out](bool connected) {
        out << (connected ? "drive: console connected" : "drive: console disconnected") << Qt::endl;
    });
    QObject::connect(&drive, &DriveSimulator::commandReceived, &app, [&out](const QString& text) {
        out << "drive < " << text << Qt::endl;
    });
    QObject::connect(&drive, &DriveSimulator::channelReport, &app, [&out](int channel, const QString& text) {
        out << "drive: channel " << channel << ": " << text << Qt::endl;
    });

    VacuumSimulator vacuum;
    vacuum.setRate(rate);
    if (!vacuum.start(vacuumPorts[0], vacuumPorts[1], vacuumPorts[2], vacuumPorts[3])) {
        err << "ctrlsim: cannot listen on 127.0.0.1:" << vacuumPorts[0] << " and " << vacuumPorts[2] << "\n";
        return 1;
    }
    out << "vacuum-system controller: commands on 127.0.0.1:" << vacuumPorts[0] << ", status to 127.0.0.1:"
        << vacuumPorts[1] << Qt::endl;
    out << "vacuum/door controller: commands on 127.0.0.1:" << vacuumPorts[2] << ", status to 127.0.0.1:"
        << vacuumPorts[3] << Qt::endl;
    auto vacuumName = [](VacuumSimulator::Controller c) { return c == VacuumSimulator::Kvs ? "kvs" : "kvk"; };
    QObject::connect(&vacuum, &VacuumSimulator::consoleConnectedChanged, &app,
                     [&out, vacuumName](VacuumSimulator::Controller c, bool connected) {
                         out << vacuumName(c) << (connected ? ": console connected" : ": console disconnected") << Qt::endl;
                     });
    QObject::connect(&vacuum, &VacuumSimulator::commandReceived, &app,
                     [&out, vacuumName](VacuumSimulator::Controller c, const QString& text) {
                         out << vacuumName(c) << " < " << text << Qt::endl;
                     });

    // Commands typed (or written into a pipe) on standard input.
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char chunk[512];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            input.setEnabled(false);  // end of input (or none at all): the simulator runs on
            return;
        }
        pending.append(chunk, int(n));
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end)).trimmed();
            pending.remove(0, end + 1);
            if (line.isEmpty())
                continue;
            const QString target = line.section(QLatin1Char(' '), 0, 0);
            const QString command = line.section(QLatin1Char(' '), 1).trimmed();
            if ((target != QLatin1String("kvs") && target != QLatin1String("kvk")) || command.isEmpty()) {
                out << "input: \"" << line << "\" is not \"kvs <command>\" or \"kvk <command>\"" << Qt::endl;
                continue;
            }
            const bool done = vacuum.apply(target == QLatin1String("kvs") ? VacuumSimulator::Kvs : VacuumSimulator::Kvk,
                                           command);
            out << target << " <= " << command << (done ? "" : " (refused)") << Qt::endl;
        }
    });
    return app.exec();
}
