#pragma once

#include <QObject>
#include <QString>

#include "reportedstate.h"

class DriveTCPthread;
class PoLabel;
class PoSprite;
class QPushButton;

// The controller of one drive-axis panel of the main screen.
//
// Turns the drive link's status reports of its axis into the panel's display (coordinate,
// drive-state indicator, end switches that lock the jog buttons), writes an operator-log line for
// every drive-state report, and sends the jog, park, unpark and clear-error commands of the axis.
// The jog speed is the value of the panel's speed label, cut to an integer; it is kept in the
// settings key "<name>/Speed" between runs. Lives in the GUI thread; the widgets and the link
// belong to the main window.
class Axis : public QObject
{
    Q_OBJECT

public:
    // Diagnostic number of a parked drive.
    static constexpr int kParked = 0xC1600;

    Axis(const QString& name, const QString& units, int index, int channel, int maxSpeed,
         DriveTCPthread* drive, PoSprite* sprite, PoLabel* coord, PoLabel* speed,
         QPushButton* plus, QPushButton* minus, QPushButton* info, bool endless,
         bool secondAxisShown);
    ~Axis() override;

    int state() const { return m_state; }
    float coord() const { return m_coord; }
    bool epPlus() const { return m_epPlus; }
    bool epMinus() const { return m_epMinus; }
    // The jog speed: the speed label's value cut toward zero; never negative.
    int speed() const;
    int maxSpeed() const { return m_maxSpeed; }
    float minLimit() const { return m_minLimit; }
    float maxLimit() const { return m_maxLimit; }

signals:
    void stateChanged(int state);
    void coordChanged(float coord);
    void speedChanged(int speed);
    void epPlusValueChanged(float value);
    void epMinusValueChanged(float value);
    void epPlusChanged(bool ep);
    void epMinusChanged(bool ep);
    void secondAxis(bool state);
    void parked(bool parked);
    void axisMessage(QString text, bool isShow);

public slots:
    void onPlusPressed();
    void onPlusReleased();
    void onMinusPressed();
    void onMinusReleased();
    void onPlusToggled(bool checked);
    void onMinusToggled(bool checked);
    // Opens the fixed-move dialog of the axis.
    void onCoordClicked();
    void onSpeedClicked();
    void onInfoClicked();
    void onPark(bool park);
    void onClearError();
    void onDrivesPowerChanged(bool state);
    void onStateChanged(int state);
    void onCoordChanged(float coord);
    void onEndlessClicked(bool state);
    void onEpPlusValueChanged(float value);
    void onEpMinusValueChanged(float value);
    void onEpPlusChanged(bool ep);
    void onEpMinusChanged(bool ep);
    void onSecondAxisShow(bool state);

private:
    // Momentary jog (the plus button is not checkable) or latched jog (it is).
    bool latched() const;
    void startJog(bool positive);
    void endJog();
    bool send(const QString& command);
    QString settingsKey() const;

    const QString m_name;
    // Units, channel and the info button are what the axis's dialogs are opened with; the index
    // is the axis's place in the main window's list and only kept.
    const QString m_units;
    [[maybe_unused]] const int m_index;
    const int m_channel;
    const int m_maxSpeed;
    DriveTCPthread* const m_drive;
    int m_state = 0;
    ReportedState m_reportedState;
    float m_coord = 0.0f;
    bool m_epPlus = false;
    bool m_epMinus = false;
    float m_maxLimit = 0.0f;
    float m_minLimit = 0.0f;
    bool m_endless;
    bool m_secondAxisShown;
    bool m_drivesOn = false;
    PoSprite* const m_sprite;
    PoLabel* const m_coordLabel;
    PoLabel* const m_speedLabel;
    QPushButton* const m_plus;
    QPushButton* const m_minus;
    [[maybe_unused]] QPushButton* const m_info;
};
