#include "testenv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTimer>
#include <QUdpSocket>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

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

namespace {

// Ports are handed out below the kernel's range for outgoing connections, so that no socket of
// any process on the machine is given one behind a test's back between the pick and its use.
// Test processes running side by side each pick from the same range: a pick is held for the other
// processes by a socket name in the abstract namespace (no file, gone with the process), and this
// process keeps its latest picks held, so that no two consoles of the machine get one port.
class PortPicker
{
public:
    quint16 pick()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        const int low = 10000;
        const int high = qMin(ephemeralLow(), 30000);
        for (int attempt = 0; attempt < 2000; ++attempt) {
            const quint16 port = quint16(QRandomGenerator::global()->bounded(low, high));
            const int token = hold(port);
            if (token < 0)
                continue;
            if (!bindable(port)) {
                ::close(token);
                continue;
            }
            m_held.push_back(token);
            while (m_held.size() > kKept) {
                ::close(m_held.front());
                m_held.pop_front();
            }
            return port;
        }
        qFatal("no free loopback port");
        return 0;
    }

private:
    static constexpr size_t kKept = 96;

    static int ephemeralLow()
    {
        QFile range(QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range"));
        int low = 32768;
        if (range.open(QIODevice::ReadOnly)) {
            bool ok = false;
            const int read = QString::fromLatin1(range.readAll()).simplified().section(QLatin1Char(' '), 0, 0).toInt(&ok);
            if (ok && read > 12000)
                low = read;
        }
        return low;
    }

    // A socket named after the port in the abstract namespace; -1 when another process holds it.
    static int hold(quint16 port)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = "pokavro-test-port-" + QByteArray::number(port);
        memcpy(address.sun_path + 1, name.constData(), size_t(name.size()));
        const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + size_t(name.size()));
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    }

    static bool bindable(quint16 port)
    {
        QTcpServer server;
        if (!server.listen(QHostAddress::LocalHost, port))
            return false;
        QUdpSocket udp;
        return udp.bind(QHostAddress::LocalHost, port);
    }

    std::mutex m_lock;
    std::deque<int> m_held;
};

}  // namespace

quint16 freePort()
{
    static PortPicker picker;
    return picker.pick();
}

bool readsBack(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(300);
    }
    return true;
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
