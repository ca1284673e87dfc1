// The speed popup: presets as shown, presses beside the labels, the bounded free entry, the
// highlight that follows the pointer, the preset-count check, and the axis object that opens it
// from its speed label.

#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "axispanel.h"
#include "drivecomm.h"
#include "modaldriver.h"
#include "myframe.h"
#include "selector.h"
#include "testenv.h"

namespace {

const QList<float> kPresets1200 = {30, 60, 120, 300, 600, 1200};

// The centre of a child of the popup, in the popup's coordinates.
QPoint centreOf(QWidget* popup, const QString& name)
{
    auto* child = popup->findChild<QWidget*>(name);
    if (!child)
        return QPoint(-1000, -1000);
    return child->mapTo(popup, child->rect().center());
}

void press(QWidget* popup, const QPoint& at)
{
    QTest::mousePress(popup, Qt::LeftButton, Qt::NoModifier, at);
}

void move(QWidget* popup, const QPoint& at)
{
    QMouseEvent event(QEvent::MouseMove, at, popup->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(popup, &event);
}

}  // namespace

class TestSelector : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_anchor.setGeometry(200, 300, 120, 40);
        m_anchor.show();
    }

    // A press on a preset chooses the number its label shows, from the axis's speed label.
    void presetPress_data()
    {
        QTest::addColumn<int>("maxSpeed");
        QTest::addColumn<QString>("units");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("speed");
        QTest::newRow("3000, 10 %") << 3000 << "мм"
                                    << QStringList{"75", "150", "300", "750", "1500", "3000"}
                                    << "lbl2" << "300";
        QTest::newRow("120, 100 %") << 120 << "град"
                                    << QStringList{"3", "6", "12", "30", "60", "120"} << "lbl5"
                                    << "120";
        // 22.5 is shown and chosen as a whole number.
        QTest::newRow("900, 2.5 %") << 900 << "град"
                                    << QStringList{"23", "45", "90", "225", "450", "900"} << "lbl0"
                                    << "23";
    }
    void presetPress()
    {
        QFETCH(int, maxSpeed);
        QFETCH(QString, units);
        QFETCH(QStringList, shown);
        QFETCH(QString, label);
        QFETCH(QString, speed);

        DriveTCPthread link;
        AxisPanel panel(&link, false, QStringLiteral("A"), maxSpeed, units);
        panel.speed->setValue(1.0f, 0);
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);
        QSignalSpy speeds(panel.axis.get(), &Axis::speedChanged);

        ModalDriver driver;
        driver.next(QStringLiteral("Selector"), [&](ModalDialog& d) {
            QWidget* popup = d.dialog();
            QVERIFY(popup->isWindow());
            QVERIFY(popup->windowFlags() & Qt::FramelessWindowHint);
            QCOMPARE(popup->size(), QSize(242, 242));
            QCOMPARE(popup->pos(), panel.speed->mapToGlobal(QPoint(0, panel.speed->height())));
            QStringList texts;
            for (int i = 0; i < 6; ++i)
                texts << d.text(QStringLiteral("lbl%1").arg(i));
            QCOMPARE(texts, shown);
            QCOMPARE(d.text(QStringLiteral("lblAny")), QStringLiteral("Произвольная скорость"));
            press(popup, centreOf(popup, label));
        });
        QTest::mouseClick(panel.speed, Qt::LeftButton);
        QVERIFY(driver.done());

        QCOMPARE(panel.speed->text(), speed);
        QCOMPARE(panel.axis->speed(), speed.toInt());
        QCOMPARE(speeds.size(), 1);
        QCOMPARE(speeds[0][0].toInt(), speed.toInt());
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0][0].toString(),
                 QStringLiteral("[I]Установлена скорость %1 %2/мин для оси A").arg(speed, units));
        QCOMPARE(messages[0][1].toBool(), true);
    }

    // A press anywhere but on a label, the one-pixel frame round them included, cancels:
    // the speed stays and nothing is logged.
    void pressOutside_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::newRow("above the popup") << QPoint(-20, -300);
        QTest::newRow("far right") << QPoint(1500, 100);
        QTest::newRow("frame left edge") << QPoint(0, 1);
        QTest::newRow("frame right edge") << QPoint(241, 100);
        QTest::newRow("frame bottom edge") << QPoint(60, 241);
    }
    void pressOutside()
    {
        QFETCH(QPoint, at);

        DriveTCPthread link;
        AxisPanel panel(&link);
        panel.speed->setValue(450.0f, 0);
        QSignalSpy messages(panel.axis.get(), &Axis::axisMessage);
        QSignalSpy speeds(panel.axis.get(), &Axis::speedChanged);

        ModalDriver driver;
        driver.next(QStringLiteral("Selector"), [&](ModalDialog& d) { press(d.dialog(), at); });
        QTest::mouseClick(panel.speed, Qt::LeftButton);
        QVERIFY(driver.done());

        QCOMPARE(panel.speed->text(), QStringLiteral("450"));
        QCOMPARE(speeds.size(), 0);
        QCOMPARE(messages.size(), 0);
    }

    // The free entry is bounded to 0.1 .. the sixth preset; a cancelled pad cancels the popup.
    void freeEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("result");
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("line");
        QTest::newRow("inside") << "750.5" << true << 1 << 750.5f
                                << "[I]Установлена скорость 750.5 мм/мин для оси LX";
        QTest::newRow("zero") << "0" << true << 1 << 0.1f
                              << "[I]Установлена скорость 0.1 мм/мин для оси LX";
        QTest::newRow("empty") << "" << true << 1 << 0.1f
                               << "[I]Установлена скорость 0.1 мм/мин для оси LX";
        QTest::newRow("0.05") << "0.05" << true << 1 << 0.1f
                              << "[I]Установлена скорость 0.1 мм/мин для оси LX";
        QTest::newRow("above maximum") << "5000" << true << 1 << 1200.0f
                                       << "[I]Установлена скорость 1200 мм/мин для оси LX";
        QTest::newRow("cancelled") << "300" << false << 0 << 0.0f << "";
    }
    void freeEntry()
    {
        QFETCH(QString, entry);
        QFETCH(bool, confirm);
        QFETCH(int, result);
        QFETCH(float, value);
        QFETCH(QString, line);

        Selector selector(QStringLiteral("LX"), QStringLiteral("мм"), kPresets1200,
                          QStringLiteral("Произвольная скорость"), 0, &m_anchor);
        QSignalSpy messages(&selector, &Selector::message);

        ModalDriver driver;
        driver.next(QStringLiteral("Selector"), [&](ModalDialog& d) {
            press(d.dialog(), centreOf(d.dialog(), QStringLiteral("lblAny")));
        });
        driver.next(QStringLiteral("Numpad"), [&](ModalDialog& d) {
            auto* frame = qobject_cast<MyFrame*>(d.window());
            QVERIFY(frame);
            QCOMPARE(frame->titleLabel()->text(), QStringLiteral("Скорость"));
            QCOMPARE(frame->pos(), m_anchor.mapToGlobal(QPoint(0, m_anchor.height())));
            QCOMPARE(d.text(QStringLiteral("leLCD")), QString());
            QVERIFY(d.isEnabled(QStringLiteral("pbDecimal")));
            QVERIFY(!d.isEnabled(QStringLiteral("pbSign")));
            d.type(entry);
            if (confirm)
                d.click(QStringLiteral("pbEnter"));
            else
                d.clickFrameClose();
        });
        QCOMPARE(selector.exec(), result);
        QVERIFY(driver.done());
        QCOMPARE(selector.value(), value);
        if (line.isEmpty()) {
            QCOMPARE(messages.size(), 0);
        } else {
            QCOMPARE(messages.size(), 1);
            QCOMPARE(messages[0][0].toString(), line);
        }
    }

    void range_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("low");
        QTest::addColumn<float>("high");
        QTest::addColumn<float>("result");
        QTest::newRow("inside") << 5.0f << 1.0f << 10.0f << 5.0f;
        QTest::newRow("below") << 0.0f << 1.0f << 10.0f << 1.0f;
        QTest::newRow("above") << 11.0f << 1.0f << 10.0f << 10.0f;
        QTest::newRow("bounds crossed: the upper wins") << 0.0f << 10.0f << 5.0f << 5.0f;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 1.0f << 10.0f
                                      << 1.0f;
    }
    void range()
    {
        QFETCH(float, value);
        QFETCH(float, low);
        QFETCH(float, high);
        QFETCH(float, result);
        Selector selector(QStringLiteral("LX"), QStringLiteral("мм"), kPresets1200, QString(), 0,
                          &m_anchor);
        selector.range(value, low, high);
        QCOMPARE(selector.value(), result);
    }

    // The popup opens below its anchor and stays inside the 1920 x 1200 screen: a speed label at
    // the right edge (the axis panels) or near the bottom moves it back in.
    void staysOnScreen_data()
    {
        QTest::addColumn<QRect>("anchor");
        QTest::addColumn<QPoint>("popup");
        QTest::newRow("room below") << QRect(200, 300, 80, 35) << QPoint(200, 335);
        QTest::newRow("right edge") << QRect(1755, 205, 80, 35) << QPoint(1920 - 242, 240);
        QTest::newRow("bottom edge") << QRect(300, 1100, 80, 35) << QPoint(300, 1200 - 242);
        QTest::newRow("corner") << QRect(1850, 1150, 70, 50) << QPoint(1920 - 242, 1200 - 242);
    }
    void staysOnScreen()
    {
        QFETCH(QRect, anchor);
        QFETCH(QPoint, popup);
        m_anchor.setGeometry(anchor);
        Selector selector(QStringLiteral("LX"), QStringLiteral("мм"), kPresets1200, QString(), 0,
                          &m_anchor);
        QCOMPARE(selector.pos(), popup);
        selector.reject();
    }

    // The highlight follows the pointer over the labels and leaves none over the frame.
    void highlight()
    {
        Selector selector(QStringLiteral("LX"), QStringLiteral("мм"), kPresets1200, QString(), 1,
                          &m_anchor);
        QCOMPARE(selector.lbl0->text(), QStringLiteral("30.0"));
        const QColor normal = selector.lbl0->palette().color(QPalette::Window);
        const QColor blue(65, 121, 205);
        auto colour = [&](QWidget* label) { return label->palette().color(QPalette::Window); };

        move(&selector, centreOf(&selector, QStringLiteral("lbl0")));
        QCOMPARE(colour(selector.lbl0), blue);
        QCOMPARE(selector.lbl0->palette().color(QPalette::WindowText), QColor(Qt::white));
        move(&selector, centreOf(&selector, QStringLiteral("lbl1")));
        QCOMPARE(colour(selector.lbl0), normal);
        QCOMPARE(colour(selector.lbl1), blue);
        move(&selector, centreOf(&selector, QStringLiteral("lblAny")));
        QCOMPARE(colour(selector.lbl1), normal);
        QCOMPARE(colour(selector.lblAny), blue);
        move(&selector, QPoint(0, 100));
        for (QWidget* label : {selector.lbl0, selector.lbl1, selector.lbl2, selector.lbl3,
                               selector.lbl4, selector.lbl5, selector.lblAny})
            QCOMPARE(colour(label), normal);
        selector.reject();
    }

    // A preset list of the wrong length stops the program, in release builds too. The check
    // runs in a child process of this test.
    void wrongPresetCount()
    {
        if (qEnvironmentVariableIsSet("SELECTOR_FIVE_PRESETS")) {
            Selector selector(QStringLiteral("LX"), QStringLiteral("мм"), {1, 2, 3, 4, 5},
                              QString(), 0, nullptr);
            return;
        }
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SELECTOR_FIVE_PRESETS"), QStringLiteral("1"));
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("handle_abort=0"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("wrongPresetCount")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QVERIFY2(child.readAll().contains("5 speed presets instead of 6"),
                 "the child did not stop on the preset check");
    }

private:
    QWidget m_anchor;
};

POKAVRO_TEST_MAIN(TestSelector)
#include "tst_selector.moc"
