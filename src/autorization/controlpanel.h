#pragma once

#include <QDialog>

#include "ui_controlpanel.h"

namespace Autorization {
class AbstractManager;
}

class QTableWidget;

// The user-management dialog: lists every user the manager holds (login, name, access level)
// and adds users through the registration dialog. Column widths persist in the settings file.
class ControlPanel : public QDialog, public Ui::ControlPanel
{
    Q_OBJECT

public:
    ControlPanel(QWidget* parent, Autorization::AbstractManager* manager);
    // Keeps the column widths.
    ~ControlPanel() override;

    QTableWidget* getTable() const;
    // Refills the table from the manager's user list.
    void updateUsersTable();

public slots:
    void OnCreateUser();
    void OnRemoveUser();

private:
    Autorization::AbstractManager* m_manager;
};
