#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <cmath>
#include <limits>

#include "oscope.h"
#include "testenv.h"

namespace {

constexpr qint64 kEightHours = Oscope::kStoreSize;  // centiseconds
const float kUnknown = std::numeric_limits<float>::quiet_NaN();

// Counts its paintings.
class CountingOscope : public Oscope
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        Oscope::paintEvent(event);
    }
};

// A shown strip chart on a clock that moves only when the test says so. At 1100 x 600 the
// margin is 50, the plot 1000 x 550.
struct Scope {
    explicit Scope(QSize size = QSize(1100, 600))
    {
        oscope.setClock([this] { return ms; });
        oscope.resize(size);
        oscope.show();
        oscope.start();
    }
    // Moves the clock and lets one tick see it.
    void advance(qint64 msecs)
    {
        ms += msecs;
        oscope.timeEvent();
    }
    void mouse(QEvent::Type type, int x)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(x, 100), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(&oscope, &event);
    }
    QScrollBar* zoomBar() { return oscope.findChild<QScrollBar*>(); }
    QPushButton* currentButton() { return oscope.findChild<QPushButton*>(); }
    // Where the plot's right edge would be with the present at it.
    qint64 presentOffset() const { return std::max<qint64>(oscope.currentCentisec() - oscope.span(), 0); }

    qint64 ms = 1700000000000;
    CountingOscope oscope;
};

bool hasColourNear(const QImage& image, int x, int y, QColor colour, int rows = 1)
{
    for (int row = y - rows; row <= y + rows; ++row) {
        if (row >= 0 && row < image.height() && image.pixelColor(x, row) == colour)
            return true;
    }
    return false;
}

int countColour(const QImage& image, const QRect& area, QColor colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour;
    }
    return count;
}

}  // namespace

class TestOscope : public QObject
{
    Q_OBJECT

private slots:
    // A late tick stores every missed centisecond with the latest values; a curve without a
    // value records 0; new stores start empty.
    void missedCentisecondsTakeTheLatestValues()
    {
        Scope s;
        for (const char* name : {"a", "b", "c"})
            s.oscope.addCurve(QString::fromLatin1(name), 100.0f, Qt::red, 1);
        s.oscope.setValues({{QStringLiteral("a"), 1.5f}, {QStringLiteral("b"), -2.0f}});
        s.advance(50);
        QCOMPARE(s.oscope.currentCentisec(), 5);
        for (int t = 0; t < 5; ++t) {
            QCOMPARE(s.oscope.sampleAt(QStringLiteral("a"), t), 1.5f);
            QCOMPARE(s.oscope.sampleAt(QStringLiteral("b"), t), -2.0f);
            QCOMPARE(s.oscope.sampleAt(QStringLiteral("c"), t), 0.0f);
        }
        QCOMPARE(s.oscope.sampleAt(QStringLiteral("a"), 5), 0.0f);  // not yet sampled

        s.oscope.setValues({{QStringLiteral("a"), 3.0f}});
        s.advance(14);  // 6.4 centiseconds: one more sample
        QCOMPARE(s.oscope.currentCentisec(), 6);
        QCOMPARE(s.oscope.sampleAt(QStringLiteral("a"), 5), 3.0f);
        QCOMPARE(s.oscope.sampleAt(QStringLiteral("b"), 5), 0.0f);
        s.advance(6);
        QCOMPARE(s.oscope.currentCentisec(), 7);

        // A curve added now has nothing in its past; one replaced loses its history.
        s.oscope.addCurve(QStringLiteral("d"), 10.0f, Qt::blue, 0);
        s.oscope.addCurve(QStringLiteral("a"), 10.0f, Qt::blue, 0);
        for (int t = 0; t < 7; ++t) {
            QCOMPARE(s.oscope.sampleAt(QStringLiteral("d"), t), 0.0f);
            QCOMPARE(s.oscope.sampleAt(QStringLiteral("a"), t), 0.0f);
        }
        // Names that no curve has make no curve.
        s.oscope.setVisible(QStringLiteral("nope"), false);
        s.oscope.addOrdinate(QStringLiteral("nope"), 1.0f);
        s.advance(10);
        QVERIFY(std::isnan(s.oscope.sampleAt(QStringLiteral("nope"), 7)));
    }

