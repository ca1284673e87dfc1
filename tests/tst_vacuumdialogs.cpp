#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "elementdlg.h"
#include "kvs.h"
#include "pictures.h"
#include "statebutton.h"
#include "testenv.h"
#include "vacuumplant.h"

using Pictures::shows;
using Sim = VacuumSimulator;

// The eighteen element dialogs of the vacuum screen against the simulated controllers.
class TestVacuumDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestEnv::configureControllers(); }

    // Each dialog as the table builds it: reported off, a press sends its "on" command to the
    // controller that owns the element; reported on, its "off" command.
    void dialogTable_data()
    {
        QTest::addColumn<int>("dialog");
        QTest::addColumn<QString>("element");   // the element's fields in the status ("NL1State", "NL1LockOn")
        QTest::addColumn<int>("controller");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("subtitle");
        QTest::addColumn<QStringList>("texts");  // caption on, caption off, the state texts 0 and 1
        QTest::addColumn<QString>("cmdOn");
        QTest::addColumn<QString>("cmdOff");
        QTest::addColumn<QStringList>("rows");
        const QStringList pump = {"Включить", "Выключить", "[выключен]", "[включен]"};
        const QStringList valve = {"Открыть", "Закрыть", "[закрыт]", "[открыт]"};
        const QStringList door = {"Отжать", "Прижать", "[прижата]", "[отжата]"};
        const QStringList supply = {"Питание", "Перегрев"};
        QTest::newRow("NL1") << int(KVS::DlgNL1) << "NL1" << int(Sim::Kvs) << "NL1"
                             << "Насос пластинчато-роторный\n2НВР-250Д" << pump << "NL1 ON" << "NL1 OFF"
                             << supply + QStringList{"Проток, л/мин", "Температура ОЖ, °C"};
        QTest::newRow("NL2") << int(KVS::DlgNL2) << "NL2" << int(Sim::Kvs) << "NL2" << "Насос пластинчато-роторный\nSV-750B"
                             << pump << "NL2 ON" << "NL2 OFF" << supply;
        QTest::newRow("NZ1") << int(KVS::DlgNZ1) << "NZ1" << int(Sim::Kvs) << "NZ1" << "Насос Рутса двухроторный\nНВД-600"
                             << pump << "NZ1 ON" << "NZ1 OFF" << supply;
        QTest::newRow("NZ2") << int(KVS::DlgNZ2) << "NZ2" << int(Sim::Kvs) << "NZ2" << "Насос Рутса двухроторный\nWH-4400"
                             << pump << "NZ2 ON" << "NZ2 OFF"
                             << supply + QStringList{"Проток, л/мин", "Температура ОЖ, °C"};
        QTest::newRow("NW2") << int(KVS::DlgNW2) << "NW2" << int(Sim::Kvs) << "NW2" << "Насос циркуляционный\nGrundfos CM3-2"
                             << pump << "NW2 ON" << "NW2 OFF"
                             << QStringList{"Питание", "Проток, л/мин", "Темп-ра ОЖ, °C"};
        QTest::newRow("ND1") << int(KVS::DlgND1) << "ND1" << int(Sim::Kvs) << "ND1" << "Насос диффузионный\nНД-1000"
                             << pump << "ND1 ON" << "ND1 OFF"
                             << supply + QStringList{"Проток 1, л/мин", "Температура ОЖ 1, °C", "Проток 2, л/мин",
                                                     "Температура ОЖ 2, °C", "Проток 3, л/мин", "Температура ОЖ 3, °C",
                                                     "Проток 4, л/мин", "Температура ОЖ 4, °C"};
        QTest::newRow("VP1") << int(KVS::DlgVP1) << "VP1" << int(Sim::Kvs) << "VP1" << "Затвор вакуумный\nЗВП-1000"
                             << valve << "VP1 ON" << "VP1 OFF" << QStringList{};
        QTest::newRow("VP2") << int(KVS::DlgVP2) << "VP2" << int(Sim::Kvs) << "VP2" << "Клапан угловой\nGDQ-J100B"
                             << valve << "VP2 ON" << "VP2 OFF" << QStringList{};
        QTest::newRow("VP3") << int(KVS::DlgVP3) << "VP3" << int(Sim::Kvs) << "VP3" << "Клапан плоский\nЗВПлП-250"
                             << valve << "VP3 ON" << "VP3 OFF" << QStringList{};
        QTest::newRow("VP4") << int(KVS::DlgVP4) << "VP4" << int(Sim::Kvk) << "VP4" << "Клапан вакуумный\nGDQ-J63B"
                             << valve << "VP4 ON" << "VP4 OFF" << QStringList{};
        QTest::newRow("VP5") << int(KVS::DlgVP5) << "VP5" << int(Sim::Kvs) << "VP5" << "Клапан вакуумный\nGDQ-J63B"
                             << valve << "VP5 ON" << "VP5 OFF" << QStringList{};
        QTest::newRow("VP6") << int(KVS::DlgVP6) << "VP6" << int(Sim::Kvs) << "VP6" << "Клапан вакуумный\nGDQ-J25B"
                             << valve << "VP6 ON" << "VP6 OFF" << QStringList{};
        QTest::newRow("VP7") << int(KVS::DlgVP7) << "VP7" << int(Sim::Kvs) << "VP7" << "Клапан вакуумный\nGDQ-J25B"
                             << valve << "VP7 ON" << "VP7 OFF" << QStringList{};
        QTest::newRow("VP8") << int(KVS::DlgVP8) << "VP8" << int(Sim::Kvk) << "VP8" << "Клапан вакуумный\nGDQ-J25B"
                             << valve << "VP8 ON" << "VP8 OFF" << QStringList{};
        QTest::newRow("door") << int(KVS::DlgDoor) << "Door" << int(Sim::Kvk) << "Дверь"
                              << "Клапаны пневмо-электрические Camozzi" << door << "DOOR UNPRESS" << "DOOR PRESS"
                              << QStringList{};
        QTest::newRow("TMN") << int(KVS::DlgTMN) << "TMN" << int(Sim::Kvk) << "ТМН" << "Насос турбомолекулярный"
                             << pump << "BKU(3,1)" << "BKU(3,0)" << QStringList{};
        QTest::newRow("VPT") << int(KVS::DlgVPT) << "VPT" << int(Sim::Kvk) << "VPT" << "Клапан напуска ТМН" << valve
                             << "BKU(1,1)" << "BKU(1,0)" << QStringList{};
        QTest::newRow("VE1") << int(KVS::DlgVE1) << "VE" << int(Sim::Kvk) << "VE1" << "Шибер" << valve << "BKU(2,1)"
                             << "BKU(2,0)" << QStringList{};
    }
    void dialogTable()
    {
        QFETCH(int, dialog);
        QFETCH(QString, element);
        QFETCH(int, controller);
        QFETCH(QString, title);
        QFETCH(QString, subtitle);
        QFETCH(QStringList, texts);
        QFETCH(QString, cmdOn);
        QFETCH(QString, cmdOff);
        QFETCH(QStringList, rows);
        VacuumPlant plant;
        const auto owner = Sim::Controller(controller);
        const auto other = owner == Sim::Kvs ? Sim::Kvk : Sim::Kvs;
        // The element's state as the test says, and nothing that blocks switching it.
        const bool group = element == "TMN" || element == "VPT" || element == "VE";
        const QString stateField = group ? "State" + element : element + "State";
        QVERIFY(plant.sim.force(owner, stateField, 0));
        if (group) {
            QVERIFY(plant.sim.force(owner, "StateLocks", 0u));
        } else {
            QVERIFY(plant.sim.force(owner, element + "LockOn", 0));
            QVERIFY(plant.sim.force(owner, element + "LockOff", 0));
        }
        QVERIFY(plant.start());
        VacuumElementDlg* d = plant.dialog(dialog);
        QCOMPARE(d->lblId->text(), title);
        QCOMPARE(d->lblName->text(), subtitle);
        QCOMPARE(d->link(), owner == Sim::Kvs ? static_cast<VacuumLink*>(plant.screen->kvs()) : plant.screen->kvk());
        QCOMPARE(d->metaObject()->className(), owner == Sim::Kvs ? "KvsDlg" : "KvkDlg");
        QCOMPARE(d->twElements->rowCount(), rows.size());
        for (int row = 0; row < rows.size(); ++row)
            QCOMPARE(d->twElements->item(row, 0)->text(), rows.at(row));
        QCOMPARE(d->twElements->isVisibleTo(d), !rows.isEmpty());

        QVERIFY(QTest::qWaitFor([d] { return d->storedState() == 0; }, 2000));
        QCOMPARE(d->lblState->text(), texts[2]);
        QCOMPARE(d->sbSwitch->captionLabel()->text(), texts[0]);
        d->showDlg();
        QTest::mouseClick(d->sbSwitch, Qt::LeftButton);
        QVERIFY(!d->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return !plant.sim.commandTexts(owner).isEmpty(); }, 2000));
        QCOMPARE(plant.sim.commandTexts(owner), QStringList{cmdOn});

        QVERIFY(plant.sim.force(owner, stateField, 1));
        QVERIFY(QTest::qWaitFor([d] { return d->storedState() == 1; }, 2000));
        QCOMPARE(d->lblState->text(), texts[3]);
        QCOMPARE(d->sbSwitch->captionLabel()->text(), texts[1]);
        d->showDlg();
        QTest::mouseClick(d->sbSwitch, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([&] { return plant.sim.commandTexts(owner).size() == 2; }, 2000));
        QCOMPARE(plant.sim.commandTexts(owner).last(), cmdOff);
        QVERIFY(plant.sim.commandTexts(other).isEmpty());
    }

    // NL1 switched on from its dialog: the plant answers, the mimic and the dialog follow, the
    // log says each step.
    void switchingFromTheDialog()
    {
        VacuumPlant plant;
        QVERIFY(plant.start());
        KVS& screen = *plant.screen;
        QSignalSpy log(&screen, &KVS::message);
        VacuumElementDlg* nl1 = screen.elementDialog(KVS::DlgNL1);
        QVERIFY(QTest::qWaitFor([&screen] { return !screen.lock("NL1:LockOn")->state(); }, 2000));
        QTest::mouseClick(screen.NL1, Qt::LeftButton);
        QVERIFY(nl1->isVisible());
        QCOMPARE(nl1->lblState->text(), QStringLiteral("[выключен]"));
        QCOMPARE(nl1->twElements->item(0, 1)->text(), QStringLiteral("Выкл."));
        QVERIFY(!nl1->twElements->item(3, 1)->text().isEmpty());  // the cooling water's temperature
        // The plant's time stands still until the window has shown the pump switching: a pause
        // of this thread (the simulator's too) longer than the switch would otherwise skip it.
        plant.sim.setTimeScale(0);
        QTest::mouseClick(nl1->sbSwitch, Qt::LeftButton);
        QVERIFY(!nl1->isVisible());
        QVERIFY(QTest::qWaitFor([&screen] { return shows(screen.NL1, "NL_23.png"); }, 2000));
        QCOMPARE(nl1->lblState->text(), QStringLiteral("[включается]"));
        plant.sim.setTimeScale(1);
        QVERIFY(QTest::qWaitFor([&screen] { return shows(screen.NL1, "NL_1.png"); }, 3000));
        QCOMPARE(plant.sim.commandTexts(Sim::Kvs), QStringList{"NL1 ON"});
        QCOMPARE(nl1->lblState->text(), QStringLiteral("[включен]"));
        QCOMPARE(nl1->sbSwitch->captionLabel()->text(), QStringLiteral("Выключить"));
        QVERIFY(nl1->sbSwitch->isChecked());
        const QStringList lines = messageTexts(log);
        const int switching = lines.indexOf(QStringLiteral("[I]Форвакуумный насос NL1 включается"));
        QVERIFY(switching >= 0);
        QVERIFY(lines.indexOf(QStringLiteral("[I]Форвакуумный насос NL1 включен")) > switching);
    }

    // A refused switch: the controller blocks NZ1, the dialog lists why and sends nothing, and
    // the simulator would have left NZ1 as it is.
    void refusedByTheController()
    {
        VacuumPlant plant;
        QVERIFY(plant.sim.force(Sim::Kvs, "NZ1LockOn", 0x1));
        QVERIFY(plant.start());
        KVS& screen = *plant.screen;
        VacuumElementDlg* nz1 = screen.elementDialog(KVS::DlgNZ1);
        QVERIFY(QTest::qWaitFor([&screen] { return screen.lock("NZ1:lockPress")->state(); }, 2000));
        nz1->showDlg();
        QTest::mousePress(nz1->sbSwitch, Qt::LeftButton);
        QVERIFY(nz1->sbSwitch->popup());
        QTest::mouseRelease(nz1->sbSwitch, Qt::LeftButton);
        QTest::qWait(300);
        QVERIFY(plant.sim.commandTexts(Sim::Kvs).isEmpty());
        QVERIFY(nz1->isVisible());
        QVERIFY(!plant.sim.apply(Sim::Kvs, "NZ1 ON"));
        QCOMPARE(plant.sim.state("NZ1"), 0);
    }

    // The dialogs follow their links: unknown until the first status, unknown again from a loss
    // until fresh status, each link on its own; the mode bar follows the vacuum/door link.
    void dialogsFollowTheirLinks()
    {
        VacuumPlant plant;
        const QList<quint16> ports = TestEnv::configureControllers();
        plant.sim.setRate(50);
        QVERIFY(plant.sim.start(ports[2], ports[3], ports[4], ports[5]));
        plant.sim.pauseStream(Sim::Kvs);
        plant.sim.pauseStream(Sim::Kvk);
        plant.screen = std::make_unique<KVS>();
        KVS& screen = *plant.screen;
        QTest::qWait(200);
        for (int d = 0; d < KVS::ElementDialogCount; ++d)
            QCOMPARE(plant.dialog(d)->storedState(), -1);
        QCOMPARE(screen.sbVacManual->state(), StateButton::State4);

        plant.sim.resumeStream(Sim::Kvs);
        plant.sim.resumeStream(Sim::Kvk);
        const auto allKnown = [&plant] {
            for (int d = 0; d < KVS::ElementDialogCount; ++d) {
                if (plant.dialog(d)->storedState() < 0)
                    return false;
            }
            return true;
        };
        QVERIFY(QTest::qWaitFor(allKnown, 3000));
        QCOMPARE(screen.sbVacManual->state(), StateButton::State1);

        plant.sim.closeConnection(Sim::Kvk);
        QVERIFY(QTest::qWaitFor([&screen] { return !screen.kvkUp(); }, 3000));
        for (KVS::ElementDialog d : {KVS::DlgVP4, KVS::DlgVP8, KVS::DlgDoor, KVS::DlgTMN, KVS::DlgVPT, KVS::DlgVE1})
            QCOMPARE(screen.elementDialog(d)->storedState(), -1);
        QCOMPARE(screen.elementDialog(KVS::DlgVP3)->storedState(), 0);
        QCOMPARE(screen.elementDialog(KVS::DlgVP4)->lblState->text(), QString());
        QCOMPARE(screen.sbVacManual->state(), StateButton::State4);
        QVERIFY(screen.lock("VP4:LockOn")->state());
        QCOMPARE(screen.lock("VP3:LockOn")->state(), plant.sim.lockWord("VP3", true) != 0);
        QVERIFY(QTest::qWaitFor(allKnown, 4000));
        QCOMPARE(screen.sbVacManual->state(), StateButton::State1);
    }
};

POKAVRO_TEST_MAIN(TestVacuumDialogs)
#include "tst_vacuumdialogs.moc"
