// The three coordinate schemes: axis names, headers, program fragments with their frame
// counters, point words and distances, written the same under a Russian default locale.

#include <QLocale>
#include <QtTest>
#include <cmath>
#include <memory>

#include "schema.h"
#include "testenv.h"

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Program text never follows the user's locale.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    void identity()
    {
        SchemaXYZ xyz;
        SchemaXYZr xyzr(50, 0, 1);
        SchemaCircle ring(250, 12);
        QCOMPARE(xyz.axisNames(), QStringList({"LX", "LY", "Z"}));
        QCOMPARE(xyzr.axisNames(), QStringList({"LX", "LY", "Z"}));
        QCOMPARE(ring.axisNames(), QStringList({"V", "LX", "LY", "Z"}));
        QCOMPARE(xyz.D(), -1.0f);
        QCOMPARE(xyz.P(), -1.0f);
        QCOMPARE(xyz.Aux(), -1);
        QCOMPARE(ring.Aux(), -1);
        QCOMPARE(ring.P(), 12.0f);
        QCOMPARE(xyzr.R(), 25.0f);
        QVERIFY(!xyz.round() && xyzr.round() && ring.round());
        QVERIFY(!xyz.circle() && !xyzr.circle() && ring.circle());
        QVERIFY(!xyz.rotate() && xyzr.rotate() && !ring.rotate());

        // A file's id picks the scheme; anything unknown (ids are case-sensitive) is linear.
        const std::unique_ptr<Schema> fromFile(createSchema("XYZr", 80, 3, 2));
        QCOMPARE(fromFile->id(), QStringLiteral("XYZr"));
        QCOMPARE(fromFile->D(), 80.0f);
        QCOMPARE(fromFile->Aux(), 2);
        QCOMPARE(std::unique_ptr<Schema>(createSchema("circle", 80, 3, 2))->id(), QStringLiteral("XYZ"));
        QCOMPARE(std::unique_ptr<Schema>(createSchema("Circle", 80, 3, 2))->P(), 3.0f);

        // A copy keeps the changed fields and is independent afterwards.
        xyzr.setD(120);
        const std::unique_ptr<Schema> copy(xyzr.clone());
        xyzr.setAux(0);
        QCOMPARE(copy->D(), 120.0f);
        QCOMPARE(copy->Aux(), 1);
    }

    void headers()
    {
        SchemaXYZr xyzr(250, 0, 0);
        SchemaCircle ring(123.4567f, 0);
        QCOMPARE(SchemaXYZ().header(), QStringLiteral("<b>Линейная интерполяция</b>"));
        QCOMPARE(xyzr.header(), QStringLiteral("<b>Круговая интерполяция</b><pre>D=250</>"));
        QCOMPARE(ring.header(), QStringLiteral("<b>Кольцевой стык</b><pre>D=123.457</>"));
        ring.setD(100);
        QCOMPARE(ring.header(), QStringLiteral("<b>Кольцевой стык</b><pre>D=100</>"));
    }

    void initAndUninitLines_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("aux");
        QTest::addColumn<float>("D");
        QTest::addColumn<QStringList>("init1");
        QTest::addColumn<QStringList>("init2");
        QTest::addColumn<QStringList>("uninit1");
        QTest::addColumn<QStringList>("uninit2");
        // Each list starts at frame 2 and follows on from the previous one.
        QTest::newRow("XYZ") << "XYZ" << -1 << -1.0f << QStringList{"N2 COORD(1)", "N3 G4 F0.2", "N4 COORD(2)"}
                             << QStringList{"N5 G4 F0.2"} << QStringList{"N6 G4 F0.2", "N7 COORD(0,2)"}
                             << QStringList{"N8 G4 F0.2"};
        QTest::newRow("XYZr XY") << "XYZr" << 0 << 50.0f << QStringList{"N2 COORD(2)", "N3 G17"}
                                 << QStringList{"N4 G4 F0.2"} << QStringList{"N5 G16", "N6 COORD(0,2)"}
                                 << QStringList{"N7 G4 F0.2"};
        QTest::newRow("XYZr XZ") << "XYZr" << 1 << 50.0f << QStringList{"N2 COORD(2)", "N3 G18"}
                                 << QStringList{"N4 G4 F0.2"} << QStringList{"N5 G16", "N6 COORD(0,2)"}
                                 << QStringList{"N7 G4 F0.2"};
        QTest::newRow("XYZr YZ") << "XYZr" << 2 << 50.0f << QStringList{"N2 COORD(2)", "N3 G19"}
                                 << QStringList{"N4 G4 F0.2"} << QStringList{"N5 G16", "N6 COORD(0,2)"}
                                 << QStringList{"N7 G4 F0.2"};
        QTest::newRow("XYZr plane 7") << "XYZr" << 7 << 50.0f << QStringList{"N2 COORD(2)", "N3 G17"}
                                      << QStringList{"N4 G4 F0.2"} << QStringList{"N5 G16", "N6 COORD(0,2)"}
                                      << QStringList{"N7 G4 F0.2"};
        QTest::newRow("Circle D100") << "Circle" << -1 << 100.0f
                                     << QStringList{"N2 COORD(1)", "N3 G4 F0.2", "N4 COORD(2)"}
                                     << QStringList{"N5 ARF(V=0.87)"} << QStringList{"N6 G4 F0.2", "N7 COORD(0,2)"}
                                     << QStringList{"N8 ARF()"};
        QTest::newRow("Circle D250") << "Circle" << -1 << 250.0f
                                     << QStringList{"N2 COORD(1)", "N3 G4 F0.2", "N4 COORD(2)"}
                                     << QStringList{"N5 ARF(V=2.18)"} << QStringList{"N6 G4 F0.2", "N7 COORD(0,2)"}
                                     << QStringList{"N8 ARF()"};
    }

    void initAndUninitLines()
    {
        QFETCH(QString, id);
        QFETCH(int, aux);
        QFETCH(float, D);
        QFETCH(QStringList, init1);
        QFETCH(QStringList, init2);
        const std::unique_ptr<Schema> schema(createSchema(id, D, 0, aux));
        int n = 2;
        QCOMPARE(schema->gCodeInitChan1(&n), init1);
        QCOMPARE(schema->gCodeInitChan2(&n), init2);
        QFETCH(QStringList, uninit1);
        QCOMPARE(schema->gCodeUninitChan1(&n), uninit1);
        QFETCH(QStringList, uninit2);
        QCOMPARE(schema->gCodeUninitChan2(&n), uninit2);
        QCOMPARE(n, 2 + init1.size() + init2.size() + uninit1.size() + uninit2.size());
    }

    void pointWords()
    {
        SchemaXYZ xyz;
        QCOMPARE(xyz.gCodePoint({10, -2.5f, 0}, false), QStringLiteral("G01 x=10.00 y=-2.50 z=0.00"));
        QCOMPARE(xyz.gCodePoint({10, -2.5f, 0}, true), QStringLiteral("G01 x=10.00 y=-2.50 z=0.00"));

        const QList<float> c{1, 2, 3};
        QCOMPARE(SchemaXYZr(50, 0, 0).gCodePoint(c, false), QStringLiteral("G02 x=1.00 y=2.00 R25.00 z=3.00"));
        QCOMPARE(SchemaXYZr(50, 0, 0).gCodePoint(c, true), QStringLiteral("G03 x=1.00 y=2.00 R25.00 z=3.00"));
        QCOMPARE(SchemaXYZr(50, 0, 1).gCodePoint(c, true), QStringLiteral("G03 x=1.00 z=3.00 R25.00 y=2.00"));
        QCOMPARE(SchemaXYZr(50, 0, 2).gCodePoint(c, false), QStringLiteral("G02 y=2.00 z=3.00 R25.00 x=1.00"));
        // A plane code no form knows writes the YZ word.
        QCOMPARE(SchemaXYZr(50, 0, 5).gCodePoint(c, false), QStringLiteral("G02 y=2.00 z=3.00 R25.00 x=1.00"));

        SchemaCircle ring(100, 0);
        QCOMPARE(ring.gCodePoint({-90.125f, 1, 2, 3}, true), QStringLiteral("G01 V=-90.13"));
        QCOMPARE(ring.gCodePoint({-90.125f, 1, 2, 3}, false), QStringLiteral("G01 x=1.00 y=2.00 z=3.00"));
        // A short list never reads past its end.
        QCOMPARE(ring.gCodePoint({45}, false), QStringLiteral("G01 x=0.00 y=0.00 z=0.00"));
    }

    void distances_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<float>("D");
        QTest::addColumn<int>("aux");
        QTest::addColumn<QList<float>>("a");
        QTest::addColumn<QList<float>>("b");
        QTest::addColumn<double>("distance");
        QTest::addColumn<bool>("valid");
        const double pi = 3.141592653589793;
        QTest::newRow("XYZ 3-4-12") << "XYZ" << -1.0f << -1 << QList<float>{1, 2, 3} << QList<float>{4, 6, 15} << 13.0 << true;
        QTest::newRow("XYZ same") << "XYZ" << -1.0f << -1 << QList<float>{1, 2, 3} << QList<float>{1, 2, 3} << 0.0 << true;
        QTest::newRow("XYZr same") << "XYZr" << 50.0f << 0 << QList<float>{1, 2, 3} << QList<float>{1, 2, 3} << 0.0 << true;
        QTest::newRow("XYZr chord = D") << "XYZr" << 50.0f << 0 << QList<float>{0, 0, 0} << QList<float>{50, 0, 9}
                                        << 25 * pi << true;
        QTest::newRow("XYZr XZ ignores y") << "XYZr" << 50.0f << 1 << QList<float>{0, 0, 0} << QList<float>{0, 99, 50}
                                           << 25 * pi << true;
        QTest::newRow("XYZr YZ") << "XYZr" << 100.0f << 2 << QList<float>{7, 0, 0} << QList<float>{0, 50, 0}
                                 << 100 * std::asin(0.5) << true;
        QTest::newRow("XYZr plane 9 measures XY") << "XYZr" << 100.0f << 9 << QList<float>{0, 0, 5} << QList<float>{0, 50, 0}
                                                  << 100 * std::asin(0.5) << true;
        // A chord longer than the diameter: not valid, and measured as half the circle, never NaN.
        QTest::newRow("XYZr chord > D") << "XYZr" << 50.0f << 0 << QList<float>{0, 0, 0} << QList<float>{60, 0, 0}
                                        << 25 * pi << false;
        // Before the circle is known (D 0) the path is the chord.
        QTest::newRow("XYZr D 0") << "XYZr" << 0.0f << 0 << QList<float>{0, 0, 0} << QList<float>{3, 4, 0} << 5.0 << false;
        QTest::newRow("Circle 10..350") << "Circle" << 360.0f / float(pi) << -1 << QList<float>{10, 1, 2, 3}
                                        << QList<float>{350, 9, 9, 9} << 20.0 << true;
        QTest::newRow("Circle 180") << "Circle" << 360.0f / float(pi) << -1 << QList<float>{0, 0, 0, 0}
                                    << QList<float>{180, 0, 0, 0} << 180.0 << true;
        QTest::newRow("Circle D100 90") << "Circle" << 100.0f << -1 << QList<float>{90, 0, 0, 0}
                                        << QList<float>{0, 0, 0, 0} << 25 * pi << true;
    }

    void distances()
    {
        QFETCH(QString, id);
        QFETCH(float, D);
        QFETCH(int, aux);
        QFETCH(QList<float>, a);
        QFETCH(QList<float>, b);
        QFETCH(double, distance);
        QFETCH(bool, valid);
        const std::unique_ptr<Schema> schema(createSchema(id, D, 0, aux));
        const float got = schema->distance(a, b);
        QVERIFY(std::isfinite(got));
        QVERIFY2(std::fabs(got - distance) < 1e-3 * std::max(1.0, distance),
                 qPrintable(QStringLiteral("%1 instead of %2").arg(got).arg(distance)));
        QCOMPARE(schema->distance(b, a), got);
        QCOMPARE(schema->validDistance(a, b), valid);
    }
};

POKAVRO_TEST_MAIN(TestSchema)
#include "tst_schema.moc"
