#include <QCursor>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <limits>
#include <memory>

#include "elementdlg.h"
#include "genericlink.h"
#include "kvscomm.h"
#include "lenzeelement.h"
#include "linkpeer.h"
#include "statebutton.h"
#include "testenv.h"
#include "vacuumplant.h"
#include "vacuumsim.h"

using Sim = VacuumSimulator;
using Room = ElementSwitchDlg::Room;
Q_DECLARE_METATYPE(Room)

namespace {

const QStringList kPumpStates = {"[выключен]", "[включен]", "[выключается]", "[включается]"};

const QString kGrey = QStringLiteral("background-color: rgb(160, 160, 160);");
const QString kGreen = QStringLiteral("background-color: rgb(0, 255, 0);");
const QString kYellow = QStringLiteral("background-color: rgb(255, 255, 0);");
const QString kRed = QStringLiteral("background-color: rgb(255, 0, 0);");
const QString kUnknown = QStringLiteral("background-color: rgb(255, 192, 192);");

// In a list of reports: the link is lost there (the dialog takes its unknown look).
constexpr int kLinkLost = std::numeric_limits<int>::min();

// A fore pump's dialog over a link to the simulated vacuum-system controller, with two value
// rows and one condition lock for each direction.
struct PumpDialog {
    Sim sim;
    KVSTCPthread link;
    Lock lockOn{false, QString(), QString()};
    Lock lockOff{false, QString(), QString()};
    Lock valve{false, QStringLiteral("Клапан VP7 не закрыт"), QStringLiteral("Клапан VP7 закрыт")};
    Lock flow{false, QStringLiteral("Недостаточный проток ОЖ"), QStringLiteral("Проток ОЖ в норме")};
    Lock pump{false, QStringLiteral("Насос NZ1 не выключен"), QStringLiteral("Насос NZ1 выключен")};
    LenzeElement power{LenzeElement::Number, QStringLiteral("NL1:Power"), 0};
    LenzeElement temperature{LenzeElement::Sensor, QStringLiteral("Temp07"), 1};
    std::unique_ptr<KvsDlg> dialog;

    PumpDialog(bool connectLink = true)
    {
        const QList<quint16> ports = TestEnv::configureControllers();
        sim.setRate(50);
        if (connectLink) {
            sim.start(ports[2], ports[3], ports[4], ports[5]);
            link.connect(QStringLiteral("127.0.0.1"), ports[2], ports[3]);
        }
        dialog = std::make_unique<KvsDlg>(&link, nullptr, QStringLiteral("NL1"),
                                          QStringLiteral("Насос пластинчато-роторный\n2НВР-250Д"), -1, &lockOn,
                                          &lockOff, QList<Lock*>{&valve, &flow}, QList<Lock*>{&pump},
                                          QStringLiteral("Включить"), QStringLiteral("Выключить"),
                                          QStringLiteral("NL1 ON"), QStringLiteral("NL1 OFF"), kPumpStates,
                                          QStringList{QStringLiteral("Питание"), QStringLiteral("Температура ОЖ, °C")},
                                          QList<LenzeElement*>{&power, &temperature});
    }
    ~PumpDialog()
    {
        dialog.reset();
        link.disconnect();
    }

    // Each report in turn; kLinkLost loses the link there.
    void report(const QList<int>& reports)
    {
        for (int state : reports) {
            if (state == kLinkLost)
                dialog->showUnknown();
            else
                dialog->onStateChanged(state);
        }
    }
    void press() { QTest::mouseClick(dialog->sbSwitch, Qt::LeftButton); }
    QString caption() const { return dialog->sbSwitch->captionLabel()->text(); }
    QString value(int row) const { return dialog->twElements->item(row, 1)->text(); }
    QColor valueBackground(int row) const { return dialog->twElements->item(row, 1)->background().color(); }
};

}  // namespace

