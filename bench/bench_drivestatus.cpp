// Decoding the drive status datagram: the steady case (nothing changed) and a first datagram
// (every field reported).

#include <benchmark/benchmark.h>

#include "drivestatus.h"

namespace {

QByteArray sampleDatagram()
{
    DriveStatusPacket packet = DriveStatus::blank();
    for (int i = 0; i < DriveStatusPacket::AxisCount; ++i)
        packet.position[i] = 10.5f * float(i + 1);
    for (int i = 0; i < DriveStatusPacket::DriveCount; ++i)
        packet.driveState[i] = 0xA0102;
    packet.channelState[0] = 2;
    packet.keyAccess = 1;
    packet.drivePowerState = 0x7FF;
    return DriveStatus::encode(packet);
}

void BM_UnchangedDatagram(benchmark::State& state)
{
    const QByteArray wire = sampleDatagram();
    DriveStatus::Tracker tracker;
    DriveStatusPacket packet;
    DriveStatus::decode(wire.constData(), wire.size(), packet);
    tracker.update(packet, [](const DriveStatus::Change&) {});
    int emitted = 0;
    for (auto _ : state) {
        DriveStatus::decode(wire.constData(), wire.size(), packet);
        emitted += tracker.update(packet, [](const DriveStatus::Change& c) { benchmark::DoNotOptimize(c); });
    }
    if (emitted != 0)
        state.SkipWithError("an unchanged datagram reported changes");
}
BENCHMARK(BM_UnchangedDatagram);

void BM_FirstDatagram(benchmark::State& state)
{
    const QByteArray wire = sampleDatagram();
    DriveStatus::Tracker tracker;
    DriveStatusPacket packet;
    for (auto _ : state) {
        tracker.reset();
        DriveStatus::decode(wire.constData(), wire.size(), packet);
        const int emitted = tracker.update(packet, [](const DriveStatus::Change& c) { benchmark::DoNotOptimize(c); });
        benchmark::DoNotOptimize(emitted);
    }
}
BENCHMARK(BM_FirstDatagram);

}  // namespace

BENCHMARK_MAIN();
