#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

#include "elementdlg.h"
#include "fixedpaths.h"
#include "kvs.h"
#include "pictures.h"
#include "settingsfile.h"
#include "statebutton.h"
#include "testenv.h"
#include "vacuumplant.h"
#include "vacuummimic.h"
#include "widgets.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

using Pictures::background;
using Pictures::shown;
using Pictures::shows;

// The pipe pieces named, as the screen's sprites.
QList<PoSprite*> pieces(const KVS& screen, const QStringList& names)
{
    QList<PoSprite*> list;
    for (const QString& name : names) {
        auto* piece = screen.findChild<PoSprite*>(name);
        Q_ASSERT(piece);
        list << piece;
    }
    return list;
}

bool lit(const KVS& screen, const QStringList& names, const QString& look)
{
    for (PoSprite* piece : pieces(screen, names)) {
        if (!shows(piece, QStringLiteral("%1_%2.png").arg(piece->property("set").toString(), look)))
            return false;
    }
    return true;
}

// Remembers the picture set of every pipe piece: the one its start picture belongs to.
void notePipeSets(KVS& screen)
{
    static const char* const sets[] = {"vpipe", "hpipe", "hlt", "rtpipe", "vbt", "rpipe", "lbpipe",
                                       "ltpipe", "rbpipe", "lpipe"};
    for (PoSprite* piece : screen.findChildren<PoSprite*>(QRegularExpression(QStringLiteral("^pipe")))) {
        for (const char* set : sets) {
            for (const char* look : {"_0", "_1"}) {
                if (shows(piece, QLatin1String(set) + QLatin1String(look) + QStringLiteral(".png")))
                    piece->setProperty("set", QLatin1String(set));
            }
        }
    }
}

}  // namespace

