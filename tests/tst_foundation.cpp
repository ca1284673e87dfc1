#include <QApplication>
#include <QDir>
#include <QtTest>

#include "fixedpaths.h"
#include "netconfig.h"
#include "runner.h"
#include "settingsfile.h"
#include "testenv.h"

class TestFoundation : public QObject
{
    Q_OBJECT

private slots:
    void fixedPathsFollowRoot_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("systemPath");
        QTest::newRow("settings") << FixedPaths::settingsFile() << "/home/oper/bin/settings.ini";
        QTest::newRow("users") << FixedPaths::usersFile() << "/home/oper/bin/users.bin";
        QTest::newRow("passports") << FixedPaths::passportDir() << "/home/oper/bin/passports/";
        QTest::newRow("programs") << FixedPaths::programDir() << "/programs/";
        QTest::newRow("points") << FixedPaths::pointDir() << "/points/";
        QTest::newRow("log") << FixedPaths::logDir() << "/log/";
        QTest::newRow("lock") << FixedPaths::lockFile() << "/var/tmp/.poKAVRO_lock";
        QTest::newRow("device") << FixedPaths::counterDevice() << "/dev/lirpci";
    }
    void fixedPathsFollowRoot()
    {
        QFETCH(QString, actual);
        QFETCH(QString, systemPath);
        QCOMPARE(actual, TestEnv::root() + systemPath);
    }

    void fixedPathsWithoutRootAreTheSystemsOwn()
    {
        const QByteArray saved = qgetenv("POKAVRO_ROOT");
        for (const QByteArray& value : {QByteArray(), QByteArray("/")}) {
            if (value.isNull())
                qunsetenv("POKAVRO_ROOT");
            else
                qputenv("POKAVRO_ROOT", value);
            QCOMPARE(FixedPaths::programDir(), QStringLiteral("/programs/"));
            QCOMPARE(FixedPaths::lockFile(), QStringLiteral("/var/tmp/.poKAVRO_lock"));
            QCOMPARE(FixedPaths::local(QStringLiteral("relative/x")), QStringLiteral("relative/x"));
        }
        qputenv("POKAVRO_ROOT", saved);
        QCOMPARE(FixedPaths::logDir(), TestEnv::root() + QStringLiteral("/log/"));
    }

    void networkDefaultsAndOverrides()
    {
        QFile::remove(FixedPaths::settingsFile());
        const ControllerAddress drive = NetConfig::drive();
        QCOMPARE(drive.host, QStringLiteral("127.0.0.1"));
        QCOMPARE(drive.tcpPort, 5190);
        QCOMPARE(drive.udpPort, 5191);
        QCOMPARE(NetConfig::kvs().tcpPort, 5196);
        QCOMPARE(NetConfig::kvs().udpPort, 5197);
        QCOMPARE(NetConfig::kvk().tcpPort, 5198);
        QCOMPARE(NetConfig::kvk().udpPort, 5199);

        const QList<quint16> ports = TestEnv::configureControllers();
        QCOMPARE(NetConfig::drive().tcpPort, int(ports[0]));
        QCOMPARE(NetConfig::kvk().udpPort, int(ports[5]));

        // A broken port value falls back to the installation's fixed port.
        {
            auto settings = SettingsFile::open();
            settings->setValue(QStringLiteral("Network/KvsTcpPort"), QStringLiteral("x"));
            settings->setValue(QStringLiteral("Network/KvsUdpPort"), 70000);
        }
        QCOMPARE(NetConfig::kvs().tcpPort, 5196);
        QCOMPARE(NetConfig::kvs().udpPort, 5197);
        QFile::remove(FixedPaths::settingsFile());
    }

    void systemRunnerRunsNoShellCommandInASandbox()
    {
        const QString marker = TestEnv::root() + QStringLiteral("/ran");
        QCOMPARE(ProgramRunner::instance().runShell(QStringLiteral("touch ") + marker), -1);
        QVERIFY(!QFile::exists(marker));
    }

    void recordingRunnerReplacesTheSystem()
    {
        RecordingRunner runner;
        QCOMPARE(ProgramRunner::instance().runShell(QStringLiteral("sudo /sbin/shutdown -h now")), 0);
        QVERIFY(ProgramRunner::instance().startDetached(QStringLiteral("kcalc"), {}));
        QCOMPARE(runner.shellCommands, QStringList{QStringLiteral("sudo /sbin/shutdown -h now")});
        QCOMPARE(runner.detached.size(), 1);
    }
};

POKAVRO_TEST_MAIN(TestFoundation)
#include "tst_foundation.moc"
