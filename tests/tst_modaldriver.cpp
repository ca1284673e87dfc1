#include <QApplication>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "modaldriver.h"
#include "testenv.h"

namespace {

// A small dialog: a line edit that takes the focus, a label, a list, and OK / Cancel / Ask
// buttons. "Ask" runs a nested question dialog and writes its answer into the label.
class Sample : public QDialog
{
public:
    explicit Sample(QWidget* parent = nullptr) : QDialog(parent)
    {
        setObjectName(QStringLiteral("Sample"));
        resize(300, 300);
        edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("edit"));
        edit->setGeometry(10, 10, 200, 30);
        label = new QLabel(QStringLiteral("start"), this);
        label->setObjectName(QStringLiteral("label"));
        label->setGeometry(10, 50, 200, 30);
        list = new QListWidget(this);
        list->setObjectName(QStringLiteral("list"));
        list->setGeometry(10, 90, 200, 150);
        list->addItems({QStringLiteral("alpha"), QStringLiteral("beta")});
        auto* ok = new QPushButton(QStringLiteral("&OK"), this);
        ok->setObjectName(QStringLiteral("pbOk"));
        ok->setGeometry(220, 10, 70, 30);
        auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setGeometry(220, 50, 70, 30);
        auto* ask = new QPushButton(QStringLiteral("Ask"), this);
        ask->setGeometry(220, 90, 70, 30);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(ask, &QPushButton::clicked, this, [this] {
            QDialog question(this);
            question.setObjectName(QStringLiteral("Question"));
            auto* yes = new QPushButton(QStringLiteral("Yes"), &question);
            connect(yes, &QPushButton::clicked, &question, &QDialog::accept);
            label->setText(question.exec() == QDialog::Accepted ? QStringLiteral("yes")
                                                                 : QStringLiteral("no"));
        });
        connect(list, &QListWidget::itemDoubleClicked, this,
                [this](QListWidgetItem* item) { doubleClicked << item->text(); });
        edit->setFocus();
    }

    QLineEdit* edit;
    QLabel* label;
    QListWidget* list;
    QStringList doubleClicked;
};

// The way the console hosts a dialog: a window-modal frame with its own close button, the
// dialog a child widget under it.
class Host : public QFrame
{
public:
    explicit Host(QDialog* dialog) : QFrame(nullptr)
    {
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        setWindowModality(Qt::WindowModal);
        resize(400, 400);
        auto* close = new QPushButton(QStringLiteral("x"), this);
        close->setGeometry(340, 0, 56, 56);
        dialog->setParent(this);
        dialog->move(2, 60);
        connect(close, &QPushButton::clicked, dialog, &QDialog::reject);
        connect(close, &QPushButton::clicked, this, &QWidget::close);
        show();
    }
};

}  // namespace

