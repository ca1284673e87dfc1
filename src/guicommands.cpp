// The main window's command buttons: the four state buttons, STOP and the endless rotation of V,
// the jog of the virtual axes, and the dialogs that hang off the window.

#include "gui.h"

#include <QThread>

#include <cmath>

#include "axis.h"
#include "axisinfo.h"
#include "constants.h"
#include "drivecommand.h"
#include "fixedmove.h"
#include "inform.h"
#include "kvs.h"
#include "point.h"
#include "ratecalc.h"
#include "runner.h"
#include "selector.h"
#include "statebutton.h"
#include "vacuumcommand.h"
#include "widgets.h"

namespace {

const char* const kCalculator = "kcalc";

// A state button counts as on in state 1 only (an error state is not on).
bool isOn(const StateButton* button)
{
    return button->state() == StateButton::State1;
}

QString pressed(const QString& caption)
{
    return QStringLiteral("[I]Нажата кнопка '") + caption + QLatin1Char('\'');
}

}  // namespace

// ---- state buttons ----------------------------------------------------------------------------

void Gui::on_sbDrives_clicked()
{
    const bool on = isOn(sbDrives);
    m_drive.command(DriveCommand::drivePower(!on));
    prgMessage(pressed(on ? QStringLiteral("Выключить питание приводов")
                          : QStringLiteral("Включить питание приводов")),
               false);
}

void Gui::on_sbTrans_clicked()
{
    // The button and the axis panel follow the controller's report of the transformation, not
    // the press.
    const bool on = isOn(sbTrans);
    m_drive.command(DriveCommand::transformation(!on));
    prgMessage(pressed(on ? QStringLiteral("Выключить трансформацию приводов")
                          : QStringLiteral("Включить трансформацию приводов")),
               false);
}

void Gui::on_sbLightSpiral_clicked()
{
    const bool on = isOn(sbLightSpiral);
    prgMessage(pressed(on ? QStringLiteral("Выключить освещение зоны сварки")
                          : QStringLiteral("Включить освещение зоны сварки")),
               false);
    m_drive.command(DriveCommand::spiralLight(!on));
}

void Gui::on_sbDistPult_clicked()
{
    const bool on = isOn(sbDistPult);
    prgMessage(pressed(on ? QStringLiteral("Выключить дистанционный пульт")
                          : QStringLiteral("Включить дистанционный пульт")),
               false);
    // The pendant counts as on when the controller reports it so.
    m_drive.command(DriveCommand::pendant(!on));
}

// ---- STOP and the endless rotation of V --------------------------------------------------------

void Gui::on_pbStop_clicked()
{
    prgMessage(QStringLiteral("[I]Нажата кнопка 'СТОП' на панели приводов"), false);
    // A weld start waiting between its channels must not start the rest after the stop.
    if (contour)
        contour->stopStart();
    // Every program ends where it stands, the weld's beam program too.
    if (m_drive.command(DriveCommand::stopProgram()) && contour)
        contour->programsStopped();
    if (pbEndlessV->isChecked()) {
        // Unchecked from here, so that its own slot does not run and sends no stop of V.
        pbEndlessV->setChecked(false);
        endlessV(false);
    }
}

void Gui::on_pbEndlessV_clicked()
{
    if (pbEndlessV->isChecked()) {
        prgMessage(QStringLiteral("[I]Нажата кнопка 'Бесконечное вращение' на панели координаты V"), false);
        endlessV(true);
    } else {
        prgMessage(QStringLiteral("[I]Отжата кнопка 'Бесконечное вращение' на панели координаты V"), false);
        m_drive.command(DriveCommand::moveStop(QStringLiteral("V")));
        endlessV(false);
    }
}

void Gui::endlessV(bool on)
{
    if (Axis* v = axis(QStringLiteral("V")))
        v->onEndlessClicked(on);
}

// ---- jog of the virtual axes -------------------------------------------------------------------
// The "Minus" buttons move in the positive direction, the "Plus" buttons in the negative one.

void Gui::virtualJog(const QString& name, const PoLabel* speed, int direction)
{
    if (!m_drive.command(DriveCommand::moveVirtual(name, double(speed->value()), direction)))
        return;
    prgMessage(QStringLiteral("[C]Выполнение ручного перемещение по виртуальной оси %1 в %2 направлении...")
                   .arg(name, direction > 0 ? QStringLiteral("положительном") : QStringLiteral("отрицательном")),
               true);
}

