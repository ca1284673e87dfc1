// The vacuum screen's interlocks, door and modes: the locks decoded from the controllers'
// interlock words, the mode locks, the door's place on the mimic, and the mode bar with its
// access code, confirmations and lighting.

#include "kvs.h"

#include <QDialog>

#include <limits>

#include "accesscodes.h"
#include "confirm.h"
#include "numpad.h"
#include "statebutton.h"
#include "vacuumcommand.h"

namespace {

// One named bit of an interlock word.
struct Condition {
    int bit;
    const char* name;
    const char* locked;  // text while it blocks
    const char* free;    // text while it is free
};

// The named bits of the word of one element and direction. A word not listed here has no named
// bits: it only drives its direction lock.
struct Word {
    const char* element;
    bool on;
    std::initializer_list<Condition> conditions;
};

const Word kWords[] = {
    // The vacuum-system controller.
    {"NL1", true, {{0, "NL1:lockVP7", "Клапан VP7 не закрыт", "Клапан VP7 закрыт"},
                   {1, "NL1:lockDisch", "Недостаточный проток ОЖ", "Проток ОЖ в норме"}}},
    {"NL1", false, {{0, "NL1:lockVP2", "Клапан VP2 не закрыт", "Клапан VP2 закрыт"},
                    {1, "NL1:lockNZ1", "Насос NZ1 не выключен", "Насос NZ1 выключен"}}},
    {"NL2", true, {{0, "NL2:lockVP6", "Клапан VP6 не закрыт", "Клапан VP6 закрыт"}}},
    {"NL2", false, {{0, "NL2:lockVP3", "Затвор VP3 не закрыт", "Затвор VP3 закрыт"},
                    {1, "NL2:lockVP5", "Клапан VP5 не закрыт", "Клапан VP5 закрыт"},
                    {2, "NL2:lockNZ2", "Насос NZ2 не выключен", "Насос NZ2 выключен"}}},
    {"NZ1", true, {{0, "NZ1:lockPress", "Недостаточное давление в магистрали", "Давление в магистрали в норме"}}},
    {"NZ1", false, {{0, "NZ1:lockVP2", "Клапан VP2 не закрыт", "Клапан VP2 закрыт"}}},
    {"NZ2", true, {{0, "NZ2:lockPress", "Недостаточное давление в магистрали", "Давление в магистрали в норме"},
                   {1, "NZ2:lockDisch", "Недостаточный проток ОЖ", "Проток ОЖ в норме"}}},
    {"NZ2", false, {{0, "NZ2:lockVP3", "Затвор VP3 не закрыт", "Затвор VP3 закрыт"},
                    {1, "NZ2:lockVP5", "Клапан VP5 не закрыт", "Клапан VP5 закрыт"}}},
    {"ND1", true, {{0, "ND1:lockPress", "Недостаточное давление в насосе", "Давление в насосе в норме"},
                   {1, "ND1:lockVP2", "Клапан VP2 не открыт", "Клапан VP2 открыт"},
                   {2, "ND1:lockNL1", "Насос NL1 не включен", "Насос NL1 включен"},
                   {3, "ND1:lockDisch", "Недостаточный проток ОЖ", "Проток ОЖ в норме"}}},
    {"ND1", false, {{0, "ND1:lockVP1", "Затвор VP1 не закрыт", "Затвор VP1 закрыт"}}},
    {"VP1", true, {{0, "VP1:lockPress", "Недостаточное давление в камере", "Давление в камере в норме"},
                   {1, "VP1:lockND1", "Насос ND1 не включен", "Насос ND1 включен"}}},
    {"VP2", true, {{0, "VP2:lockPress", "Давление в насосе и в магистрали не выравнено",
                    "Давление в насосе и в магистрали в норме"}}},
    {"VP2", false, {{0, "VP2:lockND1", "Насос ND1 не выключен", "Насос ND1 выключен"}}},
    {"VP3", true, {{0, "VP3:lockPress", "Давление в камере и в магистрали не выравнено",
                    "Давление в камере и в магистрали в норме"}}},
    {"VP5", true, {{0, "VP5:lockPress", "Давление в рубашке и в магистрали не выравнено",
                    "Давление в рубашке и в магистрали в норме"}}},
    {"VP6", true, {{0, "VP6:lockNL2", "Насос NL2 не выключен", "Насос NL2 выключен"}}},
    {"VP7", true, {{0, "VP7:lockNL1", "Насос NL1 не выключен", "Насос NL1 выключен"}}},
    // The vacuum/door controller.
    {"VP4", true, {{0, "VP4:lockDrives", "Приводы не выключены", "Приводы выключены"},
                   {1, "VP4:lockValve", "Затвор VP1 и/или VP3 не закрыт", "Затворы VP1 и VP3 закрыты"}}},
    {"VP8", true, {{0, "VP8:lockDrives", "Приводы не выключены", "Приводы выключены"},
                   {1, "VP8:lockValve", "Затвор VP1 и/или VP3 не закрыт", "Затворы VP1 и VP3 закрыты"}}},
    {"DOOR", true, {{0, "DOOR:lockPress", "Нет атмосферы в камере", "Атмосфера в камере"}}},
    {"DOOR", false, {{0, "DOOR:lockState", "Дверь не закрыта", "Дверь закрыта"}}},
};

// The combined word of the turbo pump, its vent valve and the gun gate.
const Condition kCombined[] = {
    {0, "VPT:lockTMN", "ТМН не выключен", ""},
    {1, "VE1:lockShuk", "Нет разрешения от ШУК", ""},
    {2, "VE1:lockAcc", "Ускоряющее не выключено", ""},
    {3, "TMN:lockVPT", "VPT не открыт", "VPT открыт"},
    {4, "TMN:lockPress", "Недостаточное давление", "Давление в норме"},
};

// The elements of each controller, by the names of their direction locks.
const char* const kKvsElements[] = {"NL1", "NL2", "NZ1", "NZ2", "ND1", "NW2", "VP1", "VP2", "VP3", "VP5", "VP6", "VP7"};
const char* const kKvkElements[] = {"VP4", "VP8", "DOOR", "TMN", "VPT", "VE1"};

const QString kLockUser = QStringLiteral("REGIME:LockUser");
const QString kLockDoorPress = QStringLiteral("REGIME:LockDoorPress");
const QString kLockDoorState = QStringLiteral("REGIME:LockDoorState");
const QString kLockPump = QStringLiteral("REGIME:LockPump");

// The door on the mimic: against the chamber while pressed; up, down or between by the drive
// controller's report.
constexpr int kDoorPressedX = 42;
constexpr int kDoorReleasedX = 30;
constexpr int kDoorClosedY = 90;
constexpr int kDoorOpenY = 340;
constexpr int kDoorBetweenY = 215;

// The automatic algorithms by number, as the confirmation names them.
const char* const kAlgorithmNames[] = {nullptr, nullptr, "Подготовка", "Форвакуумная откачка", "Откачка камеры",
                                       "Напуск в камеру", "Завершение работы"};
constexpr int kConfirmSeconds = 5;

}  // namespace

