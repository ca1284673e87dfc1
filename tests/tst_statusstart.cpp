// A status receiver tells its link of the first status from the moment its thread runs.
//
// A link's connect() creates its receiver, which starts its own thread at once; the controller
// is streaming already, so the first datagram may be decoded before connect() has returned. The
// receiver is built here on its own, as connect() builds it, and nothing else is wired: the
// link's status must still become known with the first datagram, so that the screens never
// keep the look of an unknown status over live values (and the weld passport never loses its
// coordinates and pressure) for a whole connection.

#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>

#include <memory>

#include "drivecomm.h"
#include "drivestatus.h"
#include "kvscomm.h"
#include "loopbackpeer.h"
#include "testenv.h"

namespace {

enum class Kind { Drive, Kvs, Kvk };

QByteArray vacuumStatus(int size)
{
    QByteArray bytes(size, '\0');
    qToLittleEndian<quint16>(kVacuumTextSignature, bytes.data());
    return bytes;
}

}  // namespace

Q_DECLARE_METATYPE(Kind)

class TestStatusStart : public QObject
{
    Q_OBJECT

private slots:
    void firstDatagramMakesTheStatusKnown_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::newRow("drive") << Kind::Drive;
        QTest::newRow("vacuum system") << Kind::Kvs;
        QTest::newRow("vacuum/door") << Kind::Kvk;
    }

    void firstDatagramMakesTheStatusKnown()
    {
        QFETCH(Kind, kind);
        LoopbackPeer peer;
        QVERIFY(peer.listen());

        std::unique_ptr<FramedLink> link;
        std::unique_ptr<QThread> receiver;
        QByteArray wire;
        switch (kind) {
        case Kind::Drive: {
            auto* drive = new DriveTCPthread;
            link.reset(drive);
            receiver = std::make_unique<DriveUDPthread>(drive, peer.udpPort);
            wire = DriveStatus::encode(DriveStatus::blank());
            break;
        }
        case Kind::Kvs: {
            auto* kvs = new KVSTCPthread;
            link.reset(kvs);
            receiver = std::make_unique<KVSUDPthread>(kvs, peer.udpPort);
            wire = vacuumStatus(int(sizeof(KvsStatusPacket)));
            break;
        }
        case Kind::Kvk: {
            auto* kvk = new KVKTCPthread;
            link.reset(kvk);
            receiver = std::make_unique<KVKUDPthread>(kvk, peer.udpPort);
            wire = vacuumStatus(int(sizeof(KvkStatusPacket)));
            break;
        }
        }
        QVERIFY(!link->statusKnown());

        // The receiver binds its port on its own thread: the first datagrams may find nobody.
        const bool known = QTest::qWaitFor(
            [&] {
                peer.datagram(wire);
                QTest::qWait(20);
                return link->statusKnown();
            },
            3000);
        receiver.reset();  // stopped and joined before its link goes
        QVERIFY(known);
    }
};

POKAVRO_TEST_MAIN(TestStatusStart)
#include "tst_statusstart.moc"
