// The four weld templates against a recording editor: the bounds and steps of their value
// fields, the rows each adds for the worked cases (paths, currents, speeds, titles, tack
// orders), the refusals that add nothing, the log lines of the create-and-close flow, and the
// settings they keep.

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "circletackwelds.h"
#include "contourmodel.h"
#include "dialogsteps.h"
#include "circleweld.h"
#include "fixedpaths.h"
#include "lintackwelds.h"
#include "linweld.h"
#include "modaldriver.h"
#include "myframe.h"
#include "schema.h"
#include "recordingeditor.h"
#include "settingsfile.h"
#include "techfield.h"
#include "testenv.h"
#include "widgets.h"

using namespace DialogSteps;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

QVariant stored(const QString& key)
{
    return SettingsFile::open()->value(key);
}

// Runs a template dialog (its steps set on a ModalDriver before): its log lines (" (shown)" marks those for the log list) are
// collected in `log`, also the closing line that its destructor emits.
template <class Template>
int run(RecordingEditor& editor, QStringList& log)
{
    OpeningButton anchor;
    int result = -1;
    {
        Template dialog(&editor, anchor.button);
        QObject::connect(&dialog, &WeldTemplate::message, &dialog,
                         [&log](const QString& text, bool show) { log << text + (show ? " (shown)" : ""); });
        result = dialog.exec();
    }
    return result;
}

// An editor with a pass of `length` mm, a scheme of diameter D, weld speed 600 and transition
// speed 1200 mm/min.
std::unique_ptr<RecordingEditor> editorWith(float length, float D = -1)
{
    auto editor = std::make_unique<RecordingEditor>();
    editor->length = length;
    editor->D = D;
    editor->weldSpeed = 600;
    editor->contourSpeed = 1200;
    return editor;
}

QStringList rowsOf(const TemplatePlan& plan)
{
    RecordingEditor editor;
    addRows(editor, plan);
    return editor.calls;
}

}  // namespace

