#include "axis.h"

#include <QPushButton>
#include <climits>

#include "axisinfo.h"
#include "drivecomm.h"
#include "drivecommand.h"
#include "drivediag.h"
#include "fixedmove.h"
#include "selector.h"
#include "settingsfile.h"
#include "unknownlook.h"
#include "widgets.h"

namespace {

// Indicator frames of the drive state.
enum Indicator { Grey = 0, Green = 1, Yellow = 2, Red = 4 };

struct StateLook {
    int frame;
    const char* prefix;
};

// How a drive state is shown and with which severity it is logged.
StateLook lookOf(int code)
{
    switch (code) {
    case 0xA0101:
    case 0xA0102:
    case 0xA0103:
        return {Green, "[I]"};
    case 0xA0012:
        return {Yellow, "[I]"};
    case 0xA0013:
    case Axis::kParked:
        return {Grey, "[I]"};
    default:
        break;
    }
    if (code >= 0xE0000 && code <= 0xEFFFF)
        return {Yellow, "[W]"};
    if (code > 0xEFFFF)
        return {Red, "[A]"};
    return {Grey, "[I]"};
}

}  // namespace

Axis::Axis(const QString& name, const QString& units, int index, int channel, int maxSpeed,
           DriveTCPthread* drive, PoSprite* sprite, PoLabel* coord, PoLabel* speed,
           QPushButton* plus, QPushButton* minus, QPushButton* info, bool endless,
           bool secondAxisShown)
    : m_name(name),
      m_units(units),
      m_index(index),
      m_channel(channel),
      m_maxSpeed(maxSpeed),
      m_drive(drive),
      m_endless(endless),
      m_secondAxisShown(secondAxisShown),
      m_sprite(sprite),
      m_coordLabel(coord),
      m_speedLabel(speed),
      m_plus(plus),
      m_minus(minus),
      m_info(info)
{
    connect(m_plus, &QPushButton::pressed, this, &Axis::onPlusPressed);
    connect(m_plus, &QPushButton::released, this, &Axis::onPlusReleased);
    connect(m_minus, &QPushButton::pressed, this, &Axis::onMinusPressed);
    connect(m_minus, &QPushButton::released, this, &Axis::onMinusReleased);
    connect(m_coordLabel, &PoLabel::clicked, this, &Axis::onCoordClicked);
    connect(m_speedLabel, &PoLabel::clicked, this, &Axis::onSpeedClicked);
    connect(m_info, &QPushButton::clicked, this, &Axis::onInfoClicked);

    // A stored speed outside 0..maxSpeed (a hand-edited or damaged file) is brought into range,
    // so that it can never jog the axis the wrong way.
    const int stored = SettingsFile::open()->value(settingsKey(), 0).toInt();
    m_speedLabel->setValue(float(qBound(0, stored, m_maxSpeed)), 0);

    m_sprite->addPixmap(Grey, QStringLiteral(":/images/indicator_gray"));
    m_sprite->addPixmap(Green, QStringLiteral(":/images/indicator_green"));
    m_sprite->addPixmap(Yellow, QStringLiteral(":/images/indicator_yellow"));
    m_sprite->addPixmap(Red, QStringLiteral(":/images/indicator_red"));
    m_sprite->addPixmap(UnknownLook::kUnknownSprite, QStringLiteral(":/images/indicator_unknown"));
}

Axis::~Axis()
{
    SettingsFile::open()->setValue(settingsKey(), speed());
}

int Axis::speed() const
{
    const float value = m_speedLabel->value();
    if (!(value > 0.0f))  // negative, zero or not a number
        return 0;
    if (value >= float(INT_MAX))
        return INT_MAX;
    return int(value);
}

QString Axis::settingsKey() const
{
    return m_name + QStringLiteral("/Speed");
}

bool Axis::latched() const
{
    return m_plus->isCheckable();
}

bool Axis::send(const QString& command)
{
    return m_drive->command(command);
}

void Axis::startJog(bool positive)
{
    // A jog that did not reach the controller is not logged as running (the link reports it).
    if (!send(DriveCommand::moveDrive(m_name, speed(), positive ? 1 : -1)))
        return;
    emit axisMessage(
        (positive ? QStringLiteral(
                        "[C]Выполнение ручного перемещение по оси %1 в положительном направлении...")
                  : QStringLiteral(
                        "[C]Выполнение ручного перемещение по оси %1 в отрицательном направлении..."))
            .arg(m_name),
        true);
}

void Axis::endJog()
{
    // In endless rotation a released button keeps the axis turning.
    if (m_endless)
        return;
    if (send(DriveCommand::moveStop(m_name)))
        emit axisMessage(QStringLiteral("[I]Завершено ручное перемещение по оси %1").arg(m_name), true);
}

void Axis::onPlusPressed()
{
    if (!latched())
        startJog(true);
}

void Axis::onPlusReleased()
{
    if (!latched())
        endJog();
}

void Axis::onMinusPressed()
{
    if (!latched())
        startJog(false);
}

void Axis::onMinusReleased()
{
    if (!latched())
        endJog();
}

void Axis::onPlusToggled(bool checked)
{
    m_minus->setEnabled(!checked);
    send(DriveCommand::moveDrive(m_name, checked ? speed() : 0, 1));
}

void Axis::onMinusToggled(bool checked)
{
    m_plus->setEnabled(!checked);
    // Switching off keeps the sign: MOVE(<name>,-0).
    send(DriveCommand::moveDrive(m_name, checked ? speed() : 0, -1));
}

