#pragma once

#include <QDialog>

#include "ui_constants.h"

class KVKTCPthread;
class KVSTCPthread;
class VacuumLink;

// The system constants of both vacuum controllers in one table ("KBK:" rows from the vacuum/door
// controller, "KBC:" rows from the vacuum-system controller), and the change of one constant
// behind the constants access code. Each row keeps the controller whose table it came from, and
// a change goes to that controller only, in whatever order the tables arrived.
class Constants : public QDialog, private Ui::Constants
{
    Q_OBJECT

public:
    static constexpr double AccessCode = 418305;

    enum Owner { VacuumSystem = 0, VacuumDoor = 1 };  // KVS, KVK
    static constexpr int OwnerRole = Qt::UserRole + 1;

    Constants(KVKTCPthread* kvk, KVSTCPthread* kvs, QWidget* parent);
    ~Constants() override;

    // The number of records of each controller's last table.
    int kvsCount() const { return m_kvsCount; }
    int kvkCount() const { return m_kvkCount; }

signals:
    void message(QString text, bool isShow);

public slots:
    void onConstsReceivedKVK(int count);
    void onConstsReceivedKVS(int count);

private slots:
    void on_pbChange_clicked();

private:
    // Appends the rows of the link's last table; returns its number of records.
    int appendTable(VacuumLink* link, Owner owner);

    KVSTCPthread* m_kvs;
    KVKTCPthread* m_kvk;
    int m_kvsCount = 0;
    int m_kvkCount = 0;
};