    void clockJumps_data()
    {
        QTest::addColumn<qint64>("jumpMs");
        QTest::addColumn<qint64>("cur");  // -1: a new time base
        QTest::newRow("back 30 ms") << qint64(-30) << qint64(19997);
        QTest::newRow("back a minute") << qint64(-60000) << qint64(14000);
        QTest::newRow("back before the start") << qint64(-200010) << qint64(-1);
        QTest::newRow("forward 8 hours") << kEightHours * 10 << 20000 + kEightHours;
        QTest::newRow("forward over 8 hours") << kEightHours * 10 + 10 << qint64(-1);
    }
    void clockJumps()
    {
        QFETCH(qint64, jumpMs);
        QFETCH(qint64, cur);
        Scope s;
        s.oscope.addCurve(QStringLiteral("a"), 100.0f, Qt::red, 1);
        s.oscope.setValues({{QStringLiteral("a"), 1.0f}});
        s.advance(200000);
        const qint64 start = s.oscope.startCentisec();
        QCOMPARE(s.oscope.currentCentisec(), 20000);

        s.advance(jumpMs);
        if (cur < 0) {
            QCOMPARE(s.oscope.currentCentisec(), 0);
            QCOMPARE(s.oscope.startCentisec(), s.ms / 10);
        } else {
            QCOMPARE(s.oscope.currentCentisec(), cur);
            QCOMPARE(s.oscope.startCentisec(), start);
        }
        // The view followed before and still has the present at its right edge.
        QCOMPARE(s.oscope.offsetCentisec(), s.presentOffset());

        // Sampling goes on from the new present, over what the old one left.
        s.oscope.setValues({{QStringLiteral("a"), 7.0f}});
        const qint64 from = s.oscope.currentCentisec();
        s.advance(10);
        QCOMPARE(s.oscope.sampleAt(QStringLiteral("a"), from), 7.0f);
    }

    // The view never leaves the last eight hours; at zoom 12 a 1000 px plot spans 6000 s.
    void viewStaysWithinTheStore()
    {
        Scope s;
        s.oscope.addCurve(QStringLiteral("a"), 100.0f, Qt::red, 1);
        for (int i = 0; i < 3; ++i)
            s.advance(10000000);
        const qint64 cur = s.oscope.currentCentisec();
        QCOMPARE(cur, 3000000);
        const qint64 oldest = cur - kEightHours;

        const QList<QPair<long, qint64>> requests = {
            {0, oldest}, {-5, oldest}, {long(cur) + 100, cur}, {500000, 500000}};
        for (const auto& request : requests) {
            s.oscope.setOffsetCentisec(request.first);
            QCOMPARE(s.oscope.offsetCentisec(), request.second);
        }
        // A view left at the oldest moment moves on with it.
        s.oscope.setOffsetCentisec(0);
        s.advance(1000);
        QCOMPARE(s.oscope.offsetCentisec(), s.oscope.currentCentisec() - kEightHours);

        s.oscope.setZoomIndex(12);
        QCOMPARE(s.oscope.plotWidth(), 1000);
        QCOMPARE(s.oscope.span(), 600000);
        s.oscope.setCurrent();
        QCOMPARE(s.oscope.offsetCentisec(), s.oscope.currentCentisec() - 600000);
        for (const auto& zoom : QList<QPair<int, int>>{{13, 12}, {-1, 0}, {7, 7}}) {
            s.oscope.setZoomIndex(zoom.first);
            QCOMPARE(s.oscope.zoomIndex(), zoom.second);
            QCOMPARE(s.zoomBar()->value(), zoom.second);
        }
    }

