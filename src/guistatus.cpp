// The main window's status displays: the CNC channels, the virtual axes, the key lock, the
// pendant, the controller's messages, the vacuum mode and pressures, and the installation's
// alarms with their messages in the ticker.

#include "gui.h"

#include <QPalette>

#include <cmath>

#include "axis.h"
#include "drivecommand.h"
#include "message.h"
#include "messageserver.h"
#include "statebutton.h"
#include "widgets.h"

namespace {

const QColor kNormalGreen(189, 255, 180);
const QColor kBrightGreen(0, 255, 128);
const QColor kSetupRed(255, 128, 128);

void setBackground(QWidget* w, const QColor& colour)
{
    QPalette palette = w->palette();
    palette.setBrush(QPalette::Window, colour);
    w->setPalette(palette);
}

void setColours(QWidget* w, const QColor& background, const QColor& text)
{
    QPalette palette = w->palette();
    palette.setBrush(QPalette::Window, background);
    palette.setBrush(QPalette::WindowText, text);
    w->setPalette(palette);
}

const QString kController = QStringLiteral("TRV18: ");

}  // namespace

// ---- links, key lock, user --------------------------------------------------------------------

void Gui::onAccessChanged(bool value)
{
    setEnabled(value);
    if (value && m_accessPanel) {
        m_accessPanel->releaseKeyboard();
        delete m_accessPanel;
        m_accessPanel = nullptr;
    } else if (!value && !m_accessPanel) {
        auto* cover = new QLabel(QStringLiteral("Панель управления заблокирована"), this);
        QFont font = cover->font();
        font.setPixelSize(30);
        cover->setFont(font);
        cover->setAlignment(Qt::AlignCenter);
        cover->setFrameShape(QFrame::Panel);
        cover->setFrameShadow(QFrame::Raised);
        cover->setAutoFillBackground(true);
        setBackground(cover, Qt::red);
        cover->setGeometry(600, 460, 720, 280);
        cover->show();
        cover->grabKeyboard();
        m_accessPanel = cover;
    }
}

void Gui::onSu(bool su)
{
    setBackground(this, su ? QColor(Qt::darkRed) : QColor(255, 255, 192));
}

// ---- CNC channels -----------------------------------------------------------------------------

void Gui::drawChannelState(int channel, PoLabel* label, uint state)
{
    QString text;
    QString line;
    switch (state) {
    case 1:
        text = QStringLiteral("бездействие");
        line = QStringLiteral("[I]Канал %1: %2").arg(channel).arg(text);
        break;
    case 2:
        text = QStringLiteral("готов");
        line = QStringLiteral("[I]Канал %1: готовность").arg(channel);
        break;
    case 3:
        text = QStringLiteral("выполнение");
        line = QStringLiteral("[C]Канал %1: выполнение автоматической программы").arg(channel);
        break;
    case 4:
    case 5:
    case 7:
        text = QStringLiteral("резервное");
        break;
    case 6:
        text = QStringLiteral("ошибка");
        line = QStringLiteral("[A]Канал %1: ошибка в канале").arg(channel);
        break;
    case 8:
        text = QStringLiteral("сброс");
        line = QStringLiteral("[I]Канал %1: сброс состояния канала").arg(channel);
        break;
    case 9:
        text = QStringLiteral("загрузка\nпрограммы");
        line = QStringLiteral("[I]Канал %1: загрузка программы").arg(channel);
        break;
    case 10:
        text = QStringLiteral("cancel distance to go\nPreparation");
        break;
    case 11:
        text = QStringLiteral("cancel distance to go\nRunning");
        break;
    case 12:
        text = QStringLiteral("готовность");
        line = QStringLiteral("[I]Канал %1: готовность к старту программы").arg(channel);
        break;
    case 13:
        text = QStringLiteral("ожидание\nпродолжения");
        line = QStringLiteral("[I]Канал %1: готовность к продолжению программы").arg(channel);
        break;
    default:
        text = QStringLiteral("неопределено\n(%1)").arg(state);
        line = QStringLiteral("[A]Канал %1: состояние неопределено - ошибка связи").arg(channel);
        break;
    }
    if (m_reported.channel[channel - 1].changes(state) && !line.isEmpty())
        prgMessage(line, true);
    setBackground(label, state == 3 ? kBrightGreen : kNormalGreen);
    label->setText(text);
}

