#include <QApplication>
#include <QImage>
#include <QtTest>

#include "testenv.h"

// Every picture the screens address under ":/images/" is compiled in, at the size its widget
// expects.
class TestImages : public QObject
{
    Q_OBJECT

private slots:
    void picture_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        const QString keys[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9",
                                "sign", "clear", "delete", "decimal", "enter"};
        for (const QString& k : keys)
            QTest::newRow(qPrintable(k)) << k + ".png" << QSize(65, 65);
        for (const char* state : {"up_", "down_"})
            for (const char* piece : {"top_left", "top", "top_right", "left", "mid", "right",
                                      "bottom_left", "bottom", "bottom_right"}) {
                const QString name = QStringLiteral("style/") + state + piece + ".png";
                QTest::newRow(qPrintable(name)) << name << QSize(10, 10);
            }
        for (const char* name : {"ok.png", "no.png", "infinite.png"})
            QTest::newRow(name) << name << QSize(32, 32);
        QTest::newRow("close") << "close.png" << QSize(56, 56);
        for (const char* colour : {"gray", "green", "yellow", "red"}) {
            const QString name = QStringLiteral("indicator_") + colour + ".png";
            QTest::newRow(qPrintable(name)) << name << QSize(25, 25);
        }
        for (const char* kind : {"error", "info", "run", "warning", "basic"}) {
            const QString name = QStringLiteral("icon-") + kind + "-mini.png";
            QTest::newRow(qPrintable(name)) << name << QSize(24, 24);
        }
        for (const char* name : {"arrow_left.png", "arrow_right.png", "arrow_up.png",
                                 "arrow_down.png", "arrow_turn_up.png", "arrow_turn_down.png",
                                 "arrow_forward.png", "arrow_forward_pressed.png",
                                 "arrow_backward.png", "arrow_backward_pressed.png", "info.png"})
            QTest::newRow(name) << name << QSize(55, 55);
        for (const char* name : {"spiral.png", "remote-control.png", "calculator.png",
                                 "1point.png", "1users.png", "1settings.png", "1info.png"})
            QTest::newRow(name) << name << QSize(48, 48);
        QTest::newRow("minus") << "minus.png" << QSize(50, 50);
        QTest::newRow("plus") << "plus.png" << QSize(50, 50);
        QTest::newRow("empty64x64") << "empty64x64.png" << QSize(64, 64);
        QTest::newRow("lir") << "lir.png" << QSize(80, 80);
        QTest::newRow("logo") << "logo.png" << QSize(280, 110);
        QTest::newRow("gun") << "gun.png" << QSize(45, 110);

        // The vacuum mimic: one size for the four looks of an element, each fitting its sprites.
        const struct {
            const char* set;
            QSize size;
            std::initializer_list<const char*> looks;
        } vacuum[] = {
            {"NL", {101, 72}, {"0", "1", "23", "4"}}, {"NZ", {108, 61}, {"0", "1", "23", "4"}},
            {"ND", {71, 120}, {"0", "1", "23", "4"}}, {"NW", {80, 110}, {"0", "1", "23", "4"}},
            {"NW2", {60, 40}, {"0", "1", "23", "4"}}, {"NP", {80, 110}, {"0", "1", "23", "4"}},
            {"TMN", {109, 45}, {"0", "1", "23", "4"}}, {"VT", {86, 97}, {"0", "1", "23", "4"}},
            {"vv", {41, 37}, {"0", "1", "23", "4"}}, {"vh", {37, 41}, {"0", "1", "23", "4"}},
            {"VE", {37, 41}, {"0", "1", "23", "4"}}, {"vpipe", {15, 40}, {"0", "1"}},
            {"hpipe", {50, 11}, {"0", "1"}}, {"hpipe20", {50, 20}, {"0", "1"}}, {"lpipe", {11, 11}, {"0", "1"}},
            {"rpipe", {11, 11}, {"0", "1"}}, {"tpipe", {17, 17}, {"0", "1"}}, {"bpipe", {17, 17}, {"0", "1"}},
            {"cpipe", {17, 17}, {"0", "1"}}, {"lbpipe", {17, 17}, {"0", "1"}}, {"ltpipe", {17, 17}, {"0", "1"}},
            {"rbpipe", {17, 17}, {"0", "1"}}, {"rtpipe", {17, 17}, {"0", "1"}}, {"hlt", {34, 35}, {"0", "1"}},
            {"hrt", {34, 35}, {"0", "1"}}, {"vbt", {41, 50}, {"0", "1"}}, {"t", {18, 18}, {"0", "1", "2"}},
            {"w", {18, 18}, {"0", "1"}},
        };
        for (const auto& set : vacuum) {
            for (const char* look : set.looks) {
                const QString name = QLatin1String(set.set) + QLatin1Char('_') + QLatin1String(look) + ".png";
                QTest::newRow(qPrintable(name)) << name << set.size;
            }
        }
    }
    void picture()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage image(QStringLiteral(":/images/") + name);
        QVERIFY2(!image.isNull(), qPrintable(name));
        QCOMPARE(image.size(), size);
        QVERIFY(image.hasAlphaChannel());
    }

    void bevelLetsTheButtonColourShow()
    {
        // The faces are see-through; only the rims shade.
        for (const char* name : {"style/up_mid.png", "style/down_mid.png"}) {
            const QImage tile = QImage(QString::fromLatin1(":/images/") + name)
                                    .convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < tile.height(); ++y)
                for (int x = 0; x < tile.width(); ++x)
                    QVERIFY(tile.pixelColor(x, y).alpha() < 64);
        }
        const QImage corner(QStringLiteral(":/images/style/up_top_left.png"));
        QCOMPARE(corner.pixelColor(0, 0).alpha(), 0);  // outside the rounded corner
    }
};

POKAVRO_TEST_MAIN(TestImages)
#include "tst_images.moc"
