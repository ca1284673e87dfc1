// The weld program editor's passport of a run: the file, its header and a row every 100 ms until
// the run ends. The texts come from WeldPassport; here the editor collects the values.

#include <QApplication>
#include <QFileInfo>
#include <QTableWidget>
#include <QTimerEvent>

#include <cmath>

#include "contour.h"
#include "contourcells.h"
#include "drivecomm.h"
#include "fixedpaths.h"
#include "gui.h"
#include "weldpassport.h"

using namespace ContourCells;

namespace {

// A run is followed from its channel's state: the passport ends once the channel has left state 3
// (running). A program that the controller is still loading has not reached it yet: a channel
// that never runs ends the passport after this many rows.
constexpr qint64 kStartTicks = 30;

constexpr uint kRunning = 3;

// The machine coordinates of every row.
const QStringList& passportAxes()
{
    static const QStringList axes{QStringLiteral("LX"), QStringLiteral("LY"), QStringLiteral("A"),
                                  QStringLiteral("B"),  QStringLiteral("C"),  QStringLiteral("D"),
                                  QStringLiteral("U1"), QStringLiteral("V")};
    return axes;
}

}  // namespace

bool CONTOUR::driveStatusKnown() const
{
    return !m_gui || m_gui->driveLook().known();
}

void CONTOUR::passportValues(WeldPassport::Header& h) const
{
    h.ring = m_ring;
    h.passLength = length->value();
    h.passes = nrings->value();
    h.weldSpeed = weldSpeed->value();
    h.axes = passportAxes();
}

CONTOUR::PassportCells CONTOUR::passportCells() const
{
    PassportCells cells;
    cells.contourColumns = twContour->columnCount();
    cells.contour.reserve(twContour->rowCount() * cells.contourColumns);
    for (int row = 0; row < twContour->rowCount(); ++row) {
        for (int column = 0; column < cells.contourColumns; ++column) {
            const QTableWidgetItem* item = twContour->item(row, column);
            cells.contour << (item ? item->text() : QString());
        }
    }
    cells.tech.reserve(twTechTab->rowCount() * 4);
    for (int row = 0; row < twTechTab->rowCount(); ++row) {
        for (int column : {kPathColumn, kIrColumn, kIfColumn, kSpeedColumn}) {
            const QTableWidgetItem* item = twTechTab->item(row, column);
            cells.tech << (item ? item->text() : QString());
        }
    }
    return cells;
}

void CONTOUR::passportLines(WeldPassport::Header& h, const PassportCells& cells, const QList<TechRow>& tech)
{
    const int columns = std::max(cells.contourColumns, 1);
    h.contour.reserve(cells.contour.size() / columns);
    for (int first = 0; first + cells.contourColumns <= cells.contour.size() && cells.contourColumns > 0;
         first += cells.contourColumns)
        h.contour << WeldPassport::contourLine(cells.contour.mid(first, cells.contourColumns));
    h.technology.reserve(tech.size());
    for (int row = 0; row < tech.size(); ++row) {
        if (tech.at(row).isComment()) {
            h.technology << WeldPassport::commentLine(tech.at(row).comment);
            continue;
        }
        const auto text = [&cells, row](int k) { return cells.tech.value(4 * row + k); };
        h.technology << WeldPassport::pointLine(text(0), text(1), text(2), text(3), tech.at(row).sweep,
                                                tech.at(row).raster);
    }
}

float CONTOUR::passportSpeed(const QList<TechRow>& tech)
{
    return tech.isEmpty() || tech.first().isComment() ? 0.0f : tech.first().speed;
}

void CONTOUR::startPassport()
{
    openPassport(nullptr);
}

void CONTOUR::openPassport(const PreparedPassport* prepared)
{
    // One passport at a time: the one still open ends here (the run it followed goes on).
    if (m_ppf.isOpen())
        endPassport();
    const QDateTime start = m_passportClock ? m_passportClock() : QDateTime::currentDateTime();
    const QString program = m_gui ? m_gui->programName() : QString();
    if (!WeldPassport::create(m_ppf, FixedPaths::passportDir(), start, program)) {
        warn(QStringLiteral("Паспорт сварки не создан: не удалось создать файл в папке %1")
                 .arg(QString::fromLatin1(FixedPaths::kPassportDir)));
        return;
    }
    m_passportFile = m_ppf.fileName();
    m_passportFull = m_fullRun;

    WeldPassport::Header h;
    h.full = m_passportFull;
    h.program = program;
    h.start = start;
    h.welder = m_gui ? m_gui->getUserName() : QString();
    m_passportRows = 0;
    m_passportRowsMissing = 0;
    m_passportIncomplete = false;
    float speed = 0;
    if (prepared && prepared->full == m_passportFull) {
        // The body was built with the programs, off the GUI thread.
        m_passportHeaderWritten = appendPassport(WeldPassport::headerTop(h), prepared->body);
        speed = prepared->speed;
    } else {
        const QList<TechRow> tech = techRows();
        passportValues(h);
        if (m_passportFull)
            passportLines(h, passportCells(), tech);
        h.channel1 = pageProgram(1);
        // Only a ring joint's weld turns the part: the channel 2 page may hold another program.
        if (!m_passportFull || (m_schema && m_schema->circle()))
            h.channel2 = pageProgram(2);
        h.channel3 = pageProgram(3);
        m_passportHeaderWritten = appendPassport(WeldPassport::header(h, QLocale()));
        speed = passportSpeed(tech);
    }

    m_passport = WeldPassport::begin(speed);
    m_passportSeenRunning = false;
    twTechTab->setCurrentCell(0, 0);
    writePassportRow(false);
    m_passportTimer = startTimer(WeldPassport::kTickMs, Qt::CoarseTimer);
}