void Gui::virtualJogEnd(const QString& name)
{
    if (m_drive.command(DriveCommand::moveStop(name)))
        prgMessage(QStringLiteral("[I]Завершено ручное перемещение по виртуальной оси ") + name, true);
}

void Gui::on_pbMinusX_pressed() { virtualJog(QStringLiteral("X"), speedX, 1); }
void Gui::on_pbPlusX_pressed() { virtualJog(QStringLiteral("X"), speedX, -1); }
void Gui::on_pbMinusZ_pressed() { virtualJog(QStringLiteral("Z"), speedZ, 1); }
void Gui::on_pbPlusZ_pressed() { virtualJog(QStringLiteral("Z"), speedZ, -1); }
void Gui::on_pbMinusPHI_pressed() { virtualJog(QStringLiteral("PHI"), speedPHI, 1); }
void Gui::on_pbPlusPHI_pressed() { virtualJog(QStringLiteral("PHI"), speedPHI, -1); }
void Gui::on_pbMinusX_released() { virtualJogEnd(QStringLiteral("X")); }
void Gui::on_pbPlusX_released() { virtualJogEnd(QStringLiteral("X")); }
void Gui::on_pbMinusZ_released() { virtualJogEnd(QStringLiteral("Z")); }
void Gui::on_pbPlusZ_released() { virtualJogEnd(QStringLiteral("Z")); }
void Gui::on_pbMinusPHI_released() { virtualJogEnd(QStringLiteral("PHI")); }
void Gui::on_pbPlusPHI_released() { virtualJogEnd(QStringLiteral("PHI")); }

// ---- dialogs -----------------------------------------------------------------------------------

void Gui::on_pbConstants_clicked()
{
    prgMessage(pressed(QStringLiteral("Параметры системы")), false);
    KVKTCPthread* kvkLink = kvs->kvk();
    KVSTCPthread* kvsLink = kvs->kvs();
    Constants dialog(kvkLink, kvsLink, this);
    connect(&dialog, &Constants::message, this, &Gui::prgMessage);
    const QMetaObject::Connection fromKvk =
        connect(kvkLink, &VacuumLink::constsReceived, &dialog, &Constants::onConstsReceivedKVK);
    const QMetaObject::Connection fromKvs =
        connect(kvsLink, &VacuumLink::constsReceived, &dialog, &Constants::onConstsReceivedKVS);
    // The vacuum/door controller first: its rows normally stand first.
    kvkLink->command(VacuumCommand::constsRequest());
    QThread::usleep(10000);
    kvsLink->command(VacuumCommand::constsRequest());
    dialog.exec();
    disconnect(fromKvk);
    disconnect(fromKvs);
}

void Gui::on_pbInformation_clicked()
{
    prgMessage(pressed(QStringLiteral("Информация о программе")), false);
    Inform dialog(this);
    dialog.exec();
}

void Gui::on_pbCalc_clicked()
{
    prgMessage(pressed(QStringLiteral("Калькулятор скоростей")), false);
    // Whether the desktop calculator started or not, the speed calculator opens.
    ProgramRunner::instance().startDetached(QString::fromLatin1(kCalculator), {});
    RateCalc dialog(pbCalc);
    dialog.exec();
}

void Gui::on_pbPoint_clicked()
{
    prgMessage(pressed(QStringLiteral("Координаты точек")), false);
    // Positions the controller has not reported are left empty.
    QList<float> positions;
    for (const QString& name : m_pointAxes)
        positions << (m_driveLook.known() ? coord(name) : NAN);
    prgMessage(QStringLiteral("[I]Открыто окно 'Координаты точки'"), false);
    Point dialog(&m_drive, positions, lblContour);
    connect(&dialog, &Point::message, this, &Gui::prgMessage);
    dialog.exec();
}

// ---- the virtual axes' parameters, speeds and fixed moves ---------------------------------------

