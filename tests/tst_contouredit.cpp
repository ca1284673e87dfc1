// The contour tab's commands of the weld program editor: a new contour in each scheme, inserting,
// deleting and shifting points at the axes' position (against the simulated drive controller),
// reversing, closing and opening a contour, the number of passes, a new diameter and the frame
// parameters of a segment.

#include <QDir>
#include <QHeaderView>
#include <QMouseEvent>
#include <QFile>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <functional>
#include <limits>
#include <memory>

#include "contour.h"
#include "contoursamples.h"
#include "dialogsteps.h"
#include "editorconsole.h"
#include "fixedpaths.h"
#include "gui.h"
#include "modaldriver.h"
#include "settingsfile.h"
#include "tabletexts.h"
#include "testenv.h"

using namespace DialogSteps;

using namespace TableTexts;

namespace {

const QStringList kSchemes{QStringLiteral("Смешаная интерполяция     "), QStringLiteral("Круговая интерполяция     "),
                           QStringLiteral("Кольцевой стык     ")};

// Each row of the contour table as its cell texts joined by "|".
QStringList rows(const QTableWidget* table)
{
    QStringList out;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column)
            cells << cell(table, row, column);
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList repeated(const char* text, int times)
{
    QStringList out;
    for (int i = 0; i < times; ++i)
        out << QString::fromUtf8(text);
    return out;
}

ContourPoint at(float x, float y, float z, const SegmentParams& segment = {SegmentParams::Line, 0, 0, 0})
{
    return ContourPoint{{x, y, z}, segment};
}

// A linear contour through the points, its technology from 0 to the end.
ContourSnapshot linear(const QList<ContourPoint>& points, bool ring)
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ);
    s.points = points;
    s.ring = ring;
    s.passes = 1;
    s.weldSpeed = 600;
    s.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
    return s;
}

// The pointer on the contour table's viewport: pressed on the first of the rows, slid over the
// others with the button held, released on the last (one row: a tap).
void slide(QTableWidget* table, const QList<int>& rowsTouched)
{
    QWidget* viewport = table->viewport();
    const auto at = [&](int row) { return table->visualRect(table->model()->index(row, 0)).center(); };
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, at(rowsTouched.first()));
    for (int row : rowsTouched.mid(1)) {
        // (QTest moves a widget's pointer without the button it holds.)
        QMouseEvent move(QEvent::MouseMove, at(row), viewport->mapToGlobal(at(row)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(viewport, &move);
    }
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, at(rowsTouched.last()));
}

QList<int> selectedRows(const QTableWidget* table)
{
    QList<int> out;
    for (const QModelIndex& index : table->selectionModel()->selectedRows())
        out << index.row();
    return out;
}

}  // namespace

class TestContourEdit : public QObject
{
    Q_OBJECT

    std::unique_ptr<EditorConsole> m_console;

private slots:
    void init()
    {
        m_console = std::make_unique<EditorConsole>();
    }

    void cleanup() { m_console.reset(); }

    // The scheme menu: each scheme, its number pads, the ring joint's points at the axes'
    // position; a menu or pad closed without a choice changes nothing.
    void newContour()
    {
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        QVERIFY(m_console->placeAxes(12.5f, -3, 40));
        QSignalSpy messages(c, &CONTOUR::message);

        // The scheme chosen from the menu (-1: none), then the pads: an entry each, "" closes one.
        const auto create = [c](int scheme, const QStringList& entries) {
            ModalDriver driver;
            const QStringList titles{QStringLiteral("Диаметр, мм"), QStringLiteral("Кол-во точек")};
            for (int i = 0; i < entries.size(); ++i)
                driver.next("Numpad", entries.at(i).isEmpty() ? cancel() : enter(titles.at(i), entries.at(i)));
            chooseInNextMenu(QStringLiteral("Схема сварки"), kSchemes, scheme < 0 ? QString() : kSchemes.at(scheme));
            c->pbNew->click();
            QVERIFY(driver.done());
        };

        create(0, {});
        QCOMPARE(c->schema()->id(), QStringLiteral("XYZ"));
        QCOMPARE(c->twContour->columnCount(), 4);
        QVERIFY(c->frmRotate->isHidden());
        QCOMPARE(m_console->gui()->programName(), QStringLiteral("Программа сварки"));
        QCOMPARE(texts(messages), QStringList{"[I]Новый контур 'Смешаная интерполяция XYZ' создан"});

        create(1, {"150"});
        QCOMPARE(c->schema()->id(), QStringLiteral("XYZr"));
        QCOMPARE(c->schema()->D(), 150.0f);
        QCOMPARE(c->schema()->Aux(), 0);
        QCOMPARE(c->plane->text(), QStringLiteral("XY"));
        QVERIFY(!c->frmRotate->isHidden());

        // Eight points share the manipulator's position and divide the turn evenly.
        messages.clear();
        create(2, {"250", "8"});
        QCOMPARE(c->schema()->id(), QStringLiteral("Circle"));
        QCOMPARE(c->schema()->D(), 250.0f);
        QCOMPARE(texts(messages), QStringList{"[I]Новый контур 'Кольцевой стык' создан"});
        QStringList expected;
        for (const char* v : {"0.00", "45.00", "90.00", "135.00", "180.00", "225.00", "270.00", "315.00"})
            expected << QString::fromLatin1(v) + QStringLiteral("|12.50|-3.00|40.00");
        QCOMPARE(rows(c->twContour), expected);
        QCOMPARE(c->points->text(), QStringLiteral("8"));
        QCOMPARE(c->currentPoint(), 0);
        QCOMPARE(c->twContour->currentRow(), 0);

        // Menu closed, a pad closed, too many points: the contour stays as it was.
        messages.clear();
        create(-1, {});
        create(2, {"100", ""});
        create(2, {"100", "5000"});
        QCOMPARE(rows(c->twContour), expected);
        QCOMPARE(c->schema()->D(), 250.0f);
        QCOMPARE(messages.size(), 1);
        QVERIFY(texts(messages).at(0).startsWith(QStringLiteral("[W]Контур не создан")));

        // No points at all: no current point either.
        create(2, {"100", "0"});
        QCOMPARE(c->twContour->rowCount(), 0);
        QCOMPARE(c->currentPoint(), -1);

        // A new contour of another scheme starts without points, and its count says so (the
        // add-contour-point dialog works from it).
        create(2, {"100", "4"});
        QCOMPARE(c->points->text(), QStringLiteral("4"));
        for (int scheme : {0, 1}) {
            create(scheme, scheme == 0 ? QStringList() : QStringList{"100"});
            QCOMPARE(c->twContour->rowCount(), 0);
            QCOMPARE(c->points->text(), QStringLiteral("0"));
            create(2, {"100", "4"});
        }
    }

