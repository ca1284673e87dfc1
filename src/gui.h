#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QIcon>
#include <QMap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "drivecomm.h"
#include "elasharedmemory.h"
#include "lir940p.h"
#include "operatorlog.h"
#include "pultshare.h"
#include "reportedstate.h"
#include "ui_gui.h"
#include "unknownlook.h"

class Axis;
class CMessageServer;
class CMessageStack;
class DumpCreator;
class Lock;
class PoLabel;
class QLabel;

namespace Autorization {
class Manager;
}

// The operator console's main window and the hub of the program. It builds, for the whole run,
// the drive link, the handwheel reader, the two shared-memory links, the user manager, the ten
// axis objects, the alarm and warning message server with its ticker, the 1000 ms clock, the
// operator log and the process dump; its form builds the vacuum screen and the weld programming
// screen, which it wires to its slots.
class Gui : public QWidget, public Ui::Gui
{
    Q_OBJECT

public:
    Gui();
    ~Gui() override;

    // The first login, before the window is shown: false when it was cancelled.
    bool autorizationAccepted();

    // "group name", e.g. "Оператор Иванов"; a single blank before any successful login.
    QString getUserName() const;
    QString programName() const { return m_currentProgram; }
    // The chamber pressure as shown, in the unit shown; NaN while its gauge reports itself invalid
    // or the last pressure reported was not a finite number (the label is pink then).
    float pressure() const;
    DriveTCPthread* drives() { return &m_drive; }

    // The interlock filed under name; the name must be registered.
    Lock* lock(const QString& name);

    int userRights() const { return m_userRights; }
    bool cncConnected() const { return m_cncConnected; }
    // The beam-unit program counted its life counter on at the last life check.
    bool elaAlive() const { return m_elaAlive; }
    Axis* axisObject(const QString& name) const { return m_axis.value(name); }
    CMessageServer* messageServer() const { return m_messageServer; }
    CMessageStack* messageStack() const { return m_messageStack; }
    const QStringList& pointAxes() const { return m_pointAxes; }
    const OperatorLog& operatorLog() const { return m_logFile; }
    // What the status slots last kept for the commands and dialogs.
    bool pultOn() const { return m_pultOn; }
    uint virtualState() const { return m_virtualState; }
    uint channelState1() const { return m_channelState1; }
    // The cover shown while the controller's key switch denies access, else null.
    QWidget* accessPanel() const { return m_accessPanel; }
    // The looks of what the drive controller and the vacuum/door controller report.
    const UnknownLook& driveLook() const { return m_driveLook; }
    const UnknownLook& vacuumLook() const { return m_vacuumLook; }

    // Shows the last "/"-separated part of path as the program's name (blue; with the flag, red
    // and marked as a run without beam-current control).
    void setProgramName(const QString& path, bool withoutCurrentControl);
    // The coordinate shown for an axis; 0 for a name without a coordinate label.
    float coord(const QString& name) const;
    // The coordinate of an axis as the drive controller has reported it since its status is known;
    // false while it has not (the label may still show an old value).
    bool reportedCoord(const QString& name, float* value) const;
    // The axis object of a name created at start-up (any other name is a programming error).
    Axis* axis(const QString& name) const;

    // Handwheel steps of an assigned axis: LIR(group,steps×factor,maxSpeed), mult the step index.
    void lirChangedX(int delta, int mult);
    void lirChangedY(int delta, int mult);
    void lirChangedA(int delta, int mult);
    void lirChangedB(int delta, int mult);
    void lirChangedC(int delta, int mult);
    void lirChangedD(int delta, int mult);
    void lirChangedU(int delta, int mult);
    void lirChangedV(int delta, int mult);
    // The remote handwheel on the pendant: HANDWHEEL(steps×100).
    void lirChangedPult(int delta);
    // The assignment menus of a console handwheel and of the remote one.
    void lirMenu(QString name, QString* function, PoLabel* label, QLabel* useLabel);
    void lirMenuEla(QString name, QString* function, PoLabel* label, QLabel* useLabel);
    // The jog speed of a virtual axis from the speed popup; the fixed move of a virtual axis.
    void speedSelector(const QString& name, const QString& units, PoLabel* label, int maxSpeed);
    void fixedMove(PoLabel* label, int speed, int channel, const QString& name, const QString& units);

