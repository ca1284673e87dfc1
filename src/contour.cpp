#include "contour.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QMouseEvent>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "contourcells.h"
#include "contourfile.h"
#include "contourgeometry.h"
#include "contourparams.h"
#include "drivecomm.h"
#include "filemanager.h"
#include "fixedpaths.h"
#include "gui.h"
#include "programpage.h"
#include "settingsfile.h"
#include "trsel.h"
#include "wholefile.h"

using namespace ContourCells;

namespace {

constexpr int kShownColumnWidth = 80;
constexpr int kDefaultAxisWidth = 100;
// A point of a circular contour lies on its circle of diameter D when it is no farther from it
// than this, mm: taught points scatter some tenths about the circle they give, more on a larger
// one (1 % of the radius, at least 0.5 mm).
float onCircleTolerance(float D)
{
    return std::max(0.01f * 0.5f * D, 0.5f);
}
// The most technology rows that one add-contour-point may insert.
constexpr int kMaxAddedRows = 1000;
const char* const kTechWidthKeys[kTechColumns] = {"S", "Ir", "If", "Ix", "Iy", "Rate", "TR"};

}  // namespace

const QString CONTOUR::s_prgDir = QStringLiteral("/programs/");
const QString CONTOUR::s_contourDir = QStringLiteral("contours/");
const QString CONTOUR::s_passportsDir = QStringLiteral("/home/oper/bin/passports/");

QString CONTOUR::contourDir()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + s_contourDir;
}

QString CONTOUR::contourFolder()
{
    return FixedPaths::local(contourDir());
}

// ---- construction -----------------------------------------------------------------------------

CONTOUR::CONTOUR(QWidget* parent) : QTabWidget(parent), m_gui(qobject_cast<Gui*>(parent))
{
    setupUi(this);
    m_pages[0] = new ProgramPage(teGcode);
    m_pages[1] = new ProgramPage(teGcode_2);
    m_pages[2] = new ProgramPage(teGcode_3);
    // The main window builds its drive link before its form, so the link exists here.
    if (m_gui) {
        connect(m_gui->drives(), &DriveTCPthread::changedPointNo, this, &CONTOUR::onChangedPointNo);
        connect(m_gui->drives(), &DriveTCPthread::disconnected, this, &CONTOUR::onDriveLinkLost);
    }
    connect(twContour, &QTableWidget::currentCellChanged, this, &CONTOUR::onContourCurrentCellChanged);
    // The highlighted contour row is the current point, which the controller's point number and
    // the editor's commands move. The pointer moves nothing: a tap on a row asks for the go-to,
    // a finger sliding over the rows (or the row numbers) selects none of them on its way.
    twContour->viewport()->installEventFilter(this);
    twContour->verticalHeader()->setSectionsClickable(false);
    connect(twTechTab, &QTableWidget::currentCellChanged, this, &CONTOUR::onTechTabCurrentCellChanged);
    connect(twTechTab, &QTableWidget::cellClicked, this, &CONTOUR::onTechTabCellClicked);
    setUpStart();
    m_openTurn = new QTimer(this);
    m_openTurn->setSingleShot(true);
    m_openTurn->setInterval(0);
    connect(m_openTurn, &QTimer::timeout, this, &CONTOUR::openMore);

    loadIni();
    nrings->setValue(1, 0);
    showCurrentColumns();
    frmRotate->hide();
    updateGcode();
    updateTechTab();
    // The main window hears the editor only once it has started: until then its lines wait.
    const QMetaObject::Connection hold = connect(this, &CONTOUR::message, this, [this](const QString& text, bool show) {
        if (!m_started)
            m_startMessages.append({text, show});
    });
    load(QStringLiteral("contour"), contourDir() + QStringLiteral("contour"));
    disconnect(hold);
}

void CONTOUR::onSystemStarted()
{
    if (m_started)
        return;
    m_started = true;
    const QList<QPair<QString, bool>> lines = std::exchange(m_startMessages, {});
    for (const auto& line : lines)
        emit message(line.first, line.second);
}

CONTOUR::~CONTOUR()
{
    abandonGeneration({});
    // A contour being opened is the one saved.
    finishOpening();
    // A passport still being written ends here, saying what of it is missing.
    if (m_ppf.isOpen())
        endPassport();
    save(QStringLiteral("contour"), contourDir() + QStringLiteral("contour"), false);
    saveIni();
    delete m_schema;
    m_schema = nullptr;
}

bool CONTOUR::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != twContour->viewport())
        return QTabWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        m_touchedCell = mouse->button() == Qt::LeftButton ? QPersistentModelIndex(twContour->indexAt(mouse->pos()))
                                                          : QPersistentModelIndex();
        return true;
    }
    case QEvent::MouseMove:
        return true;
    case QEvent::MouseButtonRelease: {
        // A tap: pressed and released on the same cell.
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const QPersistentModelIndex touched = std::exchange(m_touchedCell, QPersistentModelIndex());
        const QModelIndex released = twContour->indexAt(mouse->pos());
        if (mouse->button() == Qt::LeftButton && touched.isValid() && touched == released)
            onContourCellClicked(released.row(), released.column());
        return true;
    }
    default:
        return false;
    }
}

// ---- the program as a value -------------------------------------------------------------------

float CONTOUR::cellValue(const QTableWidget* table, int row, int column) const
{
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().toFloat() : 0.0f;
}

TechRow CONTOUR::techRow(int row) const
{
    TechRow t;
    t.on = isOn(row);
    if (isComment(row)) {
        t.kind = TechRow::Comment;
        const QTableWidgetItem* item = twTechTab->item(row, 0);
        t.comment = item ? item->text() : QString();
        return t;
    }
    t.path = cellValue(twTechTab, row, kPathColumn);
    t.Ir = cellValue(twTechTab, row, kIrColumn);
    t.If = cellValue(twTechTab, row, kIfColumn);
    t.Ix = cellValue(twTechTab, row, kIxColumn);
    t.Iy = cellValue(twTechTab, row, kIyColumn);
    t.speed = cellValue(twTechTab, row, kSpeedColumn);
    const QTableWidgetItem* sweep = twTechTab->item(row, kSweepColumn);
    const QString text = sweep ? sweep->text() : QString();
    if (text.isEmpty()) {
        t.sweep = TechRow::SweepNone;
    } else if (text == TRSelect::OffText) {
        t.sweep = TechRow::SweepOff;
    } else {
        t.sweep = TechRow::SweepSet;
        t.raster = TRSelect::fromItem(*sweep);
    }
    return t;
}

QList<TechRow> CONTOUR::techRows() const
{
    QList<TechRow> rows;
    rows.reserve(twTechTab->rowCount());
    for (int row = 0; row < twTechTab->rowCount(); ++row)
        rows << techRow(row);
    return rows;
}