    // Points are taught at the axes' position: the first into an empty table, each after the
    // current one; the segment types follow; the current position twice adds nothing.
    void insertAndDelete()
    {
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        QVERIFY(m_console->placeAxes(0, 0, 0));
        c->init(new SchemaXYZ);
        QVERIFY(c->pbIns->isEnabled());
        QSignalSpy messages(c, &CONTOUR::message);

        c->pbIns->click();
        QCOMPARE(rows(c->twContour), QStringList{"0.00|0.00|0.00|Конец"});
        QCOMPARE(c->currentPoint(), 0);
        QCOMPARE(c->twContour->currentRow(), 0);
        QCOMPARE(c->points->text(), QStringLiteral("1"));
        c->pbIns->click();  // the axes stand on the current point
        QCOMPARE(c->twContour->rowCount(), 1);
        QCOMPARE(texts(messages), repeated("[I]Нажата кнопка 'Вставить точку' панели Контур", 2));

        QVERIFY(m_console->placeAxes(30, 0, 0));
        c->pbIns->click();
        QVERIFY(m_console->placeAxes(30, 40, 0));
        c->pbIns->click();
        QCOMPARE(rows(c->twContour),
                 (QStringList{"0.00|0.00|0.00|Прямая", "30.00|0.00|0.00|Прямая", "30.00|40.00|0.00|Конец"}));
        QCOMPARE(c->length->text(), QStringLiteral("70.00"));

        // After the first point: a point in the middle takes a line towards the next one.
        c->onChangedPointNo(0);
        QVERIFY(m_console->placeAxes(0, 40, 0));
        c->pbIns->click();
        QCOMPARE(rows(c->twContour), (QStringList{"0.00|0.00|0.00|Прямая", "0.00|40.00|0.00|Прямая",
                                                  "30.00|0.00|0.00|Прямая", "30.00|40.00|0.00|Конец"}));
        QCOMPARE(c->currentPoint(), 1);
        QCOMPARE(c->length->text(), QStringLiteral("130.00"));

        // Deleting asks first; "no" keeps the point.
        messages.clear();
        {
            ModalDriver driver;
            driver.next("Confirm", answer(QStringLiteral("Удалить текущую точку из контура?"), false));
            c->pbDel->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(c->twContour->rowCount(), 4);
        QVERIFY(messages.isEmpty());
        // The last point goes: the one before it becomes the end of the open contour.
        c->onChangedPointNo(3);
        for (int expectedRows = 3; expectedRows >= 0; --expectedRows) {
            ModalDriver driver;
            driver.next("Confirm", answer(QStringLiteral("Удалить текущую точку из контура?"), true));
            c->pbDel->click();
            QVERIFY(driver.done());
            QCOMPARE(c->twContour->rowCount(), expectedRows);
            QCOMPARE(c->points->text(), QString::number(expectedRows));
            if (expectedRows == 3) {
                QCOMPARE(rows(c->twContour), (QStringList{"0.00|0.00|0.00|Прямая", "0.00|40.00|0.00|Прямая",
                                                          "30.00|0.00|0.00|Конец"}));
                QCOMPARE(c->currentPoint(), 2);  // 3 - 1: the insert went forward
            }
        }
        QCOMPARE(c->currentPoint(), -1);
        QVERIFY(c->forward());
        QCOMPARE(texts(messages), repeated("[I]Нажата кнопка 'Удалить точку' панели Контур", 4));
        QVERIFY(!c->pbDel->isEnabled());
        c->pbIns->click();
        QCOMPARE(rows(c->twContour), QStringList{"0.00|40.00|0.00|Конец"});
        QCOMPARE(c->currentPoint(), 0);
    }

    // Inserting and shifting take the axes' position: their buttons come on once the drives and
    // the transformation are reported on, whenever the contour came, and go off with either; a
    // press that still arrives then inserts nothing.
    void buttonsFollowDrivesAndTransformation()
    {
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        m_console->sim()->apply(QStringLiteral("DRIVE OFF"));
        QVERIFY(QTest::qWaitFor([c] { return !c->driveState(); }, 3000));
        QVERIFY(m_console->load(linear({at(0, 0, 0), at(30, 0, 0, {})}, false)));
        const QList<QPushButton*> buttons{c->pbIns, c->pbCorr, c->pbCorrNgo};
        const auto enabled = [&buttons](bool on) {
            for (QPushButton* button : buttons) {
                if (button->isEnabled() != on)
                    return false;
            }
            return true;
        };
        QVERIFY(enabled(false));

        QVERIFY(m_console->placeAxes(10, 5, 0));
        QVERIFY(enabled(true));

        DriveStatusPacket& status = m_console->sim()->status();
        status.transOn = 0;
        QVERIFY(QTest::qWaitFor([c] { return !c->virtualMode(); }, 3000));
        QVERIFY(enabled(false));
        c->on_pbIns_clicked();
        QCOMPARE(c->twContour->rowCount(), 2);

        status.transOn = 1;
        QVERIFY(QTest::qWaitFor([c] { return c->virtualMode(); }, 3000));
        QVERIFY(enabled(true));
        status.drivesOn = 0;
        QVERIFY(QTest::qWaitFor([c] { return !c->driveState(); }, 3000));
        QVERIFY(enabled(false));
    }

    // The axes stand on the current point only when every axis says so: a position that differs
    // in an axis the scheme's path leaves out (across the circle's plane, the manipulator of a ring
    // joint) is another point; within 0.01 in every axis it is the same.
    void insertComparesEveryAxis()
    {
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        const struct {
            const char* name;
            std::function<Schema*()> scheme;
            QList<float> second;    // LX, LY, Z after the first point at (10, 20, 30)
            int rows;
        } cases[] = {
            {"circle, 40 mm higher", [] { return new SchemaXYZr(100, 0, 0); }, {10, 20, 70}, 2},
            {"ring joint, 49 mm along LX", [] { return new SchemaCircle(100, 1); }, {59, 20, 30}, 2},
            {"linear, 0.01 mm along Z", [] { return new SchemaXYZ; }, {10, 20, 30.01f}, 2},
            {"linear, within 0.01 mm", [] { return new SchemaXYZ; }, {10.005f, 19.995f, 30.005f}, 1},
        };
        for (const auto& test : cases) {
            QVERIFY(m_console->placeAxes(10, 20, 30));
            c->init(test.scheme());
            c->pbIns->click();
            QVERIFY(m_console->placeAxes(test.second.at(0), test.second.at(1), test.second.at(2)));
            QSignalSpy messages(c, &CONTOUR::message);
            c->pbIns->click();
            QVERIFY2(c->twContour->rowCount() == test.rows, test.name);
            QCOMPARE(c->currentPoint(), test.rows - 1);
            QCOMPARE(texts(messages).first(), QStringLiteral("[I]Нажата кнопка 'Вставить точку' панели Контур"));
        }
    }

    // The highlighted row is the current point, whatever the pointer does on the table: a finger
    // sliding over the rows moves nothing, the commands act on the row the operator sees, and a
    // tap asks for the go-to while the highlight stays until the controller reports arrival.
    void touchesOnTheTable()
    {
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        QList<ContourPoint> points;
        for (int i = 0; i < 6; ++i)
            points << at(float(10 * i), 0, 0);
        points.last().segment = {};
        QVERIFY(m_console->load(linear(points, false)));
        c->contourSpeed->setValue(600, 0);
        QVERIFY(m_console->placeAxes(5, 5, 0));
        m_console->sim()->status().pointNo = 1;
        QVERIFY(QTest::qWaitFor([c] { return c->currentPoint() == 1 && c->pbCorr->isEnabled(); }, 3000));
        m_console->gui()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_console->gui()));

