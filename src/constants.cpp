#include "constants.h"

#include <QApplication>
#include <QDebug>
#include <QTableWidgetItem>
#include <QTextCodec>

#include <cstring>

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

// The name field up to its first NUL, and never beyond its 84 bytes.
QString decodeName(const VacConstRecord& record, QTextCodec* codec)
{
    const void* end = std::memchr(record.name, '\0', sizeof(record.name));
    const int length = end ? int(static_cast<const char*>(end) - record.name) : int(sizeof(record.name));
    return codec->toUnicode(record.name, length);
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
    m_kvkCount = appendTable(m_kvk, VacuumDoor);
}

void Constants::onConstsReceivedKVS(int)
{
    m_kvsCount = appendTable(m_kvs, VacuumSystem);
}

int Constants::appendTable(VacuumLink* link, Owner owner)
{
    if (!link)
        return 0;
    QTextCodec* codec = QTextCodec::codecForName("CP1251");
    int count = 0;
    // A copy taken under the link's lock: the receive thread may store the next table meanwhile.
    const QVector<VacConstRecord> records = link->getVacConsts(count);
    const auto controller = owner == VacuumDoor ? VacuumCommand::Controller::VacuumDoor
                                                : VacuumCommand::Controller::VacuumSystem;
    const QFont font = largeFont();
    for (int i = 0; i < count && i < records.size(); ++i) {
        const VacConstRecord& record = records.at(i);
        const QString name = decodeName(record, codec);
        qDebug() << " Consts: " << name << record.id << QString::number(double(record.value), 'g', 6);

        const int row = twConst->rowCount();
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
    return count;
}

void Constants::on_pbChange_clicked()
{
    const int row = twConst->currentRow();
    if (row < 0 || row >= twConst->rowCount())
        return;
    QTableWidgetItem* idItem = twConst->item(row, 0);
    QTableWidgetItem* nameItem = twConst->item(row, 1);
    if (!idItem || !nameItem)
        return;
    const QString identifier = idItem->text();

    Numpad valuePad(identifier, pbChange, 0, false, false, false);
    if (valuePad.exec() != QDialog::Accepted)
        return;
    const double value = valuePad.value();

    Numpad codePad(QStringLiteral("Пароль:"), pbChange, 0, true, true, true);
    if (codePad.exec() != QDialog::Accepted || codePad.value() != AccessCode)
        return;

    // The change is logged once the controller has been sent it; a link that cannot send says
    // so itself.
    const QString command = VacuumCommand::setConst(identifier, value);
    VacuumLink* link = idItem->data(OwnerRole).toInt() == VacuumDoor ? static_cast<VacuumLink*>(m_kvk)
                                                                      : static_cast<VacuumLink*>(m_kvs);
    if (link && link->command(command))
        emit message(QStringLiteral("[I]Изменено значение параметра %1 (%2), новое значение: %3")
                         .arg(identifier, nameItem->text(), QString::number(value)),
                     true);
    accept();
}