ContourSnapshot CONTOUR::snapshot() const
{
    ContourSnapshot s = contourSnapshot();
    s.tech = techRows();
    return s;
}

ContourSnapshot CONTOUR::contourSnapshot() const
{
    ContourSnapshot s;
    if (m_schema)
        s.schema.reset(m_schema->clone());
    const bool linear = linearScheme();
    for (int row = 0; row < twContour->rowCount(); ++row) {
        ContourPoint point;
        point.coords = coords(row);
        const QTableWidgetItem* seg = linear ? twContour->item(row, twContour->columnCount() - 1) : nullptr;
        if (seg) {
            point.segment.type = seg->data(RoleSegmentType).toInt();
            point.segment.radius = seg->data(RoleSegmentRadius).toFloat();
            point.segment.direction = seg->data(RoleSegmentDirection).toInt();
            point.segment.plane = seg->data(RoleSegmentPlane).toInt();
        }
        s.points << point;
    }
    s.ring = m_ring;
    s.closeDirect = m_closeDirect;
    s.inverted = m_inverted;
    s.centerX = m_centerX;
    s.centerY = m_centerY;
    s.passLength = length->value();
    s.passes = nrings->value();
    s.pointCount = points->value();
    s.weldSpeed = weldSpeed->value();
    s.contourSpeed = contourSpeed->value();
    s.testMove = m_testMove;
    s.focusOn = m_focusOn;
    s.yokeXOn = m_yokeXOn;
    s.yokeYOn = m_yokeYOn;
    s.If = m_If;
    s.Ix = m_Ix;
    s.Iy = m_Iy;
    return s;
}

void CONTOUR::warn(const QString& text)
{
    emit message(QStringLiteral("[W]") + text, true);
}

// ---- contour table ------------------------------------------------------------------------------

QString CONTOUR::widthKey(const QString& axis) const
{
    return QStringLiteral("Contour/Width_") + m_schema->axisNames().join(QString()) + QLatin1Char('_') + axis;
}

void CONTOUR::saveContourWidths()
{
    if (!m_schema)
        return;
    std::unique_ptr<QSettings> settings = SettingsFile::open();
    const QStringList& names = m_schema->axisNames();
    // Only a width the file does not hold yet is written: rewriting the file on every new or
    // loaded contour would make each of them wait for the disk.
    for (int i = 0; i < names.size() && i < twContour->columnCount(); ++i) {
        if (settings->value(widthKey(names.at(i))) != twContour->columnWidth(i))
            settings->setValue(widthKey(names.at(i)), twContour->columnWidth(i));
    }
}

void CONTOUR::init(Schema* schema)
{
    if (!schema)
        return;
    // A start generated for the contour before is no start of this one.
    abandonGeneration({});
    saveContourWidths();
    delete m_schema;
    m_schema = nullptr;

    twContour->clear();
    twContour->setColumnCount(0);
    twContour->setRowCount(0);
    twContour->horizontalHeader()->setAutoFillBackground(false);

    twTechTab->clearSpans();
    twTechTab->setRowCount(0);
    twTechTab->setRowCount(2);
    for (int row = 0; row < 2; ++row) {
        writeTechPoint(row, 0, 0, weldSpeed->value());
        markEndRows(row);
    }

    m_schema = schema;
    lblConsts->setText(m_schema->header());

    const QStringList& names = m_schema->axisNames();
    const bool linear = linearScheme();
    twContour->setColumnCount(names.size() + (linear ? 1 : 0));
    QStringList headers = names;
    if (linear)
        headers << QStringLiteral("Параметры");
    twContour->setHorizontalHeaderLabels(headers);
    std::unique_ptr<QSettings> settings = SettingsFile::open();
    for (int i = 0; i < names.size(); ++i)
        twContour->setColumnWidth(i, settings->value(widthKey(names.at(i)), kDefaultAxisWidth).toInt());
    twContour->horizontalHeader()->setStretchLastSection(linear);

    m_currentPoint = -1;
    m_forward = true;
    m_ring = false;
    m_inverted = false;
    // A stopped run of another contour cannot be continued.
    forgetRun();

    // The insert button keeps its own rule: it inserts the axes' position, which only counts
    // while the drives report it.
    updateIns();
    updateProgramCommands();

    updateLength();
    updateTechTab();
    updateValidDistance();
    updateGcode();
}

void CONTOUR::addPoint(const QList<float>& point)
{
    if (point.size() != twContour->columnCount()) {
        warn(QStringLiteral("Точка не добавлена: %1 координат(ы) при %2 столбцах контура")
                 .arg(point.size())
                 .arg(twContour->columnCount()));
        return;
    }
    const int row = twContour->rowCount();
    twContour->insertRow(row);
    for (int i = 0; i < point.size(); ++i)
        twContour->setItem(row, i, textItem(fixed(point.at(i), 2)));
}

void CONTOUR::movePoint(int row, const QList<float>& delta)
{
    if (row < 0 || row >= twContour->rowCount()) {
        warn(QStringLiteral("Точка %1 не сдвинута: в контуре нет такой точки").arg(row + 1));
        return;
    }
    const int columns = linearScheme() ? twContour->columnCount() - 1 : twContour->columnCount();
    for (int i = 0; i < delta.size() && i < columns; ++i) {
        float value = cellValue(twContour, row, i) + delta.at(i);
        if (i == 0 && m_schema && m_schema->circle()) {
            if (value < 0)
                value += 360;
            else if (value > 360)
                value -= 360;
        }
        twContour->setItem(row, i, textItem(fixed(value, 2)));
    }
}

QList<float> CONTOUR::coords() const
{
    QList<float> out;
    if (!m_schema)
        return out;
    for (const QString& name : m_schema->axisNames())
        out << (m_gui ? m_gui->coord(name) : 0.0f);
    return out;
}

QList<float> CONTOUR::coords(int row) const
{
    QList<float> out;
    if (!m_schema || row < 0 || row >= twContour->rowCount())
        return out;
    for (int i = 0; i < m_schema->axisNames().size(); ++i)
        out << cellValue(twContour, row, i);
    return out;
}

void CONTOUR::setColor(QTableWidget* table, int row, const QColor& colour)
{
    for (int column = 0; column < table->columnCount(); ++column) {
        if (QTableWidgetItem* item = table->item(row, column))
            item->setForeground(QBrush(colour));
    }
}

void CONTOUR::paintRow(QTableWidget* table, int row, const QColor& colour)
{
    const QTableWidgetItem* first = table->item(row, 0);
    if (!first || first->foreground().color() != colour)
        setColor(table, row, colour);
}

void CONTOUR::updatePlane(int p)
{
    plane->setText(p == 1 ? QStringLiteral("XZ") : p == 2 ? QStringLiteral("YZ") : QStringLiteral("XY"));
}

