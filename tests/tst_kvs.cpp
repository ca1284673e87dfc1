#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>
#include <QtTest>
#include <memory>

#include "comm.h"
#include "kvs.h"
#include "kvspackets.h"
#include "testenv.h"

namespace {

// One vacuum controller on 127.0.0.1: takes the console's command link and streams a status
// packet of type P to the console's UDP port while it has a connection.
template <class P>
class VacuumPeer
{
public:
    VacuumPeer(quint16 tcpPort, quint16 udpPort) : m_udpPort(udpPort)
    {
        status.signature = kVacuumTextSignature;
        listening = server.listen(QHostAddress::LocalHost, tcpPort);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            connection.reset(server.nextPendingConnection());
            timer.start(40);
        });
        QObject::connect(&timer, &QTimer::timeout, [this] {
            udp.writeDatagram(VacuumStatus::encode(status), QHostAddress::LocalHost, m_udpPort);
        });
    }

    bool connected() const { return connection && connection->state() == QAbstractSocket::ConnectedState; }
    void drop()
    {
        timer.stop();
        if (connection)
            connection->abort();
        connection.reset();
    }
    void sendText(const QString& text)
    {
        connection->write(LinkFrame::encode(LinkFrame::PV, text.toUtf8()));
        connection->flush();
    }

    P status{};
    bool listening = false;

private:
    quint16 m_udpPort;
    QTcpServer server;
    std::unique_ptr<QTcpSocket> connection;
    QUdpSocket udp;
    QTimer timer;
};

}  // namespace

class TestKvs : public QObject
{
    Q_OBJECT

    QList<quint16> m_ports;  // drive tcp, drive udp, kvs tcp, kvs udp, kvk tcp, kvk udp

private slots:
    void init() { m_ports = TestEnv::configureControllers(); }

