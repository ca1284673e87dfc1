#include "kvs.h"

#include <QTimer>

#include "netconfig.h"

namespace {
constexpr int kRetryMs = 1000;
}

KVS::KVS(QWidget* parent) : QWidget(parent)
{
    connect(&m_kvs, &KVSTCPthread::disconnected, this, &KVS::disconnectedKVS);
    connect(&m_kvk, &KVKTCPthread::disconnected, this, &KVS::disconnectedKVK);
    connect(&m_kvs, &KVSTCPthread::message, this, &KVS::messageTCP);
    connect(&m_kvk, &KVKTCPthread::message, this, &KVS::messageTCP);

    connect(&m_kvk, &KVKTCPthread::changedAlgNumber, this, &KVS::signalChangedMode);
    connect(&m_kvk, &KVKTCPthread::changedAlgTime, this, &KVS::signalChangedModeTime);
    connect(&m_kvk, &KVKTCPthread::changedAlgRun, this, &KVS::signalChangedModeState);
    connect(&m_kvk, &KVKTCPthread::changedPT5, this, &KVS::changedChamberPressure);
    connect(&m_kvk, &KVKTCPthread::changedPT5Valid, this, &KVS::changedChamberPressureValid);
    connect(&m_kvk, &KVKTCPthread::changedPT6, this, &KVS::changedGunPressure);
    connect(&m_kvk, &KVKTCPthread::changedBKUValid, this, &KVS::changedGunPressureValid);
    connect(&m_kvk, &KVKTCPthread::changedSpiralLock, this, &KVS::signalChangedSpiralLock);
    connect(&m_kvk, &KVKTCPthread::changedShutdownLock, this, &KVS::signalChangedShutdownLock);

    connectKVS();
    connectKVK();
}

KVS::~KVS()
{
    // Nothing may come back to a screen that is going away.
    QObject::disconnect(&m_kvs, nullptr, this, nullptr);
    QObject::disconnect(&m_kvk, nullptr, this, nullptr);
    if (m_kvs.connected())
        m_kvs.disconnect();
    if (m_kvk.connected())
        m_kvk.disconnect();
}

void KVS::connectKVS()
{
    const ControllerAddress address = NetConfig::kvs();
    if (m_kvs.connect(address.host, address.tcpPort, address.udpPort)) {
        m_kvsUp = true;
        emit onKVSConnected(true);
    } else {
        disconnectedKVS();
    }
}

void KVS::connectKVK()
{
    const ControllerAddress address = NetConfig::kvk();
    if (m_kvk.connect(address.host, address.tcpPort, address.udpPort)) {
        m_kvkUp = true;
        emit onKVKConnected(true);
    } else {
        disconnectedKVK();
    }
}

void KVS::disconnectedKVS()
{
    m_kvsUp = false;
    emit onKVSConnected(false);
    QTimer::singleShot(kRetryMs, this, &KVS::connectKVS);
}

void KVS::disconnectedKVK()
{
    m_kvkUp = false;
    emit onKVKConnected(false);
    QTimer::singleShot(kRetryMs, this, &KVS::connectKVK);
}

void KVS::messageTCP(const QString& text) { emit message(text, false); }

void KVS::onDoorStateChanged(uint state) { m_doorState = state; }

void KVS::onSystemStarted()
{
    emit onKVSConnected(m_kvsUp);
    emit onKVKConnected(m_kvkUp);
}

void KVS::onUserChanged(int rights) { m_userRights = rights; }