void CONTOUR::updateD()
{
    if (!m_schema || !m_schema->rotate() || twContour->rowCount() < 3)
        return;
    ContourGeometry::Circle circle;
    // Points on one line give no circle: the diameter and centre stay as they were.
    if (!ContourGeometry::calcD(contourSnapshot(), &circle) || !(circle.D > 0))
        return;
    centerX->setValue(circle.cx, 2);
    centerY->setValue(circle.cy, 2);
    m_schema->setD(circle.D);
    lblConsts->setText(m_schema->header());
    diameter->setValue(circle.D, 2);
    m_centerX = centerX->value();
    m_centerY = centerY->value();
    updatePlane(m_schema->Aux());
}

void CONTOUR::setSegmentCell(int row, const SegmentParams& segment)
{
    auto* item = textItem(ContourParams::segmentText(segment.type, segment.direction, segment.plane, segment.radius));
    item->setData(RoleSegmentType, segment.type);
    item->setData(RoleSegmentRadius, segment.radius);
    item->setData(RoleSegmentDirection, segment.direction);
    item->setData(RoleSegmentPlane, segment.plane);
    QFont font = item->font();
    font.setPointSize(9);
    item->setFont(font);
    twContour->setItem(row, twContour->columnCount() - 1, item);
}

void CONTOUR::addParameters(int row, int type, int direction, int plane, float radius, bool updateLen)
{
    if (!linearScheme()) {
        warn(QStringLiteral("Параметры кадра задаются только для линейной интерполяции"));
        return;
    }
    if (row < 0 || row >= twContour->rowCount()) {
        warn(QStringLiteral("Параметры кадра %1 не записаны: в контуре нет такой точки").arg(row + 1));
        return;
    }
    setSegmentCell(row, SegmentParams{type, radius, direction, plane});
    if (updateLen)
        updateLength();
}

float CONTOUR::calcDiameter(int row, int plane)
{
    float D = 0;
    if (row < 2 || row >= twContour->rowCount() || plane < 0 || plane > 2) {
        warn(QStringLiteral("Дуга по трём точкам не рассчитана: для кадра %1 нет трёх точек контура").arg(row));
        return 0;
    }
    if (!ContourGeometry::calcDiameter(contourSnapshot(), row, plane, &D))
        warn(QStringLiteral("Дуга по трём точкам не рассчитана: точки %1, %2 и %3 лежат на одной прямой")
                 .arg(row - 1)
                 .arg(row)
                 .arg(row + 1));
    return D;
}

void CONTOUR::recalcPointsForNewDiameter(float oldDiameter, float newDiameter)
{
    if (!m_schema)
        return;
    if (!(oldDiameter > 0) || !(newDiameter > 0) || !(m_schema->D() > 0) || !std::isfinite(oldDiameter) ||
        !std::isfinite(newDiameter) || !std::isfinite(m_schema->D())) {
        warn(QStringLiteral("Точки контура не перенесены на новый диаметр: диаметр должен быть больше 0"));
        return;
    }
    lblConsts->setText(m_schema->header());
    diameter->setValue(newDiameter, 2);
    // The centre is that of the circle through the points; with one or two it is not known, and
    // the points would be moved about a centre they do not lie around.
    const int rows = twContour->rowCount();
    if (rows > 0 && rows < 3) {
        warn(QStringLiteral("Точки контура не перенесены на новый диаметр: центр окружности не известен "
                            "(нужны не менее трёх точек контура)"));
        return;
    }
    const ContourSnapshot s = contourSnapshot();
    const int off = ContourGeometry::pointOffCircle(s, oldDiameter, onCircleTolerance(oldDiameter));
    if (off >= 0) {
        // Three points and more give the circle its diameter: with the points where they are, the
        // old one stays, or the arcs and the length would no longer go through them.
        m_schema->setD(oldDiameter);
        lblConsts->setText(m_schema->header());
        diameter->setValue(oldDiameter, 2);
        afterContourEdit();
        warn(QStringLiteral("Диаметр не изменён, точки контура не перенесены: точка %1 не лежит на окружности "
                            "диаметром %2 мм")
                 .arg(off + 1)
                 .arg(double(oldDiameter), 0, 'f', 2));
        return;
    }
    const QList<QList<float>> moved = ContourGeometry::pointsOnNewCircle(s, oldDiameter);
    for (int row = 0; row < moved.size() && row < twContour->rowCount(); ++row) {
        for (int i = 0; i < m_schema->axisNames().size() && i < moved.at(row).size(); ++i)
            twContour->setItem(row, i, textItem(fixed(moved.at(row).at(i), 2)));
    }
    afterContourEdit();
}

// ---- geometry shown on the screen --------------------------------------------------------------

float CONTOUR::prevDistance(int row) const
{
    int r = row - 1;
    while (r > 0 && isComment(r))
        --r;
    return cellValue(twTechTab, r, kPathColumn);
}

void CONTOUR::updateLength()
{
    lblLength->setText(m_ring ? QStringLiteral("Длина прохода,\nмм") : QStringLiteral("Длина шва,\nмм"));
    const ContourGeometry::Lengths lengths = ContourGeometry::updateLength(contourSnapshot());
    for (int row = 0; row < lengths.rowValid.size(); ++row)
        paintRow(twContour, row, lengths.rowValid.at(row) ? Qt::black : Qt::red);
    length->setValue(lengths.pass, 2);
    const int end = twTechTab->rowCount() - 1;
    if (QTableWidgetItem* item = end >= 0 ? twTechTab->item(end, kPathColumn) : nullptr)
        item->setText(fixed(lengths.seam, 2));
}

// ---- technology table --------------------------------------------------------------------------

bool CONTOUR::isComment(int row) const
{
    return twTechTab->columnSpan(row, 0) > 1;
}

bool CONTOUR::isOn(int row) const
{
    const QTableWidgetItem* item = twTechTab->item(row, 0);
    return item && item->data(RoleOn).toBool();
}

bool CONTOUR::isStop(int row) const
{
    const QTableWidgetItem* item = twTechTab->item(row, 0);
    return item && item->text() == techStopText();
}

void CONTOUR::setTechCell(int row, int column, float value, int decimals)
{
    twTechTab->setItem(row, column, textItem(fixed(value, decimals)));
}

// The start and end rows: the path in bold italic, every cell on the alternate base colour.
void CONTOUR::markEndRows(int row)
{
    const QBrush background = twTechTab->palette().brush(QPalette::AlternateBase);
    for (int column = 0; column < kTechColumns; ++column) {
        if (QTableWidgetItem* item = twTechTab->item(row, column))
            item->setBackground(background);
    }
    if (QTableWidgetItem* item = twTechTab->item(row, kPathColumn)) {
        QFont font = item->font();
        font.setWeight(75);
        font.setItalic(true);
        item->setFont(font);
    }
}

