#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QtEndian>
#include <QtTest>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

#include "NCF3_Writer.h"
#include "testenv.h"

using namespace NovCertFormat3;

namespace {

class RecordingErrors final : public AbstractErrorHandler
{
public:
    void OnError(const int& code) override { codes << code; }
    QList<int> codes;
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString freshFile(const QString& name)
{
    const QString path = QDir::current().absoluteFilePath(name);
    QFile::remove(path);
    return path;
}

// A reader of the recorder file as an analysis program outside the console would have it: every
// length is checked against the data and every text must be whole UTF-8.
struct ReadGraph {
    QString name;
    int red, green, blue, reserved;
};
struct ReadPlot {
    QString name;
    QString unit;
    quint32 type = 0;
    int parameter = -1;  // -1: not in the file
    QList<ReadGraph> graphs;
};
struct Recording {
    QString error;  // empty when the file read back
    quint16 magic = 0, version = 0;
    quint32 id = 0;
    QList<QPair<QString, QString>> blocks;
    QList<ReadPlot> plots;
    QList<QVector<float>> samples;
};

class Reader
{
public:
    explicit Reader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool has(qint64 n) const { return m_at + n <= m_bytes.size(); }
    quint64 number(int size)
    {
        quint64 value = 0;
        for (int i = 0; i < size; ++i)
            value |= quint64(quint8(m_bytes.at(m_at + i))) << (8 * i);
        m_at += size;
        return value;
    }
    bool text(qint64 size, QString& out)
    {
        if (!has(size))
            return false;
        const QByteArray raw = m_bytes.mid(int(m_at), int(size));
        m_at += size;
        out = QString::fromUtf8(raw);
        return out.toUtf8() == raw;
    }
    qint64 left() const { return m_bytes.size() - m_at; }
    float sample()
    {
        const quint32 bits = quint32(number(4));
        float value;
        std::memcpy(&value, &bits, 4);
        return value;
    }

private:
    const QByteArray m_bytes;
    qint64 m_at = 0;
};

Recording readRecording(const QByteArray& bytes)
{
    Recording rec;
    Reader in(bytes);
    if (!in.has(12))
        return rec.error = QStringLiteral("short head"), rec;
    rec.magic = quint16(in.number(2));
    rec.version = quint16(in.number(2));
    const int blocks = int(in.number(2));
    const int plots = int(in.number(2));
    rec.id = quint32(in.number(4));
    for (int b = 0; b < blocks; ++b) {
        if (!in.has(8))
            return rec.error = QStringLiteral("short block %1").arg(b), rec;
        const qint64 n = qint64(in.number(4));
        const qint64 m = qint64(in.number(4));
        QString name, value;
        if (!in.text(n, name) || !in.text(m, value))
            return rec.error = QStringLiteral("bad block %1").arg(b), rec;
        rec.blocks << qMakePair(name, value);
    }
    int total = 0;
    for (int p = 0; p < plots; ++p) {
        ReadPlot plot;
        if (!in.has(10))
            return rec.error = QStringLiteral("short plot %1").arg(p), rec;
        const qint64 a = qint64(in.number(2));
        const int graphs = int(in.number(2));
        plot.type = quint32(in.number(4));
        const qint64 b = qint64(in.number(2));
        if (!in.text(a, plot.name) || !in.text(b, plot.unit))
            return rec.error = QStringLiteral("bad plot %1").arg(p), rec;
        if (plot.type <= 1) {
            if (!in.has(2))
                return rec.error = QStringLiteral("no parameter %1").arg(p), rec;
            plot.parameter = int(in.number(2));
        }
        for (int g = 0; g < graphs; ++g) {
            ReadGraph graph;
            if (!in.has(6))
                return rec.error = QStringLiteral("short graph %1/%2").arg(p).arg(g), rec;
            const qint64 c = qint64(in.number(2));
            graph.red = int(in.number(1));
            graph.green = int(in.number(1));
            graph.blue = int(in.number(1));
            graph.reserved = int(in.number(1));
            if (!in.text(c, graph.name))
                return rec.error = QStringLiteral("bad graph %1/%2").arg(p).arg(g), rec;
            plot.graphs << graph;
        }
        total += graphs;
        rec.plots << plot;
    }
    if (total == 0)
        return in.left() == 0 ? rec : (rec.error = QStringLiteral("samples without graphs"), rec);
    if (in.left() % (4 * total) != 0)
        return rec.error = QStringLiteral("a broken sample record"), rec;
    while (in.left() > 0) {
        QVector<float> sample;
        for (int i = 0; i < total; ++i)
            sample << in.sample();
        rec.samples << sample;
    }
    return rec;
}

// Counts how many of its kind are alive, to see who deletes what.
struct CountedBlock : InformationBlock {
    explicit CountedBlock(int& alive) : InformationBlock(QString(), QString()), m_alive(alive)
    {
        ++m_alive;
    }
    ~CountedBlock() override { --m_alive; }
    int& m_alive;
};
struct CountedGraph : Graph {
    explicit CountedGraph(int& alive) : Graph(QStringLiteral("g"), Qt::red), m_alive(alive)
    {
        ++m_alive;
    }
    ~CountedGraph() override { --m_alive; }
    int& m_alive;
};

// A plot whose name and unit come from the subclass, as the writer must ask for them.
struct LivePlot : Plot {
    LivePlot() : Plot(QStringLiteral("stored"), QStringLiteral("stored"), 2) {}
    QString GetName() const override { return QStringLiteral("live"); }
    QString GetUnitName() const override { return QStringLiteral("V"); }
};

// A writer on a fresh file of the test's folder, with its errors recorded.
struct Recorder {
    explicit Recorder(const QString& name, unsigned int id = 1)
        : path(freshFile(name)), writer(&errors, path, id)
    {
    }
    QByteArray bytes() const { return fileBytes(path); }
    Recording read() const { return readRecording(bytes()); }

