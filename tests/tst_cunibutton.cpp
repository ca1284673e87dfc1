#include <QApplication>
#include <QtTest>

#include "cunibutton.h"
#include "testenv.h"

namespace {

void hover(CUniButton& b, bool in)
{
    QEvent e(in ? QEvent::Enter : QEvent::Leave);
    QApplication::sendEvent(&b, &e);
}

bool near(const QColor& a, const QColor& b, int tolerance)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance
           && qAbs(a.blue() - b.blue()) <= tolerance;
}

}  // namespace

class TestCUniButton : public QObject
{
    Q_OBJECT

private slots:
    void sizes()
    {
        for (int type = 0; type <= 14; ++type) {
            CUniButton b(type);
            const int side = type == 13 ? 30 : (type >= 9 && type <= 12) ? 37 : 19;
            QCOMPARE(b.size(), QSize(side, side));
            QCOMPARE(b.minimumSize(), b.maximumSize());
            QVERIFY(!b.parent());
        }
    }

    void clicks_data()
    {
        // Events: P press, R release with the left button; p, r with the right one;
        // C / U setChecked(true / false).
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("pressed");
        for (int type : {0, 5, 9, 13, 14}) {
            const QByteArray t = "type " + QByteArray::number(type);
            QTest::newRow(t + " press only") << type << "P" << 0 << true;
            QTest::newRow(t + " press release") << type << "PR" << 1 << false;
            QTest::newRow(t + " two clicks") << type << "PRPR" << 2 << false;
            QTest::newRow(t + " right button") << type << "prpr" << 0 << false;
            QTest::newRow(t + " release without press") << type << "R" << 0 << false;
            QTest::newRow(t + " setChecked ignored") << type << "CU" << 0 << false;
        }
        for (int type : {6, 7}) {
            const QByteArray t = "type " + QByteArray::number(type);
            QTest::newRow(t + " press latches") << type << "P" << 1 << true;
            QTest::newRow(t + " release ignored") << type << "PR" << 1 << true;
            QTest::newRow(t + " second press silent") << type << "PRP" << 1 << true;
            QTest::newRow(t + " unlatch silently") << type << "PU" << 1 << false;
            QTest::newRow(t + " press after unlatch") << type << "PUP" << 2 << true;
            QTest::newRow(t + " setChecked emits") << type << "CC" << 2 << true;
            QTest::newRow(t + " right button") << type << "pr" << 0 << false;
        }
    }
    void clicks()
    {
        QFETCH(int, type);
        QFETCH(QString, events);
        QFETCH(int, clicks);
        QFETCH(bool, pressed);
        CUniButton b(type);
        QSignalSpy spy(&b, &CUniButton::clicked);
        for (QChar e : events) {
            switch (e.unicode()) {
            case 'P': QTest::mousePress(&b, Qt::LeftButton); break;
            case 'R': QTest::mouseRelease(&b, Qt::LeftButton); break;
            case 'p': QTest::mousePress(&b, Qt::RightButton); break;
            case 'r': QTest::mouseRelease(&b, Qt::RightButton); break;
            case 'C': b.setChecked(true); break;
            case 'U': b.setChecked(false); break;
            }
        }
        QCOMPARE(spy.count(), clicks);
        QCOMPARE(b.isPressed(), pressed);
    }

    void closeButtonLooks()
    {
        CUniButton b(13);
        auto pixel = [&b](int x, int y) { return b.grab().toImage().pixelColor(x, y); };
        // Inside the body, away from the cross: the centre colour of each look.
        QVERIFY(near(pixel(15, 4), QColor(239, 163, 163), 12));
        hover(b, true);
        QVERIFY(b.isHovered());
        QVERIFY(near(pixel(15, 4), QColor(255, 203, 203), 12));
        QVERIFY(near(pixel(15, 15), QColor(231, 82, 82), 12));  // the cross
        QTest::mousePress(&b, Qt::LeftButton);
        QVERIFY(near(pixel(15, 4), QColor(230, 102, 102), 12));
        // Pressed, the body shrinks away from the top-left edge.
        QVERIFY(near(pixel(0, 15), b.palette().color(QPalette::Window), 12));
        QSignalSpy spy(&b, &CUniButton::clicked);
        QTest::mouseRelease(&b, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        hover(b, false);
        QVERIFY(!b.isHovered());
        QVERIFY(near(pixel(15, 4), QColor(239, 163, 163), 12));
        QVERIFY(near(pixel(0, 15), QColor(224, 47, 47), 60));  // the outline
    }

    void everyTypePaints()
    {
        // Every look of every type renders (and the glyph differs from the bare body).
        for (int type = 0; type <= 14; ++type) {
            CUniButton b(type);
            b.setAlpha(0.5f);
            const QImage normal = b.grab().toImage();
            hover(b, true);
            QTest::mousePress(&b, Qt::LeftButton);
            const QImage pressed = b.grab().toImage();
            QVERIFY2(normal != pressed, qPrintable(QString::number(type)));
            b.setEnabled(false);
            b.grab();
        }
    }
};

POKAVRO_TEST_MAIN(TestCUniButton)
#include "tst_cunibutton.moc"