// A data row, switched on, with the default currents and an empty sweep, written into `row`.
void CONTOUR::writeTechPoint(int row, float path, float IrVal, float speed)
{
    setTechCell(row, kPathColumn, path, 2);
    twTechTab->item(row, kPathColumn)->setData(RoleOn, true);
    setTechCell(row, kIrColumn, IrVal, 1);
    setTechCell(row, kIfColumn, m_If, 0);
    setTechCell(row, kIxColumn, m_Ix, 1);
    setTechCell(row, kIyColumn, m_Iy, 1);
    setTechCell(row, kSpeedColumn, speed, 1);
    twTechTab->setItem(row, kSweepColumn, textItem(QString()));
}

void CONTOUR::insertTechPoint(int row, float path, float IrVal, float speed)
{
    twTechTab->insertRow(row);
    writeTechPoint(row, path, IrVal, speed);
}

bool CONTOUR::techTableReady(const QString& notAdded, int rows)
{
    if (!m_schema || twTechTab->rowCount() < 2) {
        warn(notAdded + QStringLiteral(": нет контура (создайте или загрузите контур)"));
        return false;
    }
    if (twTechTab->rowCount() + rows > ContourLimits::kMaxTechRows) {
        warn(notAdded + QStringLiteral(": в технологической таблице %1 строк, редактор вмещает не более %2")
                            .arg(twTechTab->rowCount())
                            .arg(ContourLimits::kMaxTechRows));
        return false;
    }
    return true;
}

bool CONTOUR::techValuesValid(const char* what, float path, float IrVal)
{
    if (!(IrVal >= 0 && IrVal <= kMaxBeamCurrent)) {
        warn(QStringLiteral("%1 не добавлена: ток луча %2 мА вне пределов 0..800 мА")
                 .arg(QString::fromUtf8(what), fixed(IrVal, 1)));
        return false;
    }
    if (!(path >= 0) || !std::isfinite(path)) {
        warn(QStringLiteral("%1 не добавлена: путь %2 мм меньше 0").arg(QString::fromUtf8(what), fixed(path, 2)));
        return false;
    }
    return true;
}

void CONTOUR::afterTechPointInserted()
{
    updateTechTab();
    updateValidDistance();
    updateGcode();
}

void CONTOUR::addComment(const QString& text)
{
    if (!techTableReady(QStringLiteral("Строка комментария не добавлена")))
        return;
    const int row = twTechTab->rowCount() - 1;
    twTechTab->insertRow(row);
    setCommentRow(row, text);
}

void CONTOUR::setCommentRow(int row, const QString& text)
{
    twTechTab->setSpan(row, 0, 1, kTechColumns);
    auto* item = textItem(text);
    item->setData(RoleOn, false);
    item->setBackground(QColor(160, 160, 160));
    item->setTextAlignment(Qt::AlignJustify);
    twTechTab->setItem(row, 0, item);
}

bool CONTOUR::insertInterval(float interval, float IrVal, float speed)
{
    const int row = twTechTab->rowCount() - 1;
    if (!(interval >= 0)) {
        warn(QStringLiteral("Технологическая точка не добавлена: интервал %1 мм меньше 0").arg(fixed(interval, 2)));
        return false;
    }
    const float path = prevDistance(row) + interval;
    if (!techValuesValid("Технологическая точка", path, IrVal))
        return false;
    insertTechPoint(row, path, IrVal, speed);
    return true;
}

bool CONTOUR::insertTack(float path, float IrVal, float speed)
{
    if (!techValuesValid("Прихватка", path, IrVal))
        return false;
    insertTechPoint(twTechTab->rowCount() - 1, path, IrVal, speed);
    return true;
}

void CONTOUR::addTechPoint(float interval, float IrVal, float speed)
{
    if (techTableReady(QStringLiteral("Технологическая точка не добавлена")) && insertInterval(interval, IrVal, speed))
        afterTechPointInserted();
}

void CONTOUR::addLinearTackPoint(float path, float IrVal, float speed)
{
    if (techTableReady(QStringLiteral("Прихватка не добавлена")) && insertTack(path, IrVal, speed))
        afterTechPointInserted();
}

void CONTOUR::addRows(const QList<TemplateRow>& rows)
{
    if (rows.isEmpty() || !techTableReady(QStringLiteral("Строки шаблона не добавлены"), rows.size()))
        return;
    bool inserted = false;
    for (const TemplateRow& row : rows) {
        switch (row.kind) {
        case TemplateRow::Comment:
            addComment(row.text);
            break;
        case TemplateRow::Interval:
            inserted = insertInterval(row.value, row.current, row.speed) || inserted;
            break;
        case TemplateRow::Path:
            inserted = insertTack(row.value, row.current, row.speed) || inserted;
            break;
        }
    }
    // One check for the whole template: a faulty table is one alarm, not one a row.
    if (inserted)
        afterTechPointInserted();
}

// Above the first row whose path is not shorter; under the start row when there is none.
// `paths`, when given, is the path column as the cells read (kept in step here): rows placed one
// after another then read the table once, not once a row. The path is compared as its cell will
// show it (two decimals), as the others are read: a point at the end of the seam lands above the
// end row, whichever way its path rounds.
void CONTOUR::insertAtPath(float path, QVector<float>* paths)
{
    const float shown = fixed(path, 2).toFloat();
    const int rows = twTechTab->rowCount();
    int row = 1;
    for (int r = 1; r < rows; ++r) {
        if ((paths ? paths->value(r) : cellValue(twTechTab, r, kPathColumn)) >= shown) {
            row = r;
            break;
        }
    }
    insertTechPoint(row, path, 0, weldSpeed->value());
    if (paths)
        paths->insert(row, cellValue(twTechTab, row, kPathColumn));
}

void CONTOUR::addPointToTech(float path)
{
    if (!techTableReady(QStringLiteral("Технологическая точка не добавлена")))
        return;
    insertAtPath(path);
    afterTechPointInserted();
}

