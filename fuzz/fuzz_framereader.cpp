// The frame reader of the TCP links: the framed-socket core's receive loop reads a byte stream
// that arrives split at arbitrary points, as one of the links would accept it (drive, either
// vacuum controller with its constants frames, or the generic link). Constants frames go on to
// the constants-table reader.
//
// Input: one byte choosing the link, one byte choosing how the stream is split (0: all at once),
// one byte choosing the poll of the stop flag that first sees a stop (0: never), then the stream.
// The stream is written into a socketpair a piece at a time, each time the loop polls its stop
// flag, and the writing end is shut down after the last piece.

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

#include "comm.h"
#include "fuzzinput.h"
#include "kvspackets.h"

namespace {

class StreamLink : public FrameHandler
{
public:
    StreamLink(int peer, const QByteArray& stream, quint8 link, quint8 split, quint8 stopAt)
        : m_peer(peer), m_stream(stream), m_link(link % 4), m_state(split * 0x9E3779B9u | 1u),
          m_split(split), m_stopAt(stopAt)
    {
    }

    bool stopRequested() const override
    {
        ++m_polls;
        if (m_stopAt != 0 && m_polls >= m_stopAt) {
            m_stopSeen = true;
            return true;
        }
        feed();
        return false;
    }

    bool acceptsSignature(quint16 signature) const override
    {
        switch (m_link) {
        case 0:  // drive
            return signature == LinkFrame::PV;
        case 1:  // vacuum-system controller
            return signature == LinkFrame::PV || signature == LinkFrame::RV;
        case 2:  // vacuum/door controller
            return signature == LinkFrame::PV || signature == LinkFrame::QV;
        default:  // generic link
            return signature == LinkFrame::SQ;
        }
    }

    void frameReceived(quint16 signature, const QByteArray& payload, bool complete) override
    {
        FUZZ_CHECK(!m_cutShort);  // nothing follows a frame cut short
        FUZZ_CHECK(acceptsSignature(signature));
        // Every frame is exactly the next piece of the stream.
        FUZZ_CHECK(m_read + LinkFrame::HeaderSize <= m_stream.size());
        const LinkFrame header = LinkFrame::parseHeader(m_stream.constData() + m_read);
        FUZZ_CHECK(header.signature == signature);
        FUZZ_CHECK(complete ? payload.size() == header.length : payload.size() < header.length);
        FUZZ_CHECK(m_stream.mid(m_read + LinkFrame::HeaderSize, payload.size()) == payload);
        m_read += LinkFrame::HeaderSize + payload.size();
        m_cutShort = !complete;
        if (signature == LinkFrame::QV || signature == LinkFrame::RV)
            readConstants(payload);
    }

    void report(LinkEvent event, const QString&) override
    {
        FUZZ_CHECK(!m_ended);
        m_ended = true;
        m_event = event;
    }

    // What the loop must have done once it returned.
    void checkEnd() const
    {
        FUZZ_CHECK(m_ended);
        const bool cutShort = m_event == LinkEvent::PayloadPeerClosed || m_event == LinkEvent::StoppedInFrame;
        FUZZ_CHECK(cutShort == m_cutShort);
        switch (m_event) {
        case LinkEvent::Stopped:
        case LinkEvent::StoppedInFrame:
            FUZZ_CHECK(m_stopSeen);
            break;
        case LinkEvent::HeaderPeerClosed:
            // The whole stream was read, up to a header cut short at most.
            FUZZ_CHECK(m_stream.size() - m_read < LinkFrame::HeaderSize);
            break;
        case LinkEvent::PayloadPeerClosed:
            FUZZ_CHECK(m_read == m_stream.size());
            break;
        case LinkEvent::BadSignature:
            FUZZ_CHECK(m_stream.size() - m_read >= LinkFrame::HeaderSize);
            FUZZ_CHECK(!acceptsSignature(LinkFrame::parseHeader(m_stream.constData() + m_read).signature));
            break;
        default:  // select() and recv() do not fail on a socketpair
            FUZZ_CHECK(false);
        }
    }

private:
    // Writes the next piece of the stream; shuts the writing end down after the last one.
    void feed() const
    {
        if (m_written == m_stream.size()) {
            if (!m_shut)
                ::shutdown(m_peer, SHUT_WR);
            m_shut = true;
            return;
        }
        int piece = m_stream.size() - m_written;
        if (m_split != 0) {
            m_state ^= m_state << 13;
            m_state ^= m_state >> 17;
            m_state ^= m_state << 5;
            piece = qMin(piece, 1 + int(m_state % m_split));
        }
        const ssize_t n = ::send(m_peer, m_stream.constData() + m_written, size_t(piece), MSG_NOSIGNAL);
        if (n > 0)
            m_written += int(n);
    }

    static void readConstants(const QByteArray& payload)
    {
        std::unique_ptr<VacConstRecord[]> table(new VacConstRecord[kVacConstCapacity]);
        const int count = VacConsts::parse(payload, table.get());
        FUZZ_CHECK(count == qMin(payload.size() / int(sizeof(VacConstRecord)), kVacConstCapacity));
        for (int i = 0; i < count; ++i)
            FUZZ_CHECK(table[i].nameText().size() <= int(sizeof table[i].name));
    }

    const int m_peer;
    const QByteArray m_stream;
    const quint8 m_link;
    mutable quint32 m_state;
    const quint8 m_split;
    const quint8 m_stopAt;
    mutable int m_polls = 0;
    mutable bool m_stopSeen = false;
    mutable int m_written = 0;
    mutable bool m_shut = false;
    int m_read = 0;
    bool m_cutShort = false;
    bool m_ended = false;
    LinkEvent m_event = LinkEvent::Stopped;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        std::abort();
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);

    StreamLink link(ends[1], QByteArray(reinterpret_cast<const char*>(data) + 3, int(size) - 3), data[0],
                    data[1], data[2]);
    FramedSocket socket;
    FUZZ_CHECK(socket.adopt(ends[0]));
    socket.receive(link);
    socket.close();
    ::close(ends[1]);
    link.checkEnd();
    return 0;
}