    void linksRetryUntilTheControllersAnswer()
    {
        KVS screen;
        QSignalSpy kvsState(&screen, &KVS::onKVSConnected);
        QSignalSpy kvkState(&screen, &KVS::onKVKConnected);
        QVERIFY(!screen.kvsUp() && !screen.kvkUp());
        // The main window's start-up asks for the link states again.
        screen.onSystemStarted();
        QCOMPARE(kvsState.size(), 1);
        QCOMPARE(kvsState.last().at(0).toBool(), false);
        QCOMPARE(kvkState.last().at(0).toBool(), false);

        // Nobody answers: a new attempt (and a "down" report) about once a second.
        QVERIFY(QTest::qWaitFor([&kvsState] { return kvsState.size() >= 3; }, 3500));

        VacuumPeer<KvsStatusPacket> kvs(m_ports[2], m_ports[3]);
        VacuumPeer<KvkStatusPacket> kvk(m_ports[4], m_ports[5]);
        QVERIFY(kvs.listening && kvk.listening);
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvsUp() && screen.kvkUp(); }, 3000));
        QCOMPARE(kvsState.last().at(0).toBool(), true);
        QCOMPARE(kvkState.last().at(0).toBool(), true);
        QVERIFY(screen.kvs()->connected());
        QVERIFY(screen.kvk()->connected());

        kvsState.clear();
        kvkState.clear();
        screen.onSystemStarted();
        QCOMPARE(kvsState.size(), 1);
        QCOMPARE(kvsState.last().at(0).toBool(), true);
        QCOMPARE(kvkState.last().at(0).toBool(), true);

        // One controller drops the link: that link alone goes down and comes back.
        QVERIFY(QTest::qWaitFor([&kvk] { return kvk.connected(); }, 2000));
        kvk.drop();
        QVERIFY(QTest::qWaitFor([&screen] { return !screen.kvkUp(); }, 3000));
        QVERIFY(screen.kvsUp());
        QVERIFY(QTest::qWaitFor([&screen] { return screen.kvkUp(); }, 3000));
        QCOMPARE(kvkState.last().at(0).toBool(), true);
    }

    void relaysTheVacuumDoorController()
    {
        VacuumPeer<KvkStatusPacket> kvk(m_ports[4], m_ports[5]);
        kvk.status.PT5 = 12.5;
        kvk.status.PT5Valid = 1;
        kvk.status.PT6 = 3.25f;
        kvk.status.BKUValid = 7;
        kvk.status.SpiralLock = 1;
        kvk.status.ShutdownLock = 1;
        kvk.status.AlgNumber = 4;
        kvk.status.AlgTime = 65;
        kvk.status.AlgRun = 1;
        KVS screen;
        QSignalSpy mode(&screen, &KVS::signalChangedMode);
        QSignalSpy modeTime(&screen, &KVS::signalChangedModeTime);
        QSignalSpy modeState(&screen, &KVS::signalChangedModeState);
        QSignalSpy chamber(&screen, &KVS::changedChamberPressure);
        QSignalSpy chamberValid(&screen, &KVS::changedChamberPressureValid);
        QSignalSpy gun(&screen, &KVS::changedGunPressure);
        QSignalSpy gunValid(&screen, &KVS::changedGunPressureValid);
        QSignalSpy spiral(&screen, &KVS::signalChangedSpiralLock);
        QSignalSpy shutdown(&screen, &KVS::signalChangedShutdownLock);
        QSignalSpy messages(&screen, &KVS::message);

        QVERIFY(QTest::qWaitFor([&gun] { return !gun.isEmpty(); }, 3000));
        QCOMPARE(mode.last().at(0).toUInt(), 4u);
        QCOMPARE(modeTime.last().at(0).toUInt(), 65u);
        QCOMPARE(modeState.last().at(0).toUInt(), 1u);
        QCOMPARE(chamber.last().at(0).toDouble(), 12.5);
        QCOMPARE(chamberValid.last().at(0).toBool(), true);
        QCOMPARE(gun.last().at(0).toFloat(), 3.25f);
        QCOMPARE(gunValid.last().at(0).toInt(), 7);
        QCOMPARE(spiral.last().at(0).toBool(), true);
        QCOMPARE(shutdown.last().at(0).toBool(), true);

        kvk.status.AlgNumber = 0xFFFFFFFFu;  // emergency end
        kvk.status.SpiralLock = 0;
        QVERIFY(QTest::qWaitFor([&mode] { return mode.last().at(0).toUInt() == 0xFFFFFFFFu; }, 3000));
        QVERIFY(QTest::qWaitFor([&spiral] { return !spiral.last().at(0).toBool(); }, 3000));

        // A controller's text goes to the operator log only, with the link's time stamp.
        kvk.sendText(QStringLiteral("Дверь прижата"));
        QVERIFY(QTest::qWaitFor([&messages] { return !messages.isEmpty(); }, 3000));
        const QString text = messages.last().at(0).toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] Дверь прижата$")).match(text).hasMatch(),
                 qPrintable(text));
        QCOMPARE(messages.last().at(1).toBool(), false);
    }

    void keepsWhatTheMainWindowGives()
    {
        KVS screen;
        QCOMPARE(screen.userRights(), -1);
        for (int rights : {0, 2, -1}) {
            screen.onUserChanged(rights);
            QCOMPARE(screen.userRights(), rights);
        }
        screen.onDoorStateChanged(1);
        QCOMPARE(screen.doorState(), 1u);
    }

    void goesAwayWhileLinksAreUp()
    {
        VacuumPeer<KvsStatusPacket> kvs(m_ports[2], m_ports[3]);
        VacuumPeer<KvkStatusPacket> kvk(m_ports[4], m_ports[5]);
        auto screen = std::make_unique<KVS>();
        QVERIFY(screen->kvsUp() && screen->kvkUp());
        QVERIFY(QTest::qWaitFor([&kvk] { return kvk.connected(); }, 2000));
        QElapsedTimer clock;
        clock.start();
        screen.reset();
        QVERIFY(clock.elapsed() < 2000);
        QTest::qWait(1200);  // no retry of a screen that is gone
    }
};

POKAVRO_TEST_MAIN(TestKvs)
#include "tst_kvs.moc"
