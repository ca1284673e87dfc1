#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QtTest>
#include <memory>

#include "axis.h"
#include "gui.h"
#include "message.h"
#include "messageserver.h"
#include "messagestack.h"
#include "cunibutton.h"
#include "operatorlines.h"
#include "statebutton.h"
#include "testenv.h"
#include "widgets.h"

// The main window's status slots called directly, with no controller answering.
class TestGuiStatus : public QObject
{
    Q_OBJECT

    std::unique_ptr<RecordingBoxes> m_boxes;
    std::unique_ptr<RecordingRunner> m_runner;
    std::unique_ptr<Gui> m_gui;
    std::unique_ptr<OperatorLines> m_log;

    static QColor background(const QWidget* w) { return w->palette().color(QPalette::Window); }
    static QImage sprite(const char* name)
    {
        return QPixmap(QStringLiteral(":/images/indicator_%1.png").arg(QLatin1String(name))).toImage();
    }
    static bool shows(const PoSprite* s, const char* name)
    {
        return s->pixmap(Qt::ReturnByValue).toImage() == sprite(name);
    }

private slots:
    void initTestCase()
    {
        TestEnv::prepareConsole();
        m_boxes = std::make_unique<RecordingBoxes>();
        m_runner = std::make_unique<RecordingRunner>();
        m_gui = std::make_unique<Gui>();
        m_log = std::make_unique<OperatorLines>(m_gui->operatorLog().fileName());
    }
    void cleanupTestCase()
    {
        m_gui.reset();
        m_runner.reset();
        m_boxes.reset();
    }
    void init() { m_log->skip(); }

