#include <QApplication>
#include <QImage>
#include <QListView>
#include <QStringListModel>
#include <QtTest>

#include "statebutton.h"
#include "testenv.h"
#include "unknownlook.h"
#include "widgets.h"

namespace {

// A one-colour picture file in the test's private folder.
QString colourFile(const QString& name, const QColor& colour)
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(colour);
    const QString path = TestEnv::root() + QLatin1Char('/') + name + QStringLiteral(".png");
    image.save(path);
    return path;
}

void setColours(QWidget* w, const QColor& text, const QColor& background)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, text);
    pal.setColor(QPalette::Window, background);
    w->setPalette(pal);
}

QPair<QColor, QColor> colours(const QWidget* w)
{
    return {w->palette().color(QPalette::WindowText), w->palette().color(QPalette::Window)};
}

QColor shownColour(const PoSprite& sprite)
{
    const QPixmap pm = sprite.pixmap(Qt::ReturnByValue);
    if (pm.isNull())
        return QColor();
    return pm.toImage().pixelColor(0, 0);
}

}  // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void labelRendering_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("coeff");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("2 decimals") << 1.234f << 1.0f << 2 << "1.23";
        QTest::newRow("0 decimals") << 1.234f << 1.0f << 0 << "1";
        QTest::newRow("1 decimal") << 1.24f << 1.0f << 1 << "1.2";
        QTest::newRow("negative") << -12.5f << 1.0f << 1 << "-12.5";
        QTest::newRow("0 decimals rounds") << 2.6f << 1.0f << 0 << "3";
        QTest::newRow("3 decimals exponent") << 0.0000131f << 1.0f << 3 << "1.3E-05";
        QTest::newRow("5 decimals large value") << 1234.0f << 1.0f << 5 << "1.2E+03";
        QTest::newRow("coefficient") << 100000.0f << 0.0075006373f << 5 << "7.5E+02";
        QTest::newRow("coefficient fixed") << 3.0f << 2.5f << 1 << "7.5";
        QTest::newRow("negative decimals") << 7.7f << 1.0f << -3 << "8";
    }
    void labelRendering()
    {
        QFETCH(float, value);
        QFETCH(float, coeff);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        PoLabel label;
        label.setCoeff(coeff);
        label.setValue(value, decimals);
        QCOMPARE(label.text(), text);
        QCOMPARE(label.value(), value);
    }

    void labelStoredDecimalsAndCoefficient()
    {
        PoLabel label;
        QVERIFY(label.text().isEmpty());
        label.setValue(1.5f, 0);
        QCOMPARE(label.text(), QStringLiteral("2"));
        // setDepth alone leaves the text; setCoeff re-renders with the stored decimals, not the
        // ones given to setValue.
        label.setDepth(2);
        QCOMPARE(label.text(), QStringLiteral("2"));
        label.setCoeff(2.0f);
        QCOMPARE(label.text(), QStringLiteral("3.00"));
        QCOMPARE(label.coeff(), 2.0f);
        QCOMPARE(label.value(), 1.5f);
        label.changedValue(0.25f);
        QCOMPARE(label.text(), QStringLiteral("0.50"));
        label.setDepth(5);
        label.setCoeff(1.0f);
        QCOMPARE(label.text(), QStringLiteral("2.5E-01"));
    }

    void labelValidityPalette()
    {
        PoLabel label;
        QPalette pal = label.palette();
        pal.setColor(QPalette::WindowText, QColor(10, 20, 30));
        pal.setColor(QPalette::Window, QColor(189, 255, 180));
        label.setPalette(pal);

        // A first "valid" saves the colours and puts them straight back.
        label.changedValid(true);
        QCOMPARE(label.palette().color(QPalette::WindowText), QColor(10, 20, 30));
        QCOMPARE(label.palette().color(QPalette::Window), QColor(189, 255, 180));

        label.changedValid(false);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(label.palette().color(group, QPalette::WindowText), QColor(Qt::black));
            QCOMPARE(label.palette().color(group, QPalette::Window), QColor(255, 192, 192));
        }
        label.changedValid(false);
        label.changedValid(true);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            QCOMPARE(label.palette().color(group, QPalette::WindowText), QColor(10, 20, 30));
            QCOMPARE(label.palette().color(group, QPalette::Window), QColor(189, 255, 180));
        }
    }

    void pressesEmitClicked()
    {
        QWidget parent;
        PoLabel label(&parent);
        PoSprite sprite(&parent);
        QSignalSpy labelSpy(&label, &PoLabel::clicked);
        QSignalSpy spriteSpy(&sprite, &PoSprite::clicked);
        for (auto button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            QTest::mousePress(&label, button);
            QTest::mousePress(&sprite, button);
        }
        QCOMPARE(labelSpy.count(), 3);
        QCOMPARE(spriteSpy.count(), 3);
    }

    void spriteStates()
    {
        PoSprite sprite;
        sprite.addPixmap(0, colourFile(QStringLiteral("red"), Qt::red));
        sprite.addPixmap(2, colourFile(QStringLiteral("green"), Qt::green));
        sprite.addPixmap(5, TestEnv::root() + QStringLiteral("/missing.png"));
        // Registering shows nothing.
        QVERIFY(sprite.pixmap(Qt::ReturnByValue).isNull());

        sprite.changedState(2.9f);
        QCOMPARE(shownColour(sprite), QColor(Qt::green));
        sprite.changedState(-0.5f);
        QCOMPARE(shownColour(sprite), QColor(Qt::red));

        // A state without a picture keeps what is shown, whatever value arrives.
        sprite.setSprite(7);
        QCOMPARE(shownColour(sprite), QColor(Qt::red));
        sprite.changedState(std::numeric_limits<float>::quiet_NaN());
        sprite.changedState(1e12f);
        sprite.changedState(-std::numeric_limits<float>::infinity());
        QCOMPARE(shownColour(sprite), QColor(Qt::red));

        // A picture that could not be loaded clears the image.
        sprite.changedState(5);
        QVERIFY(sprite.pixmap(Qt::ReturnByValue).isNull());

        // A later registration replaces the picture of its state.
        sprite.addPixmap(2, colourFile(QStringLiteral("blue"), Qt::blue));
        sprite.changedState(2);
        QCOMPARE(shownColour(sprite), QColor(Qt::blue));
    }

    void myLabelPressesIn()
    {
        QWidget parent;
        MyLabel label(&parent);
        label.move(10, 10);
        QSignalSpy spy(&label, &MyLabel::clicked);
        QTest::mousePress(&label, Qt::RightButton);
        QCOMPARE(spy.count(), 0);
        QTest::mousePress(&label, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(label.pos(), QPoint(10, 10));

        label.setButton(true);
        QTest::mousePress(&label, Qt::LeftButton);
        QCOMPARE(label.pos(), QPoint(11, 11));
        QTest::mouseRelease(&label, Qt::RightButton);
        QCOMPARE(label.pos(), QPoint(11, 11));
        QTest::mouseRelease(&label, Qt::LeftButton);
        QCOMPARE(label.pos(), QPoint(10, 10));
        QCOMPARE(spy.count(), 2);
    }

    void listViewReportsRow()
    {
        QStringListModel model({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        MyListView view;
        view.setModel(&model);
        QSignalSpy spy(&view, &MyListView::signal_currentChanged);
        view.setCurrentIndex(model.index(2));
        view.setCurrentIndex(QModelIndex());
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), -1);
    }

    // The look of what a controller has not reported: at start the form's sample values go and
    // every kind of widget shows unknown; once known the labels get their colours back and the
    // status sets the rest; after a loss the last values stay, in the invalid colours, and the
    // colours a slot had set come back with fresh status.
    void unknownLook()
    {
        const QPair<QColor, QColor> invalid{Qt::black, QColor(255, 192, 192)};
        const QPair<QColor, QColor> form{QColor(10, 20, 30), QColor(189, 255, 180)};
        QWidget parent;
        auto* value = new PoLabel(&parent);
        value->setText(QStringLiteral("1002.35"));
        setColours(value, form.first, form.second);
        QPalette disabled = value->palette();  // a parked axis greys its coordinate
        disabled.setColor(QPalette::Disabled, QPalette::WindowText, Qt::gray);
        value->setPalette(disabled);
        auto* text = new QLabel(QStringLiteral("Выполнен"), &parent);
        setColours(text, form.first, form.second);
        auto* sprite = new PoSprite(&parent);
        sprite->addPixmap(UnknownLook::kUnknownSprite, colourFile(QStringLiteral("unknown"), Qt::magenta));
        sprite->addPixmap(1, colourFile(QStringLiteral("green"), Qt::green));
        sprite->setSprite(1);
        auto* button = new StateButton(&parent);
        button->init(QStringLiteral("Приводы"), false, QStringLiteral("[включены]"), QStringLiteral("[выключены]"),
                     QString(), QString(), QStringLiteral("[ошибка]"), true);
        Lock lock(false, QStringLiteral("закрыто"), QStringLiteral("Открыто"));

        UnknownLook look;
        QSignalSpy changes(&look, &UnknownLook::knownChanged);
        look.addLabel(value);
        look.addLabel(text);
        look.addSprite(sprite);
        look.addButton(button);
        look.addLock(&lock);
        QVERIFY(!look.known());
        QVERIFY(value->text().isEmpty());
        QVERIFY(text->text().isEmpty());
        QCOMPARE(colours(value), invalid);
        QCOMPARE(colours(text), invalid);
        QCOMPARE(shownColour(*sprite), QColor(Qt::magenta));
        QCOMPARE(button->state(), StateButton::State4);
        QVERIFY(lock.unknown());

        look.setKnown(true);
        look.setKnown(true);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(colours(value), form);
        QCOMPARE(colours(text), form);
        // The first datagram's values, as the slots show them.
        value->setValue(12.5f, 2);
        text->setText(QStringLiteral("Выполняется"));
        setColours(text, Qt::black, QColor(0, 255, 128));
        sprite->setSprite(1);
        button->setState(1);
        lock.setState(false);

        look.setKnown(false);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
        QCOMPARE(value->text(), QStringLiteral("12.50"));
        QCOMPARE(text->text(), QStringLiteral("Выполняется"));
        QCOMPARE(colours(value), invalid);
        QCOMPARE(colours(text), invalid);
        QCOMPARE(shownColour(*sprite), QColor(Qt::magenta));
        QCOMPARE(button->state(), StateButton::State4);
        QVERIFY(lock.state());

        look.setKnown(true);
        QCOMPARE(colours(value), form);
        QCOMPARE(value->palette().color(QPalette::Disabled, QPalette::WindowText), QColor(Qt::gray));
        QCOMPARE(colours(text), qMakePair(QColor(Qt::black), QColor(0, 255, 128)));
        QCOMPARE(value->text(), QStringLiteral("12.50"));  // the sample text went only at start

        // Widgets that went away are skipped.
        delete value;
        delete sprite;
        look.setKnown(false);
        QCOMPARE(colours(text), invalid);
    }
};

POKAVRO_TEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
