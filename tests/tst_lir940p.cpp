#include <QFile>
#include <QMutex>
#include <QTemporaryFile>
#include <QtTest>

#include "fixedpaths.h"
#include "lir940p.h"
#include "testenv.h"

#include <unistd.h>

namespace {

constexpr quint32 kBit31 = 0x80000000u;

// A decoder whose channel 0 base is already captured at base.
HandwheelDecoder primed(quint32 base)
{
    HandwheelDecoder decoder;
    for (int i = 0; i < HandwheelDecoder::kBaseReads; ++i)
        decoder.feed(0, base);
    return decoder;
}

// What a scripted counter card answers; shared between the test and the poll thread.
struct FakeCard {
    QMutex mutex;
    quint32 words[3] = {0, 0, 0};
    bool failing[3] = {false, false, false};
    int goodReads = 0;
    int reads = 0;
    bool closed = false;

    int readsSoFar()
    {
        QMutexLocker lock(&mutex);
        return reads;
    }
};

class FakeDevice final : public CounterDevice
{
public:
    explicit FakeDevice(std::shared_ptr<FakeCard> card) : m_card(std::move(card)) {}
    ~FakeDevice() override
    {
        QMutexLocker lock(&m_card->mutex);
        m_card->closed = true;
    }
    bool readChannel(int channel, quint32& word) override
    {
        QMutexLocker lock(&m_card->mutex);
        ++m_card->reads;
        if (channel < 1 || channel > 3 || m_card->failing[channel - 1])
            return false;
        ++m_card->goodReads;
        word = m_card->words[channel - 1];
        return true;
    }

private:
    std::shared_ptr<FakeCard> m_card;
};

// Collects what the process writes to its standard error stream while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(2);
        ::dup2(m_file.handle(), 2);
    }
    ~StderrCapture() { restore(); }
    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, 2);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

}  // namespace

class TestLir940p : public QObject
{
    Q_OBJECT

private slots:
    void decoderSteps_data()
    {
        QTest::addColumn<uint>("base");
        QTest::addColumn<QList<uint>>("words");
        QTest::addColumn<QList<int>>("steps");
        QTest::addColumn<uint>("finalBase");
        QTest::addColumn<int>("remainder");

        QTest::newRow("+3 then +2") << 100u << QList<uint>{103, 105} << QList<int>{0, 1} << 105u << 1;
        QTest::newRow("small moves add up") << 100u << QList<uint>{101, 102, 103, 104} << QList<int>{0, 0, 0, 1}
                                            << 104u << 0;
        QTest::newRow("-7") << 100u << QList<uint>{93} << QList<int>{-1} << 93u << -3;
        QTest::newRow("-8") << 100u << QList<uint>{92} << QList<int>{-2} << 92u << 0;
        QTest::newRow("remainder carries into the next move")
            << 100u << QList<uint>{93, 90} << QList<int>{-1, -1} << 90u << -2;
        QTest::newRow("wrap upwards past the top") << 16777200u << QList<uint>{20} << QList<int>{9} << 20u << 0;
        QTest::newRow("wrap downwards past zero") << 10u << QList<uint>{16777210} << QList<int>{-4}
                                                  << 16777210u << 0;
        QTest::newRow("status bit 31 alone is valid") << 100u << QList<uint>{kBit31 | 104} << QList<int>{1} << 104u << 0;
        QTest::newRow("status bits are not part of the count")
            << 100u << QList<uint>{kBit31 | 0x20000000u | 0x10000000u | 108} << QList<int>{2} << 108u << 0;
        for (const uint bit : {24u, 25u, 26u, 27u, 30u})
            QTest::addRow("status bit %u makes the read invalid", bit)
                << 100u << QList<uint>{(1u << bit) | 140, 104} << QList<int>{0, 1} << 104u << 0;
    }
    void decoderSteps()
    {
        QFETCH(uint, base);
        QFETCH(QList<uint>, words);
        QFETCH(QList<int>, steps);
        QFETCH(uint, finalBase);
        QFETCH(int, remainder);

        HandwheelDecoder decoder = primed(base);
        QList<int> actual;
        for (const uint word : words)
            actual << decoder.feed(0, word);
        QCOMPARE(actual, steps);
        QCOMPARE(decoder.base(0), finalBase);
        QCOMPARE(decoder.remainder(0), remainder);
    }

