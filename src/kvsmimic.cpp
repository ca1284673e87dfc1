// The vacuum screen's mimic: the pictures of its sprites, the element reports with their pipes,
// chamber tint and log lines, the gauges and cooling-water signs, the value cells and the wiring
// of both links' reports to all of them.

#include "kvs.h"

#include <cmath>

#include "elementdlg.h"
#include "statebutton.h"
#include "vacuummimic.h"
#include "widgets.h"

namespace {

using Element = KVS::Element;

enum class Kind { Pump, Valve };

// An element of the mimic that a controller reports a state for.
struct ElementInfo {
    Element element;
    const char* name;            // the element's name, also the valve's key of the pipe rules
    PoSprite* Ui_KVS::*sprite;
    const char* set;             // picture set
    Kind kind;
    const char* type;            // the log line's words
    const char* word;
    bool kvk;                    // reported by the vacuum/door controller
};

const ElementInfo kElements[] = {
    {Element::NL1, "NL1", &Ui_KVS::NL1, "NL", Kind::Pump, "Форвакуумный насос", "NL1", false},
    {Element::NL2, "NL2", &Ui_KVS::NL2, "NL", Kind::Pump, "Форвакуумный насос", "NL2", false},
    {Element::NZ1, "NZ1", &Ui_KVS::NZ1, "NZ", Kind::Pump, "Двухроторный насос", "NZ1", false},
    {Element::NZ2, "NZ2", &Ui_KVS::NZ2, "NZ", Kind::Pump, "Двухроторный насос", "NZ2", false},
    {Element::ND1, "ND1", &Ui_KVS::ND1, "ND", Kind::Pump, "Диффузионный насос", "ND1", false},
    {Element::NW2, "NW2", &Ui_KVS::NW2, "NW2", Kind::Pump, "Повысительный насос", "NW2", false},
    {Element::VP1, "VP1", &Ui_KVS::VP1, "VT", Kind::Valve, "Затвор", "VP1", false},
    {Element::VP2, "VP2", &Ui_KVS::VP2, "vv", Kind::Valve, "Клапан", "VP2", false},
    {Element::VP3, "VP3", &Ui_KVS::VP3, "vv", Kind::Valve, "Затвор", "VP3", false},
    {Element::VP4, "VP4", &Ui_KVS::VP4, "vv", Kind::Valve, "Клапан напуска", "VP4", true},
    {Element::VP5, "VP5", &Ui_KVS::VP5, "vv", Kind::Valve, "Клапан", "VP5", false},
    {Element::VP6, "VP6", &Ui_KVS::VP6, "vh", Kind::Valve, "Клапан напуска", "VP6", false},
    {Element::VP7, "VP7", &Ui_KVS::VP7, "vh", Kind::Valve, "Клапан напуска", "VP7", false},
    {Element::VP8, "VP8", &Ui_KVS::VP8, "vv", Kind::Valve, "Клапан напуска", "VP8", true},
    {Element::VE1, "VE1", &Ui_KVS::VE1, "VE", Kind::Valve, "Шибер", "ЭЛП", true},
    {Element::VPT, "VPT", &Ui_KVS::VPT, "vh", Kind::Valve, "Клапан напуска", "ТМН", true},
    {Element::TMN, "TMN", &Ui_KVS::TMN, "TMN", Kind::Pump, "Турбомолекулярный насос", "ЭЛП", true},
};

const ElementInfo& info(Element element)
{
    return kElements[int(element)];
}

// The pumps of the vacuum/door controller that report power only.
const struct {
    PoSprite* Ui_KVS::*sprite;
    const char* set;
} kPowerPumps[] = {{&Ui_KVS::NP1, "NP"}, {&Ui_KVS::NW1, "NW"}};

// The picture set of each pipe piece.
const struct {
    const char* set;
    std::initializer_list<const char*> pipes;
} kPipeSets[] = {
    {"vpipe", {"pipeA0", "pipeB2", "pipeB3", "pipeB4", "pipeB5", "pipeB6", "pipeE0", "pipeE1", "pipeE2",
               "pipeE3", "pipeE4", "pipeE5", "pipeE6", "pipeF0", "pipeF1", "pipeH3", "pipeH4", "pipeJ2"}},
    {"hpipe", {"pipeA2", "pipeB0", "pipeC1", "pipeF3", "pipeG1", "pipeH0", "pipeH1", "pipeJ0", "pipeO1",
               "pipeP0"}},
    {"hlt", {"pipeC0", "pipeG0", "pipeO0"}},
    {"rtpipe", {"pipeH2", "pipeJ1"}},
    {"vbt", {"pipeH5", "pipeJ3"}},
    {"rpipe", {"pipeBC", "pipeEG"}},
    {"lbpipe", {"pipeA1"}},
    {"ltpipe", {"pipeB1"}},
    {"rbpipe", {"pipeF2"}},
    {"lpipe", {"pipeEF"}},
};

PoSprite* Ui_KVS::* const kFlows[] = {&Ui_KVS::W1, &Ui_KVS::W2, &Ui_KVS::W3, &Ui_KVS::W4,
                                       &Ui_KVS::W5, &Ui_KVS::W6, &Ui_KVS::W7};
PoSprite* Ui_KVS::* const kTemperatures[] = {&Ui_KVS::T1, &Ui_KVS::T2, &Ui_KVS::T3, &Ui_KVS::T4,
                                              &Ui_KVS::T5, &Ui_KVS::T6, &Ui_KVS::T7};

// The six gauges with their unit cells; the first three report over the first link.
const struct {
    PoLabel* Ui_KVS::*value;
    PoLabel* Ui_KVS::*unit;
} kGauges[] = {{&Ui_KVS::PT1, &Ui_KVS::lblPT1u}, {&Ui_KVS::PT2, &Ui_KVS::lblPT2u},
               {&Ui_KVS::PT3, &Ui_KVS::lblPT3u}, {&Ui_KVS::PT4, &Ui_KVS::lblPT4u},
               {&Ui_KVS::PT5, &Ui_KVS::lblPT5u}, {&Ui_KVS::PT6, &Ui_KVS::lblPT6u}};
constexpr int kGaugeDecimals = 5;
const QColor kGaugeValid(0, 128, 255);
const QColor kGaugeInvalid(255, 32, 0);

// The chamber's outline, shown while the jacket valve VP5 lights its pipes (open, moving or in
// error); hidden while it is closed or not known.
PoSprite* Ui_KVS::* const kRing[] = {&Ui_KVS::pipeI0, &Ui_KVS::pipeI1, &Ui_KVS::pipeI2, &Ui_KVS::pipeI3, &Ui_KVS::pipeI4,
                                      &Ui_KVS::pipeI5, &Ui_KVS::pipeI6, &Ui_KVS::pipeI7, &Ui_KVS::pipeI8};

}  // namespace

