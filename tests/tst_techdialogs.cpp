// The contour settings, beam sweep, add-contour-point and frame-parameter dialogs against a
// recording editor, opened the way the editor opens them: what each hands to the editor, the
// sweep and segment cell texts, entries and their bounds, the refusals, and the settings kept.

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>
#include <limits>

#include "addcontourpoint.h"
#include "contourparams.h"
#include "dialogsteps.h"
#include "fixedpaths.h"
#include "modaldriver.h"
#include "myframe.h"
#include "recordingeditor.h"
#include "settingsfile.h"
#include "techdialogs.h"
#include "techfield.h"
#include "techsettings.h"
#include "testenv.h"
#include "trsel.h"
#include "widgets.h"

using namespace DialogSteps;

namespace {

const float Inf = std::numeric_limits<float>::infinity();


// Collects the operator lines of a dialog; " (shown)" marks those for the log list.
struct Log {
    QStringList lines;
    TechDialogs::Sink sink()
    {
        return [this](const QString& text, bool show) { lines << text + (show ? " (shown)" : ""); };
    }
};

bool checked(ModalDialog& d, const QString& name)
{
    auto* button = qobject_cast<QAbstractButton*>(d.widget(name));
    return button && button->isChecked();
}

bool enabled(QWidget* dialog, const char* name)
{
    auto* widget = dialog->findChild<QWidget*>(QLatin1String(name));
    return widget && widget->isEnabled();
}

// The frame's top-left corner for a dialog opened below and to the left of `button`.
QPoint hangingFrom(const QWidget* button, const QSize& dialog)
{
    const QPoint at = TechField::belowLeft(button, dialog.width());
    return MyFrame::placement(at.x(), at.y(), 1, 2, dialog).topLeft();
}

// The sweep cell of a technology table.
struct SweepCell {
    SweepCell()
    {
        table.setGeometry(200, 200, 700, 100);
        cell = new QTableWidgetItem;
        table.setItem(0, 6, cell);
        table.show();
    }
    QTableWidget table{1, 7};
    QTableWidgetItem* cell;
};

}  // namespace

class TestTechDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestEnv::makeInstallationFolders();
        QFile::remove(FixedPaths::settingsFile());
    }

    // ---- contour settings -------------------------------------------------------------------

    // The dialog shows what the editor loads and hands back the nine values unchanged; the
    // round-seam group is open only for the circular-interpolation scheme.
    void settingsHandedBack_data()
    {
        QTest::addColumn<bool>("rotate");
        QTest::addColumn<float>("D");
        QTest::addColumn<int>("plane");
        QTest::addColumn<QString>("call");
        QTest::newRow("XYZr") << true << 100.f << 1 << "setTechSettings(1, 1, 0, 1, 700, 1.5, -2.5, 100, 1)";
        QTest::newRow("other scheme") << false << -1.f << 0 << "setTechSettings(1, 1, 0, 1, 700, 1.5, -2.5, -1, 0)";
    }
    void settingsHandedBack()
    {
        QFETCH(bool, rotate);
        QFETCH(float, D);
        QFETCH(int, plane);
        QFETCH(QString, call);
        RecordingEditor editor;
        editor.rotate = rotate;
        editor.D = D;
        editor.aux = plane;
        OpeningButton anchor;
        TechDialogs::ContourSettings current;
        current.testMove = true;
        current.showIf = true;
        current.showIy = true;
        current.Ix = 1.5f;
        current.Iy = -2.5f;
        current.centreX = 10;
        current.centreY = -20.5f;
        Log log;
        ModalDriver driver;
        driver.next("TechSettings", [&](ModalDialog& d) {
            QCOMPARE(frameTitle(d), QStringLiteral("Настройки контура"));
            QCOMPARE(d.window()->pos(), hangingFrom(anchor.button, d.dialog()->size()));
            QCOMPARE(d.widget("frmRoundParam")->isEnabled(), rotate);
            QCOMPARE(d.text("If"), QStringLiteral("700"));
            QCOMPARE(d.text("Ix"), QStringLiteral("1.5"));
            QCOMPARE(d.text("Iy"), QStringLiteral("-2.5"));
            QCOMPARE(d.text("center1"), QStringLiteral("10.00"));
            QCOMPARE(d.text("center2"), QStringLiteral("-20.50"));
            QCOMPARE(checked(d, "pbPlaneXZ"), plane == 1);
            QVERIFY(checked(d, "cbTestMode") && checked(d, "cbFocus") && !checked(d, "cbYokeX"));
            d.click("pbSettingsDone");
        });
        QVERIFY(TechDialogs::runSettings(editor, anchor.button, current, log.sink()));
        QVERIFY(driver.done());
        QCOMPARE(editor.calls, QStringList{call});
        QVERIFY(log.lines.isEmpty());
    }

    // Currents are taken as entered (no limits), shown with their decimals and announced
    // without a severity prefix, shown to the operator.
    void settingsCurrents()
    {
        RecordingEditor editor;
        OpeningButton anchor;
        Log log;
        ModalDriver driver;
        driver.next("TechSettings", [](ModalDialog& d) {
            touch(d, "If");
            QCOMPARE(d.text("If"), QStringLiteral("13"));
            touch(d, "Ix");
            QCOMPARE(d.text("Ix"), QStringLiteral("-5.0"));
            touch(d, "Iy");
            touch(d, "Iy");   // cancelled
            QCOMPARE(d.text("Iy"), QStringLiteral("0.0"));
            d.clickFrameClose();
        });
        driver.next("Numpad", enter(QStringLiteral("If, мА"), "12.6"));
        driver.next("Numpad", enter("-5"));
        driver.next("Numpad", enter("0"));
        driver.next("Numpad", cancel());
        QVERIFY(TechDialogs::runSettings(editor, anchor.button, {}, log.sink()));
        QVERIFY(driver.done());
        QCOMPARE(log.lines, QStringList({"Задан новый ток фокусировки для контура - 12.6 мА (shown)",
                                         "Задан новый ток отклонения по X для контура - -5 мА (shown)",
                                         "Задан новый ток отклонения по Y для контура - 0 мА (shown)"}));
        QVERIFY(editor.calls.isEmpty());   // the frame was closed: nothing handed over
    }

    // "Принять" with the values entered: the currents as entered (12.6, not the 13 shown).
    void settingsCurrentsHandedOver()
    {
        RecordingEditor editor;
        OpeningButton anchor;
        ModalDriver driver;
        driver.next("TechSettings", [](ModalDialog& d) {
            touch(d, "If");
            touch(d, "Iy");
            d.click("cbYokeY");
            d.click("pbSettingsDone");
        });
        driver.next("Numpad", enter("12.6"));
        driver.next("Numpad", enter("-0.5"));
        QVERIFY(TechDialogs::runSettings(editor, anchor.button, {}, {}));
        QVERIFY(driver.done());
        QCOMPARE(editor.calls, QStringList({"setTechSettings(0, 0, 0, 1, 12.6, 0, -0.5, -1, 0)"}));
    }

    // A new diameter moves the points from the old circle onto the new one; an entry that is
    // not a positive length keeps the old value, and nothing is moved from or onto a circle
    // of no diameter.
    void settingsDiameter_data()
    {
        QTest::addColumn<float>("old");
        QTest::addColumn<QString>("entry");   // empty: the pad is cancelled
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QStringList>("notices");
        const QString notice = "Задан новый диаметр для контура - %1 мм (shown)";
        QTest::newRow("new diameter")
            << 100.f << "150"
            << QStringList{"setTechSettings(0, 0, 0, 0, 700, 0, 0, 150, 0)",
                           "recalcPointsForNewDiameter(100, 150)"}
            << QStringList{notice.arg(150)};
        QTest::newRow("same diameter again")
            << 100.f << "100" << QStringList{"setTechSettings(0, 0, 0, 0, 700, 0, 0, 100, 0)"}
            << QStringList{notice.arg(100)};
        QTest::newRow("zero keeps the old")
            << 100.f << "0" << QStringList{"setTechSettings(0, 0, 0, 0, 700, 0, 0, 100, 0)"}
            << QStringList{};
        QTest::newRow("negative keeps the old")
            << 100.f << "-5" << QStringList{"setTechSettings(0, 0, 0, 0, 700, 0, 0, 100, 0)"}
            << QStringList{};
        QTest::newRow("cancelled")
            << 100.f << "" << QStringList{"setTechSettings(0, 0, 0, 0, 700, 0, 0, 100, 0)"}
            << QStringList{};
        QTest::newRow("no diameter before")
            << -1.f << "50" << QStringList{"setTechSettings(0, 0, 0, 0, 700, 0, 0, 50, 0)"}
            << QStringList{notice.arg(50)};
    }
    void settingsDiameter()
    {
        QFETCH(float, old);
        QFETCH(QString, entry);
        QFETCH(QStringList, calls);
        QFETCH(QStringList, notices);
        RecordingEditor editor;
        editor.rotate = true;
        editor.D = old;
        OpeningButton anchor;
        Log log;
        ModalDriver driver;
        driver.next("TechSettings", [](ModalDialog& d) {
            touch(d, "diameter");
            d.click("pbSettingsDone");
        });
        driver.next("Numpad", entry.isEmpty() ? cancel() : enter(entry));
        QVERIFY(TechDialogs::runSettings(editor, anchor.button, {}, log.sink()));
        QVERIFY(driver.done());
        QCOMPARE(editor.calls, calls);
        QCOMPARE(log.lines, notices);
    }

    // Exactly one plane button stays checked; a plane code other than 0 or 1 shows Y-Z and is
    // handed back unchanged unless a plane is pressed.
    void settingsPlanes()
    {
        RecordingEditor editor;
        editor.rotate = true;
        editor.D = 80;
        editor.aux = 7;
        OpeningButton anchor;
        for (bool press : {false, true}) {
            ModalDriver driver;
            driver.next("TechSettings", [press](ModalDialog& d) {
                QVERIFY(!checked(d, "pbPlaneXY") && !checked(d, "pbPlaneXZ") && checked(d, "pbPlaneYZ"));
                if (press) {
                    d.click("pbPlaneXZ");
                    d.click("pbPlaneXZ");
                    QVERIFY(!checked(d, "pbPlaneXY") && checked(d, "pbPlaneXZ") && !checked(d, "pbPlaneYZ"));
                }
                d.click("pbSettingsDone");
            });
            QVERIFY(TechDialogs::runSettings(editor, anchor.button, {}, {}));
            QVERIFY(driver.done());
        }
        QCOMPARE(editor.calls, QStringList({"setTechSettings(0, 0, 0, 0, 700, 0, 0, 80, 7)",
                                            "setTechSettings(0, 0, 0, 0, 700, 0, 0, 80, 1)"}));
    }

    // "Отмена" hands nothing over; a notice given at entry stays given.
    void settingsCancelled()
    {
        RecordingEditor editor;
        OpeningButton anchor;
        Log log;
        ModalDriver driver;
        driver.next("TechSettings", [](ModalDialog& d) {
            touch(d, "If");
            d.click("pbSettingsCancel");
        });
        driver.next("Numpad", enter("300"));
        QVERIFY(TechDialogs::runSettings(editor, anchor.button, {}, log.sink()));
        QVERIFY(driver.done());
        QVERIFY(editor.calls.isEmpty());
        QCOMPARE(log.lines.size(), 1);
    }

    // ---- beam sweep -------------------------------------------------------------------------

    // The sweep cell after each button: "Включить" the parameters (defaults for an empty cell),
    // "Выключить" the word ВЫКЛ with the roles kept, "Оставить" an empty text; closed through
    // its frame the dialog changes nothing. A cell reading ВЫКЛ opens with the defaults.
    void sweepCellTexts()
    {
        SweepCell s;
        QFont tableFont = s.table.font();
        tableFont.setPointSize(13);
        s.table.setFont(tableFont);
        {
            ModalDriver driver;
            driver.next("TRSelect", [](ModalDialog& d) {
                QCOMPARE(frameTitle(d), QStringLiteral("Технологическая развертка"));
                QCOMPARE(d.text("TRtype"), QStringLiteral("Точка"));
                QCOMPARE(d.text("TRamplX"), QStringLiteral("1.00"));
                QCOMPARE(d.text("TRshiftY"), QStringLiteral("0.00"));
                QCOMPARE(d.text("TRangle"), QStringLiteral("0"));
                QCOMPARE(d.text("TRfreq"), QStringLiteral("10.0"));
                QCOMPARE(d.text("TRparam0"), QStringLiteral("1"));
                QVERIFY(!checked(d, "pbTRrotation"));
                d.click("pbOn");
            });
            QVERIFY(TechDialogs::runRaster(&s.table, s.cell));
            QVERIFY(driver.done());
        }
        QCOMPARE(s.cell->text(), QStringLiteral("Точка; 1.00x1.00; 0; 10; 0.00x0.00; 1; 0"));
        QCOMPARE(s.cell->font().pointSize(), 9);
        QCOMPARE(s.cell->data(Qt::UserRole + 5).toInt(), 10);

        bool changed = false;
        auto once = [&](const char* button, std::function<void(ModalDialog&)> before = {}) {
            ModalDriver driver;
            driver.next("TRSelect", [&](ModalDialog& d) {
                if (before)
                    before(d);
                if (QByteArray(button) == "frame")
                    d.clickFrameClose();
                else
                    d.click(QLatin1String(button));
            });
            changed = TechDialogs::runRaster(&s.table, s.cell);
            QVERIFY(driver.done());
        };
        once("pbOn", [](ModalDialog& d) { d.click("pbTRamplXplus"); });
        QVERIFY(changed);
        QCOMPARE(s.cell->text(), QStringLiteral("Точка; 1.10x1.00; 0; 10; 0.00x0.00; 1; 0"));
        once("pbOff");
        QVERIFY(changed);
        QCOMPARE(s.cell->text(), QStringLiteral("ВЫКЛ"));
        QCOMPARE(s.cell->font().pointSize(), 13);
        QCOMPARE(s.cell->data(Qt::UserRole + 2).toFloat(), 1.1f);
        once("pbClear", [](ModalDialog& d) { QCOMPARE(d.text("TRamplX"), QStringLiteral("1.00")); });
        QVERIFY(changed);
        QCOMPARE(s.cell->text(), QString());
        QCOMPARE(s.cell->data(Qt::UserRole + 2).toFloat(), 1.1f);
        s.cell->setText(QStringLiteral("ВЫКЛ"));
        once("frame", [](ModalDialog& d) { d.click("pbTRamplYminus"); });
        QVERIFY(!changed);
        QCOMPARE(s.cell->text(), QStringLiteral("ВЫКЛ"));

        TRSelect fresh(&s.table);
        QCOMPARE(fresh.choice(), int(TRSelect::None));
        QCOMPARE(fresh.type(), 0);
    }

    // A cell with a sweep opens with its roles; a type the list does not hold shows its number.
    void sweepLoadsRoles_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("text");
        QTest::newRow("spiral") << 15 << "Спираль" << "Спираль; -2.50x3.00; 45; 100; 0.50x-0.25; 2.4; 1";
        QTest::newRow("unknown type") << 25 << "25" << "25; -2.50x3.00; 45; 100; 0.50x-0.25; 2.4; 1";
    }
    void sweepLoadsRoles()
    {
        QFETCH(int, type);
        QFETCH(QString, shown);
        QFETCH(QString, text);
        SweepCell s;
        RasterParams p;
        p.type = type;
        p.ampX = -2.5f;
        p.ampY = 3;
        p.angle = 45;
        p.freq = 100;
        p.shiftX = 0.5f;
        p.shiftY = -0.25f;
        p.param = 2.4f;
        p.reverse = 1;
        TRSelect::toItem(p, *s.cell);
        s.cell->setText(QStringLiteral("set"));
        ModalDriver driver;
        driver.next("TRSelect", [&](ModalDialog& d) {
            QCOMPARE(d.text("TRtype"), shown);
            QCOMPARE(d.text("TRamplX"), QStringLiteral("-2.50"));
            QCOMPARE(d.text("TRangle"), QStringLiteral("45"));
            QCOMPARE(d.text("TRfreq"), QStringLiteral("100.0"));
            QCOMPARE(d.text("TRparam0"), QStringLiteral("2"));
            QVERIFY(checked(d, "pbTRrotation"));
            d.click("pbOn");
        });
        QVERIFY(TechDialogs::runRaster(&s.table, s.cell));
        QVERIFY(driver.done());
        QCOMPARE(s.cell->text(), text);
    }

    // A sweep angle role that is not a whole number is cut towards 0 to one that an int holds;
    // NaN gives 0.
    void sweepAngleWhole_data()
    {
        QTest::addColumn<float>("role");
        QTest::addColumn<int>("angle");
        QTest::newRow("fraction") << 45.7f << 45;
        QTest::newRow("negative fraction") << -45.7f << -45;
        QTest::newRow("too large") << 1.0e12f << 2000000000;
        QTest::newRow("too small") << -Inf << -2000000000;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << 0;
    }
    void sweepAngleWhole()
    {
        QFETCH(float, role);
        QFETCH(int, angle);
        QTableWidgetItem cell;
        cell.setData(Qt::UserRole + 4, role);
        QCOMPARE(TRSelect::fromItem(cell).angle, angle);
    }

    // Pad entries are clamped into each value's range and keep their fraction where the field
    // shows fewer decimals; angle and frequency go to the cell as whole numbers; presses on the
    // plain amplitude and shift labels and their captions open their pads; steps stop at the
    // bounds.
    void sweepEntriesAndSteps()
    {
        SweepCell s;
        ModalDriver driver;
        driver.next("TRSelect", [](ModalDialog& d) {
            touch(d, "TRfreq");
            QCOMPARE(d.text("TRfreq"), QStringLiteral("12.5"));
            touch(d, "lblTRangle");
            QCOMPARE(d.text("TRangle"), QStringLiteral("46"));
            touch(d, "TRparam0");
            QCOMPARE(d.text("TRparam0"), QStringLiteral("2"));
            touch(d, "TRamplX");    // a plain label: the dialog opens its pad
            QCOMPARE(d.text("TRamplX"), QStringLiteral("100.00"));
            d.click("pbTRamplXplus");
            QCOMPARE(d.text("TRamplX"), QStringLiteral("100.00"));
            touch(d, "lblTRamplY");
            QCOMPARE(d.text("TRamplY"), QStringLiteral("-100.00"));
            d.click("pbTRamplYminus");
            QCOMPARE(d.text("TRamplY"), QStringLiteral("-100.00"));
            touch(d, "lblTRshiftX");   // cancelled
            QCOMPARE(d.text("TRshiftX"), QStringLiteral("0.00"));
            d.click("pbTRshiftXminus");
            QCOMPARE(d.text("TRshiftX"), QStringLiteral("-0.10"));
            d.click("pbTRrotation");
            d.click("pbOn");
        });
        driver.next("Numpad", enter(QStringLiteral("Частота, Гц"), "12.5"));
        driver.next("Numpad", enter("45.7"));
        driver.next("Numpad", enter("2.4"));
        driver.next("Numpad", enter(QStringLiteral("Амплитуда X, %"), "150"));
        driver.next("Numpad", enter("-150"));
        driver.next("Numpad", cancel());
        QVERIFY(TechDialogs::runRaster(&s.table, s.cell));
        QVERIFY(driver.done());
        QCOMPARE(s.cell->text(), QStringLiteral("Точка; 100.00x-100.00; 45; 12; -0.10x0.00; 2.4; 1"));
        QCOMPARE(s.cell->data(Qt::UserRole + 4).toInt(), 45);
        QCOMPARE(s.cell->data(Qt::UserRole + 5).toInt(), 12);
        QCOMPARE(s.cell->data(Qt::UserRole + 8).toFloat(), 2.4f);

        s.cell->setText(QString());   // the defaults again
        ModalDriver bounds;
        bounds.next("TRSelect", [](ModalDialog& d) {
            touch(d, "TRfreq");
            QCOMPARE(d.text("TRfreq"), QStringLiteral("0.0"));
            touch(d, "TRfreq");
            QCOMPARE(d.text("TRfreq"), QStringLiteral("1000.0"));
            d.click("pbTRfreqPlus");
            QCOMPARE(d.text("TRfreq"), QStringLiteral("1000.0"));
            d.click("pbTRangleMinus");
            QCOMPARE(d.text("TRangle"), QStringLiteral("0"));
            d.click("pbTRparam0Plus");
            QCOMPARE(d.text("TRparam0"), QStringLiteral("2"));
            d.clickFrameClose();
        });
        bounds.next("Numpad", enter("-50"));
        bounds.next("Numpad", enter("1500"));
        QVERIFY(!TechDialogs::runRaster(&s.table, s.cell));
        QVERIFY(bounds.done());
    }

    // The type menu lists the 18 types; a choice sets the type, a dismissed menu keeps it.
    void sweepTypeMenu()
    {
        SweepCell s;
        ModalDriver driver;
        driver.next("TRSelect", [](ModalDialog& d) {
            onNextMenu([](QMenu* menu) {
                const QList<QAction*> actions = menu->actions();
                QCOMPARE(actions.size(), 18);
                QCOMPARE(actions.at(15)->text(), QStringLiteral("Спираль      "));
                QCOMPARE(menu->font().pixelSize(), 20);
                QVERIFY(menu->font().bold());
                menu->setActiveAction(actions.at(15));
                QTest::keyClick(menu, Qt::Key_Return);
            });
            touch(d, "TRtype");
            QCOMPARE(d.text("TRtype"), QStringLiteral("Спираль"));
            onNextMenu([](QMenu* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
            touch(d, "TRtype");
            QCOMPARE(d.text("TRtype"), QStringLiteral("Спираль"));
            d.click("pbOn");
        });
        QVERIFY(TechDialogs::runRaster(&s.table, s.cell));
        QVERIFY(driver.done());
        QCOMPARE(s.cell->data(Qt::UserRole + 1).toInt(), 15);
        QVERIFY(s.cell->text().startsWith(QStringLiteral("Спираль; ")));
    }

    // ---- add contour point ------------------------------------------------------------------

    // The stored choice is shown (numbers brought into 1..N and 1..R and made whole) and handed
    // to the editor; the switches grey out the numbers they make unused.
    void addPointChoices_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<bool>("pointEnabled");
        QTest::addColumn<bool>("passEnabled");
        QTest::addColumn<QString>("call");
        QTest::newRow("defaults") << QByteArray() << "1" << "1" << true << true
                                  << "addContourPoint(one, one, 1, 1)";
        QTest::newRow("one point on one pass")
            << QByteArray("Number=3\nRotate=2\n") << "3" << "2" << true << true
            << "addContourPoint(one, one, 3, 2)";
        QTest::newRow("all points") << QByteArray("Number=3\nRotate=2\nAllPoint=true\n") << "3" << "2"
                                    << false << true << "addContourPoint(all, one, 3, 2)";
        QTest::newRow("every pass") << QByteArray("Number=4\nRotate=1\nAllRotate=true\n") << "4" << "1"
                                    << true << false << "addContourPoint(one, every, 4, 1)";
        QTest::newRow("beyond this contour") << QByteArray("Number=12\nRotate=0\n") << "7" << "1" << true
                                             << true << "addContourPoint(one, one, 7, 1)";
        QTest::newRow("fractions") << QByteArray("Number=2.7\nRotate=-1e9\n") << "2" << "1" << true << true
                                   << "addContourPoint(one, one, 2, 1)";
        QTest::newRow("not numbers") << QByteArray("Number=nan\nRotate=x\n") << "1" << "1" << true << true
                                     << "addContourPoint(one, one, 1, 1)";
    }
    void addPointChoices()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, point);
        QFETCH(QString, pass);
        QFETCH(bool, pointEnabled);
        QFETCH(bool, passEnabled);
        QFETCH(QString, call);
        writeSettings("[ContourPoint]\n" + ini);
        RecordingEditor editor;
        editor.points = 7.9f;   // whole parts: 7 points on 3 passes
        editor.rings = 3.2f;
        OpeningButton anchor;
        ModalDriver driver;
        driver.next("AddContourPoint", [&](ModalDialog& d) {
            QCOMPARE(frameTitle(d), QStringLiteral("Добавление точки контура"));
            QCOMPARE(d.window()->pos(), hangingFrom(anchor.button, d.dialog()->size()));
            QCOMPARE(d.text("lblPointNumber"), QStringLiteral("Номер точки (от 1 до 7)"));
            QCOMPARE(d.text("pointNumber"), point);
            QCOMPARE(d.text("rotateNumber"), pass);
            QCOMPARE(enabled(d.dialog(), "pointNumber"), pointEnabled);
            QCOMPARE(enabled(d.dialog(), "lblPointNumber"), pointEnabled);
            QCOMPARE(enabled(d.dialog(), "rotateNumber"), passEnabled);
            QCOMPARE(enabled(d.dialog(), "lblRotateNumber"), passEnabled);
            QCOMPARE(checked(d, "rbOneRotate"), passEnabled);
            d.click("pbAdd");
        });
        QVERIFY(TechDialogs::runAddContourPoint(editor, anchor.button, {}));
        QVERIFY(driver.done());
        QCOMPARE(editor.calls, QStringList{call});
    }

    // Pad entries are clamped to 1..N (1..R) and made whole; the switches grey the numbers out;
    // closing without "Добавить" adds nothing and keeps the choice for the next opening.
    void addPointEntriesKept()
    {
        RecordingEditor editor;
        editor.points = 7;
        editor.rings = 3;
        OpeningButton anchor;
        ModalDriver driver;
        driver.next("AddContourPoint", [](ModalDialog& d) {
            touch(d, "pointNumber");
            QCOMPARE(d.text("pointNumber"), QStringLiteral("1"));
            touch(d, "pointNumber");
            QCOMPARE(d.text("pointNumber"), QStringLiteral("7"));
            touch(d, "pointNumber");
            QCOMPARE(d.text("pointNumber"), QStringLiteral("2"));
            touch(d, "pointNumber");   // cancelled
            QCOMPARE(d.text("pointNumber"), QStringLiteral("2"));
            touch(d, "rotateNumber");
            QCOMPARE(d.text("rotateNumber"), QStringLiteral("3"));
            d.click("cbAllPoints");
            QVERIFY(!enabled(d.dialog(), "pointNumber"));
            d.click("rbAllRotate");
            QVERIFY(!enabled(d.dialog(), "rotateNumber"));
            d.click("rbOneRotate");
            QVERIFY(enabled(d.dialog(), "rotateNumber"));
            d.click("rbAllRotate");
            d.clickFrameClose();
        });
        driver.next("Numpad", enter(QStringLiteral("Номер точки"), "0"));
        driver.next("Numpad", enter("99"));
        driver.next("Numpad", enter("2.7"));
        driver.next("Numpad", cancel());
        driver.next("Numpad", enter(QStringLiteral("Номер оборота"), "5"));
        QVERIFY(TechDialogs::runAddContourPoint(editor, anchor.button, {}));
        QVERIFY(driver.done());
        QVERIFY(editor.calls.isEmpty());
        const auto settings = SettingsFile::open();
        QCOMPARE(settings->value("ContourPoint/Number").toFloat(), 2.f);
        QCOMPARE(settings->value("ContourPoint/Rotate").toFloat(), 3.f);
        QVERIFY(settings->value("ContourPoint/AllPoint").toBool());
        QVERIFY(settings->value("ContourPoint/AllRotate").toBool());
    }

    // A contour without points (or without a pass) has no position to add a row at: the
    // dialog refuses with an alarm and adds nothing.
    void addPointEmptyContourRefused_data()
    {
        QTest::addColumn<float>("points");
        QTest::addColumn<float>("rings");
        QTest::addColumn<QString>("alarm");
        QTest::newRow("no points") << 0.f << 3.f << "[A]Ошибка! Контур не содержит точек! (shown)";
        QTest::newRow("no pass") << 5.f << 0.f << "[A]Ошибка! Число оборотов контура меньше 1! (shown)";
    }
    void addPointEmptyContourRefused()
    {
        QFETCH(float, points);
        QFETCH(float, rings);
        QFETCH(QString, alarm);
        RecordingEditor editor;
        editor.points = points;
        editor.rings = rings;
        OpeningButton anchor;
        Log log;
        ModalDriver driver;
        driver.next("AddContourPoint", [&](ModalDialog& d) {
            if (points == 0) {
                QCOMPARE(d.text("lblPointNumber"), QStringLiteral("Номер точки (от 1 до 0)"));
                touch(d, "pointNumber");   // the upper bound is applied last
                QCOMPARE(d.text("pointNumber"), QStringLiteral("0"));
            }
            d.click("pbAdd");
            QVERIFY(d.isOpen());
            d.clickFrameClose();
        });
        if (points == 0)
            driver.next("Numpad", enter("4"));
        QVERIFY(TechDialogs::runAddContourPoint(editor, anchor.button, log.sink()));
        QVERIFY(driver.done());
        QVERIFY(editor.calls.isEmpty());
        QCOMPARE(log.lines, QStringList{alarm});
    }

    // ---- frame parameters -------------------------------------------------------------------

    void segmentText_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("plane");
        QTest::addColumn<float>("radius");
        QTest::addColumn<QString>("text");
        QTest::newRow("line") << 1 << 1 << 2 << 5.f << "Прямая";
        QTest::newRow("arc counter-clockwise XY") << 2 << 1 << 0 << 25.f << "Дуга, r=25.0, пр. ч.с., пл-XY";
        QTest::newRow("arc clockwise XZ") << 2 << 0 << 1 << 12.34f << "Дуга, r=12.3, по ч.с., пл-XZ";
        QTest::newRow("arc YZ") << 2 << 1 << 2 << -5.f << "Дуга, r=-5.0, пр. ч.с., пл-YZ";
        QTest::newRow("unknown plane is XY") << 2 << 7 << 9 << 1.f << "Дуга, r=1.0, по ч.с., пл-XY";
        QTest::newRow("end") << 0 << 0 << 0 << 0.f << "Конец";
        QTest::newRow("other type") << 3 << 0 << 0 << 0.f << "Конец";
    }
    void segmentText()
    {
        QFETCH(int, type);
        QFETCH(int, direction);
        QFETCH(int, plane);
        QFETCH(float, radius);
        QFETCH(QString, text);
        QCOMPARE(ContourParams::segmentText(type, direction, plane, radius), text);
    }

    // Opened on a row's "Параметры" cell: its title, its place at the table and the stored
    // segment; "Принять" stores what is shown, "Отмена" nothing.
    void frameParameters()
    {
        RecordingEditor editor;
        editor.contourRows = 5;
        QTableWidget table(5, 7);
        table.setGeometry(300, 250, 700, 300);
        table.show();
        QTableWidgetItem cell;
        cell.setData(Qt::UserRole + 10, 2);
        cell.setData(Qt::UserRole + 11, 25.0f);
        cell.setData(Qt::UserRole + 12, 1);
        cell.setData(Qt::UserRole + 13, 0);
        ModalDriver driver;
        driver.next("ContourParams", [&](ModalDialog& d) {
            QCOMPARE(frameTitle(d), QStringLiteral("Параметры кадра №3"));
            QCOMPARE(d.window()->pos(), table.mapToGlobal(QPoint(0, 0)));
            QVERIFY(checked(d, "pbType"));
            QCOMPARE(d.text("pbType"), QStringLiteral("Дуга"));
            QCOMPARE(d.text("radius"), QStringLiteral("25.00"));
            QVERIFY(checked(d, "cbClockWise"));
            QVERIFY(checked(d, "pbXY") && !checked(d, "pbXZ") && !checked(d, "pbYZ"));
            d.click("pbOn");
        });
        driver.next("ContourParams", [](ModalDialog& d) {
            touch(d, "radius");
            QCOMPARE(d.text("radius"), QStringLiteral("-3.00"));
            d.click("pbXZ");
            d.click("pbXZ");
            QVERIFY(!checked(d, "pbXY") && checked(d, "pbXZ") && !checked(d, "pbYZ"));
            d.click("cbClockWise");
            d.click("pbType");
            QCOMPARE(d.text("pbType"), QStringLiteral("Прямая"));
            QVERIFY(!enabled(d.dialog(), "radius"));
            d.click("pbOn");
        });
        driver.next("Numpad", enter("-3"));
        driver.next("ContourParams", [](ModalDialog& d) { d.click("pbCancel"); });
        for (int i = 0; i < 3; ++i)
            TechDialogs::runContourParams(editor, 2, cell, &table);
        QVERIFY(driver.done());
        QCOMPARE(editor.calls, QStringList({"addParameters(2, 2, 1, 0, 25, true)",
                                            "addParameters(2, 1, 0, 1, -3, true)"}));
        QCOMPARE(editor.cells, QStringList({"2: Дуга, r=25.0, пр. ч.с., пл-XY", "2: Прямая"}));
    }

    // What can be changed: the arc's controls for an arc only, the three-point calculation
    // only where the point before and the point after exist, nothing at all for a scheme with
    // a diameter.
    void frameParametersEnabling_data()
    {
        QTest::addColumn<int>("frame");
        QTest::addColumn<bool>("round");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("typeButton");
        QTest::addColumn<bool>("arcControls");
        QTest::addColumn<bool>("calc");
        QTest::newRow("middle frame, arc") << 3 << false << 2 << true << true << true;
        QTest::newRow("first frame") << 1 << false << 2 << true << true << false;
        QTest::newRow("last row") << 5 << false << 2 << true << true << false;
        QTest::newRow("line") << 3 << false << 1 << true << false << false;
        QTest::newRow("no parameters yet") << 3 << false << 0 << true << false << false;
        QTest::newRow("scheme with a diameter") << 3 << true << 2 << false << false << false;
    }
    void frameParametersEnabling()
    {
        QFETCH(int, frame);
        QFETCH(bool, round);
        QFETCH(int, type);
        QFETCH(bool, typeButton);
        QFETCH(bool, arcControls);
        QFETCH(bool, calc);
        RecordingEditor editor;
        editor.contourRows = 5;
        editor.D = round ? 100 : -1;
        QWidget table;
        ContourParams dialog(&editor, frame, &table);
        dialog.setCPType(type);
        QCOMPARE(dialog.pbType->isChecked(), type >= 2);
        QCOMPARE(dialog.pbType->text(), type >= 2 ? QStringLiteral("Дуга") : QStringLiteral("Прямая"));
        QCOMPARE(enabled(&dialog, "pbType"), typeButton);
        for (const char* name : {"radius", "lblRadius", "cbClockWise", "pbXY", "pbXZ", "pbYZ"})
            QVERIFY2(enabled(&dialog, name) == arcControls, name);
        QCOMPARE(enabled(&dialog, "cbCalc"), calc);
        QVERIFY(enabled(&dialog, "pbOn") && enabled(&dialog, "pbCancel"));
        if (typeButton && type < 2) {   // switched to an arc by the operator
            dialog.pbType->click();
            QVERIFY(enabled(&dialog, "radius"));
            QCOMPARE(enabled(&dialog, "cbCalc"), frame == 3);
        }
    }

    // The radius from the circle through the previous, this and the next point, in the plane
    // chosen at that moment; both frames get the arc. A calculation that gives no circle
    // leaves the radius as it was and unticks the box: only this frame takes what is shown.
    void frameParametersThreePoints_data()
    {
        QTest::addColumn<float>("diameter");
        QTest::addColumn<QString>("radius");
        QTest::newRow("circle") << 50.f << "25.00";
        QTest::newRow("infinite") << Inf << "7.00";
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << "7.00";
        QTest::newRow("points on a line") << 0.f << "7.00";
    }
    void frameParametersThreePoints()
    {
        QFETCH(float, diameter);
        QFETCH(QString, radius);
        const bool calculated = radius == "25.00";
        RecordingEditor editor;
        editor.contourRows = 5;
        editor.diameter = diameter;
        QTableWidget table(5, 7);
        table.show();
        QTableWidgetItem cell;
        cell.setData(Qt::UserRole + 10, 2);
        cell.setData(Qt::UserRole + 11, 7.0f);
        ModalDriver driver;
        driver.next("ContourParams", [&](ModalDialog& d) {
            d.click("pbYZ");
            d.click("cbCalc");
            QCOMPARE(d.text("radius"), radius);
            QCOMPARE(checked(d, "cbCalc"), calculated);
            d.click("pbXY");
            QCOMPARE(d.text("radius"), radius);
            d.click("pbOn");
        });
        TechDialogs::runContourParams(editor, 2, cell, &table);
        QVERIFY(driver.done());
        const QString r = calculated ? "25" : "7";
        QStringList calls{"calcDiameter(3, 2)", "addParameters(2, 2, 0, 0, " + r + ", true)"};
        if (calculated)
            calls << "addParameters(1, 2, 0, 0, " + r + ", true)";
        QCOMPARE(editor.calls, calls);

        // Switched back to a line after the calculation: both frames become lines.
        editor.calls.clear();
        ModalDriver line;
        line.next("ContourParams", [calculated](ModalDialog& d) {
            d.click("cbCalc");
            d.click("pbType");
            QVERIFY(!enabled(d.dialog(), "cbCalc"));
            QCOMPARE(checked(d, "cbCalc"), calculated);
            d.click("pbOn");
        });
        TechDialogs::runContourParams(editor, 2, cell, &table);
        QVERIFY(line.done());
        calls = QStringList{"addParameters(2, 1, 0, 0, " + r + ", true)"};
        if (calculated)
            calls << "addParameters(1, 1, 0, 0, " + r + ", true)";
        QCOMPARE(editor.calls.mid(1), calls);
    }

    // "ВВОД" on an empty pad enters no 0 in the technology dialogs: a current stays as it was and
    // is not announced, an arc keeps its radius.
    void emptyEntryChangesNothing()
    {
        RecordingEditor editor;
        OpeningButton anchor;
        Log log;
        ModalDriver settings;
        settings.next("TechSettings", [](ModalDialog& d) {
            touch(d, "If");
            QCOMPARE(d.text("If"), QStringLiteral("700"));
            d.click("pbSettingsDone");
        });
        settings.next("Numpad", enter(QStringLiteral("If, мА"), QString()));
        QVERIFY(TechDialogs::runSettings(editor, anchor.button, {}, log.sink()));
        QVERIFY(settings.done());
        QCOMPARE(editor.calls, QStringList({"setTechSettings(0, 0, 0, 0, 700, 0, 0, -1, 0)"}));
        QVERIFY(log.lines.isEmpty());

        editor.calls.clear();
        editor.contourRows = 5;
        QTableWidget table(5, 7);
        table.show();
        QTableWidgetItem cell;
        cell.setData(Qt::UserRole + 10, 2);
        cell.setData(Qt::UserRole + 11, 7.0f);
        ModalDriver frame;
        frame.next("ContourParams", [](ModalDialog& d) {
            touch(d, "radius");
            QCOMPARE(d.text("radius"), QStringLiteral("7.00"));
            d.click("pbOn");
        });
        frame.next("Numpad", enter(QStringLiteral("Радиус, мм"), QString()));
        TechDialogs::runContourParams(editor, 2, cell, &table);
        QVERIFY(frame.done());
        QCOMPARE(editor.calls, QStringList({"addParameters(2, 2, 0, 0, 7, true)"}));
    }

    // ---- how the editor opens them ----------------------------------------------------------

    // Without a scheme the settings and add-point buttons open nothing.
    void nothingWithoutScheme()
    {
        RecordingEditor editor;
        editor.schema = false;
        editor.points = 3;
        editor.rings = 1;
        OpeningButton anchor;
        ModalDriver driver(500);
        QVERIFY(!TechDialogs::runSettings(editor, anchor.button, {}, {}));
        QVERIFY(!TechDialogs::runAddContourPoint(editor, anchor.button, {}));
        QVERIFY(driver.done());
        QVERIFY(editor.calls.isEmpty());
    }

    // The templates menu opens the circular templates for a scheme with a diameter and the
    // linear ones otherwise; the dialog's lines reach the editor until it is destroyed.
    void templateChosenByScheme_data()
    {
        QTest::addColumn<bool>("schema");
        QTest::addColumn<float>("D");
        QTest::addColumn<bool>("tacks");
        QTest::addColumn<QString>("title");
        QTest::newRow("round weld") << true << 100.f << false << "Круговая сварка";
        QTest::newRow("round tacks") << true << 100.f << true << "Круговые прихватки";
        QTest::newRow("linear weld") << true << -1.f << false << "Линейная сварка";
        QTest::newRow("linear tacks") << true << 0.f << true << "Линейные прихватки";
        QTest::newRow("no scheme") << false << 100.f << false << "Линейная сварка";
    }
    void templateChosenByScheme()
    {
        QFETCH(bool, schema);
        QFETCH(float, D);
        QFETCH(bool, tacks);
        QFETCH(QString, title);
        RecordingEditor editor;
        editor.schema = schema;
        editor.D = D;
        OpeningButton anchor;
        Log log;
        ModalDriver driver;
        driver.next([&](ModalDialog& d) {
            QCOMPARE(frameTitle(d), title);
            QCOMPARE(d.window()->pos(), hangingFrom(anchor.button, d.dialog()->size()));
            d.clickFrameClose();
        });
        TechDialogs::runTemplate(editor, anchor.button, tacks, log.sink());
        QVERIFY(driver.done());
        QCOMPARE(log.lines, QStringList{"[I]Закрыто окно '" + title + "'"});
    }
};

POKAVRO_TEST_MAIN(TestTechDialogs)
#include "tst_techdialogs.moc"
