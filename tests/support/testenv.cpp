#include "testenv.h"

#include <QDir>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>

#include <cstdlib>
#include <memory>

#include "fixedpaths.h"
#include "settingsfile.h"

namespace TestEnv {

namespace {
std::unique_ptr<QTemporaryDir> g_root;
}

bool setUp()
{
    g_root = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pokavro-test-XXXXXX"));
    if (!g_root->isValid())
        return false;
    const QByteArray path = QFile::encodeName(g_root->path());
    QDir(g_root->path()).mkpath(QStringLiteral("tmp"));
    QDir(g_root->path()).mkpath(QStringLiteral("work"));
    ::setenv("POKAVRO_ROOT", path.constData(), 1);
    ::setenv("TMPDIR", (path + "/tmp").constData(), 1);
    QDir::setCurrent(g_root->path() + QStringLiteral("/work"));
    return true;
}

QString root() { return g_root ? g_root->path() : QString(); }

void makeInstallationFolders()
{
    QDir dir(root());
    for (const char* folder : {"home/oper/bin/passports", "programs/ch1", "programs/ch2",
                               "programs/ch3", "points", "log", "var/tmp", "dev"})
        dir.mkpath(QString::fromLatin1(folder));
}

QList<quint16> prepareConsole()
{
    makeInstallationFolders();
    QDir().mkpath(QStringLiteral("dump"));
    QFile::remove(FixedPaths::settingsFile());
    return configureControllers();
}

quint16 freePort()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost, 0))
            continue;
        const quint16 port = server.serverPort();
        QUdpSocket udp;
        if (udp.bind(QHostAddress::LocalHost, port))
            return port;
    }
    qFatal("no free loopback port");
    return 0;
}

int runLoop(const std::function<void()>& action)
{
    QTimer::singleShot(0, action);
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    bound.start(15000);
    return QCoreApplication::exec();
}

QList<quint16> configureControllers()
{
    QList<quint16> ports;
    QDir().mkpath(root() + QStringLiteral("/home/oper/bin"));
    auto settings = SettingsFile::open();
    for (const char* name : {"Drive", "Kvs", "Kvk"}) {
        const QString prefix = QStringLiteral("Network/") + QLatin1String(name);
        const quint16 tcp = freePort();
        quint16 udp = freePort();
        while (udp == tcp)
            udp = freePort();
        settings->setValue(prefix + QStringLiteral("Host"), QStringLiteral("127.0.0.1"));
        settings->setValue(prefix + QStringLiteral("TcpPort"), tcp);
        settings->setValue(prefix + QStringLiteral("UdpPort"), udp);
        ports << tcp << udp;
    }
    settings->sync();
    return ports;
}

}  // namespace TestEnv