class TestModalDriver : public QObject
{
    Q_OBJECT

private slots:
    void typesReadsAndClicks()
    {
        Sample sample;
        ModalDriver driver;
        driver.next("Sample", [](ModalDialog& d) {
            d.type(QStringLiteral("abc-1.5 ЖЗ"));
            QCOMPARE(d.text("edit"), QStringLiteral("abc-1.5 ЖЗ"));
            QCOMPARE(d.text("label"), QStringLiteral("start"));
            QCOMPARE(d.items("list"), (QStringList{"alpha", "beta"}));
            QVERIFY(d.isEnabled("OK"));
            d.click("OK");   // by text, without its mnemonic
        });
        QCOMPARE(sample.exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(driver.stepsRun(), 1);
    }

    void hostedDialogClosesByKeyOrFrame_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("escape") << "escape";
        QTest::newRow("frame close button") << "frame";
        QTest::newRow("button by name") << "pbOk";
    }
    void hostedDialogClosesByKeyOrFrame()
    {
        QFETCH(QString, how);
        auto* sample = new Sample;
        Host host(sample);
        ModalDriver driver;
        driver.next([how](ModalDialog& d) {
            QVERIFY(d.window() != d.dialog());
            if (how == "escape")
                d.key(Qt::Key_Escape);
            else if (how == "frame")
                d.clickFrameClose();
            else
                d.click(how);
        });
        QCOMPARE(sample->exec(), how == "pbOk" ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QVERIFY(driver.done());
        QCOMPARE(host.isVisible(), how != "frame");
    }

    void nestedDialogIsDrivenWhileTheClickWaits()
    {
        Sample sample;
        QStringList order;
        ModalDriver driver;
        driver.next("Sample", [&order](ModalDialog& d) {
            order << "outer";
            d.click("Ask");   // returns only when the question has been answered
            order << "outer after question";
            QCOMPARE(d.text("label"), QStringLiteral("yes"));
            d.accept();
        });
        driver.next("Question", [&order](ModalDialog& d) {
            order << "question";
            d.click("Yes");
        });
        QCOMPARE(sample.exec(), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(order, (QStringList{"outer", "question", "outer after question"}));
    }

    void sameDialogRunTwiceIsTwoSteps()
    {
        Sample sample;
        ModalDriver driver;
        driver.next([](ModalDialog& d) { d.accept(); });
        driver.next([](ModalDialog& d) { d.reject(); });
        QCOMPARE(sample.exec(), int(QDialog::Accepted));
        QCOMPARE(sample.exec(), int(QDialog::Rejected));
        QVERIFY(driver.done());
    }

    void aStepNeverActsTwiceOnTheSameOpening()
    {
        Sample sample;
        int second = 0;
        ModalDriver driver(300);
        QString failure;
        driver.setFailureHandler([&failure](const QString& message) { failure = message; });
        driver.next([](ModalDialog& d) { d.type(QStringLiteral("x")); });   // leaves it open
        driver.next([&second](ModalDialog&) { ++second; });
        QCOMPARE(sample.exec(), int(QDialog::Rejected));   // closed by the driver after 300 ms
        QCOMPARE(second, 0);
        QVERIFY(driver.failed());
        QVERIFY2(failure.contains("modal step 2"), qPrintable(failure));
    }

    void listItemsAreClickedAndDoubleClicked()
    {
        Sample sample;
        ModalDriver driver;
        driver.next([](ModalDialog& d) {
            d.clickItem("list", "beta");
            QCOMPARE(d.text("list"), QStringLiteral("beta"));
            d.doubleClickItem("list", "alpha");
            d.accept();
        });
        sample.exec();
        QVERIFY(driver.done());
        QCOMPARE(sample.doubleClicked, QStringList{"alpha"});
    }

    // Every way of getting stuck ends in a reported failure and closed dialogs, within the bound.
    void failuresAreBoundedAndCloseEverything_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<QString>("message");
        QTest::newRow("no step for the dialog") << "none" << "stayed open";
        QTest::newRow("awaited dialog never comes") << "other" << "waited";
        QTest::newRow("missing widget") << "missing" << "no button 'nothing'";
        QTest::newRow("nested question left open") << "nested" << "stayed open";
    }
    void failuresAreBoundedAndCloseEverything()
    {
        QFETCH(QString, scenario);
        QFETCH(QString, message);
        Sample sample;
        QStringList failures;
        QElapsedTimer clock;
        clock.start();
        {
            ModalDriver driver(300);
            driver.setFailureHandler([&failures](const QString& text) { failures << text; });
            if (scenario == "other")
                driver.next("NoSuchDialog", [](ModalDialog&) {});
            if (scenario == "missing")
                driver.next([](ModalDialog& d) { QVERIFY(!d.click("nothing")); });
            if (scenario == "nested") {
                driver.next("Sample", [](ModalDialog& d) { d.click("Ask"); });
                driver.next("Question", [](ModalDialog&) {});
            }
            QCOMPARE(sample.exec(), int(QDialog::Rejected));
            QVERIFY(driver.failed());
            QVERIFY(!driver.done());
        }
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(failures.size(), 1);   // reported once, also not again by the destructor
        QVERIFY2(failures.first().contains(message), qPrintable(failures.first()));
        if (scenario == "nested")
            QCOMPARE(sample.label->text(), QStringLiteral("no"));
    }

    void stepsThatNeverRanFailAtDestruction()
    {
        QStringList failures;
        {
            ModalDriver driver;
            driver.setFailureHandler([&failures](const QString& text) { failures << text; });
            driver.next("Numpad", [](ModalDialog&) {});
            QTest::qWait(30);
        }
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().contains("never ran"), qPrintable(failures.first()));
    }
};

POKAVRO_TEST_MAIN(TestModalDriver)
#include "tst_modaldriver.moc"
