#include <QAction>
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QTableWidget>
#include <QtTest>

#include <functional>
#include <memory>

#include "axis.h"
#include "drivecomm.h"
#include "drivesim.h"
#include "fixedpaths.h"
#include "gui.h"
#include "modaldriver.h"
#include "myframe.h"
#include "pultshare.h"
#include "settingsfile.h"
#include "statebutton.h"
#include "testenv.h"
#include "vacuumsim.h"
#include "widgets.h"

namespace {

// The operator log's lines without their "[hh:mm:ss] " stamps.
QStringList logLines(const Gui& gui)
{
    QFile file(gui.operatorLog().fileName());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString& line : lines)
        line = line.mid(11);
    return lines;
}

// The last operator-log line that contains fragment (status reports may log lines in between).
QString lastLine(const Gui& gui, const QString& fragment)
{
    const QStringList lines = logLines(gui).filter(fragment, Qt::CaseInsensitive);
    return lines.isEmpty() ? QString() : lines.last();
}

// The texts of the on-screen log list, without stamps and prefixes.
QStringList shownLines(const Gui& gui)
{
    QStringList texts;
    for (int i = 0; i < gui.lwLog->count(); ++i)
        texts << gui.lwLog->item(i)->text().mid(11);
    return texts;
}

// Answers the next pop-up menu: records its entries ("-" for a separator, "*" after a ticked
// entry), then chooses the entry with this caption, or dismisses the menu for an empty caption.
class PopupDriver : public QObject
{
public:
    explicit PopupDriver(QString choice) : m_choice(std::move(choice))
    {
        connect(&m_poll, &QTimer::timeout, this, &PopupDriver::poll);
        m_poll.start(10);
        m_clock.start();
    }
    QStringList entries;
    bool answered = false;

private:
    void poll()
    {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            if (m_clock.elapsed() > 5000)
                m_poll.stop();
            return;
        }
        m_poll.stop();
        QAction* chosen = nullptr;
        for (QAction* action : menu->actions()) {
            entries << (action->isSeparator() ? QStringLiteral("-")
                                              : action->text() + (action->icon().isNull() ? "" : "*"));
            if (!action->isSeparator() && action->text() == m_choice)
                chosen = action;
        }
        answered = true;
        if (chosen) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            QTest::keyClick(menu, Qt::Key_Escape);
        }
    }

    QString m_choice;
    QTimer m_poll;
    QElapsedTimer m_clock;
};

// Opens a wheel's menu by its label and answers it.
QStringList chooseOnWheel(PoLabel* label, const QString& choice)
{
    PopupDriver driver(choice);
    QTest::mouseClick(label, Qt::LeftButton);
    return driver.answered ? driver.entries : QStringList{"<no menu>"};
}

}  // namespace

class TestGuiCommands : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingBoxes> m_boxes;
    std::unique_ptr<RecordingRunner> m_runner;
    QList<quint16> m_ports;  // drive tcp, drive udp, kvs tcp, kvs udp, kvk tcp, kvk udp
    std::unique_ptr<DriveSimulator> m_sim;
    std::unique_ptr<Gui> m_gui;

    // A main window connected to the simulated drive controller, its commands so far forgotten.
    bool start()
    {
        m_gui = std::make_unique<Gui>();
        m_sim = std::make_unique<DriveSimulator>();
        if (!m_sim->start(m_ports[0], m_ports[1]))
            return false;
        // Connected, and the first status shown: until then every position is unknown, and a
        // late first status would overwrite what a test puts on the labels.
        if (!QTest::qWaitFor([this] { return m_gui->cncConnected() && m_gui->drives()->statusKnown(); }, 5000))
            return false;
        QTest::qWait(100);  // a few more status datagrams
        m_sim->clearCommands();
        return true;
    }

    // The commands the controller received, once `count` of them are there (bounded wait).
    QStringList commands(int count)
    {
        (void)QTest::qWaitFor([&] { return m_sim->commandTexts().size() >= count; }, 2000);
        QTest::qWait(50);  // nothing more may follow
        const QStringList texts = m_sim->commandTexts();
        m_sim->clearCommands();
        return texts;
    }