void CONTOUR::addContourPoint(bool allPoints, bool allRotate, int point, int rotate)
{
    if (!techTableReady(QStringLiteral("Технологическая точка не добавлена")))
        return;
    const float L = length->value();
    const int P = int(points->value());
    const int N = int(nrings->value());
    if (rotate > nrings->value() || (!allRotate && rotate < 1)) {
        warn(QStringLiteral("Точки контура не добавлены: прохода %1 нет (проходов %2)").arg(rotate).arg(N));
        return;
    }
    if (!allPoints && (point < 1 || point > twContour->rowCount())) {
        warn(QStringLiteral("Точки контура не добавлены: точки %1 нет в контуре").arg(point));
        return;
    }
    // Each row is one more line of the beam program: a pass count mistyped by some digits must
    // not bury the table (and the window) under rows.
    const double count = double(allPoints ? std::max(P, 0) : 1) * double(allRotate ? std::max(N, 0) : 1);
    if (count > kMaxAddedRows) {
        warn(QStringLiteral("Точки контура не добавлены: %1 строк за один раз - слишком много (не более %2)")
                 .arg(count, 0, 'f', 0)
                 .arg(kMaxAddedRows));
        return;
    }
    if (!techTableReady(QStringLiteral("Точки контура не добавлены"), int(count)))
        return;
    // Each row goes where the motion program reaches its point: along the segments as they are
    // walked (an arc along its arc), as the pass length counts them.
    const QVector<float> paths = ContourGeometry::pointPaths(contourSnapshot());
    auto at = [&paths](int j) { return paths.isEmpty() ? 0.0f : paths.value(std::min(j, paths.size()) - 1); };
    const int before = twTechTab->rowCount();
    QVector<float> tablePaths(before);
    for (int r = 0; r < before; ++r)
        tablePaths[r] = cellValue(twTechTab, r, kPathColumn);
    const auto insert = [this, &tablePaths](float path) { insertAtPath(path, &tablePaths); };
    if (allPoints) {
        const int passes = allRotate ? N : 1;
        for (int k = 0; k < passes; ++k) {
            for (int j = 1; j <= P; ++j)
                insert(at(j) + L * k);
        }
    } else if (allRotate) {
        for (int k = 0; k < N; ++k)
            insert(at(point) + L * k);
    } else {
        insert(at(point) + (rotate > 1 && m_ring ? L * (rotate - 1) : 0.0f));
    }
    // The table is checked once for all its new rows (a faulty one is one alarm, not one a row).
    if (twTechTab->rowCount() != before)
        afterTechPointInserted();
}

void CONTOUR::setParamValueInTable(int column, float value, int decimals)
{
    const int rows = twTechTab->rowCount();
    for (int row = 0; row < rows; ++row) {
        // A cell keeps its background: a switched-off row stays grey all along.
        QTableWidgetItem* item = twTechTab->item(row, column);
        if (!item || isComment(row)) {
            setTechCell(row, column, value, decimals);
            item = twTechTab->item(row, column);
        }
        item->setText(fixed(value, decimals));
        if (row == 0 || row == rows - 1)
            item->setBackground(twTechTab->palette().brush(QPalette::AlternateBase));
    }
}

void CONTOUR::setTechSettings(bool testMove, bool focusOn, bool yokeXOn, bool yokeYOn, float If, float Ix, float Iy,
                              float D, int plane)
{
    m_testMove = testMove;
    m_focusOn = focusOn;
    m_yokeXOn = yokeXOn;
    m_yokeYOn = yokeYOn;
    m_If = If;
    m_Ix = Ix;
    m_Iy = Iy;
    if (m_schema) {
        const bool newPlane = m_schema->Aux() != plane;
        const bool newDiameter = m_schema->D() != D;
        m_schema->setD(D);
        m_schema->setAux(plane);
        // Another plane: the circle is the one through the points in it (a new diameter instead
        // moves the points onto its circle afterwards).
        if (newPlane && !newDiameter)
            updateD();
        lblConsts->setText(m_schema->header());
        if (m_schema->rotate()) {
            diameter->setValue(m_schema->D(), 2);
            updatePlane(m_schema->Aux());
        }
        updateLength();
    }
    if (m_gui)
        m_gui->setProgramName(m_gui->programName(), testMove);
    const struct {
        bool shown;
        float value;
        int decimals;
    } columns[] = {{focusOn, If, 0}, {yokeXOn, Ix, 1}, {yokeYOn, Iy, 1}};
    showCurrentColumns();
    for (int i = 0; i < 3; ++i) {
        if (columns[i].shown)
            setParamValueInTable(kIfColumn + i, columns[i].value, columns[i].decimals);
    }
}

// The focus and deflection current columns shown as the settings say. The sweep column takes
// the room the other columns leave; a width set after the form was built takes the stretch away
// until it is set again.
void CONTOUR::showCurrentColumns()
{
    const bool shown[] = {m_focusOn, m_yokeXOn, m_yokeYOn};
    for (int i = 0; i < 3; ++i) {
        twTechTab->setColumnHidden(kIfColumn + i, !shown[i]);
        if (shown[i])
            twTechTab->setColumnWidth(kIfColumn + i, kShownColumnWidth);
    }
    QHeaderView* header = twTechTab->horizontalHeader();
    header->setStretchLastSection(false);
    header->setStretchLastSection(true);
}

void CONTOUR::updateValidDistance()
{
    const WeldProgram::TechTableCheck check = WeldProgram::checkTechTable(techRows());
    for (int row = 0; row < check.marks.size(); ++row) {
        if (check.marks.at(row) == WeldProgram::TechTableCheck::Unchecked)
            continue;
        const QColor colour = check.marks.at(row) == WeldProgram::TechTableCheck::Good ? Qt::black : Qt::red;
        // A cell that shows its colour already is left alone (one without a colour shows black).
        QTableWidgetItem* path = twTechTab->item(row, kPathColumn);
        if (path && path->foreground().color() != colour)
            path->setForeground(colour);
    }
    if (!check.ok())
        emit message(QStringLiteral("[A]Ошибка заполнения технологической таблицы!"), true);
}

// ---- enabling rules ----------------------------------------------------------------------------

bool CONTOUR::starting() const
{
    return m_generation || (m_start && m_start->busy());
}

// The contour is not edited under a running motion program, nor while a start sends its channels
// one after another (the channels started first run the program of the table as it was).
bool CONTOUR::contourEditable() const
{
    return m_channel1State != 3 && !busy();
}

void CONTOUR::updateNew()
{
    pbNew->setEnabled(contourEditable());
}

void CONTOUR::updateIns()
{
    pbIns->setEnabled(contourEditable() && m_drivesOn && m_virtualMode && m_schema);
}

void CONTOUR::updateCorr()
{
    pbCorr->setEnabled(contourEditable() && m_drivesOn && m_virtualMode && twContour->currentRow() >= 0);
}

void CONTOUR::updateCorrNgo()
{
    pbCorrNgo->setEnabled(contourEditable() && m_drivesOn && m_virtualMode && twContour->currentRow() >= 0);
}

void CONTOUR::updateDel()
{
    const bool enabled = contourEditable() && twContour->currentRow() >= 0;
    pbDel->setEnabled(enabled);
    pbInverse->setEnabled(enabled);
}

void CONTOUR::updateTechTab()
{
    const int r = twTechTab->currentRow();
    pbInsTechPoint->setEnabled(!busy() && r >= 1);
    pbDelTechPoint->setEnabled(!busy() && r > 0 && r < twTechTab->rowCount() - 1);
}

void CONTOUR::updateProgramCommands()
{
    const bool free = !busy();
    pbTemplate->setEnabled(free && m_schema);
    pbSettings->setEnabled(free);
    pbAddTechPoint->setEnabled(free);
    frmWeldSpeed->setEnabled(free);
    pbLoad->setEnabled(free);
    pbLoad_2->setEnabled(free);
    pbSave->setEnabled(m_schema && !opening());
    pbSave_2->setEnabled(m_schema && !opening());
}