    // The step table of the handwheels: factor and caption of a step index (an index outside
    // the table counts as 0).
    static constexpr int LirStepCount = 4;
    static int validLirStep(int index);
    static int lirStepFactor(int index);
    static QString lirStepCaption(int index);
    static QString lirAxisCaption(const QString& axis);

    // The rows the log list keeps: the newest messages shown; an older one leaves the list (the
    // operator log keeps every line), so that a shown line costs the same after hours of lines.
    static constexpr int LogListRows = 10000;

signals:
    void signalUserChange(int rights);
    void signalSecondXPanelShow(bool show);
    void signalSecondUPanelShow(bool show);
    void signalSystemStarted();

public slots:
    // Operator messages: stamps the line, writes it to the operator log and, with isShow, adds it
    // to the log list.
    void prgMessage(const QString& str, bool isShow);
    void messageToLog(const QString& time, const QString& str);

    void onTimeChanged();
    void connectDrives();
    void disconnectedDrives();
    void onChangedCNCConnected(bool state);
    void onChangedKVSConnected(bool state);
    void onChangedKVKConnected(bool state);
    void onChangedELAConnected(bool state);
    // The drive controller's status became known or unknown.
    void onDriveStatusKnown(bool known);
    // One "[W]" line for a command that a link could not send; controller is the name its link
    // indicator shows.
    void commandNotSent(const QString& controller, const QString& command);
    // One "[W]" line for each sender of status datagrams that is not the controller (its link
    // tells each sender once); controller as for commandNotSent().
    void statusFromForeignSender(const QString& controller, const FramedLink& link, const QString& sender);
    // One "[W]" line for state changes that a link dropped because they came far faster than
    // the window could take them; controller as for commandNotSent().
    void statusChangesDropped(const QString& controller, int count);
    void onUserChanged(int rights);
    void onSu(bool su);

    void on_pbChangeUser_clicked();
    void on_pbCloseProgram_clicked();
    void on_actExit_triggered();
    // A signal that ends programs (a shutdown, a closed terminal, Ctrl+C; ExitSignals): the
    // program is left as by the exit button once it is confirmed, without asking.
    void leaveBySignal(int signalNumber);
    void on_sbShutdown_clicked();
    void onSystemShutdown();
    void onTurnSystemOff(bool value);

    // Interlocks set from status.
    void changedDrivesLock(bool on);
    void onChangedSpiralLock(bool on);
    void onChangedShutdownLock(bool on);
    void onChangedDrivesState(bool state);

    // Status kept for the commands and dialogs.
    void onChangedPultState(bool on);
    void onChangedStateVirtual(uint state);
    void onChangedChannelState1(uint state);
    void onChangedMaxLimitX(float value);
    void onChangedMaxLimitZ(float value);
    void onChangedMaxLimitPHI(float value);
    void onChangedMinLimitX(float value);
    void onChangedMinLimitZ(float value);
    void onChangedMinLimitPHI(float value);