void Gui::drawChannelMode(PoLabel* label, uint mode)
{
    switch (mode) {
    case 1: label->setText(QStringLiteral("ручной")); break;
    case 4: label->setText(QStringLiteral("MDI")); break;
    case 5: label->setText(QStringLiteral("автомат")); break;
    case 14: label->setText(QStringLiteral("WCS")); break;
    default: label->setText(QString::number(mode)); break;
    }
}

void Gui::onChangedChannelState1(uint state)
{
    drawChannelState(1, channel1State, state);
    m_channelState1 = state;
    updateTrans();
}

void Gui::onChangedChannelState2(uint state) { drawChannelState(2, channel2State, state); }
void Gui::onChangedChannelState3(uint state) { drawChannelState(3, channel3State, state); }
void Gui::onChangedChannelMode1(uint mode) { drawChannelMode(channel1Mode, mode); }
void Gui::onChangedChannelMode2(uint mode) { drawChannelMode(channel2Mode, mode); }
void Gui::onChangedChannelMode3(uint mode) { drawChannelMode(channel3Mode, mode); }

// ---- drives and the virtual axes --------------------------------------------------------------

void Gui::onChangedDrivesState(bool state)
{
    m_drivesOn = state;
    lock(QStringLiteral("LOCK:LockPult"))->setState(!state);
    updateTrans();
}

void Gui::updateTrans()
{
    sbTrans->setEnabled(m_drivesOn && m_channelState1 == 1);
}

void Gui::onChangedTransOn(bool value)
{
    sbTrans->setState(value);
    for (QWidget* w : {static_cast<QWidget*>(frmA), static_cast<QWidget*>(frmB),
                       static_cast<QWidget*>(frmC), static_cast<QWidget*>(pbInfoA),
                       static_cast<QWidget*>(pbInfoB), static_cast<QWidget*>(pbInfoC)})
        w->setVisible(!value);
    frmVirtual->setVisible(value);
    if (value) {
        frmD->setGeometry(0, 185, 450, 75);
        pbInfoD->setGeometry(385, 195, 55, 55);
        frameManip->setGeometry(10, 80, 450, 525);
    } else {
        frmD->setGeometry(0, 425, 450, 75);
        pbInfoD->setGeometry(385, 435, 55, 55);
        frameManip->setGeometry(10, 80, 450, 500);
    }
    coordX->setValue(m_lastX, 2);
    coordZ->setValue(m_lastZ, 2);
    coordPHI->setValue(m_lastPHI, 2);
    // The lamps show the virtual-axis state the controller reported last.
    VirtualAxisStateChanged(m_virtualState);
}

void Gui::VirtualAxisStateChanged(uint state)
{
    static const int sprites[] = {0, 2, 1, 4, 2};  // grey, yellow, green, red, yellow
    if (state > 4)
        return;
    for (PoSprite* indicator : {indX, indZ, indPHI})
        indicator->setSprite(sprites[state]);
}

void Gui::onChangedStateVirtual(uint state)
{
    VirtualAxisStateChanged(state);
    m_virtualState = state;
}

void Gui::onChangedX(float value)
{
    m_lastX = value;
    coordX->setValue(value, 2);
}

void Gui::onChangedZ(float value)
{
    m_lastZ = value;
    coordZ->setValue(value, 2);
}

void Gui::onChangedPHI(float value)
{
    m_lastPHI = value;
    coordPHI->setValue(value, 2);
}

void Gui::onChangedEpX(bool on) { pbPlusX->setDisabled(on); }
void Gui::onChangedEpZ(bool on) { pbPlusZ->setDisabled(on); }
void Gui::onChangedEpPHI(bool on) { pbPlusPHI->setDisabled(on); }
void Gui::onChangedNpX(bool on) { pbMinusX->setDisabled(on); }
void Gui::onChangedNpZ(bool on) { pbMinusZ->setDisabled(on); }
void Gui::onChangedNpPHI(bool on) { pbMinusPHI->setDisabled(on); }

