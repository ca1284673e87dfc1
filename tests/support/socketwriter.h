#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <thread>

// Writes bytes into a connected socket from a thread of its own, as a controller on another
// machine would: the thread that owns the socket spends nothing on them. The socket stays with its
// owner, which must not write to it meanwhile. Gives up after maxMs (every flood of a test is
// bounded) or when the peer closes.
class SocketWriter
{
public:
    SocketWriter(qintptr descriptor, const QByteArray& bytes, int maxMs = 30000);
    ~SocketWriter();  // stops and joins the thread
    SocketWriter(const SocketWriter&) = delete;
    SocketWriter& operator=(const SocketWriter&) = delete;

    // Every byte was handed to the system.
    bool done() const { return m_written.load() == m_size; }
    qint64 written() const { return m_written.load(); }

private:
    const qint64 m_size;
    std::atomic<qint64> m_written{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};
