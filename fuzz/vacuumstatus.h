#pragma once

// One harness body for both vacuum controllers' status datagrams: a sequence of datagrams, each
// through the decoder and, when taken, through the compare-with-previous step and the receiver's
// tracker.

#include <cstring>
#include <vector>

#include "fuzzinput.h"
#include "kvspackets.h"

template <typename Packet>
int fuzzVacuumStatus(const uint8_t* data, size_t size, const QVector<StatusField::Field>& fields)
{
    FuzzInput::Records datagrams(data, size);
    Packet previous;
    bool havePrevious = false;
    StatusField::Tracker tracker(fields, int(sizeof(Packet)));
    std::vector<StatusField::Value> tracked;
    QByteArray datagram;
    while (datagrams.next(datagram)) {
        Packet packet;
        std::memset(&packet, 0x5a, sizeof packet);
        const VacuumStatus::Verdict verdict = VacuumStatus::decode(datagram, packet);
        if (datagram.size() != int(sizeof(Packet)))
            FUZZ_CHECK(verdict == VacuumStatus::Verdict::WrongSize);
        else
            FUZZ_CHECK((verdict == VacuumStatus::Verdict::Accepted) == datagram.startsWith("PV"));
        if (verdict != VacuumStatus::Verdict::Accepted)
            continue;
        FUZZ_CHECK(VacuumStatus::encode(packet) == datagram);

        const QVector<StatusField::Change> changes =
            VacuumStatus::changes(havePrevious ? &previous : nullptr, packet);
        int lastField = -1;
        for (const StatusField::Change& change : changes) {
            FUZZ_CHECK(change.field > lastField && change.field < fields.size());
            FUZZ_CHECK(change.value.isValid());
            lastField = change.field;
        }
        // The receiver's tracker, which skips datagrams equal to the previous one, reports the
        // same fields.
        tracked.clear();
        tracker.update(reinterpret_cast<const uchar*>(&packet), tracked);
        FUZZ_CHECK(int(tracked.size()) == changes.size());
        for (size_t i = 0; i < tracked.size() && int(i) < changes.size(); ++i)
            FUZZ_CHECK(tracked[i].index == changes[int(i)].field);
        if (!havePrevious)
            FUZZ_CHECK(changes.size() == fields.size());
        else if (std::memcmp(&previous, &packet, sizeof packet) == 0)
            for (const StatusField::Change& change : changes)  // only a NaN differs from itself
                FUZZ_CHECK(change.value.toDouble() != change.value.toDouble());
        previous = packet;
        havePrevious = true;
    }
    return 0;
}
