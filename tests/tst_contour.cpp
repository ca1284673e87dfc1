// The weld program editor's screen and its two tables: installing a scheme, the technology rows
// and their checks, points at contour positions, segment cells and lengths, the enabling rules,
// the user's tabs, the contour file through the widget and the settings of the group "Contour".

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QListWidget>
#include <QScopeGuard>
#include <QSettings>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>
#include <cstdlib>
#include <functional>
#include <memory>

#include "contour.h"
#include "contourfile.h"
#include "contoursamples.h"
#include "editorconsole.h"
#include "fixedpaths.h"
#include "fulldisk.h"
#include "gui.h"
#include "modaldriver.h"
#include "operatorlines.h"
#include "settingsfile.h"
#include "tabletexts.h"
#include "testenv.h"
#include "threadcpu.h"
#include "weldprogram.h"

using namespace TableTexts;

namespace {

QColor foreground(const QTableWidget* table, int row, int column)
{
    return table->item(row, column)->foreground().color();
}

QString contourFile(const QString& name)
{
    return CONTOUR::contourFolder() + name + QStringLiteral(".save");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
}

// A linear contour of the given points (z 0), all straight, loaded from its file; closed when ring.
void straightContour(CONTOUR& c, const QList<QList<float>>& points, bool ring = false)
{
    ContourSnapshot s;
    s.schema.reset(new SchemaXYZ);
    for (const QList<float>& p : points)
        s.points << ContourPoint{{p.value(0), p.value(1), 0}, {SegmentParams::Line, 0, 0, 0}};
    if (!ring)
        s.points.last().segment = SegmentParams();
    s.ring = ring;
    s.passes = 1;
    s.tech << ContourSamples::point(0, 0, 0) << ContourSamples::point(0, 0, 0);
    QDir().mkpath(CONTOUR::contourFolder());
    writeFile(contourFile(QStringLiteral("straight")), ContourFile::write(QStringLiteral("straight"), s));
    c.load(QStringLiteral("straight"), CONTOUR::contourDir() + QStringLiteral("straight"));
}

// Notes the row counts of both tables of an editor before every event the application delivers:
// what one delivery (at most a turn of the event loop) did to a table is the change from one note
// to the next.
class RowSteps : public QObject
{
public:
    explicit RowSteps(const CONTOUR& c) : m_c(c)
    {
        note();
        qApp->installEventFilter(this);
    }
    ~RowSteps() override { qApp->removeEventFilter(this); }

    // The most rows that either table gained or lost at once, and how often a table changed.
    int largest = 0;
    int changes = 0;

protected:
    bool eventFilter(QObject*, QEvent*) override
    {
        note();
        return false;
    }

private:
    void note()
    {
        const int contour = m_c.twContour->rowCount();
        const int tech = m_c.twTechTab->rowCount();
        const int step = std::max(std::abs(contour - m_contour), std::abs(tech - m_tech));
        largest = std::max(largest, step);
        changes += step > 0 ? 1 : 0;
        m_contour = contour;
        m_tech = tech;
    }

    const CONTOUR& m_c;
    int m_contour = 0;
    int m_tech = 0;
};

// Turns the event loop a pass at a time until `done` holds; false when it does not within 10 s.
bool turnUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

// Everything a table shows and keeps of each row: texts, colours, fonts, spans and the data of
// the switch and of the segment cells.
QStringList tableState(const QTableWidget* table)
{
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
            const QTableWidgetItem* item = table->item(row, column);
            QString cell = QString::number(table->columnSpan(row, column));
            if (item) {
                cell += QLatin1Char(' ') + item->text() + QLatin1Char(' ') + item->foreground().color().name() +
                        QLatin1Char(' ') + item->background().color().name() + QLatin1Char(' ') +
                        QString::number(item->background().style()) + QLatin1Char(' ') + item->font().toString() +
                        QLatin1Char(' ') + QString::number(item->textAlignment());
                for (int role = CONTOUR::RoleOn; role <= CONTOUR::RoleSegmentPlane; ++role)
                    cell += QLatin1Char(' ') + item->data(role).toString();
            }
            cells << cell;
        }
        rows << cells.join(QStringLiteral(" | "));
    }
    return rows;
}

void compareTables(const CONTOUR& got, const CONTOUR& want)
{
    for (const auto table : {&CONTOUR::twContour, &CONTOUR::twTechTab}) {
        const QStringList a = tableState(got.*table);
        const QStringList b = tableState(want.*table);
        QCOMPARE(a.size(), b.size());
        for (int row = 0; row < a.size(); ++row)
            QVERIFY2(a.at(row) == b.at(row), qPrintable(QStringLiteral("row %1: %2\n  want %3").arg(row).arg(a.at(row), b.at(row))));
    }
    const ContourSnapshot a = got.snapshot();
    const ContourSnapshot b = want.snapshot();
    QCOMPARE(a.points, b.points);
    QVERIFY(a.tech == b.tech);
    QCOMPARE(a.passLength, b.passLength);
    QCOMPARE(a.ring, b.ring);
}

}  // namespace

