// The axis object against a loopback drive controller: drive-state display and log lines, the
// park edge, jog commands in both modes, end switches and the stored jog speed.

#include <QApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "axis.h"
#include "axispanel.h"
#include "drivecomm.h"
#include "drivepeer.h"
#include "drivestatus.h"
#include "fixedpaths.h"
#include "settingsfile.h"
#include "testenv.h"
#include "widgets.h"

namespace {

QColor frameColour(int frame)
{
    switch (frame) {
    case 0:
        return QColor(128, 128, 128);
    case 1:
        return QColor(0, 200, 0);
    case 2:
        return QColor(230, 230, 0);
    default:
        return QColor(220, 0, 0);
    }
}

const QString kUnknown = QStringLiteral("Состояние привода неопределено - ошибка связи");

}  // namespace

class TestAxis : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_link = std::make_unique<DriveTCPthread>();
    }

    void init()
    {
        QFile::remove(FixedPaths::settingsFile());
        QVERIFY(m_peer.attach(*m_link));
    }

    void cleanupTestCase()
    {
        m_link.reset();
    }

    // The indicator frame, the prefix and the whole log line of each kind of drive state.
    void stateDisplay_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("line");
        QTest::newRow("A0101") << 0xA0101 << 1 << "[I]Ось LX: Режим управления по скорости";
        QTest::newRow("A0102") << 0xA0102 << 1 << "[I]Ось LX: Режим позиционирования: энкодер 1";
        QTest::newRow("A0103") << 0xA0103 << 1 << "[I]Ось LX: Режим позиционирования: энкодер 2";
        QTest::newRow("A0012") << 0xA0012 << 2 << "[I]Ось LX: Готовность привода и силовой части";
        QTest::newRow("A0013") << 0xA0013 << 0 << "[I]Ось LX: Готов к подаче питания";
        QTest::newRow("A0100") << 0xA0100 << 0 << "[I]Ось LX: Режим управления по моменту";
        QTest::newRow("C1600") << 0xC1600 << 0 << "[I]Ось LX: Парковка оси";
        QTest::newRow("C0500") << 0xC0500 << 0
                               << "[I]Ось LX: Активирована команда на сброс ошибки привода...";
        QTest::newRow("E8043") << 0xE8043 << 2
                               << "[W]Ось LX: Сработал датчик положительного конечного положения";
        QTest::newRow("EFFFF") << 0xEFFFF << 2 << "[W]Ось LX: " + kUnknown;
        QTest::newRow("F2174") << 0xF2174 << 4
                               << "[A]Ось LX: Потеря референтной метки энкодера двигателя";
        QTest::newRow("100000") << 0x100000 << 4 << "[A]Ось LX: " + kUnknown;
        QTest::newRow("-1") << -1 << 0 << "[I]Ось LX: " + kUnknown;
        QTest::newRow("0") << 0 << 0 << "[I]Ось LX: " + kUnknown;
        QTest::newRow("A0004 unknown") << 0xA0004 << 0 << "[I]Ось LX: " + kUnknown;
    }
    void stateDisplay()
    {
        QFETCH(int, code);
        QFETCH(int, frame);
        QFETCH(QString, line);

        AxisPanel panel(m_link.get());
        // The axis registers frames 0, 1, 2 and 4; replace their pictures by plain colours.
        for (int f : {0, 1, 2, 3, 4})
            QCOMPARE(panel.sprite->hasState(f), f != 3);
        for (int f : {0, 1, 2, 4}) {
            QImage image(4, 4, QImage::Format_RGB32);
            image.fill(frameColour(f));
            const QString file = TestEnv::root() + QStringLiteral("/frame%1.png").arg(f);
            QVERIFY(image.save(file));
            panel.sprite->addPixmap(f, file);
        }
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);
        QSignalSpy states(panel.axis.get(), &Axis::stateChanged);

        panel.axis->onStateChanged(code);

        const QPixmap shown = panel.sprite->pixmap(Qt::ReturnByValue);
        QVERIFY(!shown.isNull());
        QCOMPARE(shown.toImage().pixelColor(0, 0), frameColour(frame));
        QCOMPARE(panel.axis->state(), code);
        QCOMPARE(states.size(), 1);
        QCOMPARE(states[0][0].toInt(), code);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0][0].toString(), line);
        QCOMPARE(messages[0][1].toBool(), true);
    }

    void parkEdge()
    {
        AxisPanel panel(m_link.get());
        QSignalSpy parked(panel.axis.get(), &Axis::parked);
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);

        const QList<int> codes = {0xA0013, 0xC1600, 0xC1600, 0xA0101, 0xE8043, 0xC1600};
        const QList<QVariantList> edges = {{}, {true}, {}, {false}, {}, {true}};
        for (int i = 0; i < codes.size(); ++i) {
            parked.clear();
            panel.axis->onStateChanged(codes[i]);
            QList<QVariantList> seen;
            for (const QList<QVariant>& args : parked)
                seen << args;
            QCOMPARE(seen, edges[i].isEmpty() ? QList<QVariantList>() : QList<QVariantList>{edges[i]});
        }
        // The same state reported again (as after a lost link) is no new line.
        QCOMPARE(messages.size(), codes.size() - 1);
        QCOMPARE(messages[1][0].toString(), QStringLiteral("[I]Ось LX: Парковка оси"));
        QCOMPARE(messages[2][0].toString(), QStringLiteral("[I]Ось LX: Режим управления по скорости"));
    }

    // A jog that the link cannot send is not logged as running or ended (the link itself says
    // that it was not sent).
    void jogIntoADeadLinkLogsNothing()
    {
        DriveTCPthread dead;
        AxisPanel panel(&dead);
        panel.speed->setValue(500.0f, 0);
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);
        QSignalSpy notSent(&dead, &DriveTCPthread::commandNotSent);
        QTest::mousePress(panel.plus, Qt::LeftButton);
        QTest::mouseRelease(panel.plus, Qt::LeftButton);
        QCOMPARE(messages.count(), 0);
        QCOMPARE(notSent.count(), 2);
        QCOMPARE(notSent.at(0).at(0).toString(), QStringLiteral("MOVE(LX,500)"));
    }

    // Momentary jog: a press starts and logs, a release stops and logs, except in endless
    // rotation, where the release is ignored.
    void momentaryJog_data()
    {
        QTest::addColumn<bool>("positive");
        QTest::addColumn<bool>("endless");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("startLine");
        const QString plusLine = QStringLiteral(
            "[C]Выполнение ручного перемещение по оси LX в положительном направлении...");
        const QString minusLine = QStringLiteral(
            "[C]Выполнение ручного перемещение по оси LX в отрицательном направлении...");
        QTest::newRow("plus") << true << false << "MOVE(LX,500)" << plusLine;
        QTest::newRow("minus") << false << false << "MOVE(LX,-500)" << minusLine;
        QTest::newRow("plus endless") << true << true << "MOVE(LX,500)" << plusLine;
        QTest::newRow("minus endless") << false << true << "MOVE(LX,-500)" << minusLine;
    }
    void momentaryJog()
    {
        QFETCH(bool, positive);
        QFETCH(bool, endless);
        QFETCH(QString, start);
        QFETCH(QString, startLine);

        AxisPanel panel(m_link.get(), endless);
        panel.speed->setValue(500.0f, 0);
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);
        QPushButton* button = positive ? panel.plus : panel.minus;

        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(m_peer.next(), start);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0][0].toString(), startLine);
        QCOMPARE(messages[0][1].toBool(), true);

        QTest::mouseRelease(button, Qt::LeftButton);
        if (endless) {
            m_link->command(QStringLiteral("MARK"));
            QCOMPARE(m_peer.next(), QStringLiteral("MARK"));
            QCOMPARE(messages.size(), 1);
        } else {
            QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
            QCOMPARE(messages.size(), 2);
            QCOMPARE(messages[1][0].toString(),
                     QStringLiteral("[I]Завершено ручное перемещение по оси LX"));
            QCOMPARE(messages[1][1].toBool(), true);
        }
    }

    // Endless rotation switched off again: the release stops the axis.
    void endlessSwitchedOff()
    {
        AxisPanel panel(m_link.get(), true);
        panel.speed->setValue(60.0f, 0);
        panel.axis->onEndlessClicked(false);
        QTest::mouseClick(panel.plus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,60)"));
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
    }

    // The jog speed is the speed label's value cut toward zero, and is stored so on exit.
    void speedTruncation()
    {
        {
            AxisPanel panel(m_link.get());
            panel.speed->setValue(22.5f, 0);
            QCOMPARE(panel.axis->speed(), 22);
            QTest::mousePress(panel.minus, Qt::LeftButton);
            QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,-22)"));
            QTest::mouseRelease(panel.minus, Qt::LeftButton);
            QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
        }
        QCOMPARE(SettingsFile::open()->value(QStringLiteral("LX/Speed")).toString(),
                 QStringLiteral("22"));
    }

    // The stored speed is read at construction and kept within 0..maxSpeed, so that a damaged
    // value can never jog the axis the wrong way.
    void storedSpeed_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("speed");
        QTest::newRow("absent") << QVariant() << 0;
        QTest::newRow("750") << QVariant(750) << 750;
        QTest::newRow("top speed") << QVariant(3000) << 3000;
        QTest::newRow("above top speed") << QVariant(99999) << 3000;
        QTest::newRow("negative") << QVariant(-500) << 0;
        QTest::newRow("not a number") << QVariant(QStringLiteral("fast")) << 0;
    }
    void storedSpeed()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, speed);
        if (stored.isValid())
            SettingsFile::open()->setValue(QStringLiteral("LX/Speed"), stored);

        AxisPanel panel(m_link.get());
        QCOMPARE(panel.speed->value(), float(speed));
        QCOMPARE(panel.speed->text(), QString::number(speed));
        QCOMPARE(panel.axis->speed(), speed);
        QTest::mouseClick(panel.plus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,%1)").arg(speed));
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
    }

    // A negative value put on the speed label later (the main window's own settings) never
    // turns into a jog the wrong way either.
    void negativeLabelNeverReversesTheJog()
    {
        AxisPanel panel(m_link.get());
        panel.speed->setValue(-500.0f, 0);
        QCOMPARE(panel.axis->speed(), 0);
        QTest::mousePress(panel.plus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
        QTest::mouseRelease(panel.plus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
    }

    // Latched mode (checkable buttons whose toggles the caller connects): the presses send
    // nothing, the toggles jog and lock the opposite button, and nothing is logged.
    void latchedJog()
    {
        AxisPanel panel(m_link.get());
        panel.speed->setValue(500.0f, 0);
        panel.plus->setCheckable(true);
        panel.minus->setCheckable(true);
        connect(panel.plus, &QPushButton::toggled, panel.axis.get(), &Axis::onPlusToggled);
        connect(panel.minus, &QPushButton::toggled, panel.axis.get(), &Axis::onMinusToggled);
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);

        QTest::mouseClick(panel.plus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,500)"));
        QVERIFY(!panel.minus->isEnabled());
        QTest::mouseClick(panel.plus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
        QVERIFY(panel.minus->isEnabled());

        QTest::mouseClick(panel.minus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,-500)"));
        QVERIFY(!panel.plus->isEnabled());
        QTest::mouseClick(panel.minus, Qt::LeftButton);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,-0)"));
        QVERIFY(panel.plus->isEnabled());

        m_link->command(QStringLiteral("MARK"));
        QCOMPARE(m_peer.next(), QStringLiteral("MARK"));
        QCOMPARE(messages.size(), 0);
    }

    // An end switch that comes on while its jog button is held disables the button, which
    // releases it, and so stops the axis.
    void endSwitchWhileHeld_data()
    {
        QTest::addColumn<bool>("positive");
        QTest::newRow("plus") << true;
        QTest::newRow("minus") << false;
    }
    void endSwitchWhileHeld()
    {
        QFETCH(bool, positive);
        AxisPanel panel(m_link.get());
        panel.speed->setValue(300.0f, 0);
        QPushButton* button = positive ? panel.plus : panel.minus;
        QSignalSpy switched(panel.axis.get(), positive ? &Axis::epPlusChanged : &Axis::epMinusChanged);

        QTest::mousePress(button, Qt::LeftButton);
        QCOMPARE(m_peer.next(), positive ? QStringLiteral("MOVE(LX,300)") : QStringLiteral("MOVE(LX,-300)"));
        if (positive)
            panel.axis->onEpPlusChanged(true);
        else
            panel.axis->onEpMinusChanged(true);
        QCOMPARE(m_peer.next(), QStringLiteral("MOVE(LX,0)"));
        QVERIFY(!button->isEnabled());
        QCOMPARE(positive ? panel.axis->epPlus() : panel.axis->epMinus(), true);
        QCOMPARE(switched.size(), 1);
        QCOMPARE(switched[0][0].toBool(), true);

        if (positive)
            panel.axis->onEpPlusChanged(false);
        else
            panel.axis->onEpMinusChanged(false);
        QVERIFY(button->isEnabled());
        QCOMPARE(positive ? panel.axis->epPlus() : panel.axis->epMinus(), false);
        QCOMPARE(switched.size(), 2);
    }

    void parkAndClearErrorCommands()
    {
        AxisPanel panel(m_link.get());
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);
        panel.axis->onPark(true);
        QCOMPARE(m_peer.next(), QStringLiteral("PARK(LX)"));
        panel.axis->onPark(false);
        QCOMPARE(m_peer.next(), QStringLiteral("DEPARK(LX)"));
        panel.axis->onClearError();
        QCOMPARE(m_peer.next(), QStringLiteral("CLEAR_ERROR(LX)"));
        QCOMPARE(messages.size(), 0);
    }

    void coordinateAndLimits()
    {
        AxisPanel panel(m_link.get());
        QSignalSpy coords(panel.axis.get(), &Axis::coordChanged);
        QSignalSpy maxLimits(panel.axis.get(), &Axis::epPlusValueChanged);
        QSignalSpy minLimits(panel.axis.get(), &Axis::epMinusValueChanged);

        panel.axis->onCoordChanged(-123.456f);
        QCOMPARE(panel.axis->coord(), -123.456f);
        QCOMPARE(panel.coord->value(), -123.456f);
        QCOMPARE(panel.coord->text(), QStringLiteral("-123.46"));
        QCOMPARE(coords.size(), 1);
        QCOMPARE(coords[0][0].toFloat(), -123.456f);

        panel.axis->onEpPlusValueChanged(250.5f);
        panel.axis->onEpMinusValueChanged(-10.0f);
        QCOMPARE(panel.axis->maxLimit(), 250.5f);
        QCOMPARE(panel.axis->minLimit(), -10.0f);
        QCOMPARE(maxLimits.size(), 1);
        QCOMPARE(maxLimits[0][0].toFloat(), 250.5f);
        QCOMPARE(minLimits.size(), 1);
        QCOMPARE(minLimits[0][0].toFloat(), -10.0f);
    }

private:
    DrivePeer m_peer;
    std::unique_ptr<DriveTCPthread> m_link;
};

POKAVRO_TEST_MAIN(TestAxis)
#include "tst_axis.moc"
