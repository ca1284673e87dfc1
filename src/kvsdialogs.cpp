// The vacuum screen's eighteen element dialogs, built from one table.

#include "kvs.h"

#include <QMetaMethod>

#include "elementdlg.h"
#include "statebutton.h"
#include "vacuumcommand.h"

namespace {

enum class Texts { Pump, Valve, Door };

struct Row {
    const char* label;
    const char* cell;
};

struct DialogEntry {
    KVS::ElementDialog dialog;
    PoSprite* Ui_KVS::*widget;     // the element on the mimic, the dialog's parent
    const char* element;           // its name in the locks and commands
    bool kvk;                      // commanded through the vacuum/door controller
    const char* title;
    const char* subtitle;
    Texts texts;
    const char* stateSignal;       // the link's report of the element's state
    std::initializer_list<const char*> locksOn;
    std::initializer_list<const char*> locksOff;
    std::initializer_list<Row> rows;
};

// In the order of creation.
const DialogEntry kDialogs[] = {
    {KVS::DlgNL1, &Ui_KVS::NL1, "NL1", false, "NL1", "Насос пластинчато-роторный\n2НВР-250Д", Texts::Pump,
     "changedNL1State(int)", {"NL1:lockVP7", "NL1:lockDisch"}, {"NL1:lockVP2", "NL1:lockNZ1"},
     {{"Питание", "NL1:Power"}, {"Перегрев", "NL1:Thermal"}, {"Проток, л/мин", "Discharge07"},
      {"Температура ОЖ, °C", "Temp07"}}},
    {KVS::DlgNL2, &Ui_KVS::NL2, "NL2", false, "NL2", "Насос пластинчато-роторный\nSV-750B", Texts::Pump,
     "changedNL2State(int)", {"NL2:lockVP6"}, {"NL2:lockVP3", "NL2:lockVP5", "NL2:lockNZ2"},
     {{"Питание", "NL2:Power"}, {"Перегрев", "NL2:Thermal"}}},
    {KVS::DlgNZ1, &Ui_KVS::NZ1, "NZ1", false, "NZ1", "Насос Рутса двухроторный\nНВД-600", Texts::Pump,
     "changedNZ1State(int)", {"NZ1:lockPress"}, {"NZ1:lockVP2"},
     {{"Питание", "NZ1:Power"}, {"Перегрев", "NZ1:Thermal"}}},
    {KVS::DlgNZ2, &Ui_KVS::NZ2, "NZ2", false, "NZ2", "Насос Рутса двухроторный\nWH-4400", Texts::Pump,
     "changedNZ2State(int)", {"NZ2:lockPress", "NZ2:lockDisch"}, {"NZ2:lockVP3", "NZ2:lockVP5"},
     {{"Питание", "NZ2:Power"}, {"Перегрев", "NZ2:Thermal"}, {"Проток, л/мин", "Discharge06"},
      {"Температура ОЖ, °C", "Temp06"}}},
    {KVS::DlgNW2, &Ui_KVS::NW2, "NW2", false, "NW2", "Насос циркуляционный\nGrundfos CM3-2", Texts::Pump,
     "changedNW2State(int)", {}, {},
     {{"Питание", "NW2:Power"}, {"Проток, л/мин", "Discharge01"}, {"Темп-ра ОЖ, °C", "Temp01"}}},
    {KVS::DlgND1, &Ui_KVS::ND1, "ND1", false, "ND1", "Насос диффузионный\nНД-1000", Texts::Pump,
     "changedND1State(int)", {"ND1:lockPress", "ND1:lockVP2", "ND1:lockNL1", "ND1:lockDisch"}, {"ND1:lockVP1"},
     {{"Питание", "ND1:Power"}, {"Перегрев", "ND1:Thermal"}, {"Проток 1, л/мин", "Discharge02"},
      {"Температура ОЖ 1, °C", "Temp02"}, {"Проток 2, л/мин", "Discharge03"}, {"Температура ОЖ 2, °C", "Temp03"},
      {"Проток 3, л/мин", "Discharge04"}, {"Температура ОЖ 3, °C", "Temp04"}, {"Проток 4, л/мин", "Discharge05"},
      {"Температура ОЖ 4, °C", "Temp05"}}},
    {KVS::DlgVP1, &Ui_KVS::VP1, "VP1", false, "VP1", "Затвор вакуумный\nЗВП-1000", Texts::Valve,
     "changedVP1State(int)", {"VP1:lockPress", "VP1:lockND1"}, {}, {}},
    {KVS::DlgVP2, &Ui_KVS::VP2, "VP2", false, "VP2", "Клапан угловой\nGDQ-J100B", Texts::Valve,
     "changedVP2State(int)", {"VP2:lockPress"}, {"VP2:lockND1"}, {}},
    {KVS::DlgVP3, &Ui_KVS::VP3, "VP3", false, "VP3", "Клапан плоский\nЗВПлП-250", Texts::Valve,
     "changedVP3State(int)", {"VP3:lockPress"}, {}, {}},
    {KVS::DlgVP4, &Ui_KVS::VP4, "VP4", true, "VP4", "Клапан вакуумный\nGDQ-J63B", Texts::Valve,
     "changedVP4State(int)", {"VP4:lockDrives", "VP4:lockValve"}, {}, {}},
    {KVS::DlgVP5, &Ui_KVS::VP5, "VP5", false, "VP5", "Клапан вакуумный\nGDQ-J63B", Texts::Valve,
     "changedVP5State(int)", {"VP5:lockPress"}, {}, {}},
    {KVS::DlgVP6, &Ui_KVS::VP6, "VP6", false, "VP6", "Клапан вакуумный\nGDQ-J25B", Texts::Valve,
     "changedVP6State(int)", {"VP6:lockNL2"}, {}, {}},
    {KVS::DlgVP7, &Ui_KVS::VP7, "VP7", false, "VP7", "Клапан вакуумный\nGDQ-J25B", Texts::Valve,
     "changedVP7State(int)", {"VP7:lockNL1"}, {}, {}},
    {KVS::DlgVP8, &Ui_KVS::VP8, "VP8", true, "VP8", "Клапан вакуумный\nGDQ-J25B", Texts::Valve,
     "changedVP8State(int)", {"VP8:lockDrives", "VP8:lockValve"}, {}, {}},
    {KVS::DlgDoor, &Ui_KVS::Door, "DOOR", true, "Дверь", "Клапаны пневмо-электрические Camozzi", Texts::Door,
     "changedDoorState(int)", {"DOOR:lockPress"}, {"DOOR:lockState"}, {}},
    {KVS::DlgTMN, &Ui_KVS::TMN, "TMN", true, "ТМН", "Насос турбомолекулярный", Texts::Pump,
     "changedStateTMN(int)", {"TMN:lockVPT", "TMN:lockPress"}, {}, {}},
    {KVS::DlgVPT, &Ui_KVS::VPT, "VPT", true, "VPT", "Клапан напуска ТМН", Texts::Valve,
     "changedStateVPT(int)", {}, {"VPT:lockTMN"}, {}},
    {KVS::DlgVE1, &Ui_KVS::VE1, "VE1", true, "VE1", "Шибер", Texts::Valve,
     "changedStateVE(int)", {"VE1:lockShuk"}, {"VE1:lockAcc"}, {}},
};

// The dialogs are built before either link is opened: no element has reported a state yet.
constexpr int kNothingReported = -1;

struct TextSet {
    const char* on;
    const char* off;
    const char* states[4];
};

const TextSet& textSet(Texts texts)
{
    static const TextSet sets[] = {
        {"Включить", "Выключить", {"[выключен]", "[включен]", "[выключается]", "[включается]"}},
        {"Открыть", "Закрыть", {"[закрыт]", "[открыт]", "[закрывается]", "[открывается]"}},
        {"Отжать", "Прижать", {"[прижата]", "[отжата]", "[прижимается]", "[отжимается]"}},
    };
    return sets[int(texts)];
}

}  // namespace

