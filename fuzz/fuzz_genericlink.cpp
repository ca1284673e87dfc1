// The generic link's status messages: datagrams as the receiver's stream hands them over (those
// that pass its filter start a message, the following ones continue it), reassembled and stored
// into a subscribed set of elements.
//
// Input: one byte giving the number of elements (up to 15), one byte per element giving its type
// code (0-7; 7 is a code no record exists for), then the datagrams as records.

#include <cmath>
#include <memory>
#include <vector>

#include "fuzzinput.h"
#include "genericlink.h"

namespace {

constexpr float kMin = -100.0f;
constexpr float kMax = 100.0f;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t count = qMin<size_t>(data[0] % 16, size - 1);
    std::vector<std::unique_ptr<Element>> owned;
    ElementMap elements;
    for (size_t i = 0; i < count; ++i) {
        const QString name = QStringLiteral("E%1").arg(i, 2, 10, QLatin1Char('0'));
        owned.push_back(std::make_unique<Element>(Element::Type(data[1 + i] % 8), name, 2, kMin, kMax));
        elements.insert(name, owned.back().get());
    }
    GenericLink::subscribe(6000, elements);

    FuzzInput::Records datagrams(data + 1 + count, size - 1 - count);
    QByteArray datagram;
    while (datagrams.next(datagram)) {
        // The receiver's stream passes datagrams of at least 2 bytes that start with "SQ".
        if (datagram.size() < 2 || !datagram.startsWith("SQ"))
            continue;
        QByteArray message = datagram;
        if (!GenericLink::assemble(message, [&](QByteArray& m) {
                QByteArray continuation;
                if (!datagrams.next(continuation))
                    return false;
                m += continuation;
                return true;
            }))
            continue;
        FUZZ_CHECK(message.size() - LinkFrame::HeaderSize >= LinkFrame::parseHeader(message.constData()).length);
        FUZZ_CHECK(message.size() <= GenericLink::kMessageBufferSize);
        GenericLink::decodeMessage(elements, message);
        for (const auto& element : owned) {
            const float number = element->numberVal();
            FUZZ_CHECK(std::isnan(number) || (number >= kMin && number <= kMax));
        }
    }
    return 0;
}
