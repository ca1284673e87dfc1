#pragma once

#include <QMap>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <array>

#include "kvscomm.h"
#include "lenzeelement.h"
#include "reportedstate.h"
#include "ui_kvs.h"

class VacuumElementDlg;
class Lock;
class PoLabel;
class PoSprite;
class StateButton;

// The vacuum screen: the mimic of the vacuum plant on the left of the main window.
//
// It owns the links to the vacuum-system controller and to the vacuum/door controller, opens
// them when it is built and retries a lost or refused link once a second, showing each link's
// state by colour (the whole screen for the first, the chamber and the door for the second). It
// shows every pump, valve and gate by its reported state, lights the pipes behind open valves,
// tints the chamber while a gate or vent into it is open, shows the six gauges in Pa or mm Hg,
// the cooling-water flows and temperatures, the diffusion pump's temperatures and the turbo
// pump's frequency, and logs every pump and valve report. What a link reports looks unknown
// until its first status and again from the moment it is lost until fresh status arrives.
//
// It keeps the value cells (LenzeElement) of the element dialogs, relays to the main window the
// vacuum mode, its run time and run state, the chamber and gun pressures with their validity and
// the spiral and shutdown interlocks, and passes the links' texts on as operator-log lines.
//
// It turns the controllers' interlock words into named locks (one per element and direction, one
// per named condition) that guard the eighteen element dialogs, keeps the mode locks (user
// rights, door pressed, door closed), moves the door by the two controllers' door reports, and
// starts the seven vacuum modes from the mode bar, which lights the mode the controller reports.
class KVS : public QWidget, public Ui::KVS
{
    Q_OBJECT

public:
    // The elements whose last reported state the screen keeps (-1 until the first report and
    // again while their link is lost).
    enum class Element { NL1, NL2, NZ1, NZ2, ND1, NW2, VP1, VP2, VP3, VP4, VP5, VP6, VP7, VP8, VE1, VPT, TMN };
    static constexpr int ElementCount = int(Element::TMN) + 1;

    // The element dialogs, in the order Ctrl+H hides them.
    enum ElementDialog { DlgNL1, DlgNL2, DlgNZ1, DlgNZ2, DlgNW2, DlgND1, DlgVP1, DlgVP2, DlgVP3, DlgVP4,
                         DlgVP5, DlgVP6, DlgVP7, DlgVP8, DlgDoor, DlgVE1, DlgVPT, DlgTMN, ElementDialogCount };

    explicit KVS(QWidget* parent = nullptr);
    // Ends each link that is up; deletes the element dialogs and the mode buttons before the
    // value cells and locks they use.
    ~KVS() override;

    KVSTCPthread* kvs() { return &m_kvs; }
    KVKTCPthread* kvk() { return &m_kvk; }

    bool kvsUp() const { return m_kvsUp; }
    bool kvkUp() const { return m_kvkUp; }
    // What the main window last gave: the user's rights (-1 before a login or after a cancelled
    // one) and the chamber door state from the drive controller (-1 until it reports and again
    // once its link is lost).
    int userRights() const { return m_userRights; }
    int doorState() const { return m_doorState; }
    // Where the door stands on the mimic.
    QPoint doorPosition() const { return {m_doorX, m_doorY}; }
    // The last door-press state of the vacuum/door controller (-1 until it reports).
    int doorPressState() const { return m_doorPressState; }

    int elementState(Element element) const { return m_states[size_t(element)]; }
    // 0 Pa, 1 mm Hg.
    int pressUnit() const { return m_pressUnit; }
    // True while a gate or vent into the chamber (VP1, VP3, VP4, VP8) stands open.
    bool chamberOpen() const;
    float tempWarning() const { return m_tempWarning; }
    float tempError() const { return m_tempError; }
    // W1 ... W7 as 1 ... 7.
    float minDischarge(int w) const { return m_minDisch[w - 1]; }

    // The value cells, by name.
    void addElement(const QString& name, LenzeElement::Type type, int dec);
    LenzeElement* element(const QString& name);
    const QMap<QString, LenzeElement*>& elements() const { return m_Elements; }
    // The interlocks, by name.
    void addLock(const QString& name, bool perm, const QString& lockText, const QString& freeText);
    Lock* lock(const QString& name);
    const QMap<QString, Lock*>& locks() const { return m_locks; }
    // The name of an element's direction lock ("NL1:LockOn", "DOOR:LockOff"), also the name of
    // the value cell of that interlock word.
    static QString directionLock(const QString& element, bool on);

