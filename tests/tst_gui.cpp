#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QSettings>
#include <QSharedMemory>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <algorithm>
#include <cstring>
#include <memory>

#include "axis.h"
#include "confirm.h"
#include "contour.h"
#include "cunibutton.h"
#include "datagramflood.h"
#include "drivesim.h"
#include "message.h"
#include "messageserver.h"
#include "messagestack.h"
#include "vacuumsim.h"
#include "fixedpaths.h"
#include "gui.h"
#include "lockholder.h"
#include "modaldriver.h"
#include "operatorlog.h"
#include "outsidetext.h"
#include "pultshare.h"
#include "settingsfile.h"
#include "statebutton.h"
#include "threadcpu.h"
#include "testenv.h"
#include "widgets.h"

namespace {

const QString kBuiltInLogin = QStringLiteral("su");
const QString kBuiltInPassword = QStringLiteral("62940571");

// The lines of an operator log file.
QStringList logLinesOf(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    // Drop the "[hh:mm:ss] " stamps; check them once on their own.
    for (QString& line : lines) {
        if (!QRegularExpression(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\] ")).match(line).hasMatch())
            return {QStringLiteral("<unstamped> ") + line};
        line = line.mid(11);
    }
    return lines;
}

QStringList logLines(const Gui& gui)
{
    return logLinesOf(gui.operatorLog().fileName());
}

QStringList rowTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text().mid(11);
    return texts;
}

void logIn(ModalDialog& login)
{
    login.type(QStringLiteral("leLogin"), kBuiltInLogin);
    login.type(QStringLiteral("lePassword"), kBuiltInPassword);
    login.click(QStringLiteral("pbEnter"));
}

QColor windowColour(const QWidget* widget) { return widget->palette().color(QPalette::Window); }

// True when nothing asked the event loops to end (an exit would make a new loop return at once).
bool noExitRequested()
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&loop] { loop.exit(5); });
    return loop.exec() == 5;
}

}  // namespace

class TestGui : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingBoxes> m_boxes;
    std::unique_ptr<RecordingRunner> m_runner;
    QList<quint16> m_ports;  // drive tcp, drive udp, kvs tcp, kvs udp, kvk tcp, kvk udp