// ---- construction ---------------------------------------------------------------------------

PoSprite* KVS::sprite(Element element) const
{
    return this->*info(element).sprite;
}

PoSprite* KVS::pipe(const QString& name) const
{
    return m_pipes.value(name);
}

PoLabel* KVS::gauge(int index) const
{
    return this->*kGauges[index].value;
}

PoLabel* KVS::gaugeUnit(int index) const
{
    return this->*kGauges[index].unit;
}

void KVS::initSprites()
{
    auto register6 = [](PoSprite* sprite, const QString& set) {
        for (int state : VacuumMimic::kElementStates)
            sprite->addPixmap(state, VacuumMimic::elementPicture(set, state));
    };
    for (const ElementInfo& e : kElements)
        register6(this->*e.sprite, QLatin1String(e.set));
    for (const auto& p : kPowerPumps)
        register6(this->*p.sprite, QLatin1String(p.set));
    for (const auto& family : kPipeSets) {
        for (const char* name : family.pipes) {
            auto* piece = findChild<PoSprite*>(QLatin1String(name));
            Q_ASSERT_X(piece, "KVS::initSprites", name);
            m_pipes.insert(QLatin1String(name), piece);
            for (int state : {0, 1})
                piece->addPixmap(state, QStringLiteral(":/images/%1_%2.png").arg(QLatin1String(family.set)).arg(state));
        }
    }
    for (PoSprite* Ui_KVS::*w : kFlows) {
        for (int state : {0, 1})
            (this->*w)->addPixmap(state, QStringLiteral(":/images/w_%1.png").arg(state));
    }
    for (PoSprite* Ui_KVS::*t : kTemperatures) {
        for (int state : {0, 1, 2})
            (this->*t)->addPixmap(state, QStringLiteral(":/images/t_%1.png").arg(state));
    }
}