private slots:
    void init()
    {
        m_ports = TestEnv::prepareConsole();
        m_boxes = std::make_unique<RecordingBoxes>();
        m_runner = std::make_unique<RecordingRunner>();
    }

    void cleanup()
    {
        m_gui.reset();
        m_sim.reset();
        m_runner.reset();
        m_boxes.reset();
    }

    // Each state button in each of its five states: on (state 1) switches off, every other state
    // switches on; the log line names what the press asked for and is not shown.
    void stateButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("onCommand");
        QTest::addColumn<QString>("offCommand");
        QTest::addColumn<QString>("what");
        QTest::newRow("drives") << "sbDrives" << "DRIVE ON" << "DRIVE OFF" << "питание приводов";
        QTest::newRow("transformation") << "sbTrans" << "TRANS ON" << "TRANS OFF" << "трансформацию приводов";
        QTest::newRow("lighting") << "sbLightSpiral" << "SPIRAL ON" << "SPIRAL OFF" << "освещение зоны сварки";
        QTest::newRow("pendant") << "sbDistPult" << "PULT ON" << "PULT OFF" << "дистанционный пульт";
    }
    void stateButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, onCommand);
        QFETCH(QString, offCommand);
        QFETCH(QString, what);
        QVERIFY(start());
        auto* sb = m_gui->findChild<StateButton*>(button);
        QVERIFY(sb);
        // The transformation can be switched with the drives on and channel 1 idle only.
        m_sim->status().drivesOn = 1;
        m_sim->status().channelState[0] = 1;
        for (int state = 0; state <= 4; ++state) {
            QVERIFY(QTest::qWaitFor([&] { return sb->isEnabled(); }, 3000));
            sb->setState(state);
            const int shown = m_gui->lwLog->count();
            sb->click();
            const bool on = state == 1;
            // Written at once, before the controller's answers bring lines of their own.
            QCOMPARE(logLines(*m_gui).last(),
                     QString("[I]Нажата кнопка '%1 %2'").arg(on ? "Выключить" : "Включить", what));
            QCOMPARE(m_gui->lwLog->count(), shown);
            // The press itself switches nothing: the controller's report does.
            QCOMPARE(int(sb->state()), state);
            QCOMPARE(commands(1), QStringList{on ? offCommand : onCommand});
            if (button == "sbDistPult")
                QVERIFY(QTest::qWaitFor([&] { return m_gui->pultOn() == !on; }, 3000));
        }
    }

    // Jog of the virtual axes: the "Minus" buttons move forward, the "Plus" buttons back; the
    // negative PHI speed has one decimal. Each press and each release sends at once.
    void virtualJog_data()
    {
        QTest::addColumn<QString>("axis");
        QTest::addColumn<float>("speed");
        QTest::addColumn<QString>("forward");
        QTest::addColumn<QString>("backward");
        QTest::newRow("X") << "X" << 100.0f << "MOVE(X,100)" << "MOVE(X,-100)";
        QTest::newRow("Z") << "Z" << 37.5f << "MOVE(Z,37.5)" << "MOVE(Z,-37.5)";
        QTest::newRow("PHI") << "PHI" << 12.34f << "MOVE(PHI,12.34)" << "MOVE(PHI,-12.3)";
    }
    void virtualJog()
    {
        QFETCH(QString, axis);
        QFETCH(float, speed);
        QFETCH(QString, forward);
        QFETCH(QString, backward);
        QVERIFY(start());
        m_gui->findChild<PoLabel*>("speed" + axis)->setValue(speed, 2);
        auto* minus = m_gui->findChild<QPushButton*>("pbMinus" + axis);
        auto* plus = m_gui->findChild<QPushButton*>("pbPlus" + axis);
        emit minus->pressed();
        emit minus->released();
        emit plus->pressed();
        emit plus->released();
        const QString stop = "MOVE(" + axis + ",0)";
        QCOMPARE(commands(4), (QStringList{forward, stop, backward, stop}));
        const QString run = "Выполнение ручного перемещение по виртуальной оси " + axis + " в %1 направлении...";
        const QString done = "Завершено ручное перемещение по виртуальной оси " + axis;
        // The controller's answers may log lines of their own in between.
        const QString jogs = "виртуальной оси " + axis;
        QCOMPARE(shownLines(*m_gui).filter(jogs),
                 (QStringList{run.arg("положительном"), done, run.arg("отрицательном"), done}));
        QCOMPARE(logLines(*m_gui).filter(jogs),
                 (QStringList{"[C]" + run.arg("положительном"), "[I]" + done,
                              "[C]" + run.arg("отрицательном"), "[I]" + done}));
    }

    // STOP ends the programs; an endless rotation of V is ended with it without a stop of V of
    // its own, and V's jog release stops V again afterwards.
    void stopAndEndlessRotation()
    {
        QVERIFY(start());
        m_gui->pbStop->click();
        QCOMPARE(commands(1), QStringList{"STOP_PRG"});
        QCOMPARE(lastLine(*m_gui, "кнопка"), QString("[I]Нажата кнопка 'СТОП' на панели приводов"));

        m_gui->pbEndlessV->click();
        QVERIFY(m_gui->pbEndlessV->isChecked());
        QCOMPARE(lastLine(*m_gui, "кнопка"), QString("[I]Нажата кнопка 'Бесконечное вращение' на панели координаты V"));
        QCOMPARE(commands(0), QStringList());
        // Endless: releasing V's jog sends no stop.
        Axis* v = m_gui->axis("V");
        v->onPlusPressed();
        v->onPlusReleased();
        QCOMPARE(commands(1).size(), 1);

        m_gui->pbStop->click();
        QCOMPARE(commands(1), QStringList{"STOP_PRG"});
        QVERIFY(!m_gui->pbEndlessV->isChecked());
        v->onPlusReleased();
        QCOMPARE(commands(1), QStringList{"MOVE(V,0)"});

        // Released by hand: V stops.
        m_gui->pbEndlessV->click();
        m_gui->pbEndlessV->click();
        QVERIFY(!m_gui->pbEndlessV->isChecked());
        QCOMPARE(commands(1), QStringList{"MOVE(V,0)"});
        QCOMPARE(lastLine(*m_gui, "кнопка"), QString("[I]Отжата кнопка 'Бесконечное вращение' на панели координаты V"));
    }

    // The speed popup offers 2.5 % to 100 % of the axis's maximum speed (shown without
    // decimals); a chosen preset becomes the jog speed, a cancel keeps the old one.
    void speedPresets_data()
    {
        QTest::addColumn<QString>("axis");
        QTest::addColumn<QList<float>>("presets");
        QTest::addColumn<bool>("choose");
        const QList<float> x{75, 150, 300, 750, 1500, 3000};
        const QList<float> phi{22.5f, 45, 90, 225, 450, 900};
        QTest::newRow("X chosen") << "X" << x << true;
        QTest::newRow("X cancelled") << "X" << x << false;
        QTest::newRow("PHI chosen") << "PHI" << phi << true;
        QTest::newRow("PHI cancelled") << "PHI" << phi << false;
    }
    void speedPresets()
    {
        QFETCH(QString, axis);
        QFETCH(QList<float>, presets);
        QFETCH(bool, choose);
        QVERIFY(start());
        auto* speed = m_gui->findChild<PoLabel*>("speed" + axis);
        speed->setValue(10, 0);
        QStringList offered;
        ModalDriver driver;
        driver.next("Selector", [&](ModalDialog& d) {
            for (int i = 0; i < 6; ++i)
                offered << d.text(QString("lbl%1").arg(i));
            if (!choose) {
                d.reject();
                return;
            }
            QWidget* third = d.widget("lbl2");
            QTest::mouseClick(d.dialog(), Qt::LeftButton, {}, third->mapTo(d.dialog(), third->rect().center()));
        });
        QTest::mouseClick(speed, Qt::LeftButton);
        QVERIFY(driver.done());
        QStringList expected;
        for (float preset : presets)
            expected << QString::number(double(preset), 'f', 0);
        QCOMPARE(offered, expected);
        QCOMPARE(speed->value(), choose ? presets.at(2) : 10.0f);
        QCOMPARE(speed->text(), choose ? expected.at(2) : QString("10"));
    }

    // The parameters of a virtual axis: fed from the window's own values, following the limits
    // live, without the parking frame.
    void virtualAxisParameters()
    {
        QVERIFY(start());
        m_gui->coordPHI->setValue(12.5f, 2);
        m_gui->speedPHI->setValue(45.7f, 0);
        QStringList shown;
        bool parkHidden = false;
        ModalDriver driver;
        driver.next("AxisInfo", [&](ModalDialog& d) {
            parkHidden = d.widget("frmPark")->isHidden();
            shown << d.text("lblCoord") << d.text("lblSpeed");
            m_sim->status().maxLimit[DriveStatusPacket::LimPHI] = 300.0f;
            (void)QTest::qWaitFor([&] { return d.text("lblSEPmax") == "300.0"; }, 3000);
            shown << d.text("lblSEPmax");
            d.reject();
        });
        m_gui->pbInfoPHI->click();
        QVERIFY(driver.done());
        QVERIFY(parkHidden);
        QCOMPARE(shown, (QStringList{"12.5000", "45", "300.0"}));
    }

    // The fixed move of a virtual axis cannot start while channel 1 runs a program, even with the
    // drives on; with channel 1 idle it can.
    void fixedMoveReadiness_data()
    {
        QTest::addColumn<uint>("channel1");
        QTest::addColumn<bool>("ready");
        QTest::newRow("program running") << 3u << false;
        QTest::newRow("channel idle") << 1u << true;
    }
    void fixedMoveReadiness()
    {
        QFETCH(uint, channel1);
        QFETCH(bool, ready);
        QVERIFY(start());
        m_sim->status().drivesOn = 1;
        m_sim->status().channelState[0] = channel1;
        QVERIFY(QTest::qWaitFor([&] { return m_gui->channelState1() == channel1; }, 3000));
        QVERIFY(QTest::qWaitFor([&] { return m_gui->sbDrives->state() != StateButton::State0; }, 3000));
        bool startEnabled = !ready;
        ModalDriver driver;
        driver.next("FixedMove", [&](ModalDialog& d) {
            startEnabled = d.isEnabled("pbStart");
            d.reject();
        });
        QTest::mouseClick(m_gui->coordX, Qt::LeftButton);
        QVERIFY(driver.done());
        QCOMPARE(startEnabled, ready);
        QVERIFY(logLines(*m_gui).contains("[I]Открыто окно фиксированного перемещения по оси X"));
    }

    // Against the simulator as it comes: with the drives switched on, the transformation can be
    // switched on and a fixed move of a virtual axis started; its channel loads, runs, is done
    // and is idle again, as the channel display and the log show.
    void simulatorRunsAFixedMove()
    {
        QVERIFY(start());
        m_sim->setProgramSeconds(0.5);
        QVERIFY(QTest::qWaitFor([&] { return m_gui->sbDrives->state() == StateButton::State0; }, 3000));
        m_gui->sbDrives->click();
        QVERIFY(QTest::qWaitFor([&] { return m_gui->sbTrans->isEnabled(); }, 3000));
        m_gui->sbTrans->click();
        QVERIFY(QTest::qWaitFor([&] { return !m_gui->frmVirtual->isHidden(); }, 3000));
        QCOMPARE(m_gui->sbTrans->state(), StateButton::State1);
        const QImage green = QPixmap(":/images/indicator_green.png").toImage();
        QVERIFY(QTest::qWaitFor([&] { return m_gui->indX->pixmap(Qt::ReturnByValue).toImage() == green; }, 3000));

        bool startEnabled = false;
        ModalDriver driver;
        driver.next("FixedMove", [&](ModalDialog& d) {
            startEnabled = d.isEnabled("pbStart");
            d.click("pbStart");
        });
        QTest::mouseClick(m_gui->coordX, Qt::LeftButton);
        QVERIFY(driver.done());
        QVERIFY(startEnabled);
        QVERIFY(QTest::qWaitFor([&] { return m_gui->channel1State->text() == "выполнение"; }, 3000));
        QVERIFY(QTest::qWaitFor([&] { return m_gui->channel1State->text() == "бездействие"; }, 5000));
        QCOMPARE(logLines(*m_gui).filter("Канал 1"),
                 (QStringList{"[I]Канал 1: бездействие", "[I]Канал 1: загрузка программы",
                              "[C]Канал 1: выполнение автоматической программы",
                              "[I]Канал 1: готовность", "[I]Канал 1: бездействие"}));
        QVERIFY(m_sim->commandTexts().contains("EXEC_1(/programs/_fixed.npg)"));
    }

    // The taught points open with the eight current positions, in the order LX ... V.
    void pointsGetPositions()
    {
        QVERIFY(start());
        const QStringList labels{"LX", "LY", "A", "B", "C", "D", "U", "V"};
        for (int i = 0; i < labels.size(); ++i)
            m_gui->findChild<PoLabel*>("coord" + labels.at(i))->setValue(10.5f + i, 2);
        QCOMPARE(m_gui->coord("U1"), 16.5f);
        QCOMPARE(m_gui->coord("nothing"), 0.0f);
        QStringList shown;
        ModalDriver driver;
        driver.next("Point", [&](ModalDialog& d) {
            auto* table = d.dialog()->findChild<QTableWidget*>();
            for (int row = 0; table && row < table->rowCount(); ++row)
                for (int col = 0; col < table->columnCount(); ++col)
                    if (table->item(row, col))
                        shown << table->item(row, col)->text();
            d.reject();
        });
        m_gui->pbPoint->click();
        QVERIFY(driver.done());
        for (int i = 0; i < labels.size(); ++i)
            QVERIFY2(shown.join(' ').contains(QString::number(10.5 + i, 'f', 2)), qPrintable(shown.join(' ')));
        const QStringList log = logLines(*m_gui);
        QVERIFY(log.contains("[I]Нажата кнопка 'Координаты точек'"));
        QVERIFY(log.contains("[I]Открыто окно 'Координаты точки'"));
    }

    // Information and calculator: their log lines, the desktop calculator started beside the
    // speed calculator, which opens even when the calculator cannot start.
    void informationAndCalculator()
    {
        QVERIFY(start());
        m_runner->detachedResult = false;
        {
            ModalDriver driver;
            driver.next("Inform", [](ModalDialog& d) { d.click("pbClose"); });
            m_gui->pbInformation->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(lastLine(*m_gui, "кнопка"), QString("[I]Нажата кнопка 'Информация о программе'"));
        {
            ModalDriver driver;
            driver.next("RateCalc", [](ModalDialog& d) { QVERIFY(d.clickFrameClose()); });
            m_gui->pbCalc->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(lastLine(*m_gui, "кнопка"), QString("[I]Нажата кнопка 'Калькулятор скоростей'"));
        QCOMPARE(m_runner->detached.size(), 1);
        QCOMPARE(m_runner->detached.first().first, QString("kcalc"));
        QVERIFY(m_runner->detached.first().second.isEmpty());
    }

    // The constants button asks both vacuum controllers and shows their tables.
    void constantsAsksBothControllers()
    {
        VacuumSimulator vacuum;
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        QVERIFY(start());
        QVERIFY(QTest::qWaitFor([&] { return vacuum.consoleConnected(VacuumSimulator::Kvs)
                                             && vacuum.consoleConnected(VacuumSimulator::Kvk); }, 5000));
        const int rows = vacuum.constants(VacuumSimulator::Kvs).size() + vacuum.constants(VacuumSimulator::Kvk).size();
        QVERIFY(rows > 0);
        int seen = -1;
        ModalDriver driver;
        driver.next("Constants", [&](ModalDialog& d) {
            auto* table = d.find<QTableWidget>("twConst");
            (void)QTest::qWaitFor([&] { return table->rowCount() == rows; }, 3000);
            seen = table->rowCount();
            QVERIFY(d.clickFrameClose());
        });
        m_gui->pbConstants->click();
        QVERIFY(driver.done());
        QCOMPARE(seen, rows);
        QCOMPARE(vacuum.commandTexts(VacuumSimulator::Kvk), QStringList{"CONST"});
        QCOMPARE(vacuum.commandTexts(VacuumSimulator::Kvs), QStringList{"CONST"});
        const QStringList log = logLines(*m_gui);
        QVERIFY(log.contains("[I]Нажата кнопка 'Параметры системы'"));
        QCOMPARE(lastLine(*m_gui, "окно"), QString("[I]Закрыто окно параметров системы"));
    }

    // The handwheel examples: steps × the step factor at the axis's maximum speed; the remote
    // wheel drives the pendant while it is on.
    void handwheelCommands_data()
    {
        QTest::addColumn<QString>("axisEntry");
        QTest::addColumn<int>("storedStep");
        QTest::addColumn<int>("delta");
        QTest::addColumn<QString>("command");
        QTest::newRow("LX x0.01") << "Ось LX     " << 0 << 1 << "LIR(LX,10,3000)";
        QTest::newRow("LX x1") << "Ось LX     " << 3 << 1 << "LIR(LX,1000,3000)";
        QTest::newRow("U x0.05") << "Ось U     " << 1 << 4 << "LIR(U,200,120)";
        QTest::newRow("A x0.1") << "Ось A     " << 2 << 3 << "LIR(A,300,360)";
        QTest::newRow("A x1 back") << "Ось A     " << 3 << -2 << "LIR(A,-2000,360)";
        QTest::newRow("V") << "Ось V     " << 2 << 1 << "LIR(V,100,2160)";
        QTest::newRow("stored step 7 reads as x0.01") << "Ось B     " << 7 << 2 << "LIR(B,20,720)";
        QTest::newRow("stored step -1 reads as x0.01") << "Ось C     " << -1 << 1 << "LIR(C,10,900)";
    }
    void handwheelCommands()
    {
        QFETCH(QString, axisEntry);
        QFETCH(int, storedStep);
        QFETCH(int, delta);
        QFETCH(QString, command);
        const QString axis = axisEntry.trimmed().mid(4);
        SettingsFile::open()->setValue("LIR/" + axis, storedStep);
        QVERIFY(start());
        chooseOnWheel(m_gui->lblLir1, axisEntry);
        m_gui->onLirChanged(0, delta);
        QCOMPARE(commands(1), QStringList{command});
        // The right wheel is free: its steps send nothing.
        m_gui->onLirChanged(1, delta);
        m_gui->onLirChanged(5, delta);
        QCOMPARE(commands(0), QStringList());
        // A step index outside the table is not carried back into the settings.
        m_gui.reset();
        QCOMPARE(SettingsFile::open()->value("LIR/" + axis).toInt(), storedStep >= 0 && storedStep <= 3 ? storedStep : 0);
    }

    void remoteWheelAndDisabledWindow()
    {
        QVERIFY(start());
        m_gui->onLirChanged(2, 5);  // pendant off
        QCOMPARE(commands(0), QStringList());
        m_gui->sbDistPult->setState(0);
        m_gui->sbDistPult->click();
        QCOMPARE(commands(1), QStringList{"PULT ON"});
        m_gui->onLirChanged(2, 5);
        m_gui->onLirChanged(2, -1);
        QCOMPARE(commands(2), (QStringList{"HANDWHEEL(500)", "HANDWHEEL(-100)"}));

        chooseOnWheel(m_gui->lblLir1, "Ось LX     ");
        m_gui->setEnabled(false);
        m_gui->onLirChanged(0, 3);
        m_gui->onLirChanged(2, 3);
        QCOMPARE(commands(0), QStringList());
        m_gui->setEnabled(true);
        m_gui->onLirChanged(0, 3);
        QCOMPARE(commands(1), QStringList{"LIR(LX,30,3000)"});
    }

    // The assignment menu: its entries and ticks, the axis and step choices with their labels
    // and log lines, the hand-over to the beam unit, and a dismissed menu.
    void wheelMenus()
    {
        QVERIFY(start());
        const QStringList axes{"Ось LX     ", "Ось LY     ", "Ось A     ", "Ось B     ", "Ось C     ",
                               "Ось D     ", "Ось U     ", "Ось V     "};
        QCOMPARE(chooseOnWheel(m_gui->lblLir1, "Ось B     "),
                 (axes + QStringList{"ЭЛА     ", "-", "Не использовать     *", "-"}));
        QCOMPARE(m_gui->lblLir1Use->text(), QString("Ось B\nx0.01"));
        QCOMPARE(shownLines(*m_gui).filter("штурвал", Qt::CaseInsensitive).last(), QString("На штурвал 'Левый' установлен параметр Ось B с шагом x0.01"));
        QCOMPARE(lastLine(*m_gui, "штурвал"), QString("[I]На штурвал 'Левый' установлен параметр Ось B с шагом x0.01"));

        QStringList withSteps = axes;
        withSteps[3] += "*";
        withSteps << QStringList{"ЭЛА     ", "-", "Не использовать     ", "-", "x0.01*", "x0.05", "x0.1", "x1"};
        QCOMPARE(chooseOnWheel(m_gui->lblLir1, "x0.1"), withSteps);
        QCOMPARE(m_gui->lblLir1Use->text(), QString("Ось B\nx0.1"));
        QCOMPARE(lastLine(*m_gui, "штурвал"), QString("[I]На штурвал 'Левый' установлен параметр Ось B с шагом x0.1"));

        // Dismissed: the setting is logged and shown again.
        const int lines = logLines(*m_gui).filter("штурвал", Qt::CaseInsensitive).size();
        m_gui->lblLir1Use->clear();
        chooseOnWheel(m_gui->lblLir1, QString());
        QCOMPARE(m_gui->lblLir1Use->text(), QString("Ось B\nx0.1"));
        QCOMPARE(logLines(*m_gui).filter("штурвал", Qt::CaseInsensitive).size(), lines + 1);
        QCOMPARE(lastLine(*m_gui, "штурвал"), QString("[I]На штурвал 'Левый' установлен параметр Ось B с шагом x0.1"));

        // The step belongs to the axis: the right wheel on B takes it, and changes it for both.
        chooseOnWheel(m_gui->lblLir2, "Ось B     ");
        QCOMPARE(m_gui->lblLir2Use->text(), QString("Ось B\nx0.1"));
        chooseOnWheel(m_gui->lblLir2, "x1");
        m_gui->onLirChanged(0, 1);
        QCOMPARE(commands(1), QStringList{"LIR(B,1000,720)"});

        // To the beam unit, then off.
        chooseOnWheel(m_gui->lblLir1, "ЭЛА     ");
        QCOMPARE(m_gui->lblLir1Use->text(), QString("ЭЛА"));
        QCOMPARE(lastLine(*m_gui, "штурвал"), QString("[I]Штурвал 'Левый' передан в ЭЛА"));
        m_gui->onLirChanged(0, 1);
        QCOMPARE(commands(0), QStringList());
        QCOMPARE(chooseOnWheel(m_gui->lblLir1, "Не использовать     "),
                 (axes + QStringList{"ЭЛА     *", "-", "Не использовать     ", "-"}));
        QCOMPARE(m_gui->lblLir1Use->text(), QString("Отключен"));
        QCOMPARE(lastLine(*m_gui, "штурвал"), QString("[I]Штурвал 'Левый' отключен"));

        // The remote wheel: the beam unit or nothing.
        QCOMPARE(chooseOnWheel(m_gui->lblLir3, "ЭЛА     "),
                 (QStringList{"ЭЛА     ", "-", "Не использовать     *"}));
        QCOMPARE(m_gui->lblLir3Use->text(), QString("ЭЛА"));
        QCOMPARE(lastLine(*m_gui, "штурвал"), QString("[I]Штурвал 'Выносной' передан в ЭЛА"));
        const int before = logLines(*m_gui).filter("штурвал", Qt::CaseInsensitive).size();
        QCOMPARE(chooseOnWheel(m_gui->lblLir3, QString()), (QStringList{"ЭЛА     *", "-", "Не использовать     "}));
        QCOMPARE(logLines(*m_gui).filter("штурвал", Qt::CaseInsensitive).size(), before);
        // The beam-unit program learns of the hand-over through the pendant block within a second.
        PultShare pendant;  // a second view of the same segment
        QVERIFY(QTest::qWaitFor([&] { return pendant.getFuncDistEncoder() == 1; }, 1500));
        QCOMPARE(pendant.getFuncLeftEncoder(), 0u);
        chooseOnWheel(m_gui->lblLir3, "Не использовать     ");
        QCOMPARE(m_gui->lblLir3Use->text(), QString("Отключен"));
        QCOMPARE(lastLine(*m_gui, "штурвал"), QString("[I]Штурвал 'Выносной' отключен"));
    }

    void programName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("withoutControl");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QColor>("background");
        QTest::newRow("path") << "/programs/ring/flange.save" << false << "flange.save" << "flange.save" << QColor(Qt::blue);
        QTest::newRow("without current control") << "/programs/flange.save" << true << "flange.save"
                                                 << "flange.save (без управления током)" << QColor(Qt::red);
        QTest::newRow("ends in a slash") << "/programs/ring/" << false << "" << "" << QColor(Qt::blue);
        QTest::newRow("bare name") << "tube" << false << "tube" << "tube" << QColor(Qt::blue);
    }
    void programName()
    {
        QFETCH(QString, path);
        QFETCH(bool, withoutControl);
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QFETCH(QColor, background);
        m_gui = std::make_unique<Gui>();
        m_gui->setProgramName(path, withoutControl);
        QCOMPARE(m_gui->programName(), name);
        QCOMPARE(m_gui->lblContour->text(), shown);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            QCOMPARE(m_gui->lblContour->palette().color(group, QPalette::Window), background);
    }
};

POKAVRO_TEST_MAIN(TestGuiCommands)
#include "tst_guicommands.moc"