    // The element dialog shown when its element is touched.
    VacuumElementDlg* elementDialog(ElementDialog dialog) const { return m_dialogs[dialog]; }

    // The state of a temperature, by the warning and error thresholds of the settings.
    int getTemperatureState(float value) const;

public slots:
    void connectKVS();
    void connectKVK();
    void disconnectedKVS();
    void disconnectedKVK();
    void messageTCP(const QString& text);
    void onDoorStateChanged(uint state);
    // The drive controller's link is lost: the door's state is not known until it reports again.
    void onDoorStateUnknown();
    void onChangedDoorState(int state);
    void onDoorPressChanged(int state);
    void onSystemStarted();
    void onUserChanged(int rights);

    // The pressure unit of the six gauges.
    void changePressUnit();
    void setPressUnit(int unit);

    // Ctrl+H: hides every element dialog.
    void on_actHide_triggered();
    void hideDialogs();

    // A touch on an element opens its dialog.
    void on_NL1_clicked();
    void on_NL2_clicked();
    void on_NZ1_clicked();
    void on_NZ2_clicked();
    void on_ND1_clicked();
    void on_lblND1_clicked();
    void on_NW2_clicked();
    void on_VP1_clicked();
    void on_VP2_clicked();
    void on_VP3_clicked();
    void on_VP4_clicked();
    void on_VP5_clicked();
    void on_VP6_clicked();
    void on_VP7_clicked();
    void on_VP8_clicked();
    void on_Door_clicked();
    void on_VPT_clicked();
    void on_VE1_clicked();
    void on_TMN_clicked();

    // Gauges, their validity, the diffusion pump's temperatures and the turbo pump's frequency.
    void onChangedPT1(double value);
    void onChangedPT2(double value);
    void onChangedPT3(double value);
    void onChangedPT4(double value);
    void onChangedPT5(double value);
    void onChangedPT6(float value);
    void onChangedPT1Valid(bool valid);
    void onChangedPT2Valid(bool valid);
    void onChangedPT3Valid(bool valid);
    void onChangedPT4Valid(bool valid);
    void onChangedPT5Valid(bool valid);
    void onChangedPT6Valid(int valid);
    void onChangedND1Temp(float value);
    void onChangedND1CorpTemp(float value);
    void changedTMNFreq(float value);

    // Cooling water: flows W1 ... W7 and temperatures T1 ... T7.
    void changedW1(float value);
    void changedW2(float value);
    void changedW3(float value);
    void changedW4(float value);
    void changedW5(float value);
    void changedW6(float value);
    void changedW7(float value);
    void changedT1(float value);
    void changedT2(float value);
    void changedT3(float value);
    void changedT4(float value);
    void changedT5(float value);
    void changedT6(float value);
    void changedT7(float value);

    // Interlock words of one element and direction, and the combined word of the turbo pump group.
    void onChangedNL1LockOn(int state);
    void onChangedNL2LockOn(int state);
    void onChangedNZ1LockOn(int state);
    void onChangedNZ2LockOn(int state);
    void onChangedND1LockOn(int state);
    void onChangedNW2LockOn(int state);
    void onChangedNL1LockOff(int state);
    void onChangedNL2LockOff(int state);
    void onChangedNZ1LockOff(int state);
    void onChangedNZ2LockOff(int state);
    void onChangedND1LockOff(int state);
    void onChangedNW2LockOff(int state);
    void onChangedVP1LockOn(int state);
    void onChangedVP2LockOn(int state);
    void onChangedVP3LockOn(int state);
    void onChangedVP4LockOn(int state);
    void onChangedVP5LockOn(int state);
    void onChangedVP6LockOn(int state);
    void onChangedVP7LockOn(int state);
    void onChangedVP8LockOn(int state);
    void onChangedVP1LockOff(int state);
    void onChangedVP2LockOff(int state);
    void onChangedVP3LockOff(int state);
    void onChangedVP4LockOff(int state);
    void onChangedVP5LockOff(int state);
    void onChangedVP6LockOff(int state);
    void onChangedVP7LockOff(int state);
    void onChangedVP8LockOff(int state);
    void onChangedDoorLockOn(int state);
    void onChangedDoorLockOff(int state);
    void changedLocksELA(uint state);

    // The vacuum modes: setup behind the access code, manual at once, the automatic algorithms
    // behind a confirmation; the bar lights the mode the controller reports.
    void on_sbVacAdjust_clicked();
    void on_sbVacManual_clicked();
    void on_sbVacPrepare_clicked();
    void on_sbVacForepump_clicked();
    void on_sbVacPumping_clicked();
    void on_sbVacFilling_clicked();
    void on_sbVacShutdown_clicked();
    void changedMode(unsigned int n);

