#include "confirm.h"

#include <QTimer>

#include <algorithm>
#include <climits>

#include "myframe.h"

Confirm::Confirm(const QString& title, const QString& text, QWidget* parent, int timeoutSeconds)
    : QDialog(parent), m_timeout(timeoutSeconds)
{
    setupUi(this);
    connect(pbYes, &QPushButton::clicked, this, &QDialog::accept);
    connect(pbNo, &QPushButton::clicked, this, &QDialog::reject);

    // Just below the asking widget: its bottom-left corner on the screen.
    QPoint at(0, 0);
    if (parent)
        at = parent->mapToGlobal(QPoint(0, 0)) + QPoint(0, parent->height());
    new MyFrame(title, at.x(), at.y(), 1, this, parent, true, true);

    lblText->setText(text);

    // The timer belongs to the dialog: it dies with it and stops once the question is answered.
    if (m_timeout > 0) {
        m_timer = new QTimer(this);
        m_timer->setSingleShot(true);
        connect(m_timer, &QTimer::timeout, this, &QDialog::reject);
        m_timer->start(int(std::min<qint64>(qint64(m_timeout) * 1000, INT_MAX)));
    }
}

void Confirm::done(int result)
{
    if (m_timer)
        m_timer->stop();
    QDialog::done(result);
}
