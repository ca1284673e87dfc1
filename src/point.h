#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include "ui_point.h"

class DriveTCPthread;

// The taught-points dialog: the positions of the axes LX, LY, A, B, C, D, U1 and V as one point
// in an eight-row table, saved to and loaded from ".point" files under "/points/". "ПУСК" drives
// the axis of the selected row to that row's coordinate with the one-move program
// "/programs/_point.npg" (channel 1, channel 2 for V); "СТОП" stops the CNC program. A row
// without a coordinate (never taught, or not a finite number) moves nothing; nor does a start that
// the controller cannot be trusted to run (its status unknown, the drives off, channel 1 or 2
// loading or running a program, as the drive link reports them), which one "[A]" line explains.
class Point : public QDialog, private Ui_Point
{
    Q_OBJECT

public:
    // coords: the current coordinates of the eight axes in row order.
    Point(DriveTCPthread* drive, QList<float> coords, QWidget* parent);
    ~Point() override;

    // Reads the point file at the installation path `path` + ".point" into the table. A file that
    // cannot be opened changes nothing.
    void loadFile(const QString& name, const QString& path);
    // Writes the table to the point file at the installation path `path` + ".point"; refused
    // unless the table has its eight rows.
    void saveFile(const QString& name, const QString& path);

    // The program that moves row `row`'s axis to `target` (two decimals) at the row's feed.
    static QByteArray program(int row, double target);
    // The CNC channel of a row: 2 for V, 1 for the others.
    static int channelOf(int row);

    static const QString s_pointDir;

signals:
    void message(const QString& text, bool isShow);

public slots:
    void onTableCellClicked(int row, int column);
    void on_pbGoToPoint_clicked();
    void on_pbStopGoPoint_clicked();
    void on_pbOpenFile_clicked();
    void on_pbSaveFile_clicked();
    void onDriveState(bool state);

private:
    // Column 1 of a row: the coordinate with two decimals, empty without one.
    void setRow(int row, const QString& name, bool hasCoord, float coord);
    void selectRow(int row);

    DriveTCPthread* const m_drive;
    QWidget* const m_parent;
    QStringList m_axes;
    QStringList m_feeds;
    int m_row = -1;
};