    // Status the drive and vacuum links deliver for displays that do not show it yet.
    void onChangedTransOn(bool on);
    void onChangedChannelState2(uint state);
    void onChangedChannelState3(uint state);
    void onChangedChannelMode1(uint mode);
    void onChangedChannelMode2(uint mode);
    void onChangedChannelMode3(uint mode);
    void onChangedPultRegime(uint regime);
    void onDoorStateChanged(uint state);
    void onTrModuleStateChanged(uint state);
    void onDrivePowerStateChanged(uint state);
    void onLightStateChanged(uint state);
    void onAlarmStateChanged(uint state);
    void onAccessChanged(bool access);
    void onSpiralPowerOff(bool off);
    void onDrivesPowerOff(bool off);
    void onPhaseAlarm(bool alarm);
    void showSecondLXAxis(bool show);
    void showSecondUAxis(bool show);
    void onChangedX(float value);
    void onChangedZ(float value);
    void onChangedPHI(float value);
    void onChangedEpX(bool on);
    void onChangedEpZ(bool on);
    void onChangedEpPHI(bool on);
    void onChangedNpX(bool on);
    void onChangedNpZ(bool on);
    void onChangedNpPHI(bool on);
    // A change of the controller's message word `word` (0 to 3).
    void onNewCNCMessage(int word, uint number);
    void onNewCNCError(uint number);
    void onChangedPressUnit(bool mmHg);
    void changedMode(uint mode);
    void changedModeTime(uint seconds);
    void changedModeState(uint state);
    void onChangedChamberPressure(double pa);
    void onChangedChamberValid(bool valid);
    void onChangedGunPressure(float pa);
    void onChangedGunValid(int valid);
    void onLirChanged(int channel, int delta);

    // Commands of the main window's buttons.
    void on_sbDrives_clicked();
    void on_sbTrans_clicked();
    void on_sbLightSpiral_clicked();
    void on_sbDistPult_clicked();
    void on_pbStop_clicked();
    void on_pbEndlessV_clicked();
    void on_pbMinusX_pressed();
    void on_pbPlusX_pressed();
    void on_pbMinusZ_pressed();
    void on_pbPlusZ_pressed();
    void on_pbMinusPHI_pressed();
    void on_pbPlusPHI_pressed();
    void on_pbMinusX_released();
    void on_pbPlusX_released();
    void on_pbMinusZ_released();
    void on_pbPlusZ_released();
    void on_pbMinusPHI_released();
    void on_pbPlusPHI_released();
    void on_pbPoint_clicked();
    void on_pbConstants_clicked();
    void on_pbInformation_clicked();
    void on_pbCalc_clicked();
    void on_pbInfoX_clicked();
    void on_pbInfoZ_clicked();
    void on_pbInfoPHI_clicked();
    void on_speedX_clicked();
    void on_speedZ_clicked();
    void on_speedPHI_clicked();
    void on_coordX_clicked();
    void on_coordZ_clicked();
    void on_coordPHI_clicked();
    void on_lblLir1_clicked();
    void on_lblLir2_clicked();
    void on_lblLir3_clicked();

public:
    // The text of a message number of the CNC controller.
    QString CNCMessage(uint number);

private:
    void drawChannelState(int channel, PoLabel* label, uint state);
    void drawChannelMode(PoLabel* label, uint mode);
    void showPult(bool newReport);
    // sbTrans is enabled only with the drives on and channel 1 idle.
    void updateTrans();
    void VirtualAxisStateChanged(uint state);
    // Logs the line, raises the alarm and sounds the controller's buzzer.
    void raiseAlarm(const QString& line, int numId);

    void initSprites();
    void initLogList();
    void addLock(const QString& name, bool perm, const QString& textLocked, const QString& textFree);
    void initLocks();
    void initStateButtons();
    void initDrives();
    void initUnknownLooks();
    void loadIni();
    void saveIni();
    // The operator log's lines of a controller link lost and restored.
    struct LinkLog {
        bool known = false;
        bool everKnown = false;
    };
    void logLink(LinkLog& link, const QString& controller, bool known);
    // Asks a yes/no question under `anchor` that answers no by itself after 5 s.
    bool confirmed(const QString& question, QWidget* anchor);
    // Logs the exit line ending in `how` and ends the event loop with code 0.
    void leave(const QString& how);