// ---- the locks ------------------------------------------------------------------------------

QString KVS::directionLock(const QString& element, bool on)
{
    return element + (on ? QStringLiteral(":LockOn") : QStringLiteral(":LockOff"));
}

void KVS::initLocks()
{
    // Each element's two direction locks, and the value cells of its two interlock words under
    // the same names.
    const auto addDirectionLocks = [this](const auto& elements) {
        for (const char* e : elements) {
            for (bool on : {true, false}) {
                const QString name = directionLock(QLatin1String(e), on);
                addLock(name, false, QString(), QString());
                addElement(name, LenzeElement::Number, 0);
            }
        }
    };
    addDirectionLocks(kKvsElements);
    addDirectionLocks(kKvkElements);
    for (const Word& word : kWords) {
        for (const Condition& c : word.conditions)
            addLock(QLatin1String(c.name), false, QString::fromUtf8(c.locked), QString::fromUtf8(c.free));
    }
    for (const Condition& c : kCombined)
        addLock(QLatin1String(c.name), false, QString::fromUtf8(c.locked), QString::fromUtf8(c.free));
    addLock(kLockUser, false, QStringLiteral("Нет прав на включение"), QStringLiteral("Права есть"));
    addLock(kLockDoorPress, false, QStringLiteral("Дверь камеры не прижата"), QStringLiteral("Дверь камеры прижата"));
    addLock(kLockDoorState, false, QStringLiteral("Дверь камеры не закрыта"), QStringLiteral("Дверь камеры закрыта"));
    addLock(kLockPump, false, QString(), QString());

    // Nobody is logged in; the drive controller has not reported the door (the screen says what
    // the vacuum controllers have not reported once it is built).
    lock(kLockUser)->setState(true);
    lock(kLockDoorState)->setUnknown();
    updatePumpLock();
}