    // The zoom bar keeps the present at the right edge while the view follows, and leaves the
    // left edge where it is otherwise; a drag back in time stops the following, the button
    // brings it back.
    void zoomAndDragMoveTheView()
    {
        Scope s;
        s.oscope.addCurve(QStringLiteral("a"), 100.0f, Qt::red, 1);
        s.advance(1000000);  // 100,000 cs
        const qint64 cur = s.oscope.currentCentisec();
        QCOMPARE(s.oscope.offsetCentisec(), cur - 10000);  // zoom 4: 10 cs a pixel

        s.zoomBar()->setValue(6);
        QCOMPARE(s.oscope.zoomIndex(), 6);
        QCOMPARE(s.oscope.offsetCentisec(), cur - 20000);

        // Drag right by 100 px: 100 pixels of 20 cs back in time.
        s.mouse(QEvent::MouseButtonPress, 600);
        s.mouse(QEvent::MouseMove, 700);
        QCOMPARE(s.oscope.offsetCentisec(), cur - 22000);
        s.mouse(QEvent::MouseButtonRelease, 700);
        QVERIFY(!s.oscope.following());
        s.advance(1000);
        QCOMPARE(s.oscope.offsetCentisec(), cur - 22000);
        s.zoomBar()->setValue(2);
        QCOMPARE(s.oscope.offsetCentisec(), cur - 22000);

        // A press in the left margin drags nothing; a drag far past the oldest moment stops
        // there.
        s.mouse(QEvent::MouseButtonPress, 40);
        s.mouse(QEvent::MouseMove, 900);
        s.mouse(QEvent::MouseButtonRelease, 900);
        QCOMPARE(s.oscope.offsetCentisec(), cur - 22000);
        s.mouse(QEvent::MouseButtonPress, 100);
        s.mouse(QEvent::MouseMove, 100 + 1000000);
        s.mouse(QEvent::MouseButtonRelease, 100 + 1000000);
        QCOMPARE(s.oscope.offsetCentisec(), 0);

        s.currentButton()->click();
        QCOMPARE(s.oscope.offsetCentisec(), s.oscope.currentCentisec() - 3000);
        QVERIFY(s.oscope.following());
        s.advance(500);
        QCOMPARE(s.oscope.offsetCentisec(), s.oscope.currentCentisec() - 3000);
    }

