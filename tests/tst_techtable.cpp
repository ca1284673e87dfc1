// The technology tab of the weld program editor: what a touch on a cell opens and writes, the
// comment rows that switch the rows below them, inserting and deleting rows, the templates menu,
// the settings and add-point dialogs as the editor hands them its values, and the two speeds.

#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include "contour.h"
#include "contoursamples.h"
#include "lintackwelds.h"
#include "dialogsteps.h"
#include "editorconsole.h"
#include "fixedpaths.h"
#include "modaldriver.h"
#include "tabletexts.h"
#include "testenv.h"

using namespace DialogSteps;
using ContourSamples::comment;
using ContourSamples::point;

using namespace TableTexts;

namespace {

const QStringList kTemplates{QStringLiteral("Сварка     "), QStringLiteral("Прихватки     "),
                             QStringLiteral("Останов     ")};

QColor background(const QTableWidget* table, int row, int column)
{
    return table->item(row, column)->background().color();
}

// A straight seam of 100 mm with the given technology rows between the start and the end row.
ContourSnapshot seam(const QList<TechRow>& inner)
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ);
    s.points << ContourPoint{{0, 0, 0}, {SegmentParams::Line, 0, 0, 0}} << ContourPoint{{100, 0, 0}, {}};
    s.passes = 1;
    s.weldSpeed = 600;
    s.tech << point(0, 10, 600) << inner << point(100, 10, 600);
    return s;
}

// A touch on a cell of the table; returns once what it opened has closed.
void tap(CONTOUR& c, int row, int column)
{
    emit c.twTechTab->cellClicked(row, column);
}

}  // namespace