void KVS::wordReported(const QString& name, bool on, int word)
{
    const QString direction = directionLock(name, on);
    element(direction)->setNumberVal(word);
    lock(direction)->setState(word != 0);
    for (const Word& w : kWords) {
        if (w.on != on || name != QLatin1String(w.element))
            continue;
        for (const Condition& c : w.conditions)
            lock(QLatin1String(c.name))->setState((word >> c.bit) & 1);
    }
}

void KVS::locksUnknown(Link link)
{
    const auto unknown = [this](const auto& elements) {
        for (const char* e : elements) {
            const QString element = QLatin1String(e);
            for (bool on : {true, false})
                lock(directionLock(element, on))->setUnknown();
            for (const Word& w : kWords) {
                if (element == QLatin1String(w.element)) {
                    for (const Condition& c : w.conditions)
                        lock(QLatin1String(c.name))->setUnknown();
                }
            }
        }
    };
    if (link == KvsLink) {
        unknown(kKvsElements);
    } else {
        unknown(kKvkElements);
        for (const Condition& c : kCombined)
            lock(QLatin1String(c.name))->setUnknown();
    }
}

void KVS::onChangedNL1LockOn(int state) { wordReported(QStringLiteral("NL1"), true, state); }
void KVS::onChangedNL2LockOn(int state) { wordReported(QStringLiteral("NL2"), true, state); }
void KVS::onChangedNZ1LockOn(int state) { wordReported(QStringLiteral("NZ1"), true, state); }
void KVS::onChangedNZ2LockOn(int state) { wordReported(QStringLiteral("NZ2"), true, state); }
void KVS::onChangedND1LockOn(int state) { wordReported(QStringLiteral("ND1"), true, state); }
void KVS::onChangedNW2LockOn(int state) { wordReported(QStringLiteral("NW2"), true, state); }
void KVS::onChangedNL1LockOff(int state) { wordReported(QStringLiteral("NL1"), false, state); }
void KVS::onChangedNL2LockOff(int state) { wordReported(QStringLiteral("NL2"), false, state); }
void KVS::onChangedNZ1LockOff(int state) { wordReported(QStringLiteral("NZ1"), false, state); }
void KVS::onChangedNZ2LockOff(int state) { wordReported(QStringLiteral("NZ2"), false, state); }
void KVS::onChangedND1LockOff(int state) { wordReported(QStringLiteral("ND1"), false, state); }
void KVS::onChangedNW2LockOff(int state) { wordReported(QStringLiteral("NW2"), false, state); }
void KVS::onChangedVP1LockOn(int state) { wordReported(QStringLiteral("VP1"), true, state); }
void KVS::onChangedVP2LockOn(int state) { wordReported(QStringLiteral("VP2"), true, state); }
void KVS::onChangedVP3LockOn(int state) { wordReported(QStringLiteral("VP3"), true, state); }
void KVS::onChangedVP4LockOn(int state) { wordReported(QStringLiteral("VP4"), true, state); }
void KVS::onChangedVP5LockOn(int state) { wordReported(QStringLiteral("VP5"), true, state); }
void KVS::onChangedVP6LockOn(int state) { wordReported(QStringLiteral("VP6"), true, state); }
void KVS::onChangedVP7LockOn(int state) { wordReported(QStringLiteral("VP7"), true, state); }
void KVS::onChangedVP8LockOn(int state) { wordReported(QStringLiteral("VP8"), true, state); }
void KVS::onChangedVP1LockOff(int state) { wordReported(QStringLiteral("VP1"), false, state); }
void KVS::onChangedVP2LockOff(int state) { wordReported(QStringLiteral("VP2"), false, state); }
void KVS::onChangedVP3LockOff(int state) { wordReported(QStringLiteral("VP3"), false, state); }
void KVS::onChangedVP4LockOff(int state) { wordReported(QStringLiteral("VP4"), false, state); }
void KVS::onChangedVP5LockOff(int state) { wordReported(QStringLiteral("VP5"), false, state); }
void KVS::onChangedVP6LockOff(int state) { wordReported(QStringLiteral("VP6"), false, state); }
void KVS::onChangedVP7LockOff(int state) { wordReported(QStringLiteral("VP7"), false, state); }
void KVS::onChangedVP8LockOff(int state) { wordReported(QStringLiteral("VP8"), false, state); }
void KVS::onChangedDoorLockOn(int state) { wordReported(QStringLiteral("DOOR"), true, state); }
void KVS::onChangedDoorLockOff(int state) { wordReported(QStringLiteral("DOOR"), false, state); }