void CONTOUR::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_passportTimer) {
        QTabWidget::timerEvent(event);
        return;
    }
    writePassportRow(true);
}

void CONTOUR::writePassportRow(bool tick)
{
    const bool ring = m_ring;
    const float total = length->value() * (ring ? std::trunc(nrings->value()) : 1.0f);

    WeldPassport::Row r;
    r.tick = m_passport.ticks;
    r.path = WeldPassport::advance(m_passport, m_axisMoving, total);
    r.axes = passportAxes().size();
    // Coordinates the drive controller has not reported are left empty.
    if (m_gui && driveStatusKnown()) {
        for (const QString& axis : passportAxes())
            r.coords << m_gui->coord(axis);
    }
    r.full = m_passportFull;
    if (r.full) {
        // A block the beam unit's program did not let be read now gives empty beam cells, not the
        // values of an earlier row.
        if (m_ela.updateStatusEla())
            r.ela = QByteArray(reinterpret_cast<const char*>(m_ela.snapshot()), ElaSharedMemory::kSize);
        // Values of a beam unit that does not run are no measurement (the block reads 0).
        r.elaAlive = m_gui && m_gui->elaAlive();
        // The chamber pressure: known while its controller reports, measured (not NaN) while its
        // gauge is valid and its number finite.
        r.pressureKnown = m_gui && m_gui->vacuumLook().known();
        r.pressure = m_gui ? m_gui->pressure() : 0.0f;
    }
    ++m_passportRows;
    if (!appendPassport(WeldPassport::row(r, QLocale())))
        ++m_passportRowsMissing;

    if (tick && driveStatusKnown()) {
        const uint state = m_passportFull ? m_channel3State : m_channel1State;
        if (state == kRunning) {
            m_passportSeenRunning = true;
        } else if (m_passportSeenRunning || m_passport.ticks >= kStartTicks) {
            endPassport();
            return;
        }
    }
    // The technology table shows the row being welded: the highlight moves to a row as the weld
    // enters it, and only then. Between two such moves the row the operator chose stays the
    // current one and the commands act on it; standing (at a technological stop) nothing moves at
    // all. Nor is it moved while an operator's dialog or menu is open: that row change is left to
    // the operator's choice; nor while a contour is being opened into the table.
    if (m_passportFull && m_axisMoving && !opening() &&
        WeldPassport::track(m_passport, twTechTab->rowCount(), [this](int row) { return techRow(row); }, true)) {
        const bool operatorBusy = QApplication::activeModalWidget() || QApplication::activePopupWidget();
        if (!operatorBusy)
            twTechTab->setCurrentCell(m_passport.row, 0);
    }
    ++m_passport.ticks;
}

QString CONTOUR::shownPassportFile() const
{
    return QString::fromLatin1(FixedPaths::kPassportDir) + QFileInfo(m_passportFile).fileName();
}

bool CONTOUR::appendPassport(const QByteArray& bytes, const QByteArray& more)
{
    const qint64 end = m_ppf.pos();
    if (m_ppf.write(bytes) == bytes.size() && m_ppf.write(more) == more.size())
        return true;
    // The part of it the disk took is cut off again: the file holds whole lines only.
    m_ppf.resize(end);
    if (!m_passportIncomplete) {
        m_passportIncomplete = true;
        emit message(QStringLiteral("[A]Паспорт сварки неполный: не удалось записать файл %1").arg(shownPassportFile()),
                     true);
    }
    return false;
}

void CONTOUR::endPassport()
{
    if (m_passportTimer) {
        killTimer(m_passportTimer);
        m_passportTimer = 0;
    }
    m_ppf.close();
    if (m_passportRowsMissing > 0 || !m_passportHeaderWritten)
        emit message(QStringLiteral("[A]Паспорт сварки %1 неполный: не записано строк %2 из %3%4")
                         .arg(shownPassportFile())
                         .arg(m_passportRowsMissing)
                         .arg(m_passportRows)
                         .arg(m_passportHeaderWritten ? QString() : QStringLiteral(", заголовок не записан")),
                     true);
    m_passportHeaderWritten = true;
    m_passportRows = 0;
    m_passportRowsMissing = 0;
    m_passport = WeldPassport::Progress();
    if (twTechTab->rowCount() > 0)
        twTechTab->setCurrentCell(twTechTab->rowCount() - 1, 0);
}
