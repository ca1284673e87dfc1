#include <QPushButton>
#include <QtTest>

#include <memory>

#include "inform.h"
#include "modaldriver.h"
#include "ratecalc.h"
#include "settingsfile.h"
#include "testenv.h"
#include "widgets.h"

namespace {

const QStringList Fields = {"LinRate1", "LinRate2", "AngleRate", "Diam"};

void storeRates(const QList<float>& values)
{
    const auto settings = SettingsFile::open();
    settings->clear();
    for (int i = 0; i < values.size(); ++i)
        settings->setValue("RateCalc/" + Fields.at(i), values.at(i));
}

QStringList shown(const RateCalc& calc)
{
    QStringList texts;
    for (const QString& field : Fields)
        texts << calc.findChild<PoLabel*>(field)->text();
    return texts;
}

// One step of the operator: "click:<button>", "pad:<label>:<digits>" (typed and entered),
// "cancel:<label>" (the pad is closed by its frame).
void act(RateCalc& calc, const QString& step)
{
    const QStringList parts = step.split(':');
    QWidget* target = calc.findChild<QWidget*>(parts.at(1));
    QVERIFY2(target, qPrintable(step));
    if (parts.at(0) == "click") {
        QTest::mouseClick(target, Qt::LeftButton);
        return;
    }
    ModalDriver driver;
    driver.next("Numpad", [&](ModalDialog& pad) {
        if (parts.at(0) == "cancel") {
            pad.clickFrameClose();
            return;
        }
        pad.type(parts.at(2));
        pad.click("pbEnter");
    });
    QTest::mouseClick(target, Qt::LeftButton);
    QVERIFY(driver.done());
}

}  // namespace