void Gui::showSecondLXAxis(bool state)
{
    m_showSecondLX = state;
    frmLX2->setVisible(state);
    pbInfoLX2->setVisible(state);
    emit signalSecondXPanelShow(state);
}

void Gui::showSecondUAxis(bool state)
{
    m_showSecondU = state;
    frmU2->setVisible(state);
    pbInfoU2->setVisible(state);
    emit signalSecondUPanelShow(state);
}

// ---- remote pendant ---------------------------------------------------------------------------

void Gui::onChangedPultState(bool state)
{
    m_pultOn = state;
    showPult(m_reported.pult.changes(state));
}

// The pendant's button, its regime text and the handwheels it takes over; a new report of its
// state or regime (not the same one again after a lost link) logs the handwheel it takes.
void Gui::showPult(bool newReport)
{
    const bool state = m_pultOn;
    sbDistPult->setState(state);
    pultRegime->setVisible(state);
    const char* regime = nullptr;
    switch (m_pultRegime) {
    case 2:
        regime = "Режим пульта F2:\n\nПоложение X - ось LX    Положение 4 - ось PHI\n"
                 "Положение Y - ось LY    Положение 5 - ось D\nПоложение Z - ось Z";
        break;
    case 3:
        regime = "Режим пульта F3:\n\nПоложение X - ось LX    Положение 4 - ось U\n"
                 "Положение Y - ось LY    Положение 5 - ось V\nПоложение Z - резерв";
        break;
    default:
        regime = "Режим пульта F1:\n\nПоложение X - ось LX    Положение 4 - ось B\n"
                 "Положение Y - ось LY    Положение 5 - ось C\nПоложение Z - ось A";
        break;
    }
    pultRegime->setText(QString::fromUtf8(regime));
    frmDrives->setDisabled(state);
    if (state) {
        lblLir3Use->setText(QStringLiteral("Отключен"));
        m_lirDist.clear();
        if (newReport)
            prgMessage(QStringLiteral("[I]Штурвал 'Выносной' отключен"), true);
        frmLir3->setEnabled(false);
    } else {
        frmLir3->setEnabled(true);
    }
}

void Gui::onChangedPultRegime(uint regime)
{
    m_pultRegime = regime;
    showPult(m_reported.pultRegime.changes(regime));
}

// ---- the controller's errors and messages -----------------------------------------------------

void Gui::onNewCNCError(uint number)
{
    if (!m_reported.cncError.changes(number) || number == 0)
        return;
    prgMessage(QStringLiteral("[A]TRV18: Ошибка контроллера ЧПУ номер %1!").arg(number), true);
}

void Gui::onNewCNCMessage(int word, uint number)
{
    if (word < 0 || word >= 4)
        return;
    if (m_reported.cncMessage[word].changes(number) && number != 0)
        prgMessage(CNCMessage(number), true);
}

