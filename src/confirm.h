#pragma once

#include <QDialog>

#include "ui_confirm.h"

class QTimer;

// Yes/no question in a frame just below the widget that asks. Unanswered, it answers "no" by
// itself after the time-out (seconds; 0 or less waits for the operator).
class Confirm : public QDialog, public Ui::Confirm
{
    Q_OBJECT

public:
    Confirm(const QString& title, const QString& text, QWidget* parent, int timeoutSeconds);

    int timeout() const { return m_timeout; }

public slots:
    void done(int result) override;

private:
    int m_timeout = 0;
    QTimer* m_timer = nullptr;
};
