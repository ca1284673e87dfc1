// End to end: the main window, built as at start-up (the login dialog not yet answered, so no
// user is needed), against the simulated controllers streaming 1000 status datagrams per second
// each, with every coordinate changing in every drive datagram. Reports the console's CPU time
// per second of wall time (the simulator's own thread taken out), the share of each thread, the
// CPU time each status receiver spends per datagram, and two delays: from a drive datagram leaving
// the simulator to its coordinate on the label, for every value the label shows, and from every
// drive datagram to the moment the label shows its value or a newer one (a coordinate that a
// newer one replaced before it was shown waits for that one).

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "drivesim.h"
#include "gui.h"
#include "guibench.h"
#include "testenv.h"
#include "vacuumsim.h"
#include "widgets.h"

namespace {

constexpr int kRate = 1000;         // datagrams per second and controller
constexpr int kWarmUpMs = 1500;
constexpr int kMeasureMs = 5000;
constexpr int kMaxSequence = 1 << 20;

qint64 nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 cpuNs(clockid_t clock)
{
    timespec ts;
    clock_gettime(clock, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// The three controllers in a thread of their own. The drive stream is sent from here rather than
// by the simulator's own timer, so that each datagram carries a new sequence number in its
// coordinates and its send time is known.
class SimThread : public QThread
{
public:
    explicit SimThread(const QList<quint16>& ports) : m_ports(ports), m_sent(kMaxSequence) {}

    // Send time of the datagram whose LX coordinate encodes this sequence number.
    qint64 sentAt(int sequence) const { return m_sent[size_t(sequence) % m_sent.size()].load(); }
    int datagrams() const { return m_count.load(); }
    clockid_t cpuClock() const { return m_cpuClock; }
    bool ready() const { return m_ready.load(); }

    static float coordinateOf(int sequence) { return float(sequence % 100000) / 100.0f; }
    static int sequenceOf(float coordinate) { return int(std::lround(double(coordinate) * 100.0)); }

protected:
    void run() override
    {
        pthread_setname_np(pthread_self(), "sim");
        pthread_getcpuclockid(pthread_self(), &m_cpuClock);
        DriveSimulator drive;
        VacuumSimulator vacuum;
        if (!drive.start(m_ports[0], m_ports[1])
            || !vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5])) {
            qFatal("the simulator cannot listen");
        }
        drive.pauseStream();
        vacuum.pauseStream(VacuumSimulator::Kvs);
        vacuum.pauseStream(VacuumSimulator::Kvk);

        QElapsedTimer clock;
        clock.start();
        int sequence = 0;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            // Catch up with the rate whatever the timer's jitter.
            const qint64 due = clock.nsecsElapsed() * kRate / 1000000000;
            while (sequence < due) {
                ++sequence;
                DriveStatusPacket& s = drive.status();
                for (int axis = 0; axis < DriveStatusPacket::AxisCount; ++axis)
                    s.position[axis] = coordinateOf(sequence) + float(axis);
                m_sent[size_t(sequence) % m_sent.size()].store(nowNs());
                drive.sendDatagram(drive.statusDatagram());
                vacuum.sendDatagram(VacuumSimulator::Kvs, vacuum.statusDatagram(VacuumSimulator::Kvs));
                vacuum.sendDatagram(VacuumSimulator::Kvk, vacuum.statusDatagram(VacuumSimulator::Kvk));
                m_count.store(sequence);
            }
        });
        timer.start();
        m_ready.store(true);
        exec();
    }

private:
    QList<quint16> m_ports;
    std::vector<std::atomic<qint64>> m_sent;
    std::atomic<int> m_count{0};
    std::atomic<bool> m_ready{false};
    clockid_t m_cpuClock{};
};