void KVS::initDialogs()
{
    for (const DialogEntry& entry : kDialogs) {
        const QString name = QLatin1String(entry.element);
        const TextSet& texts = textSet(entry.texts);
        QStringList states;
        for (const char* state : texts.states)
            states << QString::fromUtf8(state);
        QList<Lock*> locksOn;
        for (const char* l : entry.locksOn)
            locksOn << lock(QLatin1String(l));
        QList<Lock*> locksOff;
        for (const char* l : entry.locksOff)
            locksOff << lock(QLatin1String(l));
        QStringList labels;
        QList<LenzeElement*> cells;
        for (const Row& row : entry.rows) {
            labels << QString::fromUtf8(row.label);
            cells << element(QLatin1String(row.cell));
        }
        const VacuumCommand::ElementCommands commands = VacuumCommand::forElement(name);
        Q_ASSERT(commands.isValid() && (commands.controller == VacuumCommand::Controller::VacuumDoor) == entry.kvk);
        QWidget* parent = this->*entry.widget;
        const QString title = QString::fromUtf8(entry.title);
        const QString subtitle = QString::fromUtf8(entry.subtitle);
        VacuumElementDlg* dialog;
        if (entry.kvk)
            dialog = new KvkDlg(&m_kvk, parent, title, subtitle, kNothingReported, lock(directionLock(name, true)),
                                lock(directionLock(name, false)), locksOn, locksOff, QString::fromUtf8(texts.on),
                                QString::fromUtf8(texts.off), commands.on, commands.off, states, labels, cells);
        else
            dialog = new KvsDlg(&m_kvs, parent, title, subtitle, kNothingReported, lock(directionLock(name, true)),
                                lock(directionLock(name, false)), locksOn, locksOff, QString::fromUtf8(texts.on),
                                QString::fromUtf8(texts.off), commands.on, commands.off, states, labels, cells);
        m_dialogs[entry.dialog] = dialog;

        QObject* link = entry.kvk ? static_cast<QObject*>(&m_kvk) : &m_kvs;
        const int signal = link->metaObject()->indexOfSignal(entry.stateSignal);
        const int slot = dialog->metaObject()->indexOfSlot("onStateChanged(int)");
        Q_ASSERT_X(signal >= 0 && slot >= 0, "KVS::initDialogs", entry.stateSignal);
        connect(link, link->metaObject()->method(signal), dialog, dialog->metaObject()->method(slot));
    }
}