void KVS::initElements()
{
    connect(&m_kvk, &KVKTCPthread::changedNP1Power, this, &KVS::changedNP1);
    connect(&m_kvk, &KVKTCPthread::changedNW1Power, this, &KVS::changedNW1);

    // Each element's state to its sprite and to the screen.
    auto stateOf = [this](auto* link, void (std::remove_pointer_t<decltype(link)>::*signal)(int), Element e,
                          void (KVS::*slot)(int)) {
        connect(link, signal, sprite(e), qOverload<int>(&PoSprite::changedState));
        connect(link, signal, this, slot);
    };
    stateOf(&m_kvs, &KVSTCPthread::changedNW2State, Element::NW2, &KVS::onChangedNW2State);
    stateOf(&m_kvs, &KVSTCPthread::changedND1State, Element::ND1, &KVS::onChangedND1State);
    stateOf(&m_kvs, &KVSTCPthread::changedNL1State, Element::NL1, &KVS::onChangedNL1State);
    stateOf(&m_kvs, &KVSTCPthread::changedNL2State, Element::NL2, &KVS::onChangedNL2State);
    stateOf(&m_kvs, &KVSTCPthread::changedNZ1State, Element::NZ1, &KVS::onChangedNZ1State);
    stateOf(&m_kvs, &KVSTCPthread::changedNZ2State, Element::NZ2, &KVS::onChangedNZ2State);
    stateOf(&m_kvs, &KVSTCPthread::changedVP1State, Element::VP1, &KVS::onChangedVP1State);
    stateOf(&m_kvs, &KVSTCPthread::changedVP2State, Element::VP2, &KVS::onChangedVP2State);
    stateOf(&m_kvs, &KVSTCPthread::changedVP3State, Element::VP3, &KVS::onChangedVP3State);
    stateOf(&m_kvk, &KVKTCPthread::changedVP4State, Element::VP4, &KVS::onChangedVP4State);
    stateOf(&m_kvs, &KVSTCPthread::changedVP5State, Element::VP5, &KVS::onChangedVP5State);
    stateOf(&m_kvs, &KVSTCPthread::changedVP6State, Element::VP6, &KVS::onChangedVP6State);
    stateOf(&m_kvs, &KVSTCPthread::changedVP7State, Element::VP7, &KVS::onChangedVP7State);
    stateOf(&m_kvk, &KVKTCPthread::changedVP8State, Element::VP8, &KVS::onChangedVP8State);

    // The interlock words of each element and direction.
    connect(&m_kvs, &KVSTCPthread::changedNW2LockOn, this, &KVS::onChangedNW2LockOn);
    connect(&m_kvs, &KVSTCPthread::changedNW2LockOff, this, &KVS::onChangedNW2LockOff);
    connect(&m_kvs, &KVSTCPthread::changedND1LockOn, this, &KVS::onChangedND1LockOn);
    connect(&m_kvs, &KVSTCPthread::changedND1LockOff, this, &KVS::onChangedND1LockOff);
    connect(&m_kvs, &KVSTCPthread::changedNL1LockOn, this, &KVS::onChangedNL1LockOn);
    connect(&m_kvs, &KVSTCPthread::changedNL1LockOff, this, &KVS::onChangedNL1LockOff);
    connect(&m_kvs, &KVSTCPthread::changedNL2LockOn, this, &KVS::onChangedNL2LockOn);
    connect(&m_kvs, &KVSTCPthread::changedNL2LockOff, this, &KVS::onChangedNL2LockOff);
    connect(&m_kvs, &KVSTCPthread::changedNZ1LockOn, this, &KVS::onChangedNZ1LockOn);
    connect(&m_kvs, &KVSTCPthread::changedNZ1LockOff, this, &KVS::onChangedNZ1LockOff);
    connect(&m_kvs, &KVSTCPthread::changedNZ2LockOn, this, &KVS::onChangedNZ2LockOn);
    connect(&m_kvs, &KVSTCPthread::changedNZ2LockOff, this, &KVS::onChangedNZ2LockOff);
    connect(&m_kvs, &KVSTCPthread::changedVP1LockOn, this, &KVS::onChangedVP1LockOn);
    connect(&m_kvs, &KVSTCPthread::changedVP1LockOff, this, &KVS::onChangedVP1LockOff);
    connect(&m_kvs, &KVSTCPthread::changedVP2LockOn, this, &KVS::onChangedVP2LockOn);
    connect(&m_kvs, &KVSTCPthread::changedVP2LockOff, this, &KVS::onChangedVP2LockOff);
    connect(&m_kvs, &KVSTCPthread::changedVP3LockOn, this, &KVS::onChangedVP3LockOn);
    connect(&m_kvs, &KVSTCPthread::changedVP3LockOff, this, &KVS::onChangedVP3LockOff);
    connect(&m_kvk, &KVKTCPthread::changedVP4LockOn, this, &KVS::onChangedVP4LockOn);
    connect(&m_kvk, &KVKTCPthread::changedVP4LockOff, this, &KVS::onChangedVP4LockOff);
    connect(&m_kvs, &KVSTCPthread::changedVP5LockOn, this, &KVS::onChangedVP5LockOn);
    connect(&m_kvs, &KVSTCPthread::changedVP5LockOff, this, &KVS::onChangedVP5LockOff);
    connect(&m_kvs, &KVSTCPthread::changedVP6LockOn, this, &KVS::onChangedVP6LockOn);
    connect(&m_kvs, &KVSTCPthread::changedVP6LockOff, this, &KVS::onChangedVP6LockOff);
    connect(&m_kvs, &KVSTCPthread::changedVP7LockOn, this, &KVS::onChangedVP7LockOn);
    connect(&m_kvs, &KVSTCPthread::changedVP7LockOff, this, &KVS::onChangedVP7LockOff);
    connect(&m_kvk, &KVKTCPthread::changedVP8LockOn, this, &KVS::onChangedVP8LockOn);
    connect(&m_kvk, &KVKTCPthread::changedVP8LockOff, this, &KVS::onChangedVP8LockOff);

    connect(&m_kvk, &KVKTCPthread::changedDoorState, this, &KVS::onChangedDoorState);
    connect(&m_kvk, &KVKTCPthread::changedDoorState, this, &KVS::onDoorPressChanged);
    connect(&m_kvk, &KVKTCPthread::changedDoorLockOn, this, &KVS::onChangedDoorLockOn);
    connect(&m_kvk, &KVKTCPthread::changedDoorLockOff, this, &KVS::onChangedDoorLockOff);

    connect(&m_kvk, &KVKTCPthread::changedSpiralLock, this, &KVS::signalChangedSpiralLock);
    connect(&m_kvk, &KVKTCPthread::changedShutdownLock, this, &KVS::signalChangedShutdownLock);

    connect(&m_kvk, &KVKTCPthread::changedStateVPT, this, &KVS::changedVPT);
    connect(&m_kvk, &KVKTCPthread::changedStateVE, this, &KVS::changedVE1);
    connect(&m_kvk, &KVKTCPthread::changedStateTMN, this, &KVS::changedTMN);
    connect(&m_kvk, &KVKTCPthread::changedStateLocks, this, &KVS::changedLocksELA);
    connect(&m_kvk, &KVKTCPthread::changedTMNFreq, this, &KVS::changedTMNFreq);

    // The cells and their feeds; the cells of the interlock words come with their direction
    // locks (initLocks).
    using Power = void (KVSTCPthread::*)(int);
    const struct {
        const char* cell;
        Power signal;
    } pumpCells[] = {
        {"NZ1:Power", &KVSTCPthread::changedNZ1Power}, {"NZ1:Thermal", &KVSTCPthread::changedNZ1Thermal},
        {"NZ2:Power", &KVSTCPthread::changedNZ2Power}, {"NZ2:Thermal", &KVSTCPthread::changedNZ2Thermal},
        {"NL1:Power", &KVSTCPthread::changedNL1Power}, {"NL1:Thermal", &KVSTCPthread::changedNL1Thermal},
        {"NL2:Power", &KVSTCPthread::changedNL2Power}, {"NL2:Thermal", &KVSTCPthread::changedNL2Thermal},
        {"ND1:Power", &KVSTCPthread::changedND1Power}, {"ND1:Thermal", &KVSTCPthread::changedND1Thermal},
        {"NW2:Power", &KVSTCPthread::changedNW2Power},
    };
    for (const auto& cell : pumpCells) {
        const QString name = QLatin1String(cell.cell);
        addElement(name, LenzeElement::Number, 0);
        connect(&m_kvs, cell.signal, element(name), &LenzeElement::setNumberVal);
    }

    // Cooling water W1 ... W7 and T1 ... T7: each reading to its sign and to its cell
    // ("Discharge01", "Temp01", ...).
    using Reading = void (KVSTCPthread::*)(float);
    using Show = void (KVS::*)(float);
    const struct {
        Reading flow;
        Show showFlow;
        Reading temperature;
        Show showTemperature;
    } water[] = {
        {&KVSTCPthread::changedDisch1, &KVS::changedW1, &KVSTCPthread::changedTemp1, &KVS::changedT1},
        {&KVSTCPthread::changedDisch2, &KVS::changedW2, &KVSTCPthread::changedTemp2, &KVS::changedT2},
        {&KVSTCPthread::changedDisch3, &KVS::changedW3, &KVSTCPthread::changedTemp3, &KVS::changedT3},
        {&KVSTCPthread::changedDisch4, &KVS::changedW4, &KVSTCPthread::changedTemp4, &KVS::changedT4},
        {&KVSTCPthread::changedDisch5, &KVS::changedW5, &KVSTCPthread::changedTemp5, &KVS::changedT5},
        {&KVSTCPthread::changedDisch6, &KVS::changedW6, &KVSTCPthread::changedTemp6, &KVS::changedT6},
        {&KVSTCPthread::changedDisch7, &KVS::changedW7, &KVSTCPthread::changedTemp7, &KVS::changedT7},
    };
    for (int i = 0; i < 7; ++i) {
        const QString number = QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        const QString flowCell = QStringLiteral("Discharge") + number;
        const QString temperatureCell = QStringLiteral("Temp") + number;
        addElement(flowCell, LenzeElement::Sensor, 1);
        addElement(temperatureCell, LenzeElement::Sensor, 1);
        connect(&m_kvs, water[i].flow, this, water[i].showFlow);
        connect(&m_kvs, water[i].flow, element(flowCell), &LenzeElement::setSensorVal);
        connect(&m_kvs, water[i].temperature, this, water[i].showTemperature);
        connect(&m_kvs, water[i].temperature, element(temperatureCell), &LenzeElement::setSensorVal);
    }
}

