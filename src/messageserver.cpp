#include "messageserver.h"

#include <algorithm>

#include "message.h"

bool sortMessagesAsc(CMessage* a, CMessage* b)
{
    return a->numId() < b->numId();
}

CMessageServer::CMessageServer(QObject* parent) : QObject(parent) {}

CMessageServer::~CMessageServer()
{
    qDeleteAll(m_messages);
}

int CMessageServer::getMessageIndex(int numId) const
{
    const int count = m_messages.size();
    if (count == 0)
        return -1;
    if (m_messages.first()->numId() == numId)
        return 0;
    if (m_messages.last()->numId() == numId)
        return count - 1;
    int lo = 0;
    int hi = count - 1;
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        const int midId = m_messages.at(mid)->numId();
        if (numId > midId)
            lo = mid;
        else if (numId < midId)
            hi = mid;
        else
            return mid;
    }
    return -1;
}

void CMessageServer::slotAddMessage(int msgId, int numId, int devId)
{
    CMessage* m = CMessageCreator::create(msgId, numId, devId);
    if (!m)
        return;
    m_messages.prepend(m);
    emit sigAddMessage(m);
    std::stable_sort(m_messages.begin(), m_messages.end(), sortMessagesAsc);
}

void CMessageServer::slotConfirmMessage(int id)
{
    const int index = getMessageIndex(id);
    if (index < 0)
        return;
    // Copies of a number raised more than once sit side by side; the operator confirms the
    // condition, so every copy is stamped and none stays behind in the ticker.
    int first = index;
    while (first > 0 && m_messages.at(first - 1)->numId() == id)
        --first;
    for (int i = first; i < m_messages.size() && m_messages.at(i)->numId() == id; ++i)
        m_messages.at(i)->confirm();
    emit sigUpdateMessage();
}

void CMessageServer::slotDeleteMessage(int numId)
{
    // A number raised twice is held twice; the condition clearing clears every copy, and the
    // ticker hears of each before the message is freed.
    for (int index = getMessageIndex(numId); index >= 0; index = getMessageIndex(numId)) {
        CMessage* m = m_messages.takeAt(index);
        emit sigDeleteMessage(numId);
        delete m;
    }
}
