// The contour tab's commands of the weld program editor: a new contour in one of the three
// schemes, insert, delete and shift of points, reversing, closing and opening the contour and the
// number of passes. Each edits the contour table, logs the press and brings the lengths, the
// diameter and the buttons up to date.

#include <QDialog>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

#include "choicemenu.h"
#include "confirm.h"
#include "contour.h"
#include "contourcells.h"
#include "gui.h"
#include "numpad.h"

using namespace ContourCells;

namespace {

// Questions of the contour commands answer "no" by themselves after this many seconds.
constexpr int kConfirmSeconds = 10;
// Closer than this in every axis (mm, degrees for V) to the current point, the axes stand on it:
// no point is inserted.
constexpr float kSamePoint = 0.01f;
// The most points a new ring joint divides the turn into (a tenth of a degree each).
constexpr int kMaxRingPoints = 3600;

// Two positions in the same axes that the contour table cannot tell apart.
bool samePosition(const QList<float>& a, const QList<float>& b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (!(std::fabs(a.at(i) - b.at(i)) < kSamePoint))
            return false;
    }
    return true;
}

bool confirmed(const QString& question, QWidget* anchor)
{
    Confirm dialog(QStringLiteral("Подтверждение"), question, anchor, kConfirmSeconds);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

bool CONTOUR::askNumber(const QString& title, QWidget* anchor, bool noDecimal, bool noSign, double* value)
{
    Numpad pad(title, anchor, 0.0f, noDecimal, noSign, false);
    // An empty entry is no 0: it changes nothing, as a closed pad.
    if (pad.exec() != QDialog::Accepted || !pad.hasNumber())
        return false;
    *value = pad.value();
    return true;
}

// ---- new contour ------------------------------------------------------------------------------

void CONTOUR::on_pbNew_clicked()
{
    const int scheme = ChoiceMenu::exec(QStringLiteral("Схема сварки"),
                                        {QStringLiteral("Смешаная интерполяция     "),
                                         QStringLiteral("Круговая интерполяция     "),
                                         QStringLiteral("Кольцевой стык     ")},
                                        pbNew);
    double D = 0;
    switch (scheme) {
    case 0:
        emit message(QStringLiteral("[I]Новый контур 'Смешаная интерполяция XYZ' создан"), false);
        init(new SchemaXYZ);
        break;
    case 1:
        if (!askNumber(QStringLiteral("Диаметр, мм"), pbNew, false, true, &D))
            return;
        emit message(QStringLiteral("[I]Новый контур 'Круговая интерполяция' создан"), false);
        init(new SchemaXYZr(float(D), 0, 0));
        updatePlane(0);
        // The centre of the new circle is not known before its points are.
        m_centerX = 0;
        m_centerY = 0;
        centerX->setValue(0, 2);
        centerY->setValue(0, 2);
        diameter->setValue(float(D), 2);
        break;
    case 2: {
        double P = 0;
        if (!askNumber(QStringLiteral("Диаметр, мм"), pbNew, false, true, &D) ||
            !askNumber(QStringLiteral("Кол-во точек"), pbNew, true, true, &P))
            return;
        if (P > kMaxRingPoints) {
            warn(QStringLiteral("Контур не создан: точек кольцевого стыка не может быть больше %1").arg(kMaxRingPoints));
            return;
        }
        // The points take the manipulator's position, which only counts once the drives report it.
        if (!driveStatusKnown()) {
            warn(QStringLiteral("Контур не создан: положение манипулятора не известно (нет связи с ЧПУ)"));
            return;
        }
        emit message(QStringLiteral("[I]Новый контур 'Кольцевой стык' создан"), false);
        createRingContour(float(D), float(P));
        break;
    }
    default:
        return;
    }
    afterNewContour();
}

// n points dividing the turn evenly, all at the manipulator's present position.
void CONTOUR::createRingContour(float D, float P)
{
    init(new SchemaCircle(D, P));
    const int n = std::max(0, int(P));
    points->setValue(float(n), 0);
    const float LX = m_gui ? m_gui->coord(QStringLiteral("LX")) : 0.0f;
    const float LY = m_gui ? m_gui->coord(QStringLiteral("LY")) : 0.0f;
    const float Z = m_gui ? m_gui->coord(QStringLiteral("Z")) : 0.0f;
    for (int i = 0; i < n; ++i)
        addPoint({float(i) / float(n) * 360.0f, LX, LY, Z});
    m_currentPoint = n > 0 ? 0 : -1;
    twContour->setCurrentCell(m_currentPoint, 0);
}

void CONTOUR::afterNewContour()
{
    // The count of the contour before (a ring joint's points) is not this one's.
    points->setValue(float(twContour->rowCount()), 0);
    updateLength();
    refreshButtons();
    updateTechTab();
    updateValidDistance();
    updateGcode();
    frmRotate->setVisible(m_schema && m_schema->rotate());
    if (m_gui)
        m_gui->setProgramName(QStringLiteral("Программа сварки"), m_testMove);
}

// The seam's length, the check of the technology table and the start button follow the contour.
void CONTOUR::afterContourEdit()
{
    updateLength();
    updateValidDistance();
    updateGcode();
}

// ---- points -------------------------------------------------------------------------------------

void CONTOUR::on_pbIns_clicked()
{
    if (!m_schema)
        return;
    const int rows = twContour->rowCount();
    const int row = std::clamp(m_forward ? m_currentPoint + 1 : m_currentPoint, 0, rows);
    emit message(QStringLiteral("[I]Нажата кнопка 'Вставить точку' панели Контур"), false);
    // The position counts only while the drives report it with the transformation on.
    if (!driveStatusKnown() || !m_drivesOn || !m_virtualMode)
        return;
    if (rows >= ContourLimits::kMaxPoints) {
        warn(QStringLiteral("Точка не добавлена: в контуре %1 точек, редактор вмещает не более %2")
                 .arg(rows)
                 .arg(ContourLimits::kMaxPoints));
        return;
    }
    const QList<float> p = coords();
    // Every axis counts: the scheme's path distance leaves some of them out (the plane of a circle,
    // the manipulator of a ring joint).
    if (m_currentPoint >= 0 && m_currentPoint < rows && samePosition(p, coords(m_currentPoint)))
        return;

    twContour->insertRow(row);
    for (int i = 0; i < p.size(); ++i)
        twContour->setItem(row, i, textItem(fixed(p.at(i), 2)));
    if (linearScheme()) {
        // The segment into the new point is a line; from it a line leaves too, unless it is the
        // last point of an open contour.
        if (row > 0)
            setSegmentCell(row - 1, SegmentParams{SegmentParams::Line, 0, 0, 0});
        const bool end = row == twContour->rowCount() - 1 && !m_ring;
        setSegmentCell(row, SegmentParams{end ? SegmentParams::End : SegmentParams::Line, 0, 0, 0});
    }
    m_currentPoint = row;
    twContour->setCurrentCell(row, 0);
    points->setValue(float(twContour->rowCount()), 0);
    updateD();
    afterContourEdit();
    updateRing();
}

void CONTOUR::on_pbDel_clicked()
{
    // The current point, the row the table highlights.
    const int row = m_currentPoint;
    if (row < 0 || row >= twContour->rowCount() || !confirmed(QStringLiteral("Удалить текущую точку из контура?"), pbDel))
        return;
    emit message(QStringLiteral("[I]Нажата кнопка 'Удалить точку' панели Контур"), false);
    twContour->removeRow(row);
    const int rows = twContour->rowCount();
    if (m_forward)
        --m_currentPoint;
    m_currentPoint = std::clamp(m_currentPoint, 0, std::max(rows - 1, 0));
    if (rows == 0) {
        m_currentPoint = -1;
        m_forward = true;
    }
    // No segment leaves the last point of an open contour.
    if (rows > 0 && !m_ring && linearScheme())
        setSegmentCell(rows - 1, SegmentParams());
    twContour->setCurrentCell(m_currentPoint, 0);
    points->setValue(float(rows), 0);
    updateD();
    afterContourEdit();
    updateRing();
}

void CONTOUR::on_pbCorr_clicked()
{
    const int row = m_currentPoint;
    if (!m_schema || row < 0 || row >= twContour->rowCount())
        return;
    const int choice = ChoiceMenu::exec(
        QStringLiteral("Сдвиг"), {QStringLiteral("... текущей точки     "), QStringLiteral("... всего контура     ")},
        pbCorr);
    if (choice < 0 || !driveStatusKnown() || !m_drivesOn || !m_virtualMode)
        return;
    // From the current point to where the axes stand.
    QList<float> offset = coords();
    const QList<float> point = coords(row);
    for (int k = 0; k < offset.size() && k < point.size(); ++k)
        offset[k] -= point.at(k);
    if (choice == 0) {
        emit message(QStringLiteral("[I]Нажата кнопка 'Сдвиг точки' панели Контур"), false);
        movePoint(row, offset);
    } else if (confirmed(QStringLiteral("Выполнить сдвиг всего контура?"), pbCorr)) {
        emit message(QStringLiteral("[I]Нажата кнопка 'Сдвиг всего контура' панели Контур"), false);
        for (int r = 0; r < twContour->rowCount(); ++r)
            movePoint(r, offset);
    }
    updateD();
    afterContourEdit();
}

// ---- reverse, close, passes ------------------------------------------------------------------------

void CONTOUR::swapRows(int a, int b, int firstColumn, int lastColumn)
{
    if (a == b)
        return;
    for (int column = firstColumn; column <= lastColumn; ++column) {
        QTableWidgetItem* itemA = twContour->takeItem(a, column);
        QTableWidgetItem* itemB = twContour->takeItem(b, column);
        twContour->setItem(a, column, itemB);
        twContour->setItem(b, column, itemA);
    }
}

void CONTOUR::on_pbInverse_clicked()
{
    if (!m_schema)
        return;
    emit message(QStringLiteral("[I]Нажата кнопка 'Инверсия' панели Контур"), false);
    m_inverted = !m_inverted;
    const int n = twContour->rowCount();
    const int last = twContour->columnCount() - 1;
    const bool linear = linearScheme();
    // A contour closed directly goes all the way round back to point 0: point 0 stays first and
    // the others are walked the other way round. Any other contour (open, or closed by running
    // back) is walked from its last point to its first. Either way the seam keeps its segments.
    const bool keepFirst = m_ring && m_closeDirect;
    const int axesLast = linear ? last - 1 : last;
    if (keepFirst) {
        for (int i = 1; i <= (n + 1) / 2 - 1; ++i)
            swapRows(i, n - i, 0, axesLast);
    } else {
        for (int i = 0; i < n / 2; ++i)
            swapRows(i, n - 1 - i, 0, axesLast);
    }
    if (linear) {
        // Every segment goes with its two points: walked back, the segment from row k leads to
        // the point before it. The last row keeps its own mark unless a closing segment leaves it.
        const int segments = keepFirst ? n : n - 1;
        for (int i = 0; i < segments / 2; ++i)
            swapRows(i, segments - 1 - i, last, last);
        // An arc walked the other way turns the other way round.
        for (int r = 0; r < n; ++r) {
            const QTableWidgetItem* cell = twContour->item(r, last);
            if (cell && cell->data(RoleSegmentType).toInt() == SegmentParams::Arc) {
                setSegmentCell(r, SegmentParams{SegmentParams::Arc, cell->data(RoleSegmentRadius).toFloat(),
                                                cell->data(RoleSegmentDirection).toInt() == 1 ? 0 : 1,
                                                cell->data(RoleSegmentPlane).toInt()});
            }
        }
    }
    // The current point stays the same point, wherever it now stands.
    if (m_currentPoint >= 0 && m_currentPoint < n) {
        m_currentPoint = keepFirst ? (n - m_currentPoint) % n : n - 1 - m_currentPoint;
        twContour->setCurrentCell(m_currentPoint, 0);
    }
    afterContourEdit();
}

void CONTOUR::on_pbRing_clicked()
{
    if (!m_schema) {
        updateRing();
        return;
    }
    emit message(QStringLiteral("[I]Нажата кнопка 'Замкнуть контур' панели Контур"), false);
    const bool linear = linearScheme();
    if (!m_ring && linear) {
        const int how = ChoiceMenu::exec(QStringLiteral("Замыкание контура"),
                                         {QStringLiteral("Прямым ходом     "), QStringLiteral("Обратным ходом     ")},
                                         pbRing);
        if (how < 0) {
            updateRing();
            return;
        }
        m_closeDirect = how == 0;
    } else {
        m_closeDirect = true;
    }
    m_ring = !m_ring;
    const int rows = twContour->rowCount();
    if (linear && rows > 0)
        setSegmentCell(rows - 1, m_ring ? SegmentParams{SegmentParams::Line, 0, 0, 0} : SegmentParams());
    refreshButtons();
    updateLength();
    updateValidDistance();
}

void CONTOUR::on_nrings_clicked()
{
    double passes = 0;
    if (!askNumber(QStringLiteral("Число проходов"), nrings, true, true, &passes))
        return;
    emit message(QStringLiteral("[I]Задано новое число проходов по контуру - %1").arg(passes, 0, 'g', 6), true);
    nrings->setValue(float(passes), 0);
    afterContourEdit();
}