void CONTOUR::updateRing()
{
    pbRing->setChecked(m_ring);
    frmRings->setEnabled(m_ring && !busy());
    pbRing->setEnabled(contourEditable() && twContour->rowCount() > 1);
    if (!m_ring)
        pbRing->setText(QStringLiteral("Замкнуть\nконтур"));
    else if (!linearScheme())
        pbRing->setText(QStringLiteral("Контур\nзамкнут"));
    else
        pbRing->setText(m_closeDirect ? QStringLiteral("Замкнут\nпрямым\nходом") : QStringLiteral("Замкнут\nобратным\nходом"));
}

void CONTOUR::refreshButtons()
{
    updateNew();
    updateIns();
    updateCorr();
    updateCorrNgo();
    updateDel();
    updateRing();
}

// ---- drive link and user -----------------------------------------------------------------------

uint CONTOUR::channelState(int channel) const
{
    switch (channel) {
    case 1:
        return m_channel1State;
    case 2:
        return m_channel2State;
    case 3:
        return m_channel3State;
    default:
        return 0;
    }
}

// Inserting and shifting points take the axes' position: their buttons follow drive power and
// the transformation.
void CONTOUR::onDriveState(bool state)
{
    m_drivesOn = state;
    refreshButtons();
    updateGcode();
}

void CONTOUR::onVirtualMode(bool state)
{
    m_virtualMode = state;
    refreshButtons();
    updateGcode();
}

void CONTOUR::onChannel1State(uint state)
{
    m_channel1State = state;
    refreshButtons();
    updateGcode();
}

void CONTOUR::onChannel2State(uint state)
{
    m_channel2State = state;
    updateGcode();
}

void CONTOUR::onChannel3State(uint state)
{
    m_channel3State = state;
    // The weld's beam program runs through every technological stop: once the controller reports
    // it neither loading nor running it has ended, and the weld with it.
    if (StartCheck::busy(state)) {
        if (m_weldBeam == WeldBeam::Sent)
            m_weldBeam = WeldBeam::Running;
    } else if (m_weldBeam == WeldBeam::Running) {
        weldEnded();
    }
    updateGcode();
}

void CONTOUR::onAxisMoving(bool state)
{
    m_axisMoving = state;
}

// Without the link nothing of the controller is known: no drive power, no transformation. The
// buttons that take the axes' position go off until fresh status arrives. A lost link is no end
// of a program: the channels keep their last reported states (the controller may still be running
// them), so that a run stopped at a technological stop waits for its continuation as it did and
// nothing that depends on an idle channel 1 comes back before the controller says so. A start
// waiting between its channels ends here: the channels after the pause would be started on a
// controller whose state was lost, without the check before every start.
void CONTOUR::onDriveLinkLost()
{
    m_drivesOn = false;
    m_virtualMode = false;
    m_axisMoving = false;
    abandonGeneration({ChannelStart::linkLostLine()});
    m_start->linkLost();
    refreshButtons();
    updateGcode();
}

void CONTOUR::onChangedPointNo(uint row)
{
    m_pointNo = row;
    if (row >= uint(twContour->rowCount()))
        return;
    m_currentPoint = int(row);
    twContour->setCurrentCell(int(row), 0);
}

void CONTOUR::onUserChanged(int rights)
{
    m_userRights = rights;
    // The channel pages are the administrator's and the fixer's; without a logged-in user (-1)
    // they are nobody's.
    const bool channelPages = rights >= 0 && rights <= 1;
    if (!channelPages)
        setCurrentIndex(0);
    for (int tab = 2; tab <= 4; ++tab)
        setTabEnabled(tab, channelPages);
}

void CONTOUR::onContourCurrentCellChanged(int, int, int, int)
{
    updateCorr();
    updateCorrNgo();
    updateDel();
}

void CONTOUR::onTechTabCurrentCellChanged(int, int, int, int)
{
    updateTechTab();
}

// ---- contour file ------------------------------------------------------------------------------

bool CONTOUR::keepDamaged(const QString& file, const QString& name)
{
    const QString key = QFileInfo(file).absoluteFilePath();
    if (!m_damagedFiles.contains(key))
        return true;
    if (!QFile::exists(file)) {
        m_damagedFiles.remove(key);
        return true;
    }
    // Never over an earlier copy.
    const QString kept = freeCopyName(file + QStringLiteral(".damaged"));
    if (kept.isEmpty() || !QFile::copy(file, kept)) {
        warn(QStringLiteral("Контур не сохранён: файл %1.save прочитан не полностью, и его не удалось сохранить "
                            "рядом под другим именем")
                 .arg(name));
        return false;
    }
    m_damagedFiles.remove(key);
    warn(QStringLiteral("Файл %1.save был прочитан не полностью: прежнее содержимое сохранено в файле %2")
             .arg(name, QFileInfo(kept).fileName()));
    return true;
}

void CONTOUR::save(const QString& name, const QString& path, bool setName)
{
    if (!m_schema)
        return;
    const QString target = FixedPaths::local(path + QStringLiteral(".save"));
    if (!makeFolderOf(target)) {
        warn(QStringLiteral("Контур не сохранён: не удалось создать папку %1")
                 .arg(QFileInfo(path + QStringLiteral(".save")).path()));
        return;
    }
    if (!keepDamaged(target, name))
        return;
    if (!writeWholeFile(target, ContourFile::write(name, snapshot()))) {
        warn(QStringLiteral("Контур не сохранён: не удалось записать файл %1.save").arg(name));
        return;
    }
    emit message(QStringLiteral("[I]Контур сохранён в файле %1.save").arg(name), true);
    if (setName && m_gui)
        m_gui->setProgramName(name, m_testMove);
}

// ---- opening a contour file ----------------------------------------------------------------------

// A contour file being opened: the file as read, and how far the tables have taken it.
struct CONTOUR::Opening {
    // The file as read (on any thread).
    struct Read {
        QString file;  // where the console reaches it
        bool opened = false;
        bool tooLarge = false;
        ContourFile::Contents contents;
    };
    static Read read(const QString& file)
    {
        Read r;
        r.file = QFileInfo(file).absoluteFilePath();
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            return r;
        r.opened = true;
        // A file beyond the bound (a damaged or a foreign one) is read only as far as the bound:
        // the window comes up as fast whatever it is.
        r.tooLarge = in.size() > ContourLimits::kMaxFileBytes;
        const QByteArray bytes = in.read(std::min(in.size(), ContourLimits::kMaxFileBytes));
        in.close();
        r.contents = ContourFile::read(bytes);
        if (r.tooLarge && r.contents.beyondLimits.isEmpty())
            r.contents.beyondLimits = QStringLiteral("файл больше %1 МБ").arg(ContourLimits::kMaxFileBytes >> 20);
        return r;
    }