QString Gui::CNCMessage(uint number)
{
    static const char* const drives[] = {"LX", "LY", "A", "B", "C", "D", "U", "V"};
    static const char* const objects[] = {"LX", "LY", "A", "B", "C", "D", "U1", "V"};
    static const char* const virtuals[] = {"X", "Z", "PHI"};
    const auto value = [](double v) { return QString::number(v, 'f', 2); };
    const auto axisOf = [this](int i) { return axisObject(QString::fromLatin1(objects[i])); };

    const QString warning = QStringLiteral("[W]") + kController;
    const QString info = QStringLiteral("[I]") + kController;
    const QString plusSwitch = QStringLiteral("Сработал положительный программный конечник координаты ");
    const QString minusSwitch = QStringLiteral("Сработал отрицательный программный конечник координаты ");
    const QString minusLimit = QStringLiteral("Изменено значение отрицательного программного конечника ");
    const QString plusLimit = QStringLiteral("Изменено значение положительного программного конечника ");
    const QString newValue = QStringLiteral(", новое значение ");

    switch (number) {
    case 101: return warning + QStringLiteral("Отключение приводов: нет разрешения по датчику вакуума");
    case 102: return warning + QStringLiteral("Отключение приводов: команда от контроллера вакуумной системы");
    case 103: return warning + QStringLiteral("Отключение приводов: сработан аварийный сигнал (кнопка или трос)");
    case 104: return warning + QStringLiteral("Отключение приводов: дверь камеры закрывается");
    case 111: return warning + QStringLiteral("Невозможно запустить программу ЧПУ - приводы не включены");
    default: break;
    }
    if (number >= 121 && number <= 128)
        return warning + QStringLiteral("Перегрузка по току привода ") + QLatin1String(drives[number - 121])
               + QStringLiteral(" - движение по оси и выполнение программы остановлено");
    if (number >= 131 && number <= 138)
        return warning + plusSwitch + QLatin1String(drives[number - 131]);
    if (number >= 141 && number <= 148)
        return warning + minusSwitch + QLatin1String(drives[number - 141]);
    if (number >= 151 && number <= 153)
        return warning + plusSwitch + QLatin1String(virtuals[number - 151]);
    if (number >= 156 && number <= 158)
        return warning + minusSwitch + QLatin1String(virtuals[number - 156]);
    if (number >= 161 && number <= 168) {
        Axis* a = axisOf(int(number - 161));
        if (a)
            return info + minusLimit + QLatin1String(drives[number - 161]) + newValue + value(a->minLimit());
    }
    if (number >= 169 && number <= 171) {
        const float limits[] = {m_minLimX, m_minLimZ, m_minLimPHI};
        return info + minusLimit + QLatin1String(virtuals[number - 169]) + newValue + value(limits[number - 169]);
    }
    if (number >= 181 && number <= 188) {
        Axis* a = axisOf(int(number - 181));
        if (a)
            return info + plusLimit + QLatin1String(drives[number - 181]) + newValue + value(a->maxLimit());
    }
    if (number >= 189 && number <= 191) {
        const float limits[] = {m_maxLimX, m_maxLimZ, m_maxLimPHI};
        return info + plusLimit + QLatin1String(virtuals[number - 189]) + newValue + value(limits[number - 189]);
    }
    // Referencing: 201 LX, 203 LY ... 208 U, 210 V; 202 and 209 have no text.
    static const int referenced[] = {201, 203, 204, 205, 206, 207, 208, 210};
    for (int i = 0; i < 8; ++i) {
        if (int(number) != referenced[i])
            continue;
        if (Axis* a = axisOf(i))
            return info + QStringLiteral("Выполнено референцирование оси ") + QLatin1String(drives[i])
                   + QStringLiteral(", новая координата ") + value(a->coord());
    }
    return QStringLiteral("[A]") + kController + QStringLiteral("Неизвестное сообщение (")
           + QString::number(number) + QLatin1Char(')');
}

// ---- vacuum system ----------------------------------------------------------------------------

void Gui::changedMode(uint value)
{
    QString text;
    QString algorithm;
    QString line;
    switch (value) {
    case 0xFFFFFFFFu: text = QStringLiteral("Аварийное завершение"); break;
    case 0:
        text = QStringLiteral("Режим наладки");
        line = QStringLiteral("[I]Выполнено переключение в Наладочный режим работы вакуумной системы");
        break;
    case 1:
        text = QStringLiteral("Ручной режим");
        line = QStringLiteral("[I]Выполнено переключение в Ручной режим работы вакуумной системы");
        break;
    case 2: text = algorithm = QStringLiteral("Подготовка"); break;
    case 3: text = algorithm = QStringLiteral("Форвакуумная откачка"); break;
    case 4: text = algorithm = QStringLiteral("Откачка камеры"); break;
    case 5: text = algorithm = QStringLiteral("Напуск в камеру"); break;
    case 6: text = algorithm = QStringLiteral("Завершение работы"); break;
    default: text = QStringLiteral("Wrong mode"); break;
    }
    if (!algorithm.isEmpty())
        line = QStringLiteral("[I]Запущен алгоритм '%1' вакуумной системы").arg(algorithm);
    lblVacuumState->setText(text);
    if (m_reported.vacuumMode.changes(value) && !line.isEmpty())
        prgMessage(line, true);
    if (value == 0)
        setColours(lblVacuumState, kSetupRed, Qt::white);
    else
        setColours(lblVacuumState, kNormalGreen, Qt::black);
}