class TestCalculator : public QObject
{
    Q_OBJECT

private slots:
    void arithmetic_data()
    {
        QTest::addColumn<QList<float>>("stored");  // LinRate1, LinRate2, AngleRate, Diam
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("expected");
        const QList<float> start{1, 1, 1, 100};
        QTest::newRow("mm/min entered") << start << QStringList{"pad:LinRate1:600"}
                                        << QStringList{"600.0", "36.0", "687.5", "100.0"};
        QTest::newRow("caption opens the same pad") << start << QStringList{"pad:lblLinRate1:600"}
                                                    << QStringList{"600.0", "36.0", "687.5", "100.0"};
        QTest::newRow("m/h entered") << start << QStringList{"pad:LinRate2:36"}
                                     << QStringList{"600.0", "36.0", "687.5", "100.0"};
        QTest::newRow("degrees/min entered") << start << QStringList{"pad:AngleRate:360"}
                                             << QStringList{"314.2", "18.8", "360.0", "100.0"};
        QTest::newRow("diameter keeps the angular speed")
            << QList<float>{1, 1, 360, 100} << QStringList{"pad:lblDiam:200"}
            << QStringList{"628.3", "37.7", "360.0", "200.0"};
        QTest::newRow("pad entry 0 raised to 1") << start << QStringList{"pad:LinRate1:0"}
                                                 << QStringList{"1.0", "0.1", "1.1", "100.0"};
        QTest::newRow("pad entry lowered to 2400") << start << QStringList{"pad:LinRate1:9999"}
                                                   << QStringList{"2400.0", "144.0", "2750.2", "100.0"};
        QTest::newRow("minus at 0.5 gives 0") << QList<float>{0.5f, 1, 1, 100}
                                              << QStringList{"click:pbLinRate1Minus"}
                                              << QStringList{"0.0", "0.0", "0.0", "100.0"};
        QTest::newRow("minus at 0 stays") << QList<float>{0, 1, 1, 100}
                                          << QStringList{"click:pbLinRate1Minus"}
                                          << QStringList{"0.0", "0.0", "0.0", "100.0"};
        QTest::newRow("plus at 1800 stays") << QList<float>{1, 1, 1800, 100}
                                            << QStringList{"click:pbAngleRatePlus"}
                                            << QStringList{"1570.8", "94.2", "1800.0", "100.0"};
        QTest::newRow("m/h plus") << QList<float>{1, 35, 1, 100} << QStringList{"click:pbLinRate2Plus"}
                                  << QStringList{"600.0", "36.0", "687.5", "100.0"};
        QTest::newRow("diameter plus") << QList<float>{1, 1, 360, 99} << QStringList{"click:pbDiamPlus"}
                                       << QStringList{"314.2", "18.8", "360.0", "100.0"};
        QTest::newRow("cancelled pad recalculates with the old value")
            << QList<float>{600, 20, 360, 100} << QStringList{"cancel:LinRate1"}
            << QStringList{"600.0", "36.0", "687.5", "100.0"};
        // A diameter of 0 has no angular speed for a linear one: the angular speed stays.
        QTest::newRow("diameter 0, then mm/min")
            << QList<float>{1, 1, 360, 1}
            << QStringList{"click:pbDiamMinus", "click:pbLinRate1Plus", "click:pbLinRate2Plus"}
            << QStringList{"17.7", "1.1", "360.0", "0.0"};
        QTest::newRow("diameter 0 entered, then m/h")
            << QList<float>{1, 1, 360, 100} << QStringList{"pad:Diam:0", "pad:LinRate2:10"}
            << QStringList{"166.7", "10.0", "360.0", "0.0"};
    }
    void arithmetic()
    {
        QFETCH(QList<float>, stored);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, expected);
        storeRates(stored);
        QPushButton anchor;
        RateCalc calc(&anchor);
        for (const QString& step : steps) {
            act(calc, step);
            if (QTest::currentTestFailed())
                return;
        }
        QCOMPARE(shown(calc), expected);
        for (const QString& text : shown(calc))
            QVERIFY2(!text.contains("inf") && !text.contains("nan"), qPrintable(text));
    }

    void otherSourceChangesNothing()
    {
        storeRates({600, 20, 360, 100});
        RateCalc calc(nullptr);
        calc.calcAllRate(3, 1000);
        calc.calcAllRate(-1, 1000);
        QCOMPARE(shown(calc), (QStringList{"600.0", "20.0", "360.0", "100.0"}));
    }

    void settingsKeptBetweenOpenings()
    {
        SettingsFile::open()->clear();
        {
            RateCalc calc(nullptr);
            // Defaults, not consistent with each other until a field changes.
            QCOMPARE(shown(calc), (QStringList{"600.0", "20.0", "360.0", "100.0"}));
            act(calc, "pad:AngleRate:90");
        }
        const auto settings = SettingsFile::open();
        QCOMPARE(settings->value("RateCalc/AngleRate").toFloat(), 90.0f);
        QCOMPARE(settings->value("RateCalc/Diam").toFloat(), 100.0f);
        QVERIFY(qAbs(settings->value("RateCalc/LinRate1").toFloat() - 78.5398f) < 0.001f);
        RateCalc again(nullptr);
        QCOMPARE(shown(again), (QStringList{"78.5", "4.7", "90.0", "100.0"}));
    }

    void frameAtAnchor()
    {
        QWidget window;
        window.setGeometry(100, 100, 600, 400);
        auto* anchor = new QPushButton(&window);
        anchor->setGeometry(50, 60, 120, 40);
        window.show();
        RateCalc calc(anchor);
        QWidget* frame = calc.parentWidget();
        QVERIFY(frame);
        QCOMPARE(frame->pos(), anchor->mapToGlobal(QPoint(0, anchor->height())));
        QCOMPARE(frame->windowModality(), Qt::WindowModal);
        QCOMPARE(calc.size(), QSize(450, 160));
    }

    void manuals_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("file");
        QTest::newRow("manual") << "pbManual" << "РЭ_1.pdf";
        QTest::newRow("operator") << "pbOperator" << "РЭ_2.pdf";
    }
    void manuals()
    {
        QFETCH(QString, button);
        QFETCH(QString, file);
        RecordingRunner runner;
        runner.detachedResult = false;  // a missing viewer changes nothing
        Inform inform(nullptr);
        QVERIFY(inform.isVisible());
        QTest::mouseClick(inform.findChild<QPushButton*>(button), Qt::LeftButton);
        QCOMPARE(runner.detached.size(), 1);
        QCOMPARE(runner.detached.first().first, QString("okular"));
        QCOMPARE(runner.detached.first().second, QStringList{file});
        QVERIFY(inform.isVisible());
        QVERIFY(runner.shellCommands.isEmpty());
    }

    void informRunsAndCloses()
    {
        RecordingRunner runner;
        Inform inform(nullptr);
        QCOMPARE(inform.size(), QSize(480, 400));
        QCOMPARE(inform.pos(), QPoint(720, 400));
        QVERIFY(inform.windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(inform.findChild<QLabel*>("lblKAVRO")->text(),
                 QString("Установка электронно-лучевой сварки\nKAVRO-41-706"));
        ModalDriver driver;
        driver.next("Inform", [](ModalDialog& d) { d.click("pbClose"); });
        QCOMPARE(inform.exec(), int(QDialog::Rejected));
        QVERIFY(driver.done());
        QVERIFY(runner.detached.isEmpty());
    }
};

POKAVRO_TEST_MAIN(TestCalculator)
#include "tst_calculator.moc"
