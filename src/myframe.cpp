#include "myframe.h"

#include <QDialog>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>

QRect MyFrame::placement(int x, int y, int border, int lineWidth, const QSize& dialogSize)
{
    const int width = dialogSize.width() + 2 * lineWidth + 2 * border;
    const int height = dialogSize.height() + 2 * lineWidth + 2 * border + TitleHeight;
    return onScreen(QPoint(x, y), QSize(width, height));
}

QRect MyFrame::onScreen(const QPoint& topLeft, const QSize& size)
{
    int left = std::max(topLeft.x(), 0);
    if (left + size.width() > ScreenWidth)
        left = ScreenWidth - size.width();
    int top = std::max(topLeft.y(), 0);
    if (top + size.height() > ScreenHeight)
        top = ScreenHeight - size.height();
    return QRect(QPoint(left, top), size);
}

MyFrame::MyFrame(QString title, int x, int y, int border, QDialog* dialog, QWidget* parent,
                 bool windowModal, bool show)
    : QFrame(parent), m_dialog(dialog)
{
    dialog->setParent(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setWindowModality(windowModal ? Qt::WindowModal : Qt::NonModal);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    setLineWidth(2);

    const int lw = lineWidth();
    setGeometry(placement(x, y, border, lw, dialog->size()));

    auto* bar = new QFrame(this);
    bar->setGeometry(lw, lw, width() - 2 * lw, TitleHeight);
    bar->setBackgroundRole(QPalette::Highlight);
    bar->setForegroundRole(QPalette::Dark);
    bar->setFrameStyle(QFrame::Panel | QFrame::Plain);
    bar->setLineWidth(2);
    bar->setAutoFillBackground(true);

    m_title = new QLabel(title, bar);
    m_title->setGeometry(0, 0, bar->width() - TitleHeight, bar->height());
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    // A title that the bar cannot hold in two lines at 15 points takes a smaller font rather than
    // losing its last words.
    QFont font = m_title->font();
    for (int points = 15; points >= MinTitlePoints; --points) {
        font.setPointSize(points);
        const QRect needed = QFontMetrics(font).boundingRect(QRect(0, 0, m_title->width(), 10 * TitleHeight),
                                                             Qt::AlignCenter | Qt::TextWordWrap, title);
        if (needed.height() <= m_title->height() && needed.width() <= m_title->width())
            break;
    }
    m_title->setFont(font);

    m_close = new QPushButton(bar);
    m_close->setGeometry(bar->width() - TitleHeight, 0, TitleHeight, TitleHeight);
    m_close->setIcon(QIcon(QStringLiteral(":/images/close.png")));
    m_close->setIconSize(QSize(TitleHeight, TitleHeight));

    dialog->move(border + lw, border + lw + TitleHeight);

    if (show)
        QFrame::show();

    connect(m_close, &QPushButton::clicked, dialog, &QDialog::reject);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(dialog, &QObject::destroyed, this, &QObject::deleteLater);

    dialog->setFocus();
}

MyFrame::~MyFrame()
{
    // The hosted dialog dies with the frame here; it must not schedule the frame's deletion.
    if (m_dialog)
        disconnect(m_dialog, nullptr, this, nullptr);
}

void MyFrame::mousePressEvent(QMouseEvent* event)
{
    if (!m_dragging && childAt(event->pos()) == m_title) {
        m_dragging = true;
        m_offsetX = event->pos().x();
        m_offsetY = event->pos().y();
        grabMouse();
        event->accept();
        return;
    }
    QFrame::mousePressEvent(event);
}

void MyFrame::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging) {
        move(event->globalPos() - QPoint(m_offsetX, m_offsetY));
        event->accept();
        return;
    }
    QFrame::mouseMoveEvent(event);
}

void MyFrame::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_dragging) {
        releaseMouse();
        m_dragging = false;
        event->accept();
        return;
    }
    QFrame::mouseReleaseEvent(event);
}