// The element switching dialog: how it shows its element, what a press sends, its rows and its
// place on the screen.
class TestElementDlg : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        QTest::addColumn<QPoint>("cursor");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Room>("room");
        QTest::addColumn<QPoint>("placed");
        const Room vacuum{0, 100, 900, 1000};
        QTest::newRow("above and right of the room") << QPoint(1500, 50) << QSize(254, 300) << vacuum << QPoint(646, 100);
        QTest::newRow("inside") << QPoint(300, 400) << QSize(254, 300) << vacuum << QPoint(300, 400);
        QTest::newRow("on the upper bounds") << QPoint(646, 700) << QSize(254, 300) << vacuum << QPoint(646, 700);
        QTest::newRow("below and left") << QPoint(-20, 990) << QSize(254, 300) << vacuum << QPoint(0, 700);
        QTest::newRow("larger than the room") << QPoint(500, 500) << QSize(1000, 1000) << vacuum << QPoint(0, 100);
        QTest::newRow("whole screen") << QPoint(1900, 1100) << QSize(254, 200) << Room{0, 0, 1920, 980}
                                      << QPoint(1666, 780);
    }
    void placement()
    {
        QFETCH(QPoint, cursor);
        QFETCH(QSize, size);
        QFETCH(Room, room);
        QFETCH(QPoint, placed);
        QCOMPARE(ElementSwitchDlg::placeIn(cursor, size, room), placed);
    }

    // What the bar, the caption and the switch button show for each report, after what came
    // before it.
    void stateDisplay_data()
    {
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("colour");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("stored");
        QTest::newRow("nothing yet") << QList<int>{} << "" << kUnknown << "Включить" << 4 << -1;
        QTest::newRow("off") << QList<int>{0} << "[выключен]" << kGrey << "Включить" << 0 << 0;
        QTest::newRow("on") << QList<int>{1} << "[включен]" << kGreen << "Выключить" << 1 << 1;
        QTest::newRow("switching off") << QList<int>{1, 2} << "[выключается]" << kYellow << "Включить" << 0 << 2;
        QTest::newRow("switching on") << QList<int>{3} << "[включается]" << kYellow << "Выключить" << 1 << 3;
        QTest::newRow("error while on") << QList<int>{1, 4} << "[ошибка]" << kRed << "Ошибка" << 1 << 4;
        QTest::newRow("-1 after off") << QList<int>{0, -1} << "[ошибка]" << kRed << "Ошибка" << 0 << 4;
        QTest::newRow("7 after switching on") << QList<int>{3, 7} << "[ошибка]" << kRed << "Ошибка" << 1 << 4;
        QTest::newRow("error first") << QList<int>{4} << "[ошибка]" << kRed << "Ошибка" << 0 << 4;
        QTest::newRow("huge") << QList<int>{0, 2147483647} << "[ошибка]" << kRed << "Ошибка" << 0 << 4;
        QTest::newRow("recovers") << QList<int>{4, 0} << "[выключен]" << kGrey << "Включить" << 0 << 0;
        QTest::newRow("link lost while on") << QList<int>{1, kLinkLost} << "" << kUnknown << "Включить" << 4 << -1;
        QTest::newRow("error after a loss while on") << QList<int>{1, kLinkLost, 4} << "[ошибка]" << kRed << "Ошибка"
                                                     << 1 << 4;
        QTest::newRow("on after a loss while on") << QList<int>{1, kLinkLost, 1} << "[включен]" << kGreen
                                                  << "Выключить" << 1 << 1;
    }
    void stateDisplay()
    {
        QFETCH(QList<int>, reports);
        QFETCH(QString, bar);
        QFETCH(QString, colour);
        QFETCH(QString, caption);
        QFETCH(int, button);
        QFETCH(int, stored);
        PumpDialog f(false);
        f.report(reports);
        QCOMPARE(f.dialog->lblState->text(), bar);
        QCOMPARE(f.dialog->lblState->styleSheet(), colour);
        QCOMPARE(f.caption(), caption);
        QCOMPARE(int(f.dialog->sbSwitch->state()), button);
        QCOMPARE(f.dialog->sbSwitch->isChecked(), button == 1);
        QCOMPARE(f.dialog->storedState(), stored);
        QCOMPARE(f.dialog->lblId->text(), QStringLiteral("NL1"));
        QCOMPARE(f.dialog->lblName->text(), QStringLiteral("Насос пластинчато-роторный\n2НВР-250Д"));
    }

    // What a press sends to the controller after the reports, and whether the dialog then hides.
    void press_data()
    {
        QTest::addColumn<QList<int>>("reports");
        QTest::addColumn<QString>("sent");
        QTest::newRow("nothing reported") << QList<int>{} << "";
        QTest::newRow("off") << QList<int>{0} << "NL1 ON";
        QTest::newRow("on") << QList<int>{1} << "NL1 OFF";
        QTest::newRow("switching off") << QList<int>{2} << "NL1 ON";
        QTest::newRow("switching on") << QList<int>{3} << "NL1 OFF";
        QTest::newRow("-1 after on") << QList<int>{1, -1} << "NL1 OFF";
        QTest::newRow("-1 after switching off") << QList<int>{2, -1} << "NL1 ON";
        QTest::newRow("4 after switching on") << QList<int>{3, 4} << "NL1 OFF";
        QTest::newRow("error first") << QList<int>{9} << "NL1 ON";
        QTest::newRow("link lost") << QList<int>{1, kLinkLost} << "";
        // The last real state before a loss is what the error state reverses.
        QTest::newRow("error after a loss while on") << QList<int>{1, kLinkLost, 4} << "NL1 OFF";
        QTest::newRow("-1 after a loss while switching on") << QList<int>{3, kLinkLost, -1} << "NL1 OFF";
        QTest::newRow("error after a loss while off") << QList<int>{1, 0, kLinkLost, 4} << "NL1 ON";
        QTest::newRow("error after two losses while on") << QList<int>{1, kLinkLost, kLinkLost, 4} << "NL1 OFF";
    }
    void press()
    {
        QFETCH(QList<int>, reports);
        QFETCH(QString, sent);
        PumpDialog f;
        QVERIFY(f.link.connected());
        QVERIFY(QTest::qWaitFor([&f] { return f.sim.consoleConnected(Sim::Kvs); }, 2000));
        f.report(reports);
        QSignalSpy notSent(&f.link, &VacuumLink::commandNotSent);
        f.dialog->showDlg();
        f.press();
        if (sent.isEmpty()) {
            QTest::qWait(300);
            QVERIFY(f.sim.commandTexts(Sim::Kvs).isEmpty());
            QVERIFY(f.dialog->isVisible());
        } else {
            QVERIFY(QTest::qWaitFor([&f] { return !f.sim.commandTexts(Sim::Kvs).isEmpty(); }, 2000));
            QCOMPARE(f.sim.commandTexts(Sim::Kvs), QStringList{sent});
            QVERIFY(!f.dialog->isVisible());
        }
        QVERIFY(notSent.isEmpty());
    }

    // A command that cannot leave: the link says so, and the dialog still hides.
    void pressIntoADeadLink()
    {
        PumpDialog f(false);
        QSignalSpy notSent(&f.link, &VacuumLink::commandNotSent);
        f.dialog->onStateChanged(1);
        f.dialog->showDlg();
        f.press();
        QCOMPARE(notSent.size(), 1);
        QCOMPARE(notSent.first().at(0).toString(), QStringLiteral("NL1 OFF"));
        QVERIFY(!f.dialog->isVisible());
    }

    // While the direction lock of the press holds, the press lists that direction's conditions
    // under the finger and sends nothing; the dialog stays.
    void holdingLockRefuses()
    {
        PumpDialog f;
        QVERIFY(QTest::qWaitFor([&f] { return f.sim.consoleConnected(Sim::Kvs); }, 2000));
        f.lockOn.setState(true);
        f.valve.setState(true);
        f.dialog->onStateChanged(0);
        f.dialog->showDlg();
        QTest::mousePress(f.dialog->sbSwitch, Qt::LeftButton);
        QFrame* popup = f.dialog->sbSwitch->popup();
        QVERIFY(popup && popup->isVisible());
        QCOMPARE(viewTexts(popup), (QStringList{"Клапан VP7 не закрыт", "Проток ОЖ в норме"}));
        QTest::mouseRelease(f.dialog->sbSwitch, Qt::LeftButton);
        QVERIFY(!f.dialog->sbSwitch->popup());
        QVERIFY(f.dialog->isVisible());

        // Switched on, the other direction's lock and list count.
        f.dialog->onStateChanged(1);
        f.press();
        QVERIFY(QTest::qWaitFor([&f] { return !f.sim.commandTexts(Sim::Kvs).isEmpty(); }, 2000));
        QCOMPARE(f.sim.commandTexts(Sim::Kvs), QStringList{"NL1 OFF"});
        f.dialog->showDlg();
        f.lockOff.setState(true);
        f.pump.setState(true);
        QTest::mousePress(f.dialog->sbSwitch, Qt::LeftButton);
        QVERIFY(f.dialog->sbSwitch->popup());
        QCOMPARE(viewTexts(f.dialog->sbSwitch->popup()), QStringList{"Насос NZ1 не выключен"});
        QTest::mouseRelease(f.dialog->sbSwitch, Qt::LeftButton);
        QTest::qWait(300);
        QCOMPARE(f.sim.commandTexts(Sim::Kvs).size(), 1);
    }

    // Without conditions to list, a holding lock takes the press silently.
    void holdingLockWithoutConditions()
    {
        Lock lockOn(false, QString(), QString());
        Lock lockOff(false, QString(), QString());
        KVSTCPthread link;
        KvsDlg dialog(&link, nullptr, "NW2", "Насос циркуляционный\nGrundfos CM3-2", -1, &lockOn, &lockOff, {}, {},
                      "Включить", "Выключить", "NW2 ON", "NW2 OFF", kPumpStates, {}, {});
        QSignalSpy notSent(&link, &VacuumLink::commandNotSent);
        lockOn.setState(true);
        dialog.onStateChanged(0);
        dialog.showDlg();
        QTest::mousePress(dialog.sbSwitch, Qt::LeftButton);
        QVERIFY(!dialog.sbSwitch->popup());
        QTest::mouseRelease(dialog.sbSwitch, Qt::LeftButton);
        QVERIFY(notSent.isEmpty());
        QVERIFY(dialog.isVisible());
        // Rowless: neither the spacer nor the table.
        QVERIFY(!dialog.frmDelim->isVisibleTo(&dialog) && !dialog.twElements->isVisibleTo(&dialog));
    }

    void valueRows()
    {
        PumpDialog f(false);
        QTableWidget* table = f.dialog->twElements;
        QVERIFY(table->isVisibleTo(f.dialog.get()) && f.dialog->frmDelim->isVisibleTo(f.dialog.get()));
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("Питание"));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("Температура ОЖ, °C"));
        QCOMPARE(table->columnWidth(0), 160);
        QCOMPARE(table->columnWidth(1), 86);
        QCOMPARE(table->rowHeight(1), 18);
        QCOMPARE(table->horizontalHeaderItem(0)->text(), QStringLiteral("Величина"));
        QCOMPARE(table->horizontalHeaderItem(1)->text(), QStringLiteral("Значение"));
        // Every row shows without scrolling.
        f.dialog->showDlg();
        QCOMPARE(table->verticalScrollBar()->maximum(), 0);
        QVERIFY(table->viewport()->height() >= 2 * 18);

        // Empty until reported, and unknown until the element is.
        QCOMPARE(f.value(0), QString());
        QCOMPARE(f.valueBackground(0), QColor(255, 192, 192));
        f.power.setNumberVal(5);
        QCOMPARE(f.value(0), QStringLiteral("Вкл."));
        f.power.setNumberVal(0);
        QCOMPARE(f.value(0), QStringLiteral("Выкл."));
        f.temperature.setSensorVal(12.345f);
        QCOMPARE(f.value(1), QStringLiteral("12.3"));
        f.temperature.setSensorVal(-3.0f);
        QCOMPARE(f.value(1), QStringLiteral("-3.0"));
        f.dialog->onStateChanged(0);
        QCOMPARE(f.valueBackground(1), QColor(Qt::white));
        // The link is lost: the values keep their text in the unknown look until the element
        // reports again.
        f.dialog->showUnknown();
        QCOMPARE(f.value(1), QStringLiteral("-3.0"));
        QCOMPARE(f.valueBackground(0), QColor(255, 192, 192));
        QCOMPARE(f.valueBackground(1), QColor(255, 192, 192));
        f.dialog->onStateChanged(1);
        QCOMPARE(f.valueBackground(0), QColor(Qt::white));

        // A value that is not a finite number is not known: its last text in the unknown look,
        // through a loss and the element's next report, until a finite value comes.
        for (float unknown : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
            f.temperature.setSensorVal(unknown);
            QCOMPARE(f.value(1), QStringLiteral("-3.0"));
            QCOMPARE(f.valueBackground(1), QColor(255, 192, 192));
            QCOMPARE(f.valueBackground(0), QColor(Qt::white));
        }
        f.dialog->showUnknown();
        f.dialog->onStateChanged(0);
        QCOMPARE(f.valueBackground(0), QColor(Qt::white));
        QCOMPARE(f.valueBackground(1), QColor(255, 192, 192));
        f.temperature.setSensorVal(21.0f);
        QCOMPARE(f.value(1), QStringLiteral("21.0"));
        QCOMPARE(f.valueBackground(1), QColor(Qt::white));
    }

    void hideButtonAndDragging()
    {
        PumpDialog f(false);
        ElementSwitchDlg* dialog = f.dialog.get();
        dialog->showDlg();
        QVERIFY(dialog->isWindow());
        QVERIFY(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
        dialog->move(100, 200);

        // Mouse events as the window system delivers them, at a place in the dialog and on the screen.
        const auto mouse = [dialog](QEvent::Type type, const QPoint& local, const QPoint& global) {
            const bool press = type == QEvent::MouseButtonPress;
            QMouseEvent event(type, local, global, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                              press || type == QEvent::MouseMove ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(dialog, &event);
        };

        // A press outside the title bar drags nothing.
        const QPoint onName = dialog->lblName->geometry().center();
        mouse(QEvent::MouseButtonPress, onName, dialog->mapToGlobal(onName));
        mouse(QEvent::MouseMove, QPoint(0, 0), QPoint(500, 500));
        QCOMPARE(dialog->pos(), QPoint(100, 200));
        mouse(QEvent::MouseButtonRelease, onName, QPoint(500, 500));

        // By the title bar it follows the finger, kept over the vacuum screen.
        const QPoint onTitle(20, 5);
        mouse(QEvent::MouseButtonPress, onTitle, dialog->mapToGlobal(onTitle));
        mouse(QEvent::MouseMove, QPoint(0, 0), QPoint(320, 405));
        QCOMPARE(dialog->pos(), QPoint(300, 400));
        mouse(QEvent::MouseMove, QPoint(0, 0), QPoint(1900, 20));
        QCOMPARE(dialog->pos(), QPoint(900 - dialog->width(), 100));
        mouse(QEvent::MouseButtonRelease, onTitle, QPoint(1900, 20));
        mouse(QEvent::MouseMove, QPoint(0, 0), QPoint(320, 405));
        QCOMPARE(dialog->pos(), QPoint(900 - dialog->width(), 100));

        QTest::mouseClick(dialog->pbHide, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->pbHide->text(), QStringLiteral("Скрыть"));
    }

    void showsAtTheCursor()
    {
        PumpDialog f(false);
        QCursor::setPos(1500, 50);
        if (QCursor::pos() != QPoint(1500, 50))
            QSKIP("this platform does not move the cursor");
        f.dialog->showDlg();
        QVERIFY(f.dialog->isVisible());
        QCOMPARE(f.dialog->pos(), QPoint(900 - f.dialog->width(), 100));
        QCursor::setPos(200, 300);
        f.dialog->showDlg();  // shown already: it moves
        QCOMPARE(f.dialog->pos(), QPoint(200, 300));
    }

    // The dialog over the generic link: its state is the state cell's value cut to a whole
    // number, a press acts on the cell's value now, and the rows follow their cells by type.
    void overTheGenericLink()
    {
        Lock lockOn(false, QString(), QString());
        Lock lockOff(false, QString(), QString());
        // The controller's side of the generic link: it takes the subscription, then the commands.
        LinkPeer peer;
        QVERIFY(peer.listen());
        TCPthread link;
        ElementMap subscribed;
        QVERIFY(link.connect(QStringLiteral("127.0.0.1"), peer.port(), TestEnv::freePort(), &subscribed));
        QVERIFY(peer.accept());
        LinkPeer::Frame frame;
        QVERIFY(peer.nextFrame(frame));
        Element state(Element::VariableNumber, QStringLiteral("NL1.State"), 0, -100, 100);
        Element power(Element::SensorBool, QStringLiteral("NL1.Power"), 0, 0, 1);
        Element flow(Element::SensorNumber, QStringLiteral("W7"), 2, 0, 100);
        Element mode(Element::VariableBool, QStringLiteral("NL1.Mode"), 0, 0, 1);
        Element hours(Element::VariableNumber, QStringLiteral("NL1.Hours"), 0, 0, 1e6f);
        ElementDlg dialog(&link, nullptr, "NL1", "Насос", &state, &lockOn, &lockOff, {}, {}, "Включить", "Выключить",
                          "NL1 ON", "NL1 OFF", kPumpStates, {"Питание", "Проток", "Режим", "Часы"},
                          {&power, &flow, &mode, &hours});
        const auto value = [&dialog](int row) { return dialog.twElements->item(row, 1)->text(); };

        // Nothing reported: a press sends nothing.
        dialog.showDlg();
        dialog.sbSwitch->setState(false);  // even with the button in a state that takes a press
        QMetaObject::invokeMethod(&dialog, "on_sbSwitch_clicked");
        QVERIFY(!peer.nextFrame(frame, 200));

        state.setNumberVal(1.7f);
        QCOMPARE(dialog.storedState(), 1);
        QCOMPARE(dialog.lblState->text(), QStringLiteral("[включен]"));
        // The cell moved on without a report of its own reaching the dialog: the press acts on it.
        {
            QSignalBlocker quiet(&state);
            state.setNumberVal(2.2f);
        }
        QTest::mouseClick(dialog.sbSwitch, Qt::LeftButton);
        QVERIFY(peer.nextFrame(frame));
        QCOMPARE(frame.signature, quint16(LinkFrame::SQ));
        QCOMPARE(frame.payload, QByteArray("NL1 ON"));
        link.disconnect();
        state.setNumberVal(6.0f);
        QCOMPARE(dialog.lblState->text(), QStringLiteral("[ошибка]"));
        QCOMPARE(dialog.storedState(), 4);

        power.setBoolVal(true);
        QCOMPARE(value(0), QStringLiteral("Вкл."));
        power.setValid(true);
        QCOMPARE(dialog.twElements->item(0, 1)->background().color(), QColor(Qt::white));
        power.setValid(false);
        QCOMPARE(dialog.twElements->item(0, 1)->background().color(), QColor(255, 192, 192));
        flow.setNumberVal(3.14159f);
        QCOMPARE(value(1), QStringLiteral("3.14"));
        mode.setBoolVal(false);
        QCOMPARE(value(2), QStringLiteral("Выкл."));
        hours.setNumberVal(1234.6f);
        QCOMPARE(value(3), QStringLiteral("1235"));
    }

    // The beam-cabinet dialog sends nothing: it asks, by its title, for a unit to be switched.
    void beamCabinet_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("asked");  // the signal, empty for none
        QTest::addColumn<bool>("on");
        QTest::newRow("TMN off") << "ТМН" << 0 << "TMN" << true;
        QTest::newRow("TMN on") << "ТМН" << 1 << "TMN" << false;
        QTest::newRow("VPT switching on") << "VPT" << 3 << "VPT" << false;
        QTest::newRow("VE1 switching off") << "VE1" << 2 << "VE" << true;
        QTest::newRow("other title") << "NL1" << 0 << "" << true;
    }
    void beamCabinet()
    {
        QFETCH(QString, title);
        QFETCH(int, state);
        QFETCH(QString, asked);
        QFETCH(bool, on);
        Lock lockOn(false, QString(), QString());
        Lock lockOff(false, QString(), QString());
        BkuDlg dialog(nullptr, title, "Насос турбомолекулярный", -1, &lockOn, &lockOff, {}, {}, "Включить",
                      "Выключить", kPumpStates);
        QSignalSpy tmn(&dialog, &BkuDlg::signalCommandTMN);
        QSignalSpy vpt(&dialog, &BkuDlg::signalCommandVPT);
        QSignalSpy ve(&dialog, &BkuDlg::signalCommandVE);
        QVERIFY(!dialog.twElements->isVisibleTo(&dialog));
        dialog.showDlg();
        QTest::mouseClick(dialog.sbSwitch, Qt::LeftButton);  // nothing reported yet
        QVERIFY(tmn.isEmpty() && vpt.isEmpty() && ve.isEmpty());
        dialog.onStateChanged(state);
        QTest::mouseClick(dialog.sbSwitch, Qt::LeftButton);
        QCOMPARE(tmn.size(), asked == "TMN" ? 1 : 0);
        QCOMPARE(vpt.size(), asked == "VPT" ? 1 : 0);
        QCOMPARE(ve.size(), asked == "VE" ? 1 : 0);
        for (QSignalSpy* spy : {&tmn, &vpt, &ve}) {
            if (!spy->isEmpty())
                QCOMPARE(spy->first().at(0).toBool(), on);
        }
        QVERIFY(!dialog.isVisible());
    }
};

POKAVRO_TEST_MAIN(TestElementDlg)
#include "tst_elementdlg.moc"
