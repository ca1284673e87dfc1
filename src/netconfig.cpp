#include "netconfig.h"

#include "settingsfile.h"

namespace NetConfig {

namespace {

int portValue(QSettings& settings, const QString& key, int fallback)
{
    bool ok = false;
    const int port = settings.value(key, fallback).toInt(&ok);
    return (ok && port > 0 && port <= 65535) ? port : fallback;
}

ControllerAddress read(const char* name, int tcpPort, int udpPort)
{
    auto settings = SettingsFile::open();
    const QString prefix = QStringLiteral("Network/") + QLatin1String(name);
    ControllerAddress address;
    address.host = settings->value(prefix + QStringLiteral("Host"), QStringLiteral("127.0.0.1"))
                       .toString()
                       .trimmed();
    if (address.host.isEmpty())
        address.host = QStringLiteral("127.0.0.1");
    address.tcpPort = portValue(*settings, prefix + QStringLiteral("TcpPort"), tcpPort);
    address.udpPort = portValue(*settings, prefix + QStringLiteral("UdpPort"), udpPort);
    return address;
}

}  // namespace

ControllerAddress drive() { return read("Drive", 5190, 5191); }
ControllerAddress kvs() { return read("Kvs", 5196, 5197); }
ControllerAddress kvk() { return read("Kvk", 5198, 5199); }

}  // namespace NetConfig
