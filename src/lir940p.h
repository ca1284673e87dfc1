#pragma once

#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

// The three-channel incremental counter card that the operator's handwheels are wired to.
// One read asks the driver for one channel's state word: the channel number (1..3) goes in,
// the 24-bit count (bits 0-23) and the status byte (bits 24-31) come out.
class CounterDevice
{
public:
    virtual ~CounterDevice() = default;

    // Reads channel 1, 2 or 3 into word. False when the driver refused the request.
    virtual bool readChannel(int channel, quint32& word) = 0;

    // Opens the card's device node read-only. Null when it cannot be opened.
    static std::unique_ptr<CounterDevice> open(const QString& path);
};

// Turns the raw counter words of the three channels into whole handwheel steps (four counts a
// step). Pure arithmetic: the poll thread feeds it every good driver answer.
class HandwheelDecoder
{
public:
    static constexpr int kChannels = 3;
    static constexpr int kCountsPerStep = 4;
    // The first good reads after start (shared by all channels) only capture the bases.
    static constexpr int kBaseReads = 8;
    // A read is valid only when none of these status bits is set (24, 25, 26, 27 and 30).
    static constexpr quint32 kStatusMask = 0x4Fu << 24;
    static constexpr quint32 kCountMask = 0x00FFFFFFu;

    static bool isValid(quint32 word) { return (word & kStatusMask) == 0; }

    // Takes the word read from channel index 0..2 and returns the whole steps to report, signed;
    // 0 means nothing to report. An invalid word changes nothing.
    int feed(int channel, quint32 word);

    quint32 base(int channel) const { return m_base[channel]; }
    qint32 remainder(int channel) const { return m_remainder[channel]; }
    int countdown() const { return m_countdown; }

private:
    int m_countdown = kBaseReads;
    quint32 m_base[kChannels] = {0, 0, 0};
    qint32 m_remainder[kChannels] = {0, 0, 0};
};

// Polls the counter card every 20 ms on its own thread and reports handwheel movement as
// valueChanged(channel 0..2, whole steps). When the card cannot be opened the object is inert:
// no thread, no signals.
class Lir940p : public QThread
{
    Q_OBJECT

public:
    explicit Lir940p(QObject* parent = nullptr);
    // Reads the given device instead of the card's node; null gives an inert reader.
    explicit Lir940p(std::unique_ptr<CounterDevice> device, QObject* parent = nullptr);
    ~Lir940p() override;

signals:
    void valueChanged(int nChannel, int nDelta);

protected:
    void run() override;

private:
    void begin(std::unique_ptr<CounterDevice> device);

    std::unique_ptr<CounterDevice> m_device;
    std::atomic_bool m_stop{false};
    HandwheelDecoder m_decoder;
};