void Gui::changedModeTime(uint value)
{
    m_modeMinutes = int(value / 60);
    m_modeSeconds = int(value % 60);
    const auto two = [](uint n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    lblVacuumTime->setText(QStringLiteral("%1:%2:%3")
                               .arg(two(value / 3600), two((value % 3600) / 60), two(value % 60)));
    setBackground(lblVacuumTime, value > 0 ? kBrightGreen : kNormalGreen);
}

void Gui::changedModeState(uint state)
{
    const bool reported = m_reported.vacuumModeState.changes(state);
    if (state == 1) {
        lblVacuumActive->setText(QStringLiteral("Выполняется"));
        setBackground(lblVacuumActive, kBrightGreen);
    } else if (state == 2) {
        lblVacuumActive->setText(QStringLiteral("Выполнен"));
        setBackground(lblVacuumActive, kBrightGreen);
        if (reported)
            prgMessage(QStringLiteral("[I]Автоматический алгоритм выполнен, время выполнения - %1 минут %2 секунд")
                           .arg(m_modeMinutes)
                           .arg(m_modeSeconds),
                       true);
    } else {
        lblVacuumActive->setText(QStringLiteral("Не запущен"));
        setBackground(lblVacuumActive, kNormalGreen);
    }
}

// A pressure that is not a finite number (NaN or infinite, also a double beyond the float range)
// is not known: the label keeps its last value, pink.
void Gui::showPressure(PoLabel* label, RelayedPressure& pressure, float value)
{
    pressure.finite = std::isfinite(value);
    if (pressure.finite)
        label->setValue(value, 5);
    showPressureLook(label, pressure);
}

void Gui::showPressureLook(PoLabel* label, const RelayedPressure& pressure)
{
    setBackground(label, pressure.valid && pressure.finite ? kNormalGreen : invalidBackground());
}

void Gui::onChangedChamberPressure(double value) { showPressure(VacuumChamber, m_chamberPressure, float(value)); }
void Gui::onChangedGunPressure(float value) { showPressure(VacuumGun, m_gunPressure, value); }

void Gui::onChangedChamberValid(bool valid)
{
    m_chamberPressure.valid = valid;
    showPressureLook(VacuumChamber, m_chamberPressure);
}

void Gui::onChangedGunValid(int valid)
{
    m_gunPressure.valid = valid != 0;
    showPressureLook(VacuumGun, m_gunPressure);
}

void Gui::onChangedPressUnit(bool unit)
{
    const float chamber = VacuumChamber->value();
    const float gun = VacuumGun->value();
    const float coeff = unit ? 0.0075006373f : 1.0f;
    VacuumChamber->setCoeff(coeff);
    VacuumGun->setCoeff(coeff);
    lblVacuumChamber->setText(unit ? QStringLiteral("Камера, мм.рт.ст.") : QStringLiteral("Камера, Па"));
    lblVacuumGun->setText(unit ? QStringLiteral("Пушка, мм.рт.ст.") : QStringLiteral("Пушка, Па"));
    VacuumChamber->setValue(chamber, 5);
    VacuumGun->setValue(gun, 5);
}

// ---- installation alarms ----------------------------------------------------------------------

void Gui::raiseAlarm(const QString& line, int numId)
{
    prgMessage(line, true);
    m_messageServer->slotAddMessage(CMessage::Alarm, numId, 0);
    m_drive.command(DriveCommand::buzzer());
}

void Gui::onDrivesPowerOff(bool on)
{
    // An alarm still standing when a lost link returns is not raised again.
    if (!m_reported.drivesPower.changes(on))
        return;
    if (!on)
        raiseAlarm(QStringLiteral("[A]Сработал автомат питания приводов 24В в ШУК (QF28)!"), 8);
    else
        m_messageServer->slotDeleteMessage(8);
}

void Gui::onPhaseAlarm(bool on)
{
    if (!m_reported.phaseAlarm.changes(on))
        return;
    if (on)
        raiseAlarm(QStringLiteral("[A]Ошибка фаз 380 Вольт в ШУК!"), 7);
    else
        m_messageServer->slotDeleteMessage(7);
}

void Gui::onSpiralPowerOff(bool on)
{
    if (!m_reported.spiralPower.changes(on))
        return;
    if (!on) {
        prgMessage(QStringLiteral("[W]Сработал автомат питания спиралей в ШУК (QF23 или QF24)!"), true);
        m_messageServer->slotAddMessage(CMessage::Warning, 20, 0);
    } else {
        m_messageServer->slotDeleteMessage(20);
    }
}

void Gui::onDrivePowerStateChanged(uint state)
{
    static const char* const breakers[] = {
        "[W]Сработал автомат QF31 питания привода координаты LX1 в ШУК!",
        "[W]Сработал автомат QF32 питания привода координаты LX2 в ШУК!",
        "[W]Сработал автомат QF33 питания привода координаты LY в ШУК!",
        "[W]Сработал автомат QF34 питания привода координаты A в ШУК!",
        "[W]Сработал автомат QF35 питания привода координаты B в ШУК!",
        "[W]Сработал автомат QF36 питания привода координаты C в ШУК!",
        "[W]Сработал автомат QF37 питания привода координаты D в ШУК!",
        "[W]Сработал автомат QF38 питания привода координаты U1 в ШУК!",
        "[W]Сработал автомат QF39 питания привода координаты U2 в ШУК!",
        "[W]Сработал автомат QF40 питания привода координаты V в ШУК!",
        "[W]Сработал автомат QF18 питания всех приводов в ШУК!",
    };
    if (state == m_drivePowerState)
        return;
    const uint tripped = m_drivePowerState & ~state;
    for (int bit = 0; bit < 11; ++bit)
        if (tripped & (1u << bit))
            prgMessage(QString::fromUtf8(breakers[bit]), true);
    constexpr uint mainBreaker = 1u << 10;
    if (tripped & mainBreaker) {
        m_messageServer->slotAddMessage(CMessage::Alarm, 0, 0);
        m_drive.command(DriveCommand::buzzer());
    }
    if (state & mainBreaker)
        m_messageServer->slotDeleteMessage(0);
    m_drivePowerState = state;
}

void Gui::onAlarmStateChanged(uint state)
{
    static const char* const lines[] = {
        "[A]Нажата кнопка аварийного останова на пульте оператора!",
        "[A]Нажата кнопка аварийного останова на пульте переносном!",
        "[A]Сработал левый тросовый выключатель в камере!",
        "[A]Сработал правый тросовый выключатель в камере!",
    };
    if (!m_reported.alarms.changes(state))
        return;
    for (int bit = 0; bit < 4; ++bit) {
        if (state & (1u << bit))
            raiseAlarm(QString::fromUtf8(lines[bit]), 3 + bit);
        else
            m_messageServer->slotDeleteMessage(3 + bit);
    }
}

void Gui::onLightStateChanged(uint state)
{
    static const char* const lights[][2] = {
        {"[I]Освещение камеры светодиодными лентами включено",
         "[I]Освещение камеры светодиодными лентами выключено"},
        {"[I]Освещение камеры светодиодными прожекторами включено",
         "[I]Освещение камеры светодиодными прожекторами выключено"},
        {"[I]Освещение зоны сварки спиралями включено", "[I]Освещение зоны сварки спиралями выключено"},
    };
    for (int bit = 0; bit < 3; ++bit) {
        const bool was = m_lightState & (1u << bit);
        const bool is = state & (1u << bit);
        if (was != is)
            prgMessage(QString::fromUtf8(lights[bit][is ? 0 : 1]), true);
    }
    m_lightState = state;
    sbLightSpiral->setState(bool(state & 0x4));
}

void Gui::onDoorStateChanged(uint state)
{
    static const char* const lines[] = {"[I]Дверь закрыта", "[I]Дверь открыта",
                                        "[I]Дверь в зоне торможения закрытия",
                                        "[I]Дверь в зоне торможения открытия"};
    if (m_reported.door.changes(state) && state < 4)
        prgMessage(QString::fromUtf8(lines[state]), true);
}

void Gui::onTrModuleStateChanged(uint state)
{
    static const char* const lines[] = {"[I]Транспортный модуль в камере",
                                        "[I]Транспортный модуль на загрузочной платформе",
                                        "[I]Транспортный модуль в зоне торможения камеры",
                                        "[I]Транспортный модуль в зоне торможения загрузочной платформы"};
    if (m_reported.trModule.changes(state) && state < 4)
        prgMessage(QString::fromUtf8(lines[state]), true);
}