void KVS::initSensors()
{
    for (int i = 0; i < 6; ++i)
        gauge(i)->setDepth(kGaugeDecimals);

    connect(&m_kvs, &KVSTCPthread::changedPT1, this, &KVS::onChangedPT1);
    connect(&m_kvs, &KVSTCPthread::changedPT2, this, &KVS::onChangedPT2);
    connect(&m_kvs, &KVSTCPthread::changedPT3, this, &KVS::onChangedPT3);
    connect(&m_kvk, &KVKTCPthread::changedPT4, this, &KVS::onChangedPT4);
    connect(&m_kvk, &KVKTCPthread::changedPT5, this, &KVS::onChangedPT5);
    connect(&m_kvk, &KVKTCPthread::changedPT5, this, &KVS::changedChamberPressure);
    connect(&m_kvk, &KVKTCPthread::changedPT6, this, &KVS::onChangedPT6);
    connect(&m_kvk, &KVKTCPthread::changedPT6, this, &KVS::changedGunPressure);

    connect(&m_kvs, &KVSTCPthread::changedPT1Valid, this, &KVS::onChangedPT1Valid);
    connect(&m_kvs, &KVSTCPthread::changedPT2Valid, this, &KVS::onChangedPT2Valid);
    connect(&m_kvs, &KVSTCPthread::changedPT3Valid, this, &KVS::onChangedPT3Valid);
    connect(&m_kvk, &KVKTCPthread::changedPT4Valid, this, &KVS::onChangedPT4Valid);
    connect(&m_kvk, &KVKTCPthread::changedPT5Valid, this, &KVS::onChangedPT5Valid);
    connect(&m_kvk, &KVKTCPthread::changedPT5Valid, this, &KVS::changedChamberPressureValid);
    connect(&m_kvk, &KVKTCPthread::changedBKUValid, this, &KVS::onChangedPT6Valid);
    connect(&m_kvk, &KVKTCPthread::changedBKUValid, this, &KVS::changedGunPressureValid);

    connect(&m_kvs, &KVSTCPthread::changedTempCorpND, this, &KVS::onChangedND1CorpTemp);
    connect(&m_kvs, &KVSTCPthread::changedTempOilND, this, &KVS::onChangedND1Temp);

    for (int i = 0; i < 6; ++i) {
        connect(gauge(i), &PoLabel::clicked, this, &KVS::changePressUnit);
        connect(gaugeUnit(i), &PoLabel::clicked, this, &KVS::changePressUnit);
    }
}

