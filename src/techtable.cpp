// The technology tab of the weld program editor: a touch on a cell enters its value (or the beam
// sweep), a touch on a comment switches the rows below it; the buttons insert and delete rows and
// open the templates, the contour settings and the add-contour-point dialog; the two speeds.

#include <QPersistentModelIndex>
#include <QTableWidget>

#include "choicemenu.h"
#include "contour.h"
#include "contourcells.h"
#include "techdialogs.h"

using namespace ContourCells;

namespace {

// The number pads of the value columns 0 to 5.
const struct {
    const char* title;
    int decimals;
} kValuePads[] = {
    {"Дистанция, мм", 2},      {"Ток луча, мА", 1},       {"Ток фокусировки, мА", 0},
    {"Ток откл. по X, мА", 1}, {"Ток откл. по Y, мА", 1}, {"Скорость, мм/мин", 1},
};

const QColor kRowOn(Qt::white);
const QColor kRowOff(192, 192, 192);

}  // namespace

std::function<void(const QString&, bool)> CONTOUR::dialogSink()
{
    return [this](const QString& text, bool show) { emit message(text, show); };
}

void CONTOUR::onTechTabCellClicked(int row, int column)
{
    // The channels already started run the table as it is.
    if (starting()) {
        warn(QStringLiteral("Технологическая таблица не изменена: идёт пуск программ"));
        return;
    }
    if (opening()) {
        warn(QStringLiteral("Технологическая таблица не изменена: идёт загрузка контура"));
        return;
    }
    const int last = twTechTab->rowCount() - 1;
    // The paths of the start and the end row are not the operator's: the end row's is the seam.
    if ((row == 0 || row == last) && column == kPathColumn)
        return;
    if (isComment(row)) {
        toggleRowsBelow(row);
        return;
    }
    QTableWidgetItem* cell = twTechTab->item(row, column);
    if (!cell || column < 0 || column >= kTechColumns)
        return;
    if (column == kSweepColumn) {
        TechDialogs::runRaster(twTechTab, cell);
        return;
    }
    // The pad opens at the cursor and does not hold the window: while it is open the row may be
    // deleted, rows inserted above it or another contour loaded. The entry goes to the cell the
    // pad was opened for, wherever it now stands, or nowhere once it is gone.
    const QPersistentModelIndex target(twTechTab->model()->index(row, column));
    double value = 0;
    if (!askNumber(QString::fromUtf8(kValuePads[column].title), nullptr, false, false, &value))
        return;
    cell = target.isValid() ? twTechTab->item(target.row(), target.column()) : nullptr;
    if (!cell)
        return;
    // The beam program would send it to the beam unit as it stands.
    if (column == kIrColumn && !(value >= 0 && value <= kMaxBeamCurrent)) {
        warn(QStringLiteral("Ток луча %1 мА не принят: допустимо от 0 до %2 мА")
                 .arg(QString::number(value, 'g', 6))
                 .arg(double(kMaxBeamCurrent)));
        return;
    }
    cell->setText(fixed(value, kValuePads[column].decimals));
    updateValidDistance();
    updateGcode();
}

// The rows a comment heads (down to the next comment or the end row) are switched each on its own:
// on rows go off, off rows on.
void CONTOUR::toggleRowsBelow(int commentRow)
{
    const int last = twTechTab->rowCount() - 1;
    for (int row = commentRow + 1; row < last && !isComment(row); ++row) {
        QTableWidgetItem* first = twTechTab->item(row, kPathColumn);
        if (!first)
            continue;
        const bool on = !isOn(row);
        first->setData(RoleOn, on);
        for (int column = 0; column < kTechColumns; ++column) {
            if (QTableWidgetItem* item = twTechTab->item(row, column))
                item->setBackground(on ? kRowOn : kRowOff);
        }
    }
}

void CONTOUR::on_pbInsTechPoint_clicked()
{
    // Above the current row; never above the start row.
    const int row = twTechTab->currentRow();
    if (row < 1)
        return;
    emit message(QStringLiteral("[I]Нажата кнопка 'Вставить точку' панели Технология"), false);
    if (!techTableReady(QStringLiteral("Технологическая точка не добавлена")))
        return;
    insertTechPoint(row, 0, 0, weldSpeed->value());
    afterTechPointInserted();
}

void CONTOUR::on_pbDelTechPoint_clicked()
{
    // The start and the end row always stay.
    const int row = twTechTab->currentRow();
    if (row <= 0 || row >= twTechTab->rowCount() - 1)
        return;
    emit message(QStringLiteral("[I]Нажата кнопка 'Удалить точку' панели Технология"), false);
    twTechTab->removeRow(row);
    afterTechPointInserted();
}

void CONTOUR::on_pbTemplate_clicked()
{
    const int entry = ChoiceMenu::exec(QStringLiteral("Шаблоны"),
                                       {QStringLiteral("Сварка     "), QStringLiteral("Прихватки     "),
                                        QStringLiteral("Останов     ")},
                                       pbTemplate);
    if (entry == 0 || entry == 1)
        TechDialogs::runTemplate(*this, pbTemplate, entry == 1, dialogSink());
    else if (entry == 2)
        addComment(techStopText());
}

void CONTOUR::on_pbSettings_clicked()
{
    TechDialogs::ContourSettings current;
    current.testMove = m_testMove;
    current.showIf = m_focusOn;
    current.showIx = m_yokeXOn;
    current.showIy = m_yokeYOn;
    current.If = m_If;
    current.Ix = m_Ix;
    current.Iy = m_Iy;
    current.centreX = m_centerX;
    current.centreY = m_centerY;
    if (!TechDialogs::runSettings(*this, pbSettings, current, dialogSink()))
        warn(QStringLiteral("Настройки контура недоступны: нет контура (создайте или загрузите контур)"));
}

void CONTOUR::on_pbAddTechPoint_clicked()
{
    if (!TechDialogs::runAddContourPoint(*this, pbAddTechPoint, dialogSink()))
        warn(QStringLiteral("Точки контура не добавлены: нет контура (создайте или загрузите контур)"));
}

void CONTOUR::on_contourSpeed_clicked()
{
    double speed = 0;
    if (!askNumber(QStringLiteral("Скорость, мм/мин"), contourSpeed, false, false, &speed))
        return;
    emit message(QStringLiteral("[I]Задана новая скорость перехода по контуру - %1 мм/мин").arg(speed, 0, 'g', 6),
                 true);
    contourSpeed->setValue(float(speed), 0);
}

void CONTOUR::on_weldSpeed_clicked()
{
    double speed = 0;
    if (!askNumber(QStringLiteral("Скорость сварки, мм/мин"), weldSpeed, false, false, &speed))
        return;
    weldSpeed->setValue(float(speed), 1);
    emit message(QStringLiteral("[I]Задана новая скорость сварки - %1 мм/мин").arg(speed, 0, 'g', 6), true);
    // Every row welds at the new speed, also those a template gave another one.
    setParamValueInTable(kSpeedColumn, float(speed), 1);
}