    // A plot of type 2 with one graph a value, named "1", "2", ...
    Plot* addPlot(const QString& name, const QList<float>& values = {})
    {
        auto* plot = new Plot(name, QString(), 2);
        for (const float value : values)
            plot->Graphs().AddItem(
                new Graph(QString::number(plot->Graphs().Count() + 1), Qt::red, value));
        writer.Plots().AddItem(plot);
        return plot;
    }
    static Graph* graph(Plot* plot, int index)
    {
        return *std::next(plot->Graphs().GetItems().begin(), index);
    }

    const QString path;
    RecordingErrors errors;
    Writer writer;
};

}  // namespace

class TestNcf3Writer : public QObject
{
    Q_OBJECT

private slots:
    void emptyRecordingIsTheHeadAlone()
    {
        Recorder rec(QStringLiteral("empty.ncf"), 0x12345678u);
        QVERIFY(rec.writer.Start());
        QVERIFY(rec.writer.IsRecording());
        rec.writer.OnTimeout();
        rec.writer.OnTimeout();
        QCOMPARE(rec.bytes().toHex(' '), QByteArray("43 4e 64 00 00 00 00 00 78 56 34 12"));
        QVERIFY(rec.errors.codes.isEmpty());
    }

    // Every field of the header, Cyrillic texts counted in UTF-8 bytes, the parameter only for
    // types 0 and 1, the reserved byte 0.
    void headerBytes()
    {
        Recorder rec(QStringLiteral("header.ncf"), 7);
        rec.writer.InformationBlocks().AddItem(
            new InformationBlock(QStringLiteral("Шов"), QStringLiteral("A1")));
        auto* current = new Plot(QStringLiteral("Ток"), QStringLiteral("мА"), 0, 258);
        current->Graphs().AddItem(new Graph(QStringLiteral("Ib"), QColor(255, 0, 0, 17)));
        current->Graphs().AddItem(new Graph(QStringLiteral("If"), QColor(0, 128, 255)));
        rec.writer.Plots().AddItem(current);
        rec.writer.Plots().AddItem(new Plot(QStringLiteral("P"), QString(), 1, 70000));
        rec.writer.Plots().AddItem(new Plot(QStringLiteral("N"), QString(), 0, -1));
        auto* plain = new Plot(QStringLiteral("T"), QStringLiteral("C"), 2, 99);
        plain->Graphs().AddItem(new Graph(QStringLiteral("x"), QColor(1, 2, 3)));
        rec.writer.Plots().AddItem(plain);
        rec.writer.Plots().AddItem(new LivePlot);
        QVERIFY(rec.writer.Start());

        const QByteArray expected = QByteArray::fromHex(
            "434e 6400 0100 0500 07000000"                     // head: 1 block, 5 plots, id 7
            "06000000 02000000 d0a8d0bed0b2 4131"              // "Шов" = "A1"
            "0600 0200 00000000 0400 d0a2d0bed0ba d0bcd090 0201"  // "Ток" [мА], type 0, 258
            "0200 ff0000 00 4962"                              // "Ib" red
            "0200 0080ff 00 4966"                              // "If"
            "0100 0000 01000000 0000 50 7011"                  // "P", type 1, 70000 in its low 16 bits
            "0100 0000 00000000 0000 4e ffff"                  // "N", type 0, -1 in its low 16 bits
            "0100 0100 02000000 0100 54 43"                    // "T" [C], type 2: no parameter
            "0100 010203 00 78"                                // "x"
            "0400 0000 02000000 0100 6c697665 56");            // the subclass's name and unit
        QCOMPARE(rec.bytes().toHex(' '), expected.toHex(' '));
        QVERIFY(rec.errors.codes.isEmpty());
    }

