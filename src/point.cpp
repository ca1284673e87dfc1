#include "point.h"

#include <QDir>
#include <QHeaderView>
#include <cmath>

#include "drivecomm.h"
#include "drivecommand.h"
#include "filemanager.h"
#include "fixedpaths.h"
#include "myframe.h"
#include "npgprogram.h"
#include "pointfile.h"
#include "settingsfile.h"
#include "startcheck.h"
#include "wholefile.h"

namespace {

const QString kProgram = QStringLiteral("/programs/_point.npg");
const QString kSuffix = QStringLiteral(".point");

const QStringList kAxes = {QStringLiteral("LX"), QStringLiteral("LY"), QStringLiteral("A"),
                           QStringLiteral("B"),  QStringLiteral("C"),  QStringLiteral("D"),
                           QStringLiteral("U1"), QStringLiteral("V")};
const QStringList kFeeds = {QStringLiteral("1200"), QStringLiteral("1200"), QStringLiteral("180"),
                            QStringLiteral("180"),  QStringLiteral("360"),  QStringLiteral("360"),
                            QStringLiteral("60"),   QStringLiteral("360")};

}  // namespace

const QString Point::s_pointDir = QString::fromLatin1(FixedPaths::kPointDir);

Point::Point(DriveTCPthread* drive, QList<float> coords, QWidget* parent)
    : QDialog(parent), m_drive(drive), m_parent(parent)
{
    setupUi(this);
    QPoint at(0, 0);
    if (parent)
        at = parent->mapToGlobal(QPoint(0, 0)) + QPoint(0, parent->height());
    new MyFrame(QStringLiteral("Координаты точки"), at.x(), at.y(), 1, this, parent, true, true);

    nameLabel->setText(QStringLiteral("Текущее положение"));
    m_axes = kAxes;
    m_feeds = kFeeds;
    m_row = -1;

    connect(tableWidget, &QTableWidget::cellClicked, this, &Point::onTableCellClicked);

    {
        const auto settings = SettingsFile::open();
        tableWidget->setColumnWidth(0, settings->value(QStringLiteral("Point/Width_name"), 100).toInt());
        tableWidget->setColumnWidth(1, settings->value(QStringLiteral("Point/Width_coord"), 100).toInt());
    }

    // A coordinate missing from the list, or one that is not a finite number, is left empty.
    for (int i = 0; i < m_axes.size(); ++i) {
        tableWidget->insertRow(i);
        const float coord = i < coords.size() ? coords.at(i) : NAN;
        setRow(i, m_axes.at(i), std::isfinite(coord), coord);
    }
    selectRow(0);
}

Point::~Point()
{
    {
        const auto settings = SettingsFile::open();
        settings->setValue(QStringLiteral("Point/Width_name"), tableWidget->columnWidth(0));
        settings->setValue(QStringLiteral("Point/Width_coord"), tableWidget->columnWidth(1));
    }
    emit message(QStringLiteral("[I]Закрыто окно 'Координаты точки'"), false);
}

int Point::channelOf(int row)
{
    return row == PointFile::kRows - 1 ? 2 : 1;
}

QByteArray Point::program(int row, double target)
{
    return NpgProgram::singleAxisMove(channelOf(row), kAxes.at(row), true,
                                      QString::number(target, 'f', 2), kFeeds.at(row));
}

void Point::setRow(int row, const QString& name, bool hasCoord, float coord)
{
    tableWidget->setItem(row, 0, new QTableWidgetItem(name));
    tableWidget->setItem(
        row, 1, new QTableWidgetItem(hasCoord ? QString::number(double(coord), 'f', 2) : QString()));
}

void Point::selectRow(int row)
{
    m_row = row;
    tableWidget->setCurrentCell(row, 0);
}

void Point::onTableCellClicked(int row, int)
{
    selectRow(row);
}

void Point::on_pbGoToPoint_clicked()
{
    if (m_row < 0 || m_row >= m_axes.size())
        return;
    const QTableWidgetItem* cell = tableWidget->item(m_row, 1);
    bool ok = false;
    const double target = cell ? cell->text().toDouble(&ok) : 0.0;
    if (!ok || !std::isfinite(target))
        return;

    const int channel = channelOf(m_row);
    // Nothing is written while the controller cannot be trusted to run the move.
    const QString reason = StartCheck::driveReason(m_drive->readiness(), StartCheck::axisMoveChannels(channel));
    if (!reason.isEmpty()) {
        emit message(StartCheck::refused(reason), true);
        return;
    }
    if (!NpgProgram::write(kProgram, program(m_row, target))) {
        emit message(NpgProgram::notWritten(kProgram), true);
        return;
    }
    // The link says when the start was not sent; nothing was started then.
    if (!m_drive->command(DriveCommand::runPointMove(channel)))
        return;
    emit message(QStringLiteral("[C]Запущено перемещение в точку %1 по оси %2")
                     .arg(QString::number(target), m_axes.at(m_row)),
                 true);
}

void Point::on_pbStopGoPoint_clicked()
{
    m_drive->command(DriveCommand::stopProgram());
}

void Point::on_pbOpenFile_clicked()
{
    FileManager files(pbOpenFile, s_pointDir, kSuffix, true);
    if (files.exec() == QDialog::Accepted)
        loadFile(files.name, files.path);
}

void Point::on_pbSaveFile_clicked()
{
    // The folder of point files, on an installation that has none yet (saveFile() says when it
    // cannot be made).
    QDir().mkpath(FixedPaths::local(s_pointDir));
    FileManager files(pbSaveFile, s_pointDir, kSuffix, false);
    if (files.exec() == QDialog::Accepted)
        saveFile(files.name, files.path);
}

void Point::onDriveState(bool state)
{
    pbGoToPoint->setEnabled(state);
}

void Point::loadFile(const QString& name, const QString& path)
{
    // The file is read whole before the table is touched: one that cannot be opened leaves the
    // table, its caption and its selection as they were.
    QVector<PointFile::Row> rows;
    if (!PointFile::read(FixedPaths::local(path + kSuffix), &rows))
        return;
    tableWidget->setRowCount(0);
    for (int i = 0; i < rows.size(); ++i) {
        tableWidget->insertRow(i);
        setRow(i, rows.at(i).name, rows.at(i).hasCoord, rows.at(i).coord);
    }
    emit message(QStringLiteral("[I]Выполнена загрузка точки из файла %1.point").arg(name), true);
    nameLabel->setText(name);
    selectRow(0);
}

void Point::saveFile(const QString& name, const QString& path)
{
    if (tableWidget->rowCount() != m_axes.size())
        return;
    QStringList coords;
    for (int i = 0; i < m_axes.size(); ++i) {
        const QTableWidgetItem* cell = tableWidget->item(i, 1);
        coords << (cell ? cell->text() : QString());
    }
    const QString local = FixedPaths::local(path + kSuffix);
    if (!makeFolderOf(local) || !writeWholeFile(local, PointFile::format(m_axes, coords))) {
        emit message(QStringLiteral("[W]Положение механической системы не сохранено: не удалось записать файл %1.point")
                         .arg(name),
                     true);
        return;
    }
    emit message(
        QStringLiteral("[I]Положение механической системы сохранено в файле %1.point").arg(name),
        true);
    nameLabel->setText(name);
    selectRow(0);
}
