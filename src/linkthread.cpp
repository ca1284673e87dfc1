#include "linkthread.h"

#include <QDebug>
#include <QMutexLocker>

#include "statusqueue.h"

QEvent::Type statusEventType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// ---- FramedLink -----------------------------------------------------------------------------

FramedLink::FramedLink(const LinkTexts& texts) : m_texts(texts)
{
    m_textClock.start();
}

FramedLink::~FramedLink()
{
    stopAndJoin();
    delete m_partner;
}

void FramedLink::stopAndJoin()
{
    // Whatever state the socket is in, a running receive thread is asked to end and joined.
    m_stop = true;
    wait();
}

bool FramedLink::open(const QString& host, int tcpPort)
{
    if (m_socket.isOpen() || isRunning())
        return false;

    const FramedSocket::ConnectError error = m_socket.open(host, tcpPort);
    switch (error.stage) {
    case FramedSocket::ConnectError::None:
        return true;
    case FramedSocket::ConnectError::AlreadyOpen:
        break;
    case FramedSocket::ConnectError::Resolve:
        m_texts.log(QString::fromLatin1(m_texts.resolveError) + error.reason);
        break;
    case FramedSocket::ConnectError::Socket:
        m_texts.log(QStringLiteral("socket() error: ") + error.reason);
        break;
    case FramedSocket::ConnectError::Connect:
        m_texts.log(QString::fromLatin1(m_texts.connectError) + error.reason);
        break;
    }
    return false;
}

void FramedLink::arm(QThread* partner, const QMetaObject::Connection& partnerLoss)
{
    m_partner = partner;
    m_partnerLoss = partnerLoss;
    m_stop = false;
}

bool FramedLink::disconnect()
{
    if (!m_socket.isOpen() || QThread::currentThread() == this)
        return false;
    m_stop = true;
    return wait();
}

bool FramedLink::command(const QString& text)
{
    qDebug().noquote() << QString::fromLatin1(m_texts.commandLog) + QLatin1Char('"') + text + QLatin1Char('"');
    if (m_socket.send(m_texts.signature, text.toUtf8()))
        return true;
    notSent(text);
    return false;
}

void FramedLink::notSent(const QString&) {}

void FramedLink::takeText(const QString& text)
{
    for (const QString& line : m_textGate.pass(text, m_textClock.elapsed()))
        textPassed(line);
}

void FramedLink::tick()
{
    const QString note = m_textGate.due(m_textClock.elapsed());
    if (!note.isEmpty())
        textPassed(note);
}

void FramedLink::flushTexts()
{
    const QString note = m_textGate.flush();
    if (!note.isEmpty())
        textPassed(note);
}

void FramedLink::foreignSender(const QString&) {}

void FramedLink::noteForeignSender(quint32 address)
{
    {
        QMutexLocker lock(&m_foreignLock);
        if (m_foreignSenders.contains(address) || m_foreignSenders.size() >= StatusStream::ForeignSenders)
            return;
        m_foreignSenders.append(address);
    }
    foreignSender(ipv4Text(address));
}

bool FramedLink::takeStatusKnown(bool known)
{
    if (m_statusKnown == known)
        return false;
    m_statusKnown = known;
    return true;
}

bool FramedLink::event(QEvent* event)
{
    if (event->type() != statusEventType())
        return QThread::event(event);
    deliverStatus();
    return true;
}

void FramedLink::receive()
{
    m_socket.receive(*this);
}

void FramedLink::release()
{
    m_socket.close();
    QObject::disconnect(m_partnerLoss);
    delete m_partner;  // stops and joins the receiver's thread
    m_partner = nullptr;
}

QString FramedLink::eventText(LinkEvent event, const QString& reason)
{
    switch (event) {
    case LinkEvent::HeaderSelectFailed:
    case LinkEvent::PayloadSelectFailed:
        return QStringLiteral("select() error: ") + reason;
    case LinkEvent::HeaderRecvFailed:
    case LinkEvent::HeaderPeerClosed:
    case LinkEvent::PayloadRecvFailed:
    case LinkEvent::PayloadPeerClosed:
        return QStringLiteral("recv() error: ") + reason;
    case LinkEvent::BadSignature:
        return QStringLiteral("Bad packet signature");
    case LinkEvent::StoppedInFrame:
    case LinkEvent::Stopped:
        break;
    }
    return QString();
}

QString FramedLink::payloadText(const QByteArray& payload)
{
    const int end = payload.indexOf('\0');
    return QString::fromUtf8(payload.constData(), end < 0 ? payload.size() : end);
}

// ---- StatusReceiver -------------------------------------------------------------------------

StatusReceiver::StatusReceiver(int port, StatusFilter filter) : m_stream(port, filter) {}

StatusReceiver::~StatusReceiver()
{
    stopAndJoin();
}

void StatusReceiver::stopAndJoin()
{
    m_stop = true;
    wait();
}

void StatusReceiver::run()
{
    m_stream.run(*this);
}

bool StatusReceiver::readNext(QByteArray& out, int timeoutMs)
{
    return m_stream.readNext(out, timeoutMs, *this);
}
