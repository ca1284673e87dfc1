#pragma once

#include <QElapsedTimer>
#include <QVector>
#include <QWidget>

#include "message.h"

class CUniButton;
class QTimer;

// Orders messages by creation time, oldest first.
bool sortStackMessagesAsc(CMessage* a, CMessage* b);

// The small coloured panel that shows the active messages one at a time, stepping from the
// newest back to the oldest, and lets the operator confirm a shown warning or information
// message with its close button. The messages belong to the message server.
class CMessageStack : public QWidget
{
    Q_OBJECT

public:
    explicit CMessageStack(QWidget* parent = nullptr);

    // Position of a message with that number in the ticker's list, or -1.
    int getMessageIndex(int numId) const;

    const QVector<CMessage*>& messages() const { return m_messages; }
    // The message on show, null when there is none.
    CMessage* currentMessage() const;
    bool statusKnown() const { return m_statusKnown; }
    CUniButton* closeButton() const { return m_closeButton; }
    QTimer* stepTimer() const { return m_timer; }

    static constexpr int StepMs = 2000;
    static constexpr int AlarmStepMs = 3000;
    static constexpr int ConfirmLockMs = 1000;

signals:
    void sigConfirmMessage(int id);

public slots:
    void slotTimer();
    void slotCloseButton();
    void slotAddMessage(CMessage* m);
    void slotUpdateMessage();
    void slotDeleteMessage(int numId);
    // Whether the controller that raises the messages is reporting: while it is not, an empty
    // panel says that nothing is known instead of "Сообщений нет", and a shown message takes the
    // colours of what is not known, says "Нет данных" in place of its time and cannot be
    // confirmed.
    void setStatusKnown(bool known);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int stepFor(const CMessage* m) const;
    void clampCurrent();
    void showCloseButtonFor(const CMessage* m);

    QVector<CMessage*> m_messages;
    CUniButton* m_closeButton;
    QTimer* m_timer;
    QElapsedTimer m_lastSwitch;
    int m_current = -1;
    bool m_statusKnown = true;
};
