// The drive controller's status datagrams, as a sequence: each datagram goes through the decoder
// and, when it is taken, through the compare-with-previous step that drives the change signals.

#include <cstring>

#include "drivestatus.h"
#include "fuzzinput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput::Records datagrams(data, size);
    DriveStatus::Tracker tracker;
    DriveStatusPacket previous = DriveStatus::blank();
    QByteArray datagram;
    while (datagrams.next(datagram)) {
        DriveStatusPacket packet = DriveStatus::blank();
        const bool taken = DriveStatus::decode(datagram.constData(), datagram.size(), packet);
        FUZZ_CHECK(taken == (datagram.size() == DriveStatus::DatagramSize
                             && datagram.startsWith(QByteArrayLiteral("PV"))));
        if (!taken)
            continue;
        FUZZ_CHECK(DriveStatus::encode(packet) == datagram);

        const bool first = !tracker.havePrevious();
        int reported = 0;
        int lastIndex = -1;
        const int count = tracker.update(packet, [&](const DriveStatus::Change& change) {
            FUZZ_CHECK(change.index > lastIndex && change.index < DriveStatus::FieldCount);
            FUZZ_CHECK(change.kind == DriveStatus::fieldKind(change.index));
            FUZZ_CHECK(std::strlen(DriveStatus::fieldName(change.index)) > 0);
            lastIndex = change.index;
            ++reported;
        });
        FUZZ_CHECK(count == reported);
        if (first)
            FUZZ_CHECK(count == DriveStatus::FieldCount);
        else if (std::memcmp(&previous, &packet, size_t(DriveStatus::ComparedSize)) == 0
                 && !DriveStatus::hasNaN(packet))
            FUZZ_CHECK(count == 0);
        previous = packet;
    }
    return 0;
}