    enum class Phase { Reading, Clearing, Filling };
    Phase phase = Phase::Reading;
    QString name;
    Read file;
    QFutureWatcher<Read>* reading = nullptr;
    // The file's technology rows that go between the start and the end row, in file order.
    QList<int> between;
    int points = 0;  // contour rows in the table
    int rows = 0;    // of `between` in the table
};

void CONTOUR::load(const QString& name, const QString& path)
{
    finishOpening();
    Opening o;
    o.name = name;
    o.file = Opening::read(FixedPaths::local(path + QStringLiteral(".save")));
    if (!acceptContour(o))
        return;
    startFill(o);
    fillRows(o, std::numeric_limits<int>::max());
    endFill(o);
}

void CONTOUR::openContour(const QString& name, const QString& path)
{
    if (m_opening)
        return;
    m_opening = std::make_unique<Opening>();
    m_opening->name = name;
    m_opening->reading = new QFutureWatcher<Opening::Read>(this);
    connect(m_opening->reading, &QFutureWatcherBase::finished, this, &CONTOUR::onContourRead);
    // The worker has its own copy of the name; once dropped, its result goes nowhere.
    const QString file = FixedPaths::local(path + QStringLiteral(".save"));
    m_opening->reading->setFuture(QtConcurrent::run([file] { return Opening::read(file); }));
    refreshEditing();
    updateGcode();
}

void CONTOUR::onContourRead()
{
    Opening& o = *m_opening;
    o.file = o.reading->result();
    o.reading->deleteLater();
    o.reading = nullptr;
    if (!acceptContour(o)) {
        m_opening.reset();
        refreshEditing();
        updateGcode();
        return;
    }
    o.phase = Opening::Phase::Clearing;
    // The tables show the contour before until the new one is in.
    twContour->setUpdatesEnabled(false);
    twTechTab->setUpdatesEnabled(false);
    m_openTurn->start();
}

void CONTOUR::openMore()
{
    Opening& o = *m_opening;
    if (o.phase == Opening::Phase::Clearing) {
        if (shrinkTables(kOpenRowsPerTurn)) {
            startFill(o);
            o.phase = Opening::Phase::Filling;
        }
        m_openTurn->start();
        return;
    }
    if (fillRows(o, kOpenRowsPerTurn))
        completeOpening();
    else
        m_openTurn->start();
}

void CONTOUR::finishOpening()
{
    if (!m_opening)
        return;
    if (m_opening->phase == Opening::Phase::Reading) {
        // The worker runs on to its end; its result goes nowhere.
        delete m_opening->reading;
        m_opening.reset();
        refreshEditing();
        updateGcode();
        return;
    }
    if (m_opening->phase == Opening::Phase::Clearing) {
        startFill(*m_opening);
        m_opening->phase = Opening::Phase::Filling;
    }
    fillRows(*m_opening, std::numeric_limits<int>::max());
    completeOpening();
}

void CONTOUR::completeOpening()
{
    const std::unique_ptr<Opening> o = std::move(m_opening);
    m_openTurn->stop();
    twContour->setUpdatesEnabled(true);
    twTechTab->setUpdatesEnabled(true);
    endFill(*o);
}

bool CONTOUR::acceptContour(const Opening& o)
{
    const Opening::Read& f = o.file;
    if (!f.opened)
        return false;
    const ContourFile::Contents& contents = f.contents;
    // What the file holds beyond the part read is kept until it is written over.
    if (!contents.valid || !contents.complete || f.tooLarge)
        m_damagedFiles.insert(f.file);
    if (contents.valid)
        return true;
    if (!contents.beyondLimits.isEmpty())
        warn(QStringLiteral("Файл %1.save больше, чем вмещает редактор (%2): контур не загружен")
                 .arg(o.name, contents.beyondLimits));
    else
        warn(QStringLiteral("Файл %1.save не является файлом контура: контур не загружен").arg(o.name));
    return false;
}

bool CONTOUR::shrinkTables(int rows)
{
    // A comment row's span would follow every removal.
    twTechTab->clearSpans();
    const int contour = std::min(rows, twContour->rowCount());
    twContour->setRowCount(twContour->rowCount() - contour);
    const int tech = std::min(rows - contour, twTechTab->rowCount());
    twTechTab->setRowCount(twTechTab->rowCount() - tech);
    return twContour->rowCount() == 0 && twTechTab->rowCount() == 0;
}

// The scheme and the values of the file; of its technology rows the first data row is the start
// row, its last (of the rows the file counts) the end row, every other row goes in between in file
// order.
void CONTOUR::startFill(Opening& o)
{
    const ContourFile::Contents& contents = o.file.contents;
    const ContourSnapshot& s = contents.snapshot;
    Schema* schema = s.schema->clone();
    if (schema->rotate()) {
        diameter->setValue(schema->D(), 2);
        m_centerX = s.centerX;
        m_centerY = s.centerY;
        centerX->setValue(s.centerX, 2);
        centerY->setValue(s.centerY, 2);
        updatePlane(contents.plane);
    }
    init(schema);
    m_closeDirect = true;
    m_ring = s.ring;
    nrings->setValue(s.passes, 0);
    weldSpeed->setValue(s.weldSpeed, 1);
    points->setValue(s.pointCount, 0);

    // init made the start and the end row.
    for (int r = 0; r < s.tech.size(); ++r) {
        const TechRow& t = s.tech.at(r);
        if (!t.isComment() && r == 0) {
            writeTechRow(0, t);
            markEndRows(0);
        } else if (!t.isComment() && r == contents.techRows - 1) {
            writeTechRow(1, t);
            markEndRows(1);
        } else {
            o.between << r;
        }
    }
}

// The cells are made with their texts, each row at once.
bool CONTOUR::fillRows(Opening& o, int rows)
{
    const ContourSnapshot& s = o.file.contents.snapshot;
    const int points = std::min(rows, s.points.size() - o.points);
    if (points > 0) {
        const bool linear = linearScheme();
        const int axes = m_schema->axisNames().size();
        twContour->setRowCount(o.points + points);
        for (int r = o.points; r < o.points + points; ++r) {
            for (int i = 0; i < axes; ++i)
                twContour->setItem(r, i, textItem(fixed(s.points.at(r).coords.value(i), 2)));
            if (linear)
                setSegmentCell(r, s.points.at(r).segment);
        }
        o.points += points;
    }
    const int tech = std::min(rows - points, o.between.size() - o.rows);
    if (tech > 0) {
        twTechTab->model()->insertRows(1 + o.rows, tech);
        for (int i = 0; i < tech; ++i)
            writeTechRow(1 + o.rows + i, s.tech.at(o.between.at(o.rows + i)));
        o.rows += tech;
    }
    return o.points == s.points.size() && o.rows == o.between.size();
}

