#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QtTest>

#include "mywinstyle.h"
#include "statebutton.h"
#include "styleloader.h"
#include "testenv.h"

namespace {

QImage transparent(int w, int h)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The colour of `base` with the pixel `at` of a bevel picture drawn over it.
QColor over(const QColor& base, int picture, QPoint at)
{
    QImage one(1, 1, QImage::Format_ARGB32_Premultiplied);
    one.fill(base);
    QPainter p(&one);
    p.drawPixmap(QPoint(0, 0), *MyWinStyle::corner(picture), QRect(at, QSize(1, 1)));
    p.end();
    return one.pixelColor(0, 0);
}

QColor tilePixel(int picture, int x, int y)
{
    QImage tile = transparent(10, 10);
    QPainter p(&tile);
    p.drawPixmap(0, 0, *MyWinStyle::corner(picture));
    p.end();
    return tile.pixelColor(x, y);
}

bool near(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) <= 2 && qAbs(a.green() - b.green()) <= 2
           && qAbs(a.blue() - b.blue()) <= 2 && qAbs(a.alpha() - b.alpha()) <= 2;
}

}  // namespace

class TestStyle : public QObject
{
    Q_OBJECT

private:
    MyWinStyle* m_style = nullptr;

private slots:
    void initTestCase()
    {
        m_style = new MyWinStyle;
        QApplication::setStyle(m_style);
    }

    void secondConstructionLoadsNothing()
    {
        const QPixmap* first = MyWinStyle::corner(0);
        const QPixmap* last = MyWinStyle::corner(17);
        QVERIFY(first && last);
        MyWinStyle second;
        QCOMPARE(MyWinStyle::corner(0), first);
        QCOMPARE(MyWinStyle::corner(17), last);
        QVERIFY(!MyWinStyle::corner(18));
    }

