#include "exitsignals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler's end of the socket pair; -1 while no object catches the signals.
std::atomic<int> g_writeEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free descriptor");

extern "C" void onExitSignal(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = g_writeEnd.load();
    if (fd >= 0) {
        // Non-blocking: with the pair full (a flood of signals) the byte is dropped, and the
        // first one is already waiting anyway.
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        const ssize_t written = ::write(fd, &byte, 1);
        (void)written;
    }
    errno = savedErrno;
}

}  // namespace

ExitSignals::ExitSignals(QObject* parent) : QObject(parent)
{
    Q_ASSERT_X(g_writeEnd.load() < 0, "ExitSignals", "one object at a time");
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_fds) != 0) {
        qWarning("ExitSignals: socketpair() failed: %s", strerror(errno));
        m_fds[0] = m_fds[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ExitSignals::readSignals);
    g_writeEnd.store(m_fds[0]);

    struct sigaction action = {};
    action.sa_handler = onExitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    m_catching = true;
    for (int i = 0; i < kSignalCount; ++i) {
        // A signal that whoever started the program set to be ignored (nohup, a background job
        // of a script) stays ignored: the program was asked to outlive it.
        if (::sigaction(kSignals[i], nullptr, &m_previous[i]) == 0 && m_previous[i].sa_handler == SIG_IGN)
            continue;
        m_installed[i] = ::sigaction(kSignals[i], &action, &m_previous[i]) == 0;
        m_catching = m_catching && m_installed[i];
    }
}

ExitSignals::~ExitSignals()
{
    for (int i = 0; i < kSignalCount; ++i) {
        if (m_installed[i])
            ::sigaction(kSignals[i], &m_previous[i], nullptr);
    }
    g_writeEnd.store(-1);
    delete m_notifier;
    m_notifier = nullptr;
    for (int& fd : m_fds) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

QString ExitSignals::name(int signalNumber)
{
    switch (signalNumber) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    case SIGINT:
        return QStringLiteral("SIGINT");
    default:
        return QString::number(signalNumber);
    }
}

void ExitSignals::readSignals()
{
    int first = 0;
    unsigned char bytes[64];
    for (;;) {
        const ssize_t got = ::read(m_fds[1], bytes, sizeof bytes);
        if (got > 0) {
            if (first == 0)
                first = bytes[0];
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        break;  // drained (EAGAIN), or the pair is gone
    }
    if (first == 0 || m_caught != 0)
        return;
    m_caught = first;
    emit caught(first);
}
