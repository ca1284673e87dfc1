// The contour file as text: the example program, byte-identical round trips of each scheme,
// and damaged files (truncated, huge counts, values that are not numbers) that load in part and
// end at once. Numbers are written in the C locale whatever the user's locale.

#include <QElapsedTimer>
#include <QLocale>
#include <QtTest>
#include <limits>

#include "contourfile.h"
#include "contoursamples.h"
#include "testenv.h"

namespace {

const QByteArray kExample = QByteArrayLiteral(
    "шов1\n"
    "XYZ\n"
    "-1 0 0\n"
    "0 -1\n"
    "0 1\n"
    "600\n"
    "2\n"
    "10.00 20.00 5.00 1 0 0 0 \n"
    "30.00 20.00 5.00 2 1 0 25 \n"
    "3\n"
    "+ 0.00 0.0 700 0.0 0.0 600.0 2 \n"
    "- Технол.останов\n"
    "+ 20.00 150.0 700 0.0 0.0 600.0 1 2 1 1 0 10 0 0 1 0\n");

void compareSnapshots(const ContourSnapshot& got, const ContourSnapshot& want)
{
    QCOMPARE(got.schema->id(), want.schema->id());
    QCOMPARE(got.schema->D(), want.schema->D());
    QCOMPARE(got.schema->P(), want.schema->P());
    QCOMPARE(got.schema->Aux(), want.schema->Aux());
    QCOMPARE(got.points, want.points);
    QCOMPARE(got.tech.size(), want.tech.size());
    for (int i = 0; i < want.tech.size(); ++i)
        QVERIFY2(got.tech.at(i) == want.tech.at(i), qPrintable(QStringLiteral("technology row %1").arg(i)));
    QCOMPARE(got.ring, want.ring);
    QCOMPARE(got.passes, want.passes);
    QCOMPARE(got.weldSpeed, want.weldSpeed);
    QCOMPARE(got.pointCount, want.pointCount);
    if (want.schema->rotate()) {
        QCOMPARE(got.centerX, want.centerX);
        QCOMPARE(got.centerY, want.centerY);
    }
}

}  // namespace

class TestContourFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A Russian default locale writes "0,5" where the file needs "0.5".
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    void exampleFile()
    {
        const ContourFile::Contents c = ContourFile::read(kExample);
        QVERIFY(c.valid && c.complete);
        QCOMPARE(c.name, QStringLiteral("шов1"));
        QCOMPARE(c.techRows, 3);
        compareSnapshots(c.snapshot, ContourSamples::linear());
        QVERIFY(c.snapshot.tech.at(1).isStop());
        QVERIFY(!c.snapshot.tech.at(1).on);
        QCOMPARE(rasterText(c.snapshot.tech.at(2).raster),
                 QStringLiteral("Окружности; 1.00x1.00; 0; 10; 0.00x0.00; 1; 0"));
        // The writer gives the very same text, blanks at the line ends included.
        QCOMPARE(ContourFile::write(QStringLiteral("шов1"), ContourSamples::linear()), kExample);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("sample");
        QTest::newRow("XYZ") << 0;
        QTest::newRow("XYZr") << 1;
        QTest::newRow("Circle") << 2;
    }

    void roundTrip()
    {
        QFETCH(int, sample);
        const ContourSnapshot s = sample == 0 ? ContourSamples::linear()
                                : sample == 1 ? ContourSamples::circular()
                                              : ContourSamples::ring();
        const QByteArray bytes = ContourFile::write(QStringLiteral("кольцо 7"), s);
        const ContourFile::Contents c = ContourFile::read(bytes);
        QVERIFY(c.valid && c.complete);
        QCOMPARE(c.name, QStringLiteral("кольцо 7"));
        compareSnapshots(c.snapshot, s);
        QCOMPARE(ContourFile::write(c.name, c.snapshot), bytes);
    }

    void circularFileText()
    {
        // Fractions survive as numbers, the sweep's parameter included; the comment keeps its blanks.
        const QByteArray bytes = ContourFile::write(QStringLiteral("k"), ContourSamples::circular());
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.at(1), QByteArray("XYZr"));
        QCOMPARE(lines.at(2), QByteArray("100 5 -3"));
        QCOMPARE(lines.at(3), QByteArray("0 1"));
        QCOMPARE(lines.at(4), QByteArray("1 3"));
        QCOMPARE(lines.at(5), QByteArray("412.5"));
        QCOMPARE(lines.at(7), QByteArray("55.00 12.50 -3.00 "));
        QCOMPARE(lines.at(11), QByteArray("6"));
        QCOMPARE(lines.at(13), QByteArray("- Сварка  корня шва"));
        QCOMPARE(lines.at(15), QByteArray("+ 15.50 80.5 700 0.0 0.0 300.0 1 15 2.25 0.5 45 500 -1.5 0.75 0.125 1"));
        QCOMPARE(lines.at(16), QByteArray("+ 900.00 0.0 700 0.0 0.0 412.5 0 "));
    }

    void rowsComeBackOn()
    {
        ContourSnapshot s = ContourSamples::circular();
        s.tech[2].on = false;
        s.tech[3].on = false;
        const ContourFile::Contents c = ContourFile::read(ContourFile::write(QStringLiteral("k"), s));
        for (const TechRow& row : c.snapshot.tech)
            QCOMPARE(row.on, !row.isComment());
    }

    void textsStayOnTheirLine()
    {
        ContourSnapshot s = ContourSamples::ring();
        s.tech.insert(1, ContourSamples::comment(QStringLiteral("две\nстроки\r")));
        const ContourFile::Contents c =
            ContourFile::read(ContourFile::write(QStringLiteral("имя\nс переводом"), s));
        QVERIFY(c.complete);
        QCOMPARE(c.name, QStringLiteral("имя с переводом"));
        QCOMPARE(c.snapshot.tech.at(1).comment, QStringLiteral("две строки "));
        QCOMPARE(c.snapshot.tech.size(), 3);
    }

    void unknownSchemeAndSweep()
    {
        // Ids are case-sensitive: "circle" is read as the linear scheme, with its columns.
        const ContourFile::Contents c = ContourFile::read(
            "x\ncircle\n250 0 0\n4 -1\n1 2\n100\n1\n1.5 2.5 3.5 2 0 1 7.25 \n1\n+ 0 0 0 0 0 0 1 99 1 1 0 0 0 0 2.5 0\n");
        QVERIFY(c.complete);
        QCOMPARE(c.snapshot.schema->id(), QStringLiteral("XYZ"));
        QCOMPARE(c.snapshot.points.at(0).coords, QList<float>({1.5f, 2.5f, 3.5f}));
        QCOMPARE(c.snapshot.points.at(0).segment, (SegmentParams{SegmentParams::Arc, 7.25f, 0, 1}));
        // A sweep type without a name shows its number.
        QCOMPARE(rasterText(c.snapshot.tech.at(0).raster), QStringLiteral("99; 1.00x1.00; 0; 0; 0.00x0.00; 2.5; 0"));
        RasterParams negative;
        negative.type = -1;
        QVERIFY(rasterText(negative).startsWith(QStringLiteral("-1; ")));

        // Segment types other than line and arc are ends; a sweep flag other than 0, 1, 2 leaves
        // the cell empty.
        const ContourFile::Contents d = ContourFile::read("x\nXYZ\n-1 0 0\n0 -1\n0 1\n0\n1\n1 2 3 5 1 1 9 \n1\n+ 0 0 0 0 0 0 7\n");
        QVERIFY(d.complete);
        QCOMPARE(d.snapshot.points.at(0).segment, SegmentParams());
        QCOMPARE(d.snapshot.tech.at(0).sweep, TechRow::SweepNone);
    }

    void damagedFilesLoadInPart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("rows");
        const QByteArray head = "x\nXYZ\n-1 0 0\n0 -1\n0 1\n600\n";
        QTest::newRow("empty") << QByteArray() << false << false << 0 << 0;
        QTest::newRow("name only") << QByteArray("шов\n") << false << false << 0 << 0;
        QTest::newRow("header cut") << QByteArray("x\nXYZr\n100 5") << true << false << 0 << 0;
        QTest::newRow("huge point count") << head + "2000000000\n1 2 3 0 \n4 5 6 1 0 0" << true << false << 1 << 0;
        QTest::newRow("negative counts") << head + "-5\n-7\n+ 0 0 0 0 0 0 2" << true << true << 0 << 0;
        QTest::newRow("huge row count") << head + "0\n2147483647\n+ 0 0 0 0 0 0 2 \n- a\n+ 1 2" << true << false << 0 << 2;
        QTest::newRow("count too big for int") << head + "99999999999\n1 2 3 0\n" << true << false << 0 << 0;
        QTest::newRow("not a number") << head + "1\n1 abc 3 0\n" << true << false << 0 << 0;
        QTest::newRow("nan and inf") << head + "2\n1 2 3 0\nnan 2 3 0\n" << true << false << 1 << 0;
        QTest::newRow("float overflow") << head + "1\n1 2 1e50 0\n" << true << false << 0 << 0;
        QTest::newRow("sweep cut") << head + "0\n2\n+ 0 0 0 0 0 0 2 \n+ 1 1 1 1 1 1 1 2 1 1 0\n" << true << false << 0 << 1;
    }

    void damagedFilesLoadInPart()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(bool, complete);
        QFETCH(int, points);
        QFETCH(int, rows);
        QElapsedTimer timer;
        timer.start();
        const ContourFile::Contents c = ContourFile::read(bytes);
        QVERIFY(timer.elapsed() < 1000);
        QCOMPARE(c.valid, valid);
        QCOMPARE(c.complete, complete);
        QCOMPARE(c.snapshot.points.size(), points);
        QCOMPARE(c.snapshot.tech.size(), rows);
        for (const ContourPoint& p : c.snapshot.points) {
            for (float v : p.coords)
                QVERIFY(qIsFinite(v));
        }
    }

    // A file beyond what the editor holds is read up to the bound and says which bound it passed:
    // 10,000 points, 5,000 technology rows (the last row read leaves room for the end row), texts
    // and values of 255 characters (a file name, a template's title).
    void beyondTheEditorsBounds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("beyond");
        const QByteArray head = "x\nXYZ\n-1 0 0\n0 -1\n0 1\n600\n";
        const auto points = [](int n) { return QByteArray::number(n) + "\n" + QByteArray("1 2 3 0 \n").repeated(n); };
        const auto rows = [](int m) { return QByteArray::number(m) + "\n" + QByteArray("+ 1 0 0 0 0 600 2 \n").repeated(m); };
        QTest::newRow("10000 points") << head + points(10000) + rows(2) << true << 10000 << 2 << QString();
        QTest::newRow("10001 points") << head + points(10001) + rows(2) << true << 10000 << 0
                                      << "точек контура 10001, редактор вмещает не более 10000";
        QTest::newRow("5000 rows") << head + points(1) + rows(5000) << true << 1 << 5000 << QString();
        QTest::newRow("5001 rows") << head + points(1) + rows(5001) << true << 1 << 4999
                                   << "строк технологии 5001, редактор вмещает не более 5000";
        const QByteArray comment(ContourLimits::kMaxLineChars, 'a');
        const QString tooLong = QStringLiteral("строка длиннее %1 символов").arg(ContourLimits::kMaxLineChars);
        QTest::newRow("longest comment") << head + "0\n3\n+ 0 0 0 0 0 0 2\n- " + comment + "\n+ 1 0 0 0 0 0 2\n" << true << 0 << 3
                                         << QString();
        QTest::newRow("comment too long") << head + "0\n3\n+ 0 0 0 0 0 0 2\n- a" + comment + "\n+ 1 0 0 0 0 0 2\n" << true << 0
                                          << 1 << tooLong;
        QTest::newRow("name too long") << comment + "n\nXYZ\n" << false << 0 << 0 << tooLong;
        QTest::newRow("value too long") << head + "1\n" + QByteArray(ContourLimits::kMaxLineChars + 1, '1') + " 2 3 0\n" << true << 0 << 0
                                        << tooLong;
    }
    void beyondTheEditorsBounds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(int, points);
        QFETCH(int, rows);
        QFETCH(QString, beyond);
        const ContourFile::Contents c = ContourFile::read(bytes);
        QCOMPARE(c.valid, valid);
        QCOMPARE(c.complete, beyond.isEmpty());
        QCOMPARE(c.beyondLimits, beyond);
        QCOMPARE(c.snapshot.points.size(), points);
        QCOMPARE(c.snapshot.tech.size(), rows);
    }

    // The largest program the editor holds, with every text of the most characters it takes (each
    // character three bytes long) and every number as long as it can be written, is written within
    // the bound of a file and reads back whole: a file the editor saves always opens again.
    void largestProgramOpensAgain_data()
    {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("linear, arcs") << "XYZ";
        QTest::newRow("ring joint, four coordinates") << "Circle";
    }
    void largestProgramOpensAgain()
    {
        QFETCH(QString, scheme);
        const float huge = -std::numeric_limits<float>::max();
        const int least = std::numeric_limits<int>::min();
        const QString longest(ContourLimits::kMaxLineChars, QChar(0x6F22));   // three bytes in UTF-8
        ContourSnapshot s;
        s.schema.reset(createSchema(scheme, huge, huge, 0));
        const int axes = s.schema->axisNames().size();
        for (int i = 0; i < ContourLimits::kMaxPoints; ++i)
            s.points << ContourPoint{QList<float>(QVector<float>(axes, huge).toList()), {SegmentParams::Arc, huge, least, least}};
        s.ring = true;
        s.passes = float(least);
        s.weldSpeed = huge;
        s.pointCount = huge;
        const RasterParams sweep{least, huge, huge, least, least, huge, huge, huge, least};
        TechRow row = ContourSamples::point(huge, huge, huge, TechRow::SweepSet, sweep);
        row.If = row.Ix = row.Iy = huge;
        s.tech << row;
        while (s.tech.size() < ContourLimits::kMaxTechRows - 1)
            s.tech << ContourSamples::comment(longest);
        s.tech << row;

        const QByteArray bytes = ContourFile::write(longest, s);
        QVERIFY2(bytes.size() <= ContourLimits::kMaxFileBytes, qPrintable(QString::number(bytes.size())));
        const ContourFile::Contents c = ContourFile::read(bytes);
        QVERIFY2(c.complete, qPrintable(c.beyondLimits));
        QCOMPARE(c.name, longest);
        QCOMPARE(c.snapshot.points.size(), ContourLimits::kMaxPoints);
        QCOMPARE(c.snapshot.tech.size(), ContourLimits::kMaxTechRows);
        QCOMPARE(c.snapshot.tech.at(1).comment, longest);
    }

    void everyPrefixOfAFile()
    {
        // However a file is cut, the read ends, returns only whole rows, and is complete only
        // when nothing but the blank and line end after the last value is missing.
        const QByteArray whole = ContourFile::write(QStringLiteral("k"), ContourSamples::circular());
        for (int size = 0; size < whole.size(); ++size) {
            const ContourFile::Contents c = ContourFile::read(whole.left(size));
            QVERIFY(c.snapshot.points.size() <= 4 && c.snapshot.tech.size() <= 6);
            QCOMPARE(c.complete, size >= whole.size() - 2);
        }
    }
};

POKAVRO_TEST_MAIN(TestContourFile)
#include "tst_contourfile.moc"
