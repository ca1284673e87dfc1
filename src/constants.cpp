#include "constants.h"

#include <QApplication>
#include <QDebug>
#include <QTableWidgetItem>

#include <cstring>
#include <utility>

#include "kvscomm.h"
#include "myframe.h"
#include "numpad.h"
#include "settingsfile.h"
#include "vacuumcommand.h"

namespace {

const char* const WidthKeys[3] = {"Constants/Width_ID", "Constants/Width_DESC", "Constants/Width_VALUE"};

QFont largeFont()
{
    QFont font = QApplication::font();
    font.setPointSize(13);
    return font;
}

}  // namespace

Constants::Constants(KVKTCPthread* kvk, KVSTCPthread* kvs, QWidget* parent)
    : QDialog(parent), m_kvs(kvs), m_kvk(kvk)
{
    setupUi(this);

    QPoint at(0, 0);
    if (parent)
        at = parent->mapToGlobal(QPoint(0, 0)) + QPoint(0, parent->height());
    new MyFrame(QStringLiteral("Параметры системы"), at.x(), at.y(), 1, this, parent, true, true);

    const auto settings = SettingsFile::open();
    for (int column = 0; column < 3; ++column)
        twConst->setColumnWidth(column, settings->value(WidthKeys[column], 100).toInt());

    m_showTables.setSingleShot(true);
    m_showTables.setInterval(0);
    connect(&m_showTables, &QTimer::timeout, this, &Constants::showTables);
    m_debugClock.start();
}

Constants::~Constants()
{
    {
        const auto settings = SettingsFile::open();
        for (int column = 0; column < 3; ++column)
            settings->setValue(WidthKeys[column], twConst->columnWidth(column));
    }
    emit message(QStringLiteral("[I]Закрыто окно параметров системы"), false);
}

void Constants::onConstsReceivedKVK(int)
{
    m_tablePending[VacuumDoor] = true;
    m_showTables.start();
}

void Constants::onConstsReceivedKVS(int)
{
    m_tablePending[VacuumSystem] = true;
    m_showTables.start();
}

void Constants::showTables()
{
    if (std::exchange(m_tablePending[VacuumDoor], false))
        m_kvkCount = replaceTable(m_kvk, VacuumDoor);
    if (std::exchange(m_tablePending[VacuumSystem], false))
        m_kvsCount = replaceTable(m_kvs, VacuumSystem);
}

int Constants::replaceTable(VacuumLink* link, Owner owner)
{
    if (!link)
        return 0;
    // A copy taken under the link's lock: the receive thread may store the next table meanwhile.
    const QVector<VacConstRecord> records = link->getVacConsts();
    QVector<VacConstRecord>& shown = m_shown[owner];
    if (records.size() == shown.size()
        && std::memcmp(records.constData(), shown.constData(), sizeof(VacConstRecord) * size_t(records.size())) == 0)
        return records.size();  // the same table again: nothing to redo
    shown = records;

    // The constant now chosen, to choose it again among the new rows.
    int chosenOwner = -1;
    QString chosenId;
    if (const QTableWidgetItem* chosen = twConst->item(twConst->currentRow(), 0)) {
        chosenOwner = chosen->data(OwnerRole).toInt();
        chosenId = chosen->text();
    }

    // The owner's rows stand together: the new ones take their place.
    int first = twConst->rowCount();
    int count = 0;
    for (int row = 0; row < twConst->rowCount(); ++row) {
        if (twConst->item(row, 0)->data(OwnerRole).toInt() != owner)
            continue;
        if (count == 0)
            first = row;
        ++count;
    }
    for (int i = 0; i < count; ++i)
        twConst->removeRow(first);

    const auto controller = owner == VacuumDoor ? VacuumCommand::Controller::VacuumDoor
                                                : VacuumCommand::Controller::VacuumSystem;
    const QFont font = largeFont();
    const bool listed = m_debugGate.admit(m_debugClock.elapsed());
    for (int i = 0; i < records.size(); ++i) {
        const VacConstRecord& record = records.at(i);
        const QString name = record.nameText();
        if (listed)
            qDebug() << " Consts: " << OutsideText::singleLine(name) << record.id
                     << QString::number(double(record.value), 'g', 6);

        const int row = first + i;
        twConst->insertRow(row);

        auto* id = new QTableWidgetItem(VacuumCommand::constIdentifier(controller, record.id));
        id->setFont(font);
        id->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        id->setData(Qt::UserRole, QString::number(record.id));
        id->setData(OwnerRole, int(owner));
        twConst->setItem(row, 0, id);

        twConst->setItem(row, 1, new QTableWidgetItem(name));

        auto* value = new QTableWidgetItem(QString::number(double(record.value), 'g', 6));
        value->setFont(font);
        value->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        twConst->setItem(row, 2, value);
    }

    twConst->clearSelection();
    twConst->setCurrentItem(nullptr);
    for (int row = 0; chosenOwner >= 0 && row < twConst->rowCount(); ++row) {
        const QTableWidgetItem* item = twConst->item(row, 0);
        if (item->data(OwnerRole).toInt() == chosenOwner && item->text() == chosenId) {
            twConst->selectRow(row);
            break;
        }
    }
    return records.size();
}

void Constants::on_pbChange_clicked()
{
    const int row = twConst->currentRow();
    if (row < 0 || row >= twConst->rowCount())
        return;
    const QTableWidgetItem* idItem = twConst->item(row, 0);
    const QTableWidgetItem* nameItem = twConst->item(row, 1);
    if (!idItem || !nameItem)
        return;
    // Taken now: a table that arrives while the pads are open replaces the rows.
    const QString identifier = idItem->text();
    const QString name = nameItem->text();
    const bool toDoor = idItem->data(OwnerRole).toInt() == VacuumDoor;

    // An empty entry (or a lone sign or point) is no value: nothing is asked further or sent.
    Numpad valuePad(identifier, pbChange, 0, false, false, false);
    if (valuePad.exec() != QDialog::Accepted || !valuePad.hasNumber())
        return;
    const double value = valuePad.value();

    Numpad codePad(QStringLiteral("Пароль:"), pbChange, 0, true, true, true);
    if (codePad.exec() != QDialog::Accepted || codePad.value() != AccessCode)
        return;

    // The change is logged once the controller has been sent it; a link that cannot send says
    // so itself.
    const QString command = VacuumCommand::setConst(identifier, value);
    VacuumLink* link = toDoor ? static_cast<VacuumLink*>(m_kvk) : static_cast<VacuumLink*>(m_kvs);
    if (link && link->command(command))
        emit message(QStringLiteral("[I]Изменено значение параметра %1 (%2), новое значение: %3")
                         .arg(identifier, name, QString::number(value)),
                     true);
    accept();
}