    // One record a tick: every graph of every plot in header order, as little-endian floats.
    void samplesFollowTheGraphs()
    {
        Recorder rec(QStringLiteral("samples.ncf"));
        Plot* first = rec.addPlot(QStringLiteral("a"), {1.5f, -2.0f});
        rec.addPlot(QStringLiteral("b"));
        Plot* third = rec.addPlot(QStringLiteral("c"), {1e6f});
        QVERIFY(rec.writer.Start());
        const int headerSize = rec.bytes().size();

        rec.writer.OnTimeout();
        Recorder::graph(first, 0)->SetValue(0.25f);
        Recorder::graph(third, 0)->SetValue(-0.0f);
        rec.writer.OnTimeout();

        const QByteArray bytes = rec.bytes();
        QCOMPARE(bytes.size(), headerSize + 2 * 12);
        QCOMPARE(bytes.mid(headerSize, 12).toHex(' '),
                 QByteArray("00 00 c0 3f 00 00 00 c0 00 24 74 49"));
        const Recording read = rec.read();
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.samples.size(), 2);
        QCOMPARE(read.samples.at(1), (QVector<float>{0.25f, -2.0f, -0.0f}));
        QVERIFY(rec.errors.codes.isEmpty());
    }

    // The writer's own timer: a sample every 100 ms, and OnUpdate after each.
    void timerSamplesAndAnnounces()
    {
        Recorder rec(QStringLiteral("timer.ncf"));
        Graph* graph = Recorder::graph(rec.addPlot(QStringLiteral("a"), {4.0f}), 0);
        QSignalSpy updates(&rec.writer, &Writer::OnUpdate);
        // The owner refreshes its values in answer to each tick.
        connect(&rec.writer, &Writer::OnUpdate, this, [graph] { graph->SetValue(graph->GetValue() + 1); });
        QVERIFY(rec.writer.Start());
        QVERIFY(updates.wait(2000));
        QVERIFY(QTest::qWaitFor([&] { return updates.size() >= 2; }, 2000));
        rec.writer.Stop();
        QVERIFY(!rec.writer.IsRecording());

        const Recording read = rec.read();
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.samples.size(), updates.size());
        QCOMPARE(read.samples.at(0).at(0), 4.0f);  // written before the owner's answer
        QCOMPARE(read.samples.at(1).at(0), 5.0f);
    }

    void secondStartTruncates()
    {
        Recorder rec(QStringLiteral("again.ncf"));
        Plot* plot = rec.addPlot(QStringLiteral("a"), {1.0f});
        QVERIFY(rec.writer.Start());
        for (int i = 0; i < 5; ++i)
            rec.writer.OnTimeout();

        // A new recording with the lists as they are now.
        plot->Graphs().AddItem(new Graph(QStringLiteral("2"), Qt::red, 2.0f));
        rec.writer.InformationBlocks().AddItem(new InformationBlock(QStringLiteral("n"), QStringLiteral("v")));
        QVERIFY(rec.writer.Start());
        rec.writer.OnTimeout();
        const Recording read = rec.read();
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.blocks.size(), 1);
        QCOMPARE(read.plots.at(0).graphs.size(), 2);
        QCOMPARE(read.samples, (QList<QVector<float>>{{1.0f, 2.0f}}));
        QVERIFY(rec.errors.codes.isEmpty());
    }

    void folderAsFileNameFailsToOpen()
    {
        Recorder rec(QStringLiteral("a-folder"));
        QVERIFY(QDir().mkpath(rec.path));
        rec.addPlot(QStringLiteral("a"), {1.0f});
        QVERIFY(!rec.writer.Start());
        QCOMPARE(rec.errors.codes, QList<int>{ErrorOpen});
        QVERIFY(!rec.writer.IsRecording());
        rec.writer.OnTimeout();  // nothing to write to, nothing said
        QCOMPARE(rec.errors.codes, QList<int>{ErrorOpen});
        QVERIFY(QFileInfo(rec.path).isDir());
    }

    // Texts longer than their u16 field are cut at a character boundary, counts to 65,535, and
    // the file still reads back whole.
    void oversizedFieldsAreCutAndReadBack()
    {
        Recorder rec(QStringLiteral("long.ncf"), 9);
        const QString longPlot(40000, QChar(0x0416));  // "Ж", 2 bytes each
        QString longGraph = QStringLiteral("a");
        for (int i = 0; i < 16384; ++i)
            longGraph += QString::fromUtf8("\xF0\x9F\x98\x80");  // 4 bytes each
        auto* plot = new Plot(longPlot, longGraph, 0, 5);
        plot->Graphs().AddItem(new Graph(longGraph, Qt::red, 1.0f));
        rec.writer.Plots().AddItem(plot);
        QList<float> many;
        for (int i = 0; i < 65536; ++i)
            many << float(i);
        rec.addPlot(QStringLiteral("many"), many);
        QVERIFY(rec.writer.Start());
        rec.writer.OnTimeout();

        const Recording read = rec.read();
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.plots.size(), 2);
        QCOMPARE(read.plots.at(0).name, longPlot.left(32767));  // 65,534 bytes
        QCOMPARE(read.plots.at(0).unit, longGraph.left(1 + 2 * 16383));  // 65,533 bytes
        QCOMPARE(read.plots.at(0).parameter, 5);
        QCOMPARE(read.plots.at(0).graphs.at(0).name, longGraph.left(1 + 2 * 16383));
        QCOMPARE(read.plots.at(1).graphs.size(), 65535);
        QCOMPARE(read.samples.size(), 1);
        QCOMPARE(read.samples.at(0).size(), 1 + 65535);
        QCOMPARE(read.samples.at(0).last(), 65534.0f);
        QVERIFY(rec.errors.codes.isEmpty());
    }

    // Whatever happens to the lists during a recording, a sample never reads a graph that left
    // them and never differs from the header's layout.
    void changedLayoutSkipsTheTick_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("graph removed") << 0;
        QTest::newRow("graph added") << 1;
        QTest::newRow("plot removed") << 2;
        QTest::newRow("plots reordered") << 3;
    }
    void changedLayoutSkipsTheTick()
    {
        QFETCH(int, change);
        Recorder rec(QStringLiteral("changed.ncf"));
        Plot* first = rec.addPlot(QStringLiteral("a"), {1.0f});
        rec.addPlot(QStringLiteral("b"), {2.0f});
        QVERIFY(rec.writer.Start());
        rec.writer.OnTimeout();
        const QByteArray before = rec.bytes();

        Graph* graph = Recorder::graph(first, 0);
        switch (change) {
        case 0:
            QVERIFY(first->Graphs().RemoveItem(graph));
            delete graph;
            break;
        case 1:
            first->Graphs().AddItem(new Graph(QStringLiteral("3"), Qt::red));
            break;
        case 2:
            QVERIFY(rec.writer.Plots().RemoveItem(first));
            delete first;
            break;
        case 3:
            QVERIFY(rec.writer.Plots().RemoveItem(first));
            rec.writer.Plots().AddItem(first);
            break;
        }
        rec.writer.OnTimeout();
        rec.writer.OnTimeout();
        QCOMPARE(rec.errors.codes, (QList<int>{ErrorSample, ErrorSample}));
        QCOMPARE(rec.bytes(), before);
        QVERIFY(rec.writer.IsRecording());

        // The next recording takes the lists as they are.
        rec.errors.codes.clear();
        QVERIFY(rec.writer.Start());
        rec.writer.OnTimeout();
        const Recording read = rec.read();
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.samples.size(), 1);
        QVERIFY(rec.errors.codes.isEmpty());
    }

    // Writes that the file takes only in part: the header (4, no recording) and a sample (5,
    // recording goes on without the piece).
    void shortWritesAreReported()
    {
        Recorder rec(QStringLiteral("short.ncf"));
        rec.addPlot(QStringLiteral("a"), {1.0f, 2.0f});
        const qint64 headerSize = 12 + 10 + 1 + 2 * (6 + 1);

        rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const auto limitTo = [&](rlim_t bytes) {
            rlimit limited = saved;
            limited.rlim_cur = bytes;
            return setrlimit(RLIMIT_FSIZE, &limited) == 0;
        };
        bool headerStarted = true, sampleStarted = false;
        if (limitTo(rlim_t(headerSize - 3))) {
            headerStarted = rec.writer.Start();
            if (limitTo(rlim_t(headerSize + 8 + 4))) {
                sampleStarted = rec.writer.Start();
                rec.writer.OnTimeout();
                rec.writer.OnTimeout();
            }
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!headerStarted);
        QVERIFY(sampleStarted);
        QCOMPARE(rec.errors.codes, (QList<int>{ErrorHeader, ErrorSample}));
        QVERIFY(rec.writer.IsRecording());
        rec.writer.OnTimeout();
        QCOMPARE(rec.errors.codes.size(), 2);  // room again: the next sample is whole

        // The piece of the short sample is gone: the file holds whole samples only.
        const Recording read = rec.read();
        QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
        QCOMPARE(read.samples, (QList<QVector<float>>{{1.0f, 2.0f}, {1.0f, 2.0f}}));
    }

    void listsOwnTheirItems()
    {
        int blocks = 0, graphs = 0;
        {
            Recorder rec(QStringLiteral("own.ncf"));
            LinkedList::Manager<InformationBlock>& list = rec.writer.InformationBlocks();
            auto* kept = new CountedBlock(blocks);
            QVERIFY(list.AddItem(kept));
            QVERIFY(!list.AddItem(kept));  // held once, deleted once
            QVERIFY(list.AddItem(new CountedBlock(blocks)));
            QVERIFY(!list.AddItem(nullptr));
            Plot* plot = rec.addPlot(QStringLiteral("a"));
            plot->Graphs().AddItem(new CountedGraph(graphs));
            plot->Graphs().AddItem(new CountedGraph(graphs));

            // Removing hands the item back undeleted.
            QVERIFY(list.RemoveItem(kept));
            QVERIFY(!list.RemoveItem(kept));
            QCOMPARE(blocks, 2);
            delete kept;
            QCOMPARE(list.Count(), 1);
            QVERIFY(rec.writer.Start());
        }
        QCOMPARE(blocks, 0);
        QCOMPARE(graphs, 0);
    }
};

POKAVRO_TEST_MAIN(TestNcf3Writer)
#include "tst_ncf3writer.moc"