    // A drag reads out the samples under its press line only where the ring holds them: not
    // ahead of the present, not before the oldest sample kept, and not left of the plot, where a
    // press lands once the widget has grown and widened its margin under it.
    void dragReadOutStaysWithinTheSamplesHeld_data()
    {
        const qint64 tenHours = 10 * 3600 * 1000;
        QTest::addColumn<QSize>("size");      // while the press lands
        QTest::addColumn<qint64>("runMs");    // how long the chart has sampled
        QTest::addColumn<bool>("toOldest");   // the view dragged back to the oldest sample first
        QTest::addColumn<int>("pressX");
        QTest::addColumn<QSize>("grownTo");   // the size after the press
        QTest::addColumn<bool>("readOut");
        QTest::newRow("inside the plot") << QSize(1100, 600) << qint64(100000) << false << 600 << QSize(1100, 600)
                                         << true;
        QTest::newRow("ahead of the present") << QSize(1100, 600) << qint64(1000) << false << 600
                                              << QSize(1100, 600) << false;
        QTest::newRow("left of the widened margin") << QSize(400, 300) << qint64(100000) << false << 40
                                                    << QSize(1100, 600) << false;
        QTest::newRow("at the oldest sample held") << QSize(400, 300) << tenHours << true << 40 << QSize(400, 300)
                                                   << true;
        QTest::newRow("before the oldest sample held") << QSize(400, 300) << tenHours << true << 40
                                                       << QSize(1100, 600) << false;
    }
    void dragReadOutStaysWithinTheSamplesHeld()
    {
        QFETCH(QSize, size);
        QFETCH(qint64, runMs);
        QFETCH(bool, toOldest);
        QFETCH(int, pressX);
        QFETCH(QSize, grownTo);
        QFETCH(bool, readOut);
        Scope s(size);
        s.oscope.addCurve(QStringLiteral("a"), 100.0f, Qt::red, 1);
        s.oscope.setValues({{QStringLiteral("a"), 42.0f}});
        const qint64 stepMs = kEightHours * 10 / 2;  // a tick sees no jump of the clock
        for (qint64 left = runMs; left > 0; left -= stepMs)
            s.advance(std::min(left, stepMs));
        if (toOldest) {
            s.mouse(QEvent::MouseButtonPress, 100);
            s.mouse(QEvent::MouseMove, 100 + 1000000);
            s.mouse(QEvent::MouseButtonRelease, 100 + 1000000);
            QCOMPARE(s.oscope.offsetCentisec(), s.oscope.currentCentisec() - kEightHours);
        }

        s.mouse(QEvent::MouseButtonPress, pressX);
        s.oscope.resize(grownTo);
        const qint64 t = s.oscope.offsetCentisec()
                         + qint64(pressX - s.oscope.margin()) * Oscope::m_zooms.at(s.oscope.zoomIndex());
        QCOMPARE(s.oscope.readoutCentisec(), readOut ? t : -1);
        if (readOut)
            QCOMPARE(s.oscope.sampleAt(QStringLiteral("a"), t), 42.0f);
        QVERIFY(!s.oscope.grab().isNull());  // the read-out painted, from held samples only
        s.mouse(QEvent::MouseButtonRelease, pressX);
        QCOMPARE(s.oscope.readoutCentisec(), qint64(-1));
    }