// ---- unknown look ---------------------------------------------------------------------------

void KVS::showUnknown(Link link)
{
    // Elements: the picture of a state not yet received; their pipes unlit.
    for (const ElementInfo& e : kElements) {
        if (e.kvk != (link == KvkLink))
            continue;
        m_states[size_t(e.element)] = -1;
        (this->*e.sprite)->setSprite(-1);
        for (const QString& name : VacuumMimic::pipesOf(QLatin1String(e.name)))
            pipe(name)->setSprite(0);
    }
    if (link == KvkLink) {
        for (const auto& p : kPowerPumps)
            (this->*p.sprite)->setSprite(-1);
        // The door press and the running mode are not known either.
        m_doorPressState = -1;
        showDoorLook();
        lock(QStringLiteral("REGIME:LockDoorPress"))->setUnknown();
        updatePumpLock();
        for (StateButton* button : {sbVacManual, sbVacAdjust, sbVacPrepare, sbVacForepump, sbVacPumping,
                                    sbVacFilling, sbVacShutdown})
            button->setState(StateButton::State4);
    } else {
        showRing();
        for (int i = 0; i < 7; ++i) {
            (this->*kFlows[i])->setEnabled(false);
            (this->*kTemperatures[i])->setEnabled(false);
        }
    }
    changedChamberState();
    locksUnknown(link);
    for (VacuumElementDlg* dialog : m_dialogs) {
        if (dialog->link() == (link == KvsLink ? static_cast<VacuumLink*>(&m_kvs) : &m_kvk))
            dialog->showUnknown();
    }

    // Values: the cells' invalid look.
    const int firstGauge = link == KvsLink ? 0 : 3;
    for (int i = firstGauge; i < firstGauge + 3; ++i) {
        m_gaugeValidity[size_t(i)] = -1;
        showGaugeLook(i);
    }
    const QList<PoLabel*> values = link == KvsLink
        ? QList<PoLabel*>{ND1temp, lblND1tempu, ND1CorpTemp, lblND1CorpTempu}
        : QList<PoLabel*>{FreqTMN};
    for (PoLabel* label : values)
        label->changedValid(false);
}

