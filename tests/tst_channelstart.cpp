// Starting generated channel programs at a loopback drive controller: the files under
// "/programs/", the EXEC commands in their order with their pauses, and the starts that must not
// send anything.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "channelstart.h"
#include "drivecomm.h"
#include "drivepeer.h"
#include "fixedpaths.h"
#include "readonlyfolder.h"
#include "testenv.h"

namespace {

QByteArray programFile(int channel)
{
    QFile file(FixedPaths::local(ChannelStart::fileName(channel)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

}  // namespace

class TestChannelStart : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_link = std::make_unique<DriveTCPthread>(); }

    void init()
    {
        QDir(FixedPaths::local(QStringLiteral("/programs/"))).removeRecursively();
        TestEnv::makeInstallationFolders();
        QVERIFY(m_peer.attach(*m_link));
        m_start = std::make_unique<ChannelStart>([this](const QString& text) { return m_link->command(text); });
    }

    void cleanup() { m_start.reset(); }

    void cleanupTestCase() { m_link.reset(); }

    // The beam channel first, the manipulator a second later, each program written exactly.
    void startsInOrderWithPause()
    {
        QSignalSpy finished(m_start.get(), &ChannelStart::finished);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(m_start->start({{3, QStringLiteral("N1 $3\nN2 M30"), 0}, {1, QStringLiteral("N1 $1\nN2 M30"), 1000}}));
        QVERIFY(m_start->busy());
        QCOMPARE(programFile(3), QByteArray("N1 $3\nN2 M30"));  // 12 bytes, no line end
        QCOMPARE(programFile(1), QByteArray("N1 $1\nN2 M30"));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_3(/programs/_temp3.npg)"));
        QVERIFY(clock.elapsed() < 900);
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_temp1.npg)"));
        QVERIFY2(clock.elapsed() >= 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QVERIFY(!m_start->busy());
        QVERIFY(m_peer.silent());

        // A second start over the files replaces them and leaves them open to the controller.
        QVERIFY(m_start->start({{3, QString(), 0}}));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_3(/programs/_temp3.npg)"));
        QCOMPARE(programFile(3), QByteArray());
        QCOMPARE(QFile::permissions(FixedPaths::local(ChannelStart::fileName(3))) & 0x777, QFileDevice::Permissions(0x777));
    }

    // A start under way takes no other; cancelling it drops what still waits.
    void oneStartAtATime()
    {
        QVERIFY(m_start->start({{2, QStringLiteral("N1 $2"), 0}, {1, QStringLiteral("N1 $1"), 500}}));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_2(/programs/_temp2.npg)"));
        QVERIFY(!m_start->start({{3, QStringLiteral("N1 $3"), 0}}));
        QCOMPARE(programFile(3), QByteArray("<missing>"));
        m_start->cancel();
        QVERIFY(!m_start->busy());
        QVERIFY(m_peer.silent(800));
    }

    // A program that cannot be written: nothing is sent, and the operator is told which file.
    void unwritableFileSendsNothing()
    {
        QVERIFY(QDir().mkpath(FixedPaths::local(ChannelStart::fileName(1))));  // a folder in its place
        QSignalSpy messages(m_start.get(), &ChannelStart::message);
        QVERIFY(!m_start->start({{3, QStringLiteral("N1 $3"), 0}, {1, QStringLiteral("N1 $1"), 1000}}));
        QVERIFY(!m_start->busy());
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(),
                 QStringLiteral("[A]Не удалось записать файл /programs/_temp1.npg: программы не запущены"));
        QVERIFY(m_peer.silent(300));
    }

    // The programs folder is shared with the controller, which may hold a program open and may
    // not let the console create files there. A program is rewritten in place, in the file the
    // controller holds; one that does not exist yet cannot be made, and nothing is started.
    void programsRewrittenInPlace()
    {
        const QString local1 = FixedPaths::local(ChannelStart::fileName(1));
        {
            QFile old(local1);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("N1 $1\nN2 G90 G01 x=10.00 y=0.00 z=0.00 F600.000\nN3 M30");
        }
        QFile held(local1);
        QVERIFY(held.open(QIODevice::ReadOnly));
        ReadOnlyFolder shared(FixedPaths::local(QStringLiteral("/programs")));
        QVERIFY(shared.holds());

        QVERIFY(m_start->start({{1, QStringLiteral("N1 $1\nN2 M30"), 0}}));
        QCOMPARE(m_peer.next(), QStringLiteral("EXEC_1(/programs/_temp1.npg)"));
        QCOMPARE(held.readAll(), QByteArray("N1 $1\nN2 M30"));
        QCOMPARE(programFile(1), QByteArray("N1 $1\nN2 M30"));

        QSignalSpy messages(m_start.get(), &ChannelStart::message);
        QVERIFY(!m_start->start({{3, QStringLiteral("N1 $3"), 0}, {1, QStringLiteral("N1 $1"), 1000}}));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(),
                 QStringLiteral("[A]Не удалось записать файл /programs/_temp3.npg: программы не запущены"));
        QVERIFY(m_peer.silent(300));
        QCOMPARE(programFile(1), QByteArray("N1 $1\nN2 M30"));
    }

    // A command that does not leave ends the start: the later channels are not started.
    void commandNotSentEndsTheStart()
    {
        int sent = 0;
        ChannelStart start([&](const QString&) { return ++sent > 1; });
        QSignalSpy finished(&start, &ChannelStart::finished);
        QVERIFY(start.start({{3, QStringLiteral("N1 $3"), 0}, {1, QStringLiteral("N1 $1"), 10}}));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QVERIFY(!start.busy());
        QTest::qWait(50);
        QCOMPARE(sent, 1);
    }

private:
    std::unique_ptr<DriveTCPthread> m_link;
    DrivePeer m_peer;
    std::unique_ptr<ChannelStart> m_start;
};

POKAVRO_TEST_MAIN(TestChannelStart)
#include "tst_channelstart.moc"