void KVS::changedLocksELA(uint state)
{
    const auto bit = [state](int b) { return bool((state >> b) & 1u); };
    for (const Condition& c : kCombined)
        lock(QLatin1String(c.name))->setState(bit(c.bit));
    lock(QStringLiteral("VPT:LockOn"))->setState(false);
    lock(QStringLiteral("VPT:LockOff"))->setState(bit(0));
    lock(QStringLiteral("VE1:LockOn"))->setState(bit(1));
    lock(QStringLiteral("VE1:LockOff"))->setState(bit(2));
    lock(QStringLiteral("TMN:LockOn"))->setState(bit(3) || bit(4));
    lock(QStringLiteral("TMN:LockOff"))->setState(false);
}

// ---- user and door --------------------------------------------------------------------------

void KVS::onUserChanged(int rights)
{
    m_userRights = rights;
    // Only an administrator (0) or a fixer (1) may set the plant up; an operator (2) may not, nor
    // may anyone while nobody is logged in (-1 before a login and after a cancelled one).
    lock(kLockUser)->setState(rights != 0 && rights != 1);
}

void KVS::moveDoor()
{
    Door->move(m_doorX, m_doorY);
    showDoorLook();
}

void KVS::updatePumpLock()
{
    lock(kLockPump)->setState(lock(kLockDoorPress)->state() || lock(kLockDoorState)->state());
}

void KVS::onDoorStateChanged(uint state)
{
    m_doorState = int(qMin(state, uint(std::numeric_limits<int>::max())));
    m_doorY = state == 0 ? kDoorClosedY : state == 1 ? kDoorOpenY : kDoorBetweenY;
    moveDoor();
    lock(kLockDoorState)->setState(state != 0);
    updatePumpLock();
}

void KVS::onDoorStateUnknown()
{
    m_doorState = -1;
    showDoorLook();
    lock(kLockDoorState)->setUnknown();
    updatePumpLock();
}

void KVS::onChangedDoorState(int state) { m_doorPressState = state; }

