#include "lir940p.h"

#include "fixedpaths.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// The driver's read request: read-write, type 'k', number 1, a 4-byte argument.
constexpr unsigned long kReadChannelRequest = 0xC0046B01UL;
static_assert(kReadChannelRequest == _IOWR('k', 1, quint32), "counter read request encoding");

// A count difference beyond this is a wrap of the 24-bit counter: take the short way round.
constexpr qint32 kWrapThreshold = 8000000;
constexpr qint32 kCountRange = 0x1000000;

constexpr unsigned long kPollMicroseconds = 20000;

class LinuxCounterDevice final : public CounterDevice
{
public:
    explicit LinuxCounterDevice(int fd) : m_fd(fd) {}
    ~LinuxCounterDevice() override { ::close(m_fd); }

    bool readChannel(int channel, quint32& word) override
    {
        word = quint32(channel);
        return ::ioctl(m_fd, kReadChannelRequest, &word) >= 0;
    }

private:
    int m_fd;
};

}  // namespace

std::unique_ptr<CounterDevice> CounterDevice::open(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<LinuxCounterDevice>(fd);
}

int HandwheelDecoder::feed(int channel, quint32 word)
{
    if (!isValid(word))
        return 0;
    const quint32 count = word & kCountMask;
    if (m_countdown != 0) {
        m_base[channel] = count;
        --m_countdown;
        return 0;
    }
    if (count == m_base[channel])
        return 0;

    qint32 d = qint32(count) - qint32(m_base[channel]);
    if (d > kWrapThreshold)
        d -= kCountRange;
    else if (d < -kWrapThreshold)
        d += kCountRange;

    const qint32 v = d + m_remainder[channel];
    if (std::abs(v) < kCountsPerStep)
        return 0;  // small movements add up against the old base
    const qint32 steps = v / kCountsPerStep;
    m_base[channel] = count;
    m_remainder[channel] = v - kCountsPerStep * steps;
    return steps;
}

Lir940p::Lir940p(QObject* parent) : QThread(parent)
{
    begin(CounterDevice::open(FixedPaths::counterDevice()));
}

Lir940p::Lir940p(std::unique_ptr<CounterDevice> device, QObject* parent) : QThread(parent)
{
    begin(std::move(device));
}

void Lir940p::begin(std::unique_ptr<CounterDevice> device)
{
    if (!device) {
        std::fprintf(stderr, "open(%s) failed\n", FixedPaths::kCounterDevice);
        return;
    }
    m_device = std::move(device);
    QThread::start();
}

Lir940p::~Lir940p()
{
    if (!m_device)
        return;
    m_stop = true;
    wait();
    m_device.reset();
}

void Lir940p::run()
{
    if (m_stop)
        return;
    m_decoder = HandwheelDecoder();
    do {
        for (int channel = 1; channel <= HandwheelDecoder::kChannels; ++channel) {
            quint32 word = 0;
            if (!m_device->readChannel(channel, word))
                continue;
            const int steps = m_decoder.feed(channel - 1, word);
            if (steps != 0)
                emit valueChanged(channel - 1, steps);
        }
        QThread::usleep(kPollMicroseconds);
    } while (!m_stop);
}
