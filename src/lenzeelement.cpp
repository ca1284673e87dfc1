#include "lenzeelement.h"

#include <QMutexLocker>

LenzeElement::LenzeElement(LenzeElement::Type type, const QString& name, int dec)
    : m_type(type), m_name(name), m_dec(dec)
{
}

LenzeElement::~LenzeElement() = default;

int LenzeElement::numberVal()
{
    QMutexLocker locker(&m_lock);
    return m_numberVal;
}

float LenzeElement::sensorVal()
{
    QMutexLocker locker(&m_lock);
    return m_sensorVal;
}

// Stores the value under the lock and tells whether it is to be announced: always the first
// time, afterwards only when it differs from the value it replaced (a NaN always differs).
template<typename T>
bool LenzeElement::store(T& member, bool& announced, T val)
{
    T old;
    {
        QMutexLocker locker(&m_lock);
        old = member;
        member = val;
    }
    const bool announce = !(old == val && announced);
    announced = true;
    return announce;
}

void LenzeElement::setNumberVal(int val)
{
    if (!store(m_numberVal, m_numberAnnounced, val))
        return;
    emit numberValChanged(this, val);
    emit numberValChanged(val);
}

void LenzeElement::setSensorVal(float val)
{
    if (!store(m_sensorVal, m_sensorAnnounced, val))
        return;
    emit sensorValChanged(this, val);
    emit sensorValChanged(val);
}