void CONTOUR::endFill(const Opening& o)
{
    const ContourFile::Contents& contents = o.file.contents;
    const ContourSnapshot& s = contents.snapshot;
    if (!s.points.isEmpty())
        m_currentPoint = 0;
    if (contents.complete && !o.file.tooLarge)
        emit message(QStringLiteral("[I]Загружен контур из файла %1.save").arg(o.name), true);
    else if (!contents.beyondLimits.isEmpty())
        warn(QStringLiteral("Файл %1.save больше, чем вмещает редактор (%2): загружена только его часть")
                 .arg(o.name, contents.beyondLimits));
    else
        warn(QStringLiteral("Файл %1.save повреждён или обрезан: загружена только его читаемая часть").arg(o.name));
    frmRotate->setVisible(m_schema->rotate());
    if (m_schema->circle() && s.points.size() >= 2)
        m_inverted = s.inverted;

    updateLength();
    refreshEditing();
    updateValidDistance();
    updateGcode();
    if (m_gui)
        m_gui->setProgramName(contents.name, m_testMove);
    twContour->setCurrentCell(m_currentPoint, 0);
}

void CONTOUR::writeTechRow(int row, const TechRow& t)
{
    if (t.isComment()) {
        setCommentRow(row, t.comment);
        return;
    }
    QTableWidgetItem* path = textItem(fixed(t.path, 2));
    path->setData(RoleOn, true);
    twTechTab->setItem(row, kPathColumn, path);
    twTechTab->setItem(row, kIrColumn, textItem(fixed(t.Ir, 1)));
    twTechTab->setItem(row, kIfColumn, textItem(fixed(t.If, 0)));
    twTechTab->setItem(row, kIxColumn, textItem(fixed(t.Ix, 1)));
    twTechTab->setItem(row, kIyColumn, textItem(fixed(t.Iy, 1)));
    twTechTab->setItem(row, kSpeedColumn, textItem(fixed(t.speed, 1)));
    QTableWidgetItem* sweep = textItem(t.sweep == TechRow::SweepOff ? TRSelect::OffText : QString());
    if (t.sweep == TechRow::SweepSet)
        TRSelect::setSweep(*sweep, t.raster);
    twTechTab->setItem(row, kSweepColumn, sweep);
}

void CONTOUR::fileDialog(bool open)
{
    if (m_opening)
        return;
    emit message(open ? QStringLiteral("[I]Нажата кнопка 'Загрузить контур'")
                      : QStringLiteral("[I]Нажата кнопка 'Сохранить контур'"),
                 false);
    // The folder of contour files, on an installation that has none yet (save() says when it
    // cannot be made).
    QDir().mkpath(contourFolder());
    FileManager dialog(open ? static_cast<QWidget*>(pbLoad) : static_cast<QWidget*>(pbSave), contourDir(),
                       QStringLiteral(".save"), open);
    if (dialog.exec() != 1)
        return;
    if (open)
        openContour(dialog.name, dialog.path);
    else
        save(dialog.name, dialog.path, true);
}

void CONTOUR::on_pbSave_clicked() { fileDialog(false); }
void CONTOUR::on_pbSave_2_clicked() { fileDialog(false); }
void CONTOUR::on_pbLoad_clicked() { fileDialog(true); }
void CONTOUR::on_pbLoad_2_clicked() { fileDialog(true); }

// ---- settings ----------------------------------------------------------------------------------

void CONTOUR::loadIni()
{
    std::unique_ptr<QSettings> settings = SettingsFile::open();
    for (int column = 0; column < kTechColumns; ++column)
        twTechTab->setColumnWidth(column, settings->value(QStringLiteral("Contour/Width_") +
                                                              QLatin1String(kTechWidthKeys[column]),
                                                          80)
                                              .toInt());
    setCurrentIndex(settings->value(QStringLiteral("Contour/Tab"), 0).toInt());
    // The speeds are stored as numbers with a fraction and come back whole.
    contourSpeed->setValue(float(SettingsFile::wholeNumber(*settings, QStringLiteral("Contour/contourSpeed"), 0)), 0);
    weldSpeed->setValue(float(SettingsFile::wholeNumber(*settings, QStringLiteral("Contour/weldSpeed"), 0)), 0);
    m_focusOn = settings->value(QStringLiteral("Contour/FocusOn"), false).toBool();
    m_yokeXOn = settings->value(QStringLiteral("Contour/YokeXOn"), false).toBool();
    m_yokeYOn = settings->value(QStringLiteral("Contour/YokeYOn"), false).toBool();
    m_If = settings->value(QStringLiteral("Contour/If"), 700).toFloat();
    m_Ix = settings->value(QStringLiteral("Contour/Ix"), 0).toFloat();
    m_Iy = settings->value(QStringLiteral("Contour/Iy"), 0).toFloat();
}

void CONTOUR::saveIni()
{
    {
        std::unique_ptr<QSettings> settings = SettingsFile::open();
        for (int column = 0; column < kTechColumns; ++column)
            settings->setValue(QStringLiteral("Contour/Width_") + QLatin1String(kTechWidthKeys[column]),
                               twTechTab->columnWidth(column));
        settings->setValue(QStringLiteral("Contour/Tab"), currentIndex());
        settings->setValue(QStringLiteral("Contour/contourSpeed"), contourSpeed->value());
        settings->setValue(QStringLiteral("Contour/weldSpeed"), weldSpeed->value());
        settings->setValue(QStringLiteral("Contour/FocusOn"), m_focusOn);
        settings->setValue(QStringLiteral("Contour/YokeXOn"), m_yokeXOn);
        settings->setValue(QStringLiteral("Contour/YokeYOn"), m_yokeYOn);
        settings->setValue(QStringLiteral("Contour/If"), m_If);
        settings->setValue(QStringLiteral("Contour/Ix"), m_Ix);
        settings->setValue(QStringLiteral("Contour/Iy"), m_Iy);
    }
    saveContourWidths();
}

// ---- TechEditor readers ------------------------------------------------------------------------

int CONTOUR::contourRowCount() const { return twContour->rowCount(); }
float CONTOUR::lengthValue() const { return length->value(); }
float CONTOUR::weldSpeedValue() const { return weldSpeed->value(); }
float CONTOUR::contourSpeedValue() const { return contourSpeed->value(); }
float CONTOUR::pointsValue() const { return points->value(); }
float CONTOUR::ringsValue() const { return nrings->value(); }
float CONTOUR::schemaD() const { return m_schema ? m_schema->D() : -1.0f; }
bool CONTOUR::schemaRound() const { return m_schema && m_schema->round(); }
bool CONTOUR::schemaRotate() const { return m_schema && m_schema->rotate(); }
int CONTOUR::schemaAux() const { return m_schema ? m_schema->Aux() : -1; }