// The mimic of the vacuum screen: its form, its pictures and the rules that turn reports into
// pictures, colours and log lines, driven through the screen's slots. No controller answers
// here, so every link stays down.
class TestVacuumMimic : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestEnv::configureControllers();  // free ports where nobody listens
    }

    // ---- pure rules ----------------------------------------------------------------------

    void temperatureAndFlowStates_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<int>("temperature");  // warning 30, error 50
        QTest::addColumn<int>("flow");         // minimum 3
        QTest::newRow("cold") << -5.0f << 1 << 0;
        QTest::newRow("flow just below") << 2.99f << 1 << 0;
        QTest::newRow("flow at minimum") << 3.0f << 1 << 1;
        QTest::newRow("at warning") << 30.0f << 1 << 1;
        QTest::newRow("above warning") << 30.1f << 2 << 1;
        QTest::newRow("at error") << 50.0f << 2 << 1;
        QTest::newRow("above error") << 50.1f << 0 << 1;
        QTest::newRow("NaN") << kNaN << 1 << 1;
    }
    void temperatureAndFlowStates()
    {
        QFETCH(float, value);
        QFETCH(int, temperature);
        QFETCH(int, flow);
        QCOMPARE(VacuumMimic::temperatureState(value, 30.0f, 50.0f), temperature);
        QCOMPARE(VacuumMimic::flowState(value, 3.0f), flow);
    }

    void reportTexts_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("pump");
        QTest::addColumn<QString>("valve");
        QTest::newRow("0") << 0 << "[I]Форвакуумный насос NL1 выключен" << "[I]Клапан напуска ТМН закрыт";
        QTest::newRow("1") << 1 << "[I]Форвакуумный насос NL1 включен" << "[I]Клапан напуска ТМН открыт";
        QTest::newRow("2") << 2 << "[I]Форвакуумный насос NL1 выключается" << "[I]Клапан напуска ТМН закрывается";
        QTest::newRow("3") << 3 << "[I]Форвакуумный насос NL1 включается" << "[I]Клапан напуска ТМН открывается";
        QTest::newRow("4") << 4 << "[W]Форвакуумный насос NL1 - ошибка!" << "[W]Клапан напуска ТМН - ошибка!";
        QTest::newRow("-1") << -1 << "[W]Форвакуумный насос NL1 - ошибка!" << "[W]Клапан напуска ТМН - ошибка!";
        QTest::newRow("9") << 9 << "[W]Форвакуумный насос NL1 - ошибка!" << "[W]Клапан напуска ТМН - ошибка!";
    }
    void reportTexts()
    {
        QFETCH(int, state);
        QFETCH(QString, pump);
        QFETCH(QString, valve);
        QCOMPARE(VacuumMimic::pumpStateText(state, QStringLiteral("Форвакуумный насос"), QStringLiteral("NL1")), pump);
        QCOMPARE(VacuumMimic::valveStateText(state, QStringLiteral("Клапан напуска"), QStringLiteral("ТМН")), valve);
    }

    void picturesOfStates()
    {
        QCOMPARE(VacuumMimic::elementPicture(QStringLiteral("NL"), -1), QStringLiteral(":/images/NL_4.png"));
        QCOMPARE(VacuumMimic::elementPicture(QStringLiteral("NL"), 0), QStringLiteral(":/images/NL_0.png"));
        QCOMPARE(VacuumMimic::elementPicture(QStringLiteral("vv"), 1), QStringLiteral(":/images/vv_1.png"));
        QCOMPARE(VacuumMimic::elementPicture(QStringLiteral("vv"), 2), QStringLiteral(":/images/vv_23.png"));
        QCOMPARE(VacuumMimic::elementPicture(QStringLiteral("vv"), 3), QStringLiteral(":/images/vv_23.png"));
        QCOMPARE(VacuumMimic::elementPicture(QStringLiteral("VT"), 4), QStringLiteral(":/images/VT_4.png"));
        QVERIFY(VacuumMimic::elementPicture(QStringLiteral("VT"), 9).isEmpty());
        QVERIFY(VacuumMimic::elementPicture(QStringLiteral("VT"), -2).isEmpty());
    }

    // ---- the form ------------------------------------------------------------------------

    void formStartsWithItsOwnPictures()
    {
        QWidget root;
        Ui::KVS form;
        form.setupUi(&root);
        QCOMPARE(root.size(), QSize(900, 900));
        for (const auto& [sprite, picture] : std::initializer_list<std::pair<PoSprite*, const char*>>{
                 {form.NL1, "NL_0.png"}, {form.NL2, "NL_0.png"}, {form.NZ1, "NZ_0.png"}, {form.NZ2, "NZ_0.png"},
                 {form.ND1, "ND_0.png"}, {form.NW1, "NW_0.png"}, {form.NW2, "NL_0.png"}, {form.NP1, "NP_0.png"},
                 {form.TMN, "TMN_0.png"}, {form.VP1, "VT_0.png"}, {form.VP2, "vv_0.png"}, {form.VP3, "vv_0.png"},
                 {form.VP4, "vv_0.png"}, {form.VP5, "vv_0.png"}, {form.VP8, "vv_0.png"}, {form.VP6, "vh_0.png"},
                 {form.VP7, "vh_0.png"}, {form.VPT, "vh_0.png"}, {form.VE1, "VE_0.png"},
                 {form.pipeI0, "hpipe_1.png"}, {form.pipeI3, "rpipe_1.png"}, {form.pipeI8, "vpipe_1.png"},
                 {form.pipeA1, "lbpipe_0.png"}, {form.pipeH5, "vbt_0.png"}, {form.pipeO0, "hlt_0.png"},
                 {form.W5, "w_1.png"}, {form.W6, "w_0.png"}, {form.W7, "w_0.png"}, {form.T3, "t_1.png"}})
            QVERIFY2(shows(sprite, QLatin1String(picture)), qPrintable(sprite->objectName()));
        QVERIFY(shown(form.Door).isNull());
        QVERIFY(shows(form.GUN, QStringLiteral("gun.png")));
        QCOMPARE(form.PT5->text(), QStringLiteral("1.0E+05"));
        QCOMPARE(form.lblPT5u->text(), QStringLiteral("Па"));
        QCOMPARE(form.frmChamber->mapTo(&root, QPoint(0, 0)), QPoint(70, 100));
        QCOMPARE(form.actHide->shortcut(), QKeySequence(QStringLiteral("Ctrl+H")));

        // The mode bar: seven buttons sharing its width alike.
        root.show();
        QVERIFY(QTest::qWaitForWindowExposed(&root));
        const QList<StateButton*> buttons = {form.sbVacPrepare, form.sbVacForepump, form.sbVacPumping,
                                             form.sbVacFilling, form.sbVacShutdown, form.sbVacManual,
                                             form.sbVacAdjust};
        const QRect bar = form.frameVacuum->contentsRect().adjusted(2, 2, -2, -2);
        int x = bar.left();
        for (StateButton* button : buttons) {
            QCOMPARE(button->x(), x);
            QVERIFY2(qAbs(button->width() - buttons.first()->width()) <= 1, qPrintable(button->objectName()));
            QCOMPARE(button->height(), bar.height());
            x += button->width() + 4;
        }
        QCOMPARE(x - 4, bar.right() + 1);
        QCOMPARE(form.sbVacManual->maximumWidth(), 350);
    }

    // ---- the screen, driven through its slots --------------------------------------------

    void startsUnknown()
    {
        KVS screen;
        for (KVS::Element e : {KVS::Element::NL1, KVS::Element::VP5, KVS::Element::VP8, KVS::Element::TMN})
            QCOMPARE(screen.elementState(e), -1);
        QVERIFY(shows(screen.NL1, QStringLiteral("NL_4.png")));
        QVERIFY(shows(screen.NW2, QStringLiteral("NW2_4.png")));
        QVERIFY(shows(screen.VE1, QStringLiteral("VE_4.png")));
        QVERIFY(shows(screen.NP1, QStringLiteral("NP_4.png")));
        // VP5 is not known: the chamber's outline, its "open" look, is not shown.
        for (PoSprite* ring : {screen.pipeI0, screen.pipeI4, screen.pipeI8})
            QVERIFY(ring->isHidden());
        for (PoLabel* label : {screen.PT1, screen.lblPT1u, screen.PT6, screen.ND1temp, screen.FreqTMN})
            QCOMPARE(background(label), QColor(255, 192, 192));
        QVERIFY(!screen.W3->isEnabled());
        QVERIFY(!screen.T7->isEnabled());
        QCOMPARE(background(screen.frmChamber), QColor(214, 210, 208));
        QCOMPARE(screen.doorPressState(), -1);
        QCOMPARE(background(screen.Door), QColor(255, 192, 192));
    }

    void settingsGiveTheThresholds()
    {
        {
            auto settings = SettingsFile::open();
            settings->setValue(QStringLiteral("Vacuum/TempWarning"), 40);
            settings->setValue(QStringLiteral("Vacuum/MinDischW3"), 4.5);
            settings->setValue(QStringLiteral("Vacuum/MinDischW5"), QStringLiteral("много"));
            settings->setValue(QStringLiteral("Vacuum/TempError"), QStringLiteral("nan"));
        }
        KVS screen;
        QCOMPARE(screen.tempWarning(), 40.0f);
        QCOMPARE(screen.tempError(), 0.0f);  // not a number
        QCOMPARE(screen.minDischarge(3), 4.5f);
        QCOMPARE(screen.minDischarge(5), 0.0f);
        for (int w : {1, 2, 4, 6, 7})
            QCOMPARE(screen.minDischarge(w), 3.0f);

        // Each flow has its own minimum; the temperatures share the two thresholds.
        screen.changedW3(4.4f);
        QVERIFY(shows(screen.W3, QStringLiteral("w_0.png")));
        QVERIFY(screen.W3->isEnabled());
        screen.changedW1(4.4f);
        QVERIFY(shows(screen.W1, QStringLiteral("w_1.png")));
        screen.changedT2(0.5f);
        QVERIFY(shows(screen.T2, QStringLiteral("t_0.png")));

        auto settings = SettingsFile::open();
        settings->remove(QStringLiteral("Vacuum"));
    }

    void coolingWaterSigns()
    {
        KVS screen;  // default thresholds: warning 30, error 50, minima 3
        QCOMPARE(screen.getTemperatureState(30.0f), 1);
        screen.changedT4(30.1f);
        QVERIFY(shows(screen.T4, QStringLiteral("t_2.png")));
        QVERIFY(screen.T4->isEnabled());
        screen.changedT4(50.1f);
        QVERIFY(shows(screen.T4, QStringLiteral("t_0.png")));
        screen.changedW7(3.0f);
        QVERIFY(shows(screen.W7, QStringLiteral("w_1.png")));
        screen.changedW7(2.9f);
        QVERIFY(shows(screen.W7, QStringLiteral("w_0.png")));
        // A reading that is not a number is shown as not known.
        screen.changedW7(kNaN);
        QVERIFY(!screen.W7->isEnabled());
        screen.changedT4(kNaN);
        QVERIFY(!screen.T4->isEnabled());
        screen.changedT4(20.0f);
        QVERIFY(screen.T4->isEnabled());
        QVERIFY(shows(screen.T4, QStringLiteral("t_1.png")));
    }

    void gaugesShowPressureAndValidity()
    {
        KVS screen;
        QSignalSpy log(&screen, &KVS::message);
        QSignalSpy unit(&screen, &KVS::onChangedPressUnit);

        screen.onChangedPT1Valid(true);
        screen.onChangedPT1(100000.0);
        QCOMPARE(screen.PT1->text(), QStringLiteral("1.0E+05"));
        QCOMPARE(background(screen.PT1), QColor(0, 128, 255));
        QCOMPARE(background(screen.lblPT1u), QColor(0, 128, 255));
        QCOMPARE(screen.PT1->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::white));
        QVERIFY(log.isEmpty());

        // A touch on a gauge or its unit switches all six at once, without a new report.
        QTest::mouseClick(screen.PT1, Qt::LeftButton);
        QCOMPARE(screen.PT1->text(), QStringLiteral("7.5E+02"));
        QCOMPARE(screen.lblPT1u->text(), QStringLiteral("мм.рт.ст."));
        QCOMPARE(screen.lblPT6u->text(), QStringLiteral("мм.рт.ст."));
        QCOMPARE(unit.last().at(0).toBool(), true);
        screen.onChangedPT5(1000.0);
        QCOMPARE(screen.PT5->text(), QStringLiteral("7.5E+00"));
        QTest::mouseClick(screen.lblPT4u, Qt::LeftButton);
        QCOMPARE(screen.PT1->text(), QStringLiteral("1.0E+05"));
        QCOMPARE(screen.PT5->text(), QStringLiteral("1.0E+03"));
        QCOMPARE(screen.lblPT1u->text(), QStringLiteral("Па"));
        QCOMPARE(unit.size(), 2);
        QCOMPARE(unit.last().at(0).toBool(), false);
        screen.setPressUnit(7);  // no such unit
        QCOMPARE(screen.lblPT1u->text(), QStringLiteral("Па"));

        // Validity: red with a warning line; the gun gauge counts any non-zero word as valid.
        screen.onChangedPT3Valid(false);
        QCOMPARE(background(screen.PT3), QColor(255, 32, 0));
        QCOMPARE(background(screen.lblPT3u), QColor(255, 32, 0));
        screen.onChangedPT6Valid(0);
        QCOMPARE(background(screen.PT6), QColor(255, 32, 0));
        screen.onChangedPT6Valid(7);
        QCOMPARE(background(screen.PT6), QColor(0, 128, 255));
        QCOMPARE(messageTexts(log), (QStringList{"[W]Нарушен обмен с датчиком вакуума PT3!",
                                            "[W]Нарушен обмен с датчиком вакуума PT6!"}));
        QVERIFY(log.last().at(1).toBool());

        screen.onChangedND1Temp(23.46f);
        QCOMPARE(screen.ND1temp->text(), QStringLiteral("23.5"));
        QCOMPARE(background(screen.ND1temp), QColor(255, 255, 0));
        QCOMPARE(background(screen.lblND1tempu), QColor(255, 255, 0));
        screen.changedTMNFreq(819.6f);
        QCOMPARE(screen.FreqTMN->text(), QStringLiteral("820"));
        QCOMPARE(background(screen.FreqTMN), QColor(192, 86, 0));
    }

    // A value that is not a finite number is not known: it keeps its last text in the look of an
    // unknown value, on every gauge, temperature and frequency cell and cooling-water sign, until a
    // finite value comes again.
    void valuesNotFiniteLookUnknown_data()
    {
        QTest::addColumn<double>("value");
        QTest::newRow("NaN") << double(kNaN);
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity();
        QTest::newRow("minus infinite") << -std::numeric_limits<double>::infinity();
        QTest::newRow("beyond a float") << 1e300;
    }
    void valuesNotFiniteLookUnknown()
    {
        QFETCH(double, value);
        const QColor unknown(255, 192, 192);
        KVS screen;
        screen.onChangedPT5Valid(true);
        screen.onChangedPT5(2.5e-3);
        QCOMPARE(background(screen.PT5), QColor(0, 128, 255));
        screen.onChangedPT5(value);
        QCOMPARE(screen.PT5->text(), QStringLiteral("2.5E-03"));
        QCOMPARE(background(screen.PT5), unknown);
        QCOMPARE(background(screen.lblPT5u), unknown);
        QCOMPARE(screen.PT5->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
        // A change of unit shows the last known pressure, still as not known.
        screen.changePressUnit();
        QCOMPARE(screen.PT5->text(), QStringLiteral("1.9E-05"));
        QCOMPARE(background(screen.PT5), unknown);
        screen.changePressUnit();
        // Validity reported meanwhile takes effect with the next finite pressure.
        screen.onChangedPT5Valid(false);
        QCOMPARE(background(screen.PT5), unknown);
        screen.onChangedPT5(4.0e-3);
        QCOMPARE(screen.PT5->text(), QStringLiteral("4.0E-03"));
        QCOMPARE(background(screen.PT5), QColor(255, 32, 0));
        screen.onChangedPT5Valid(true);
        QCOMPARE(background(screen.PT5), QColor(0, 128, 255));
        QCOMPARE(screen.PT5->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::white));

        const float reading = float(value);
        screen.onChangedND1Temp(20.0f);
        screen.changedTMNFreq(820.0f);
        screen.onChangedND1Temp(reading);
        screen.onChangedND1CorpTemp(reading);
        screen.changedTMNFreq(reading);
        QCOMPARE(screen.ND1temp->text(), QStringLiteral("20.0"));
        QCOMPARE(screen.FreqTMN->text(), QStringLiteral("820"));
        for (PoLabel* label : {screen.ND1temp, screen.lblND1tempu, screen.ND1CorpTemp, screen.lblND1CorpTempu,
                               screen.FreqTMN})
            QCOMPARE(background(label), unknown);
        screen.onChangedND1Temp(21.0f);
        QCOMPARE(screen.ND1temp->text(), QStringLiteral("21.0"));
        QCOMPARE(background(screen.ND1temp), QColor(255, 255, 0));
        QCOMPARE(background(screen.lblND1tempu), QColor(255, 255, 0));

        screen.changedW2(5.0f);
        screen.changedT2(20.0f);
        QVERIFY(screen.W2->isEnabled() && screen.T2->isEnabled());
        screen.changedW2(reading);
        screen.changedT2(reading);
        QVERIFY(!screen.W2->isEnabled() && !screen.T2->isEnabled());
    }

    void elementReportsAndTheirLogLines()
    {
        KVS screen;
        notePipeSets(screen);
        QSignalSpy log(&screen, &KVS::message);
        screen.onChangedNL1State(0);
        screen.onChangedNW2State(4);
        screen.onChangedVP1State(4);
        screen.changedVPT(3);
        screen.changedVE1(1);
        screen.changedTMN(2);
        QCOMPARE(messageTexts(log), (QStringList{"[I]Форвакуумный насос NL1 выключен",
                                            "[W]Повысительный насос NW2 - ошибка!",
                                            "[W]Затвор VP1 - ошибка!",
                                            "[I]Клапан напуска ТМН открывается",
                                            "[I]Шибер ЭЛП открыт",
                                            "[I]Турбомолекулярный насос ЭЛП выключается"}));
        for (const QList<QVariant>& args : log)
            QVERIFY(args.at(1).toBool());
        QVERIFY(shows(screen.NL1, QStringLiteral("NL_0.png")));
        QVERIFY(shows(screen.VP1, QStringLiteral("VT_4.png")));
        QVERIFY(shows(screen.VPT, QStringLiteral("vh_23.png")));
        QVERIFY(shows(screen.TMN, QStringLiteral("TMN_23.png")));
        QVERIFY(lit(screen, {"pipeO0", "pipeO1", "pipeP0"}, QStringLiteral("1")));

        // A negative report of the turbo pump group: the controller does not know the state. The
        // element looks as its dialog shows it, in error, its pipes unlit; no line is written.
        log.clear();
        screen.changedTMN(-1);
        screen.changedVPT(-1);
        screen.changedVE1(-1);
        QCOMPARE(screen.elementState(KVS::Element::TMN), -1);
        QCOMPARE(screen.elementState(KVS::Element::VPT), -1);
        QVERIFY(shows(screen.TMN, QStringLiteral("TMN_4.png")));
        QVERIFY(shows(screen.VPT, QStringLiteral("vh_4.png")));
        QVERIFY(shows(screen.VE1, QStringLiteral("VE_4.png")));
        QVERIFY(lit(screen, {"pipeO0", "pipeO1", "pipeP0"}, QStringLiteral("0")));
        QVERIFY(log.isEmpty());
        screen.changedVPT(1);
        QVERIFY(lit(screen, {"pipeO0", "pipeO1", "pipeP0"}, QStringLiteral("1")));
        log.clear();

        // A state no picture exists for: the error picture and the error line.
        screen.onChangedNZ2State(1);
        screen.onChangedNZ2State(9);
        screen.changedVE1(9);
        QVERIFY(shows(screen.NZ2, QStringLiteral("NZ_4.png")));
        QVERIFY(shows(screen.VE1, QStringLiteral("VE_4.png")));
        QCOMPARE(messageTexts(log), (QStringList{"[I]Двухроторный насос NZ2 включен", "[W]Двухроторный насос NZ2 - ошибка!",
                                           "[W]Шибер ЭЛП - ошибка!"}));
        QCOMPARE(screen.elementState(KVS::Element::NZ2), 9);

        // Power-only pumps: their picture, no line.
        log.clear();
        screen.changedNP1(true);
        QVERIFY(shows(screen.NP1, QStringLiteral("NP_1.png")));
        screen.changedNW1(false);
        QVERIFY(shows(screen.NW1, QStringLiteral("NW_0.png")));
        QVERIFY(log.isEmpty());
    }

    void pipesFollowTheValves()
    {
        KVS screen;
        notePipeSets(screen);
        const QStringList b04 = {"pipeB0", "pipeB1", "pipeB2", "pipeB3", "pipeB4"};
        const QStringList bShared = {"pipeBC", "pipeB5", "pipeB6"};

        // VP2 closes while VP7 is open: the shared run stays lit; then VP7 closes too.
        screen.onChangedVP2State(1);
        screen.onChangedVP7State(1);
        QVERIFY(lit(screen, b04 + bShared + QStringList{"pipeC0", "pipeC1"}, QStringLiteral("1")));
        screen.onChangedVP2State(0);
        QVERIFY(lit(screen, b04, QStringLiteral("0")));
        QVERIFY(lit(screen, bShared, QStringLiteral("1")));
        screen.onChangedVP7State(0);
        QVERIFY(lit(screen, bShared + QStringList{"pipeC0", "pipeC1"}, QStringLiteral("0")));

        // VP6 closes while VP5 is open and VP3 closed: its rule looks at VP3 only.
        screen.onChangedVP3State(0);
        screen.onChangedVP5State(1);
        screen.onChangedVP6State(1);
        const QStringList e456g = {"pipeE4", "pipeE5", "pipeE6", "pipeEG"};
        QVERIFY(lit(screen, e456g, QStringLiteral("1")));
        screen.onChangedVP6State(0);
        QVERIFY(lit(screen, e456g + QStringList{"pipeG0", "pipeG1"}, QStringLiteral("0")));
        QVERIFY(lit(screen, {"pipeF0", "pipeEF", "pipeE2", "pipeE3"}, QStringLiteral("1")));

        // VP5 closes while VP3 is closed and VP6 open: E4 to E6 stay, the ring goes.
        screen.onChangedVP6State(1);
        screen.onChangedVP5State(0);
        QVERIFY(lit(screen, {"pipeF0", "pipeF1", "pipeF2", "pipeF3", "pipeEF", "pipeE2", "pipeE3", "pipeEG"},
                    QStringLiteral("0")));
        QVERIFY(lit(screen, {"pipeE4", "pipeE5", "pipeE6"}, QStringLiteral("1")));
        for (PoSprite* ring : {screen.pipeI0, screen.pipeI3, screen.pipeI8})
            QVERIFY(ring->isHidden());
        screen.onChangedVP5State(3);
        QVERIFY(!screen.pipeI0->isHidden());

        // Opening lights at once; only a gate or vent that is open tints the chamber.
        screen.onChangedVP3State(3);
        QVERIFY(lit(screen, {"pipeE0", "pipeE1"}, QStringLiteral("1")));
        QVERIFY(!screen.chamberOpen());
        QCOMPARE(background(screen.frmChamber), QColor(214, 210, 208));
        screen.onChangedVP3State(1);
        QVERIFY(screen.chamberOpen());
        QCOMPARE(background(screen.frmChamber), QColor(160, 255, 255));
        screen.onChangedVP3State(0);
        screen.onChangedVP1State(4);
        QVERIFY(lit(screen, {"pipeA0", "pipeA1", "pipeA2"}, QStringLiteral("1")));
        QVERIFY(!screen.chamberOpen());
        screen.onChangedVP8State(1);
        QVERIFY(lit(screen, {"pipeJ0", "pipeJ1", "pipeJ2", "pipeJ3"}, QStringLiteral("1")));
        QVERIFY(screen.chamberOpen());

        // A valve whose state is not known (a negative report) lights nothing, the chamber's
        // outline included, and keeps no shared run lit for a valve that closes beside it.
        screen.onChangedVP5State(1);
        screen.onChangedVP5State(-1);
        QVERIFY(shows(screen.VP5, QStringLiteral("vv_4.png")));
        QVERIFY(lit(screen, {"pipeF0", "pipeF1", "pipeF2", "pipeF3"}, QStringLiteral("0")));
        QVERIFY(screen.pipeI0->isHidden());
        screen.onChangedVP2State(1);
        screen.onChangedVP7State(-1);
        QVERIFY(lit(screen, {"pipeC0", "pipeC1"}, QStringLiteral("0")));
        QVERIFY(lit(screen, bShared, QStringLiteral("1")));  // VP2 lights it
        screen.onChangedVP2State(0);
        QVERIFY(lit(screen, b04 + bShared, QStringLiteral("0")));
    }

    void valueCells()
    {
        KVS screen;
        QStringList expected = {"NZ1:Power", "NZ1:Thermal", "NZ2:Power", "NZ2:Thermal", "NL1:Power",
                                "NL1:Thermal", "NL2:Power", "NL2:Thermal", "ND1:Power", "ND1:Thermal", "NW2:Power"};
        for (const char* e : {"NL1", "NL2", "NZ1", "NZ2", "ND1", "NW2", "VP1", "VP2", "VP3", "VP4", "VP5", "VP6",
                              "VP7", "VP8", "DOOR", "TMN", "VPT", "VE1"})
            expected << QLatin1String(e) + QStringLiteral(":LockOn") << QLatin1String(e) + QStringLiteral(":LockOff");
        for (int i = 1; i <= 7; ++i)
            expected << QStringLiteral("Discharge0%1").arg(i) << QStringLiteral("Temp0%1").arg(i);
        expected.sort();
        QCOMPARE(screen.elements().keys(), expected);
        QCOMPARE(expected.size(), 61);
        QCOMPARE(screen.element(QStringLiteral("NW2:Power"))->type(), LenzeElement::Number);
        QCOMPARE(screen.element(QStringLiteral("VE1:LockOff"))->dec(), 0);
        QCOMPARE(screen.element(QStringLiteral("Temp07"))->type(), LenzeElement::Sensor);
        QCOMPARE(screen.element(QStringLiteral("Discharge03"))->dec(), 1);
    }

    void elementTouchesOpenTheirDialogs()
    {
        KVS screen;
        QSignalSpy log(&screen, &KVS::message);
        const QList<QPair<QWidget*, KVS::ElementDialog>> touches = {
            {screen.NL1, KVS::DlgNL1}, {screen.NL2, KVS::DlgNL2}, {screen.NZ1, KVS::DlgNZ1},
            {screen.NZ2, KVS::DlgNZ2}, {screen.ND1, KVS::DlgND1}, {screen.lblND1, KVS::DlgND1},
            {screen.NW2, KVS::DlgNW2}, {screen.VP1, KVS::DlgVP1}, {screen.VP2, KVS::DlgVP2},
            {screen.VP3, KVS::DlgVP3}, {screen.VP4, KVS::DlgVP4}, {screen.VP5, KVS::DlgVP5},
            {screen.VP6, KVS::DlgVP6}, {screen.VP7, KVS::DlgVP7}, {screen.VP8, KVS::DlgVP8},
            {screen.Door, KVS::DlgDoor}, {screen.VPT, KVS::DlgVPT}, {screen.VE1, KVS::DlgVE1},
            {screen.TMN, KVS::DlgTMN}};
        for (const auto& touch : touches) {
            QWidget* dialog = screen.elementDialog(touch.second);
            QVERIFY(!dialog->isVisible());
            QTest::mouseClick(touch.first, Qt::LeftButton);
            QVERIFY2(dialog->isVisible(), qPrintable(touch.first->objectName()));
            // The dialog belongs to the element touched (ND1's caption opens ND1's dialog).
            QVERIFY(touch.first == screen.lblND1 || dialog->parentWidget() == touch.first);
            dialog->hide();
        }
        // The touches write nothing; the pumps without a dialog do nothing.
        QVERIFY(log.isEmpty());
        QTest::mouseClick(screen.NP1, Qt::LeftButton);
        QTest::mouseClick(screen.NW1, Qt::LeftButton);

        for (int d = 0; d < KVS::ElementDialogCount; ++d)
            screen.elementDialog(KVS::ElementDialog(d))->show();
        screen.actHide->trigger();
        QCOMPARE(messageTexts(log), QStringList{"[I]Нажата комбинация клавиш для скрытия диалогов элементов вакуумной системы"});
        QCOMPARE(log.last().at(1).toBool(), false);
        for (int d = 0; d < KVS::ElementDialogCount; ++d)
            QVERIFY(!screen.elementDialog(KVS::ElementDialog(d))->isVisible());
    }

    // The dialogs are windows of their own: they go with the screen, shown or not, before the
    // value cells and locks they show.
    void dialogsGoWithTheScreen()
    {
        auto screen = std::make_unique<KVS>();
        screen->element(QStringLiteral("NL1:Power"))->setNumberVal(5);
        QPointer<QWidget> nl1 = screen->elementDialog(KVS::DlgNL1);
        QPointer<QWidget> door = screen->elementDialog(KVS::DlgDoor);
        screen->on_NL1_clicked();
        QVERIFY(nl1->isVisible() && nl1->isWindow());
        screen.reset();
        QVERIFY(!nl1 && !door);
    }
};

POKAVRO_TEST_MAIN(TestVacuumMimic)
#include "tst_vacuummimic.moc"