class TestContour : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(FixedPaths::settingsFile());
        QDir(CONTOUR::contourFolder()).removeRecursively();
        QDir().mkpath(FixedPaths::local(QStringLiteral("/home/oper/bin")));
    }

    void installingASchemeResetsBothTables()
    {
        CONTOUR c;
        QVERIFY(!c.hasSchema());
        QCOMPARE(c.twTechTab->rowCount(), 0);
        QVERIFY(!c.pbSave->isEnabled() && !c.pbSave_2->isEnabled() && !c.pbTemplate->isEnabled());

        c.weldSpeed->setValue(450, 1);
        c.init(new SchemaXYZ);
        QCOMPARE(c.twContour->columnCount(), 4);
        QCOMPARE(c.twContour->horizontalHeaderItem(3)->text(), QStringLiteral("Параметры"));
        QVERIFY(c.twContour->horizontalHeader()->stretchLastSection());
        QCOMPARE(c.lblConsts->text(), QStringLiteral("<b>Линейная интерполяция</b>"));
        QVERIFY(c.pbSave->isEnabled() && c.pbSave_2->isEnabled() && c.pbTemplate->isEnabled());
        // Without drive power the insert button stays off: it would insert a position nobody reported.
        QVERIFY(!c.pbIns->isEnabled());
        QCOMPARE(c.twTechTab->rowCount(), 2);
        const QBrush alternate = c.twTechTab->palette().brush(QPalette::AlternateBase);
        for (int row = 0; row < 2; ++row) {
            QCOMPARE(cell(c.twTechTab, row, 0), QStringLiteral("0.00"));
            QVERIFY(c.twTechTab->item(row, 0)->font().bold() && c.twTechTab->item(row, 0)->font().italic());
            QVERIFY(c.isOn(row));
            QCOMPARE(cell(c.twTechTab, row, 1), QStringLiteral("0.0"));
            QCOMPARE(cell(c.twTechTab, row, 2), QStringLiteral("700"));
            QCOMPARE(cell(c.twTechTab, row, 3), QStringLiteral("0.0"));
            QCOMPARE(cell(c.twTechTab, row, 5), QStringLiteral("450.0"));
            QCOMPARE(cell(c.twTechTab, row, 6), QString());
            for (int col = 0; col < 7; ++col)
                QCOMPARE(c.twTechTab->item(row, col)->background(), alternate);
        }

        c.addPoint({1.005f, -2, 3.456f, 0});
        QCOMPARE(c.coords(0), QList<float>({1.0f, -2.0f, 3.46f}));   // read back from the cells
        c.addPoint({1, 2});   // one value short: refused
        QCOMPARE(c.twContour->rowCount(), 1);

        // "XYZ" and "XYZr" have the same axes and share the column widths; "Circle" has its own.
        c.twContour->setColumnWidth(0, 140);
        c.init(new SchemaXYZr(100, 0, 0));
        QCOMPARE(c.twContour->columnCount(), 3);
        QVERIFY(!c.twContour->horizontalHeader()->stretchLastSection());
        QCOMPARE(c.twContour->columnWidth(0), 140);
        QCOMPARE(c.twContour->rowCount(), 0);
        c.init(new SchemaCircle(100, 4));
        QCOMPARE(c.twContour->columnWidth(0), 100);
        QCOMPARE(c.twContour->horizontalHeaderItem(0)->text(), QStringLiteral("V"));
        std::unique_ptr<QSettings> settings = SettingsFile::open();
        QCOMPARE(settings->value(QStringLiteral("Contour/Width_LXLYZ_LX")).toInt(), 140);
    }

    void commentsAndStops()
    {
        CONTOUR c;
        QSignalSpy messages(&c, &CONTOUR::message);
        c.addComment(QStringLiteral("до контура"));   // no table yet: refused, not a crash
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages.at(0).at(0).toString().startsWith(QStringLiteral("[W]")));

        c.init(new SchemaXYZ);
        c.addComment(techStopText());
        c.addComment(QStringLiteral("Технол. останов"));
        QCOMPARE(c.twTechTab->rowCount(), 4);
        QCOMPARE(c.twTechTab->columnSpan(1, 0), 7);
        QVERIFY(c.isComment(1) && !c.isOn(1) && c.isStop(1));
        QVERIFY(c.isComment(2) && !c.isStop(2));
        QVERIFY(!c.isComment(0) && !c.isComment(3));
        QCOMPARE(c.twTechTab->item(1, 0)->background().color(), QColor(160, 160, 160));
        QCOMPARE(c.twTechTab->item(1, 0)->textAlignment(), int(Qt::AlignJustify));
    }

    void technologyPointsAndTheirCheck()
    {
        CONTOUR c;
        straightContour(c, {{0, 0}, {100, 0}});
        c.weldSpeed->setValue(300, 1);
        QCOMPARE(cell(c.twTechTab, 1, 0), QStringLiteral("100.00"));
        QSignalSpy messages(&c, &CONTOUR::message);

        c.addTechPoint(10, 50, 200);
        c.addComment(QStringLiteral("Сварка"));
        c.addTechPoint(15, 60, 200);            // after the comment: the path counts from 10
        c.addLinearTackPoint(40, 70, 250);
        QCOMPARE(column(c.twTechTab, 0), QStringList({"0.00", "10.00", "Сварка", "25.00", "40.00", "100.00"}));
        QCOMPARE(column(c.twTechTab, 1).mid(3, 2), QStringList({"60.0", "70.0"}));
        QVERIFY(messages.isEmpty());

        // Inputs a template could pass that make no row: refused with a word to the operator.
        c.addTechPoint(-5, 50, 200);
        c.addTechPoint(5, 900, 200);
        c.addLinearTackPoint(-1, 10, 200);
        QCOMPARE(c.twTechTab->rowCount(), 6);
        QCOMPARE(messages.size(), 3);
        for (const QString& text : texts(messages))
            QVERIFY2(text.startsWith(QStringLiteral("[W]")), qPrintable(text));

        // A path equal to a row's goes above it, with current 0 and the weld speed.
        c.addPointToTech(25);
        QCOMPARE(column(c.twTechTab, 0), QStringList({"0.00", "10.00", "Сварка", "25.00", "25.00", "40.00", "100.00"}));
        QCOMPARE(cell(c.twTechTab, 3, 1), QStringLiteral("0.0"));
        QCOMPARE(cell(c.twTechTab, 3, 5), QStringLiteral("300.0"));
        // Equal paths with different beam currents: the upper path is red and the table is faulty.
        QCOMPARE(foreground(c.twTechTab, 3, 0), QColor(Qt::red));
        QCOMPARE(texts(messages).last(), QStringLiteral("[A]Ошибка заполнения технологической таблицы!"));
        QCOMPARE(foreground(c.twTechTab, 1, 0), QColor(Qt::black));

        // Beyond the end: goes in under the start row, and every path from the first fault is red.
        messages.clear();
        c.twTechTab->item(3, 1)->setText(QStringLiteral("60.0"));   // the equal paths now agree
        c.addPointToTech(150);
        QCOMPARE(cell(c.twTechTab, 1, 0), QStringLiteral("150.00"));
        QCOMPARE(texts(messages), QStringList({"[A]Ошибка заполнения технологической таблицы!"}));
        QCOMPARE(foreground(c.twTechTab, 0, 0), QColor(Qt::black));
        for (int row : {1, 2, 4, 5, 6})
            QCOMPARE(foreground(c.twTechTab, row, 0), QColor(Qt::red));
        QCOMPARE(c.twTechTab->item(7, 0)->foreground().style(), Qt::NoBrush);   // the end row is never painted

        // A sound table: all black, no message.
        CONTOUR sound;
        straightContour(sound, {{0, 0}, {100, 0}});
        QSignalSpy quiet(&sound, &CONTOUR::message);
        sound.addPointToTech(30);
        sound.addPointToTech(30);
        QVERIFY(quiet.isEmpty());
        QCOMPARE(foreground(sound.twTechTab, 1, 0), QColor(Qt::black));
    }

    // On a contour with an arc each row goes where the motion program reaches its point: along
    // the arc, not along its chord. The rows then lie at the segment ends, so the program writes
    // no move of their own and each row's speed is the feed of the move that ends at its point.
    void pointsAtContourPositionsFollowArcs()
    {
        ContourSnapshot s;
        s.schema.reset(new SchemaXYZ);
        s.points << ContourPoint{{0, 0, 0}, {SegmentParams::Line, 0, 0, 0}}
                 << ContourPoint{{10, 0, 0}, {SegmentParams::Arc, 10, 1, 0}}
                 << ContourPoint{{30, 0, 0}, {SegmentParams::Line, 0, 0, 0}}
                 << ContourPoint{{30, 10, 0}, SegmentParams()};
        s.passes = 1;
        s.pointCount = 4;
        s.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
        QDir().mkpath(CONTOUR::contourFolder());
        writeFile(contourFile(QStringLiteral("arc")), ContourFile::write(QStringLiteral("arc"), s));
        CONTOUR c;
        c.load(QStringLiteral("arc"), CONTOUR::contourDir() + QStringLiteral("arc"));
        QCOMPARE(c.length->text(), QStringLiteral("51.42"));   // 10, the half circle 31.42, 10

        c.addContourPoint(true, false, 0, 1);
        QStringList paths = column(c.twTechTab, 0);
        QCOMPARE(paths, QStringList({"0.00", "0.00", "10.00", "41.42", "51.42", "51.42"}));
        c.addContourPoint(false, false, 3, 1);
        paths = column(c.twTechTab, 0);
        QCOMPARE(paths.mid(3, 2), QStringList({"41.42", "41.42"}));

        // Every row at a point: the program moves from point to point and nowhere else.
        for (int row = 2; row < c.twTechTab->rowCount() - 1; ++row)
            c.twTechTab->item(row, 5)->setText(QString::number(100 * row, 'f', 1));
        const WeldProgram::Programs motion = WeldProgram::genContour(c.snapshot(), WeldProgram::GeneratorState());
        QVERIFY2(motion.ok(), qPrintable(motion.error));
        const QStringList lines = motion.text1.split(QLatin1Char('\n'));
        QCOMPARE(lines.mid(10, 4), (QStringList{"N10 G90 G01 x=10.00 y=0.00 z=0.00 F200.000",
                                                "N11 G17",
                                                "N12 G90 G3 x=30.00 y=0.00 R10.00 z=0.00 F300.000",
                                                "N13 G90 G01 x=30.00 y=10.00 z=0.00 F500.000"}));
        QCOMPARE(lines.at(14), QStringLiteral("N14 REV(ALL)"));
    }

    // "Добавить все точки" places every row in path order, also where the seam's length rounds
    // down to the two decimals of the end row: the last point's row goes above the end row, not
    // under the start row, and the table check has nothing to say.
    void allPointsInPathOrder_data()
    {
        QTest::addColumn<QList<QList<float>>>("points");
        QTest::addColumn<float>("arcRadius");   // of the segment leaving point 2; 0: all straight
        QTest::addColumn<QStringList>("paths");
        QTest::newRow("straight diagonal, 14.142 mm") << QList<QList<float>>{{0, 0}, {10, 10}} << 0.0f
                                                      << QStringList{"0.00", "0.00", "14.14", "14.14"};
        QTest::newRow("a line and a quarter arc, 16.283 mm")
            << QList<QList<float>>{{0, 0}, {10, 0}, {14, 4}} << 4.0f
            << QStringList{"0.00", "0.00", "10.00", "16.28", "16.28"};
    }
    void allPointsInPathOrder()
    {
        QFETCH(QList<QList<float>>, points);
        QFETCH(float, arcRadius);
        QFETCH(QStringList, paths);
        ContourSnapshot s;
        s.schema.reset(new SchemaXYZ);
        for (const QList<float>& p : points)
            s.points << ContourPoint{{p.value(0), p.value(1), 0}, {SegmentParams::Line, 0, 0, 0}};
        if (arcRadius > 0)
            s.points[1].segment = {SegmentParams::Arc, arcRadius, 1, 0};
        s.points.last().segment = SegmentParams();
        s.passes = 1;
        s.pointCount = float(points.size());
        s.tech << ContourSamples::point(0, 0, 600) << ContourSamples::point(0, 0, 600);
        QDir().mkpath(CONTOUR::contourFolder());
        writeFile(contourFile(QStringLiteral("order")), ContourFile::write(QStringLiteral("order"), s));
        CONTOUR c;
        c.load(QStringLiteral("order"), CONTOUR::contourDir() + QStringLiteral("order"));
        QCOMPARE(column(c.twTechTab, 0).last(), paths.last());
        QSignalSpy messages(&c, &CONTOUR::message);
        c.addContourPoint(true, false, 0, 1);
        QCOMPARE(column(c.twTechTab, 0), paths);
        QVERIFY(WeldProgram::checkTechTable(c.snapshot().tech).ok());
        QCOMPARE(texts(messages), QStringList());
    }

    void pointsAtContourPositions()
    {
        CONTOUR c;
        straightContour(c, {{0, 0}, {10, 0}, {10, 40}, {60, 40}}, true);
        c.points->setValue(4, 0);
        c.nrings->setValue(3, 0);
        c.updateLength();
        QCOMPARE(c.length->text(), QStringLiteral("172.11"));   // the 100 mm path and the closing 72.11
        c.length->setValue(100, 2);
        auto dataPaths = [&c] {
            QStringList out = column(c.twTechTab, 0);
            return out.mid(1, out.size() - 2);
        };

        c.addContourPoint(false, true, 2, 1);
        QCOMPARE(dataPaths(), QStringList({"10.00", "110.00", "210.00"}));
        straightContour(c, {{0, 0}, {10, 0}, {10, 40}, {60, 40}}, true);
        c.points->setValue(4, 0);
        c.nrings->setValue(3, 0);
        c.length->setValue(100, 2);
        c.addContourPoint(false, false, 3, 2);
        QCOMPARE(dataPaths(), QStringList({"150.00"}));
        c.addContourPoint(true, false, 0, 1);
        QCOMPARE(dataPaths(), QStringList({"0.00", "10.00", "50.00", "100.00", "150.00"}));

        // An open contour adds no pass length; a pass or point that does not exist is refused.
        CONTOUR open;
        straightContour(open, {{0, 0}, {10, 0}, {10, 40}});
        open.nrings->setValue(3, 0);
        open.length->setValue(50, 2);
        open.addContourPoint(false, false, 3, 2);
        QSignalSpy messages(&open, &CONTOUR::message);
        open.addContourPoint(false, false, 3, 4);
        open.addContourPoint(false, true, 9, 1);
        open.nrings->setValue(0, 0);
        open.addContourPoint(false, false, 1, 1);
        // A pass count mistyped by some digits would bury the table under rows.
        open.nrings->setValue(5000, 0);
        open.addContourPoint(false, true, 1, 1);
        QCOMPARE(messages.size(), 4);
        QVERIFY(texts(messages).last().startsWith(QStringLiteral("[W]Точки контура не добавлены: 5000 строк")));
        QStringList paths = column(open.twTechTab, 0);
        QCOMPARE(paths.mid(1, paths.size() - 2), QStringList({"50.00"}));

        // Many rows at once are checked once: a faulty table is one alarm, not one a row.
        CONTOUR beyond;
        straightContour(beyond, {{0, 0}, {10, 0}}, true);
        beyond.points->setValue(2, 0);
        beyond.nrings->setValue(3, 0);
        beyond.length->setValue(100, 2);   // passes beyond the 20 mm seam
        QSignalSpy alarms(&beyond, &CONTOUR::message);
        beyond.addContourPoint(true, true, 0, 0);
        QCOMPARE(beyond.twTechTab->rowCount(), 8);
        QCOMPARE(texts(alarms), QStringList({"[A]Ошибка заполнения технологической таблицы!"}));
        QCOMPARE(foreground(beyond.twTechTab, 1, 0), QColor(Qt::red));
    }

    void segmentsAndLengths()
    {
        CONTOUR c;
        straightContour(c, {{0, 0}, {10, 0}, {10, 10}});
        c.addParameters(0, 2, 1, 0, 25, false);
        QCOMPARE(cell(c.twContour, 0, 3), QStringLiteral("Дуга, r=25.0, пр. ч.с., пл-XY"));
        c.addParameters(0, 2, 0, 1, 2.25f, false);
        QCOMPARE(cell(c.twContour, 0, 3), QStringLiteral("Дуга, r=2.3, по ч.с., пл-XZ"));
        QCOMPARE(c.twContour->item(0, 3)->font().pointSize(), 9);
        c.addParameters(1, 1, 0, 0, 0, false);
        QCOMPARE(cell(c.twContour, 1, 3), QStringLiteral("Прямая"));
        c.addParameters(2, 0, 0, 0, 0, false);
        QCOMPARE(cell(c.twContour, 2, 3), QStringLiteral("Конец"));

        // An arc of radius 2 over a chord of 10 cannot be run: its row is red, the length finite.
        c.addParameters(0, 2, 0, 0, 2, true);
        QCOMPARE(foreground(c.twContour, 0, 0), QColor(Qt::red));
        QCOMPARE(foreground(c.twContour, 1, 0), QColor(Qt::black));
        QVERIFY(qIsFinite(c.length->value()));
        c.addParameters(0, 2, 0, 0, 5, true);
        QCOMPARE(foreground(c.twContour, 0, 0), QColor(Qt::black));
        QCOMPARE(c.length->text(), QStringLiteral("25.71"));
        QCOMPARE(c.lblLength->text(), QStringLiteral("Длина шва,\nмм"));
        QCOMPARE(cell(c.twTechTab, 1, 0), QStringLiteral("25.71"));

        // Three points on one line give no arc radius; rows that do not exist are refused.
        QSignalSpy messages(&c, &CONTOUR::message);
        QCOMPARE(c.calcDiameter(2, 0), 10.0f * std::sqrt(2.0f));
        QCOMPARE(c.calcDiameter(2, 1), 0.0f);
        QCOMPARE(c.calcDiameter(3, 0), 0.0f);
        QCOMPARE(messages.size(), 2);
        c.addParameters(7, 1, 0, 0, 0, true);
        QCOMPARE(messages.size(), 3);

        // The ring joint's V folds back into the turn once.
        CONTOUR ring;
        ring.init(new SchemaCircle(100, 2));
        ring.addPoint({350, 1, 2, 3});
        ring.addPoint({5, 1, 2, 3});
        ring.movePoint(0, {20, 1});
        ring.movePoint(1, {-10, 0, 0, 0.5f});
        QCOMPARE(ring.coords(0), QList<float>({10, 2, 2, 3}));
        QCOMPARE(ring.coords(1), QList<float>({355, 1, 2, 3.5f}));
        ring.movePoint(5, {1});   // no such point: refused
    }

    void circleDiameterFromPoints()
    {
        CONTOUR c;
        c.init(new SchemaXYZr(0, 0, 0));
        c.addPoint({10, 0, 0});
        c.addPoint({0, 10, 0});
        c.addPoint({-10, 0, 0});
        c.updateD();
        QCOMPARE(c.schemaD(), 20.0f);
        QCOMPARE(c.diameter->text(), QStringLiteral("20.00"));
        QCOMPARE(c.lblConsts->text(), QStringLiteral("<b>Круговая интерполяция</b><pre>D=20</>"));
        // Points moved onto one line: no circle, the diameter stays.
        c.movePoint(1, {0, -10, 0});
        c.updateD();
        QCOMPARE(c.schemaD(), 20.0f);
        QVERIFY(qIsFinite(c.centerXValue()) && qIsFinite(c.centerYValue()));

        // A new diameter moves every point radially.
        c.movePoint(1, {0, 10, 0});
        c.setTechSettings(false, false, false, false, 700, 0, 0, 40, 0);
        c.recalcPointsForNewDiameter(20, 40);
        QCOMPARE(c.coords(1), QList<float>({0, 20, 0}));
        QCOMPARE(c.coords(2), QList<float>({-20, 0, 0}));
        QCOMPARE(c.diameter->text(), QStringLiteral("40.00"));
        QSignalSpy messages(&c, &CONTOUR::message);
        c.recalcPointsForNewDiameter(0, 40);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(c.coords(1), QList<float>({0, 20, 0}));
    }

    void enablingRules()
    {
        CONTOUR c;
        straightContour(c, {{0, 0}, {10, 0}, {10, 10}});
        c.onDriveState(true);
        c.onVirtualMode(true);
        c.onChannel1State(1);
        c.twContour->setCurrentCell(1, 0);
        QList<QWidget*> editing{c.pbNew, c.pbIns, c.pbCorr, c.pbCorrNgo, c.pbDel, c.pbInverse, c.pbRing};
        for (QWidget* w : editing)
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
        c.onChannel1State(3);
        for (QWidget* w : editing)
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(c.pbGcode->isEnabled());
        // Drive power alone refreshes nothing; the next channel change takes it into account.
        c.onDriveState(false);
        c.onChannel1State(2);
        QVERIFY(c.pbNew->isEnabled() && c.pbDel->isEnabled() && c.pbRing->isEnabled());
        QVERIFY(!c.pbIns->isEnabled() && !c.pbCorr->isEnabled() && !c.pbCorrNgo->isEnabled());

        // The technology buttons: insert from row 1, delete strictly between start and end.
        c.addTechPoint(5, 10, 100);
        c.twTechTab->setCurrentCell(0, 0);
        QVERIFY(!c.pbInsTechPoint->isEnabled() && !c.pbDelTechPoint->isEnabled());
        c.twTechTab->setCurrentCell(1, 0);
        QVERIFY(c.pbInsTechPoint->isEnabled() && c.pbDelTechPoint->isEnabled());
        c.twTechTab->setCurrentCell(2, 0);
        QVERIFY(c.pbInsTechPoint->isEnabled() && !c.pbDelTechPoint->isEnabled());

        // The ring button's caption follows the scheme and the way the contour is closed.
        c.updateRing();
        QCOMPARE(c.pbRing->text(), QStringLiteral("Замкнуть\nконтур"));
        QVERIFY(!c.frmRings->isEnabled());
        ContourSnapshot s = ContourSamples::ring();
        writeFile(contourFile(QStringLiteral("ring")), ContourFile::write(QStringLiteral("ring"), s));
        c.load(QStringLiteral("ring"), CONTOUR::contourDir() + QStringLiteral("ring"));
        QCOMPARE(c.pbRing->text(), QStringLiteral("Контур\nзамкнут"));
        QVERIFY(c.pbRing->isChecked() && c.frmRings->isEnabled());

        // A point number beyond the contour changes nothing.
        c.twContour->setCurrentCell(1, 0);
        c.onChangedPointNo(4);
        QCOMPARE(c.twContour->currentRow(), 1);
        c.onChangedPointNo(3);
        QCOMPARE(c.twContour->currentRow(), 3);
        QCOMPARE(c.currentPoint(), 3);
    }

    void rightsAndTabs()
    {
        CONTOUR c;
        QCOMPARE(c.count(), 5);
        const QStringList titles{"Контур", "Технология", "Канал 1", "Канал 2", "Канал 3"};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(c.tabText(i), titles.at(i));
        QCOMPARE(c.tabPosition(), QTabWidget::South);
        c.setCurrentIndex(3);
        c.onUserChanged(0);
        QCOMPARE(c.currentIndex(), 3);
        c.onUserChanged(2);   // an operator: tab 0, no channel pages
        QCOMPARE(c.currentIndex(), 0);
        for (int tab : {2, 3, 4})
            QVERIFY(!c.isTabEnabled(tab));
        QVERIFY(c.isTabEnabled(1));
        c.setCurrentIndex(1);
        c.onUserChanged(1);   // a fixer after the operator: the pages again, the tab stays
        QCOMPARE(c.currentIndex(), 1);
        for (int tab : {2, 3, 4})
            QVERIFY(c.isTabEnabled(tab));
        // A cancelled change of user leaves nobody logged in: no channel pages either.
        c.setCurrentIndex(3);
        c.onUserChanged(-1);
        QCOMPARE(c.currentIndex(), 0);
        QVERIFY(!c.isTabEnabled(2));
    }

    void contourFileThroughTheScreen()
    {
        QDir().mkpath(CONTOUR::contourFolder());
        const QByteArray example = ContourFile::write(QStringLiteral("шов1"), ContourSamples::linear());
        writeFile(contourFile(QStringLiteral("шов1")), example);
        CONTOUR c;
        QSignalSpy messages(&c, &CONTOUR::message);
        c.load(QStringLiteral("шов1"), CONTOUR::contourDir() + QStringLiteral("шов1"));
        QCOMPARE(texts(messages), QStringList({"[I]Загружен контур из файла шов1.save"}));
        QCOMPARE(column(c.twContour, 3), QStringList({"Прямая", "Дуга, r=25.0, пр. ч.с., пл-XY"}));
        QCOMPARE(column(c.twTechTab, 6), QStringList({"", "<none>", "Окружности; 1.00x1.00; 0; 10; 0.00x0.00; 1; 0"}));
        QVERIFY(c.isStop(1) && !c.isOn(1) && c.isOn(0) && c.isOn(2));
        QCOMPARE(c.weldSpeed->text(), QStringLiteral("600.0"));
        QVERIFY(!c.frmRotate->isVisible() && c.frmRotate->isHidden());
        QCOMPARE(c.twContour->currentRow(), 0);
        QCOMPARE(c.twTechTab->item(2, 6)->font().pointSize(), 9);

        // Saved again, the file is the same text; rows switched off come back on.
        c.save(QStringLiteral("шов1"), CONTOUR::contourDir() + QStringLiteral("шов2"), true);
        QCOMPARE(readFile(contourFile(QStringLiteral("шов2"))), example);
        c.twTechTab->item(2, 0)->setData(CONTOUR::RoleOn, false);
        c.save(QStringLiteral("шов3"), CONTOUR::contourDir() + QStringLiteral("шов3"), false);
        c.load(QStringLiteral("шов3"), CONTOUR::contourDir() + QStringLiteral("шов3"));
        QVERIFY(c.isOn(2));

        // Each scheme goes through the tables of a fresh editor and back unchanged.
        for (const ContourSnapshot& s : {ContourSamples::circular(), ContourSamples::ring()}) {
            const QByteArray bytes = ContourFile::write(QStringLiteral("k"), s);
            writeFile(contourFile(QStringLiteral("k")), bytes);
            QFile::remove(contourFile(QStringLiteral("contour")));   // the previous editor's autosave
            CONTOUR fresh;
            fresh.load(QStringLiteral("k"), CONTOUR::contourDir() + QStringLiteral("k"));
            fresh.save(QStringLiteral("k"), CONTOUR::contourDir() + QStringLiteral("k2"), false);
            QCOMPARE(readFile(contourFile(QStringLiteral("k2"))), bytes);
            QCOMPARE(fresh.frmRotate->isHidden(), !s.schema->rotate());
            QCOMPARE(fresh.points->text(), s.schema->circle() ? QStringLiteral("4") : QStringLiteral("0"));
        }

        // A damaged file loads what it can, and says so; a missing one changes nothing.
        messages.clear();
        writeFile(contourFile(QStringLiteral("cut")), example.left(example.indexOf("30.00")) + "1e99");
        c.load(QStringLiteral("cut"), CONTOUR::contourDir() + QStringLiteral("cut"));
        QCOMPARE(c.twContour->rowCount(), 1);
        QCOMPARE(c.twTechTab->rowCount(), 2);
        QVERIFY(texts(messages).last().startsWith(QStringLiteral("[W]")));
        c.load(QStringLiteral("none"), CONTOUR::contourDir() + QStringLiteral("none"));
        QCOMPARE(c.twContour->rowCount(), 1);

        // A folder that is missing is made; one that cannot be made (a file stands in its place):
        // no file, and the operator hears so.
        messages.clear();
        c.save(QStringLiteral("x"), CONTOUR::contourDir() + QStringLiteral("new/x"), true);
        QVERIFY(QFile::exists(CONTOUR::contourFolder() + QStringLiteral("new/x.save")));
        writeFile(CONTOUR::contourFolder() + QStringLiteral("blocked"), "not a folder");
        messages.clear();
        c.save(QStringLiteral("x"), CONTOUR::contourDir() + QStringLiteral("blocked/x"), true);
        QCOMPARE(texts(messages), QStringList{QStringLiteral("[W]Контур не сохранён: не удалось создать папку ") +
                                              CONTOUR::contourDir() + QStringLiteral("blocked")});
    }

    // The file dialog's open takes a large contour over the one before while the window keeps
    // answering: no delivery of an event changes either table by more than the rows of one turn.
    // Meanwhile nothing edits, starts from or saves the half of a contour, and a further open does
    // nothing; then the tables are what load() makes of the file.
    void openThroughTheFileDialog()
    {
        const int turn = CONTOUR::kOpenRowsPerTurn;
        const int points = 4 * turn;
        QDir().mkpath(CONTOUR::contourFolder());
        writeFile(contourFile(QStringLiteral("шов1")),
                  ContourFile::write(QStringLiteral("шов1"), ContourSamples::longSeam(points, 2 * turn)));
        writeFile(contourFile(QStringLiteral("before")),
                  ContourFile::write(QStringLiteral("before"), ContourSamples::longSeam(turn, turn / 2)));
        CONTOUR want;
        want.load(QStringLiteral("шов1"), CONTOUR::contourDir() + QStringLiteral("шов1"));
        QCOMPARE(want.twContour->rowCount(), points);

        CONTOUR c;
        c.load(QStringLiteral("before"), CONTOUR::contourDir() + QStringLiteral("before"));
        QSignalSpy messages(&c, &CONTOUR::message);
        ModalDriver driver;
        driver.next("FileManager", [](ModalDialog& d) {
            d.clickItem("listWidget_prog", QStringLiteral("шов1"));
            d.click("pbLoad");
        });
        RowSteps steps(c);
        QTest::mouseClick(c.pbLoad_2, Qt::LeftButton);
        QVERIFY(driver.done());

        // Halfway through the new contour.
        QVERIFY2(turnUntil([&] { return c.twContour->rowCount() > turn && c.twContour->rowCount() < points; }),
                 qPrintable(QStringLiteral("%1 rows at once").arg(steps.largest)));
        QVERIFY(c.opening());
        QVERIFY(!c.twContour->updatesEnabled() && !c.twTechTab->updatesEnabled());
        for (QWidget* w : QList<QWidget*>{c.pbLoad, c.pbLoad_2, c.pbSave, c.pbSave_2, c.pbGcode, c.pbNew, c.pbDel,
                                          c.pbInverse, c.pbRing, c.pbTemplate, c.pbSettings, c.pbAddTechPoint,
                                          c.pbInsTechPoint, c.pbDelTechPoint, c.frmWeldSpeed})
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        messages.clear();
        emit c.twContour->cellClicked(1, 0);
        emit c.twContour->cellClicked(1, 3);
        emit c.twTechTab->cellClicked(1, 1);
        c.on_pbGcode_clicked();
        QCOMPARE(texts(messages), QStringList({"[A]Переход к точке невозможен: идёт загрузка контура",
                                               "[W]Параметры кадра не изменены: идёт загрузка контура",
                                               "[W]Технологическая таблица не изменена: идёт загрузка контура",
                                               "[I]Нажата кнопка 'ПУСК' панели Технология",
                                               "[A]Пуск невозможен: идёт загрузка контура"}));
        messages.clear();
        c.openContour(QStringLiteral("before"), CONTOUR::contourDir() + QStringLiteral("before"));
        c.on_pbLoad_clicked();

        QVERIFY(turnUntil([&] { return !c.opening(); }));
        QVERIFY2(steps.largest <= turn, qPrintable(QStringLiteral("%1 rows at once").arg(steps.largest)));
        QVERIFY(steps.changes >= points / turn);
        QCOMPARE(texts(messages), QStringList{"[I]Загружен контур из файла шов1.save"});
        compareTables(c, want);
        QVERIFY(c.twContour->updatesEnabled() && c.twTechTab->updatesEnabled());
        for (QWidget* w : QList<QWidget*>{c.pbLoad, c.pbLoad_2, c.pbSave, c.pbSave_2, c.pbGcode, c.pbNew, c.pbTemplate})
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    }

    // An open under way ends before anything that needs the whole contour: the editor closing
    // saves all of it, a load opens its own file after it. One whose file is still being read is
    // dropped: the contour before stays.
    void anOpenUnderWayEnds_data()
    {
        QTest::addColumn<bool>("halfway");   // else while the file is read
        QTest::addColumn<bool>("close");     // else a load of another file
        QTest::newRow("closed halfway") << true << true;
        QTest::newRow("load halfway") << true << false;
        QTest::newRow("closed while read") << false << true;
        QTest::newRow("load while read") << false << false;
    }
    void anOpenUnderWayEnds()
    {
        QFETCH(bool, halfway);
        QFETCH(bool, close);
        const int points = 3 * CONTOUR::kOpenRowsPerTurn;
        const ContourSnapshot seam = ContourSamples::longSeam(points, CONTOUR::kOpenRowsPerTurn);
        QDir().mkpath(CONTOUR::contourFolder());
        writeFile(contourFile(QStringLiteral("шов1")), ContourFile::write(QStringLiteral("шов1"), seam));
        writeFile(contourFile(QStringLiteral("before")),
                  ContourFile::write(QStringLiteral("before"), ContourSamples::linear()));
        CONTOUR want;
        want.load(QStringLiteral("before"), CONTOUR::contourDir() + QStringLiteral("before"));
        CONTOUR opened;
        opened.load(QStringLiteral("шов1"), CONTOUR::contourDir() + QStringLiteral("шов1"));
        {
            CONTOUR c;
            c.load(QStringLiteral("before"), CONTOUR::contourDir() + QStringLiteral("before"));
            c.openContour(QStringLiteral("шов1"), CONTOUR::contourDir() + QStringLiteral("шов1"));
            if (halfway) {
                QVERIFY(turnUntil([&] {
                    return c.twContour->rowCount() > CONTOUR::kOpenRowsPerTurn && c.twContour->rowCount() < points;
                }));
            } else {
                QVERIFY(c.opening() && c.twContour->rowCount() == want.twContour->rowCount());
            }
            if (!close) {
                c.load(QStringLiteral("before"), CONTOUR::contourDir() + QStringLiteral("before"));
                QVERIFY(!c.opening());
                compareTables(c, want);
                // Nothing of the open comes after.
                QTest::qWait(50);
                compareTables(c, want);
                return;
            }
        }
        const ContourFile::Contents saved = ContourFile::read(readFile(contourFile(QStringLiteral("contour"))));
        const ContourSnapshot kept = (halfway ? opened : want).snapshot();
        QCOMPARE(saved.snapshot.points, kept.points);
        QVERIFY(saved.snapshot.tech == kept.tech);
    }

    void autoloadAndAutosave()
    {
        {
            CONTOUR c;   // no file: no scheme, nothing written at the end
            QVERIFY(!c.hasSchema());
        }
        QVERIFY(!QFile::exists(contourFile(QStringLiteral("contour"))));

        QDir().mkpath(CONTOUR::contourFolder());
        writeFile(contourFile(QStringLiteral("contour")),
                  ContourFile::write(QStringLiteral("шов1"), ContourSamples::circular()));
        {
            CONTOUR c;
            QCOMPARE(c.schemaD(), 100.0f);
            QCOMPARE(c.twContour->rowCount(), 4);
            QVERIFY(!c.frmRotate->isHidden());
            QCOMPARE(c.plane->text(), QStringLiteral("XZ"));
            c.addComment(QStringLiteral("добавлено"));
        }
        // The destructor wrote the program back as "contour", into the test's own folder.
        const ContourFile::Contents saved = ContourFile::read(readFile(contourFile(QStringLiteral("contour"))));
        QVERIFY(saved.complete);
        QCOMPARE(saved.name, QStringLiteral("contour"));
        QCOMPARE(saved.snapshot.tech.at(5).comment, QStringLiteral("добавлено"));
        QVERIFY(CONTOUR::contourFolder().startsWith(TestEnv::root()));
    }

    // A last contour far beyond what the editor holds (a damaged or foreign file of a million
    // points) does not hold up the window: the editor reads it up to its bounds, within a bounded
    // time of the GUI thread, says so, and keeps the whole file beside it before it writes over
    // it; so it does with a file beyond its 8 MB whose program fits.
    void contourFileBeyondTheBounds()
    {
        QDir().mkpath(CONTOUR::contourFolder());
        writeFile(contourFile(QStringLiteral("contour")),
                  "x\nXYZ\n-1 0 0\n0 -1\n0 1\n600\n1000000\n" + QByteArray("1.00 2.00 3.00 1 0 0 0 \n").repeated(1000000));
        const qint64 start = threadCpuNs();
        std::unique_ptr<CONTOUR> c = std::make_unique<CONTOUR>();
        const qint64 ms = (threadCpuNs() - start) / 1000000;
        // A sanitizer build on a loaded machine has taken a second; reading the whole file into the
        // tables would take many times that.
        QVERIFY2(ms < 2500, qPrintable(QString::number(ms)));
        QCOMPARE(c->twContour->rowCount(), 10000);
        QCOMPARE(c->twTechTab->rowCount(), 2);

        QSignalSpy messages(c.get(), &CONTOUR::message);
        c->load(QStringLiteral("contour"), CONTOUR::contourDir() + QStringLiteral("contour"));
        QCOMPARE(texts(messages), QStringList{"[W]Файл contour.save больше, чем вмещает редактор (точек контура 1000000, "
                                              "редактор вмещает не более 10000): загружена только его часть"});
        // The first save over it keeps the whole file beside it.
        const QByteArray original = readFile(contourFile(QStringLiteral("contour")));
        c->save(QStringLiteral("contour"), CONTOUR::contourDir() + QStringLiteral("contour"), false);
        QCOMPARE(readFile(contourFile(QStringLiteral("contour")) + QStringLiteral(".damaged")), original);
        QCOMPARE(ContourFile::read(readFile(contourFile(QStringLiteral("contour")))).snapshot.points.size(), 10000);

        messages.clear();
        writeFile(contourFile(QStringLiteral("long")), ContourFile::write(QStringLiteral("long"), ContourSamples::circular()) +
                                                          QByteArray(9 << 20, '\n'));
        c->load(QStringLiteral("long"), CONTOUR::contourDir() + QStringLiteral("long"));
        QCOMPARE(c->twContour->rowCount(), 4);
        QCOMPARE(texts(messages), QStringList{"[W]Файл long.save больше, чем вмещает редактор (файл больше 8 МБ): "
                                              "загружена только его часть"});
    }

    // The last contour, loaded while the main window is being built: what its loading says reaches
    // the operator log and the log list once the window has started. A file loaded only in part is
    // kept beside itself before the autosave at exit writes over it, and the operator is told where.
    void lastContourDamaged_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("saved");    // the autosave writes the file (a contour was loaded)
        ContourSnapshot s = ContourSamples::linear();
        s.points.clear();
        for (int i = 0; i < 5; ++i)
            s.points << ContourPoint{{float(10 * i), 0, 0}, {SegmentParams::Line, 0, 0, 0}};
        const QByteArray whole = ContourFile::write(QStringLiteral("шов"), s);
        QTest::newRow("cut in its third point")
            << whole.left(whole.indexOf("20.00 0.00") + 7) << "[W]Файл contour.save повреждён или обрезан: загружена только его читаемая часть"
            << 2 << true;
        QTest::newRow("not a contour") << QByteArray("это не контур\n")
                                       << "[W]Файл contour.save не является файлом контура: контур не загружен" << 0
                                       << false;
    }
    void lastContourDamaged()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, warning);
        QFETCH(int, rows);
        QFETCH(bool, saved);
        EditorConsole console;
        QDir().mkpath(CONTOUR::contourFolder());
        writeFile(contourFile(QStringLiteral("contour")), bytes);
        QVERIFY(console.start());
        QCOMPARE(console.contour()->twContour->rowCount(), rows);
        OperatorLines log(console.gui()->operatorLog().fileName());
        QVERIFY2(log.all().contains(warning), qPrintable(log.all().join(QLatin1Char('\n'))));
        QVERIFY(!console.gui()->lwLog->findItems(warning.mid(3), Qt::MatchEndsWith).isEmpty());

        console.closeConsole();
        const QString kept = contourFile(QStringLiteral("contour")) + QStringLiteral(".damaged");
        if (!saved) {
            QCOMPARE(readFile(contourFile(QStringLiteral("contour"))), bytes);
            QVERIFY(!QFile::exists(kept));
            return;
        }
        QCOMPARE(readFile(kept), bytes);
        QCOMPARE(ContourFile::read(readFile(contourFile(QStringLiteral("contour")))).snapshot.points.size(), rows);
        QVERIFY(log.all().contains(QStringLiteral(
            "[W]Файл contour.save был прочитан не полностью: прежнее содержимое сохранено в файле contour.save.damaged")));
    }

    // Any save over a file loaded in part keeps it first, the first save only, never over an
    // earlier copy; a file that is no contour at all is kept too; a whole file is simply replaced.
    void damagedFileKeptBeforeTheFirstSave()
    {
        QDir().mkpath(CONTOUR::contourFolder());
        const QByteArray whole = ContourFile::write(QStringLiteral("шов1"), ContourSamples::linear());
        const QByteArray cut = whole.left(whole.indexOf("30.00"));
        writeFile(contourFile(QStringLiteral("cut")), cut);
        writeFile(contourFile(QStringLiteral("cut")) + QStringLiteral(".damaged"), "older");
        writeFile(contourFile(QStringLiteral("junk")), "junk");
        writeFile(contourFile(QStringLiteral("whole")), whole);
        const auto path = [](const char* name) { return CONTOUR::contourDir() + QLatin1String(name); };

        CONTOUR c;
        QSignalSpy messages(&c, &CONTOUR::message);
        c.load(QStringLiteral("cut"), path("cut"));
        c.load(QStringLiteral("junk"), path("junk"));
        QCOMPARE(c.twContour->rowCount(), 1);
        messages.clear();
        c.save(QStringLiteral("cut"), path("cut"), true);
        c.save(QStringLiteral("cut"), path("cut"), true);
        c.save(QStringLiteral("junk"), path("junk"), false);
        QCOMPARE(texts(messages).filter(QStringLiteral("[W]")),
                 (QStringList{"[W]Файл cut.save был прочитан не полностью: прежнее содержимое сохранено в файле cut.save.damaged.2",
                              "[W]Файл junk.save был прочитан не полностью: прежнее содержимое сохранено в файле junk.save.damaged"}));
        QCOMPARE(readFile(contourFile(QStringLiteral("cut")) + QStringLiteral(".damaged")), QByteArray("older"));
        QCOMPARE(readFile(contourFile(QStringLiteral("cut")) + QStringLiteral(".damaged.2")), cut);
        QCOMPARE(readFile(contourFile(QStringLiteral("junk")) + QStringLiteral(".damaged")), QByteArray("junk"));
        QVERIFY(ContourFile::read(readFile(contourFile(QStringLiteral("cut")))).complete);

        c.load(QStringLiteral("whole"), path("whole"));
        c.save(QStringLiteral("whole"), path("whole"), false);
        QCOMPARE(QDir(CONTOUR::contourFolder()).entryList({QStringLiteral("whole*")}, QDir::Files),
                 QStringList{"whole.save"});
    }

    // A disk that takes no more data: neither the save button's file nor the autosave at exit is
    // left empty or cut; each keeps the file it had, and says it was not saved.
    void fullDiskKeepsTheContours_data()
    {
        FullDisk::addColumn();
        FullDisk::addRows();
    }
    void fullDiskKeepsTheContours()
    {
        QFETCH(int, disk);
        FullDisk full(FullDisk::Kind(disk), CONTOUR::contourFolder());
        if (!full.unavailable().isEmpty())
            QSKIP(qPrintable(full.unavailable()));
        const QByteArray weld = ContourFile::write(QStringLiteral("шов1"), ContourSamples::linear());
        const QByteArray last = ContourFile::write(QStringLiteral("contour"), ContourSamples::circular());
        writeFile(contourFile(QStringLiteral("weld")), weld);
        writeFile(contourFile(QStringLiteral("contour")), last);
        // The settings written at exit are not this test's.
        SettingsFile::setReporter([](const QString&) {});
        const auto noReporter = qScopeGuard([] { SettingsFile::setReporter({}); });
        QStringList lines;
        {
            CONTOUR c;
            QCOMPARE(c.twContour->rowCount(), ContourSamples::circular().points.size());
            QObject::connect(&c, &CONTOUR::message, [&lines](const QString& text, bool) { lines << text; });
            full.fill();
            c.save(QStringLiteral("weld"), CONTOUR::contourDir() + QStringLiteral("weld"), true);
        }
        full.free();
        QCOMPARE(lines, (QStringList{"[W]Контур не сохранён: не удалось записать файл weld.save",
                                     "[W]Контур не сохранён: не удалось записать файл contour.save"}));
        QCOMPARE(readFile(contourFile(QStringLiteral("weld"))), weld);
        QCOMPARE(readFile(contourFile(QStringLiteral("contour"))), last);
    }

    // A stored speed that is no finite number, or does not fit an int (a damaged or hand-edited
    // file), reads as 0 and is written back as the editor shows it.
    void storedSpeedsThatAreNoWholeNumber_data()
    {
        QTest::addColumn<QString>("stored");
        for (const char* text : {"1e300", "nan", "-inf", "2147483648"})
            QTest::newRow(text) << QString::fromLatin1(text);
    }
    void storedSpeedsThatAreNoWholeNumber()
    {
        QFETCH(QString, stored);
        const QStringList keys{QStringLiteral("Contour/contourSpeed"), QStringLiteral("Contour/weldSpeed")};
        {
            std::unique_ptr<QSettings> settings = SettingsFile::open();
            for (const QString& key : keys)
                settings->setValue(key, stored);
        }
        {
            CONTOUR c;
            QCOMPARE(c.contourSpeed->value(), 0.0f);
            QCOMPARE(c.weldSpeed->value(), 0.0f);
        }
        std::unique_ptr<QSettings> settings = SettingsFile::open();
        for (const QString& key : keys)
            QCOMPARE(settings->value(key).toFloat(), 0.0f);
    }

    void settingsRoundTrip()
    {
        {
            std::unique_ptr<QSettings> settings = SettingsFile::open();
            settings->setValue(QStringLiteral("Contour/FocusOn"), true);
            settings->setValue(QStringLiteral("Contour/Width_If"), 150);
            settings->setValue(QStringLiteral("Contour/Width_Rate"), 120);
            settings->setValue(QStringLiteral("Contour/weldSpeed"), 1234.6);
            settings->setValue(QStringLiteral("Contour/Tab"), 2);
            settings->setValue(QStringLiteral("Contour/If"), 650.5);
        }
        {
            CONTOUR c;
            QVERIFY(!c.twTechTab->isColumnHidden(2));
            QCOMPARE(c.twTechTab->columnWidth(2), 80);
            QCOMPARE(c.twTechTab->columnWidth(5), 120);
            QVERIFY(c.twTechTab->isColumnHidden(3) && c.twTechTab->isColumnHidden(4));
            QCOMPARE(c.weldSpeed->value(), 1235.0f);
            QCOMPARE(c.currentIndex(), 2);
            QCOMPARE(c.nrings->text(), QStringLiteral("1"));
            c.contourSpeed->setValue(2500.5f, 0);
            c.setCurrentIndex(1);
            c.init(new SchemaXYZ);
            QCOMPARE(cell(c.twTechTab, 0, 2), QStringLiteral("651"));
            c.setTechSettings(true, false, true, false, 700, 1.5f, 0, -1, -1);
            QVERIFY(c.twTechTab->isColumnHidden(2));
            QCOMPARE(cell(c.twTechTab, 0, 2), QStringLiteral("651"));   // hidden cells keep their values
            QCOMPARE(cell(c.twTechTab, 1, 3), QStringLiteral("1.5"));
            QCOMPARE(c.twTechTab->item(1, 3)->background(), c.twTechTab->palette().brush(QPalette::AlternateBase));
            c.twContour->setColumnWidth(2, 77);
        }
        std::unique_ptr<QSettings> settings = SettingsFile::open();
        QCOMPARE(settings->value(QStringLiteral("Contour/Tab")).toInt(), 1);
        QCOMPARE(settings->value(QStringLiteral("Contour/contourSpeed")).toFloat(), 2500.5f);
        QCOMPARE(settings->value(QStringLiteral("Contour/FocusOn")).toBool(), false);
        QCOMPARE(settings->value(QStringLiteral("Contour/YokeXOn")).toBool(), true);
        QCOMPARE(settings->value(QStringLiteral("Contour/Ix")).toFloat(), 1.5f);
        QCOMPARE(settings->value(QStringLiteral("Contour/Width_LXLYZ_Z")).toInt(), 77);
        QVERIFY(!settings->contains(QStringLiteral("Contour/Width_LXLYZ_Параметры")));
    }
};

POKAVRO_TEST_MAIN(TestContour)
#include "tst_contour.moc"
