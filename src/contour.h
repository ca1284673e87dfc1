#pragma once

#include <QWidget>

// The weld programming screen. It follows the drive controller's state (transformation, drive
// power, the three CNC channels, axis motion, the running program's point number) and the user's
// rights, and reports to the operator through message().
class CONTOUR : public QWidget
{
    Q_OBJECT

public:
    // With the main window as parent, the screen follows the drive link's point number.
    explicit CONTOUR(QWidget* parent = nullptr);

    bool virtualMode() const { return m_virtualMode; }
    bool driveState() const { return m_driveState; }
    uint channelState(int channel) const;
    bool axisMoving() const { return m_axisMoving; }
    uint pointNo() const { return m_pointNo; }
    int userRights() const { return m_userRights; }

public slots:
    void onVirtualMode(bool on);
    void onDriveState(bool on);
    void onChannel1State(uint state);
    void onChannel2State(uint state);
    void onChannel3State(uint state);
    void onAxisMoving(bool moving);
    void onChangedPointNo(uint pointNo);
    void onUserChanged(int rights);

signals:
    void message(const QString& text, bool isShow);

private:
    bool m_virtualMode = false;
    bool m_driveState = false;
    uint m_channelState[3] = {0, 0, 0};
    bool m_axisMoving = false;
    uint m_pointNo = 0;
    int m_userRights = -1;
};
