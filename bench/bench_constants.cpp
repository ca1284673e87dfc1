// The constants dialog open while its controller floods it with tables (3000 tables of 100
// constants, written from a thread of their own): how long the GUI thread works at a stretch
// between two turns of a 10 ms timer (its own processor time), how long the flood takes to be
// shown on the wall clock, and how many of the tables the dialog laid out.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTableWidget>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "constants.h"
#include "kvscomm.h"
#include "linkpeer.h"
#include "socketwriter.h"
#include "guibench.h"
#include "testenv.h"
#include "threadcpu.h"

namespace {

constexpr int kTables = 3000;
constexpr int kConstants = 100;

QByteArray floodOfTables()
{
    QByteArray flood;
    for (int k = 0; k < kTables; ++k) {
        QVector<VacConstRecord> records;
        for (int i = 0; i < kConstants; ++i)
            records << VacConsts::make(i + 1, float(k), QStringLiteral("Параметр %1").arg(i));
        flood += LinkFrame::encode(kKvkConstsSignature, VacConsts::encode(records));
    }
    return flood;
}

void BM_ConstantsFlood(benchmark::State& state)
{
    const QByteArray flood = floodOfTables();
    for (auto _ : state) {
        LinkPeer peer;
        KVKTCPthread link;
        const quint16 udpPort = TestEnv::freePort();
        if (!peer.listen() || !link.connect(QStringLiteral("127.0.0.1"), peer.port(), udpPort) || !peer.accept()) {
            state.SkipWithError("the link did not come up");
            return;
        }
        // The status stream that keeps the link up.
        QTimer stream;
        QByteArray status(int(sizeof(KvkStatusPacket)), '\0');
        qToLittleEndian<quint16>(kVacuumTextSignature, status.data());
        QObject::connect(&stream, &QTimer::timeout, [&] { peer.sendDatagram(udpPort, status); });
        stream.start(40);

        QWidget parent;
        Constants dialog(&link, nullptr, &parent);
        QObject::connect(&link, &VacuumLink::constsReceived, &dialog, &Constants::onConstsReceivedKVK);
        auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("twConst"));
        int shown = 0;
        QObject::connect(table->model(), &QAbstractItemModel::rowsInserted,
                         [&](const QModelIndex&, int first, int) { shown += first == 0 ? 1 : 0; });

        qint64 lastCpu = threadCpuNs();
        qint64 longest = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = threadCpuNs();
            longest = std::max(longest, now - lastCpu);
            lastCpu = now;
        });
        const QString lastValue = QString::number(kTables - 1);
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            const QTableWidgetItem* item = table->item(kConstants - 1, 2);
            if (item && item->text() == lastValue)
                loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        QElapsedTimer wall;
        wall.start();
        tick.start(10);
        check.start(1);
        lastCpu = threadCpuNs();
        const qint64 cpuStart = lastCpu;
        {
            SocketWriter controller(peer.connection()->socketDescriptor(), flood);
            loop.exec();
        }
        const double wallMs = double(wall.nsecsElapsed()) / 1e6;
        const double cpuMs = double(threadCpuNs() - cpuStart) / 1e6;
        state.counters["longest_turn_ms"] = double(longest) / 1e6;
        state.counters["flood_wall_ms"] = wallMs;
        state.counters["gui_cpu_ms"] = cpuMs;
        state.counters["tables_shown"] = shown;
        std::printf("%d tables: shown %d, in %.1f ms (%.1f ms of the GUI thread's time); longest stretch "
                    "between two turns of a 10 ms timer %.1f ms of processor time\n",
                    kTables, shown, wallMs, cpuMs, double(longest) / 1e6);
        std::fflush(stdout);
        link.disconnect();
    }
}
BENCHMARK(BM_ConstantsFlood)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return runGuiBenchmarks(argc, argv);
}