class TestWeldTemplates : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestEnv::makeInstallationFolders();
        QFile::remove(FixedPaths::settingsFile());
    }

    // ---- common behaviour -------------------------------------------------------------------

    // Entries and steps are raised to the lower bound, then lowered to the upper one; NaN is
    // the lower bound; a lower bound above the upper one gives the upper one.
    void clampAndStep_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<float>("min");
        QTest::addColumn<float>("max");
        QTest::addColumn<int>("step");   // 0 none, -1 minus, +1 plus (by 0.1)
        QTest::addColumn<float>("expected");

        QTest::newRow("below") << -5.f << 0.f << 800.f << 0 << 0.f;
        QTest::newRow("above") << 1000.f << 0.f << 800.f << 0 << 800.f;
        QTest::newRow("inside keeps its decimals") << 12.34f << 0.f << 90.f << 0 << 12.34f;
        QTest::newRow("NaN to the lower bound") << NaN << 2.f << 100.f << 0 << 2.f;
        QTest::newRow("lower bound above upper") << 5.f << 1.f << 0.f << 0 << 0.f;
        QTest::newRow("plus at the upper bound") << 90.f << 0.f << 90.f << 1 << 90.f;
        QTest::newRow("plus near the upper bound") << 89.95f << 0.f << 90.f << 1 << 90.f;
        QTest::newRow("minus at the lower bound") << 0.f << 0.f << 1080.f << -1 << 0.f;
        QTest::newRow("minus inside") << 5.f << 0.f << 1080.f << -1 << 4.9f;
    }
    void clampAndStep()
    {
        QFETCH(float, value);
        QFETCH(float, min);
        QFETCH(float, max);
        QFETCH(int, step);
        QFETCH(float, expected);
        const float got = step == 0 ? TechField::clamp(value, min, max)
                                    : TechField::stepped(value, 0.1f, step > 0, min, max);
        QCOMPARE(got, expected);
    }

    // Through a real dialog: pad entries are clamped and keep the decimals they carry, a
    // cancelled pad changes nothing, and plus and minus stop at the bounds. Every touch of the
    // rise or the fall, also a cancelled pad or a stopped step, recomputes the peak.
    void valueFieldsOfADialog()
    {
        RecordingEditor editor;
        editor.length = 100;
        writeSettings("[LinWeld]\nIr=799\nAscend=0\nPeak=40\nDescend=10\n");
        QStringList log;
        ModalDriver driver;
        driver.next("LinWeld", [&](ModalDialog& d) {
            QCOMPARE(d.text("peak"), QStringLiteral("40.0"));   // opens with the stored peak
            for (int i = 0; i < 3; ++i)
                d.click("pbIrPlus");
            QCOMPARE(d.text("Ir"), QStringLiteral("800"));
            touch(d, "Ir");          // -5
            QCOMPARE(d.text("Ir"), QStringLiteral("0"));
            touch(d, "lblIr");       // 1000, through the caption
            QCOMPARE(d.text("Ir"), QStringLiteral("800"));
            touch(d, "Ir");          // cancelled
            QCOMPARE(d.text("Ir"), QStringLiteral("800"));
            d.click("pbAscendMinus");   // stays at 0, the peak follows
            QCOMPARE(d.text("ascend"), QStringLiteral("0.0"));
            QCOMPARE(d.text("peak"), QStringLiteral("90.0"));
            touch(d, "ascend");      // 12.34 shows 12.3
            QCOMPARE(d.text("ascend"), QStringLiteral("12.3"));
            QCOMPARE(d.text("peak"), QStringLiteral("77.7"));
            touch(d, "descend");     // cancelled: the peak is recomputed all the same
            touch(d, "peak");        // 5000 is held at 3600
            QCOMPARE(d.text("peak"), QStringLiteral("3600.0"));
            touch(d, "weldSpeed");   // 3000 is held at 2400
            QCOMPARE(d.text("weldSpeed"), QStringLiteral("2400.0"));
            d.click("pbCreate");
        });
        driver.next("Numpad", enter("-5"));
        driver.next("Numpad", enter(QStringLiteral("Ток луча"), "1000"));
        driver.next("Numpad", cancel());
        driver.next("Numpad", [](ModalDialog& pad) {
            QCOMPARE(frameTitle(pad), QStringLiteral("Подъем, мм"));
            QCOMPARE(pad.text("leLCD"), QString());   // starts empty
            pad.type("12.34");
            pad.click("pbEnter");
        });
        driver.next("Numpad", cancel());
        driver.next("Numpad", enter("5000"));
        driver.next("Numpad", enter("3000"));
        QCOMPARE(run<LinWeld>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        // The rise is used as entered (12.34, not 12.3).
        QCOMPARE(editor.calls, QStringList({"addComment(Сварка)", "addTechPoint(0, 0, 2400)",
                                            "addTechPoint(12.34, 800, 2400)",
                                            "addTechPoint(3600, 800, 2400)",
                                            "addTechPoint(10, 0, 0)"}));
        QCOMPARE(stored("LinWeld/Ascend").toFloat(), 12.34f);
    }

    // Closing a template through its frame adds nothing, logs the closing and stores its
    // fields; "Сгенерировать" logs the press first and the closing when the dialog is destroyed.
    // A title takes no more characters than a contour file keeps on a line.
    void createAndCloseFlow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("generate");
        for (const char* name : {"Линейная сварка", "Линейные прихватки", "Круговая сварка",
                                 "Круговые прихватки"}) {
            QTest::newRow(QByteArray(name) + " closed") << QString::fromUtf8(name) << false;
            QTest::newRow(QByteArray(name) + " generated") << QString::fromUtf8(name) << true;
        }
    }
    void createAndCloseFlow()
    {
        QFETCH(QString, name);
        QFETCH(bool, generate);
        RecordingEditor editor;
        editor.length = 314.16f;
        editor.D = 100;
        writeSettings("[LinWeld]\nIr=11\n[LinTackWelds]\nIr=12\n[CircleWeld]\nIr=13\n"
                      "[CircleTackWelds]\nIr=14\n");
        QStringList log;
        ModalDriver driver;
        driver.next([&](ModalDialog& d) {
            auto* frame = qobject_cast<MyFrame*>(d.window());
            QVERIFY(frame);
            QCOMPARE(frame->titleLabel()->text(), name);
            touch(d, "Ir");
            if (generate) {
                qobject_cast<QLineEdit*>(d.widget("title"))->setText(QString(300, QChar(0x448)));
                d.click("pbCreate");
            } else {
                d.clickFrameClose();
            }
        });
        driver.next("Numpad", enter("321"));
        QString group;
        int result = -1;
        if (name == "Линейная сварка") {
            group = "LinWeld";
            result = run<LinWeld>(editor, log);
        } else if (name == "Линейные прихватки") {
            group = "LinTackWelds";
            result = run<LinTackWelds>(editor, log);
        } else if (name == "Круговая сварка") {
            group = "CircleWeld";
            result = run<CircleWeld>(editor, log);
        } else {
            group = "CircleTackWelds";
            result = run<CircleTackWelds>(editor, log);
        }
        QVERIFY(driver.done());
        const QString closed = "[I]Закрыто окно '" + name + "'";
        if (generate) {
            QCOMPARE(result, int(QDialog::Accepted));
            QCOMPARE(log, QStringList({"[I]Нажата кнопка 'Сгенерировать' окна '" + name + "'", closed}));
            QVERIFY(!editor.rows.isEmpty());
            QVERIFY(editor.rows.first().comment);
            QCOMPARE(editor.rows.first().text, QString(ContourLimits::kMaxLineChars, QChar(0x448)));
        } else {
            QCOMPARE(result, int(QDialog::Rejected));
            QCOMPARE(log, QStringList({closed}));
            QVERIFY(editor.calls.isEmpty());
        }
        QCOMPARE(stored(group + "/Ir").toFloat(), 321.f);
    }

    // The speeds a template opens with are the editor's, also beyond the fields' 2400 mm/min:
    // every template's rows carry them as the dialog shows them.
    void speedsAsShown_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"LinWeld", "LinTackWelds", "CircleWeld", "CircleTackWelds"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void speedsAsShown()
    {
        QFETCH(QString, name);
        auto owner = editorWith(100, 100);
        RecordingEditor& editor = *owner;
        editor.weldSpeed = 3000;
        editor.contourSpeed = 2500;
        writeSettings("[LinWeld]\nIr=100\nAscend=5\nDescend=5\n[CircleWeld]\nIr=100\nAscend=5\n"
                      "[LinTackWelds]\nIr=100\nAscend=5\n[CircleTackWelds]\nIr=100\nAscend=5\n");
        QStringList log;
        ModalDriver driver;
        driver.next(name, [](ModalDialog& d) {
            QCOMPARE(d.text("weldSpeed"), QStringLiteral("3000.0"));
            QCOMPARE(d.text("moveSpeed"), QStringLiteral("2500.0"));
            d.click("pbCreate");
        });
        if (name == "LinWeld")
            run<LinWeld>(editor, log);
        else if (name == "LinTackWelds")
            run<LinTackWelds>(editor, log);
        else if (name == "CircleWeld")
            run<CircleWeld>(editor, log);
        else
            run<CircleTackWelds>(editor, log);
        QVERIFY(driver.done());
        QVERIFY(editor.rows.size() > 4);
        QSet<float> speeds;
        for (const RecordingEditor::Row& row : qAsConst(editor.rows)) {
            if (!row.comment)
                speeds << row.speed;
        }
        QCOMPARE(speeds, QSet<float>({3000, 2500}));
    }

    // ---- linear weld ------------------------------------------------------------------------

    // Pass 100, rise 5, fall 10, current 120: touching the rise brings the peak to 85, and the
    // four rows follow the last row of the table.
    void linearWeld()
    {
        auto owner = editorWith(100);
        RecordingEditor& editor = *owner;
        writeSettings("[LinWeld]\nIr=120\nAscend=5\nPeak=3\nDescend=10\n");
        QStringList log;
        ModalDriver driver;
        driver.next("LinWeld", [](ModalDialog& d) {
            QCOMPARE(d.text("title"), QStringLiteral("Сварка"));
            QCOMPARE(d.text("weldSpeed"), QStringLiteral("600.0"));
            QCOMPARE(d.text("moveSpeed"), QStringLiteral("1200.0"));
            touch(d, "lblAscend");   // cancelled
            QCOMPARE(d.text("peak"), QStringLiteral("85.0"));
            d.click("pbCreate");
        });
        driver.next("Numpad", cancel());
        QCOMPARE(run<LinWeld>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(editor.table(), QStringList({"# Сварка", "0.00 0.0 600.0", "5.00 120.0 600.0",
                                              "90.00 120.0 600.0", "100.00 0.0 1200.0"}));
        QCOMPARE(stored("LinWeld/Peak").toFloat(), 85.f);

        // A peak set by hand is used as it is; a title may be empty.
        LinWeld::Values v;
        v.Ir = 120;
        v.ascend = 5;
        v.peak = 40;
        v.descend = 10;
        v.weldSpeed = 600;
        v.moveSpeed = 1200;
        QCOMPARE(rowsOf(LinWeld::plan(QString(), v)),
                 QStringList({"addComment()", "addTechPoint(0, 0, 600)", "addTechPoint(5, 120, 600)",
                              "addTechPoint(40, 120, 600)", "addTechPoint(10, 0, 1200)"}));
    }

    // Rise and fall longer than the pass give a negative peak: refused with an alarm shown to
    // the operator; nothing is added and the dialog stays open.
    void linearWeldNegativePeakRefused()
    {
        RecordingEditor editor;
        editor.length = 100;
        writeSettings("[LinWeld]\nIr=120\nAscend=60\nPeak=3\nDescend=50\n");
        QStringList log;
        ModalDriver driver;
        driver.next("LinWeld", [](ModalDialog& d) {
            d.click("pbDescendPlus");
            QCOMPARE(d.text("peak"), QStringLiteral("-10.1"));
            d.click("pbCreate");
            QVERIFY(d.isOpen());
            d.clickFrameClose();
        });
        QCOMPARE(run<LinWeld>(editor, log), int(QDialog::Rejected));
        QVERIFY(driver.done());
        QVERIFY(editor.calls.isEmpty());
        QCOMPARE(log, QStringList({"[I]Нажата кнопка 'Сгенерировать' окна 'Линейная сварка'",
                                   "[A]Ошибка! Подъем и спад длиннее прохода: расчетная длина пика "
                                   "меньше нуля! (shown)",
                                   "[I]Закрыто окно 'Линейная сварка'"}));
    }

    // Values from a hand-edited settings file are shown as stored; only what the editor refuses
    // is brought into its limits when the rows are made: NaN and negative values to 0, a beam
    // current above 800 mA to 800. A speed from the editor beyond the speed fields' 2400 mm/min
    // is used as shown.
    void storedValuesWithinEditorLimits()
    {
        RecordingEditor editor;
        editor.weldSpeed = 3000;   // the editor's own speeds open unchanged
        editor.contourSpeed = -5;
        writeSettings("[LinWeld]\nIr=5000\nAscend=nan\nPeak=20\nDescend=-3\n");
        QStringList log;
        ModalDriver driver;
        driver.next("LinWeld", [](ModalDialog& d) {
            QCOMPARE(d.text("Ir"), QStringLiteral("5000"));
            QCOMPARE(d.text("weldSpeed"), QStringLiteral("3000.0"));
            d.click("pbCreate");
        });
        QCOMPARE(run<LinWeld>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(editor.calls, QStringList({"addComment(Сварка)", "addTechPoint(0, 0, 3000)",
                                            "addTechPoint(0, 800, 3000)", "addTechPoint(20, 800, 3000)",
                                            "addTechPoint(0, 0, 0)"}));

        // A NaN peak counts as 0; an infinite one (from an infinite pass) gives no rows at all.
        LinWeld::Values v;
        v.peak = NaN;
        QCOMPARE(rowsOf(LinWeld::plan("t", v)).at(3), QStringLiteral("addTechPoint(0, 0, 0)"));
        v.peak = std::numeric_limits<float>::infinity();
        const TemplatePlan plan = LinWeld::plan("t", v);
        QVERIFY(plan.refused());
        QVERIFY(plan.rows.isEmpty());
    }

    // ---- linear tack welds -------------------------------------------------------------------

    // The default tack orders: linear, the middle tack and then alternately from both ends
    // inward; circular, jumping across the seam (8 has its own order).
    void defaultTackOrders_data()
    {
        QTest::addColumn<bool>("circular");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("order");
        const QStringList linear = {"1,0", "1,0,2", "2,0,3,1", "2,0,4,1,3", "3,0,5,1,4,2",
                                    "3,0,6,1,5,2,4", "4,0,7,1,6,2,5,3"};
        for (int n = 2; n <= 8; ++n)
            QTest::addRow("linear %d", n) << false << n << linear.at(n - 2);
        const QStringList circular = {"0,1", "0,1,2", "0,2,1,3", "0,2,4,1,3", "0,3,1,4,2,5",
                                      "0,3,6,2,5,1,4", "0,4,6,2,3,5,7,1", "0,4,8,3,7,2,6,1,5",
                                      "0,5,1,6,2,7,3,8,4,9", "0,5,10,4,9,3,8,2,7,1,6",
                                      "0,6,1,7,2,8,3,9,4,10,5,11"};
        for (int n = 2; n <= 12; ++n)
            QTest::addRow("circular %d", n) << true << n << circular.at(n - 2);
    }
    void defaultTackOrders()
    {
        QFETCH(bool, circular);
        QFETCH(int, count);
        QFETCH(QString, order);
        QCOMPARE(circular ? CircleTackWelds::defaultOrder(count) : LinTackWelds::defaultOrder(count), order);
    }

    // Pass 100, four tacks of 2 + 6 + 2: period 25.0, gap 15, order 2,0,3,1; each tack centred
    // in its period, in the order given.
    void linearTacks()
    {
        auto owner = editorWith(100);
        RecordingEditor& editor = *owner;
        writeSettings("[LinTackWelds]\nNumber=4\nIr=50\nAscend=2\nPeak=6\nDescend=2\n");
        QStringList log;
        ModalDriver driver;
        driver.next("LinTackWelds", [](ModalDialog& d) {
            QCOMPARE(d.text("title"), QStringLiteral("Прихватки"));
            QCOMPARE(d.text("leTacksOrder"), QStringLiteral("2,0,3,1"));
            QCOMPARE(d.text("period"), QStringLiteral("25.0"));
            d.click("pbCreate");
        });
        QCOMPARE(run<LinTackWelds>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(editor.table(),
                 QStringList({"# Прихватки",
                              "57.50 0.0 600.0", "59.50 50.0 600.0", "65.50 50.0 600.0", "67.50 0.0 1200.0",
                              "7.50 0.0 600.0", "9.50 50.0 600.0", "15.50 50.0 600.0", "17.50 0.0 1200.0",
                              "82.50 0.0 600.0", "84.50 50.0 600.0", "90.50 50.0 600.0", "92.50 0.0 1200.0",
                              "32.50 0.0 600.0", "34.50 50.0 600.0", "40.50 50.0 600.0", "42.50 0.0 1200.0"}));
        QVERIFY(editor.calls.at(1).startsWith("addLinearTackPoint("));
    }

    // Edited orders: the tacks in the order written, up to the first entry that is no number.
    void linearTackOrders_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<float>("peak");
        QTest::addColumn<QStringList>("starts");   // first path of each tack
        QTest::newRow("end to end") << "0,1,2,3" << 6.f << QStringList{"7.50", "32.50", "57.50", "82.50"};
        QTest::newRow("stops at a non-number") << "3,x,1" << 6.f << QStringList{"82.50"};
        QTest::newRow("empty: title only") << "" << 6.f << QStringList{};
        QTest::newRow("twice the same") << "1,1" << 6.f << QStringList{"32.50", "32.50"};
        QTest::newRow("beyond the pass") << "4" << 6.f << QStringList{"107.50"};
        QTest::newRow("tack as long as the period") << "0,1" << 21.f << QStringList{"0.00", "25.00"};
    }
    void linearTackOrders()
    {
        QFETCH(QString, order);
        QFETCH(float, peak);
        QFETCH(QStringList, starts);
        LinTackWelds::Values v;
        v.Ir = 50;
        v.ascend = 2;
        v.peak = peak;
        v.descend = 2;
        v.period = 25;
        RecordingEditor editor;
        addRows(editor, LinTackWelds::plan("T", order, v));
        QCOMPARE(editor.rows.size(), 1 + 4 * starts.size());
        QCOMPARE(editor.table().first(), QStringLiteral("# T"));
        QStringList got;
        for (int i = 1; i < editor.rows.size(); i += 4)
            got << QString::number(double(editor.rows.at(i).path), 'f', 2);
        QCOMPARE(got, starts);
    }

    // A tack longer than its period: the alarm, the dialog closes, the table is unchanged. A
    // negative index and an order of more entries than a count of tacks may have (100): refused
    // before the title; the dialog stays open for the order to be mended.
    void linearTackRefusals()
    {
        RecordingEditor editor;
        editor.length = 100;
        writeSettings("[LinTackWelds]\nNumber=4\nAscend=10\nPeak=10\nDescend=10\n");
        QStringList log;
        {
            ModalDriver driver;
            driver.next("LinTackWelds", [](ModalDialog& d) { d.click("pbCreate"); });
            QCOMPARE(run<LinTackWelds>(editor, log), int(QDialog::Accepted));
            QVERIFY(driver.done());
        }
        QVERIFY(editor.calls.isEmpty());
        QCOMPARE(log.at(1),
                 QStringLiteral("[A]Ошибка! Расчетная длина прихватки больше периода прихватки! (shown)"));

        writeSettings("[LinTackWelds]\nNumber=4\nAscend=1\nPeak=1\nDescend=1\n");
        log.clear();
        ModalDriver driver;
        driver.next("LinTackWelds", [](ModalDialog& d) {
            auto* order = qobject_cast<QLineEdit*>(d.widget("leTacksOrder"));
            order->setText("2,-1,0");
            d.click("pbCreate");
            QVERIFY(d.isOpen());
            order->setText("2");
            d.click("pbCreate");
        });
        QCOMPARE(run<LinTackWelds>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(log.at(1), QStringLiteral("[A]Ошибка! Недопустимый номер в порядке прихваток: -1 (shown)"));

        LinTackWelds::Values v;
        v.period = 25;
        const TemplatePlan longOrder = LinTackWelds::plan("T", QString("0,1,").repeated(50) + "2", v);
        QCOMPARE(longOrder.refusal, QStringLiteral("[A]Ошибка! В порядке прихваток 101 номеров: допустимо не более 100"));
        QVERIFY(longOrder.rows.isEmpty() && !longOrder.closeOnRefusal);
        QCOMPARE(LinTackWelds::plan("T", QString("0,").repeated(99) + "1", v).rows.size(), 1 + 4 * 100);
        QCOMPARE(editor.table(), QStringList({"# Прихватки", "61.00 0.0 0.0", "62.00 0.0 0.0",
                                              "63.00 0.0 0.0", "64.00 0.0 0.0"}));
    }

    // The count is a whole number within 2..100 wherever it comes from, so the period is always
    // a finite share of the pass; any touch of the count rebuilds the default order.
    void tackCountWholeAndBounded_data()
    {
        QTest::addColumn<QByteArray>("storedNumber");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("order");
        QTest::newRow("zero") << QByteArray("0") << "2" << "50.0" << "1,0";
        QTest::newRow("negative") << QByteArray("-3") << "2" << "50.0" << "1,0";
        QTest::newRow("fraction") << QByteArray("4.7") << "4" << "25.0" << "2,0,3,1";
        QTest::newRow("too many") << QByteArray("1000") << "100" << "1.0" << LinTackWelds::defaultOrder(100);
        QTest::newRow("not a number") << QByteArray("nan") << "2" << "50.0" << "1,0";
    }
    void tackCountWholeAndBounded()
    {
        QFETCH(QByteArray, storedNumber);
        QFETCH(QString, shown);
        QFETCH(QString, period);
        QFETCH(QString, order);
        RecordingEditor editor;
        editor.length = 100;
        writeSettings("[LinTackWelds]\nNumber=" + storedNumber + "\n");
        QStringList log;
        ModalDriver driver;
        driver.next("LinTackWelds", [&](ModalDialog& d) {
            QCOMPARE(d.text("number"), shown);
            QCOMPARE(d.text("period"), period);
            QCOMPARE(d.text("leTacksOrder"), order);
            // A fractional entry is made whole; a cancelled pad still replaces an edited order.
            touch(d, "number");
            QCOMPARE(d.text("number"), QStringLiteral("5"));
            QCOMPARE(d.text("period"), QStringLiteral("20.0"));
            qobject_cast<QLineEdit*>(d.widget("leTacksOrder"))->setText("0,1");
            touch(d, "lblNumber");
            QCOMPARE(d.text("leTacksOrder"), QStringLiteral("2,0,4,1,3"));
            d.click("pbNumberPlus");
            QCOMPARE(d.text("leTacksOrder"), QStringLiteral("3,0,5,1,4,2"));
            d.clickFrameClose();
        });
        driver.next("Numpad", enter("5.9"));
        driver.next("Numpad", cancel());
        run<LinTackWelds>(editor, log);
        QVERIFY(driver.done());
        QCOMPARE(stored("LinTackWelds/Number").toFloat(), 6.f);
    }

    // ---- circular weld ----------------------------------------------------------------------

    // Degrees on D = 100 (k = 0.8726646): rise 10°, peak 340°, fall 10°.
    void circularWeld()
    {
        auto owner = editorWith(0, 100);
        RecordingEditor& editor = *owner;
        writeSettings("[CircleWeld]\nIr=50\nAscend=10\nPeak=340\nDescend=10\nDegreeOn=true\n");
        QStringList log;
        ModalDriver driver;
        driver.next("CircleWeld", [](ModalDialog& d) {
            QCOMPARE(d.text("lblAscend"), QStringLiteral("Подъем,°"));
            QCOMPARE(d.text("lblPeak"), QStringLiteral("Пик,°"));
            QCOMPARE(d.text("lblDescend"), QStringLiteral("Спад,°"));
            QCOMPARE(d.text("peak"), QStringLiteral("340.0"));   // as stored, not converted
            d.click("pbCreate");
        });
        QCOMPARE(run<CircleWeld>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        QCOMPARE(editor.calls, QStringList({"addComment(Сварка)", "addTechPoint(0, 0, 600)",
                                            "addTechPoint(8.7266464, 50, 600)",
                                            "addTechPoint(296.70596, 50, 600)",
                                            "addTechPoint(8.7266464, 0, 1200)"}));
        QCOMPARE(editor.paths(), QStringList({"0.00", "8.73", "305.44", "314.17"}));
    }

    // Switching the unit converts the lengths (not clamped) and the captions; a converted length
    // beyond the bound of the new unit is used as shown; the lengths are stored in the unit of
    // the mode at closing.
    void circularWeldUnits()
    {
        RecordingEditor editor;
        editor.D = 100;
        writeSettings("[CircleWeld]\nAscend=10000\nPeak=78.54\nDescend=0\n");
        QStringList log;
        ModalDriver driver;
        driver.next("CircleWeld", [](ModalDialog& d) {
            QCOMPARE(d.text("lblAscend"), QStringLiteral("Подъем,мм"));
            d.click("pbDegreeOn");
            QCOMPARE(d.text("lblAscend"), QStringLiteral("Подъем, °"));
            QCOMPARE(d.text("pbDegreeOn"), QStringLiteral("Измерение\nв градусах"));
            QCOMPARE(d.text("ascend"), QStringLiteral("11459.2"));
            QCOMPARE(d.text("peak"), QStringLiteral("90.0"));
            d.click("pbDegreeOn");
            QCOMPARE(d.text("lblPeak"), QStringLiteral("Пик, мм"));
            QCOMPARE(d.text("peak"), QStringLiteral("78.54"));
            d.click("pbDegreeOn");
            touch(d, "descend");    // the pad takes the degree bound
            QCOMPARE(d.text("descend"), QStringLiteral("3600.0"));
            d.click("pbCreate");
        });
        driver.next("Numpad", enter(QStringLiteral("Спад, °"), "9999"));
        QCOMPARE(run<CircleWeld>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        // 11459.156° of D 100 are the 10000 mm the operator converted, not the degree bound.
        QVERIFY(std::fabs(editor.rows.at(2).path - editor.rows.at(1).path - 10000.f) < 0.01f);
        QVERIFY(stored("CircleWeld/DegreeOn").toBool());
        QVERIFY(std::fabs(stored("CircleWeld/Ascend").toFloat() - 11459.156f) < 0.01f);

        // In mm the lengths go to the editor as entered; all three 0 still give four rows.
        CircleWeld::Values v;
        v.ascend = 1.25f;
        v.k = 0.87f;
        QCOMPARE(rowsOf(CircleWeld::plan("c", v)),
                 QStringList({"addComment(c)", "addTechPoint(0, 0, 0)", "addTechPoint(1.25, 0, 0)",
                              "addTechPoint(0, 0, 0)", "addTechPoint(0, 0, 0)"}));
    }

    // ---- circular tack welds -----------------------------------------------------------------

    // Four tacks in degrees on D = 100: P = 90°, L = 20°, order 0,2,1,3, steps 0, 2, 3, 2: gaps
    // none, 160°, 250°, 160°.
    void circularTacks()
    {
        auto owner = editorWith(314.16f, 100);
        RecordingEditor& editor = *owner;
        writeSettings("[CircleTackWelds]\nNumber=4\nIr=30\nAscend=5\nPeak=10\nDescend=5\nDegreeOn=true\n");
        QStringList log;
        ModalDriver driver;
        driver.next("CircleTackWelds", [](ModalDialog& d) {
            QCOMPARE(d.text("leTacksOrder"), QStringLiteral("0,2,1,3"));
            QCOMPARE(d.text("period"), QStringLiteral("90.00"));
            QCOMPARE(d.text("lblPeriod"), QStringLiteral("Период, °"));
            QCOMPARE(d.text("pbDegreeOn"), QStringLiteral("Измерение\n в градусах"));
            d.click("pbCreate");
        });
        QCOMPARE(run<CircleTackWelds>(editor, log), int(QDialog::Accepted));
        QVERIFY(driver.done());
        const QStringList tack = {"addTechPoint(4.3633232, 30, 600)", "addTechPoint(8.7266464, 30, 600)",
                                  "addTechPoint(4.3633232, 0, 1200)"};
        QCOMPARE(editor.calls, QStringList({"addComment(Прихватки)"})
                                   + tack + QStringList({"addTechPoint(139.62634, 0, 600)"})
                                   + tack + QStringList({"addTechPoint(218.16615, 0, 600)"})
                                   + tack + QStringList({"addTechPoint(139.62634, 0, 600)"}) + tack);
    }

    // The period shown uses the contour length; the rows use the circumference.
    void circularTackPeriod_data()
    {
        QTest::addColumn<bool>("degrees");
        QTest::addColumn<float>("length");
        QTest::addColumn<QString>("shown");
        QTest::newRow("mm, one full circle") << false << 314.16f << "78.54";
        QTest::newRow("degrees, one full circle") << true << 314.16f << "90.00";
        QTest::newRow("mm, shorter contour") << false << 200.f << "50.00";
        QTest::newRow("degrees, shorter contour") << true << 200.f << "57.30";
    }
    void circularTackPeriod()
    {
        QFETCH(bool, degrees);
        QFETCH(float, length);
        QFETCH(QString, shown);
        QCOMPARE(QString::number(double(CircleTackWelds::displayedPeriod(degrees, length, 4, 100)), 'f', 2),
                 shown);
        // Generation in mm: the period is D × π / N = 78.53982 whatever the contour length.
        CircleTackWelds::Values v;
        v.number = 4;
        v.D = 100;
        v.peak = 1;
        QCOMPARE(rowsOf(CircleTackWelds::plan("c", "0,1", v)).at(4),
                 QStringLiteral("addTechPoint(77.539818, 0, 0)"));
    }

    // Orders: a repeated entry follows without a gap, an entry of N or more is taken modulo N, so
    // is a negative one ("0,-1" steps 7 of 8 periods), an empty piece ends the order; a step
    // backwards (an entry more than N below the one before it) and a tack longer than its period
    // are refused before the title.
    void circularTackOrders_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<float>("peak");
        QTest::addColumn<QStringList>("intervals");   // data rows, or the refusal
        const QString r = "addTechPoint(0, 0, 0)";
        QTest::newRow("same entry twice") << "0,0" << 0.f << QStringList{r, r, r, r, r, r};
        QTest::newRow("entry beyond N") << "0,9" << 0.f
                                        << QStringList{r, r, r, "addTechPoint(45, 0, 0)", r, r, r};
        QTest::newRow("empty piece ends it") << "0,4,,6" << 0.f
                                             << QStringList{r, r, r, "addTechPoint(180, 0, 0)", r, r, r};
        QTest::newRow("length equal to period") << "0,1" << 45.f
                                                << QStringList{r, "addTechPoint(45, 0, 0)", r, r,
                                                               "addTechPoint(45, 0, 0)", r};
        QTest::newRow("negative entry") << "0,-1" << 0.f
                                        << QStringList{r, r, r, "addTechPoint(315, 0, 0)", r, r, r};
        QTest::newRow("negative first entry") << "-2" << 0.f << QStringList{"addTechPoint(270, 0, 0)", r, r, r};
        QTest::newRow("step backwards") << "9,0" << 0.f << QStringList{TemplateValues::badOrderEntry(0)};
        QTest::newRow("more than N below") << "0,-9" << 0.f << QStringList{TemplateValues::badOrderEntry(-9)};
        QTest::newRow("more entries than tacks") << QString("0") + QString(",1").repeated(100) << 0.f
                                                 << QStringList{"[A]Ошибка! В порядке прихваток 101 номеров: "
                                                                "допустимо не более 100"};
        QTest::newRow("tack longer than period") << "0" << 45.5f << QStringList{TemplateValues::TackTooLong};
    }
    void circularTackOrders()
    {
        QFETCH(QString, order);
        QFETCH(float, peak);
        QFETCH(QStringList, intervals);
        CircleTackWelds::Values v;
        v.number = 8;
        v.degrees = true;
        v.k = 1;
        v.D = 100;
        v.peak = peak;
        const TemplatePlan plan = CircleTackWelds::plan("c", order, v);
        if (plan.refused()) {
            QCOMPARE(QStringList{plan.refusal}, intervals);
            QVERIFY(!plan.closeOnRefusal);
            QVERIFY(plan.rows.isEmpty());
        } else {
            QCOMPARE(rowsOf(plan), QStringList{"addComment(c)"} + intervals);
        }
    }

    // A refused generation shows the alarm and leaves the dialog open; the unit switch keeps
    // an edited order; lengths stepped in mm may pass the pad's bound. A peak of 120 mm switched
    // to degrees shows 137.5° and is written as the 120 mm it is, not as the 90° bound.
    void circularTackDialog()
    {
        RecordingEditor editor;
        editor.D = 100;
        editor.length = 314.16f;
        writeSettings("[CircleTackWelds]\nNumber=8\nPeak=46\nDegreeOn=true\n");
        QStringList log;
        ModalDriver driver;
        driver.next("CircleTackWelds", [](ModalDialog& d) {
            d.click("pbCreate");
            QVERIFY(d.isOpen());
            qobject_cast<QLineEdit*>(d.widget("leTacksOrder"))->setText("0,1");
            d.click("pbDegreeOn");
            QCOMPARE(d.text("pbDegreeOn"), QStringLiteral("Измерение\n в милиметрах"));
            QCOMPARE(d.text("lblPeak"), QStringLiteral("Пик, мм"));
            QCOMPARE(d.text("period"), QStringLiteral("39.27"));
            QCOMPARE(d.text("leTacksOrder"), QStringLiteral("0,1"));
            QCOMPARE(d.text("peak"), QStringLiteral("40.14"));
            touch(d, "peak");   // 120 is held at 90 on the pad ...
            QCOMPARE(d.text("peak"), QStringLiteral("90.0"));
            for (int i = 0; i < 3; ++i)
                d.click("pbPeakPlus");   // ... but not by the plus button in mm
            QCOMPARE(d.text("peak"), QStringLiteral("90.3"));
            d.clickFrameClose();
        });
        driver.next("Numpad", enter("120"));
        QCOMPARE(run<CircleTackWelds>(editor, log), int(QDialog::Rejected));
        QVERIFY(driver.done());
        QVERIFY(editor.calls.isEmpty());

        QCOMPARE(log.at(1),
                 QStringLiteral("[A]Ошибка! Расчетная длина прихватки больше периода прихватки! (shown)"));
        QVERIFY(!stored("CircleTackWelds/DegreeOn").toBool());
        QVERIFY(std::fabs(stored("CircleTackWelds/Peak").toFloat() - 90.3f) < 0.001f);

        writeSettings("[CircleTackWelds]\nNumber=2\nPeak=120\nDegreeOn=false\n");
        ModalDriver tacks;
        tacks.next("CircleTackWelds", [](ModalDialog& d) {
            qobject_cast<QLineEdit*>(d.widget("leTacksOrder"))->setText("0");
            d.click("pbDegreeOn");
            QCOMPARE(d.text("peak"), QStringLiteral("137.5"));
            d.click("pbCreate");
        });
        QCOMPARE(run<CircleTackWelds>(editor, log), int(QDialog::Accepted));
        QVERIFY(tacks.done());
        QCOMPARE(editor.rows.size(), 4);
        QVERIFY(std::fabs(editor.rows.at(2).path - editor.rows.at(1).path - 120.f) < 0.001f);
    }

    // A scheme without a diameter gives the circular templates nothing to turn degrees into:
    // they add nothing rather than rows the editor would refuse.
    void circularTemplatesWithoutDiameter()
    {
        CircleWeld::Values weld;
        weld.degrees = true;
        weld.ascend = 10;
        weld.k = mmPerDegree(-1);
        QVERIFY(CircleWeld::plan("c", weld).refused());
        CircleTackWelds::Values tacks;
        tacks.number = 4;
        tacks.D = -1;
        QCOMPARE(CircleTackWelds::plan("c", "0", tacks).refusal, TemplateValues::TackTooLong);
    }
};

POKAVRO_TEST_MAIN(TestWeldTemplates)
#include "tst_weldtemplates.moc"