        slide(c->twContour, {3, 4, 5});
        QCOMPARE(c->twContour->currentRow(), 1);
        QCOMPARE(selectedRows(c->twContour), QList<int>{1});
        // The row numbers select nothing either.
        QWidget* numbers = c->twContour->verticalHeader()->viewport();
        QTest::mouseClick(numbers, Qt::LeftButton, Qt::NoModifier,
                          QPoint(numbers->width() / 2, c->twContour->rowViewportPosition(4) + 5));
        QCOMPARE(selectedRows(c->twContour), QList<int>{1});

        const QStringList entries{QStringLiteral("... текущей точки     "), QStringLiteral("... всего контура     ")};
        chooseInNextMenu(QStringLiteral("Сдвиг"), entries, entries.at(0));
        c->pbCorr->click();
        QCOMPARE(rows(c->twContour).mid(0, 3), (QStringList{"0.00|0.00|0.00|Прямая", "5.00|5.00|0.00|Прямая",
                                                            "20.00|0.00|0.00|Прямая"}));
        QCOMPARE(rows(c->twContour).at(5), QStringLiteral("50.00|0.00|0.00|Конец"));

        slide(c->twContour, {2, 3, 4, 5});
        {
            ModalDriver driver;
            driver.next("Confirm", answer(QStringLiteral("Удалить текущую точку из контура?"), true));
            c->pbDel->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(column(c->twContour, 0), (QStringList{"0.00", "20.00", "30.00", "40.00", "50.00"}));
        QCOMPARE(c->currentPoint(), 0);
        QCOMPARE(selectedRows(c->twContour), QList<int>{0});

        // A tap drives to the row; the highlight waits for the controller.
        m_console->commands(0, 0);
        slide(c->twContour, {3});
        QCOMPARE(m_console->commandTexts(1), QStringList{"EXEC_1(/programs/_temp1.npg)"});
        QCOMPARE(selectedRows(c->twContour), QList<int>{0});
        QVERIFY(c->forward());
    }