void KVS::showRing()
{
    const bool shown = VacuumMimic::lightsPipes(m_states[size_t(Element::VP5)]);
    for (PoSprite* Ui_KVS::*piece : kRing)
        (this->*piece)->setVisible(shown);
}

// ---- gauges and values ----------------------------------------------------------------------

// A pressure that is not a finite number (NaN or infinite, also a double beyond the float range)
// is not known: the gauge keeps its last value in the look of an unknown value.
void KVS::showGauge(int index, double value)
{
    const float pressure = float(value);
    m_gaugeFinite[size_t(index)] = std::isfinite(pressure);
    if (m_gaugeFinite[size_t(index)])
        gauge(index)->setValue(pressure, kGaugeDecimals);
    showGaugeLook(index);
}

void KVS::showGaugeValidity(int index, bool valid)
{
    m_gaugeValidity[size_t(index)] = valid ? 1 : 0;
    showGaugeLook(index);
    if (m_reportedGauges[size_t(index)].changes(valid) && !valid)
        emit message(QStringLiteral("[W]Нарушен обмен с датчиком вакуума PT%1!").arg(index + 1), true);
}

void KVS::showGaugeLook(int index)
{
    const int validity = m_gaugeValidity[size_t(index)];
    const bool known = validity >= 0 && m_gaugeFinite[size_t(index)];
    for (PoLabel* label : {gauge(index), gaugeUnit(index)}) {
        label->changedValid(known);  // known: the form's text colour again
        if (known)
            setWindowColour(label, validity == 1 ? kGaugeValid : kGaugeInvalid);
    }
}

