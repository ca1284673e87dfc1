#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QObject>
#include <QString>

// An active information, warning or alarm message of the installation: raised when a standing
// fault condition arises, held by the message server until the condition clears.
class CMessage
{
public:
    enum Type { Info = 0, Warning = 1, Alarm = 2 };

    CMessage(int devId, int numId);
    virtual ~CMessage() = default;
    CMessage(const CMessage&) = delete;
    CMessage& operator=(const CMessage&) = delete;

    virtual int getMessageType() const = 0;

    int devId() const { return m_devId; }
    int numId() const { return m_numId; }
    QString text() const { return m_text; }
    QDateTime created() const { return m_created; }
    QDateTime confirmed() const { return m_confirmed; }
    bool isConfirmed() const { return m_confirmed.isValid(); }
    void confirm() { m_confirmed = QDateTime::currentDateTime(); }

protected:
    void setText(const QString& text) { m_text = text; }

private:
    int m_devId;
    int m_numId;
    QString m_text;
    QDateTime m_created;
    QDateTime m_confirmed;
};

class CInfoMessage : public CMessage
{
public:
    CInfoMessage(int devId, int numId);
    int getMessageType() const override { return Info; }
};

class CWarningMessage : public CMessage
{
public:
    CWarningMessage(int devId, int numId);
    int getMessageType() const override { return Warning; }
};

class CAlarmMessage : public CMessage
{
public:
    CAlarmMessage(int devId, int numId);
    int getMessageType() const override { return Alarm; }
};

// The factory of messages by type.
class CMessageCreator : public QObject
{
    Q_OBJECT

public:
    // A new message of type 0 (information), 1 (warning) or 2 (alarm), owned by the caller;
    // null for any other type.
    static CMessage* create(int type, int numId, int devId);
};

Q_DECLARE_METATYPE(CMessage*)
