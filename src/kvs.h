#pragma once

#include <QWidget>

#include "kvscomm.h"

// The vacuum screen. It owns the links to the vacuum-system controller and to the vacuum/door
// controller, opens them when it is built and retries a lost or refused link once a second; it
// passes the links' texts on as operator-log lines and relays to the main window the vacuum mode,
// its run time and run state, the chamber and gun pressures with their validity, and the spiral
// and shutdown interlocks of the vacuum/door controller.
class KVS : public QWidget
{
    Q_OBJECT

public:
    explicit KVS(QWidget* parent = nullptr);
    // Ends each link that is up.
    ~KVS() override;

    KVSTCPthread* kvs() { return &m_kvs; }
    KVKTCPthread* kvk() { return &m_kvk; }

    bool kvsUp() const { return m_kvsUp; }
    bool kvkUp() const { return m_kvkUp; }
    // What the main window last gave: the user's rights (-1 before a login or after a cancelled
    // one) and the chamber door state from the drive controller.
    int userRights() const { return m_userRights; }
    uint doorState() const { return m_doorState; }

public slots:
    void connectKVS();
    void connectKVK();
    void disconnectedKVS();
    void disconnectedKVK();
    void messageTCP(const QString& text);
    void onDoorStateChanged(uint state);
    void onSystemStarted();
    void onUserChanged(int rights);

signals:
    void onKVSConnected(bool up);
    void onKVKConnected(bool up);
    void message(const QString& text, bool isShow);
    // Part of the screen's contract with the main window; the screen never emits it.
    void turnSystemOff(bool value);
    // The operator switched the pressure unit: true for mm Hg, false for Pa.
    void onChangedPressUnit(bool mmHg);
    void signalChangedSpiralLock(bool locked);
    void signalChangedShutdownLock(bool locked);
    void signalChangedMode(uint mode);
    void signalChangedModeTime(uint seconds);
    void signalChangedModeState(uint state);
    void changedChamberPressure(double pa);
    void changedChamberPressureValid(bool valid);
    void changedGunPressure(float pa);
    void changedGunPressureValid(int valid);

private:
    KVSTCPthread m_kvs;
    KVKTCPthread m_kvk;
    bool m_kvsUp = false;
    bool m_kvkUp = false;
    int m_userRights = -1;
    uint m_doorState = 0;
};