class TestTechTable : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestEnv::makeInstallationFolders();
        QFile::remove(FixedPaths::settingsFile());
        QDir(CONTOUR::contourFolder()).removeRecursively();
    }

    // Each value column opens its number pad and writes the entry with its decimals; the paths of
    // the start and end rows open nothing; a beam current beyond 0..800 mA is not taken.
    void valuePads()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({point(40, 20, 600)})));
        const struct {
            int row;
            int column;
            const char* title;
            const char* entry;
            const char* shown;
        } pads[] = {
            {1, 0, "Дистанция, мм", "7.456", "7.46"},   {0, 1, "Ток луча, мА", "12.34", "12.3"},
            {2, 1, "Ток луча, мА", "800", "800.0"},     {1, 2, "Ток фокусировки, мА", "650.6", "651"},
            {1, 3, "Ток откл. по X, мА", "-1.24", "-1.2"}, {1, 4, "Ток откл. по Y, мА", "3", "3.0"},
            {2, 5, "Скорость, мм/мин", "412.55", "412.6"},
        };
        for (const auto& pad : pads) {
            ModalDriver driver;
            driver.next("Numpad", enter(QString::fromUtf8(pad.title), QString::fromLatin1(pad.entry)));
            tap(c, pad.row, pad.column);
            QVERIFY(driver.done());
            QCOMPARE(cell(c.twTechTab, pad.row, pad.column), QString::fromLatin1(pad.shown));
        }

        QSignalSpy messages(&c, &CONTOUR::message);
        const QStringList before = column(c.twTechTab, 1);
        for (const char* entry : {"800.1", "-5"}) {
            ModalDriver driver;
            driver.next("Numpad", enter(QStringLiteral("Ток луча, мА"), QString::fromLatin1(entry)));
            tap(c, 1, 1);
            QVERIFY(driver.done());
        }
        {
            ModalDriver driver;
            driver.next("Numpad", cancel());
            tap(c, 1, 1);
            QVERIFY(driver.done());
        }
        QCOMPARE(column(c.twTechTab, 1), before);
        QCOMPARE(messages.size(), 2);
        for (const QString& text : texts(messages))
            QVERIFY2(text.startsWith(QStringLiteral("[W]Ток луча")), qPrintable(text));

        ModalDriver none(1000);
        tap(c, 0, 0);
        tap(c, 2, 0);
        QVERIFY(none.done());
        QCOMPARE(column(c.twTechTab, 0), (QStringList{"0.00", "7.46", "100.00"}));
    }

    // The pad of a cell opens at the cursor and leaves the window free: a row deleted while its
    // pad is open takes the entry with it (no other row gets it), and a row pushed down by an
    // insertion above it still gets its own entry.
    void tableChangedUnderPad()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({point(40, 20, 600), point(60, 30, 600)})));
        // The beam current of row 1 entered as 55 while `button` changes the table.
        const auto enterWhile = [&c](QAbstractButton* button) {
            c.twTechTab->setCurrentCell(1, 1);
            ModalDriver driver;
            driver.next("Numpad", [button](ModalDialog& pad) {
                button->click();
                pad.type(QStringLiteral("55"));
                pad.click(QStringLiteral("pbEnter"));
            });
            tap(c, 1, 1);
            QVERIFY(driver.done());
        };

        enterWhile(c.pbDelTechPoint);
        QCOMPARE(column(c.twTechTab, 0), (QStringList{"0.00", "60.00", "100.00"}));
        QCOMPARE(column(c.twTechTab, 1), (QStringList{"10.0", "30.0", "10.0"}));

        enterWhile(c.pbInsTechPoint);
        QCOMPARE(column(c.twTechTab, 0), (QStringList{"0.00", "0.00", "60.00", "100.00"}));
        QCOMPARE(column(c.twTechTab, 1), (QStringList{"10.0", "0.0", "55.0", "10.0"}));
    }

    // A comment switches each row it heads the other way; twice restores them. The comment
    // itself, the rows under the next comment and the end row are left alone.
    void commentSwitching()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({comment(QStringLiteral("Сварка")), point(10, 20, 600), point(20, 20, 600),
                                     point(30, 20, 600), comment(QStringLiteral("Сварка 2")), point(40, 20, 600)})));
        // The second row is off.
        c.twTechTab->item(3, 0)->setData(Qt::UserRole, false);
        const auto states = [&c] {
            QList<bool> out;
            for (int row = 1; row < c.twTechTab->rowCount(); ++row)
                out << c.isOn(row);
            return out;
        };
        tap(c, 1, 3);
        QCOMPARE(states(), (QList<bool>{false, false, true, false, false, true, true}));
        for (int col = 0; col < 7; ++col) {
            QCOMPARE(background(c.twTechTab, 2, col), QColor(192, 192, 192));
            QCOMPARE(background(c.twTechTab, 3, col), QColor(Qt::white));
        }
        QCOMPARE(background(c.twTechTab, 1, 0), QColor(160, 160, 160));
        tap(c, 1, 0);
        QCOMPARE(states(), (QList<bool>{false, true, false, true, false, true, true}));

        // A comment right above another comment, or above the end row, heads no rows.
        CONTOUR d;
        QVERIFY(loadContour(d, seam({comment(QStringLiteral("А")), comment(QStringLiteral("Б"))})));
        tap(d, 1, 0);
        tap(d, 2, 0);
        QVERIFY(d.isOn(0) && d.isOn(3));
        QVERIFY(!d.isOn(1) && !d.isOn(2));
    }

    // "ВЫКЛ" opens the defaults; "Включить" stores the whole numbers of angle and frequency;
    // closed without a choice the cell keeps what it has.
    void sweepCell()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({point(40, 20, 600, TechRow::SweepOff)})));
        c.show();
        {
            ModalDriver driver;
            driver.next("TRSelect", [](ModalDialog& d) {
                QCOMPARE(d.text("TRtype"), QStringLiteral("Точка"));
                QCOMPARE(d.text("TRamplX"), QStringLiteral("1.00"));
                QCOMPARE(d.text("TRfreq"), QStringLiteral("10.0"));
                QCOMPARE(d.text("TRparam0"), QStringLiteral("1"));
                touch(d, "TRfreq");
                touch(d, "TRangle");
                d.click("pbOn");
            });
            driver.next("Numpad", enter(QStringLiteral("100.7")));
            driver.next("Numpad", enter(QStringLiteral("45.9")));
            tap(c, 1, 6);
            QVERIFY(driver.done());
        }
        QTableWidgetItem* sweep = c.twTechTab->item(1, 6);
        QCOMPARE(sweep->text(), QStringLiteral("Точка; 1.00x1.00; 45; 100; 0.00x0.00; 1; 0"));
        QCOMPARE(sweep->data(Qt::UserRole + 4).toInt(), 45);
        QCOMPARE(sweep->data(Qt::UserRole + 5).toInt(), 100);
        QCOMPARE(sweep->font().pointSize(), 9);
        QCOMPARE(c.snapshot().tech.at(1).raster.freq, 100);

        {
            ModalDriver driver;
            driver.next("TRSelect", [](ModalDialog& d) {
                QCOMPARE(d.text("TRfreq"), QStringLiteral("100.0"));  // the stored sweep
                d.click("pbTRamplXplus");
                d.clickFrameClose();
            });
            tap(c, 1, 6);
            QVERIFY(driver.done());
        }
        QCOMPARE(sweep->text(), QStringLiteral("Точка; 1.00x1.00; 45; 100; 0.00x0.00; 1; 0"));
        {
            ModalDriver driver;
            driver.next("TRSelect", [](ModalDialog& d) { d.click("pbOff"); });
            tap(c, 1, 6);
            QVERIFY(driver.done());
        }
        QCOMPARE(sweep->text(), QStringLiteral("ВЫКЛ"));
        QCOMPARE(sweep->data(Qt::UserRole + 5).toInt(), 100);
    }

    // A row goes in above the current one (above the end row when that is current) with the
    // default currents; rows between the start and the end row go, whatever they are.
    void insertAndDelete()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({point(40, 20, 600), comment(techStopText()), point(60, 20, 600)})));
        c.setTechSettings(false, true, true, true, 650, 1.5f, -2.5f, c.schemaD(), 0);
        c.weldSpeed->setValue(450, 1);
        QSignalSpy messages(&c, &CONTOUR::message);

        c.twTechTab->setCurrentCell(4, 0);
        QVERIFY(c.pbInsTechPoint->isEnabled());
        QVERIFY(!c.pbDelTechPoint->isEnabled());
        c.pbInsTechPoint->click();
        QCOMPARE(c.twTechTab->rowCount(), 6);
        QStringList inserted;
        for (int col = 0; col < 7; ++col)
            inserted << cell(c.twTechTab, 4, col);
        QCOMPARE(inserted, (QStringList{"0.00", "0.0", "650", "1.5", "-2.5", "450.0", ""}));
        QVERIFY(c.isOn(4));
        QCOMPARE(cell(c.twTechTab, 5, 0), QStringLiteral("100.00"));
        QCOMPARE(texts(messages), QStringList{"[I]Нажата кнопка 'Вставить точку' панели Технология"});

        messages.clear();
        c.twTechTab->setCurrentCell(2, 0);
        QVERIFY(c.pbDelTechPoint->isEnabled());
        c.pbDelTechPoint->click();  // the stop
        QCOMPARE(column(c.twTechTab, 0), (QStringList{"0.00", "40.00", "60.00", "0.00", "100.00"}));
        QVERIFY(!c.isComment(2));
        QCOMPARE(texts(messages).first(), QStringLiteral("[I]Нажата кнопка 'Удалить точку' панели Технология"));

        // The start row can be neither deleted nor pushed down.
        c.twTechTab->setCurrentCell(0, 0);
        QVERIFY(!c.pbInsTechPoint->isEnabled() && !c.pbDelTechPoint->isEnabled());
    }

    // The templates menu: the stop goes in directly above the end row; the weld templates are
    // the circular ones for a scheme with a diameter, and their lines reach the editor's log.
    void templatesMenu()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({point(40, 20, 600), point(60, 20, 600)})));
        c.show();
        c.twTechTab->setCurrentCell(1, 0);
        chooseInNextMenu(QStringLiteral("Шаблоны"), kTemplates, kTemplates.at(2));
        c.pbTemplate->click();
        QCOMPARE(column(c.twTechTab, 0), (QStringList{"0.00", "40.00", "60.00", "Технол.останов", "100.00"}));
        QVERIFY(c.isStop(3) && !c.isOn(3));

        chooseInNextMenu(QStringLiteral("Шаблоны"), kTemplates, QString());
        c.pbTemplate->click();
        QCOMPARE(c.twTechTab->rowCount(), 5);

        QSignalSpy messages(&c, &CONTOUR::message);
        for (const auto& [scheme, entry, dialog] :
             {std::make_tuple(false, 0, "LinWeld"), std::make_tuple(false, 1, "LinTackWelds"),
              std::make_tuple(true, 0, "CircleWeld"), std::make_tuple(true, 1, "CircleTackWelds")}) {
            if (scheme)
                QVERIFY(loadContour(c, ContourSamples::circular()));
            ModalDriver driver;
            driver.next(QString::fromLatin1(dialog), [](ModalDialog& d) { d.clickFrameClose(); });
            chooseInNextMenu(QStringLiteral("Шаблоны"), kTemplates, kTemplates.at(entry));
            c.pbTemplate->click();
            QVERIFY2(driver.done(), dialog);
        }
        QStringList closed;
        for (const QString& text : texts(messages))
            if (text.startsWith(QStringLiteral("[I]Закрыто окно")))
                closed << text;
        QCOMPARE(closed, (QStringList{"[I]Закрыто окно 'Линейная сварка'", "[I]Закрыто окно 'Линейные прихватки'",
                                      "[I]Закрыто окно 'Круговая сварка'", "[I]Закрыто окно 'Круговые прихватки'"}));
    }

    // A press of a template adds its rows and then checks the table once: 100 circular tacks that
    // run beyond the seam's end raise one alarm, not one a row.
    void templatePressChecksOnce()
    {
        CONTOUR c;
        ContourSnapshot circle = ContourSamples::circular();
        circle.passes = 1;
        circle.tech = {point(0, 0, 600), point(314.16f, 0, 600)};
        QVERIFY(loadContour(c, circle));
        c.show();
        writeSettings("[CircleTackWelds]\nNumber=100\nIr=50\nAscend=0.5\nPeak=1\nDescend=0.5\nDegreeOn=true\n");
        QSignalSpy messages(&c, &CONTOUR::message);
        ModalDriver driver;
        driver.next("CircleTackWelds", [](ModalDialog& d) { d.click("pbCreate"); });
        chooseInNextMenu(QStringLiteral("Шаблоны"), kTemplates, kTemplates.at(1));
        c.pbTemplate->click();
        QVERIFY(driver.done());
        QVERIFY(c.twTechTab->rowCount() > 300);
        QCOMPARE(texts(messages).filter(QStringLiteral("[A]")),
                 QStringList{"[A]Ошибка заполнения технологической таблицы!"});
    }

    // The table holds at most 5,000 rows: a template that would take it beyond adds nothing and
    // says so; so does the insert button on a full table.
    void tableCapacity()
    {
        CONTOUR c;
        QList<TechRow> inner;
        for (int i = 1; i < 4700; ++i)
            inner << point(float(i) / 50.0f, 10, 600);
        QVERIFY(loadContour(c, seam(inner)));
        QCOMPARE(c.twTechTab->rowCount(), 4701);
        QSignalSpy messages(&c, &CONTOUR::message);
        LinTackWelds::Values v;
        v.period = 1;
        addRows(c, LinTackWelds::plan(QStringLiteral("Прихватки"), LinTackWelds::defaultOrder(100), v));
        QCOMPARE(c.twTechTab->rowCount(), 4701);
        QCOMPARE(texts(messages), QStringList{"[W]Строки шаблона не добавлены: в технологической таблице 4701 строк, "
                                              "редактор вмещает не более 5000"});

        addRows(c, LinTackWelds::plan(QStringLiteral("Прихватки"), LinTackWelds::defaultOrder(74), v));
        QCOMPARE(c.twTechTab->rowCount(), 4998);
        c.twTechTab->setCurrentCell(4000, 0);
        c.pbInsTechPoint->click();
        c.pbInsTechPoint->click();
        c.pbInsTechPoint->click();
        QCOMPARE(c.twTechTab->rowCount(), 5000);
        QCOMPARE(texts(messages).last(), QStringLiteral("[W]Технологическая точка не добавлена: в технологической "
                                                        "таблице 5000 строк, редактор вмещает не более 5000"));
    }

    // The settings dialog opens with the editor's settings, the add-point dialog with its counts;
    // without a contour neither has anything to work on, and the operator is told.
    void settingsAndAddPoint()
    {
        CONTOUR c;
        c.show();
        QSignalSpy messages(&c, &CONTOUR::message);
        ModalDriver none(1000);
        c.pbSettings->click();
        c.pbAddTechPoint->click();
        QVERIFY(none.done());
        QCOMPARE(messages.size(), 2);
        for (const QString& text : texts(messages))
            QVERIFY2(text.startsWith(QStringLiteral("[W]")) && text.contains(QStringLiteral("нет контура")),
                     qPrintable(text));

        QVERIFY(loadContour(c, ContourSamples::circular()));
        c.setTechSettings(true, true, false, true, 640, 0, 2.5f, c.schemaD(), c.schemaAux());
        {
            ModalDriver driver;
            driver.next("TechSettings", [](ModalDialog& d) {
                QCOMPARE(frameTitle(d), QStringLiteral("Настройки контура"));
                QVERIFY(d.find<QCheckBox>("cbTestMode")->isChecked());
                QVERIFY(d.find<QCheckBox>("cbFocus")->isChecked());
                QVERIFY(!d.find<QCheckBox>("cbYokeX")->isChecked());
                QCOMPARE(d.text("If"), QStringLiteral("640"));
                QCOMPARE(d.text("Iy"), QStringLiteral("2.5"));
                QCOMPARE(d.text("diameter"), QStringLiteral("100.00"));
                d.clickFrameClose();
            });
            c.pbSettings->click();
            QVERIFY(driver.done());
        }
        {
            ModalDriver driver;
            driver.next("AddContourPoint", [](ModalDialog& d) {
                QCOMPARE(frameTitle(d), QStringLiteral("Добавление точки контура"));
                d.clickFrameClose();
            });
            c.pbAddTechPoint->click();
            QVERIFY(driver.done());
        }
    }

    // The weld speed goes into every row, start and end rows and switched-off rows keeping their
    // backgrounds; the travel speed is shown whole.
    void speeds()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({comment(QStringLiteral("Сварка")), point(40, 20, 300), point(60, 20, 900)})));
        tap(c, 1, 0);  // both rows off
        QSignalSpy messages(&c, &CONTOUR::message);
        {
            ModalDriver driver;
            driver.next("Numpad", enter(QStringLiteral("Скорость сварки, мм/мин"), QStringLiteral("412.5")));
            QTest::mouseClick(c.weldSpeed, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(c.weldSpeed->text(), QStringLiteral("412.5"));
        const QStringList speeds = column(c.twTechTab, 5);
        QCOMPARE(speeds.mid(2), (QStringList{"412.5", "412.5", "412.5"}));
        QCOMPARE(speeds.first(), QStringLiteral("412.5"));
        const QColor alternate = c.twTechTab->palette().brush(QPalette::AlternateBase).color();
        QCOMPARE(background(c.twTechTab, 0, 5), alternate);
        QCOMPARE(background(c.twTechTab, 4, 5), alternate);
        QCOMPARE(background(c.twTechTab, 2, 5), QColor(192, 192, 192));
        {
            ModalDriver driver;
            driver.next("Numpad", enter(QStringLiteral("Скорость, мм/мин"), QStringLiteral("900")));
            QTest::mouseClick(c.contourSpeed, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(c.contourSpeed->text(), QStringLiteral("900"));
        {
            ModalDriver driver;
            driver.next("Numpad", cancel());
            QTest::mouseClick(c.weldSpeed, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(texts(messages), (QStringList{"[I]Задана новая скорость сварки - 412.5 мм/мин",
                                               "[I]Задана новая скорость перехода по контуру - 900 мм/мин"}));
        QVERIFY(messages.at(0).at(1).toBool() && messages.at(1).at(1).toBool());
    }

    // "ВВОД" on an empty pad enters no 0: the speeds and the cells stay, and nothing is logged.
    void emptyEntryChangesNothing()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, seam({point(40, 20, 300)})));
        c.contourSpeed->setValue(900, 0);
        QSignalSpy messages(&c, &CONTOUR::message);
        for (QWidget* label : {static_cast<QWidget*>(c.weldSpeed), static_cast<QWidget*>(c.contourSpeed)}) {
            ModalDriver driver;
            driver.next("Numpad", enter(QString()));
            QTest::mouseClick(label, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        {
            ModalDriver driver;
            driver.next("Numpad", enter(QString()));
            tap(c, 1, 5);
            QVERIFY(driver.done());
        }
        QCOMPARE(c.weldSpeed->text(), QStringLiteral("600.0"));
        QCOMPARE(c.contourSpeed->text(), QStringLiteral("900"));
        QCOMPARE(column(c.twTechTab, 5), (QStringList{"600.0", "300.0", "600.0"}));
        QCOMPARE(texts(messages), QStringList());
    }
};

POKAVRO_TEST_MAIN(TestTechTable)
#include "tst_techtable.moc"
