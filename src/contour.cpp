#include "contour.h"

#include "drivecomm.h"
#include "gui.h"

CONTOUR::CONTOUR(QWidget* parent) : QWidget(parent)
{
    // The main window builds its drive link before its form, so the link exists here.
    if (Gui* gui = qobject_cast<Gui*>(parent))
        connect(gui->drives(), &DriveTCPthread::changedPointNo, this, &CONTOUR::onChangedPointNo);
}

uint CONTOUR::channelState(int channel) const
{
    return channel >= 1 && channel <= 3 ? m_channelState[channel - 1] : 0;
}

void CONTOUR::onVirtualMode(bool on) { m_virtualMode = on; }
void CONTOUR::onDriveState(bool on) { m_driveState = on; }
void CONTOUR::onChannel1State(uint state) { m_channelState[0] = state; }
void CONTOUR::onChannel2State(uint state) { m_channelState[1] = state; }
void CONTOUR::onChannel3State(uint state) { m_channelState[2] = state; }
void CONTOUR::onAxisMoving(bool moving) { m_axisMoving = moving; }
void CONTOUR::onChangedPointNo(uint pointNo) { m_pointNo = pointNo; }
void CONTOUR::onUserChanged(int rights) { m_userRights = rights; }