// A value that is not a finite number keeps the label's last text, in the look of an unknown value.
void KVS::showValue(PoLabel* label, PoLabel* unit, float value, int decimals)
{
    const bool finite = std::isfinite(value);
    if (finite)
        label->setValue(value, decimals);
    label->changedValid(finite);
    if (unit)
        unit->changedValid(finite);
}

void KVS::onChangedPT1(double value) { showGauge(0, value); }
void KVS::onChangedPT2(double value) { showGauge(1, value); }
void KVS::onChangedPT3(double value) { showGauge(2, value); }
void KVS::onChangedPT4(double value) { showGauge(3, value); }
void KVS::onChangedPT5(double value) { showGauge(4, value); }
void KVS::onChangedPT6(float value) { showGauge(5, double(value)); }
void KVS::onChangedPT1Valid(bool valid) { showGaugeValidity(0, valid); }
void KVS::onChangedPT2Valid(bool valid) { showGaugeValidity(1, valid); }
void KVS::onChangedPT3Valid(bool valid) { showGaugeValidity(2, valid); }
void KVS::onChangedPT4Valid(bool valid) { showGaugeValidity(3, valid); }
void KVS::onChangedPT5Valid(bool valid) { showGaugeValidity(4, valid); }
void KVS::onChangedPT6Valid(int valid) { showGaugeValidity(5, valid != 0); }

void KVS::onChangedND1Temp(float value) { showValue(ND1temp, lblND1tempu, value, 1); }
void KVS::onChangedND1CorpTemp(float value) { showValue(ND1CorpTemp, lblND1CorpTempu, value, 1); }
void KVS::changedTMNFreq(float value) { showValue(FreqTMN, nullptr, value, 0); }

// ---- cooling water --------------------------------------------------------------------------

int KVS::getTemperatureState(float value) const
{
    return VacuumMimic::temperatureState(value, m_tempWarning, m_tempError);
}

// A reading that is not a finite number shows its sign greyed, as while nothing is known.
void KVS::showFlow(int index, float value)
{
    PoSprite* sign = this->*kFlows[index];
    sign->setEnabled(std::isfinite(value));
    sign->setSprite(VacuumMimic::flowState(value, m_minDisch[size_t(index)]));
}

void KVS::showTemperature(int index, float value)
{
    PoSprite* sign = this->*kTemperatures[index];
    sign->setEnabled(std::isfinite(value));
    sign->setSprite(getTemperatureState(value));
}

void KVS::changedW1(float value) { showFlow(0, value); }
void KVS::changedW2(float value) { showFlow(1, value); }
void KVS::changedW3(float value) { showFlow(2, value); }
void KVS::changedW4(float value) { showFlow(3, value); }
void KVS::changedW5(float value) { showFlow(4, value); }
void KVS::changedW6(float value) { showFlow(5, value); }
void KVS::changedW7(float value) { showFlow(6, value); }
void KVS::changedT1(float value) { showTemperature(0, value); }
void KVS::changedT2(float value) { showTemperature(1, value); }
void KVS::changedT3(float value) { showTemperature(2, value); }
void KVS::changedT4(float value) { showTemperature(3, value); }
void KVS::changedT5(float value) { showTemperature(4, value); }
void KVS::changedT6(float value) { showTemperature(5, value); }
void KVS::changedT7(float value) { showTemperature(6, value); }

// ---- element states -------------------------------------------------------------------------

// A state the sprite has no picture for shows the error picture.
void KVS::showState(PoSprite* sprite, int state)
{
    sprite->setSprite(sprite->hasState(state) ? state : 4);
}

