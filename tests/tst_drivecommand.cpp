// The command vocabulary of the drive controller: exact texts.

#include <QtTest>

#include <cmath>
#include <limits>

#include "drivecommand.h"
#include "testenv.h"

using namespace DriveCommand;

class TestDriveCommand : public QObject
{
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<QString>("actual");
        QTest::addColumn<QString>("expected");
        QTest::newRow("drive on") << drivePower(true) << "DRIVE ON";
        QTest::newRow("drive off") << drivePower(false) << "DRIVE OFF";
        QTest::newRow("trans on") << transformation(true) << "TRANS ON";
        QTest::newRow("trans off") << transformation(false) << "TRANS OFF";
        QTest::newRow("spiral on") << spiralLight(true) << "SPIRAL ON";
        QTest::newRow("spiral off") << spiralLight(false) << "SPIRAL OFF";
        QTest::newRow("pult on") << pendant(true) << "PULT ON";
        QTest::newRow("pult off") << pendant(false) << "PULT OFF";
        QTest::newRow("stop") << stopProgram() << "STOP_PRG";
        QTest::newRow("buzzer") << buzzer() << "ZOOMMER";

        QTest::newRow("X plus 12.5") << moveVirtual("X", 12.5, 1) << "MOVE(X,12.5)";
        QTest::newRow("X minus 12.5") << moveVirtual("X", 12.5, -1) << "MOVE(X,-12.5)";
        QTest::newRow("X release") << moveVirtual("X", 12.5, 0) << "MOVE(X,0)";
        QTest::newRow("Z plus 100") << moveVirtual("Z", 100.0, 1) << "MOVE(Z,100)";
        QTest::newRow("Z g6 digits") << moveVirtual("Z", 1234.5678, -1) << "MOVE(Z,-1234.57)";
        QTest::newRow("Z small") << moveVirtual("Z", 0.001, 1) << "MOVE(Z,0.001)";
        QTest::newRow("PHI plus 12.34") << moveVirtual("PHI", 12.34, 1) << "MOVE(PHI,12.34)";
        QTest::newRow("PHI minus 12.34 f1") << moveVirtual("PHI", 12.34, -1) << "MOVE(PHI,-12.3)";
        QTest::newRow("PHI minus 12 f1") << moveVirtual("PHI", 12.0, -1) << "MOVE(PHI,-12.0)";
        QTest::newRow("V endless off") << moveStop("V") << "MOVE(V,0)";

        QTest::newRow("drive 37.9 cut") << moveDrive("LX", 37.9, 1) << "MOVE(LX,37)";
        QTest::newRow("drive minus 37.9 cut") << moveDrive("U1", 37.9, -1) << "MOVE(U1,-37)";
        QTest::newRow("drive release") << moveDrive("LX2", 37.9, 0) << "MOVE(LX2,0)";
        QTest::newRow("drive 0.6 cut") << moveDrive("A", 0.6, 1) << "MOVE(A,0)";

        QTest::newRow("limit max 250") << limitMax("A", 250) << "LIMIT_MAX(A,250.0)";
        QTest::newRow("limit min -3.5") << limitMin("LY", -3.5) << "LIMIT_MIN(LY,-3.5)";
        QTest::newRow("limit min 0.04") << limitMin("B", 0.04) << "LIMIT_MIN(B,0.0)";

        QTest::newRow("reference 1.23456") << reference("B", 1.23456) << "REFERENCE(B,12345)";
        QTest::newRow("reference negative cut") << reference("C", -0.00019) << "REFERENCE(C,-1)";
        QTest::newRow("reference NaN") << reference("C", std::nan("")) << "REFERENCE(C,0)";

        QTest::newRow("park") << park("D", true) << "PARK(D)";
        QTest::newRow("depark") << park("D", false) << "DEPARK(D)";
        QTest::newRow("clear error") << clearError("U2") << "CLEAR_ERROR(U2)";

        QTest::newRow("LIR A 3 steps x100") << handwheelAxis("A", 3, 100, 360) << "LIR(A,300,360)";
        QTest::newRow("LIR LX backwards") << handwheelAxis("LX", -2, 10, 3000) << "LIR(LX,-20,3000)";
        QTest::newRow("LIR large") << handwheelAxis("V", 3000000, 1000, 2160) << "LIR(V,3000000000,2160)";
        QTest::newRow("HANDWHEEL") << handwheelPendant(-4) << "HANDWHEEL(-400)";

        QTest::newRow("start 1") << startChannel(1) << "EXEC_1(/programs/_temp.npg)";
        QTest::newRow("start 2") << startChannel(2) << "EXEC_2(/programs/_temp2.npg)";
        QTest::newRow("start 3") << startChannel(3) << "EXEC_3(/programs/_temp3.npg)";
        QTest::newRow("run generated 1") << runGenerated(1) << "EXEC_1(/programs/_temp1.npg)";
        QTest::newRow("run generated 2") << runGenerated(2) << "EXEC_2(/programs/_temp2.npg)";
        QTest::newRow("fixed move") << runFixedMove(3) << "EXEC_3(/programs/_fixed.npg)";
        QTest::newRow("point move") << runPointMove(2) << "EXEC_2(/programs/_point.npg)";
    }
    void texts()
    {
        QFETCH(QString, actual);
        QFETCH(QString, expected);
        QCOMPARE(actual, expected);
    }

    void truncationIsSafe()
    {
        QCOMPARE(truncateToInteger(-37.9), qint64(-37));
        QCOMPARE(truncateToInteger(1e300), std::numeric_limits<qint64>::max());
        QCOMPARE(truncateToInteger(-1e300), std::numeric_limits<qint64>::min());
        QCOMPARE(truncateToInteger(std::numeric_limits<double>::infinity()), std::numeric_limits<qint64>::max());
    }
};

POKAVRO_TEST_MAIN(TestDriveCommand)
#include "tst_drivecommand.moc"
