#include "lockview.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "statebutton.h"
#include "widgets.h"

LockView::LockView(QWidget* parent)
    : QFrame(parent),
      m_pixmapLocked(QStringLiteral(":/images/no.png")),
      m_pixmapFree(QStringLiteral(":/images/ok.png"))
{
    setAutoFillBackground(true);
    QFont f = font();
    f.setPointSize(14);
    setFont(f);
    setFixedHeight(40);

    buildLine(this, m_pixmapLocked.size(), &m_icon, &m_text);
}

void LockView::buildLine(QFrame* frame, QSize iconSize, QLabel** icon, QLabel** text)
{
    *icon = new QLabel(frame);
    (*icon)->setFixedSize(iconSize);
    *text = new QLabel(frame);
    auto* layout = new QHBoxLayout(frame);
    layout->setSpacing(4);
    layout->setContentsMargins(4, 0, 0, 0);
    layout->addWidget(*icon);
    layout->addWidget(*text);
}

void LockView::showLine(QFrame* frame, QLabel* icon, QLabel* text, const Lock* lock, bool locked,
                        const QPixmap& picture, const QString& tail)
{
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, lock->unknown() ? invalidBackground() : locked ? QColor(Qt::red) : QColor(Qt::green));
    frame->setPalette(pal);
    icon->setPixmap(picture);
    text->setText(lock->text(locked) + tail);
}

void LockView::setLock(Lock* lock)
{
    if (m_lock || !lock)
        return;
    m_lock = lock;
    update(lock->state());
    connect(lock, &Lock::stateChanged, this, qOverload<bool>(&LockView::update));
}

QString LockView::text() const
{
    return m_text->text();
}

void LockView::update(bool locked)
{
    if (!m_lock)
        return;
    m_showsLocked = locked;
    showLine(this, m_icon, m_text, m_lock, locked, locked ? m_pixmapLocked : m_pixmapFree,
             QStringLiteral("  "));
}

QFrame* LockView::makeList(QWidget* parent, Qt::WindowFlags flags, int minimumWidth,
                           const QVector<QPointer<Lock>>& locks)
{
    auto* list = new QFrame(parent, flags);
    list->setFrameShape(QFrame::Panel);
    list->setFrameShadow(QFrame::Raised);
    list->setMinimumWidth(minimumWidth);
    auto* layout = new QVBoxLayout(list);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    for (Lock* lock : locks) {
        if (!lock)
            continue;
        auto* view = new LockView(list);
        view->setLock(lock);
        layout->addWidget(view);
    }
    return list;
}