void KVS::setPumpStateText(int state, const QString& pumpType, const QString& pumpName)
{
    emit message(VacuumMimic::pumpStateText(state, pumpType, pumpName), true);
}

void KVS::setValveTextState(int state, const QString& valveType, const QString& valveName)
{
    emit message(VacuumMimic::valveStateText(state, valveType, valveName), true);
}

void KVS::showElement(Element element, int state)
{
    const ElementInfo& e = info(element);
    m_states[size_t(element)] = state;
    showState(this->*e.sprite, state);
    if (e.kind != Kind::Valve)
        return;
    const auto lastState = [this](const QString& valve) {
        for (const ElementInfo& other : kElements) {
            if (valve == QLatin1String(other.name))
                return m_states[size_t(other.element)];
        }
        return -1;
    };
    for (const auto& look : VacuumMimic::pipeLooks(QLatin1String(e.name), state, lastState))
        pipe(look.first)->setSprite(look.second);
    if (element == Element::VP5)
        showRing();
    if (element == Element::VP1 || element == Element::VP3 || element == Element::VP4 || element == Element::VP8)
        changedChamberState();
}

void KVS::pumpReported(Element element, int state)
{
    const ElementInfo& e = info(element);
    showElement(element, state);
    if (m_reportedStates[size_t(element)].changes(state))
        setPumpStateText(state, QString::fromUtf8(e.type), QString::fromUtf8(e.word));
}

void KVS::valveReported(Element element, int state)
{
    const ElementInfo& e = info(element);
    showElement(element, state);
    if (m_reportedStates[size_t(element)].changes(state))
        setValveTextState(state, QString::fromUtf8(e.type), QString::fromUtf8(e.word));
}

void KVS::onChangedNL1State(int state) { pumpReported(Element::NL1, state); }
void KVS::onChangedNL2State(int state) { pumpReported(Element::NL2, state); }
void KVS::onChangedNZ1State(int state) { pumpReported(Element::NZ1, state); }
void KVS::onChangedNZ2State(int state) { pumpReported(Element::NZ2, state); }
void KVS::onChangedND1State(int state) { pumpReported(Element::ND1, state); }
void KVS::onChangedNW2State(int state) { pumpReported(Element::NW2, state); }
void KVS::onChangedVP1State(int value) { valveReported(Element::VP1, value); }
void KVS::onChangedVP2State(int value) { valveReported(Element::VP2, value); }
void KVS::onChangedVP3State(int value) { valveReported(Element::VP3, value); }
void KVS::onChangedVP4State(int value) { valveReported(Element::VP4, value); }
void KVS::onChangedVP5State(int value) { valveReported(Element::VP5, value); }
void KVS::onChangedVP6State(int value) { valveReported(Element::VP6, value); }
void KVS::onChangedVP7State(int value) { valveReported(Element::VP7, value); }
void KVS::onChangedVP8State(int value) { valveReported(Element::VP8, value); }

// The turbo pump group reports -1 while it knows nothing: the element takes the look of a state
// not known (the error picture, its pipes unlit), as its dialog shows it in error, and no line
// is written.
void KVS::changedVPT(int state)
{
    if (state < 0)
        showElement(Element::VPT, state);
    else
        valveReported(Element::VPT, state);
}

void KVS::changedVE1(int state)
{
    if (state < 0)
        showElement(Element::VE1, state);
    else
        valveReported(Element::VE1, state);
}

void KVS::changedTMN(int state)
{
    if (state < 0)
        showElement(Element::TMN, state);
    else
        pumpReported(Element::TMN, state);
}

void KVS::changedNP1(bool value) { NP1->setSprite(value ? 1 : 0); }
void KVS::changedNW1(bool value) { NW1->setSprite(value ? 1 : 0); }

bool KVS::chamberOpen() const
{
    for (Element e : {Element::VP1, Element::VP3, Element::VP4, Element::VP8}) {
        if (m_states[size_t(e)] == 1)
            return true;
    }
    return false;
}

void KVS::changedChamberState()
{
    setWindowColour(frmChamber, chamberOpen() ? QColor(160, 255, 255) : QColor(214, 210, 208));
}
