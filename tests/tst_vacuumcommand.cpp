#include <QtTest>

#include "testenv.h"
#include "vacuumcommand.h"

using namespace VacuumCommand;

// The command texts of the vacuum controllers and the element switch rule.
class TestVacuumCommand : public QObject
{
    Q_OBJECT

private slots:
    void elementCommands_data()
    {
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("on");
        QTest::addColumn<QString>("off");
        QTest::addColumn<bool>("vacuumDoor");
        for (const char* name : {"NL1", "NL2", "NZ1", "NZ2", "NW2", "ND1", "VP1", "VP2", "VP3", "VP5", "VP6", "VP7"})
            QTest::newRow(name) << name << QString(name) + " ON" << QString(name) + " OFF" << false;
        QTest::newRow("VP4") << "VP4" << "VP4 ON" << "VP4 OFF" << true;
        QTest::newRow("VP8") << "VP8" << "VP8 ON" << "VP8 OFF" << true;
        QTest::newRow("door") << "DOOR" << "DOOR UNPRESS" << "DOOR PRESS" << true;
        QTest::newRow("TMN") << "TMN" << "BKU(3,1)" << "BKU(3,0)" << true;
        QTest::newRow("VPT") << "VPT" << "BKU(1,1)" << "BKU(1,0)" << true;
        QTest::newRow("VE1") << "VE1" << "BKU(2,1)" << "BKU(2,0)" << true;
    }
    void elementCommands()
    {
        QFETCH(QString, element);
        QFETCH(QString, on);
        QFETCH(QString, off);
        QFETCH(bool, vacuumDoor);
        const ElementCommands commands = forElement(element);
        QVERIFY(commands.isValid());
        QCOMPARE(commands.on, on);
        QCOMPARE(commands.off, off);
        QCOMPARE(commands.controller == Controller::VacuumDoor, vacuumDoor);
    }

    void unknownElementsHaveNoCommands()
    {
        for (const char* name : {"", "VP9", "nl1", "VP4 ", "BKU", "NP1"}) {
            const ElementCommands commands = forElement(name);
            QVERIFY2(!commands.isValid(), name);
            QCOMPARE(switchCommand(commands, 0, false), QString());
        }
    }

    void fixedTexts()
    {
        QCOMPARE(algorithm(0), QString("ALG(0)"));
        QCOMPARE(algorithm(6), QString("ALG(6)"));
        QCOMPARE(constsRequest(), QString("CONST"));
    }

    void setCommands_data()
    {
        QTest::addColumn<bool>("vacuumDoor");
        QTest::addColumn<int>("id");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("door controller") << true << 12 << 2.5 << "SET(KBK:12,2.5000000)";
        QTest::newRow("negative") << false << 7 << -0.1 << "SET(KBC:7,-0.1000000)";
        QTest::newRow("negative id") << false << -3 << 1e6 << "SET(KBC:-3,1000000.0000000)";
        QTest::newRow("zero") << true << 0 << 0.0 << "SET(KBK:0,0.0000000)";
        QTest::newRow("float entry") << true << 5 << double(0.1f) << "SET(KBK:5,0.1000000)";
    }
    void setCommands()
    {
        QFETCH(bool, vacuumDoor);
        QFETCH(int, id);
        QFETCH(double, value);
        QFETCH(QString, text);
        const QString identifier = constIdentifier(vacuumDoor ? Controller::VacuumDoor : Controller::VacuumSystem, id);
        QCOMPARE(setConst(identifier, value), text);
    }

    void switchRule_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QString>("command");
        for (bool checked : {false, true}) {
            const char* tag = checked ? "checked" : "unchecked";
            QTest::addRow("-1 %s", tag) << -1 << checked << "";
            QTest::addRow("-5 %s", tag) << -5 << checked << "";
            QTest::addRow("0 off %s", tag) << 0 << checked << "NZ1 ON";
            QTest::addRow("1 on %s", tag) << 1 << checked << "NZ1 OFF";
            QTest::addRow("2 switching off %s", tag) << 2 << checked << "NZ1 ON";
            QTest::addRow("3 switching on %s", tag) << 3 << checked << "NZ1 OFF";
        }
        QTest::newRow("4 error unchecked") << 4 << false << "NZ1 ON";
        QTest::newRow("4 error checked") << 4 << true << "NZ1 OFF";
    }
    void switchRule()
    {
        QFETCH(int, state);
        QFETCH(bool, checked);
        QFETCH(QString, command);
        QCOMPARE(switchCommand(forElement("NZ1"), state, checked), command);
    }
};

POKAVRO_TEST_MAIN(TestVacuumCommand)
#include "tst_vacuumcommand.moc"