    void channelStates_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<uint>("state");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("line");
        const QString none;
        QTest::newRow("1: 0") << 1 << 0u << "неопределено\n(0)"
                              << "[A]Канал 1: состояние неопределено - ошибка связи";
        QTest::newRow("2: 1") << 2 << 1u << "бездействие" << "[I]Канал 2: бездействие";
        QTest::newRow("3: 2") << 3 << 2u << "готов" << "[I]Канал 3: готовность";
        QTest::newRow("1: 3") << 1 << 3u << "выполнение" << "[C]Канал 1: выполнение автоматической программы";
        QTest::newRow("2: 4") << 2 << 4u << "резервное" << none;
        QTest::newRow("3: 5") << 3 << 5u << "резервное" << none;
        QTest::newRow("1: 6") << 1 << 6u << "ошибка" << "[A]Канал 1: ошибка в канале";
        QTest::newRow("2: 7") << 2 << 7u << "резервное" << none;
        QTest::newRow("3: 8") << 3 << 8u << "сброс" << "[I]Канал 3: сброс состояния канала";
        QTest::newRow("1: 9") << 1 << 9u << "загрузка\nпрограммы" << "[I]Канал 1: загрузка программы";
        QTest::newRow("2: 10") << 2 << 10u << "cancel distance to go\nPreparation" << none;
        QTest::newRow("3: 11") << 3 << 11u << "cancel distance to go\nRunning" << none;
        QTest::newRow("1: 12") << 1 << 12u << "готовность" << "[I]Канал 1: готовность к старту программы";
        QTest::newRow("2: 13") << 2 << 13u << "ожидание\nпродолжения"
                               << "[I]Канал 2: готовность к продолжению программы";
        QTest::newRow("3: 14") << 3 << 14u << "неопределено\n(14)"
                               << "[A]Канал 3: состояние неопределено - ошибка связи";
        QTest::newRow("3: 3") << 3 << 3u << "выполнение" << "[C]Канал 3: выполнение автоматической программы";
    }
    void channelStates()
    {
        QFETCH(int, channel);
        QFETCH(uint, state);
        QFETCH(QString, text);
        QFETCH(QString, line);
        Gui& g = *m_gui;
        PoLabel* labels[] = {g.channel1State, g.channel2State, g.channel3State};
        switch (channel) {
        case 1: g.onChangedChannelState1(state); break;
        case 2: g.onChangedChannelState2(state); break;
        default: g.onChangedChannelState3(state); break;
        }
        QCOMPARE(labels[channel - 1]->text(), text);
        QCOMPARE(background(labels[channel - 1]), state == 3 ? QColor(0, 255, 128) : QColor(189, 255, 180));
        QCOMPARE(m_log->fresh(), line.isEmpty() ? QStringList() : QStringList{line});
        // The log list shows the line too.
        if (!line.isEmpty())
            QVERIFY(g.lwLog->item(g.lwLog->count() - 1)->text().endsWith(line.mid(3)));
    }

    void channelModes_data()
    {
        QTest::addColumn<uint>("mode");
        QTest::addColumn<QString>("text");
        QTest::newRow("1") << 1u << "ручной";
        QTest::newRow("2") << 2u << "2";
        QTest::newRow("4") << 4u << "MDI";
        QTest::newRow("5") << 5u << "автомат";
        QTest::newRow("14") << 14u << "WCS";
        QTest::newRow("0") << 0u << "0";
        QTest::newRow("4294967295") << 4294967295u << "4294967295";
    }
    void channelModes()
    {
        QFETCH(uint, mode);
        QFETCH(QString, text);
        Gui& g = *m_gui;
        g.onChangedChannelMode1(mode);
        g.onChangedChannelMode2(mode);
        g.onChangedChannelMode3(mode);
        for (PoLabel* label : {g.channel1Mode, g.channel2Mode, g.channel3Mode})
            QCOMPARE(label->text(), text);
        QCOMPARE(m_log->fresh(), QStringList());
    }

    void updateTrans_data()
    {
        QTest::addColumn<bool>("drivesOn");
        QTest::addColumn<uint>("channel1");
        QTest::addColumn<bool>("enabled");
        for (bool drives : {false, true})
            for (uint state : {0u, 1u, 2u, 3u, 6u})
                QTest::addRow("drives %s, channel 1 in %u", drives ? "on" : "off", state)
                    << drives << state << (drives && state == 1);
    }
    void updateTrans()
    {
        QFETCH(bool, drivesOn);
        QFETCH(uint, channel1);
        QFETCH(bool, enabled);
        Gui& g = *m_gui;
        // Either order of arrival gives the same result.
        g.onChangedDrivesState(!drivesOn);
        g.onChangedChannelState1(channel1);
        g.onChangedDrivesState(drivesOn);
        QCOMPARE(g.sbTrans->isEnabled(), enabled);
        QCOMPARE(g.lock(QStringLiteral("LOCK:LockPult"))->state(), !drivesOn);
        g.onChangedChannelState1(channel1 == 1 ? 2 : 1);
        g.onChangedChannelState1(channel1);
        QCOMPARE(g.sbTrans->isEnabled(), enabled);
    }

    void transformationLayout()
    {
        Gui& g = *m_gui;
        g.onChangedX(12.345f);
        g.onChangedZ(-7.5f);
        g.onChangedPHI(90.0f);
        QCOMPARE(g.coordX->text(), QStringLiteral("12.35"));
        g.onChangedStateVirtual(3);
        QVERIFY(shows(g.indZ, "red"));

        g.onChangedTransOn(true);
        QCOMPARE(g.sbTrans->state(), StateButton::State1);
        for (QWidget* w : {(QWidget*)g.frmA, (QWidget*)g.frmB, (QWidget*)g.frmC, (QWidget*)g.pbInfoA,
                           (QWidget*)g.pbInfoB, (QWidget*)g.pbInfoC})
            QVERIFY2(w->isHidden(), qPrintable(w->objectName()));
        QVERIFY(!g.frmVirtual->isHidden());
        QCOMPARE(g.frmD->geometry(), QRect(0, 185, 450, 75));
        QCOMPARE(g.pbInfoD->geometry(), QRect(385, 195, 55, 55));
        QCOMPARE(g.frameManip->geometry(), QRect(10, 80, 450, 525));
        QCOMPARE(g.coordX->text(), QStringLiteral("12.35"));
        QCOMPARE(g.coordZ->text(), QStringLiteral("-7.50"));
        QCOMPARE(g.coordPHI->text(), QStringLiteral("90.00"));
        // The lamps keep the state the controller reported: no green it did not send.
        for (PoSprite* s : {g.indX, g.indZ, g.indPHI})
            QVERIFY(shows(s, "red"));

        g.onChangedTransOn(false);
        QCOMPARE(g.sbTrans->state(), StateButton::State0);
        for (QWidget* w : {(QWidget*)g.frmA, (QWidget*)g.frmB, (QWidget*)g.frmC, (QWidget*)g.pbInfoA,
                           (QWidget*)g.pbInfoB, (QWidget*)g.pbInfoC})
            QVERIFY2(!w->isHidden(), qPrintable(w->objectName()));
        QVERIFY(g.frmVirtual->isHidden());
        QCOMPARE(g.frmD->geometry(), QRect(0, 425, 450, 75));
        QCOMPARE(g.pbInfoD->geometry(), QRect(385, 435, 55, 55));
        QCOMPARE(g.frameManip->geometry(), QRect(10, 80, 450, 500));
        QCOMPARE(m_log->fresh(), QStringList());
    }

    void virtualState_data()
    {
        QTest::addColumn<uint>("state");
        QTest::addColumn<QString>("sprite");
        QTest::newRow("0 grey") << 0u << "gray";
        QTest::newRow("1 yellow") << 1u << "yellow";
        QTest::newRow("2 green") << 2u << "green";
        QTest::newRow("3 red") << 3u << "red";
        QTest::newRow("4 yellow") << 4u << "yellow";
        QTest::newRow("5 unchanged") << 5u << "";
        QTest::newRow("1000 unchanged") << 1000u << "";
    }
    void virtualState()
    {
        QFETCH(uint, state);
        QFETCH(QString, sprite);
        Gui& g = *m_gui;
        g.onChangedStateVirtual(3);  // red before
        g.onChangedStateVirtual(state);
        QCOMPARE(g.virtualState(), state);
        const QByteArray expected = sprite.isEmpty() ? QByteArray("red") : sprite.toLatin1();
        for (PoSprite* s : {g.indX, g.indZ, g.indPHI})
            QVERIFY(shows(s, expected.constData()));
    }

    void endSwitchesAndSecondPanels()
    {
        Gui& g = *m_gui;
        g.onChangedEpX(true);
        g.onChangedNpPHI(true);
        QVERIFY(!g.pbPlusX->isEnabled());
        QVERIFY(g.pbMinusX->isEnabled());
        QVERIFY(!g.pbMinusPHI->isEnabled());
        g.onChangedEpX(false);
        g.onChangedNpPHI(false);
        QVERIFY(g.pbPlusX->isEnabled());
        QVERIFY(g.pbMinusPHI->isEnabled());

        QSignalSpy lx(&g, &Gui::signalSecondXPanelShow);
        QSignalSpy u(&g, &Gui::signalSecondUPanelShow);
        g.showSecondLXAxis(true);
        QVERIFY(!g.frmLX2->isHidden() && !g.pbInfoLX2->isHidden());
        QVERIFY(g.frmU2->isHidden());
        g.showSecondUAxis(true);
        g.showSecondLXAxis(false);
        QVERIFY(g.frmLX2->isHidden() && g.pbInfoLX2->isHidden());
        QVERIFY(!g.frmU2->isHidden() && !g.pbInfoU2->isHidden());
        g.showSecondUAxis(false);
        QCOMPARE(lx.count(), 2);
        QCOMPARE(lx.at(1).at(0).toBool(), false);
        QCOMPARE(u.count(), 2);
        QCOMPARE(u.at(0).at(0).toBool(), true);
    }

    void keyLockCover()
    {
        Gui& g = *m_gui;
        g.onAccessChanged(true);
        QVERIFY(!g.accessPanel());
        g.onAccessChanged(false);
        QPointer<QLabel> cover = qobject_cast<QLabel*>(g.accessPanel());
        QVERIFY(cover);
        QVERIFY(!g.isEnabled());
        QCOMPARE(cover->parentWidget(), static_cast<QWidget*>(&g));
        QCOMPARE(cover->text(), QStringLiteral("Панель управления заблокирована"));
        QCOMPARE(cover->geometry(), QRect(600, 460, 720, 280));
        QCOMPARE(cover->font().pixelSize(), 30);
        QCOMPARE(background(cover), QColor(Qt::red));
        QVERIFY(!cover->isHidden());
        QCOMPARE(QWidget::keyboardGrabber(), static_cast<QWidget*>(cover.data()));
        g.onAccessChanged(false);  // still locked: the same cover
        QCOMPARE(g.accessPanel(), static_cast<QWidget*>(cover.data()));
        int covers = 0;
        for (QLabel* l : g.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            covers += l->text() == cover->text();
        QCOMPARE(covers, 1);
        g.onAccessChanged(true);
        QVERIFY(!cover);
        QVERIFY(!g.accessPanel());
        QVERIFY(g.isEnabled());
        QVERIFY(!QWidget::keyboardGrabber());
    }

    void pendant_data()
    {
        QTest::addColumn<uint>("regime");
        QTest::addColumn<QString>("text");
        const QString f1 = QStringLiteral(
            "Режим пульта F1:\n\nПоложение X - ось LX    Положение 4 - ось B\n"
            "Положение Y - ось LY    Положение 5 - ось C\nПоложение Z - ось A");
        QTest::newRow("0") << 0u << f1;
        QTest::newRow("1") << 1u << f1;
        QTest::newRow("2") << 2u
                           << "Режим пульта F2:\n\nПоложение X - ось LX    Положение 4 - ось PHI\n"
                              "Положение Y - ось LY    Положение 5 - ось D\nПоложение Z - ось Z";
        QTest::newRow("3") << 3u
                           << "Режим пульта F3:\n\nПоложение X - ось LX    Положение 4 - ось U\n"
                              "Положение Y - ось LY    Положение 5 - ось V\nПоложение Z - резерв";
        QTest::newRow("4") << 4u << f1;
    }
    void pendant()
    {
        QFETCH(uint, regime);
        QFETCH(QString, text);
        Gui& g = *m_gui;
        const QString handwheelOff = QStringLiteral("[I]Штурвал 'Выносной' отключен");
        g.onChangedPultState(false);
        g.onChangedPultRegime(regime);
        QVERIFY(g.pultRegime->isHidden());
        QVERIFY(g.frmDrives->isEnabled());
        QVERIFY(g.frmLir3->isEnabled());
        QCOMPARE(m_log->fresh(), QStringList());

        g.lblLir3Use->setText(QStringLiteral("X"));
        g.onChangedPultState(true);
        QVERIFY(g.pultOn());
        QCOMPARE(g.sbDistPult->state(), StateButton::State1);
        QVERIFY(!g.pultRegime->isHidden());
        QCOMPARE(g.pultRegime->text(), text);
        QVERIFY(!g.frmDrives->isEnabled());
        QVERIFY(!g.frmLir3->isEnabled());
        QCOMPARE(g.lblLir3Use->text(), QStringLiteral("Отключен"));
        QCOMPARE(m_log->fresh(), QStringList{handwheelOff});
        // A regime change while the pendant is on logs the handwheel line again.
        g.onChangedPultRegime(regime == 2 ? 3 : 2);
        QCOMPARE(m_log->fresh(), QStringList{handwheelOff});
        g.onChangedPultState(false);
        QCOMPARE(g.sbDistPult->state(), StateButton::State0);
        QVERIFY(g.frmLir3->isEnabled());
        QVERIFY(g.frmDrives->isEnabled());
        QCOMPARE(m_log->fresh(), QStringList());
    }

    void cncMessages_data()
    {
        QTest::addColumn<uint>("number");
        QTest::addColumn<QString>("line");
        QTest::newRow("0") << 0u << "";
        QTest::newRow("101") << 101u << "[W]TRV18: Отключение приводов: нет разрешения по датчику вакуума";
        QTest::newRow("104") << 104u << "[W]TRV18: Отключение приводов: дверь камеры закрывается";
        QTest::newRow("111") << 111u << "[W]TRV18: Невозможно запустить программу ЧПУ - приводы не включены";
        QTest::newRow("121") << 121u
                             << "[W]TRV18: Перегрузка по току привода LX - движение по оси и выполнение "
                                "программы остановлено";
        QTest::newRow("128") << 128u
                             << "[W]TRV18: Перегрузка по току привода V - движение по оси и выполнение "
                                "программы остановлено";
        QTest::newRow("137") << 137u << "[W]TRV18: Сработал положительный программный конечник координаты U";
        QTest::newRow("141") << 141u << "[W]TRV18: Сработал отрицательный программный конечник координаты LX";
        QTest::newRow("151") << 151u << "[W]TRV18: Сработал положительный программный конечник координаты X";
        QTest::newRow("158") << 158u << "[W]TRV18: Сработал отрицательный программный конечник координаты PHI";
        QTest::newRow("161") << 161u
                             << "[I]TRV18: Изменено значение отрицательного программного конечника LX, новое "
                                "значение -12.50";
        QTest::newRow("167") << 167u
                             << "[I]TRV18: Изменено значение отрицательного программного конечника U, новое "
                                "значение -3.00";
        QTest::newRow("169") << 169u
                             << "[I]TRV18: Изменено значение отрицательного программного конечника X, новое "
                                "значение -3.25";
        QTest::newRow("171") << 171u
                             << "[I]TRV18: Изменено значение отрицательного программного конечника PHI, новое "
                                "значение -180.00";
        QTest::newRow("182") << 182u
                             << "[I]TRV18: Изменено значение положительного программного конечника LY, новое "
                                "значение 800.00";
        QTest::newRow("190") << 190u
                             << "[I]TRV18: Изменено значение положительного программного конечника Z, новое "
                                "значение 44.00";
        QTest::newRow("201") << 201u << "[I]TRV18: Выполнено референцирование оси LX, новая координата 150.50";
        QTest::newRow("202") << 202u << "[A]TRV18: Неизвестное сообщение (202)";
        QTest::newRow("208") << 208u << "[I]TRV18: Выполнено референцирование оси U, новая координата 7.25";
        QTest::newRow("209") << 209u << "[A]TRV18: Неизвестное сообщение (209)";
        QTest::newRow("210") << 210u << "[I]TRV18: Выполнено референцирование оси V, новая координата 0.00";
        QTest::newRow("100") << 100u << "[A]TRV18: Неизвестное сообщение (100)";
        QTest::newRow("4294967295") << 4294967295u << "[A]TRV18: Неизвестное сообщение (4294967295)";
    }
    void cncMessages()
    {
        QFETCH(uint, number);
        QFETCH(QString, line);
        Gui& g = *m_gui;
        g.axisObject(QStringLiteral("LX"))->onEpMinusValueChanged(-12.5f);
        g.axisObject(QStringLiteral("U1"))->onEpMinusValueChanged(-3.0f);
        g.axisObject(QStringLiteral("LY"))->onEpPlusValueChanged(800.0f);
        g.axisObject(QStringLiteral("LX"))->onCoordChanged(150.5f);
        g.axisObject(QStringLiteral("U1"))->onCoordChanged(7.25f);
        g.axisObject(QStringLiteral("V"))->onCoordChanged(0.0f);
        g.onChangedMinLimitX(-3.25f);
        g.onChangedMinLimitPHI(-180.0f);
        g.onChangedMaxLimitZ(44.0f);
        m_log->skip();
        g.onNewCNCMessage(0, number);
        QCOMPARE(m_log->fresh(), line.isEmpty() ? QStringList() : QStringList{line});
    }

    // Each of the four message words is remembered by itself, also across a lost link (after
    // which the controller reports every word again): a word that changes to the number another
    // word reported is logged, and a word reported again unchanged is not. Reports are
    // "word=number".
    void cncMessageWords_data()
    {
        QTest::addColumn<QString>("reports");
        QTest::addColumn<QStringList>("numbers");  // of the lines logged, in order
        QTest::newRow("another word, the same number") << "0=101 1=101" << QStringList{"101", "101"};
        QTest::newRow("every word again after a lost link")
            << "0=101 1=102 2=103 3=104 0=101 1=102 2=103 3=104" << QStringList{"101", "102", "103", "104"};
        QTest::newRow("a changed word after a lost link") << "0=101 1=102 0=101 1=103" << QStringList{"101", "102", "103"};
        QTest::newRow("a word back to its number") << "2=101 2=0 2=101" << QStringList{"101", "101"};
        QTest::newRow("words swap their numbers") << "0=101 1=102 0=102 1=101" << QStringList{"101", "102", "102", "101"};
    }
    void cncMessageWords()
    {
        QFETCH(QString, reports);
        QFETCH(QStringList, numbers);
        Gui& g = *m_gui;
        for (int word = 0; word < 4; ++word)
            g.onNewCNCMessage(word, 0);
        m_log->skip();
        for (const QString& report : reports.split(QLatin1Char(' ')))
            g.onNewCNCMessage(report.section(QLatin1Char('='), 0, 0).toInt(), report.section(QLatin1Char('='), 1).toUInt());
        QStringList lines;
        for (const QString& number : numbers)
            lines << g.CNCMessage(number.toUInt());
        QCOMPARE(m_log->fresh().filter(QStringLiteral("TRV18")), lines);
    }

    void cncErrors()
    {
        Gui& g = *m_gui;
        g.onNewCNCError(0);
        QCOMPARE(m_log->fresh(), QStringList());
        g.onNewCNCError(17);
        QCOMPARE(m_log->fresh(), QStringList{QStringLiteral("[A]TRV18: Ошибка контроллера ЧПУ номер 17!")});
        QVERIFY(g.lwLog->item(g.lwLog->count() - 1)->text().endsWith(
            QStringLiteral("TRV18: Ошибка контроллера ЧПУ номер 17!")));
    }

    void rightsAndBackground()
    {
        Gui& g = *m_gui;
        for (int rights : {0, 1})
            QVERIFY((g.onUserChanged(rights), !g.pbConstants->isHidden()));
        for (int rights : {2, -1})
            QVERIFY((g.onUserChanged(rights), g.pbConstants->isHidden()));
        g.onSu(true);
        QCOMPARE(background(&g), QColor(Qt::darkRed));
        g.onSu(false);
        QCOMPARE(background(&g), QColor(255, 255, 192));
    }

    void messageServerAndTickerAreWired()
    {
        Gui& g = *m_gui;
        CMessageServer* server = g.messageServer();
        QVERIFY(server);
        QCOMPARE(g.messageStack()->parentWidget(), static_cast<QWidget*>(g.frErrorDiagnostic));
        QCOMPARE(g.messageStack()->pos(), QPoint(5, 24));
        QVERIFY(!g.messageStack()->isHidden());
        server->slotAddMessage(1, 20, 0);
        QCOMPARE(g.messageStack()->messages().size(), 1);
        QTest::qWait(CMessageStack::ConfirmLockMs + 50);
        emit g.messageStack()->closeButton()->clicked();
        QVERIFY(server->messages().at(0)->isConfirmed());
        QVERIFY(g.messageStack()->messages().isEmpty());
        server->slotDeleteMessage(20);
        QVERIFY(server->messages().isEmpty());
    }
};

POKAVRO_TEST_MAIN(TestGuiStatus)
#include "tst_guistatus.moc"
