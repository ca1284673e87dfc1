#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <QVector>

#include "kvspackets.h"
#include "outsidetext.h"
#include "ui_constants.h"

class KVKTCPthread;
class KVSTCPthread;
class VacuumLink;

// The system constants of both vacuum controllers in one table ("KBK:" rows from the vacuum/door
// controller, "KBC:" rows from the vacuum-system controller), and the change of one constant
// behind the constants access code. Each row keeps the controller whose table it came from, and
// a change goes to that controller only, in whatever order the tables arrived.
//
// Each table a controller sends replaces that controller's rows where they stand (the controller
// whose table came first keeps its rows first), so that every constant has one row; the chosen
// row stays on its constant. Tables that arrive together are shown once: a controller that
// floods tables cannot stall the window. A value pad confirmed empty changes nothing: the access
// code is not asked and nothing is sent.
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
    // Shows the last table of each controller that announced one since the last showing.
    void showTables();
    // Replaces the owner's rows with the records of its link's last table; returns their number.
    int replaceTable(VacuumLink* link, Owner owner);

    KVSTCPthread* m_kvs;
    KVKTCPthread* m_kvk;
    int m_kvsCount = 0;
    int m_kvkCount = 0;
    bool m_tablePending[2] = {false, false};  // by Owner
    QVector<VacConstRecord> m_shown[2];       // by Owner
    QTimer m_showTables;
    TextGate m_debugGate{3, 10000};  // bounds the debug listing of the tables
    QElapsedTimer m_debugClock;
};
