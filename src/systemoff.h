#pragma once

#include <QDialog>
#include <QTimer>

#include "ui_systemoff.h"

class TCPthread;

// The 60-second countdown before the installation switches itself off. At zero it asks for the
// power-off (turnOff()); the operator's cancel tells the controller to stay on instead. The
// countdown stops when the dialog ends either way, so a cancelled countdown never asks for the
// power-off.
class SystemOff : public QDialog, private Ui::SystemOff
{
    Q_OBJECT

public:
    static constexpr int Seconds = 60;

    SystemOff(TCPthread* link, QWidget* parent);
    ~SystemOff() override;

    int secondsLeft() const { return m_left; }
    bool counting() const { return m_timer.isActive(); }

signals:
    void turnOff();
    void message(QString text, bool isShow);

public slots:
    void timeChanged();
    void done(int result) override;

private slots:
    void on_pbCancel_clicked();

private:
    TCPthread* m_link;
    QTimer m_timer;
    int m_left = Seconds;
};