    void polishByName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("stateButton");
        QTest::addColumn<QColor>("button");
        QTest::addColumn<QColor>("text");
        const QColor red(255, 32, 32);
        const QColor blue(158, 172, 255);
        QTest::newRow("sbShutdown") << "sbShutdown" << true << red << QColor(Qt::white);
        QTest::newRow("pbStop") << "pbStop" << false << red << QColor(Qt::white);
        QTest::newRow("pbStopGoPoint") << "pbStopGoPoint" << false << red << QColor(Qt::white);
        QTest::newRow("other") << "pbStart" << false << blue << QColor(Qt::black);
        QTest::newRow("state button") << "sbDrives" << true << blue << QColor(Qt::black);
    }
    void polishByName()
    {
        QFETCH(QString, name);
        QFETCH(bool, stateButton);
        QFETCH(QColor, button);
        QFETCH(QColor, text);
        std::unique_ptr<QPushButton> b(stateButton ? new StateButton : new QPushButton);
        b->setObjectName(name);
        m_style->polish(b.get());
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(b->palette().color(group, QPalette::Button), button);
            QCOMPARE(b->palette().color(group, QPalette::ButtonText), text);
            QCOMPARE(b->palette().color(group, QPalette::Highlight), QColor(0, 214, 255));
            QCOMPARE(b->palette().color(group, QPalette::HighlightedText), QColor(Qt::black));
        }
    }

    void polishLeavesOtherWidgets()
    {
        QLabel label;
        label.setObjectName(QStringLiteral("pbStop"));
        const QPalette before = label.palette();
        m_style->polish(&label);
        QCOMPARE(label.palette(), before);
    }

    void metricsAndMenus()
    {
        QCOMPARE(m_style->pixelMetric(QStyle::PM_SmallIconSize), 50);
        QCOMPARE(m_style->pixelMetric(QStyle::PM_ButtonMargin),
                 m_style->baseStyle()->pixelMetric(QStyle::PM_ButtonMargin));

        QImage image = transparent(100, 10);
        QPainter p(&image);
        QStyleOption option;
        option.rect = image.rect();
        m_style->drawPrimitive(QStyle::PE_FrameDefaultButton, &option, &p);
        QCOMPARE(image.pixelColor(50, 5).alpha(), 0);
        m_style->drawPrimitive(QStyle::PE_PanelMenu, &option, &p);
        p.end();
        QVERIFY(near(image.pixelColor(0, 5), QColor(Qt::yellow).lighter(190)));
        QVERIFY(near(image.pixelColor(99, 5), QColor(Qt::white)));
    }

    void bevelTiles()
    {
        // The strips start with a whole tile at their own edge.
        QImage image = transparent(100, 40);
        QPainter p(&image);
        m_style->drawBevel(&p, image.rect(), 0);
        p.end();
        const int right = 99;
        const int bottom = 39;
        QCOMPARE(image.pixelColor(0, 0), tilePixel(0, 0, 0));
        QCOMPARE(image.pixelColor(right - 10, 3), tilePixel(2, 0, 3));
        QCOMPARE(image.pixelColor(4, bottom - 1), tilePixel(6, 4, 9));
        QCOMPARE(image.pixelColor(right - 2, bottom - 2), tilePixel(8, 8, 8));
        QCOMPARE(image.pixelColor(53, 2), tilePixel(1, 3, 2));
        QCOMPARE(image.pixelColor(53, bottom - 10), tilePixel(7, 3, 0));
        QCOMPARE(image.pixelColor(5, 17), tilePixel(3, 5, 7));
        QCOMPARE(image.pixelColor(right - 10, 17), tilePixel(5, 0, 7));
        QCOMPARE(image.pixelColor(47, 24), tilePixel(4, 7, 4));

        // Too small for edges: only the corners, whose images overlap.
        QImage small = transparent(20, 20);
        QPainter q(&small);
        m_style->drawBevel(&q, small.rect(), 9);
        q.end();
        QCOMPARE(small.pixelColor(3, 3), tilePixel(9, 3, 3));
        QCOMPARE(small.pixelColor(15, 15), tilePixel(17, 6, 6));
        QCOMPARE(small.pixelColor(15, 2), tilePixel(11, 6, 2));
        QCOMPARE(small.pixelColor(19, 19).alpha(), 0);
    }

    void renderedButtons_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QColor>("fill");
        QTest::addColumn<int>("base");
        QTest::newRow("raised") << false << true << QColor(158, 172, 255) << 0;
        QTest::newRow("checked") << true << true << QColor(0, 214, 255) << 9;
        QTest::newRow("disabled") << false << false << QColor(180, 180, 180) << 0;
    }
    void renderedButtons()
    {
        QFETCH(bool, checked);
        QFETCH(bool, enabled);
        QFETCH(QColor, fill);
        QFETCH(int, base);
        QWidget window;
        auto* button = new QPushButton(&window);
        button->setGeometry(0, 0, 100, 60);
        button->setCheckable(true);
        button->setChecked(checked);
        button->setEnabled(enabled);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(window.isActiveWindow(), 2000);
        const QImage shot = button->grab().toImage();
        // Centre: the fill with the middle tile over it; a corner: the fill inside the rounded
        // panel for an enabled button, the whole grey rectangle for a disabled one.
        QVERIFY2(near(shot.pixelColor(53, 34), over(fill, base + 4, QPoint(3, 4))),
                 qPrintable(shot.pixelColor(53, 34).name()));
        QVERIFY(near(shot.pixelColor(5, 5), over(fill, base, QPoint(5, 5))));
        if (!enabled)
            QVERIFY(near(shot.pixelColor(0, 0), over(fill, base, QPoint(0, 0))));
    }

    void styleSheetLoader()
    {
        const QString path = TestEnv::root() + QStringLiteral("/style.qss");
        auto write = [&path](const QByteArray& text) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(text);
        };
        write("QLabel { color: red; } /* Привет */");
        QLineEdit label;
        label.show();
        QVERIFY(QTest::qWaitForWindowExposed(&label));
        StyleLoader* loader = StyleLoader::attach(path, QKeySequence(Qt::Key_F5));
        QCOMPARE(loader->parent(), qApp);
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLabel { color: red; } /* Привет */"));

        write("QLabel { color: blue; }");
        QTest::keyClick(&label, Qt::Key_F6);
        QTest::keyClick(&label, Qt::Key_X);  // other keys reach their widget
        QCOMPARE(label.text(), QStringLiteral("x"));
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLabel { color: red; } /* Привет */"));
        QTest::keyClick(&label, Qt::Key_F5);
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLabel { color: blue; }"));

        QFile::remove(path);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Cannot open stylesheet file .*style\\.qss"));
        QTest::keyClick(&label, Qt::Key_F5);
        QCOMPARE(qApp->styleSheet(), QStringLiteral("QLabel { color: blue; }"));
        QVERIFY(StyleLoader::defaultStyleFile().endsWith(QLatin1String("/style.qss")));

        delete loader;
        qApp->setStyleSheet(QString());
    }
};

POKAVRO_TEST_MAIN(TestStyle)
#include "tst_style.moc"