void Axis::onCoordClicked()
{
    emit axisMessage(
        QStringLiteral("[I]Открыто окно фиксированного перемещения по оси %1").arg(m_name), false);
    FixedMove dialog(m_name, m_units, m_drive, speed(), m_channel, m_coordLabel);
    connect(&dialog, &FixedMove::message, this, &Axis::axisMessage);
    connect(m_drive, &DriveTCPthread::changedDrivesOn, &dialog, &FixedMove::onDriveState);
    // Channel 1's state gates the start for every axis, those of channel 2 included.
    dialog.onChannelState(m_drive->channelState());
    connect(m_drive, &DriveTCPthread::changedChannelState1, &dialog, &FixedMove::onChannelState);
    dialog.exec();
}

void Axis::onSpeedClicked()
{
    // 2.5, 5, 10, 25, 50 and 100 per cent of the top speed.
    QList<float> presets;
    for (float percent : {2.5f, 5.0f, 10.0f, 25.0f, 50.0f, 100.0f})
        presets << percent / 100.0f * float(m_maxSpeed);
    Selector selector(m_name, m_units, presets, QStringLiteral("Произвольная скорость"), 0,
                      m_speedLabel);
    connect(&selector, &Selector::message, this, &Axis::axisMessage);
    if (selector.exec() != QDialog::Accepted)
        return;
    m_speedLabel->setValue(selector.value(), 0);
    emit speedChanged(speed());
}

void Axis::onInfoClicked()
{
    emit axisMessage(QStringLiteral("[I]Открыто окно дополнительных параметров оси %1").arg(m_name),
                     false);
    AxisInfo info(m_name, m_drive, m_info);
    connect(&info, &AxisInfo::message, this, &Axis::axisMessage);

    // Each value follows the axis while the dialog is open, starting from the current one.
    connect(this, &Axis::stateChanged, &info, &AxisInfo::onStateChanged);
    info.onStateChanged(m_state);
    connect(this, &Axis::coordChanged, &info, &AxisInfo::onCoordChanged);
    info.onCoordChanged(m_coord);
    connect(this, &Axis::speedChanged, &info, &AxisInfo::onSpeedChanged);
    info.onSpeedChanged(speed());
    connect(this, &Axis::epPlusChanged, &info, &AxisInfo::onEpPlusChanged);
    info.onEpPlusChanged(m_epPlus);
    connect(this, &Axis::epMinusChanged, &info, &AxisInfo::onEpMinusChanged);
    info.onEpMinusChanged(m_epMinus);
    connect(this, &Axis::epPlusValueChanged, &info, &AxisInfo::onMaxLimChanged);
    info.onMaxLimChanged(m_maxLimit);
    connect(this, &Axis::epMinusValueChanged, &info, &AxisInfo::onMinLimChanged);
    info.onMinLimChanged(m_minLimit);

    if (m_name == QLatin1String("LX") || m_name == QLatin1String("U1")) {
        connect(&info, &AxisInfo::showSecondAxis, this, &Axis::secondAxis);
        info.onSecondAxisShowButton(m_secondAxisShown);
    }

    connect(this, &Axis::parked, &info, &AxisInfo::onParked);
    info.onParked(m_state == kParked);
    connect(&info, &AxisInfo::park, this, &Axis::onPark);
    connect(&info, &AxisInfo::clearError, this, &Axis::onClearError);
    info.onDrivesOn(m_drivesOn);

    info.exec();
}

void Axis::onPark(bool park)
{
    send(DriveCommand::park(m_name, park));
}

void Axis::onClearError()
{
    send(DriveCommand::clearError(m_name));
}

void Axis::onDrivesPowerChanged(bool state)
{
    m_drivesOn = state;
}

void Axis::onStateChanged(int state)
{
    const StateLook look = lookOf(state);
    m_sprite->setSprite(look.frame);

    const bool wasParked = m_state == kParked;
    const bool isParked = state == kParked;
    if (wasParked != isParked)
        emit parked(isParked);

    m_state = state;
    emit stateChanged(state);
    // A lost link that comes back reports the state again: only a new one is logged.
    if (m_reportedState.changes(state))
        emit axisMessage(QLatin1String(look.prefix) + QStringLiteral("Ось ") + m_name + QStringLiteral(": ") +
                             stateDesc(state),
                         true);
}

void Axis::onCoordChanged(float coord)
{
    m_coord = coord;
    m_coordLabel->setValue(coord, 2);
    emit coordChanged(coord);
}

void Axis::onEndlessClicked(bool state)
{
    m_endless = state;
}

void Axis::onEpPlusValueChanged(float value)
{
    m_maxLimit = value;
    emit epPlusValueChanged(value);
}

void Axis::onEpMinusValueChanged(float value)
{
    m_minLimit = value;
    emit epMinusValueChanged(value);
}

void Axis::onEpPlusChanged(bool ep)
{
    m_epPlus = ep;
    // Disabling a held button releases it, which ends a momentary jog.
    m_plus->setEnabled(!ep);
    emit epPlusChanged(ep);
}

void Axis::onEpMinusChanged(bool ep)
{
    m_epMinus = ep;
    m_minus->setEnabled(!ep);
    emit epMinusChanged(ep);
}

void Axis::onSecondAxisShow(bool state)
{
    m_secondAxisShown = state;
}
