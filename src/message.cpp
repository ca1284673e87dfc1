#include "message.h"

CMessage::CMessage(int devId, int numId)
    : m_devId(devId), m_numId(numId), m_created(QDateTime::currentDateTime())
{
}

CInfoMessage::CInfoMessage(int devId, int numId) : CMessage(devId, numId) {}

CWarningMessage::CWarningMessage(int devId, int numId) : CMessage(devId, numId)
{
    if (devId == 0 && numId == 20)
        setText(QStringLiteral("Выключен автомат питания спиралей (QF23 или QF24)"));
}

CAlarmMessage::CAlarmMessage(int devId, int numId) : CMessage(devId, numId)
{
    static const char* const texts[] = {
        "Выключен автомат QF18 в ШУК",
        "Выключен автомат QF19 в ШУК",
        "Выключен автомат QF40 в ШУК",
        "Нажата аварийная кнопка на пульте оператора",
        "Нажата аварийная кнопка на пульте переносном",
        "Сработан тросовый выключатель (левый)",
        "Сработан тросовый выключатель (правый)",
        "Авария фаз 380 Вольт в ШУК",
        "Выключен автомат QF28 в ШУК",
    };
    if (devId == 0 && numId >= 0 && numId < int(sizeof texts / sizeof texts[0]))
        setText(QString::fromUtf8(texts[numId]));
}

CMessage* CMessageCreator::create(int type, int numId, int devId)
{
    switch (type) {
    case CMessage::Info: return new CInfoMessage(devId, numId);
    case CMessage::Warning: return new CWarningMessage(devId, numId);
    case CMessage::Alarm: return new CAlarmMessage(devId, numId);
    default: return nullptr;
    }
}