    // Command helpers (jog of a virtual axis, its parameters dialog, handwheels).
    void virtualJog(const QString& name, const PoLabel* speed, int direction);
    void virtualJogEnd(const QString& name);
    // Sets or clears the endless flag of axis V.
    void endlessV(bool on);
    using LimitSignal = void (DriveTCPthread::*)(float);
    void virtualAxisInfo(const QString& name, QPushButton* anchor, const PoLabel* coordLabel,
                         const PoLabel* speedLabel, const QPushButton* plus, const QPushButton* minus,
                         LimitSignal maxChanged, LimitSignal minChanged, float minLimit, float maxLimit);
    void lirCommand(const QString& group, const QString& speedAxis, int delta, int mult);
    void wheelOff(const QString& name, QString* function, QLabel* useLabel);
    void wheelToEla(const QString& name, QString* function, QLabel* useLabel);

    Autorization::Manager* m_userManager = nullptr;
    QString m_currentProgram;
    int m_userRights = -1;
    OperatorLog m_logFile;
    // The dump thread's block of ten values; on the heap, so that a dump thread that will not
    // stop can keep reading it after the window has gone.
    float* m_processValues = new float[10]();
    DumpCreator* m_dumpCreator = nullptr;
    DriveTCPthread m_drive;
    QStringList m_pointAxes;
    QMap<QString, Axis*> m_axis;
    QMap<QString, int> m_maxSpeed;
    QMap<QString, PoLabel*> m_coordLabel;
    QMap<QString, Lock*> m_locks;
    QString m_userGroupText;
    QString m_userNameText;
    CMessageStack* m_messageStack = nullptr;
    CMessageServer* m_messageServer = nullptr;
    QTimer m_clock;
    Lir940p m_lir;
    QMap<QString, int> m_lirStep;
    QString m_lirLeft;
    QString m_lirRight;
    QString m_lirDist;
    QWidget* m_accessPanel = nullptr;
    int m_modeMinutes = 0;
    int m_modeSeconds = 0;
    QIcon m_logIcons[5];
    QSize m_logRowSize;  // of every row of the log list
    QTimer m_logScroll;  // makes the last row of the log list current
    ElaSharedMemory m_ela;
    PultShare m_pult;
    bool m_showSecondLX = false;
    bool m_showSecondU = false;
    bool m_cncConnected = false;
    bool m_elaAlive = false;
    uint m_drivePowerState = 0;
    uint m_lightState = 0;

    bool m_drivesOn = false;
    bool m_pultOn = false;
    uint m_pultRegime = 0;
    uint m_virtualState = 0;
    uint m_channelState1 = 0;
    float m_lastX = 0;
    float m_lastZ = 0;
    float m_lastPHI = 0;
    float m_minLimX = 0;
    float m_maxLimX = 0;
    float m_minLimZ = 0;
    float m_maxLimZ = 0;
    float m_minLimPHI = 0;
    float m_maxLimPHI = 0;

    UnknownLook m_driveLook;
    UnknownLook m_vacuumLook;
    LinkLog m_linkLog[3];  // drive, vacuum, vacuum/door controller
    // What the status slots last logged a line for, kept across a lost link.
    struct {
        ReportedState channel[3];
        ReportedState pult;
        ReportedState pultRegime;
        ReportedState cncError;
        ReportedState cncMessage[4];  // one per message word
        ReportedState vacuumMode;
        ReportedState vacuumModeState;
        ReportedState drivesPower;
        ReportedState phaseAlarm;
        ReportedState spiralPower;
        ReportedState alarms;
        ReportedState door;
        ReportedState trModule;
    } m_reported;
    // The chamber and gun pressures as the vacuum screen relays them: green while the gauge is
    // valid and its last pressure a finite number, pink otherwise.
    struct RelayedPressure {
        bool valid = true;
        bool finite = true;
    };
    RelayedPressure m_chamberPressure;
    RelayedPressure m_gunPressure;
    void showPressure(PoLabel* label, RelayedPressure& pressure, float value);
    static void showPressureLook(PoLabel* label, const RelayedPressure& pressure);
    // The last command each controller could not be sent, for folding a burst into one line.
    struct NotSent {
        QString keyword;
        QElapsedTimer clock;
    };
    QHash<QString, NotSent> m_notSent;
};
