#include <QSharedMemory>
#include <QtTest>

#include <algorithm>
#include <limits>

#include "elasharedmemory.h"
#include "lockholder.h"
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

// A life check that reads the block; with nobody holding the lock, one of a few checks reads.
bool checked(ElaSharedMemory& ela)
{
    return TestEnv::readsBack([&ela] { return ela.updateStatusEla(); });
}

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
        QVERIFY(QTest::qWaitFor([&] { return companion.bytes() == QByteArray(ElaSharedMemory::kSize, '\0'); }, 5000));

        QVERIFY(checked(ela));
        QVERIFY(!ela.changed());  // counter still 0, as in the fresh snapshot

        companion.setLifeCounter(1);
        const float beamCurrent = 42.5f;
        companion.write(236, &beamCurrent, sizeof beamCurrent);
        const quint32 sweepType = 3;
        companion.write(364, &sweepType, sizeof sweepType);
        QVERIFY(checked(ela));
        QVERIFY(ela.changed());
        QCOMPARE(ela.snapshotFloat(236), beamCurrent);
        QCOMPARE(ela.snapshotUInt(364), sweepType);

        // A companion that updates less than once per check, or has stopped.
        QVERIFY(checked(ela));
        QVERIFY(!ela.changed());

        companion.setLifeCounter(quint64(1) << 40);  // only the high half of the counter moves
        QVERIFY(checked(ela));
        QVERIFY(ela.changed());

        // Changes outside the life counter are copied but are not a sign of life.
        const float focus = 1.25f;
        companion.write(128, &focus, sizeof focus);
        QVERIFY(checked(ela));
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
        QVERIFY(checked(ela));
        QVERIFY(ela.changed());

        // A second console view (the program editor's) zeroes the block again.
        ElaSharedMemory editorView;
        QVERIFY(editorView.isAttached());
        QVERIFY(QTest::qWaitFor([&] { return companion.bytes() == QByteArray(ElaSharedMemory::kSize, '\0'); }, 5000));
        QVERIFY(checked(ela));
        QVERIFY(ela.changed());  // 7 -> 0
    }

    void pendantBlockFields()
    {
        Companion pendant(QStringLiteral("PULT_SHARE_KEY"));
        QVERIFY(pendant.create(PultShare::kSize));
        pendant.fill('\x5A');

        PultShare pult;
        QVERIFY(pult.isAttached());
        QVERIFY(QTest::qWaitFor([&] { return pendant.bytes() == QByteArray(PultShare::kSize, '\0'); }, 5000));
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
        // The fields are written on the segment's thread: on a loaded machine a moment later.
        QTRY_COMPARE_WITH_TIMEOUT(pendant.bytes(), expected, 5000);
        QVERIFY(TestEnv::readsBack([&] { return pult.getFuncLeftEncoder() == 1u; }));
        QVERIFY(TestEnv::readsBack([&] { return pult.getFuncRightEncoder() == 0u; }));
        QVERIFY(TestEnv::readsBack([&] { return pult.getFuncDistEncoder() == 1u; }));
        QVERIFY(TestEnv::readsBack([&] { return pult.getBlockGui(); }));

        pult.setBlockGui(false);
        pult.setFuncLeftEncoder(0);
        expected[0] = 0;
        expected[12] = 0;
        QTRY_COMPARE_WITH_TIMEOUT(pendant.bytes(), expected, 5000);
    }

    // A companion that holds the lock of its block (hung, or stopped while holding it) costs a
    // life check at most a bounded wait, once: the companion then counts as not alive, and later
    // checks while it still holds the lock do not wait at all. Once it lets go, the check sees
    // its counter again.
    void lifeCheckWhileCompanionHoldsTheLock()
    {
        if (LockHolder::holdIfAsked())
            return;
        ElaSharedMemory ela;
        QVERIFY(ela.isAttached());
        Companion companion(QStringLiteral("ELA_SHM_KEY"));
        QVERIFY(companion.attach());
        companion.setLifeCounter(1);
        QVERIFY(checked(ela));
        QVERIFY(ela.changed());
        companion.setLifeCounter(2);

        LockHolder holder;
        QVERIFY(holder.start(QStringLiteral("ELA_SHM_KEY"), 3000));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!ela.updateStatusEla());
        const qint64 first = clock.restart();
        QVERIFY(!ela.changed());
        // The least of three later checks: a loaded machine may stretch one of them, a check that
        // waited would stretch them all.
        qint64 second = std::numeric_limits<qint64>::max();
        for (int i = 0; i < 3; ++i) {
            clock.restart();
            QVERIFY(!ela.updateStatusEla());
            second = std::min(second, clock.elapsed());
        }
        qInfo("life checks while the lock is held: %lld ms, then %lld ms", first, second);
        // The holder keeps the lock 3 s: a check that waited for it would take that long.
        QVERIFY2(first < 1500, qPrintable(QString::number(first)));
        QVERIFY2(second < SharedSegment::LockWaitMs, qPrintable(QString::number(second)));
        QCOMPARE(ela.snapshotUInt(0), 1u);  // the snapshot of the last check that read

        QVERIFY(holder.finish());
        QVERIFY(checked(ela));
        QVERIFY(ela.changed());
        QCOMPARE(ela.snapshotUInt(0), 2u);
    }

    // The console's writes to the pendant block never wait long for a held lock; they are made
    // once the lock is free, the latest value of each field.
    void pendantBlockWhileCompanionHoldsTheLock()
    {
        if (LockHolder::holdIfAsked())
            return;
        PultShare pult;
        QVERIFY(pult.isAttached());
        Companion pendant(QStringLiteral("PULT_SHARE_KEY"));
        QVERIFY(pendant.attach());

        LockHolder holder;
        QVERIFY(holder.start(QStringLiteral("PULT_SHARE_KEY"), 3000));
        QElapsedTimer clock;
        clock.start();
        // Three ticks of the main window's clock.
        for (unsigned tick = 1; tick <= 3; ++tick) {
            pult.setFuncLeftEncoder(tick);
            pult.setFuncRightEncoder(0);
            pult.setFuncDistEncoder(tick % 2);
            pult.setBlockGui(tick == 2);
        }
        QCOMPARE(pult.getFuncLeftEncoder(), 0u);  // not read while held
        const qint64 spent = clock.elapsed();
        QVERIFY2(spent < 1500, qPrintable(QString::number(spent)));  // the hold lasts 3 s

        QVERIFY(holder.finish());
        QByteArray expected(PultShare::kSize, '\0');
        expected[0] = 3;
        expected[8] = 1;
        QVERIFY(QTest::qWaitFor([&] { return pendant.bytes() == expected; }, 2000));
        QCOMPARE(pult.getFuncLeftEncoder(), 3u);
    }

    // Companions that hold their locks nearly all the time, letting go only for a moment: a tick
    // of the main window's clock (the pendant block's four fields, then the life check) waits a
    // bounded time in all, not nearly a hold for each field; the fields are written all the same.
    void companionsThatHardlyLetGo()
    {
        if (LockHolder::holdIfAsked())
            return;
        PultShare pult;
        ElaSharedMemory ela;
        QVERIFY(pult.isAttached() && ela.isAttached());
        Companion pendant(QStringLiteral("PULT_SHARE_KEY"));
        QVERIFY(pendant.attach());

        const int holdMs = 45;
        LockHolder pendantHolder;
        LockHolder beamHolder;
        QVERIFY(pendantHolder.start(QStringLiteral("PULT_SHARE_KEY"), holdMs, 4000));
        QVERIFY(beamHolder.start(QStringLiteral("ELA_SHM_KEY"), holdMs, 4000));
        // Waiting for each of the five accesses would take some 250 ms a tick. The least of three
        // ticks is bounded: a loaded machine may stretch one of them, not all.
        qint64 least = std::numeric_limits<qint64>::max();
        for (unsigned tick = 1; tick <= 3; ++tick) {
            QElapsedTimer clock;
            clock.start();
            pult.setFuncLeftEncoder(tick);
            pult.setFuncRightEncoder(tick + 1);
            pult.setFuncDistEncoder(tick + 2);
            pult.setBlockGui(tick % 2);
            ela.updateStatusEla();
            const qint64 spent = clock.elapsed();
            qInfo("tick %u while both locks are held %d ms at a time: %lld ms", tick, holdMs, spent);
            least = std::min(least, spent);
            QTest::qWait(1000);
        }
        QVERIFY2(least < 100, qPrintable(QString::number(least)));

        QVERIFY(pendantHolder.finish());
        QVERIFY(beamHolder.finish());
        QByteArray expected(PultShare::kSize, '\0');
        expected[0] = 3;
        expected[4] = 4;
        expected[8] = 5;
        expected[12] = 1;
        QVERIFY(QTest::qWaitFor([&] { return pendant.bytes() == expected; }, 2000));
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
