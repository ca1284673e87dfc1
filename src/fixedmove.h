#pragma once

#include <QDialog>
#include <QString>

#include "ui_fixedmove.h"

class DriveTCPthread;

// The fixed-move dialog of one axis: moves it to a coordinate (absolute) or by a distance
// (relative) at the axis's jog speed. "ПУСК" writes the one-move program "/programs/_fixed.npg",
// starts it on the axis's CNC channel, logs the start and closes the dialog. A start that the
// controller cannot be trusted to run (its status unknown, the drives off, channel 1 or 2 loading
// or running a program, as the drive link reports them) writes and sends nothing: one "[A]" line
// says why, and the dialog closes all the same. The mode and the last coordinate are kept per
// axis in the settings keys "<name>/FM_Absolute" and "<name>/FM_Coord", read at construction and
// written at destruction.
class FixedMove : public QDialog, private Ui::FixedMove
{
    Q_OBJECT

public:
    FixedMove(const QString& name, const QString& units, DriveTCPthread* drive, int speed,
              int channel, QWidget* parent);
    ~FixedMove() override;

    // The program text for a move of axis `name` on `channel` (Z is addressed as Y, U2 as U1);
    // the value in general notation with six significant digits.
    static QByteArray program(const QString& name, bool absolute, float value, int speed,
                              int channel);

signals:
    void message(const QString& text, bool isShow);

public slots:
    // Drive power: enables "ПУСК" when on, disables it when off.
    void onDriveState(bool state);
    // State of CNC channel 1: "ПУСК" is enabled only while the channel is idle (1).
    void onChannelState(uint state);

private slots:
    void on_lblCoord_clicked();
    void on_pbStart_clicked();

private:
    QString key(const char* item) const;

    const QString m_name;
    const QString m_units;
    DriveTCPthread* const m_drive;
    const int m_speed;
    const int m_channel;
};
