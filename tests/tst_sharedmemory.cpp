#include <QSharedMemory>
#include <QtTest>

#include "elasharedmemory.h"
#include "pultshare.h"
#include "testenv.h"

#include <cstring>

namespace {

// The other side of a segment: the beam-unit or pendant program, played by a plain
// QSharedMemory on the same key in this process (whose TMPDIR is private).
class Companion
{
public:
    explicit Companion(const QString& key) : m_segment(key) {}

    bool create(int size) { return m_segment.create(size); }
    bool attach() { return m_segment.attach(); }
    int size() const { return m_segment.size(); }

    void write(int offset, const void* src, int len)
    {
        m_segment.lock();
        std::memcpy(static_cast<char*>(m_segment.data()) + offset, src, size_t(len));
        m_segment.unlock();
    }
    QByteArray bytes()
    {
        m_segment.lock();
        const QByteArray copy(static_cast<const char*>(m_segment.constData()), m_segment.size());
        m_segment.unlock();
        return copy;
    }
    void setLifeCounter(quint64 value) { write(0, &value, sizeof value); }
    void fill(char byte)
    {
        const QByteArray block(size(), byte);
        write(0, block.constData(), block.size());
    }

private:
    QSharedMemory m_segment;
};

}  // namespace

class TestSharedMemory : public QObject
{
    Q_OBJECT

private slots:
    // The companion was already running and had filled its block: the console attaches, zeroes
    // it, and each life check tells whether the counter moved since the previous one.
    void lifeCheckWithCompanionRunningFirst()
    {
        Companion companion(QStringLiteral("ELA_SHM_KEY"));
        QVERIFY(companion.create(ElaSharedMemory::kSize));
        companion.fill('\x11');

        ElaSharedMemory ela;
        QVERIFY(ela.isAttached());
        QCOMPARE(companion.bytes(), QByteArray(ElaSharedMemory::kSize, '\0'));

        ela.updateStatusEla();
        QVERIFY(!ela.changed());  // counter still 0, as in the fresh snapshot

        companion.setLifeCounter(1);
        const float beamCurrent = 42.5f;
        companion.write(236, &beamCurrent, sizeof beamCurrent);
        const quint32 sweepType = 3;
        companion.write(364, &sweepType, sizeof sweepType);
        ela.updateStatusEla();
        QVERIFY(ela.changed());
        QCOMPARE(ela.snapshotFloat(236), beamCurrent);
        QCOMPARE(ela.snapshotUInt(364), sweepType);

        // A companion that updates less than once per check, or has stopped.
        ela.updateStatusEla();
        QVERIFY(!ela.changed());

        companion.setLifeCounter(quint64(1) << 40);  // only the high half of the counter moves
        ela.updateStatusEla();
        QVERIFY(ela.changed());

        // Changes outside the life counter are copied but are not a sign of life.
        const float focus = 1.25f;
        companion.write(128, &focus, sizeof focus);
        ela.updateStatusEla();
        QVERIFY(!ela.changed());
        QCOMPARE(ela.snapshotFloat(128), focus);
        QCOMPARE(ela.snapshotFloat(ElaSharedMemory::kSize), 0.0f);
    }

    void lifeCheckWithConsoleFirst()
    {
        ElaSharedMemory ela;
        QVERIFY(ela.isAttached());
        Companion companion(QStringLiteral("ELA_SHM_KEY"));
        QVERIFY(companion.attach());
        QCOMPARE(companion.size(), ElaSharedMemory::kSize);

        companion.setLifeCounter(7);
        ela.updateStatusEla();
        QVERIFY(ela.changed());

        // A second console view (the program editor's) zeroes the block again.
        ElaSharedMemory editorView;
        QVERIFY(editorView.isAttached());
        QCOMPARE(companion.bytes(), QByteArray(ElaSharedMemory::kSize, '\0'));
        ela.updateStatusEla();
        QVERIFY(ela.changed());  // 7 -> 0
    }

    void pendantBlockFields()
    {
        Companion pendant(QStringLiteral("PULT_SHARE_KEY"));
        QVERIFY(pendant.create(PultShare::kSize));
        pendant.fill('\x5A');

        PultShare pult;
        QVERIFY(pult.isAttached());
        QCOMPARE(pendant.bytes(), QByteArray(PultShare::kSize, '\0'));
        const QByteArray tail("\xA1\xA2\xA3", 3);
        pendant.write(13, tail.constData(), tail.size());

        pult.setFuncLeftEncoder(1);
        pult.setFuncRightEncoder(0);
        pult.setFuncDistEncoder(1);
        pult.setBlockGui(true);

        QByteArray expected(PultShare::kSize, '\0');
        expected[0] = 1;
        expected[8] = 1;
        expected[12] = 1;
        expected.replace(13, 3, tail);
        QCOMPARE(pendant.bytes(), expected);
        QCOMPARE(pult.getFuncLeftEncoder(), 1u);
        QCOMPARE(pult.getFuncRightEncoder(), 0u);
        QCOMPARE(pult.getFuncDistEncoder(), 1u);
        QVERIFY(pult.getBlockGui());

        pult.setBlockGui(false);
        pult.setFuncLeftEncoder(0);
        expected[0] = 0;
        expected[12] = 0;
        QCOMPARE(pendant.bytes(), expected);
    }

    // A segment that exists under the key but is smaller than the agreed block counts as no
    // segment: nothing is zeroed, read or written.
    void tooSmallSegmentIsNoSegment_data()
    {
        QTest::addColumn<bool>("ela");
        QTest::newRow("ELA_SHM_KEY") << true;
        QTest::newRow("PULT_SHARE_KEY") << false;
    }
    void tooSmallSegmentIsNoSegment()
    {
        QFETCH(bool, ela);
        Companion companion(QString::fromLatin1(QTest::currentDataTag()));
        QVERIFY(companion.create(ela ? 100 : 8));
        companion.fill('\x5A');
        const QByteArray before = companion.bytes();

        if (ela) {
            ElaSharedMemory view;
            QVERIFY(!view.isAttached());
            view.updateStatusEla();
            QVERIFY(!view.changed());
            QCOMPARE(view.snapshotUInt(0), 0u);
        } else {
            PultShare pult;
            QVERIFY(!pult.isAttached());
            pult.setFuncLeftEncoder(1);
            pult.setFuncDistEncoder(1);
            pult.setBlockGui(true);
            QCOMPARE(pult.getFuncDistEncoder(), 0u);
            QVERIFY(!pult.getBlockGui());
        }
        QCOMPARE(companion.bytes(), before);
    }
};

POKAVRO_TEST_MAIN(TestSharedMemory)
#include "tst_sharedmemory.moc"
