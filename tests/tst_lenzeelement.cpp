#include <QtTest>

#include <cmath>
#include <limits>

#include "lenzeelement.h"
#include "testenv.h"

// The value cell announces its first value and every change, and nothing else.
class TestLenzeElement : public QObject
{
    Q_OBJECT

private slots:
    void numberCellAnnouncesFirstValueAndChanges_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QList<int>>("announced");
        const QList<int> both = {LenzeElement::Number, LenzeElement::Sensor};
        for (int type : both) {
            const char* tag = type == LenzeElement::Number ? "number" : "sensor";
            QTest::addRow("%s: first 0 then equal", tag) << type << QList<int>{0, 0} << QList<int>{0};
            QTest::addRow("%s: 5 7 5", tag) << type << QList<int>{5, 7, 5} << QList<int>{5, 7, 5};
            QTest::addRow("%s: 3 3 -3 -3", tag) << type << QList<int>{3, 3, -3, -3} << QList<int>{3, -3};
        }
    }
    void numberCellAnnouncesFirstValueAndChanges()
    {
        QFETCH(int, type);
        QFETCH(QList<int>, values);
        QFETCH(QList<int>, announced);
        LenzeElement cell(LenzeElement::Type(type), "NL1:Power", 0);
        QSignalSpy withCell(&cell, QOverload<const LenzeElement*, int>::of(&LenzeElement::numberValChanged));
        QSignalSpy plain(&cell, QOverload<int>::of(&LenzeElement::numberValChanged));
        QSignalSpy sensor(&cell, QOverload<float>::of(&LenzeElement::sensorValChanged));
        // The cell announces with itself first, then with the value alone.
        QStringList order;
        connect(&cell, QOverload<const LenzeElement*, int>::of(&LenzeElement::numberValChanged), this,
                [&](const LenzeElement* elem, int) { order << (elem == &cell ? "cell" : "other"); });
        connect(&cell, QOverload<int>::of(&LenzeElement::numberValChanged), this, [&](int) { order << "value"; });
        for (int value : values)
            cell.setNumberVal(value);
        QCOMPARE(withCell.count(), announced.size());
        QCOMPARE(plain.count(), announced.size());
        for (int i = 0; i < announced.size(); ++i) {
            QCOMPARE(withCell.at(i).at(1).toInt(), announced.at(i));
            QCOMPARE(plain.at(i).at(0).toInt(), announced.at(i));
            QCOMPARE(order.mid(2 * i, 2), QStringList({"cell", "value"}));
        }
        QCOMPARE(sensor.count(), 0);
        QCOMPARE(cell.numberVal(), values.last());
    }

    void sensorCellComparesAsFloat()
    {
        LenzeElement cell(LenzeElement::Sensor, "Temp07", 1);
        QCOMPARE(cell.type(), LenzeElement::Sensor);
        QVERIFY(cell.isVariable());
        QCOMPARE(cell.dec(), 1);
        QCOMPARE(cell.name(), QString("Temp07"));
        QSignalSpy withCell(&cell, QOverload<const LenzeElement*, float>::of(&LenzeElement::sensorValChanged));
        QSignalSpy plain(&cell, QOverload<float>::of(&LenzeElement::sensorValChanged));
        cell.setSensorVal(0.0f);   // first value: announced although it is the initial one
        cell.setSensorVal(-0.0f);  // equal to +0
        cell.setSensorVal(21.5f);
        cell.setSensorVal(21.5f);
        QCOMPARE(withCell.count(), 2);
        QCOMPARE(plain.count(), 2);
        QCOMPARE(plain.at(1).at(0).toFloat(), 21.5f);
        const float nan = std::numeric_limits<float>::quiet_NaN();
        cell.setSensorVal(nan);
        cell.setSensorVal(nan);
        QCOMPARE(withCell.count(), 4);
        QVERIFY(std::isnan(plain.at(3).at(0).toFloat()));
        QVERIFY(std::isnan(cell.sensorVal()));
    }

    void numberAndSensorAnnounceIndependently()
    {
        LenzeElement cell(LenzeElement::Number, "VP1:LockOn", 0);
        QVERIFY(!cell.isVariable());
        QSignalSpy number(&cell, QOverload<int>::of(&LenzeElement::numberValChanged));
        QSignalSpy sensor(&cell, QOverload<float>::of(&LenzeElement::sensorValChanged));
        cell.setNumberVal(0);
        cell.setSensorVal(0.0f);  // the sensor value has its own first announcement
        cell.setNumberVal(0);
        QCOMPARE(number.count(), 1);
        QCOMPARE(sensor.count(), 1);
    }
};

POKAVRO_TEST_MAIN(TestLenzeElement)
#include "tst_lenzeelement.moc"
