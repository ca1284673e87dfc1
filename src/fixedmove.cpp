#include "fixedmove.h"

#include <cmath>

#include "drivecomm.h"
#include "drivecommand.h"
#include "myframe.h"
#include "npgprogram.h"
#include "numpad.h"
#include "settingsfile.h"
#include "startcheck.h"

namespace {

const QString kProgram = QStringLiteral("/programs/_fixed.npg");

// The axis word of a move in the program: the virtual Z is the controller's Y, and the second
// U drive moves as U1.
QString addressOf(const QString& name)
{
    if (name == QLatin1String("Z"))
        return QStringLiteral("Y");
    if (name == QLatin1String("U2"))
        return QStringLiteral("U1");
    return name;
}

}  // namespace

FixedMove::FixedMove(const QString& name, const QString& units, DriveTCPthread* drive,
                     int speed, int channel, QWidget* parent)
    : QDialog(parent),
      m_name(name),
      m_units(units),
      m_drive(drive),
      m_speed(speed),
      m_channel(channel)
{
    setupUi(this);

    QPoint at(0, 0);
    if (parent)
        at = parent->mapToGlobal(QPoint(0, 0)) + QPoint(0, parent->height());
    new MyFrame(QStringLiteral("Фикс. перемещение - ось ") + name, at.x(), at.y(), 1, this,
                parent, true, true);

    const auto settings = SettingsFile::open();
    if (settings->value(key("FM_Absolute"), true).toBool())
        pbAbsolute->setChecked(true);
    else
        pbRelative->setChecked(true);
    // A damaged or hand-edited value that is not a finite number (or does not fit a float)
    // must never reach a program: it reads as 0.
    float coord = float(settings->value(key("FM_Coord"), 0).toDouble());
    if (!std::isfinite(coord))
        coord = 0.0f;
    lblCoord->setValue(coord, 2);
}

FixedMove::~FixedMove()
{
    {
        const auto settings = SettingsFile::open();
        settings->setValue(key("FM_Absolute"), pbAbsolute->isChecked());
        settings->setValue(key("FM_Coord"), lblCoord->value());
    }
    emit message(QStringLiteral("[I]Закрыто окно фиксированного перемещения по оси %1").arg(m_name),
                 false);
}

QString FixedMove::key(const char* item) const
{
    return m_name + QLatin1Char('/') + QLatin1String(item);
}

QByteArray FixedMove::program(const QString& name, bool absolute, float value, int speed,
                              int channel)
{
    return NpgProgram::singleAxisMove(channel, addressOf(name), absolute,
                                      DriveCommand::formatG6(value), QString::number(speed));
}

void FixedMove::onDriveState(bool state)
{
    pbStart->setEnabled(state);
}

void FixedMove::onChannelState(uint state)
{
    pbStart->setEnabled(state == 1);
}

void FixedMove::on_lblCoord_clicked()
{
    Numpad pad(QStringLiteral("Координата"), lblCoord, 0.0f, false, false, false);
    if (pad.exec() != QDialog::Accepted)
        return;
    const double value = pad.value();
    if (std::isfinite(float(value)))
        lblCoord->setValue(float(value), 2);
}

void FixedMove::on_pbStart_clicked()
{
    const bool absolute = pbAbsolute->isChecked();
    const float value = lblCoord->value();
    if (!std::isfinite(value)) {
        reject();
        return;
    }
    // Nothing is written while the controller cannot be trusted to run the move; the button
    // follows drive power and channel 1 only as they are reported to it.
    const QString reason = StartCheck::driveReason(m_drive->readiness(), StartCheck::axisMoveChannels(m_channel));
    if (!reason.isEmpty()) {
        emit message(StartCheck::refused(reason), true);
    } else if (!NpgProgram::write(kProgram, program(m_name, absolute, value, m_speed, m_channel))) {
        emit message(NpgProgram::notWritten(kProgram), true);
    } else if (m_drive->command(DriveCommand::runFixedMove(m_channel))) {
        // A start the link could not send is reported by the link; nothing was started then.
        const QString line =
            absolute ? QStringLiteral("[C]Запущено фиксированное перемещение по оси %1 в координату %2 %3")
                     : QStringLiteral("[C]Запущено фиксированное перемещение по оси %1 на %2 %3");
        emit message(line.arg(m_name, DriveCommand::formatG6(value), m_units), true);
    }
    reject();
}
