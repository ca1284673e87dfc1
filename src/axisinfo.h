#pragma once

#include <QDialog>
#include <QString>

#include "ui_axisinfo.h"
#include "unknownlook.h"

class DriveTCPthread;

// The modal parameters dialog of one axis, in its own frame "Ось <name>" just below the button
// that opened it.
//
// Shows the drive state (code and text), coordinate, jog speed, end switches and soft limits that
// its opener pushes in through the feeding slots; it never reads the drive link's values. While
// the link's status is not known they show as unknown: the texts stay, marked, and the end
// switches and the park button wait for fresh status. It sends the soft
// limits and the referencing command itself (referencing behind the setup access code and a
// confirmation) and asks its opener, through signals, to park, to clear a drive error and to show
// the second axis panel of "LX" or "U1".
class AxisInfo : public QDialog, public Ui::AxisInfo
{
    Q_OBJECT

public:
    AxisInfo(const QString& name, DriveTCPthread* drive, QWidget* parent);
    // Logs the closing of the window.
    ~AxisInfo() override;

signals:
    void park(bool park);
    void clearError();
    void showSecondAxis(bool show);
    void message(const QString& text, bool isShow);

public slots:
    void onDrivesOn(bool state);
    void onStateChanged(int state);
    void onVirtualStateChanged(uint state);
    void onCoordChanged(float coord);
    void onSpeedChanged(int speed);
    void onMaxLimChanged(float value);
    void onMinLimChanged(float value);
    void onEpPlusChanged(bool ep);
    void onEpMinusChanged(bool ep);
    void onParked(bool parked);
    void onSecondAxisShowButton(bool state);

private slots:
    void on_sbPark_clicked();
    void on_pbClearError_clicked();
    void on_pbReference_clicked();
    void on_pbSecondAxis_clicked();
    void on_lblSEPmax_clicked();
    void on_lblSEPmin_clicked();
    void on_lblReferValue_clicked();

private:
    // Asks for a soft limit on the pad and sends it; the label follows the controller's report.
    void askLimit(bool maximum);
    void showSecondAxisText(bool checked);

    const QString m_name;
    DriveTCPthread* const m_drive;
    UnknownLook m_look;
};