    // The first eight good reads of all channels together only capture bases, and reads that
    // fail the status test use none of them up.
    void decoderCapturesBasesFirst()
    {
        HandwheelDecoder decoder;
        for (int i = 0; i < 50; ++i)
            QCOMPARE(decoder.feed(2, (1u << 24) | quint32(i * 1000)), 0);
        QCOMPARE(decoder.countdown(), HandwheelDecoder::kBaseReads);

        const quint32 counts[] = {0, 5000, 77, 16777215, 40, 3000, 1234, 999};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(decoder.feed(i % 3, counts[i]), 0);
        QCOMPARE(decoder.countdown(), 0);
        QCOMPARE(decoder.base(0), 1234u);
        QCOMPARE(decoder.base(1), 999u);
        QCOMPARE(decoder.base(2), 3000u);
        QCOMPARE(decoder.feed(1, 999 + 12), 3);
        QCOMPARE(decoder.feed(2, 3000), 0);
    }

    // The poll thread reports steps to receivers on the GUI thread by queued delivery; a channel
    // whose driver reads keep failing never reports; the destructor stops and joins the thread
    // and closes the device.
    void pollThreadReportsSteps()
    {
        auto card = std::make_shared<FakeCard>();
        card->words[0] = 1000;
        card->words[1] = kBit31 | 500;
        card->failing[2] = true;

        auto lir = std::make_unique<Lir940p>(std::make_unique<FakeDevice>(card));
        QVERIFY(lir->isRunning());
        QList<QPair<int, int>> reports;
        bool onGuiThread = true;
        connect(lir.get(), &Lir940p::valueChanged, this, [&](int channel, int delta) {
            onGuiThread = onGuiThread && QThread::currentThread() == thread();
            reports << qMakePair(channel, delta);
        });

        QVERIFY(QTest::qWaitFor([&] {
            QMutexLocker lock(&card->mutex);
            return card->goodReads >= HandwheelDecoder::kBaseReads;
        }, 5000));
        {
            QMutexLocker lock(&card->mutex);
            card->words[0] = 1040;
            card->words[1] = kBit31 | 492;
        }
        QVERIFY(QTest::qWaitFor([&] { return reports.size() >= 2; }, 5000));
        QTest::qWait(100);  // nothing further arrives while the counters stand still
        std::sort(reports.begin(), reports.end());
        QCOMPARE(reports, (QList<QPair<int, int>>{{0, 10}, {1, -2}}));
        QVERIFY(onGuiThread);

        lir.reset();
        QVERIFY(card->closed);
        const int reads = card->readsSoFar();
        QTest::qWait(60);
        QCOMPARE(card->readsSoFar(), reads);
    }

    void missingCardLeavesReaderInert()
    {
        QFile::remove(FixedPaths::counterDevice());
        StderrCapture capture;
        Lir940p lir;
        QVERIFY(!lir.isRunning());
        QCOMPARE(capture.text(), QByteArray("open(/dev/lirpci) failed\n"));
    }

    // A node that opens but answers no counter request (here a plain file) is polled without
    // ever reporting, and the reader still stops cleanly.
    void deviceThatRefusesReadsNeverReports()
    {
        TestEnv::makeInstallationFolders();
        QFile node(FixedPaths::counterDevice());
        QVERIFY(node.open(QIODevice::WriteOnly));
        node.write("not a counter card");
        node.close();

        {
            Lir940p lir;
            QVERIFY(lir.isRunning());
            QSignalSpy spy(&lir, &Lir940p::valueChanged);
            QTest::qWait(200);  // ten poll cycles
            QCOMPARE(spy.count(), 0);
        }
        QFile::remove(FixedPaths::counterDevice());
    }
};

POKAVRO_TEST_MAIN(TestLir940p)
#include "tst_lir940p.moc"