    // Element reports.
    void onChangedNL1State(int state);
    void onChangedNL2State(int state);
    void onChangedNZ1State(int state);
    void onChangedNZ2State(int state);
    void onChangedND1State(int state);
    void onChangedNW2State(int state);
    void onChangedVP1State(int value);
    void onChangedVP2State(int value);
    void onChangedVP3State(int value);
    void onChangedVP4State(int value);
    void onChangedVP5State(int value);
    void onChangedVP6State(int value);
    void onChangedVP7State(int value);
    void onChangedVP8State(int value);
    void changedVPT(int state);
    void changedVE1(int state);
    void changedTMN(int state);
    void changedNP1(bool value);
    void changedNW1(bool value);
    void setPumpStateText(int state, const QString& pumpType, const QString& pumpName);
    void setValveTextState(int state, const QString& valveType, const QString& valveName);
    void changedChamberState();

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
    enum Link { KvsLink, KvkLink };

    void initSprites();
    void initElements();
    void initLocks();
    void initStateButtons();
    void initSensors();
    void initDialogs();
    void loadSettings();

    PoSprite* sprite(Element element) const;
    PoSprite* pipe(const QString& name) const;
    PoLabel* gauge(int index) const;       // PT1 ... PT6 as 0 ... 5
    PoLabel* gaugeUnit(int index) const;

    // The widget's background, in every colour group.
    static void setWindowColour(QWidget* widget, const QColor& colour);
    void setLinkColour(Link link, bool up);
    // Everything the link reports takes its unknown look.
    void showUnknown(Link link);
    void showState(PoSprite* sprite, int state);
    void showGauge(int index, double value);
    void showGaugeValidity(int index, bool valid);
    // A gauge looks known while its validity is reported and its last pressure was finite: blue
    // when valid, red when not; otherwise in the look of an unknown value.
    void showGaugeLook(int index);
    // A reported value on its label (and the label of its unit, if any).
    void showValue(PoLabel* label, PoLabel* unit, float value, int decimals);
    // The chamber's outline, shown while VP5 lights its pipes.
    void showRing();
    void showFlow(int index, float value);
    void showTemperature(int index, float value);
    // A reported state on the element's sprite and, for a valve, its pipes, the chamber's
    // outline and tint; pumpReported and valveReported also write the report's log line.
    void showElement(Element element, int state);
    void pumpReported(Element element, int state);
    void valveReported(Element element, int state);
    void showDialog(ElementDialog dialog);

    // A word of one element and direction reaches its cell, its direction lock and its condition
    // locks.
    void wordReported(const QString& element, bool on, int word);
    // Nothing known of what the link reports: its locks hold and say so.
    void locksUnknown(Link link);
    void moveDoor();
    // The door looks as the chamber while its place is known (the vacuum/door controller's link
    // up, its press state and the drive controller's door state reported), and in the colours of
    // an unknown reading otherwise: the place it keeps is the last one reported.
    void showDoorLook();
    // The pumping modes need the door pressed and closed.
    void updatePumpLock();
    void startAlgorithm(int number);
    void confirmAlgorithm(int number, StateButton* button);
    KVSTCPthread m_kvs;
    KVKTCPthread m_kvk;
    bool m_kvsUp = false;
    bool m_kvkUp = false;
    int m_pressUnit = 0;
    float m_tempWarning = 30.0f;
    float m_tempError = 50.0f;
    std::array<float, 7> m_minDisch{};
    std::array<int, ElementCount> m_states{};
    // What the log last said of each element, the door press and each gauge, kept across a lost
    // link (m_states forgets it).
    std::array<ReportedState, ElementCount> m_reportedStates{};
    ReportedState m_reportedDoorPress;
    std::array<ReportedState, 6> m_reportedGauges{};
    // PT1 ... PT6: the last validity reported (-1 not known, 0 not valid, 1 valid) and whether
    // the last pressure reported was a finite number.
    std::array<int, 6> m_gaugeValidity{-1, -1, -1, -1, -1, -1};
    std::array<bool, 6> m_gaugeFinite{true, true, true, true, true, true};
    int m_doorPressState = -1;
    int m_doorX = 42;
    int m_doorY = 215;
    std::array<VacuumElementDlg*, ElementDialogCount> m_dialogs{};
    QMap<QString, LenzeElement*> m_Elements;
    QMap<QString, Lock*> m_locks;
    QMap<QString, PoSprite*> m_pipes;
    int m_userRights = -1;
    int m_doorState = -1;
};