// CPU time so far of every thread of the process, in nanoseconds, summed by thread name.
QMap<QString, qint64> threadCpu()
{
    QMap<QString, qint64> byName;
    const QString tasks = QStringLiteral("/proc/self/task");
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks + QLatin1Char('/') + tid + QStringLiteral("/comm"));
        QFile stat(tasks + QLatin1Char('/') + tid + QStringLiteral("/schedstat"));
        if (!comm.open(QIODevice::ReadOnly) || !stat.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromLatin1(comm.readAll().trimmed());
        byName[name] += QString::fromLatin1(stat.readAll()).section(QLatin1Char(' '), 0, 0).toLongLong();
    }
    return byName;
}

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void BM_ConsoleStatusStream(benchmark::State& state)
{
    const bool shown = state.range(0) != 0;
    RecordingBoxes boxes;
    RecordingRunner runner;
    TestEnv::makeInstallationFolders();
    const QList<quint16> ports = TestEnv::configureControllers();

    SimThread sim(ports);
    sim.start();
    while (!sim.ready())
        QThread::msleep(1);

    auto gui = std::make_unique<Gui>();
    if (shown)
        gui->show();

    std::vector<double> delays;
    delays.reserve(size_t(kRate) * (kMeasureMs + kWarmUpMs) / 1000 + 1000);
    std::vector<std::pair<qint64, int>> shownAt;  // time and sequence of each label update
    shownAt.reserve(delays.capacity());
    bool measuring = false;
    int stale = 0;
    // The link's signal is emitted on the GUI thread; connected after the LX axis's own slot, this
    // runs right after the label took the new value.
    QObject::connect(gui->drives(), &DriveTCPthread::changedLX1, gui.get(), [&](float value) {
        if (!measuring)
            return;
        const qint64 now = nowNs();
        if (gui->coordLX->value() != value || gui->coordLX->text() != PoLabel::formatValue(value, 1.0f, 2)
            || QThread::currentThread() != gui->thread())
            ++stale;
        delays.push_back(double(now - sim.sentAt(SimThread::sequenceOf(value))) / 1e6);
        shownAt.emplace_back(now, SimThread::sequenceOf(value));
    }, Qt::DirectConnection);

    for (auto _ : state) {
        runFor(kWarmUpMs);
        if (!gui->cncConnected())
            state.SkipWithError("the drive link did not come up");
        measuring = true;
        const int sentBefore = sim.datagrams();
        const qint64 wallStart = nowNs();
        const qint64 processStart = cpuNs(CLOCK_PROCESS_CPUTIME_ID);
        const qint64 simStart = cpuNs(sim.cpuClock());
        const QMap<QString, qint64> threadsStart = threadCpu();
        runFor(kMeasureMs);
        const QMap<QString, qint64> threadsEnd = threadCpu();
        const qint64 simCpu = cpuNs(sim.cpuClock()) - simStart;
        const qint64 processCpu = cpuNs(CLOCK_PROCESS_CPUTIME_ID) - processStart;
        const qint64 wall = nowNs() - wallStart;
        measuring = false;
        const int sent = sim.datagrams() - sentBefore;

        // Every datagram after the first label update until the last one: shown by the first
        // update that shows it or a newer one.
        std::vector<double> untilShown;
        for (size_t i = 1; i < shownAt.size(); ++i) {
            for (int sequence = shownAt[i - 1].second + 1; sequence <= shownAt[i].second; ++sequence)
                untilShown.push_back(double(shownAt[i].first - sim.sentAt(sequence)) / 1e6);
        }
        std::sort(delays.begin(), delays.end());
        std::sort(untilShown.begin(), untilShown.end());
        const auto quantileOf = [](const std::vector<double>& sorted, double q) {
            return sorted.empty() ? 0.0 : sorted[std::min(sorted.size() - 1, size_t(q * double(sorted.size())))];
        };
        const auto quantile = [&](double q) { return quantileOf(delays, q); };
        const double cpuPercent = 100.0 * double(processCpu - simCpu) / double(wall);
        state.counters["console_cpu_%"] = cpuPercent;
        state.counters["sim_cpu_%"] = 100.0 * double(simCpu) / double(wall);
        state.counters["sent_per_s"] = double(sent) * 1e9 / double(wall);
        state.counters["labels_per_s"] = double(delays.size()) * 1e9 / double(wall);
        state.counters["delay_p50_ms"] = quantile(0.5);
        state.counters["delay_p99_ms"] = quantile(0.99);
        state.counters["delay_max_ms"] = delays.empty() ? 0.0 : delays.back();
        state.counters["until_shown_p99_ms"] = quantileOf(untilShown, 0.99);
        state.counters["until_shown_max_ms"] = untilShown.empty() ? 0.0 : untilShown.back();
        std::printf("console (%s): %.1f %% of one core; datagram to label: median %.3f ms, 99%% %.3f ms, "
                    "max %.3f ms; %d drive datagrams per controller sent in %.1f s, %zu label updates, "
                    "%d stale\n",
                    shown ? "window shown" : "login pending", cpuPercent, quantile(0.5), quantile(0.99),
                    delays.empty() ? 0.0 : delays.back(), sent, double(wall) / 1e9, delays.size(), stale);
        std::printf("  every datagram until its coordinate or a newer one is shown: median %.3f ms, 99%% %.3f ms, "
                    "max %.3f ms\n",
                    quantileOf(untilShown, 0.5), quantileOf(untilShown, 0.99),
                    untilShown.empty() ? 0.0 : untilShown.back());
        std::printf("  by thread (%% of one core):");
        for (auto it = threadsEnd.constBegin(); it != threadsEnd.constEnd(); ++it) {
            const double share = 100.0 * double(it.value() - threadsStart.value(it.key())) / double(wall);
            if (share >= 0.05)
                std::printf(" %s %.1f;", qPrintable(it.key()), share);
        }
        std::printf(" (the simulator runs in \"%s\")\n", "sim");
        // Each receiver gets one datagram of its controller for every drive datagram sent.
        std::printf("  status receivers, CPU time per datagram:");
        for (const char* receiver : {"DriveUDPthread", "KVSUDPthread", "KVKUDPthread"}) {
            const QString name = QString::fromLatin1(receiver);
            const double us = sent > 0 ? double(threadsEnd.value(name) - threadsStart.value(name)) / 1e3 / sent : 0.0;
            state.counters[std::string(receiver) + "_us"] = us;
            std::printf(" %s %.2f us;", receiver, us);
        }
        std::printf("\n");
        std::fflush(stdout);
    }

    gui.reset();
    sim.quit();
    sim.wait();
}
BENCHMARK(BM_ConsoleStatusStream)->ArgName("shown")->Arg(0)->Arg(1)->Iterations(1)->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return runGuiBenchmarks(argc, argv);
}
