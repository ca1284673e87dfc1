#pragma once

#include <QString>

// Where the three controllers are reached: the "Network" group of the settings file. The keys are
// only read; an installation writes its own addresses. Numeric IPv4 addresses only, so that no
// name lookup ever runs on the GUI thread.
struct ControllerAddress {
    QString host;
    int tcpPort = 0;
    int udpPort = 0;
};

namespace NetConfig {

ControllerAddress drive();  // Network/DriveHost, DriveTcpPort 5190, DriveUdpPort 5191
ControllerAddress kvs();    // Network/KvsHost, KvsTcpPort 5196, KvsUdpPort 5197
ControllerAddress kvk();    // Network/KvkHost, KvkTcpPort 5198, KvkUdpPort 5199

}  // namespace NetConfig