void Gui::virtualAxisInfo(const QString& name, QPushButton* anchor, const PoLabel* coordLabel,
                          const PoLabel* speedLabel, const QPushButton* plus, const QPushButton* minus,
                          LimitSignal maxChanged, LimitSignal minChanged, float minLimit, float maxLimit)
{
    AxisInfo dialog(name, &m_drive, anchor);
    // The virtual axes have no drive state in the status stream: only their state word, fed here.
    dialog.onVirtualStateChanged(m_virtualState);
    dialog.onCoordChanged(coordLabel->value());
    dialog.onSpeedChanged(int(speedLabel->value()));
    dialog.onEpPlusChanged(!plus->isEnabled());
    dialog.onEpMinusChanged(!minus->isEnabled());
    connect(&m_drive, maxChanged, &dialog, &AxisInfo::onMaxLimChanged);
    connect(&m_drive, minChanged, &dialog, &AxisInfo::onMinLimChanged);
    dialog.onMinLimChanged(minLimit);
    dialog.onMaxLimChanged(maxLimit);
    dialog.frmPark->hide();
    dialog.exec();
}

void Gui::on_pbInfoX_clicked()
{
    virtualAxisInfo(QStringLiteral("X"), pbInfoX, coordX, speedX, pbPlusX, pbMinusX,
                    &DriveTCPthread::changedMaxLimX, &DriveTCPthread::changedMinLimX, m_minLimX, m_maxLimX);
}

void Gui::on_pbInfoZ_clicked()
{
    virtualAxisInfo(QStringLiteral("Z"), pbInfoZ, coordZ, speedZ, pbPlusZ, pbMinusZ,
                    &DriveTCPthread::changedMaxLimZ, &DriveTCPthread::changedMinLimZ, m_minLimZ, m_maxLimZ);
}

void Gui::on_pbInfoPHI_clicked()
{
    virtualAxisInfo(QStringLiteral("PHI"), pbInfoPHI, coordPHI, speedPHI, pbPlusPHI, pbMinusPHI,
                    &DriveTCPthread::changedMaxLimPHI, &DriveTCPthread::changedMinLimPHI, m_minLimPHI,
                    m_maxLimPHI);
}

void Gui::speedSelector(const QString& name, const QString& units, PoLabel* label, int maxSpeed)
{
    static const float percents[] = {2.5f, 5, 10, 25, 50, 100};
    QList<float> presets;
    for (float p : percents)
        presets << float(maxSpeed) * p / 100.0f;
    Selector selector(name, units, presets, QStringLiteral("Произвольная скорость"), 0, label);
    connect(&selector, &Selector::message, this, &Gui::prgMessage);
    if (selector.exec() == QDialog::Accepted)
        label->setValue(selector.value(), 0);
}

void Gui::on_speedX_clicked() { speedSelector(QStringLiteral("X"), QStringLiteral("мм"), speedX, m_maxSpeed.value(QStringLiteral("X"))); }
void Gui::on_speedZ_clicked() { speedSelector(QStringLiteral("Z"), QStringLiteral("мм"), speedZ, m_maxSpeed.value(QStringLiteral("Z"))); }
void Gui::on_speedPHI_clicked() { speedSelector(QStringLiteral("PHI"), QStringLiteral("град"), speedPHI, m_maxSpeed.value(QStringLiteral("PHI"))); }

void Gui::fixedMove(PoLabel* label, int speed, int channel, const QString& name, const QString& units)
{
    prgMessage(QStringLiteral("[I]Открыто окно фиксированного перемещения по оси ") + name, false);
    FixedMove dialog(name, units, &m_drive, speed, channel, label);
    connect(&dialog, &FixedMove::message, this, &Gui::prgMessage);
    connect(&m_drive, &DriveTCPthread::changedDrivesOn, &dialog, &FixedMove::onDriveState);
    connect(&m_drive, &DriveTCPthread::changedChannelState1, &dialog, &FixedMove::onChannelState);
    // Ready while the drives are not off and channel 1 runs no program, as the controller
    // reports them.
    dialog.onDriveState(m_driveLook.known() && sbDrives->state() != StateButton::State0 && m_channelState1 != 3);
    dialog.exec();
}

void Gui::on_coordX_clicked() { fixedMove(coordX, int(speedX->value()), 1, QStringLiteral("X"), QStringLiteral("мм")); }
void Gui::on_coordZ_clicked() { fixedMove(coordZ, int(speedZ->value()), 1, QStringLiteral("Z"), QStringLiteral("мм")); }
void Gui::on_coordPHI_clicked() { fixedMove(coordPHI, int(speedPHI->value()), 1, QStringLiteral("PHI"), QStringLiteral("град")); }
