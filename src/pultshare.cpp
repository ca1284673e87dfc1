#include "pultshare.h"

PultShare::PultShare() : m_segment(QStringLiteral("PULT_SHARE_KEY"), kSize) {}

void PultShare::setWord(int offset, quint32 value)
{
    m_segment.write(offset, &value, int(sizeof value));
}

quint32 PultShare::word(int offset) const
{
    quint32 value = 0;
    m_segment.read(offset, &value, int(sizeof value));
    return value;
}

void PultShare::setFuncLeftEncoder(unsigned int value) { setWord(kFuncLeftOffset, value); }
void PultShare::setFuncRightEncoder(unsigned int value) { setWord(kFuncRightOffset, value); }
void PultShare::setFuncDistEncoder(unsigned int value) { setWord(kFuncDistOffset, value); }

void PultShare::setBlockGui(bool blocked)
{
    const quint8 byte = blocked ? 1 : 0;
    m_segment.write(kBlockGuiOffset, &byte, 1);
}

unsigned int PultShare::getFuncLeftEncoder() const { return word(kFuncLeftOffset); }
unsigned int PultShare::getFuncRightEncoder() const { return word(kFuncRightOffset); }
unsigned int PultShare::getFuncDistEncoder() const { return word(kFuncDistOffset); }

bool PultShare::getBlockGui() const
{
    quint8 byte = 0;
    m_segment.read(kBlockGuiOffset, &byte, 1);
    return byte != 0;
}
