#pragma once

#include <QObject>
#include <QVector>

#include "message.h"

// Orders messages by their number.
bool sortMessagesAsc(CMessage* a, CMessage* b);

// The set of active alarm and warning messages, kept sorted by message number. The main
// window's state slots raise and delete messages; the ticker shows them and asks for
// confirmation. The server owns its messages.
class CMessageServer : public QObject
{
    Q_OBJECT

public:
    explicit CMessageServer(QObject* parent = nullptr);
    ~CMessageServer() override;

    // Position of a message with that number in the sorted list, or -1.
    int getMessageIndex(int numId) const;

    const QVector<CMessage*>& messages() const { return m_messages; }

signals:
    void sigAddMessage(CMessage* m);
    void sigUpdateMessage();
    void sigDeleteMessage(int numId);
    void sigLoad(CMessage** begin, CMessage** end);

public slots:
    // Raises a message of type msgId (0 information, 1 warning, 2 alarm).
    void slotAddMessage(int msgId, int numId, int devId);
    // Stamps the message with that number as confirmed; it stays active.
    void slotConfirmMessage(int id);
    // Clears the condition: every active message with that number goes.
    void slotDeleteMessage(int numId);

private:
    QVector<CMessage*> m_messages;
};