private slots:
    void init()
    {
        m_ports = TestEnv::prepareConsole();
        m_boxes = std::make_unique<RecordingBoxes>();
        m_runner = std::make_unique<RecordingRunner>();
    }

    void cleanup()
    {
        m_runner.reset();
        m_boxes.reset();
    }

    void driveLinkComesAndGoes()
    {
        Gui gui;
        QCOMPARE(windowColour(gui.lblCNC), QColor(Qt::red));
        QCOMPARE(gui.lblCNC->palette().color(QPalette::WindowText), QColor(Qt::white));
        QVERIFY(!gui.cncConnected());

        auto sim = std::make_unique<DriveSimulator>();
        QVERIFY(sim->start(m_ports[0], m_ports[1]));
        QVERIFY(QTest::qWaitFor([&gui] { return gui.cncConnected(); }, 5000));
        QCOMPARE(windowColour(gui.lblCNC), QColor(Qt::green));
        QCOMPARE(gui.lblCNC->palette().color(QPalette::WindowText), QColor(Qt::black));

        // The controller goes away: red, and the window keeps trying.
        sim.reset();
        QVERIFY(QTest::qWaitFor([&gui] { return !gui.cncConnected(); }, 5000));
        QCOMPARE(windowColour(gui.lblCNC), QColor(Qt::red));
        QTest::qWait(1500);
        QVERIFY(!gui.cncConnected());

        // It returns on the same port: green again without operator action.
        sim = std::make_unique<DriveSimulator>();
        QVERIFY(sim->start(m_ports[0], m_ports[1]));
        QVERIFY(QTest::qWaitFor([&gui] { return gui.cncConnected(); }, 5000));
        QCOMPARE(windowColour(gui.lblCNC), QColor(Qt::green));
    }

    void firstDatagramReachesEveryPanel()
    {
        Gui gui;
        DriveSimulator sim;
        const float base[] = {101.5f, 102.5f, 103.5f, 14.25f, 15.25f, 16.25f, 17.25f, 18.5f, 19.5f, 20.75f};
        for (int axis = DriveStatusPacket::LX1; axis <= DriveStatusPacket::V; ++axis)
            sim.status().position[axis] = base[axis];
        sim.status().doorState = 1;
        sim.status().channelState[0] = 3;
        sim.status().drivesOn = 1;
        sim.status().transOn = 1;
        sim.status().pointNo = 7;
        QVERIFY(sim.start(m_ports[0], m_ports[1]));

        const QList<PoLabel*> labels{gui.coordLX, gui.coordLX2, gui.coordLY, gui.coordA, gui.coordB,
                                     gui.coordC,  gui.coordD,   gui.coordU,  gui.coordU2, gui.coordV};
        auto allShow = [&labels](const float* values) {
            for (int i = 0; i < labels.size(); ++i) {
                if (labels[i]->value() != values[i])
                    return false;
            }
            return true;
        };
        QVERIFY(QTest::qWaitFor([&] { return allShow(base); }, 5000));
        QCOMPARE(gui.kvs->doorState(), 1);
        QVERIFY(gui.kvs->lock(QStringLiteral("REGIME:LockDoorState"))->state());
        QCOMPARE(gui.contour->channelState(1), 3u);
        QVERIFY(gui.contour->driveState());
        QVERIFY(gui.contour->virtualMode());
        QCOMPARE(gui.contour->pointNo(), 7u);
        QCOMPARE(gui.channelState1(), 3u);
        QVERIFY(!gui.lock(QStringLiteral("LOCK:LockPult"))->state());

        // After a reconnect the first datagram brings everything again, changed meanwhile or not.
        sim.setRefuseConnections(true);
        sim.closeConnection();
        QVERIFY(QTest::qWaitFor([&gui] { return !gui.cncConnected(); }, 5000));
        // The editor forgets the lost link's power and transformation; a lost link ends no program,
        // so the channel keeps its last reported state.
        QVERIFY(QTest::qWaitFor([&gui] { return !gui.contour->driveState(); }, 5000));
        QVERIFY(!gui.contour->virtualMode());
        QCOMPARE(gui.contour->channelState(1), 3u);
        // Where the door is, the vacuum screen no longer knows.
        QCOMPARE(gui.kvs->doorState(), -1);
        sim.status().doorState = 0;
        float moved[10];
        for (int i = 0; i < 10; ++i)
            moved[i] = base[i] + 1.0f;
        for (int axis = DriveStatusPacket::LX1; axis <= DriveStatusPacket::V; ++axis)
            sim.status().position[axis] = moved[axis];
        sim.setRefuseConnections(false);
        QVERIFY(QTest::qWaitFor([&] { return allShow(moved); }, 5000));
        QVERIFY(gui.cncConnected());
        QCOMPARE(gui.kvs->doorState(), 0);
        QVERIFY(!gui.kvs->lock(QStringLiteral("REGIME:LockDoorState"))->state());
    }

    void vacuumLinksAndInterlocks()
    {
        Gui gui;
        // The vacuum screen repeated its link states when the window had been built.
        QCOMPARE(windowColour(gui.lblKVS), QColor(Qt::red));
        QCOMPARE(windowColour(gui.lblKVK), QColor(Qt::red));

        VacuumSimulator vacuum;
        QVERIFY(vacuum.force(VacuumSimulator::Kvk, QStringLiteral("SpiralLock"), 1));
        QVERIFY(vacuum.force(VacuumSimulator::Kvk, QStringLiteral("ShutdownLock"), 1));
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        auto bothUp = [&gui] {
            return windowColour(gui.lblKVS) == QColor(Qt::green) && windowColour(gui.lblKVK) == QColor(Qt::green);
        };
        QVERIFY(QTest::qWaitFor(bothUp, 5000));
        Lock* spiral = gui.lock(QStringLiteral("LOCK:LockSpiral"));
        Lock* shutdown = gui.lock(QStringLiteral("LOCK:LockShutdown"));
        QVERIFY(QTest::qWaitFor([&] { return spiral->state() && shutdown->state(); }, 5000));
        vacuum.force(VacuumSimulator::Kvk, QStringLiteral("SpiralLock"), 0);
        QVERIFY(QTest::qWaitFor([&] { return !spiral->state(); }, 5000));
        QVERIFY(shutdown->state());

        // A controller's text reaches the operator log, not the list. (Counted once both first
        // statuses are in: their element states go to the list.)
        QVERIFY(QTest::qWaitFor([&gui] { return gui.kvs->kvs()->statusKnown() && gui.kvs->kvk()->statusKnown(); }, 5000));
        QTest::qWait(100);
        const int rows = gui.lwLog->count();
        QVERIFY(vacuum.sendText(VacuumSimulator::Kvk, QStringLiteral("Дверь прижата")));
        QVERIFY(QTest::qWaitFor([&gui] {
            const QStringList lines = logLines(gui);
            return !lines.isEmpty() && lines.last().endsWith(QStringLiteral("] Дверь прижата"));
        }, 5000));
        QCOMPARE(gui.lwLog->count(), rows);

        // One controller goes away: only its indicator turns red.
        vacuum.setRefuseConnections(VacuumSimulator::Kvk, true);
        vacuum.closeConnection(VacuumSimulator::Kvk);
        QVERIFY(QTest::qWaitFor([&gui] { return windowColour(gui.lblKVK) == QColor(Qt::red); }, 5000));
        QCOMPARE(windowColour(gui.lblKVS), QColor(Qt::green));
        vacuum.setRefuseConnections(VacuumSimulator::Kvk, false);
        QVERIFY(QTest::qWaitFor(bothUp, 5000));
    }

    // A controller's text reaches the operator log (and the debug output) as one line, cut to a
    // sane length, and a flood of texts is held to a bounded rate, the texts held back counted:
    // a peer can neither forge a line of the log nor fill the disk.
    void controllerTextsAreBoundedLines()
    {
        static QMutex debugLock;
        static QStringList debugLines;
        debugLines.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                QMutexLocker locker(&debugLock);
                if (type == QtDebugMsg && text.startsWith(QStringLiteral("KVKTCPthread: < ")))
                    debugLines << text;
            });
        auto received = [] {
            QMutexLocker locker(&debugLock);
            return debugLines;
        };

        Gui gui;
        VacuumSimulator vacuum;
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        QVERIFY(QTest::qWaitFor([&gui] { return gui.kvs->kvs()->statusKnown() && gui.kvs->kvk()->statusKnown(); }, 5000));
        // The controller's lines that start so (after the log's stamp and the link's own).
        auto controllerLines = [&gui](const QString& start) {
            QStringList found;
            for (const QString& line : logLines(gui))
                if (line.mid(11).startsWith(start))
                    found << line.mid(11);
            return found;
        };

        QVERIFY(vacuum.sendText(VacuumSimulator::Kvk,
                                QStringLiteral("Ошибка насоса\n[10:00:00] [I]Нажата кнопка 'Выход из программы'\r")));
        QVERIFY(QTest::qWaitFor([&] { return !controllerLines(QStringLiteral("Ошибка насоса")).isEmpty(); }, 5000));
        QCOMPARE(controllerLines(QStringLiteral("Ошибка насоса")),
                 QStringList{QStringLiteral("Ошибка насоса [10:00:00] [I]Нажата кнопка 'Выход из программы' ")});
        QVERIFY(logLines(gui).filter(QRegularExpression(QStringLiteral("^\\[I\\]Нажата кнопка 'Выход"))).isEmpty());

        // A frame as long as a frame may be.
        QVERIFY(vacuum.sendText(VacuumSimulator::Kvk, QString(65535, QLatin1Char('x'))));
        QVERIFY(QTest::qWaitFor([&] { return !controllerLines(QStringLiteral("xxx")).isEmpty(); }, 5000));
        const QString cut = QString(OutsideText::kMaxLength, QLatin1Char('x'))
                            + QStringLiteral("… (обрезано, всего символов: 65535)");
        QCOMPARE(controllerLines(QStringLiteral("xxx")), QStringList{cut});

        // A flood: a burst passes, the rest is held back and counted before the next text that
        // passes once the controller calms down.
        const int flood = 500;
        for (int i = 0; i < flood; ++i)
            QVERIFY(vacuum.sendText(VacuumSimulator::Kvk, QStringLiteral("Поток %1\n").arg(i)));
        QTest::qWait(1000 + 2 * TextGate::kPeriodMs);
        QVERIFY(vacuum.sendText(VacuumSimulator::Kvk, QStringLiteral("Снова тихо")));
        QVERIFY(QTest::qWaitFor([&] { return !controllerLines(QStringLiteral("Снова тихо")).isEmpty(); }, 5000));
        const int passed = controllerLines(QStringLiteral("Поток ")).size();
        QVERIFY2(passed <= TextGate::kBurst + 2, qPrintable(QString::number(passed)));
        const QString note = TextGate::heldBackNote(flood - passed);
        const QStringList lines = logLines(gui);
        int at = -1;
        for (int i = 0; i < lines.size(); ++i)
            if (lines.at(i).mid(11) == note)
                at = i;
        QVERIFY2(at >= 0, qPrintable(note));
        QCOMPARE(lines.at(at + 1).mid(11), QStringLiteral("Снова тихо"));

        // The debug output got the same lines, and no more.
        const QStringList debug = received();
        qInstallMessageHandler(previous);
        QCOMPARE(debug.size(), 2 + passed + 2);
        QCOMPARE(debug.at(1), QStringLiteral("KVKTCPthread: < ") + cut);
        QCOMPARE(debug.at(2 + passed), QStringLiteral("KVKTCPthread: < ") + note);
    }

    // Nothing the controllers report is shown before their first datagram, nor after their
    // link is lost: the labels are pink (at start without the form's sample values, after a
    // loss with the last value), the lamps unknown, the buttons in their error state, the locks
    // held, the ticker says that nothing is known. Fresh status brings everything back.
    void unknownUntilReportedAndAfterLoss()
    {
        const QColor pink(255, 192, 192);
        Gui gui;
        const QList<PoLabel*> driveLabels{gui.coordLX, gui.coordU2, gui.coordX, gui.channel1State, gui.channel3Mode};
        const QList<QLabel*> vacuumTexts{gui.lblVacuumState, gui.lblVacuumTime, gui.lblVacuumActive,
                                         gui.VacuumChamber, gui.VacuumGun};
        const QList<StateButton*> buttons{gui.sbDrives, gui.sbTrans, gui.sbLightSpiral, gui.sbDistPult};
        const QStringList locks{"LOCK:LockDrives", "LOCK:LockPult", "LOCK:LockSpiral", "LOCK:LockShutdown"};
        const QImage unknownLamp = QPixmap(QStringLiteral(":/images/indicator_unknown.png")).toImage();
        auto lamp = [](const PoSprite* s) { return s->pixmap(Qt::ReturnByValue).toImage(); };
        auto showsUnknown = [&](bool drive, bool vacuum) {
            for (PoLabel* label : driveLabels)
                if ((windowColour(label) == pink) != drive)
                    return false;
            for (QLabel* label : vacuumTexts)
                if ((windowColour(label) == pink) != vacuum)
                    return false;
            for (PoSprite* s : {gui.indLX, gui.indV, gui.indPHI})
                if ((lamp(s) == unknownLamp) != drive)
                    return false;
            for (StateButton* b : buttons)
                if ((b->state() == StateButton::State4) != drive)
                    return false;
            for (int i = 0; i < locks.size(); ++i)
                if (gui.lock(locks[i])->unknown() != (i < 2 ? drive : vacuum))
                    return false;
            return gui.messageStack()->statusKnown() != drive;
        };
        QVERIFY(showsUnknown(true, true));
        for (PoLabel* label : driveLabels)
            QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
        for (QLabel* label : vacuumTexts)
            QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
        QVERIFY(gui.sbDrives->locked());
        QVERIFY(!gui.sbTrans->isEnabled());
        // The taught points get no current position that was not reported.
        QStringList positions;
        {
            ModalDriver driver;
            driver.next(QStringLiteral("Point"), [&](ModalDialog& d) {
                auto* table = d.find<QTableWidget>(QStringLiteral("tableWidget"));
                for (int row = 0; row < table->rowCount(); ++row)
                    positions << table->item(row, 1)->text();
                d.reject();
            });
            gui.pbPoint->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(positions, (QStringList{"", "", "", "", "", "", "", ""}));

        DriveSimulator drive;
        drive.status().position[DriveStatusPacket::LX1] = 101.5f;
        drive.status().channelState[0] = 3;
        drive.status().drivesOn = 1;
        for (int i = 0; i < DriveStatusPacket::DriveCount; ++i)
            drive.status().driveState[i] = 0xA0102;
        VacuumSimulator vacuum;
        QVERIFY(drive.start(m_ports[0], m_ports[1]));
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        QVERIFY(QTest::qWaitFor([&] { return showsUnknown(false, false); }, 5000));
        QCOMPARE(gui.coordLX->text(), QStringLiteral("101.50"));
        QCOMPARE(gui.channel1State->text(), QStringLiteral("выполнение"));
        QCOMPARE(windowColour(gui.channel1State), QColor(0, 255, 128));
        QCOMPARE(gui.sbDrives->state(), StateButton::State1);
        QCOMPARE(lamp(gui.indLX), QPixmap(QStringLiteral(":/images/indicator_green.png")).toImage());
        QVERIFY(!gui.lblVacuumState->text().isEmpty());
        QVERIFY(!gui.VacuumChamber->text().isEmpty());

        // Both streams stop: the last values stay, marked, and nothing counts as on.
        drive.pauseStream();
        vacuum.pauseStream(VacuumSimulator::Kvk);
        QVERIFY(QTest::qWaitFor([&] { return showsUnknown(true, true); }, 5000));
        QCOMPARE(gui.coordLX->text(), QStringLiteral("101.50"));
        QCOMPARE(gui.channel1State->text(), QStringLiteral("выполнение"));
        QCOMPARE(gui.channelState1(), 0u);
        QVERIFY(!gui.sbTrans->isEnabled());

        // Fresh status: today's values in their own colours.
        drive.status().position[DriveStatusPacket::LX1] = 150.25f;
        drive.status().channelState[0] = 1;
        drive.resumeStream();
        QVERIFY(QTest::qWaitFor([&] { return showsUnknown(false, true); }, 5000));
        QCOMPARE(gui.coordLX->text(), QStringLiteral("150.25"));
        QCOMPARE(gui.channel1State->text(), QStringLiteral("бездействие"));
        QCOMPARE(windowColour(gui.channel1State), QColor(189, 255, 180));
        QVERIFY(gui.sbTrans->isEnabled());
        vacuum.resumeStream(VacuumSimulator::Kvk);
        QVERIFY(QTest::qWaitFor([&] { return showsUnknown(false, false); }, 5000));
    }

    // Status datagrams from another host than a controller's never reach the screen; each such
    // sender is named once per link in a "[W]" line, however many datagrams it sends.
    void statusFromAnotherHost()
    {
        Gui gui;
        DriveSimulator drive;
        VacuumSimulator vacuum;
        drive.status().position[DriveStatusPacket::LX1] = 12.5f;
        QVERIFY(drive.start(m_ports[0], m_ports[1]));
        QVERIFY(vacuum.start(m_ports[2], m_ports[3], m_ports[4], m_ports[5]));
        QVERIFY(QTest::qWaitFor([&] { return gui.coordLX->value() == 12.5f && gui.kvs->kvk()->statusKnown(); }, 5000));

        DriveStatusPacket forged = drive.status();
        forged.position[DriveStatusPacket::LX1] = 999.0f;
        const QByteArray forgedDrive = DriveStatus::encode(forged);
        for (int i = 0; i < 10; ++i) {
            QVERIFY(sendDatagramFrom("127.0.0.2", m_ports[1], forgedDrive));
            QVERIFY(sendDatagramFrom("127.0.0.2", m_ports[5], vacuum.statusDatagram(VacuumSimulator::Kvk)));
        }
        QVERIFY(sendDatagramFrom("127.0.0.3", m_ports[1], forgedDrive));
        const QStringList expected{
            // sorted: the links report on their own threads, in no fixed order
            "[W]Пакеты состояния с чужого адреса 127.0.0.2 отброшены: КВК на адресе 127.0.0.1",
            "[W]Пакеты состояния с чужого адреса 127.0.0.2 отброшены: ЧПУ на адресе 127.0.0.1",
            "[W]Пакеты состояния с чужого адреса 127.0.0.3 отброшены: ЧПУ на адресе 127.0.0.1",
        };
        auto reported = [&gui] { return logLines(gui).filter(QStringLiteral("[W]Пакеты состояния")); };
        QVERIFY(QTest::qWaitFor([&] { return reported().size() >= expected.size(); }, 3000));
        QTest::qWait(300);
        QStringList lines = reported();
        lines.sort();
        QCOMPARE(lines, expected);
        const QStringList shown = rowTexts(gui.lwLog);
        for (const QString& line : expected)
            QVERIFY2(shown.contains(line.mid(3)), qPrintable(line));
        QCOMPARE(gui.coordLX->value(), 12.5f);
    }

    // A message the drive controller raised stays on the ticker when the link is lost, but in
    // the look of what is not known and without its close button; fresh status brings its own
    // look back.
    void tickerWhileDriveLinkLost()
    {
        Gui gui;
        CMessageStack* ticker = gui.messageStack();
        auto backgroundNow = [ticker] { return ticker->grab().toImage().pixelColor(245, 28); };
        auto shows = [&](int numId) { return ticker->currentMessage() && ticker->currentMessage()->numId() == numId; };
        const QColor alarm(229, 102, 102);
        const QColor warning(221, 167, 90);
        const QColor unknown(255, 192, 192);

        auto drive = std::make_unique<DriveSimulator>();
        drive->status().alarmState = 0x1;  // emergency button on the operator's desk: alarm 3
        QVERIFY(drive->start(m_ports[0], m_ports[1]));
        QVERIFY(QTest::qWaitFor([&] { return shows(3); }, 5000));
        QCOMPARE(backgroundNow(), alarm);

        drive.reset();
        QVERIFY(QTest::qWaitFor([&] { return !gui.cncConnected(); }, 5000));
        QVERIFY(shows(3));
        QCOMPARE(backgroundNow(), unknown);

        // Back, with the alarm cleared and the spiral breaker off instead: a warning, which can be
        // confirmed only while it is known.
        drive = std::make_unique<DriveSimulator>();
        drive->status().spiralPower = 0;
        QVERIFY(drive->start(m_ports[0], m_ports[1]));
        QVERIFY(QTest::qWaitFor([&] { return shows(20) && ticker->messages().size() == 1; }, 5000));
        QCOMPARE(backgroundNow(), warning);
        QVERIFY(!ticker->closeButton()->isHidden());
        drive.reset();
        QVERIFY(QTest::qWaitFor([&] { return !gui.cncConnected(); }, 5000));
        QCOMPARE(backgroundNow(), unknown);
        QVERIFY(ticker->closeButton()->isHidden());
    }

    // A command into a dead link is said once as not sent ("[W]", on screen and in the log) and
    // never as done; a burst of one command (name and first argument) gives one line.
    void commandsIntoADeadLink()
    {
        Gui gui;
        gui.speedLX->setValue(100, 0);
        emit gui.pbPlusLX->pressed();
        emit gui.pbPlusLX->released();
        gui.pbStop->click();
        for (int step = 1; step <= 10; ++step)
            gui.lirChangedX(step, 0);
        gui.kvs->kvk()->command(QStringLiteral("ALG(1)"));
        gui.kvs->kvk()->command(QStringLiteral("ALG(3)"));  // another command: named too
        gui.kvs->kvk()->command(QStringLiteral("ALG(3)"));
        QTest::qWait(1100);
        emit gui.pbMinusX->pressed();
        emit gui.pbMinusX->released();

        const QStringList expected{
            "[W]Команда 'MOVE(LX,100)' не отправлена: нет связи с ЧПУ",
            "[W]Команда 'STOP_PRG' не отправлена: нет связи с ЧПУ",
            "[W]Команда 'LIR(LX,10,3000)' не отправлена: нет связи с ЧПУ",
            "[W]Команда 'ALG(1)' не отправлена: нет связи с КВК",
            "[W]Команда 'ALG(3)' не отправлена: нет связи с КВК",
            "[W]Команда 'MOVE(X,0)' не отправлена: нет связи с ЧПУ",
        };
        QStringList reported;
        for (const QString& line : logLines(gui))
            if (line.startsWith("[W]") || line.contains("перемещение"))
                reported << line;
        QCOMPARE(reported, expected);
        const QStringList shown = rowTexts(gui.lwLog);
        for (const QString& line : expected)
            QVERIFY2(shown.contains(line.mid(3)), qPrintable(line));
        // The error state of a button refuses the press: nothing is even tried.
        QTest::mouseClick(gui.sbDrives, Qt::LeftButton);
        QVERIFY(logLines(gui).filter("питание приводов").isEmpty());
    }

    void formAsLaidOut()
    {
        Gui gui;
        QCOMPARE(gui.kvs->geometry(), QRect(0, 100, 900, 900));
        QCOMPARE(gui.contour->geometry(), QRect(900, 130, 550, 870));
        QCOMPARE(gui.frmDrives->geometry(), QRect(1450, 100, 470, 810));
        QCOMPARE(gui.lwLog->geometry(), QRect(560, 0, 800, 195));
        QCOMPARE(gui.lblContour->text(), QStringLiteral("Программа сварки"));
        QCOMPARE(gui.lblDate->text().left(10), QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")));
        QCOMPARE(gui.actExit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
        QVERIFY(gui.actions().contains(gui.actExit));
        QCOMPARE(gui.pbPlusA->accessibleName(), QStringLiteral("LAxisManualMovementBtn"));
        QVERIFY(!gui.lwLog->isWrapping());
        QVERIFY(gui.lwLog->wordWrap());
        QVERIFY(gui.pbEndlessV->isCheckable());
        // The vacuum screen is raised last: it lies above everything it overlaps.
        const QObjectList top = gui.children();
        QWidget* last = nullptr;
        for (QObject* child : top) {
            if (auto* w = qobject_cast<QWidget*>(child); w && !w->isWindow())
                last = w;
        }
        QCOMPARE(last, static_cast<QWidget*>(gui.kvs));
        // The window keeps its absolute layout at another size.
        gui.resize(1280, 800);
        QCOMPARE(gui.frmDrives->geometry(), QRect(1450, 100, 470, 810));
    }

    void startsWithItsForm()
    {
        Gui gui;
        QVERIFY(gui.windowState() & Qt::WindowFullScreen);
        QCOMPARE(gui.size(), QSize(1920, 1200));
        QVERIFY(gui.operatorLog().isOpen());
        QVERIFY(gui.operatorLog().fileName().startsWith(FixedPaths::logDir()
                                                        + QDate::currentDate().toString(QStringLiteral("yyyy_MM_dd"))
                                                        + QStringLiteral("/polog_")));
        QCOMPARE(gui.getUserName(), QStringLiteral(" "));
        QCOMPARE(gui.userRights(), -1);
        QCOMPARE(gui.pointAxes(), (QStringList{"LX", "LY", "A", "B", "C", "D", "U1", "V"}));
        // The optional panels start hidden in their run-time places.
        QVERIFY(gui.frmVirtual->isHidden());
        QCOMPARE(gui.frmVirtual->geometry(), QRect(10, 345, 450, 260));
        QVERIFY(gui.frmLX2->isHidden() && gui.pbInfoLX2->isHidden());
        QVERIFY(gui.frmU2->isHidden() && gui.pbInfoU2->isHidden());
        QVERIFY(gui.pultRegime->isHidden());
        // The state buttons as the main window sets them up.
        QCOMPARE(gui.sbShutdown->captionLabel()->text(), QStringLiteral("Выключение\nсистемы"));
        // Nothing reported yet: the error state, which refuses a press.
        QCOMPARE(gui.sbDrives->stateLabel()->text(), QStringLiteral("[ошибка]"));
        QVERIFY(gui.sbDrives->locked());
        gui.sbDrives->setState(0);
        QCOMPARE(gui.sbDrives->stateLabel()->text(), QStringLiteral("[выключены]"));
        for (const char* axis : {"LX", "LX2", "LY", "A", "B", "C", "D", "U1", "U2", "V"})
            QVERIFY2(gui.axisObject(QLatin1String(axis)), axis);
        QVERIFY(!gui.axisObject(QStringLiteral("X")));
        // The ticker sits in its header frame and follows the message server.
        QCOMPARE(gui.messageStack()->parentWidget(), gui.frErrorDiagnostic);
        QCOMPARE(gui.messageStack()->pos(), QPoint(5, 24));
        gui.messageServer()->slotAddMessage(2, 1234, 0);
        QVERIFY(gui.messageStack()->getMessageIndex(1234) >= 0);
        gui.messageServer()->slotDeleteMessage(1234);
        QCOMPARE(gui.messageStack()->getMessageIndex(1234), -1);
    }

    void locksFollowTheirSlots_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("slot");
        QTest::addColumn<bool>("inverted");
        QTest::newRow("drives") << "LOCK:LockDrives" << "changedDrivesLock" << false;
        QTest::newRow("spiral") << "LOCK:LockSpiral" << "onChangedSpiralLock" << false;
        QTest::newRow("pult") << "LOCK:LockPult" << "onChangedDrivesState" << true;
        QTest::newRow("shutdown") << "LOCK:LockShutdown" << "onChangedShutdownLock" << false;
    }
    void locksFollowTheirSlots()
    {
        QFETCH(QString, name);
        QFETCH(QString, slot);
        QFETCH(bool, inverted);
        Gui gui;
        Lock* lock = gui.lock(name);
        // Held until its slot first runs: nothing is known of the condition.
        QVERIFY(lock->state());
        QVERIFY(lock->unknown());
        for (bool value : {true, false, true}) {
            QVERIFY(QMetaObject::invokeMethod(&gui, slot.toLatin1().constData(), Q_ARG(bool, value)));
            QCOMPARE(lock->state(), value != inverted);
        }
    }

    void operatorMessages()
    {
        Gui gui;
        const int before = gui.lwLog->count();
        gui.prgMessage(QStringLiteral("[I]только в файл"), false);
        QCOMPARE(gui.lwLog->count(), before);
        gui.prgMessage(QStringLiteral("[A]Авария"), true);
        gui.prgMessage(QStringLiteral("[i]как есть"), true);
        QCOMPARE(gui.lwLog->count(), before + 2);
        QListWidgetItem* alarm = gui.lwLog->item(before);
        QCOMPARE(alarm->text().mid(11), QStringLiteral("Авария"));
        QCOMPARE(alarm->foreground().color(), QColor(Qt::red));
        QVERIFY(!alarm->icon().isNull());
        QListWidgetItem* plain = gui.lwLog->item(before + 1);
        QCOMPARE(plain->text().mid(11), QStringLiteral("[i]как есть"));
        QVERIFY(plain->icon().isNull());
        // The last row becomes current once the lines at hand are in.
        QTRY_COMPARE(gui.lwLog->currentRow(), before + 1);
        const QStringList lines = logLines(gui);
        QCOMPARE(lines.mid(lines.size() - 3),
                 (QStringList{"[I]только в файл", "[A]Авария", "[i]как есть"}));

        // Whatever a message carries (a name from a file, a controller's words), it is one line
        // of the log and one row of the list: a line break cannot forge a line of its own.
        gui.prgMessage(QStringLiteral("[W]Ошибка\n[10:00:00] [I]Нажата кнопка 'Выход'\r\t\u2028\x1b"), true);
        const QString single = QStringLiteral("[W]Ошибка [10:00:00] [I]Нажата кнопка 'Выход'    ");
        QCOMPARE(logLines(gui).mid(lines.size()), QStringList{single});
        QCOMPARE(gui.lwLog->count(), before + 3);
        QCOMPARE(gui.lwLog->item(before + 2)->text().mid(11), single.mid(3));
    }

    // One more shown line costs as little with 10,000 rows in the list as with a few, a burst of
    // lines is laid out once, and a long line does not change the height of the rows. (Costs are
    // this thread's processor time, which other processes do not stretch, and are bounded by
    // each other: a burst laid out for each line costs some hundred lines, not forty; a
    // sanitizer build on a loaded machine took some twenty-five.)
    void logListKeepsItsPace()
    {
        Gui gui;
        gui.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gui));
        auto settle = [] {
            for (int i = 0; i < 3; ++i)
                QCoreApplication::processEvents();
        };
        // The median cost of one shown line, the list laid out and the line made current.
        auto lineCostMs = [&] {
            QVector<double> ms;
            for (int i = 0; i < 21; ++i) {
                const qint64 start = threadCpuNs();
                gui.prgMessage(QStringLiteral("[A]Строка %1").arg(i), true);
                settle();
                ms << (threadCpuNs() - start) / 1e6;
                if (gui.lwLog->currentRow() != gui.lwLog->count() - 1)
                    return -1.0;
            }
            std::sort(ms.begin(), ms.end());
            return ms.at(ms.size() / 2);
        };
        settle();
        const double few = lineCostMs();
        QVERIFY(few >= 0);
        const int rowHeight = gui.lwLog->visualItemRect(gui.lwLog->item(0)).height();
        QVERIFY(rowHeight > 0);

        // Rows as earlier messages left them.
        while (gui.lwLog->count() < 10000)
            gui.lwLog->addItem(QStringLiteral("[12:00:00] Дверь закрыта"));
        settle();
        const double many = lineCostMs();
        QVERIFY(many >= 0);
        qInfo("one shown line: %.3f ms at a few rows, %.3f ms at 10,000", few, many);
        // The bound: what a line costs at a few rows, grown by the layout of a capped list.
        const double bound = 10 * few + 1.0;
        QVERIFY2(many < bound, qPrintable(QStringLiteral("%1 ms at 10,000 rows, %2 at a few").arg(many).arg(few)));

        // A burst of lines, as a flapping controller brings them.
        const qint64 burstStart = threadCpuNs();
        for (int i = 0; i < 100; ++i)
            gui.prgMessage(QStringLiteral("[W]Пачка %1").arg(i), true);
        settle();
        const double burst = (threadCpuNs() - burstStart) / 1e6;
        qInfo("a burst of 100 lines: %.3f ms", burst);
        QVERIFY2(burst < 40 * many + 2.0, qPrintable(QStringLiteral("%1 ms, one line %2").arg(burst).arg(many)));
        QCOMPARE(gui.lwLog->currentRow(), gui.lwLog->count() - 1);
        QVERIFY(gui.lwLog->viewport()->rect().intersects(gui.lwLog->visualItemRect(gui.lwLog->currentItem())));

        // A message longer than the row keeps to one row (ending in "…" there), and the rows
        // around it keep their height.
        gui.prgMessage(QStringLiteral("[I]") + QStringLiteral("очень длинное сообщение ").repeated(20), true);
        settle();
        QCOMPARE(gui.lwLog->visualItemRect(gui.lwLog->item(0)).height(), rowHeight);
        QCOMPARE(gui.lwLog->visualItemRect(gui.lwLog->currentItem()).height(), rowHeight);

        // Hours of lines (the list lays out every row it holds for each new one): the list keeps
        // the newest of them, the operator log all, and one more line still costs as little.
        const int hours = 100000;
        const int logged = logLines(gui).size();
        for (int i = 0; i < hours; ++i)
            gui.prgMessage(QStringLiteral("[I]Час %1").arg(i), true);
        settle();
        QCOMPARE(logLines(gui).size(), logged + hours);
        QCOMPARE(gui.lwLog->count(), Gui::LogListRows);
        QCOMPARE(gui.lwLog->item(0)->text().mid(11), QStringLiteral("Час %1").arg(hours - Gui::LogListRows));
        QCOMPARE(gui.lwLog->currentRow(), Gui::LogListRows - 1);
        const double late = lineCostMs();
        QVERIFY(late >= 0);
        qInfo("one shown line after %d lines: %.3f ms", hours, late);
        QVERIFY2(late < bound, qPrintable(QString::number(late)));
    }

    // An installation without its log folder gets one; where none can be made (a file stands in
    // its place) the console runs on and says in its log list that nothing is written.
    void logFolderMadeWhenMissing()
    {
        QVERIFY(QDir(FixedPaths::logDir()).removeRecursively());
        {
            Gui gui;
            QVERIFY(gui.operatorLog().isOpen());
            gui.prgMessage(QStringLiteral("[I]с журналом"), false);
            QCOMPARE(logLines(gui).last(), QStringLiteral("[I]с журналом"));
        }
        QVERIFY(QDir(FixedPaths::logDir()).removeRecursively());
        QFile blocker(FixedPaths::logDir().chopped(1));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        {
            Gui gui;
            QVERIFY(!gui.operatorLog().isOpen());
            QCOMPARE(rowTexts(gui.lwLog),
                     QStringList{"Журнал оператора не записывается: не удалось создать файл в папке /log/"});
            gui.prgMessage(QStringLiteral("[W]без журнала"), true);
            QCOMPARE(gui.lwLog->item(gui.lwLog->count() - 1)->text().mid(11), QStringLiteral("без журнала"));
        }
        QVERIFY(blocker.remove());
        TestEnv::makeInstallationFolders();
    }

    void firstLoginCancelled()
    {
        Gui gui;
        QSignalSpy users(&gui, &Gui::signalUserChange);
        ModalDriver driver;
        driver.next(QStringLiteral("AutorizationDialog"), [](ModalDialog& login) { login.reject(); });
        QVERIFY(!gui.autorizationAccepted());
        QVERIFY(driver.done());
        QCOMPARE(users.size(), 1);
        QCOMPARE(users.at(0).at(0).toInt(), -1);
        QCOMPARE(gui.userRights(), -1);
        QVERIFY(gui.pbConstants->isHidden());
        QCOMPARE(logLines(gui).last(),
                 QStringLiteral("[I]Регистрация пользователя - Администратор Администратор"));
    }

    void loginAndChangeOfUser()
    {
        Gui gui;
        const int earlier = logLines(gui).size();  // a window of the same second shares the file
        QSignalSpy users(&gui, &Gui::signalUserChange);
        {
            ModalDriver driver;
            driver.next(QStringLiteral("AutorizationDialog"), logIn);
            QVERIFY(gui.autorizationAccepted());
            QVERIFY(driver.done());
        }
        QCOMPARE(gui.userRights(), 0);
        QCOMPARE(gui.getUserName(), QStringLiteral("Администратор Администратор"));
        QVERIFY(!gui.pbConstants->isHidden());
        QCOMPARE(gui.kvs->userRights(), 0);
        QCOMPARE(gui.contour->userRights(), 0);
        QVERIFY(!gui.kvs->lock(QStringLiteral("REGIME:LockUser"))->state());

        // Change of user cancelled: the previous user's labels stay, everyone hears -1.
        {
            ModalDriver driver;
            driver.next(QStringLiteral("AutorizationDialog"), [](ModalDialog& login) { login.reject(); });
            QTest::mouseClick(gui.pbChangeUser, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(gui.userRights(), -1);
        QCOMPARE(gui.lblUserName->text(), QStringLiteral("Администратор"));
        QCOMPARE(gui.getUserName(), QStringLiteral("Администратор Администратор"));
        QVERIFY(gui.pbConstants->isHidden());
        QCOMPARE(gui.kvs->userRights(), -1);
        QCOMPARE(gui.contour->userRights(), -1);
        // Nobody is logged in now: the setup mode is not for anybody.
        QVERIFY(gui.kvs->lock(QStringLiteral("REGIME:LockUser"))->state());

        // Change of user accepted.
        {
            ModalDriver driver;
            driver.next(QStringLiteral("AutorizationDialog"), logIn);
            QTest::mouseClick(gui.pbChangeUser, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(gui.userRights(), 0);

        QCOMPARE(users.size(), 3);
        QCOMPARE(users.at(0).at(0).toInt(), 0);
        QCOMPARE(users.at(1).at(0).toInt(), -1);
        QCOMPARE(users.at(2).at(0).toInt(), 0);
        const QString registered = QStringLiteral("[I]Регистрация пользователя - Администратор Администратор");
        const QString pressed = QStringLiteral("[I]Нажата кнопка 'Смена пользователя'");
        const QString notChanged = QStringLiteral("[I]Смена пользователя не выполнена");
        QCOMPARE(logLines(gui).mid(earlier), (QStringList{registered, pressed, notChanged, pressed, registered}));
        QCOMPARE(rowTexts(gui.lwLog), (QStringList{"Регистрация пользователя - Администратор Администратор",
                                                   "Смена пользователя не выполнена",
                                                   "Регистрация пользователя - Администратор Администратор"}));
    }

    void exitByKeysAndButton()
    {
        Gui gui;
        gui.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gui));

        // Ctrl+Q ends the loop at once.
        QCOMPARE(TestEnv::runLoop([&gui] { QTest::keyClick(&gui, Qt::Key_Q, Qt::ControlModifier); }), 0);
        QCOMPARE(logLines(gui).last(),
                 QStringLiteral("[I]Выполнен выход из программы автоматической сварки по комбинации клавиш"));

        // The exit button asks first; "Нет" leaves the program running and logs nothing.
        const int lines = logLines(gui).size();
        {
            ModalDriver driver;
            driver.next(QStringLiteral("Confirm"), [](ModalDialog& confirm) {
                QCOMPARE(qobject_cast<Confirm*>(confirm.dialog())->timeout(), 5);
                QCOMPARE(confirm.text(QStringLiteral("lblText")),
                         QStringLiteral("Вы хотите выйти из программы оператора?"));
                confirm.click(QStringLiteral("pbNo"));
            });
            QTest::mouseClick(gui.pbCloseProgram, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QVERIFY(noExitRequested());
        QCOMPARE(logLines(gui).size(), lines);

        ModalDriver driver;
        driver.next(QStringLiteral("Confirm"), [](ModalDialog& confirm) { confirm.click(QStringLiteral("pbYes")); });
        QCOMPARE(TestEnv::runLoop([&gui] { QTest::mouseClick(gui.pbCloseProgram, Qt::LeftButton); }), 0);
        QVERIFY(driver.done());
        QCOMPARE(logLines(gui).last(),
                 QStringLiteral("[I]Выполнен выход из программы автоматической сварки по кнопке"));
        QVERIFY(m_runner->shellCommands.isEmpty());
    }

    void powerOffOnlyAfterYes()
    {
        Gui gui;
        gui.show();
        QVERIFY(QTest::qWaitForWindowExposed(&gui));
        gui.onChangedShutdownLock(false);  // the vacuum system reports itself stopped
        {
            ModalDriver driver;
            driver.next(QStringLiteral("Confirm"), [](ModalDialog& confirm) {
                QCOMPARE(confirm.text(QStringLiteral("lblText")), QStringLiteral("Выключить установку?"));
                confirm.click(QStringLiteral("pbNo"));
            });
            QTest::mouseClick(gui.sbShutdown, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QVERIFY(m_runner->shellCommands.isEmpty());
        QVERIFY(noExitRequested());

        m_runner->shellResult = 1;  // a refused command is reported, and the program still ends
        QTest::ignoreMessage(QtWarningMsg, "\"sudo /sbin/shutdown -h now\" failed (status 1)");
        ModalDriver driver;
        driver.next(QStringLiteral("Confirm"), [](ModalDialog& confirm) { confirm.click(QStringLiteral("pbYes")); });
        QCOMPARE(TestEnv::runLoop([&gui] { QTest::mouseClick(gui.sbShutdown, Qt::LeftButton); }), 0);
        QVERIFY(driver.done());
        QCOMPARE(m_runner->shellCommands, QStringList{QStringLiteral("sudo /sbin/shutdown -h now")});
        QCOMPARE(logLines(gui).last(), QStringLiteral("[I]Завершение работы установки выполнено"));
    }

    void clockWritesThePendantBlock()
    {
        Gui gui;
        PultShare pendant;  // a second view of the same segment
        gui.setEnabled(false);
        gui.onTimeChanged();
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$")).match(gui.lblTime->text()).hasMatch());
        QVERIFY(TestEnv::readsBack([&pendant] { return pendant.getBlockGui(); }));
        QCOMPARE(pendant.getFuncLeftEncoder(), 0u);
        QCOMPARE(pendant.getFuncRightEncoder(), 0u);
        QCOMPARE(pendant.getFuncDistEncoder(), 0u);
        gui.setEnabled(true);
        QVERIFY(TestEnv::readsBack([&pendant] { return !pendant.getBlockGui(); }));  // the clock's own tick
        // No beam-unit program counts: its indicator is red.
        QCOMPARE(windowColour(gui.lblELA), QColor(Qt::red));
    }

    // The beam unit's program holding the lock of its block (hung, or stopped while it held it)
    // does not stall the clock's tick: the tick returns at once and shows the program as not
    // alive; once the program lets go and counts on, it shows alive again.
    void companionHoldingItsLock()
    {
        if (LockHolder::holdIfAsked())
            return;
        Gui gui;
        QSharedMemory companion(QStringLiteral("ELA_SHM_KEY"));
        QVERIFY(companion.attach());
        quint64 counter = 0;
        auto countOn = [&] {
            ++counter;
            companion.lock();
            std::memcpy(companion.data(), &counter, sizeof counter);
            companion.unlock();
        };
        // A tick whose read a loaded machine leaves undone shows the program as not alive; one
        // of the next few reads it.
        auto aliveAgain = [&] {
            return TestEnv::readsBack([&] {
                countOn();
                gui.onTimeChanged();
                return windowColour(gui.lblELA) == QColor(Qt::green);
            });
        };
        QVERIFY(aliveAgain());

        countOn();
        LockHolder holder;
        QVERIFY(holder.start(QStringLiteral("ELA_SHM_KEY"), 3000));
        QElapsedTimer clock;
        clock.start();
        gui.onTimeChanged();
        // The holder keeps the lock 3 s: a tick that waited for it would take that long.
        const qint64 tick = clock.elapsed();
        QVERIFY2(tick < 1500, qPrintable(QString::number(tick)));
        QCOMPARE(windowColour(gui.lblELA), QColor(Qt::red));

        QVERIFY(holder.finish());
        QVERIFY(aliveAgain());
    }

    void settingsAtExit()
    {
        {
            Gui gui;
            QCOMPARE(gui.speedLX->value(), 0.0f);
            gui.speedLX->setValue(1500, 0);
            gui.speedU->setValue(12, 0);
            gui.speedPHI->setValue(900, 0);
        }
        {
            QSettings settings(FixedPaths::settingsFile(), QSettings::IniFormat);
            QStringList own;
            for (const QString& key : settings.allKeys()) {
                // The controllers' addresses, and the weld program editor's own group.
                if (!key.startsWith(QLatin1String("Network/")) && !key.startsWith(QLatin1String("Contour/")))
                    own << key;
            }
            own.sort();
            QStringList expected{"LIR/A", "LIR/B", "LIR/C", "LIR/D", "LIR/LX", "LIR/LY", "LIR/U", "LIR/V",
                                 "speedA", "speedB", "speedC", "speedD", "speedLX", "speedLY", "speedPHI",
                                 "speedU", "speedV", "speedX", "speedZ"};
            expected.sort();
            QCOMPARE(own, expected);
            QCOMPARE(settings.value(QStringLiteral("speedLX")).toInt(), 1500);
        }
        Gui gui;
        QCOMPARE(gui.speedLX->text(), QStringLiteral("1500"));
        QCOMPARE(gui.speedLX2->text(), QStringLiteral("1500"));
        QCOMPARE(gui.speedU2->text(), QStringLiteral("12"));
        QCOMPARE(gui.speedPHI->text(), QStringLiteral("900"));
        QCOMPARE(gui.speedV->text(), QStringLiteral("0"));
    }

    // A damaged settings file set aside before there was a log (its first reader came before the
    // window) is in the log and the list all the same, once the log is open.
    void damagedSettingsFileInTheLog()
    {
        QFile file(FixedPaths::settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray prepared = file.readAll();
        file.close();
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[A]\nk=@Variant(\\0\\0\\0\\b\\0\\0\\0\\0)\n");  // a map: no kind the console stores
        file.close();
        QVERIFY(SettingsFile::open()->allKeys().isEmpty());
        QVERIFY(QFile::exists(FixedPaths::settingsFile() + QStringLiteral(".bad")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(prepared);
        file.close();

        Gui gui;
        const QString told = QStringLiteral("[W]Файл настроек /home/oper/bin/settings.ini повреждён: он сохранён как "
                                            "settings.ini.bad, используются настройки по умолчанию");
        QCOMPARE(logLines(gui).count(told), 1);
        QCOMPARE(rowTexts(gui.lwLog).count(told.mid(3)), 1);
        QVERIFY(QFile::remove(FixedPaths::settingsFile() + QStringLiteral(".bad")));
    }

    void weldProgramEditorAtStartAndExit()
    {
        // The editor loads "contour" as the form is built, and the main window shows its name.
        QDir().mkpath(CONTOUR::contourFolder());
        QFile file(CONTOUR::contourFolder() + QStringLiteral("contour.save"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("Фланец\nXYZ\n-1 0 0\n0 -1\n0 1\n600\n1\n1.00 2.00 3.00 0 \n2\n+ 0 0 700 0 0 600 2 \n+ 0 0 700 0 0 600 2 \n");
        file.close();
        QString logFile;
        {
            Gui gui;
            QCOMPARE(gui.lblContour->text(), QStringLiteral("Фланец"));
            QCOMPARE(gui.programName(), QStringLiteral("Фланец"));
            QCOMPARE(gui.contour->twContour->rowCount(), 1);
            logFile = gui.operatorLog().fileName();
        }
        // At exit it saves the program as "contour", and that last line still reaches the log.
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("contour\nXYZ\n"));
        QFile log(logFile);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(log.readAll()).contains(QStringLiteral("[I]Контур сохранён в файле contour.save")));
        QFile::remove(CONTOUR::contourFolder() + QStringLiteral("contour.save"));
    }

    // An installation without its contours folder gets one: the save button and the autosave at
    // exit both write their files. A folder that cannot be made is said in the log each time.
    void contoursFolderMadeWhenMissing()
    {
        const QString folder = CONTOUR::contourFolder();
        QDir(folder).removeRecursively();
        QString logFile;
        {
            Gui gui;
            logFile = gui.operatorLog().fileName();
            gui.contour->init(new SchemaXYZ);
            ModalDriver driver;
            driver.next("FileManager", [](ModalDialog& d) {
                d.click("pbSave_as");
                d.type("leSaveAsNewProgName", QStringLiteral("weld"));
                d.key("leSaveAsNewProgName", Qt::Key_Return);
            });
            gui.contour->pbSave->click();
            QVERIFY(driver.done());
            QVERIFY(QFile::exists(folder + QStringLiteral("weld.save")));
        }
        QVERIFY(QFile::exists(folder + QStringLiteral("contour.save")));
        QVERIFY(logLinesOf(logFile).contains(QStringLiteral("[I]Контур сохранён в файле weld.save")));

        // A file stands where the folder should be.
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder.chopped(1));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        {
            Gui gui;
            logFile = gui.operatorLog().fileName();
            gui.contour->init(new SchemaXYZ);
            gui.contour->save(QStringLiteral("weld"), CONTOUR::contourDir() + QStringLiteral("weld"), true);
        }
        const QString refused = QStringLiteral("[W]Контур не сохранён: не удалось создать папку ") +
                                CONTOUR::contourDir().chopped(1);
        QCOMPARE(logLinesOf(logFile).count(refused), 2);  // the button's save and the autosave
        QVERIFY(blocker.remove());
    }

    // The settings file is editable by hand: a stored speed is held to 0..the axis's top speed,
    // so that no jog or fixed move runs faster than the axis may or the wrong way.
    void storedSpeedsAreBounded()
    {
        {
            QSettings settings(FixedPaths::settingsFile(), QSettings::IniFormat);
            settings.setValue(QStringLiteral("speedLX"), 999999);
            settings.setValue(QStringLiteral("speedX"), -500);
            settings.setValue(QStringLiteral("speedU"), 121);
            settings.setValue(QStringLiteral("speedPHI"), 900);
            settings.setValue(QStringLiteral("speedA"), QStringLiteral("быстро"));
        }
        Gui gui;
        const QList<QPair<PoLabel*, float>> expected{{gui.speedLX, 3000}, {gui.speedLX2, 3000}, {gui.speedX, 0},
                                                     {gui.speedU, 120},   {gui.speedU2, 120},  {gui.speedPHI, 900},
                                                     {gui.speedA, 0}};
        for (const auto& [label, speed] : expected)
            QCOMPARE(label->value(), speed);
        QCOMPARE(gui.axis(QStringLiteral("LX"))->speed(), 3000);
    }
};

POKAVRO_TEST_MAIN(TestGui)
#include "tst_gui.moc"
