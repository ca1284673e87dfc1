// The controller simulator for running the console by hand: listens on 127.0.0.1 only and
// prints every command it receives.

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "drivesim.h"

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
    parser.addOption({QStringLiteral("rate"), QStringLiteral("Status datagrams per second."),
                      QStringLiteral("n"), QStringLiteral("20")});
    parser.process(app);

    QTextStream err(stderr);
    bool tcpOk = false;
    bool udpOk = false;
    bool rateOk = false;
    const quint16 driveTcp = portOption(parser, QStringLiteral("drive-tcp"), tcpOk);
    const quint16 driveUdp = portOption(parser, QStringLiteral("drive-udp"), udpOk);
    const int rate = parser.value(QStringLiteral("rate")).toInt(&rateOk);
    if (!tcpOk || !udpOk || !rateOk || rate < 1 || rate > 1000) {
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
    return app.exec();
}