    // Below 500 px the margin and the font shrink in proportion; the clock button's text fits.
    void layoutFollowsTheSize_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("margin");
        QTest::newRow("full") << QSize(1100, 600) << 50;
        QTest::newRow("small") << QSize(400, 300) << 30;
        QTest::newRow("low and wide") << QSize(2000, 450) << 45;
    }
    void layoutFollowsTheSize()
    {
        QFETCH(QSize, size);
        QFETCH(int, margin);
        Scope s(size);
        s.advance(1000);
        QCOMPARE(s.oscope.margin(), margin);
        QCOMPARE(s.oscope.plotWidth(), size.width() - 2 * margin);
        QCOMPARE(s.oscope.plotHeight(), size.height() - margin);
        const int row = size.height() - margin / 2;
        QCOMPARE(s.zoomBar()->geometry(),
                 QRect(margin, row, s.oscope.plotWidth() / 4, margin / 2));
        QPushButton* button = s.currentButton();
        QCOMPARE(button->geometry().topLeft(), QPoint(margin + s.oscope.plotWidth() / 4 + 10, row));
        QCOMPARE(button->height(), margin / 2);
        QCOMPARE(button->font().family(), QStringLiteral("Cantarell"));

        s.oscope.grab();  // paints: the button shows the time
        QCOMPARE(button->text(), QDateTime::fromMSecsSinceEpoch(s.ms).toString("hh:mm:ss"));
        const QFontMetrics metrics(button->font());
        QVERIFY(metrics.horizontalAdvance(button->text()) < button->width());
        QVERIFY(metrics.height() <= button->height());
    }

    // A tick repaints when the view has moved by a pixel (at zoom 4 every 10 centiseconds) or
    // the clock's second turns, not for every sample.
    void ticksRepaintNewPicturesOnly()
    {
        Scope s;
        s.oscope.addCurve(QStringLiteral("a"), 100.0f, Qt::red, 1);
        QVERIFY(QTest::qWaitForWindowExposed(&s.oscope));
        s.advance(200000);  // cur 20,000, the present at the right edge: offset 10,000
        QVERIFY(QTest::qWaitFor([&] { return s.oscope.paints > 0; }, 5000));
        QTest::qWait(100);  // whatever else showing it asked for
        const auto paintsAfter = [&](qint64 msecs) {
            const int before = s.oscope.paints;
            s.advance(msecs);
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            return s.oscope.paints - before;
        };
        for (int i = 0; i < 9; ++i)
            QCOMPARE(paintsAfter(10), 0);  // offset 10,001 .. 10,009: within the same pixel
        QCOMPARE(paintsAfter(10), 1);       // 10,010: one pixel on
        QCOMPARE(paintsAfter(880), 1);      // 10,098
        QCOMPARE(paintsAfter(10), 0);       // 10,099
        QCOMPARE(paintsAfter(10), 1);       // 10,100, and a new second

        // A view held in the past changes only with the second.
        s.oscope.setOffsetCentisec(5000);
        QCOMPARE(paintsAfter(10), 1);  // the setter's own repaint
        for (int i = 0; i < 5; ++i)
            QCOMPARE(paintsAfter(10), 0);
    }

    // One picture: curves one sample a pixel, a gap where the value was unknown, the marker
    // and last value, the ordinate; hidden curves and a full scale of 0 draw nothing.
    void render()
    {
        Scope s;
        s.oscope.setZoomIndex(0);  // one centisecond a pixel
        const QColor grey(150, 150, 150);
        s.oscope.addCurve(QStringLiteral("a"), 100.0f, Qt::red, 1);
        s.oscope.addOrdinate(QStringLiteral("a"), 80.0f);
        s.oscope.addCurve(QStringLiteral("b"), 0.0f, Qt::green, 1);
        s.oscope.addOrdinate(QStringLiteral("b"), 5.0f);
        s.oscope.addCurve(QStringLiteral("c"), 100.0f, Qt::blue, 1);
        s.oscope.setVisible(QStringLiteral("c"), false);
        const auto values = [](float a) {
            return QMap<QString, float>{{QStringLiteral("a"), a}, {QStringLiteral("b"), 10.0f},
                                        {QStringLiteral("c"), 50.0f}};
        };
        s.oscope.setValues(values(50.0f));
        s.advance(12000);
        s.oscope.setValues(values(kUnknown));
        s.advance(1000);
        s.oscope.setValues(values(25.0f));
        s.advance(7000);
        QCOMPARE(s.oscope.offsetCentisec(), 1000);  // the present (2000) at the right edge

        const QImage image = s.oscope.grab().toImage();
        QCOMPARE(image.size(), QSize(1100, 600));
        QVERIFY(hasColourNear(image, 50 + 100, 275, Qt::red));
        QCOMPARE(countColour(image, QRect(50 + 210, 0, 80, 550), Qt::red), 0);  // unknown
        QVERIFY(hasColourNear(image, 50 + 600, 412, Qt::red));
        QVERIFY(hasColourNear(image, 50 + 999, 412 - 2, Qt::red));  // the marker's stroke
        QVERIFY(countColour(image, QRect(1055, 400, 45, 25), Qt::red) > 0);  // "25.0"
        QVERIFY(hasColourNear(image, 50 + 150, 110, grey));  // the ordinate at 80
        QVERIFY(countColour(image, QRect(0, 100, 47, 20), Qt::red) > 0);  // its label
        QCOMPARE(countColour(image, image.rect(), Qt::green), 0);
        QCOMPARE(countColour(image, image.rect(), Qt::blue), 0);
        QVERIFY(countColour(image, QRect(900, 575, 200, 25), Qt::red) > 0);  // the legend

        // While the latest sample is unknown there is no last value and no marker.
        s.oscope.setValues(values(kUnknown));
        s.advance(1000);
        const QImage unknown = s.oscope.grab().toImage();
        QCOMPARE(countColour(unknown, QRect(1000, 0, 100, 550), Qt::red), 0);
    }
};

POKAVRO_TEST_MAIN(TestOscope)
#include "tst_oscope.moc"