void KVS::onDoorPressChanged(int state)
{
    m_doorX = state == 0 ? kDoorPressedX : kDoorReleasedX;
    moveDoor();
    lock(kLockDoorPress)->setState(state != 0);
    updatePumpLock();
    static const char* const texts[] = {"[I]Дверь камеры прижата", "[I]Дверь камеры отжата",
                                        "[I]Дверь камеры прижимается", "[I]Дверь камеры отжимается"};
    if (m_reportedDoorPress.changes(state))
        emit message(state >= 0 && state <= 3 ? QString::fromUtf8(texts[state])
                                              : QStringLiteral("[W]Ошибка прижима/отжима двери!"),
                     true);
}

// ---- modes ----------------------------------------------------------------------------------

void KVS::initStateButtons()
{
    const struct {
        StateButton* button;
        QString caption;
        QString lock;
        QStringList reasons;
    } buttons[] = {
        {sbVacManual, QStringLiteral("Ручное\nуправление"), QString(), {}},
        {sbVacAdjust, QStringLiteral("Наладка"), kLockUser, {kLockUser}},
        {sbVacPrepare, QStringLiteral("Подготовка"), QString(), {}},
        {sbVacForepump, QStringLiteral("Форвакуумная\nоткачка"), kLockPump, {kLockDoorPress, kLockDoorState}},
        {sbVacPumping, QStringLiteral("Откачка\nкамеры"), kLockPump, {kLockDoorPress, kLockDoorState}},
        {sbVacFilling, QStringLiteral("Напуск\nв камеру"), QString(), {}},
        {sbVacShutdown, QStringLiteral("Завершение\nработы"), QString(), {}},
    };
    for (const auto& b : buttons) {
        b.button->init(b.caption, true, QString(), QString(), QString(), QString(), QStringLiteral("[ошибка]"), true);
        if (!b.lock.isEmpty())
            b.button->setLock(true, lock(b.lock));
        for (const QString& reason : b.reasons)
            b.button->addLock(true, lock(reason));
    }
}

void KVS::changedMode(unsigned int n)
{
    const std::pair<StateButton*, unsigned int> buttons[] = {
        {sbVacManual, 1}, {sbVacAdjust, 0}, {sbVacPrepare, 2}, {sbVacForepump, 3},
        {sbVacPumping, 4}, {sbVacFilling, 5}, {sbVacShutdown, 6},
    };
    for (const auto& b : buttons)
        b.first->setState(b.second == n);
}

// A command the link cannot send, the link reports.
void KVS::startAlgorithm(int number)
{
    m_kvk.command(VacuumCommand::algorithm(number));
}

void KVS::confirmAlgorithm(int number, StateButton* button)
{
    const QString question = QStringLiteral("Запустить автоматический алгоритм '%1'?")
                                 .arg(QString::fromUtf8(kAlgorithmNames[number]));
    Confirm dialog(QStringLiteral("Подтверждение"), question, button, kConfirmSeconds);
    if (dialog.exec() == QDialog::Accepted)
        startAlgorithm(number);
}

void KVS::on_sbVacAdjust_clicked()
{
    Numpad pad(QStringLiteral("Пароль"), sbVacAdjust, 0, true, true, true);
    if (pad.exec() == QDialog::Accepted && pad.value() == AccessCodes::Setup) {
        emit message(QStringLiteral("[I]Введён правильный пароль для перехода в режим 'Наладка'"), true);
        startAlgorithm(0);
    } else {
        emit message(QStringLiteral("[W]Введён неправильный пароль для перехода в режим 'Наладка'"), true);
    }
}

void KVS::on_sbVacManual_clicked() { startAlgorithm(1); }
void KVS::on_sbVacPrepare_clicked() { confirmAlgorithm(2, sbVacPrepare); }
void KVS::on_sbVacForepump_clicked() { confirmAlgorithm(3, sbVacForepump); }
void KVS::on_sbVacPumping_clicked() { confirmAlgorithm(4, sbVacPumping); }
void KVS::on_sbVacFilling_clicked() { confirmAlgorithm(5, sbVacFilling); }
void KVS::on_sbVacShutdown_clicked() { confirmAlgorithm(6, sbVacShutdown); }