    // The current point, or after a question the whole contour, moves onto the axes' position.
    void shift()
    {
        QVERIFY(m_console->start());
        CONTOUR* c = m_console->contour();
        QVERIFY(m_console->load(linear({at(0, 0, 0), at(10, 0, 0), at(20, 5, 0, {})}, false)));
        QVERIFY(m_console->placeAxes(12.5f, 3, -1));
        m_console->sim()->status().pointNo = 1;  // the new current row refreshes the button
        QVERIFY(QTest::qWaitFor([c] { return c->currentPoint() == 1 && c->pbCorr->isEnabled(); }, 3000));
        const QStringList entries{QStringLiteral("... текущей точки     "), QStringLiteral("... всего контура     ")};
        QSignalSpy messages(c, &CONTOUR::message);

        chooseInNextMenu(QStringLiteral("Сдвиг"), entries, entries.at(0));
        c->pbCorr->click();
        QCOMPARE(rows(c->twContour), (QStringList{"0.00|0.00|0.00|Прямая", "12.50|3.00|-1.00|Прямая",
                                                  "20.00|5.00|0.00|Конец"}));

        QVERIFY(m_console->placeAxes(15, 5, 1));
        {
            ModalDriver driver;
            driver.next("Confirm", answer(QStringLiteral("Выполнить сдвиг всего контура?"), false));
            chooseInNextMenu(QStringLiteral("Сдвиг"), entries, entries.at(1));
            c->pbCorr->click();
            QVERIFY(driver.done());
        }
        chooseInNextMenu(QStringLiteral("Сдвиг"), entries, QString());
        c->pbCorr->click();
        QCOMPARE(c->coords(1), (QList<float>{12.5f, 3, -1}));
        {
            ModalDriver driver;
            driver.next("Confirm", answer(QStringLiteral("Выполнить сдвиг всего контура?"), true));
            chooseInNextMenu(QStringLiteral("Сдвиг"), entries, entries.at(1));
            c->pbCorr->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(rows(c->twContour), (QStringList{"2.50|2.00|2.00|Прямая", "15.00|5.00|1.00|Прямая",
                                                  "22.50|7.00|2.00|Конец"}));
        QCOMPARE(texts(messages), (QStringList{"[I]Нажата кнопка 'Сдвиг точки' панели Контур",
                                               "[I]Нажата кнопка 'Сдвиг всего контура' панели Контур"}));
    }

    // Reversing walks the same seam the other way: a contour closed directly keeps its first point,
    // any other contour (open, or closed by running back) starts from its last; the segments go
    // with their points (an arc turning the other way round), the pass length stays, the current
    // point stays the same point; twice restores everything.
    void inverse()
    {
        const SegmentParams line{SegmentParams::Line, 0, 0, 0};
        const SegmentParams ccw{SegmentParams::Arc, 25, 1, 1};
        const SegmentParams cw{SegmentParams::Arc, 25, 0, 1};
        const SegmentParams end;
        ContourSnapshot circle = ContourSamples::circular();
        ContourSnapshot ring = ContourSamples::ring();
        // A quarter of the circle of D 100 about (0, 0), open.
        ContourSnapshot quarter;
        quarter.schema.reset(new SchemaXYZr(100, 0, 0));
        quarter.points << ContourPoint{{50, 0, 0}, {}} << ContourPoint{{43.3f, 25, 0}, {}}
                       << ContourPoint{{25, 43.3f, 0}, {}} << ContourPoint{{0, 50, 0}, {}};
        quarter.passes = 1;
        quarter.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
        // Half a turn of a ring joint of D 100, open.
        ContourSnapshot halfRing;
        halfRing.schema.reset(new SchemaCircle(100, 3));
        halfRing.points << ContourPoint{{0, 10, 20, 5}, {}} << ContourPoint{{90, 10, 20, 5}, {}}
                        << ContourPoint{{180, 10, 20, 5}, {}};
        halfRing.passes = 1;
        halfRing.pointCount = 3;
        halfRing.tech = quarter.tech;
        const struct {
            const char* name;
            ContourSnapshot before;
            bool runBack;       // closed by running back (loaded open, then closed)
            int current;
            QList<ContourPoint> after;
            int currentAfter;
            const char* length;
        } cases[] = {
            {"open linear",
             linear({at(0, 0, 0, line), at(10, 0, 0, ccw), at(20, 0, 0, line), at(30, 0, 0, end)}, false), false, 1,
             {at(30, 0, 0, line), at(20, 0, 0, cw), at(10, 0, 0, line), at(0, 0, 0, end)}, 2, "30.07"},
            {"closed linear",
             linear({at(0, 0, 0, line), at(10, 0, 0, ccw), at(20, 0, 0, line), at(30, 0, 0, line)}, true), false, 0,
             {at(0, 0, 0, line), at(30, 0, 0, line), at(20, 0, 0, cw), at(10, 0, 0, line)}, 0, "60.07"},
            {"linear closed by running back",
             linear({at(0, 0, 0, line), at(10, 0, 0, line), at(10, 20, 0, end)}, false), true, 0,
             {at(10, 20, 0, line), at(10, 0, 0, line), at(0, 0, 0, line)}, 2, "60.00"},
            {"circular interpolation", circle, false, 1,
             {circle.points.at(0), circle.points.at(3), circle.points.at(2), circle.points.at(1)}, 3, "314.16"},
            {"open circular interpolation", quarter, false, 1,
             {quarter.points.at(3), quarter.points.at(2), quarter.points.at(1), quarter.points.at(0)}, 2, "78.54"},
            {"ring joint", ring, false, 3, {ring.points.at(0), ring.points.at(3), ring.points.at(2), ring.points.at(1)},
             1, "785.40"},
            {"open ring joint", halfRing, false, 0,
             {halfRing.points.at(2), halfRing.points.at(1), halfRing.points.at(0)}, 2, "157.08"},
        };
        const QStringList ways{QStringLiteral("Прямым ходом     "), QStringLiteral("Обратным ходом     ")};
        for (const auto& test : cases) {
            CONTOUR c;
            QVERIFY2(loadContour(c, test.before), test.name);
            if (test.runBack) {
                chooseInNextMenu(QStringLiteral("Замыкание контура"), ways, ways.at(1));
                c.pbRing->click();
                QVERIFY2(c.ring() && !c.closeDirect(), test.name);
            }
            c.onChangedPointNo(uint(test.current));
            const QStringList before = rows(c.twContour);
            QCOMPARE(c.length->text(), QString::fromLatin1(test.length));
            const QString seam = cell(c.twTechTab, c.twTechTab->rowCount() - 1, 0);
            QSignalSpy messages(&c, &CONTOUR::message);
            c.pbInverse->click();
            QVERIFY2(c.inverted(), test.name);
            QCOMPARE(c.length->text(), QString::fromLatin1(test.length));
            QCOMPARE(cell(c.twTechTab, c.twTechTab->rowCount() - 1, 0), seam);
            QVERIFY2(c.snapshot().points == test.after, test.name);
            QCOMPARE(c.currentPoint(), test.currentAfter);
            QCOMPARE(c.twContour->currentRow(), test.currentAfter);
            QCOMPARE(texts(messages), QStringList{"[I]Нажата кнопка 'Инверсия' панели Контур"});
            c.pbInverse->click();
            QVERIFY2(!c.inverted(), test.name);
            QCOMPARE(rows(c.twContour), before);
            QCOMPARE(c.currentPoint(), test.current);
        }
    }

    // Closing a linear contour asks how; nothing chosen leaves it open. The segment of the last
    // row follows; the pass count is set while the contour is closed.
    void closeAndPasses()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, linear({at(0, 0, 0), at(30, 0, 0), at(30, 40, 0, {})}, false)));
        const QStringList ways{QStringLiteral("Прямым ходом     "), QStringLiteral("Обратным ходом     ")};
        QVERIFY(c.pbRing->isEnabled());
        QVERIFY(!c.frmRings->isEnabled());
        QSignalSpy messages(&c, &CONTOUR::message);

        chooseInNextMenu(QStringLiteral("Замыкание контура"), ways, QString());
        c.pbRing->click();
        QVERIFY(!c.ring());
        QVERIFY(!c.pbRing->isChecked());
        QCOMPARE(c.pbRing->text(), QStringLiteral("Замкнуть\nконтур"));
        QCOMPARE(cell(c.twContour, 2, 3), QStringLiteral("Конец"));

        chooseInNextMenu(QStringLiteral("Замыкание контура"), ways, ways.at(1));
        c.pbRing->click();
        QVERIFY(c.ring() && !c.closeDirect());
        QVERIFY(c.pbRing->isChecked());
        QCOMPARE(c.pbRing->text(), QStringLiteral("Замкнут\nобратным\nходом"));
        QCOMPARE(cell(c.twContour, 2, 3), QStringLiteral("Прямая"));
        QVERIFY(c.frmRings->isEnabled());
        QCOMPARE(c.length->text(), QStringLiteral("140.00"));  // there and back

        {
            ModalDriver driver;
            driver.next("Numpad", enter(QStringLiteral("Число проходов"), QStringLiteral("3")));
            QTest::mouseClick(c.nrings, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(c.nrings->text(), QStringLiteral("3"));
        QCOMPARE(cell(c.twTechTab, 1, 0), QStringLiteral("420.00"));
        {
            ModalDriver driver;
            driver.next("Numpad", enter(QStringLiteral("Число проходов"), QStringLiteral("0")));
            QTest::mouseClick(c.nrings, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(cell(c.twTechTab, 1, 0), QStringLiteral("0.00"));
        QCOMPARE(texts(messages), (QStringList{"[I]Нажата кнопка 'Замкнуть контур' панели Контур",
                                               "[I]Нажата кнопка 'Замкнуть контур' панели Контур",
                                               "[I]Задано новое число проходов по контуру - 3",
                                               "[I]Задано новое число проходов по контуру - 0"}));
        QVERIFY(messages.at(2).at(1).toBool());

        c.pbRing->click();  // opening asks nothing
        QVERIFY(!c.ring() && c.closeDirect());
        QCOMPARE(cell(c.twContour, 2, 3), QStringLiteral("Конец"));
        QVERIFY(!c.frmRings->isEnabled());

        // Another scheme closes without a question.
        CONTOUR r;
        ContourSnapshot circle = ContourSamples::circular();
        circle.ring = false;
        QVERIFY(loadContour(r, circle));
        r.pbRing->click();
        QVERIFY(r.ring() && r.closeDirect());
        QCOMPARE(r.pbRing->text(), QStringLiteral("Контур\nзамкнут"));
    }

    // A command that changes the seam checks the technology table against it again: a row that
    // the shortened seam no longer reaches turns red and the operator is told; once the seam
    // reaches it again it is black.
    void technologyFollowsSeam()
    {
        CONTOUR c;
        ContourSnapshot s = linear({at(0, 0, 0), at(50, 0, 0), at(100, 0, 0, {})}, false);
        s.tech = {ContourSamples::point(0, 0, 600), ContourSamples::point(80, 20, 600),
                  ContourSamples::point(100, 0, 600)};
        QVERIFY(loadContour(c, s));
        const auto pathColour = [&c] { return c.twTechTab->item(1, 0)->foreground().color(); };
        const QString faulty = QStringLiteral("[A]Ошибка заполнения технологической таблицы!");
        QCOMPARE(pathColour(), QColor(Qt::black));
        QSignalSpy messages(&c, &CONTOUR::message);

        c.onChangedPointNo(2);
        {
            ModalDriver driver;
            driver.next("Confirm", answer(QStringLiteral("Удалить текущую точку из контура?"), true));
            c.pbDel->click();
            QVERIFY(driver.done());
        }
        QCOMPARE(cell(c.twTechTab, 2, 0), QStringLiteral("50.00"));
        QCOMPARE(pathColour(), QColor(Qt::red));
        QVERIFY(texts(messages).contains(faulty));

        messages.clear();
        const QStringList ways{QStringLiteral("Прямым ходом     "), QStringLiteral("Обратным ходом     ")};
        chooseInNextMenu(QStringLiteral("Замыкание контура"), ways, ways.at(1));  // there and back
        c.pbRing->click();
        QCOMPARE(cell(c.twTechTab, 2, 0), QStringLiteral("100.00"));
        QCOMPARE(pathColour(), QColor(Qt::black));
        QVERIFY(!texts(messages).contains(faulty));

        {
            ModalDriver driver;
            driver.next("Numpad", enter(QStringLiteral("Число проходов"), QStringLiteral("0")));
            QTest::mouseClick(c.nrings, Qt::LeftButton);
            QVERIFY(driver.done());
        }
        QCOMPARE(cell(c.twTechTab, 2, 0), QStringLiteral("0.00"));
        QCOMPARE(pathColour(), QColor(Qt::red));
        QVERIFY(texts(messages).contains(faulty));
    }

    // The points keep their angle about the centre and move onto the circle of the new diameter
    // (a point a hair off the old circle too, at its own angle); a diameter that is no length moves
    // nothing.
    void newDiameter()
    {
        CONTOUR c;
        ContourSnapshot s;
        s.schema.reset(new SchemaXYZr(100, 0, 0));
        s.points << ContourPoint{{50, 0, 7}, {}} << ContourPoint{{0, 50, 7}, {}} << ContourPoint{{-50, 0, 7}, {}}
                 << ContourPoint{{50.01f, 0, 7}, {}} << ContourPoint{{50, 1, 7}, {}};
        s.ring = true;
        s.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
        QVERIFY(loadContour(c, s));
        QSignalSpy messages(&c, &CONTOUR::message);
        for (float bad : {0.0f, -10.0f, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
            c.recalcPointsForNewDiameter(100, bad);
            c.recalcPointsForNewDiameter(bad, 100);
        }
        QCOMPARE(messages.size(), 8);
        QCOMPARE(c.coords(0), (QList<float>{50, 0, 7}));

        c.setTechSettings(false, false, false, false, 700, 0, 0, 200, 0);
        c.recalcPointsForNewDiameter(100, 200);
        QCOMPARE(rows(c.twContour), (QStringList{"100.00|0.00|7.00", "0.00|100.00|7.00", "-100.00|0.00|7.00",
                                                  "100.00|0.00|7.00", "99.98|2.00|7.00"}));
        QCOMPARE(c.diameter->text(), QStringLiteral("200.00"));
    }

    // A taught circle's points scatter about it: a new diameter takes every point within 1 % of
    // the radius (at least 0.5 mm) of the old circle and moves it radially onto the new one; a
    // point farther off keeps the old diameter and every point.
    void newDiameterOfATaughtCircle_data()
    {
        QTest::addColumn<float>("D");
        QTest::addColumn<QList<float>>("offsets");   // of the points at 0, 90, 180 and 270 degrees, mm
        QTest::addColumn<int>("off");                // the point named as off the circle, 0 for none
        QTest::newRow("D 100, ±0.2 mm") << 100.0f << QList<float>{0.2f, -0.2f, 0.15f, -0.1f} << 0;
        QTest::newRow("D 100, 0.5 mm") << 100.0f << QList<float>{0, 0.5f, 0, -0.45f} << 0;
        QTest::newRow("D 100, 0.6 mm") << 100.0f << QList<float>{0, 0, -0.6f, 0} << 3;
        QTest::newRow("D 300, 1.4 mm (1 % of 150)") << 300.0f << QList<float>{1.4f, 0, -1.2f, 0} << 0;
        QTest::newRow("D 300, 1.6 mm") << 300.0f << QList<float>{0, 0, 0, 1.6f} << 4;
    }
    void newDiameterOfATaughtCircle()
    {
        QFETCH(float, D);
        QFETCH(QList<float>, offsets);
        QFETCH(int, off);
        CONTOUR c;
        ContourSnapshot s;
        s.schema.reset(new SchemaXYZr(D, 0, 0));
        const float R = D / 2;
        s.points << ContourPoint{{R + offsets[0], 0, 7}, {}} << ContourPoint{{0, R + offsets[1], 7}, {}}
                 << ContourPoint{{-(R + offsets[2]), 0, 7}, {}} << ContourPoint{{0, -(R + offsets[3]), 7}, {}};
        s.ring = true;
        s.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
        QVERIFY(loadContour(c, s));
        const QStringList before = rows(c.twContour);
        QSignalSpy messages(&c, &CONTOUR::message);
        c.setTechSettings(false, false, false, false, 700, 0, 0, 2 * D, 0);
        c.recalcPointsForNewDiameter(D, 2 * D);
        if (off) {
            QCOMPARE(rows(c.twContour), before);
            QCOMPARE(texts(messages),
                     QStringList{QStringLiteral("[W]Диаметр не изменён, точки контура не перенесены: точка %1 не лежит "
                                                "на окружности диаметром %2 мм")
                                     .arg(off)
                                     .arg(double(D), 0, 'f', 2)});
            QCOMPARE(c.schemaD(), D);
            return;
        }
        const QString r = QString::number(double(D), 'f', 2);
        QCOMPARE(rows(c.twContour), (QStringList{r + "|0.00|7.00", "0.00|" + r + "|7.00", "-" + r + "|0.00|7.00",
                                                  "0.00|-" + r + "|7.00"}));
        QCOMPARE(c.schemaD(), 2 * D);
        QCOMPARE(texts(messages), QStringList());
    }

    // "Настройки" with a new diameter moves no point when the centre is not known (one or two
    // points) or when a point does not lie on the old circle about it: the operator is told why.
    // A circle still being taught takes the new diameter; one whose points give its diameter keeps
    // theirs, so that its arcs and length still go through them.
    void newDiameterRefused()
    {
        const QString notMoved = QStringLiteral("[W]Точки контура не перенесены на новый диаметр: ");
        const struct {
            const char* name;
            QList<QList<float>> points;
            bool ring;
            QString warning;
            const char* diameter;   // the diameter afterwards
            const char* length;     // the pass length afterwards
        } cases[] = {
            {"two points, centre unknown", {{150, 100, 0}, {100, 150, 0}}, false,
             notMoved + QStringLiteral("центр окружности не известен (нужны не менее трёх точек контура)"), "200.00",
             "72.27"},
            {"one point", {{150, 100, 0}}, false,
             notMoved + QStringLiteral("центр окружности не известен (нужны не менее трёх точек контура)"), "200.00",
             "0.00"},
            {"a point inside the circle", {{50, 0, 0}, {0, 50, 0}, {-50, 0, 0}, {30, 0, 0}}, true,
             QStringLiteral("[W]Диаметр не изменён, точки контура не перенесены: точка 4 не лежит на окружности "
                            "диаметром 100.00 мм"),
             "100.00", "314.16"},
        };
        for (const auto& test : cases) {
            CONTOUR c;
            ContourSnapshot s;
            s.schema.reset(new SchemaXYZr(100, 0, 0));
            for (const QList<float>& p : test.points)
                s.points << ContourPoint{p, {}};
            s.ring = test.ring;
            s.passes = 1;
            s.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
            QVERIFY2(loadContour(c, s), test.name);
            const QStringList before = rows(c.twContour);
            QSignalSpy messages(&c, &CONTOUR::message);
            ModalDriver driver;
            driver.next("TechSettings", [](ModalDialog& d) {
                touch(d, "diameter");
                d.click("pbSettingsDone");
            });
            driver.next("Numpad", enter(QStringLiteral("200")));
            c.pbSettings->click();
            QVERIFY2(driver.done(), test.name);
            QVERIFY2(rows(c.twContour) == before, test.name);
            QVERIFY2(texts(messages).contains(test.warning), qPrintable(texts(messages).join(QLatin1Char('\n'))));
            QCOMPARE(c.diameter->text(), QString::fromLatin1(test.diameter));
            QCOMPARE(c.schemaD(), c.diameter->text().toFloat());
            QVERIFY2(c.lblConsts->text().contains(QStringLiteral("D=") + c.diameter->text().chopped(3)),
                     qPrintable(c.lblConsts->text()));
            QCOMPARE(c.length->text(), QString::fromLatin1(test.length));
        }
    }

    // The contour settings change the scheme's diameter and plane: the screen shows them at once,
    // the length follows, and a new plane takes the circle through the points in that plane.
    void settingsChangeScheme()
    {
        CONTOUR c;
        ContourSnapshot s;
        // On the circle of R 50 about (20, 30) in XY, but loaded as lying in XZ.
        s.schema.reset(new SchemaXYZr(100, 0, 1));
        s.points << ContourPoint{{70, 30, 0}, {}} << ContourPoint{{20, 80, 0}, {}} << ContourPoint{{-30, 30, 0}, {}};
        s.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
        QVERIFY(loadContour(c, s));
        QCOMPARE(c.plane->text(), QStringLiteral("XZ"));
        QCOMPARE(c.length->text(), QStringLiteral("104.72"));

        c.setTechSettings(false, false, false, false, 700, 0, 0, c.schemaD(), 0);
        QCOMPARE(c.plane->text(), QStringLiteral("XY"));
        QCOMPARE(c.centerXValue(), 20.0f);
        QCOMPARE(c.centerYValue(), 30.0f);
        QCOMPARE(c.length->text(), QStringLiteral("157.08"));
        QCOMPARE(cell(c.twTechTab, 1, 0), QStringLiteral("157.08"));

        // A diameter given to a circle that had none yet.
        CONTOUR d;
        s.schema.reset(new SchemaXYZr(0, 0, 0));
        s.points = s.points.mid(0, 2);
        QVERIFY(loadContour(d, s));
        d.setTechSettings(false, false, false, false, 700, 0, 0, 100, 0);
        QCOMPARE(d.diameter->text(), QStringLiteral("100.00"));
        QVERIFY(d.lblConsts->text().contains(QStringLiteral("D=100")));
        QCOMPARE(d.length->text(), QStringLiteral("78.54"));
    }

    // The parameters cell of a segment opens its frame-parameter dialog; the last point of an
    // open contour has no segment.
    void frameParameters()
    {
        CONTOUR c;
        QVERIFY(loadContour(c, linear({at(0, 0, 0), at(30, 0, 0), at(30, 40, 0, {})}, false)));
        c.show();
        {
            ModalDriver driver;
            driver.next("ContourParams", [](ModalDialog& d) {
                QCOMPARE(frameTitle(d), QStringLiteral("Параметры кадра №2"));
                d.click("pbType");
                d.click("pbOn");
            });
            emit c.twContour->cellClicked(1, 3);
            QVERIFY(driver.done());
        }
        QVERIFY(cell(c.twContour, 1, 3).startsWith(QStringLiteral("Дуга, r=")));
        ModalDriver none(1000);
        emit c.twContour->cellClicked(2, 3);
        QVERIFY(none.done());
    }
};

POKAVRO_TEST_MAIN(TestContourEdit)
#include "tst_contouredit.moc"
